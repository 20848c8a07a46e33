#include "numbers.h"

#include <cstdint>
#include <limits>
#include <string>

namespace kv {

namespace {

struct Scan {
    bool complete = false; // the whole text is a valid number
    int value = 0;         // the value when complete
    int partial = 0;       // the digits read before the first misfit, unsigned
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One pass that serves both readings, so they can never disagree about what
// a valid number is.
Scan scan(std::string_view s)
{
    Scan r;
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }

    bool hex = false;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (hex) {
        // Up to eight digits form a 32-bit pattern; a ninth does not fit.
        std::uint32_t bits = 0;
        std::size_t digits = 0;
        while (i < s.size() && digits < 8) {
            const int d = hexDigit(s[i]);
            if (d < 0)
                break;
            bits = bits << 4 | static_cast<std::uint32_t>(d);
            ++digits;
            ++i;
        }
        r.partial = static_cast<int>(bits);
        if (digits > 0 && i == s.size()) {
            r.complete = true;
            r.value = static_cast<int>(negative ? 0u - bits : bits);
        }
        return r;
    }

    // Decimal, accumulated as a negative magnitude up to 2147483648 so that
    // the lowest int is reachable; a digit that would go past it does not fit.
    constexpr std::int64_t limit = std::int64_t(std::numeric_limits<int>::max()) + 1;
    std::int64_t magnitude = 0;
    std::size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        const std::int64_t next = magnitude * 10 + (s[i] - '0');
        if (next > limit)
            break;
        magnitude = next;
        ++digits;
        ++i;
    }
    // A lenient reading has no sign, so 2147483648 itself is one digit too many.
    r.partial = static_cast<int>(magnitude == limit ? magnitude / 10 : magnitude);
    if (digits > 0 && i == s.size() && (negative || magnitude < limit)) {
        r.complete = true;
        r.value = static_cast<int>(negative ? -magnitude : magnitude);
    }
    return r;
}

} // namespace

int strictToInt(std::string_view text)
{
    const Scan r = scan(text);
    if (!r.complete) {
        // The message travels as a C string (what()); a NUL typed into the
        // box would cut it off before its reason, so it shows as U+FFFD.
        std::string quoted;
        for (char c : text)
            quoted += c == '\0' ? std::string_view("\xEF\xBF\xBD") : std::string_view(&c, 1);
        throw ConversionError("'" + quoted + "' is not a valid integer value");
    }
    return r.value;
}

// Out-of-range decimal text keeps the digits read before the one that would
// overflow: "99999999999" gives 999999999, "2147483648" gives 214748364.
// Hex digits beyond the eighth are dropped the same way.
int lenientToInt(std::string_view text)
{
    const Scan r = scan(text);
    return r.complete ? r.value : r.partial;
}

} // namespace kv
