#include "wordrule.h"

#include <QChar>

namespace kv::setup {

namespace {

// Decodes one UTF-8 sequence at text[at]; false for anything that is not
// well-formed UTF-8 (overlong forms, surrogates, beyond U+10FFFF, cut short).
bool decode(std::string_view text, std::size_t& at, char32_t& out)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    int extra = 0;
    char32_t min = 0;
    if (lead < 0x80) {
        out = lead;
        ++at;
        return true;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        extra = 1, min = 0x80, out = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        extra = 2, min = 0x800, out = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        extra = 3, min = 0x10000, out = lead & 0x07;
    } else {
        return false;
    }
    if (at + extra >= text.size())
        return false;
    for (int i = 1; i <= extra; ++i) {
        const unsigned char c = byte(at + i);
        if ((c & 0xC0) != 0x80)
            return false;
        out = (out << 6) | (c & 0x3F);
    }
    if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF))
        return false;
    at += extra + 1;
    return true;
}

WordVerdict classify(char32_t c)
{
    if (QChar::isSpace(c))
        return WordVerdict::Blank;
    if (QChar::isNumber(c))
        return WordVerdict::Digit;
    switch (c) {
    case U'\'': case U'`': case U'\u00B4': case U'\u2018': case U'\u2019': case U'\u02BC':
        return WordVerdict::Apostrophe;
    case U'-': case U'\u00AD': case U'\u2010': case U'\u2011': case U'\u2012': case U'\u2013':
        return WordVerdict::Hyphen;
    case U'.':
        return WordVerdict::FullStop;
    default:
        return WordVerdict::Symbol;
    }
}

} // namespace

std::string_view trimEntry(std::string_view line)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!line.empty() && blank(line.back()))
        line.remove_suffix(1);
    while (!line.empty() && blank(line.front()))
        line.remove_prefix(1);
    return line;
}

WordCheck checkWord(std::string_view entry)
{
    if (entry.empty())
        return {WordVerdict::Empty, 0};

    // Whole entry first: a broken byte anywhere makes the entry unusable,
    // whatever else is wrong with it.
    int length = 0;
    WordVerdict firstProblem = WordVerdict::Accepted;
    for (std::size_t at = 0; at < entry.size();) {
        char32_t c = 0;
        if (!decode(entry, at, c))
            return {WordVerdict::InvalidUtf8, 0};
        ++length;
        if (firstProblem == WordVerdict::Accepted && !QChar::isLetter(c))
            firstProblem = classify(c);
    }
    if (firstProblem != WordVerdict::Accepted)
        return {firstProblem, length};
    if (length < MinWordLength)
        return {WordVerdict::TooShort, length};
    if (length > MaxWordLength)
        return {WordVerdict::TooLong, length};
    return {WordVerdict::Accepted, length};
}

const char* verdictText(WordVerdict verdict)
{
    switch (verdict) {
    case WordVerdict::Accepted: return "toegevoegd";
    case WordVerdict::Empty: return "lege regel";
    case WordVerdict::InvalidUtf8: return "geen geldige UTF-8";
    case WordVerdict::Blank: return "met spatie";
    case WordVerdict::Digit: return "met cijfer";
    case WordVerdict::Apostrophe: return "met apostrof";
    case WordVerdict::Hyphen: return "met koppelteken";
    case WordVerdict::FullStop: return "met punt";
    case WordVerdict::Symbol: return "met ander teken";
    case WordVerdict::TooShort: return "te kort (minder dan 2 letters)";
    case WordVerdict::TooLong: return "te lang (meer dan 10 letters)";
    }
    return "?";
}

} // namespace kv::setup
