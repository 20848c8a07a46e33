#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace kv {

// A text that is not a whole number. Message: "'<text>' is not a valid integer value".
class ConversionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Strict reading of a whole number: blanks, then an optional sign and decimal
// digits, or one of the prefixes "$", "x", "X", "0x", "0X" and one to eight
// hexadecimal digits, and nothing after; the value must fit in 32 bits.
// Raises ConversionError naming the text otherwise (a NUL in it shown as U+FFFD,
// so the message is not cut short).
int strictToInt(std::string_view text);

// Lenient reading used for the letter count: the same forms as strictToInt,
// but never fails. A text that is a number in full gives its value; otherwise
// the value of the digits read before the first character that does not fit,
// without the sign, and 0 when no digit was read ("" -> 0, "abc" -> 0, "7x" -> 7).
int lenientToInt(std::string_view text);

} // namespace kv
