// Any bytes as a hive file: parse either succeeds or names a line; what it
// accepts serializes to text that parses back to the same hive, and that
// text is stable. The tail of the input also drives the editing calls the
// program makes (addKey, setString), whose result must round-trip too.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>

#include "hive.h"

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}

void roundTrip(const kv::Hive& hive)
{
    const std::string text = hive.serialize();
    kv::Hive again;
    try {
        again = kv::Hive::parse(text, "fuzz.reg");
    } catch (const kv::HiveFileError& e) {
        std::fprintf(stderr, "%s\n---\n%s---\n", e.what(), text.c_str());
        check(false, "serialized hive parses");
    }
    check(again == hive, "parse(serialize(h)) == h");
    check(again.serialize() == text, "serialize is stable");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // "\xff\xfe" splits the file from the edits; without it the whole input is the file.
    const std::size_t split = input.find("\xff\xfe");
    const std::string_view file = input.substr(0, split);
    const std::string_view edits = split == std::string_view::npos ? std::string_view() : input.substr(split + 2);

    kv::Hive hive;
    try {
        hive = kv::Hive::parse(file, "fuzz.reg");
    } catch (const kv::HiveFileError& e) {
        check(e.line() >= 1, "a parse error names a line");
        check(std::string_view(e.what()).find("fuzz.reg") != std::string_view::npos, "a parse error names the file");
        return 0;
    }
    roundTrip(hive);
    if (edits.empty())
        return 0;

    // Edits: "path\x01name\x01text", any bytes in each part.
    const std::size_t a = edits.find('\x01');
    const std::size_t b = a == std::string_view::npos ? a : edits.find('\x01', a + 1);
    if (b == std::string_view::npos)
        return 0;
    const std::string_view path = edits.substr(0, a);
    const std::string_view name = edits.substr(a + 1, b - a - 1);
    const std::string_view text = edits.substr(b + 1);
    try {
        hive.addKey(path);
    } catch (const std::invalid_argument&) {
        return 0;
    }
    check(hive.hasKey(path), "an added key is there");
    check(hive.setString(path, name, text), "setString on an existing key");
    const kv::HiveValue* v = hive.value(path, name);
    check(v && v->type == kv::HiveValue::Type::String && v->text == text, "the stored text reads back");
    roundTrip(hive);
    return 0;
}
