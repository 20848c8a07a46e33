#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "configuration.h"
#include "connection.h"

namespace kv {

// What a statement came to, for the caller to report.
struct StatementOutcome {
    bool ok = true;
    unsigned errorNumber = 0;
    std::string errorText; // the server's or client library's error message
};

// The words of one search, in the server's order, upper-cased a..z, kept
// end to end in one block of text: a whole table takes a few megabytes and
// no allocation per word, and a list shows a line only when it draws it.
class WordList {
public:
    std::size_t size() const { return ends_.size(); }
    bool empty() const { return ends_.empty(); }
    std::string_view at(std::size_t i) const
    {
        const std::uint32_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::string_view(text_).substr(begin, ends_[i] - begin);
    }
    void clear();
    void reserve(std::size_t words, std::size_t bytes);
    // Adds a word as found; a..z become A..Z, every other byte stays.
    void append(std::string_view word);

private:
    std::string text_;
    std::vector<std::uint32_t> ends_;
};

// The word table "kvls" in database "kv" on the configured server: the
// connection settings, the one connection (opened on first need, then kept)
// and the statements of the search and of the add-word dialog.
class WordDatabase {
public:
    enum class OpenResult { Connected, ServerNotFound, DatabaseNotOpened };

    ConnectionSettings settings; // host, user, password, databaseName
    bool connected = false;

    // Loads the active configuration when no host is set, connects and
    // selects "kv". Call only while connected is false.
    OpenResult OpenDatabase();
    // Reads the active configuration into settings and clears connected.
    void LoadActiveConfiguration();

    // Sends the search statement for pattern (a LIKE pattern as built by
    // searchPattern; it is escaped here) and hands each word found, in the
    // server's order, upper-cased a..z, to onWord.
    StatementOutcome search(std::string_view pattern, const std::function<void(std::string_view)>& onWord);
    // The same search into words (emptied first; left empty when it fails).
    StatementOutcome search(std::string_view pattern, WordList& words);

    // Inserts word with its length text (both escaped here).
    StatementOutcome addWord(std::string_view word, std::string_view length);

    Connection& connection() { return connection_; }

private:
    StatementOutcome send(const std::string& statement, const std::function<void(QueryResult&)>& onRows);
    Connection connection_;
};

} // namespace kv
