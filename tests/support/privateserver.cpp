#include "privateserver.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

#include <mysql.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "schema.h"

namespace {

// The harness's own connections turn their logging off with this; it is the
// one statement of theirs that still reaches the general log.
const char* const QuietStatement = "SET SESSION sql_log_off=1";

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

QString quoted(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("'"), QLatin1String("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

bool socketAccepts(const QString& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (name.size() >= static_cast<int>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), name.size());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

// One root connection over the socket, closed on every path.
class RootSession {
public:
    explicit RootSession(const QString& socket)
        : mysql_(mysql_init(nullptr))
    {
        if (!mysql_)
            fail(QStringLiteral("mysql_init failed"));
        mysql_options(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        const QByteArray path = QFile::encodeName(socket);
        if (!mysql_real_connect(mysql_, "localhost", "root", "", nullptr, 0, path.constData(), 0))
            fail(QStringLiteral("cannot connect as root to %1: %2").arg(socket, QString::fromUtf8(mysql_error(mysql_))));
        run(QString::fromLatin1(QuietStatement));
    }
    ~RootSession() { mysql_close(mysql_); }
    RootSession(const RootSession&) = delete;
    RootSession& operator=(const RootSession&) = delete;

    QList<QStringList> run(const QString& sql)
    {
        const QByteArray statement = sql.toUtf8();
        if (mysql_real_query(mysql_, statement.constData(), statement.size()) != 0)
            fail(QStringLiteral("%1: %2").arg(sql, QString::fromUtf8(mysql_error(mysql_))));
        QList<QStringList> rows;
        MYSQL_RES* result = mysql_store_result(mysql_);
        if (!result) {
            if (mysql_errno(mysql_) != 0)
                fail(QStringLiteral("%1: %2").arg(sql, QString::fromUtf8(mysql_error(mysql_))));
            return rows;
        }
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            QStringList values;
            for (unsigned i = 0; i < columns; ++i)
                values << (row[i] ? QString::fromUtf8(row[i], static_cast<qsizetype>(lengths[i])) : QString());
            rows << values;
        }
        mysql_free_result(result);
        return rows;
    }

private:
    MYSQL* mysql_;
};

} // namespace

PrivateServer::PrivateServer()
    : PrivateServer(Options())
{
}

PrivateServer::PrivateServer(const Options& options)
    : options_(options)
{
    // The socket path must fit in sun_path (108 bytes); a long TMPDIR would
    // not leave room, /tmp always does.
    QString base = QDir::tempPath();
    if (base.size() > 60)
        base = QStringLiteral("/tmp");
    dir_ = std::make_unique<QTemporaryDir>(base + QStringLiteral("/kvsrv-XXXXXX"));
    if (!dir_->isValid())
        fail(QStringLiteral("cannot create a temporary directory in %1: %2").arg(base, dir_->errorString()));
    dataDir_ = dir_->filePath(QStringLiteral("data"));
    socket_ = dir_->filePath(QStringLiteral("mysqld.sock"));
}

PrivateServer::~PrivateServer()
{
    try {
        stop();
    } catch (...) {
    }
    if (isRunning())
        kill();
}

QString PrivateServer::findProgram(const QStringList& names)
{
    const QStringList fallback{QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")};
    for (const QString& name : names) {
        QString path = QStandardPaths::findExecutable(name);
        if (path.isEmpty())
            path = QStandardPaths::findExecutable(name, fallback);
        if (!path.isEmpty())
            return path;
    }
    fail(QStringLiteral("none of %1 found on PATH, in /usr/sbin or /usr/bin").arg(names.join(QStringLiteral(", "))));
}

quint16 PrivateServer::freeLoopbackPort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        fail(QStringLiteral("socket() failed"));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        fail(QStringLiteral("cannot bind a loopback port"));
    }
    ::close(fd);
    return ntohs(address.sin_port);
}

void PrivateServer::install()
{
    QStringList arguments{
        QStringLiteral("--no-defaults"),
        QStringLiteral("--datadir=") + dataDir_,
        QStringLiteral("--auth-root-authentication-method=normal"),
        QStringLiteral("--skip-test-db"),
        QStringLiteral("--innodb-buffer-pool-size=") + options_.bufferPoolSize,
        QStringLiteral("--innodb-log-file-size=") + options_.logFileSize,
        QStringLiteral("--innodb-use-native-aio=0"),
        // The bootstrap's temporary tables go by process id; in a shared /tmp
        // two bootstraps in different pid namespaces can meet.
        QStringLiteral("--tmpdir=") + dir_->path(),
    };
    if (::geteuid() == 0)
        arguments.insert(1, QStringLiteral("--user=root"));

    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(dir_->path());
    process.start(findProgram({QStringLiteral("mariadb-install-db"), QStringLiteral("mysql_install_db")}), arguments);
    if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        fail(QStringLiteral("mariadb-install-db failed: %1").arg(QString::fromLocal8Bit(process.readAll())));
    }
    installed_ = true;
}

bool PrivateServer::launch(QString& why)
{
    QStringList arguments{
        QStringLiteral("--no-defaults"),
        QStringLiteral("--datadir=") + dataDir_,
        QStringLiteral("--socket=") + socket_,
        QStringLiteral("--port=%1").arg(port_),
        QStringLiteral("--bind-address=127.0.0.1"),
        QStringLiteral("--skip-name-resolve"),
        QStringLiteral("--skip-log-bin"),
        QStringLiteral("--innodb-buffer-pool-size=") + options_.bufferPoolSize,
        QStringLiteral("--innodb-log-file-size=") + options_.logFileSize,
        QStringLiteral("--innodb-use-native-aio=0"),
        QStringLiteral("--character-set-server=utf8mb4"),
        QStringLiteral("--collation-server=utf8mb4_unicode_520_ci"),
        QStringLiteral("--general-log=%1").arg(options_.generalLog ? 1 : 0),
        QStringLiteral("--general-log-file=") + dir_->filePath(QStringLiteral("general.log")),
        QStringLiteral("--log-error=") + dir_->filePath(QStringLiteral("error.log")),
        QStringLiteral("--pid-file=") + dir_->filePath(QStringLiteral("mysqld.pid")),
        QStringLiteral("--tmpdir=") + dir_->path(),
    };
    if (::geteuid() == 0)
        arguments.insert(1, QStringLiteral("--user=root"));

    process_ = std::make_unique<QProcess>();
    // What it prints before its error log is open goes beside that log.
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(dir_->filePath(QStringLiteral("console.log")), QIODevice::Append);
    process_->setWorkingDirectory(dir_->path());
    // A test program that crashes or is timed out must not leave its server behind.
    process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    process_->start(findProgram({QStringLiteral("mariadbd"), QStringLiteral("mysqld")}), arguments);
    if (!process_->waitForStarted(10000)) {
        why = QStringLiteral("mariadbd did not start: %1").arg(process_->errorString());
        return false;
    }

    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        if (process_->state() == QProcess::NotRunning || process_->waitForFinished(0)) {
            why = QStringLiteral("mariadbd exited during start-up:\n%1").arg(errorLogTail());
            return false;
        }
        if (socketAccepts(socket_))
            return true;
        QThread::msleep(50);
    }
    why = QStringLiteral("mariadbd did not accept connections on %1 within 30 s:\n%2").arg(socket_, errorLogTail());
    kill();
    return false;
}

void PrivateServer::start()
{
    if (isRunning())
        return;
    if (!installed_)
        install();

    // The loopback port is only reserved while we probe it; should another
    // program take it before the server binds it, try a fresh one. After the
    // first start the port stays, as the client library has read it by then.
    const int attempts = everStarted_ ? 1 : 3;
    QString why;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (!everStarted_)
            port_ = freeLoopbackPort();
        if (launch(why)) {
            everStarted_ = true;
            exportClientDefaults();
            return;
        }
    }
    fail(why);
}

void PrivateServer::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate(); // SIGTERM: mariadbd shuts down cleanly
        if (!process_->waitForFinished(60000)) {
            process_->kill();
            process_->waitForFinished();
        }
    }
    process_.reset();
}

void PrivateServer::kill()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished();
    }
    process_.reset();
}

void PrivateServer::restart()
{
    stop();
    start();
}

bool PrivateServer::isRunning() const
{
    return process_ && process_->state() != QProcess::NotRunning;
}

QString PrivateServer::socketPath() const
{
    return socket_;
}

quint16 PrivateServer::port() const
{
    return port_;
}

QString PrivateServer::directory() const
{
    return dir_->path();
}

void PrivateServer::exportClientDefaults() const
{
    qputenv("MYSQL_UNIX_PORT", QFile::encodeName(socket_));
    qputenv("MYSQL_TCP_PORT", QByteArray::number(port_));
}

void PrivateServer::clearGeneralLog()
{
    logMark_ = QFileInfo(dir_->filePath(QStringLiteral("general.log"))).size();
}

QStringList PrivateServer::generalLog() const
{
    QFile file(dir_->filePath(QStringLiteral("general.log")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(logMark_);
    const QString text = QString::fromUtf8(file.readAll());

    // "<yymmdd hh:mm:ss or nothing>\t<id> <Command>\t<argument>"; a statement
    // spanning several lines continues on lines without that prefix.
    static const QRegularExpression entry(
        QStringLiteral("^(?:\\d{6}\\s+\\d{1,2}:\\d{2}:\\d{2})?\\t+\\s*\\d+\\s([A-Za-z][A-Za-z ]*)\\t(.*)$"));
    static const QRegularExpression banner(
        QStringLiteral("(, Version: .*started with:$|^Tcp port: |^Time\\s+Id\\s+Command)"));

    QStringList statements;
    bool inQuery = false;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (i == lines.size() - 1 && line.isEmpty())
            break;
        const QRegularExpressionMatch match = entry.match(line);
        if (match.hasMatch()) {
            inQuery = match.captured(1) == QLatin1String("Query");
            if (inQuery)
                statements << match.captured(2);
        } else if (banner.match(line).hasMatch()) {
            inQuery = false;
        } else if (inQuery) {
            statements.last() += QLatin1Char('\n') + line;
        }
    }
    statements.removeAll(QString::fromLatin1(QuietStatement));
    return statements;
}

void PrivateServer::exec(const QString& sql)
{
    RootSession(socket_).run(sql);
}

QList<QStringList> PrivateServer::select(const QString& sql)
{
    return RootSession(socket_).run(sql);
}

void PrivateServer::createWordTable()
{
    RootSession session(socket_);
    session.run(QStringLiteral("DROP DATABASE IF EXISTS kv"));
    session.run(QStringLiteral("CREATE DATABASE kv CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_520_ci"));
    session.run(QStringLiteral("USE kv"));
    session.run(QString::fromUtf8(kv::WordTableSchema));
}

void PrivateServer::insertWords(const QStringList& words)
{
    RootSession session(socket_);
    for (const QString& word : words)
        session.run(QStringLiteral("INSERT INTO kv.kvls VALUES (%1,'%2','null','null','null','null','null')")
                        .arg(quoted(word))
                        .arg(word.toUcs4().size()));
}

void PrivateServer::createUser(const QString& name, const QString& password)
{
    RootSession session(socket_);
    session.run(QStringLiteral("CREATE OR REPLACE USER %1@'%' IDENTIFIED BY %2").arg(quoted(name), quoted(password)));
    session.run(QStringLiteral("GRANT ALL PRIVILEGES ON kv.* TO %1@'%'").arg(quoted(name)));
}

void PrivateServer::writeConfigurationHive(const QString& path, const QString& active,
                                           const QList<StoredConfiguration>& configurations)
{
    auto value = [](const QString& name, const QString& text) {
        QString escaped = text;
        escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
        escaped.replace(QLatin1String("\""), QLatin1String("\\\""));
        return QStringLiteral("\"%1\"=\"%2\"\n").arg(name, escaped);
    };
    const QString key = QStringLiteral("HKEY_LOCAL_MACHINE\\Software\\Morvek\\Kwisvinder\\Parameters\\mySQL");

    QString text = QStringLiteral("Windows Registry Editor Version 5.00\n\n");
    text += QLatin1Char('[') + key + QStringLiteral("]\n");
    text += value(QStringLiteral("Configuratie"), active);
    for (const StoredConfiguration& c : configurations)
        text += value(QStringLiteral("Naam") + c.number, c.name);
    for (const StoredConfiguration& c : configurations) {
        text += QStringLiteral("\n[") + key + QLatin1Char('\\') + c.number + QStringLiteral("]\n");
        text += value(QStringLiteral("Host"), c.host);
        text += value(QStringLiteral("User"), c.user);
        text += value(QStringLiteral("Password"), c.password);
    }

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

QString PrivateServer::errorLogTail(int lines) const
{
    QFile file(dir_->filePath(QStringLiteral("error.log")));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("(no error log)");
    QStringList all = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join(QLatin1Char('\n'));
}
