#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "registry.h"

namespace kv {

// A hive file that cannot be read or parsed. The message names the file and,
// for a parse error, the line.
class HiveFileError : public RegistryError {
public:
    // line is the 1-based line of a parse error, 0 for any other failure.
    explicit HiveFileError(const std::string& message, int line = 0)
        : RegistryError(message), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

struct HiveValue {
    enum class Type { String, Dword, Hex };
    std::string name;
    Type type = Type::String;
    std::string text;        // String: the text (UTF-8)
    std::uint32_t dword = 0; // Dword
    int hexKind = 3;         // Hex: the n of hex(n); 3 = REG_BINARY
    std::vector<unsigned char> bytes; // Hex

    bool operator==(const HiveValue&) const = default;
};

struct HiveKey {
    std::string path; // relative to HKEY_LOCAL_MACHINE, backslash separated
    std::vector<HiveValue> values;

    bool operator==(const HiveKey&) const = default;
};

// The parsed content of a hive file in the Windows registry export syntax
// ("Windows Registry Editor Version 5.00", [HKEY_LOCAL_MACHINE\...] key lines,
// "Name"="text", dword:, hex(n):). Key paths and value names compare without
// regard to ASCII case, as the Windows registry does. Strings also take the
// escapes \n, \r and \0, so that any stored text fits on one line.
class Hive {
public:
    // fileName is only used in error messages.
    static Hive parse(std::string_view text, const std::string& fileName);
    std::string serialize() const;

    bool hasKey(std::string_view path) const;
    const HiveValue* value(std::string_view path, std::string_view name) const;
    // Adds the key and every missing ancestor; existing keys are kept.
    // Raises std::invalid_argument for a path with an empty part.
    void addKey(std::string_view path);
    // Sets a string value of an existing key; returns false when the key is missing.
    bool setString(std::string_view path, std::string_view name, std::string_view text);

    const std::vector<HiveKey>& keys() const { return keys_; }

    // Exact comparison, order and case included: what a round trip keeps.
    bool operator==(const Hive&) const = default;

private:
    HiveKey* find(std::string_view path);
    std::vector<HiveKey> keys_;
};

// The hive file on disk. Every change is made under an exclusive lock on a
// lock file beside it, re-reads the file, and replaces it atomically
// (temporary file, fsync, rename), so concurrent writers lose nothing and a
// crash never leaves a torn file.
class HiveFile {
public:
    explicit HiveFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // The current content; nullopt when the file does not exist. Raises
    // HiveFileError when it exists but cannot be read or parsed.
    std::optional<Hive> load() const;

    // Applies change to the current content and writes the result. When the
    // file is missing it is created (readable by its owner only) only if
    // createIfMissing is set; otherwise returns false without writing.
    // change may return false to leave the file untouched. Raises
    // HiveFileError when the file cannot be read, parsed or written.
    bool update(const std::function<bool(Hive&)>& change, bool createIfMissing = false) const;

private:
    std::filesystem::path path_;
};

// KWISVINDER_REGISTRY when set, else $XDG_CONFIG_HOME/kwisvinder/registry.reg
// (~/.config when XDG_CONFIG_HOME is unset).
std::filesystem::path hivePath();

// A registry accessor on a hive file. A file that exists but is damaged
// raises HiveFileError (also from writeString), and is never rewritten.
class HiveRegistry : public Registry {
public:
    explicit HiveRegistry(std::filesystem::path hive);
    bool openKey(std::string_view path) override;
    std::string readString(std::string_view name) override;
    void writeString(std::string_view name, std::string_view value) override;
    void closeKey() override;

private:
    HiveFile file_;
    std::optional<std::string> openPath_;
};

} // namespace kv
