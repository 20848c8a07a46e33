#include "connection.h"

#include <new>

namespace kv {

QueryResult& QueryResult::operator=(QueryResult&& other) noexcept
{
    if (this != &other) {
        if (result_)
            mysql_free_result(result_);
        result_ = std::exchange(other.result_, nullptr);
    }
    return *this;
}

QueryResult::~QueryResult()
{
    if (result_)
        mysql_free_result(result_);
}

unsigned long long QueryResult::rowCount() const
{
    return result_ ? mysql_num_rows(result_) : 0;
}

MYSQL_ROW QueryResult::fetchRow()
{
    return result_ ? mysql_fetch_row(result_) : nullptr;
}

unsigned long* QueryResult::fetchLengths()
{
    return result_ ? mysql_fetch_lengths(result_) : nullptr;
}

Connection::Connection()
{
    init();
}

Connection::~Connection() = default;

void Connection::init()
{
    MYSQL* mysql = mysql_init(nullptr);
    if (!mysql)
        throw std::bad_alloc();
    mysql_.reset(mysql);

    // The program's texts are UTF-8, and so must be what goes over the wire.
    mysql_options(mysql, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    // A host that never answers must not freeze the window for minutes.
    const unsigned int connectTimeout = 10;
    const unsigned int ioTimeout = 15;
    mysql_options(mysql, MYSQL_OPT_CONNECT_TIMEOUT, &connectTimeout);
    mysql_options(mysql, MYSQL_OPT_READ_TIMEOUT, &ioTimeout);
    mysql_options(mysql, MYSQL_OPT_WRITE_TIMEOUT, &ioTimeout);
}

bool Connection::connect(const std::string& host, const std::string& user, const std::string& password)
{
    // No host means the client library's default: localhost over the default
    // socket (MYSQL_UNIX_PORT when set). Port 0 likewise means MYSQL_TCP_PORT
    // or the compiled-in port.
    mysql_real_connect(mysql_.get(), host.empty() ? nullptr : host.c_str(), user.c_str(), password.c_str(),
                       nullptr, 0, nullptr, 0);
    return mysql_errno(mysql_.get()) == 0;
}

bool Connection::selectDatabase(const std::string& name)
{
    return mysql_select_db(mysql_.get(), name.c_str()) == 0;
}

int Connection::query(std::string_view statement)
{
    return mysql_real_query(mysql_.get(), statement.data(), statement.size());
}

QueryResult Connection::storeResult()
{
    return QueryResult(mysql_store_result(mysql_.get()));
}

std::string Connection::escape(std::string_view text)
{
    std::string escaped(text.size() * 2 + 1, '\0');
    const unsigned long length = mysql_real_escape_string(mysql_.get(), escaped.data(), text.data(), text.size());
    escaped.resize(length);
    return escaped;
}

unsigned Connection::errorNumber() const
{
    return mysql_errno(mysql_.get());
}

std::string Connection::errorText() const
{
    return mysql_error(mysql_.get());
}

void Connection::reset()
{
    mysql_.reset();
    init();
}

} // namespace kv
