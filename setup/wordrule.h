#pragma once

#include <string_view>

namespace kv::setup {

// What the word-list import makes of one entry. Only Accepted entries go
// into the word table; the others are counted per reason.
enum class WordVerdict {
    Accepted,
    Empty,       // nothing left after trimming
    InvalidUtf8,
    Blank,       // a space or tab between letters
    Digit,
    Apostrophe,
    Hyphen,
    FullStop,
    Symbol,      // any other character that is not a letter
    TooShort,
    TooLong,
};

inline constexpr int MinWordLength = 2;
inline constexpr int MaxWordLength = 10;

struct WordCheck {
    WordVerdict verdict = WordVerdict::Empty;
    int length = 0; // characters (code points); 0 for invalid UTF-8
};

// Removes a trailing CR and the blanks around an entry; word lists often
// carry them, and they are not part of the word.
std::string_view trimEntry(std::string_view line);

// Judges a trimmed entry. The first character that is not a letter decides
// the reason; only entries made of letters are judged on their length, which
// counts characters, not bytes. Letters are those of Unicode, so diacritics
// and capitals pass ("ideeën", "IJssel").
WordCheck checkWord(std::string_view entry);

// Short Dutch description of a reason, for the import's report.
const char* verdictText(WordVerdict verdict);

} // namespace kv::setup
