// Any bytes as a number text. strictToInt either gives a value or raises
// ConversionError quoting the text; lenientToInt never fails and agrees with
// it on every text strictToInt accepts. Plain decimal text is checked
// against an independent reading.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "numbers.h"

namespace {

void check(bool ok, const char* what, std::string_view text)
{
    if (!ok) {
        std::fprintf(stderr, "property broken: %s for '%.*s'\n", what, int(text.size()), text.data());
        std::abort();
    }
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// blanks, optional sign, one or more decimal digits and nothing else:
// the value when it fits in an int.
bool plainDecimal(std::string_view s, bool& fits, long long& value)
{
    std::size_t i = 0;
    while (i < s.size() && blank(s[i]))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    if (i == s.size())
        return false;
    long long v = 0;
    bool big = false;
    for (; i < s.size(); ++i) {
        if (s[i] < '0' || s[i] > '9')
            return false;
        if (!big) {
            v = v * 10 + (s[i] - '0');
            big = v > 2147483648LL;
        }
    }
    value = negative ? -v : v;
    fits = !big && value >= -2147483648LL && value <= 2147483647LL;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int lenient = kv::lenientToInt(text);

    bool accepted = false;
    int strict = 0;
    try {
        strict = kv::strictToInt(text);
        accepted = true;
    } catch (const kv::ConversionError& e) {
        // A NUL shows as U+FFFD, so the message is never cut short.
        std::string shown;
        for (char c : text)
            shown += c == '\0' ? std::string("\xEF\xBF\xBD") : std::string(1, c);
        check(std::string(e.what()) == "'" + shown + "' is not a valid integer value", "message quotes the text", text);
    }
    if (accepted)
        check(lenient == strict, "strict success means lenient equal", text);

    bool fits = false;
    long long value = 0;
    if (plainDecimal(text, fits, value)) {
        check(accepted == fits, "plain decimal accepted exactly when it fits", text);
        if (fits)
            check(strict == value, "plain decimal value", text);
    }
    // A text with a character that fits no number after it is never a number.
    if (!text.empty()) {
        try {
            kv::strictToInt(text + "z");
            check(false, "text + 'z' rejected", text);
        } catch (const kv::ConversionError&) {
        }
    }
    // Decimal readings read no sign leniently: never negative.
    const std::size_t start = text.find_first_not_of(" \t+-");
    const bool decimal = start == std::string::npos || (text[start] != '$' && text[start] != 'x' && text[start] != 'X'
        && !(text.compare(start, 2, "0x") == 0 || text.compare(start, 2, "0X") == 0));
    if (decimal && !accepted)
        check(lenient >= 0, "lenient decimal never negative", text);
    return 0;
}
