#include "statements.h"

namespace kv {

namespace {

bool isContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

int characterCount(std::string_view utf8)
{
    int count = 0;
    for (char c : utf8)
        if (!isContinuationByte(c))
            ++count;
    return count;
}

std::string searchPattern(const std::array<std::string, 10>& letters, int letterCount)
{
    if (letterCount <= 0)
        return {};

    std::string raw;
    for (const std::string& letter : letters)
        raw += letter.empty() ? std::string(" ") : letter;

    // Cut after letterCount characters, not bytes: a box may hold a letter
    // such as "Ë" that takes two bytes.
    std::string pattern;
    int characters = 0;
    for (char c : raw) {
        if (!isContinuationByte(c) && ++characters > letterCount)
            break;
        pattern += c == ' ' ? '_' : c;
    }
    return pattern;
}

std::string likeLiteral(std::string_view pattern)
{
    std::string literal;
    literal.reserve(pattern.size());
    for (char c : pattern) {
        literal += c;
        if (c == '\\')
            literal += '\\';
    }
    return literal;
}

std::string searchStatement(std::string_view escapedPattern)
{
    std::string statement = "SELECT * FROM kvls WHERE woord LIKE '";
    statement += escapedPattern;
    statement += "' ORDER BY woord;";
    return statement;
}

std::string insertStatement(std::string_view escapedWord, std::string_view escapedLength)
{
    std::string statement = "INSERT INTO kvls VALUES ('";
    statement += escapedWord;
    statement += "','";
    statement += escapedLength;
    statement += "','null','null','null','null','null');";
    return statement;
}

std::string upperAscii(std::string_view word)
{
    std::string upper(word);
    upperAsciiInPlace(upper);
    return upper;
}

void upperAsciiInPlace(std::span<char> text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

} // namespace kv
