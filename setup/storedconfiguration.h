#pragma once

#include <string>

#include "hive.h"

namespace kv::setup {

struct StoredConnection {
    std::string name; // "Naam<n>"
    std::string host;
    std::string user;
    std::string password;
};

// The configuration a setup fills: the active one when "Configuratie" holds
// "1".."5", else "1".
std::string targetConfiguration(const Hive& hive);

// Configuration n as the program would read it; missing values are empty.
StoredConnection readStored(const Hive& hive, const std::string& n);

// Adds the program's keys and values that are missing, never changing one a
// person has set: "Configuratie" (when missing, empty or not 1..5) becomes n;
// "Naam1".."Naam5" and the subkeys 1..5 with "Host", "User" and "Password"
// are added, empty, where missing. Configuration n gets the given connection
// unless it already has a user, in which case it is kept as it is. Returns
// true when the hive changed.
bool addConfiguration(Hive& hive, const std::string& n, const StoredConnection& connection);

} // namespace kv::setup
