#pragma once

#include <string>
#include <string_view>

namespace kv {

// Where the stored connection configurations live, under HKEY_LOCAL_MACHINE.
inline constexpr std::string_view ConfigurationKey = "Software\\Morvek\\Kwisvinder\\Parameters\\mySQL";
inline constexpr int ConfigurationCount = 5;

struct ConnectionSettings {
    std::string host;
    std::string user;
    std::string password;
    std::string databaseName;
};

// Reads "Host", "User" and "Password" of configuration n (decimal text) from
// ConfigurationKey\n. Missing key or values give empty texts.
void ReadConfiguration(const std::string& n, std::string& host, std::string& user, std::string& password);

// "Configuratie" under ConfigurationKey: the active configuration's number as text.
std::string readActiveConfiguration();
// "Naam" + n under ConfigurationKey.
std::string readConfigurationName(int n);

// Makes configuration n the active one and stores its display name.
// Raises RegistryError "Failed to set data for 'Configuratie'" when the key is missing.
void writeActiveConfiguration(const std::string& n, const std::string& name);
// Stores host, user and password of configuration n.
// Raises RegistryError "Failed to set data for 'Host'" when the subkey is missing.
void writeConfiguration(const std::string& n, const std::string& host, const std::string& user, const std::string& password);

} // namespace kv
