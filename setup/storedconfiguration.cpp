#include "storedconfiguration.h"

#include "configuration.h"

namespace kv::setup {

namespace {

std::string subkey(const std::string& n)
{
    return std::string(ConfigurationKey) + '\\' + n;
}

std::string text(const Hive& hive, const std::string& path, std::string_view name)
{
    const HiveValue* v = hive.value(path, name);
    return v && v->type == HiveValue::Type::String ? v->text : std::string();
}

bool validNumber(const std::string& n)
{
    return n.size() == 1 && n[0] >= '1' && n[0] < '1' + ConfigurationCount;
}

// Sets the value when it is missing (or, with whenEmpty, empty). A value of
// another type is someone's deliberate choice and stays.
bool fill(Hive& hive, const std::string& path, std::string_view name, const std::string& value, bool whenEmpty)
{
    const HiveValue* v = hive.value(path, name);
    if (v && !(whenEmpty && v->type == HiveValue::Type::String && v->text.empty()))
        return false;
    if (v && v->text == value)
        return false;
    hive.setString(path, name, value);
    return true;
}

} // namespace

std::string targetConfiguration(const Hive& hive)
{
    const std::string active = text(hive, std::string(ConfigurationKey), "Configuratie");
    return validNumber(active) ? active : "1";
}

StoredConnection readStored(const Hive& hive, const std::string& n)
{
    const std::string key(ConfigurationKey);
    return {text(hive, key, "Naam" + n), text(hive, subkey(n), "Host"), text(hive, subkey(n), "User"),
            text(hive, subkey(n), "Password")};
}

bool addConfiguration(Hive& hive, const std::string& n, const StoredConnection& connection)
{
    const std::string key(ConfigurationKey);
    bool changed = false;
    if (!hive.hasKey(key)) {
        hive.addKey(key);
        changed = true;
    }
    // "Configuratie" outside 1..5 points at nothing; the program would find no
    // server, so it is not worth keeping.
    const HiveValue* active = hive.value(key, "Configuratie");
    if (!active || active->type != HiveValue::Type::String || !validNumber(active->text)) {
        hive.setString(key, "Configuratie", n);
        changed = true;
    }

    const bool fillTarget = readStored(hive, n).user.empty();
    for (int i = 1; i <= ConfigurationCount; ++i) {
        const std::string m = std::to_string(i);
        const bool target = m == n && fillTarget;
        changed |= fill(hive, key, "Naam" + m, target ? connection.name : std::string(), target);
        if (!hive.hasKey(subkey(m))) {
            hive.addKey(subkey(m));
            changed = true;
        }
        changed |= fill(hive, subkey(m), "Host", target ? connection.host : std::string(), target);
        changed |= fill(hive, subkey(m), "User", target ? connection.user : std::string(), target);
        changed |= fill(hive, subkey(m), "Password", target ? connection.password : std::string(), target);
    }
    return changed;
}

} // namespace kv::setup
