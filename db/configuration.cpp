#include "configuration.h"

#include <memory>

#include "registry.h"

namespace kv {

namespace {

std::string subkey(const std::string& n)
{
    std::string path(ConfigurationKey);
    path += '\\';
    path += n;
    return path;
}

} // namespace

// Each function below opens its own accessor and lets it close the key on
// every path, also when a read or write raises.

void ReadConfiguration(const std::string& n, std::string& host, std::string& user, std::string& password)
{
    std::unique_ptr<Registry> registry = openRegistry();
    // Without the key every read gives an empty text, which is what we want.
    registry->openKey(subkey(n));
    host = registry->readString("Host");
    user = registry->readString("User");
    password = registry->readString("Password");
}

std::string readActiveConfiguration()
{
    std::unique_ptr<Registry> registry = openRegistry();
    registry->openKey(ConfigurationKey);
    return registry->readString("Configuratie");
}

std::string readConfigurationName(int n)
{
    std::unique_ptr<Registry> registry = openRegistry();
    registry->openKey(ConfigurationKey);
    return registry->readString("Naam" + std::to_string(n));
}

void writeActiveConfiguration(const std::string& n, const std::string& name)
{
    std::unique_ptr<Registry> registry = openRegistry();
    // A missing key shows up as the failing write of "Configuratie".
    registry->openKey(ConfigurationKey);
    registry->writeString("Configuratie", n);
    registry->writeString("Naam" + n, name);
}

void writeConfiguration(const std::string& n, const std::string& host, const std::string& user, const std::string& password)
{
    std::unique_ptr<Registry> registry = openRegistry();
    registry->openKey(subkey(n));
    registry->writeString("Host", host);
    registry->writeString("User", user);
    registry->writeString("Password", password);
}

} // namespace kv
