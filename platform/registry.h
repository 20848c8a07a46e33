#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

// Raised by a registry read or write that cannot be carried out. Its message
// is the text the error box shows, e.g. "Failed to set data for 'Host'".
class RegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One registry accessor rooted at HKEY_LOCAL_MACHINE: it opens one existing
// key, reads and writes string values in it, and closes the key when it is
// destroyed. An accessor lives for one read or write sequence only.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens an existing key (never creates one), asking for full access.
    // The path is relative to HKEY_LOCAL_MACHINE, without a leading backslash.
    // Returns false, without any message, when the key is missing or
    // cannot be opened; afterwards no key is open.
    virtual bool openKey(std::string_view path) = 0;

    // The text of a string value, cut at the first NUL; empty when the value
    // is missing or no key is open. A value of another type raises
    // RegistryError "Invalid data type for '<name>'".
    virtual std::string readString(std::string_view name) = 0;

    // Stores a string value in the open key. Raises RegistryError
    // "Failed to set data for '<name>'" when that fails, also when no key is open.
    virtual void writeString(std::string_view name, std::string_view value) = 0;

    virtual void closeKey() = 0;
};

// The registry of this platform: on Linux a hive file (see hive.h) at
// hivePath().
std::unique_ptr<Registry> openRegistry();

} // namespace kv
