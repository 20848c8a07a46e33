#pragma once

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A MariaDB server of one test program's own: its own data directory, socket
// and loopback port, so test programs and checkouts running side by side
// never meet. The server runs as a child that dies with the test program.
//
// The program under test reaches it through the client library's defaults:
// start() exports MYSQL_UNIX_PORT and MYSQL_TCP_PORT, which libmariadb reads
// once, at the first mysql_init of the process. So start the server before
// anything in the process (a Connection, a WordDatabase, exec()) calls
// mysql_init. Errors raise std::runtime_error.
class PrivateServer {
public:
    // Server settings beyond the small-memory defaults the tests use.
    struct Options {
        QString bufferPoolSize = QStringLiteral("16M"); // innodb-buffer-pool-size
        QString logFileSize = QStringLiteral("8M");     // innodb-log-file-size
        bool generalLog = true;                         // needed by generalLog()
    };

    PrivateServer();
    explicit PrivateServer(const Options& options);
    ~PrivateServer(); // stops the server, removes its directory
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Creates the data directory on first use, starts the server and waits
    // until it accepts connections, then exports the client defaults.
    void start();
    // Clean shutdown.
    void stop();
    // Ends the server at once (SIGKILL), as a crash would.
    void kill();
    // stop() when running, then start() on the same data, socket and port.
    void restart();
    bool isRunning() const;

    QString socketPath() const;
    quint16 port() const;
    QString directory() const;

    // Points libmariadb's defaults (MYSQL_UNIX_PORT, MYSQL_TCP_PORT) at this
    // server. Has an effect only before the process's first mysql_init.
    void exportClientDefaults() const;

    // Forget the statements logged so far; generalLog() starts from here.
    void clearGeneralLog();
    // The statements (general log lines of type Query) received since the
    // last clearGeneralLog(), in order; the harness's own are left out.
    QStringList generalLog() const;

    // Runs one statement as root over the socket on a connection of its own,
    // kept out of the general log.
    void exec(const QString& sql);
    // Same, returning the rows; SQL NULL gives a null QString.
    QList<QStringList> select(const QString& sql);

    // Database "kv" (utf8mb4) with table kvls from WordTableSchema; an
    // existing one is dropped first.
    void createWordTable();
    // Inserts each word with its character count and 'null' in veld3..veld7.
    void insertWords(const QStringList& words);
    // An account on any host with every right on kv.* and none elsewhere.
    void createUser(const QString& name, const QString& password);

    struct StoredConfiguration {
        QString number; // "1".."5"
        QString name;
        QString host;
        QString user;
        QString password;
    };
    // Writes a hive file in the registry export syntax with "Configuratie"
    // = active and, per configuration, "Naam<n>" and the subkey <n> with
    // Host, User and Password.
    static void writeConfigurationHive(const QString& path, const QString& active,
                                       const QList<StoredConfiguration>& configurations);

    // The last lines of the server's error log, for failure messages.
    QString errorLogTail(int lines = 30) const;

private:
    void install();
    bool launch(QString& why);
    static quint16 freeLoopbackPort();
    static QString findProgram(const QStringList& names);

    Options options_;
    std::unique_ptr<QTemporaryDir> dir_;
    QString dataDir_;
    QString socket_;
    quint16 port_ = 0;
    bool installed_ = false;
    bool everStarted_ = false;
    qint64 logMark_ = 0;
    std::unique_ptr<QProcess> process_;
};
