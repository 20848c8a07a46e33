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

StatementOutcome WordDatabase::search(std::string_view pattern, const std::function<void(std::string_view)>& onWord)
{
    const std::string statement = searchStatement(connection_.escape(likeLiteral(pattern)));
    return send(statement, [&](QueryResult& result) {
        while (MYSQL_ROW row = result.fetchRow()) {
            const unsigned long* lengths = result.fetchLengths();
            // A NULL word is listed as an empty line, as the table allows it.
            const std::string word = row[0] ? std::string(row[0], lengths[0]) : std::string();
            onWord(upperAscii(word));
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
