#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace kv {

// The LIKE pattern of a search: the letters of boxes 1..10 (UTF-8, each empty
// or one character) joined with a blank for each empty box, cut to the first
// letterCount characters, every blank then replaced by "_".
std::string searchPattern(const std::array<std::string, 10>& letters, int letterCount);

// A pattern made safe for a quoted LIKE literal after SQL escaping: a
// backslash (LIKE's escape character) is doubled so it matches itself; "%"
// and "_" keep their wildcard meaning.
std::string likeLiteral(std::string_view pattern);

// "SELECT * FROM kvls WHERE woord LIKE '<pattern>' ORDER BY woord;"
// The pattern must already be escaped for a string literal.
std::string searchStatement(std::string_view escapedPattern);

// "INSERT INTO kvls VALUES ('<word>','<length>','null','null','null','null','null');"
// word and length must already be escaped for a string literal.
std::string insertStatement(std::string_view escapedWord, std::string_view escapedLength);

// The word as listed: "a".."z" become "A".."Z", every other byte stays.
std::string upperAscii(std::string_view word);
// The same, on text in place.
void upperAsciiInPlace(std::span<char> text);

// Number of characters (not bytes) in UTF-8 text.
int characterCount(std::string_view utf8);

} // namespace kv
