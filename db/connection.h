#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include <mysql.h>

namespace kv {

// The rows of one statement, owned: the result set is freed when this goes,
// on every path. Null when the statement produced no result set.
class QueryResult {
public:
    QueryResult() = default;
    explicit QueryResult(MYSQL_RES* result) : result_(result) {}
    QueryResult(QueryResult&& other) noexcept : result_(std::exchange(other.result_, nullptr)) {}
    QueryResult& operator=(QueryResult&& other) noexcept;
    QueryResult(const QueryResult&) = delete;
    QueryResult& operator=(const QueryResult&) = delete;
    ~QueryResult();

    bool isNull() const { return result_ == nullptr; }
    unsigned long long rowCount() const;
    MYSQL_ROW fetchRow();
    unsigned long* fetchLengths();

private:
    MYSQL_RES* result_ = nullptr;
};

// The one client-library connection record of the program.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // mysql_real_connect with no database, port 0, no socket, no flags, so the
    // client library's defaults decide the port and socket. True when the
    // record carries no error number afterwards.
    bool connect(const std::string& host, const std::string& user, const std::string& password);
    bool selectDatabase(const std::string& name);
    // Sends a statement; the return value is the client library's.
    int query(std::string_view statement);
    QueryResult storeResult();
    // Escapes text for a quoted SQL string literal, in the connection's character set.
    std::string escape(std::string_view text);

    unsigned errorNumber() const;
    std::string errorText() const;

    // Closes the connection and starts a fresh record, for a new attempt.
    void reset();

private:
    void init();
    std::unique_ptr<MYSQL, decltype(&mysql_close)> mysql_{nullptr, &mysql_close};
};

} // namespace kv
