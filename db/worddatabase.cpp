#include "worddatabase.h"

#include <errmsg.h>
#include <mysqld_error.h>

#include "statements.h"

namespace kv {

namespace {

// Errors after which the connection is of no further use: the next statement
// must start with a fresh connection instead of failing the same way again.
bool connectionLost(unsigned errorNumber)
{
    switch (errorNumber) {
    case CR_CONNECTION_ERROR:
    case CR_CONN_HOST_ERROR:
    case CR_SERVER_GONE_ERROR:
    case CR_SERVER_LOST:
    case CR_SERVER_LOST_EXTENDED:
    case ER_SERVER_SHUTDOWN:
    case ER_CONNECTION_KILLED:
        return true;
    default:
        return false;
    }
}

} // namespace

WordDatabase::OpenResult WordDatabase::OpenDatabase()
{
    if (settings.host.empty())
        LoadActiveConfiguration();
    settings.databaseName = "kv";

    if (!connection_.connect(settings.host, settings.user, settings.password))
        return OpenResult::ServerNotFound;
    if (!connection_.selectDatabase(settings.databaseName)) {
        // Start the next attempt from scratch rather than on a half-open record.
        connection_.reset();
        return OpenResult::DatabaseNotOpened;
    }
    connected = true;
    return OpenResult::Connected;
}

void WordDatabase::LoadActiveConfiguration()
{
    const std::string n = readActiveConfiguration();
    ReadConfiguration(n, settings.host, settings.user, settings.password);
    connected = false;
}

void WordList::clear()
{
    text_.clear();
    ends_.clear();
}

void WordList::reserve(std::size_t words, std::size_t bytes)
{
    ends_.reserve(words);
    text_.reserve(bytes);
}

void WordList::append(std::string_view word)
{
    const std::size_t begin = text_.size();
    text_.append(word);
    upperAsciiInPlace(std::span<char>(text_).subspan(begin));
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
}

StatementOutcome WordDatabase::search(std::string_view pattern, const std::function<void(std::string_view)>& onWord)
{
    WordList words;
    const StatementOutcome outcome = search(pattern, words);
    for (std::size_t i = 0; i < words.size(); ++i)
        onWord(words.at(i));
    return outcome;
}

StatementOutcome WordDatabase::search(std::string_view pattern, WordList& words)
{
    words.clear();
    const std::string statement = searchStatement(connection_.escape(likeLiteral(pattern)));
    return send(statement, [&](QueryResult& result) {
        const std::size_t rows = static_cast<std::size_t>(result.rowCount());
        // Most words are plain letters, one byte each, at most ten of them.
        words.reserve(rows, rows * 10);
        while (MYSQL_ROW row = result.fetchRow()) {
            // A NULL word is listed as an empty line, as the table allows it.
            words.append(row[0] ? std::string_view(row[0], result.fetchLengths()[0]) : std::string_view());
        }
    });
}

StatementOutcome WordDatabase::addWord(std::string_view word, std::string_view length)
{
    const std::string statement = insertStatement(connection_.escape(word), connection_.escape(length));
    return send(statement, {});
}

StatementOutcome WordDatabase::send(const std::string& statement, const std::function<void(QueryResult&)>& onRows)
{
    auto failure = [this] {
        StatementOutcome outcome;
        outcome.ok = false;
        outcome.errorNumber = connection_.errorNumber();
        outcome.errorText = connection_.errorText();
        if (connectionLost(outcome.errorNumber)) {
            connected = false;
            connection_.reset();
        }
        return outcome;
    };

    // A rejected statement must not pass for one that found nothing.
    if (connection_.query(statement) != 0)
        return failure();
    QueryResult result = connection_.storeResult();
    if (result.isNull()) {
        if (connection_.errorNumber() != 0)
            return failure();
        return {};
    }
    if (onRows)
        onRows(result);
    return {};
}

} // namespace kv
