#include <QtTest>

#include <errmsg.h>
#include <unistd.h>

#include "privateserver.h"
#include "registry.h"
#include "worddatabase.h"

using kv::WordDatabase;
Q_DECLARE_METATYPE(WordDatabase::OpenResult)

namespace {

// The server drops a statement's closing semicolon before logging it.
QStringList asLogged(QString statement)
{
    if (statement.endsWith(QLatin1Char(';')))
        statement.chop(1);
    return {statement};
}

// The words every test starts from, stored in no particular order.
const QStringList Words{
    QStringLiteral("kwast"), QStringLiteral("KRAAN"), QStringLiteral("kaas"),   QStringLiteral("KLAAR"),
    QStringLiteral("kraai"), QStringLiteral("auto's"), QStringLiteral("autoos"), QStringLiteral("ideeën"),
    QStringLiteral("a\\b"),  QStringLiteral("ab"),
};

QStringList searchWords(WordDatabase& db, const QString& pattern, kv::StatementOutcome* outcome = nullptr)
{
    QStringList found;
    const kv::StatementOutcome result = db.search(pattern.toStdString(), [&](std::string_view word) {
        found << QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
    });
    if (outcome)
        *outcome = result;
    return found;
}

QString registryError(const std::function<void()>& write)
{
    try {
        write();
    } catch (const kv::RegistryError& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

} // namespace

class TestWordDatabase : public QObject {
    Q_OBJECT

    PrivateServer server;
    QString hive;

    // Configuration 2 is the active one; 1 points at a port nothing listens on.
    void storeConfiguration(const QString& host, const QString& user, const QString& password)
    {
        PrivateServer::writeConfigurationHive(
            hive, QStringLiteral("2"),
            {{QStringLiteral("1"), QStringLiteral("elders"), QStringLiteral("127.0.0.1:1"), QStringLiteral("x"), QStringLiteral("x")},
             {QStringLiteral("2"), QStringLiteral("test"), host, user, password}});
    }

    // A database connected through the stored configuration of kvuser over TCP.
    void openAsUser(WordDatabase& db)
    {
        storeConfiguration(QStringLiteral("127.0.0.1"), QStringLiteral("kvuser"), QStringLiteral("geh'eim"));
        QCOMPARE(db.OpenDatabase(), WordDatabase::OpenResult::Connected);
    }

private slots:
    void initTestCase()
    {
        server.start();
        server.createUser(QStringLiteral("kvuser"), QStringLiteral("geh'eim"));
        hive = server.directory() + QStringLiteral("/registry.reg");
        qputenv("KWISVINDER_REGISTRY", QFile::encodeName(hive));
    }

    void init()
    {
        QFile::remove(hive);
        server.createWordTable();
        server.insertWords(Words);
        server.clearGeneralLog();
    }

    void openWithoutStoredConfiguration()
    {
        // No host, user or password: the client library's defaults, i.e. the
        // socket from MYSQL_UNIX_PORT and the login name, which only root has.
        if (::geteuid() != 0)
            QSKIP("the login name has an account on the test server only for root");
        WordDatabase db;
        QCOMPARE(db.OpenDatabase(), WordDatabase::OpenResult::Connected);
        QVERIFY(db.connected);
        QCOMPARE(db.settings.host, std::string());
        QCOMPARE(db.settings.databaseName, std::string("kv"));
        QCOMPARE(searchWords(db, QStringLiteral("KAAS")), QStringList{QStringLiteral("KAAS")});
    }

    void openWithStoredConfiguration_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<WordDatabase::OpenResult>("expected");

        QTest::newRow("tcp") << "127.0.0.1"
                             << "kvuser"
                             << "geh'eim" << WordDatabase::OpenResult::Connected;
        QTest::newRow("socket") << "localhost"
                                << "kvuser"
                                << "geh'eim" << WordDatabase::OpenResult::Connected;
        QTest::newRow("wrong password") << "127.0.0.1"
                                        << "kvuser"
                                        << "fout" << WordDatabase::OpenResult::ServerNotFound;
    }
    void openWithStoredConfiguration()
    {
        QFETCH(QString, host);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(WordDatabase::OpenResult, expected);

        storeConfiguration(host, user, password);
        WordDatabase db;
        QCOMPARE(db.OpenDatabase(), expected);
        QCOMPARE(db.connected, expected == WordDatabase::OpenResult::Connected);
        QCOMPARE(QString::fromStdString(db.settings.host), host);
        QCOMPARE(QString::fromStdString(db.settings.user), user);
    }

    void storedConfigurationRoundTrip()
    {
        // Writes go only into keys that exist.
        QCOMPARE(registryError([] { kv::writeActiveConfiguration("2", "thuis"); }),
                 QStringLiteral("Failed to set data for 'Configuratie'"));

        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"),
                                              {{QStringLiteral("2"), QStringLiteral("oud"), "h", "u", "p"}});
        QCOMPARE(registryError([] { kv::writeConfiguration("3", "h", "u", "p"); }),
                 QStringLiteral("Failed to set data for 'Host'"));
        kv::writeActiveConfiguration("2", "thuis");
        kv::writeConfiguration("2", "db.example", "jan", "g\"eheim\\");

        QCOMPARE(kv::readActiveConfiguration(), std::string("2"));
        QCOMPARE(kv::readConfigurationName(2), std::string("thuis"));
        std::string host, user, password;
        kv::ReadConfiguration("2", host, user, password);
        QCOMPARE(host, std::string("db.example"));
        QCOMPARE(user, std::string("jan"));
        QCOMPARE(password, std::string("g\"eheim\\"));
        kv::ReadConfiguration("4", host, user, password);
        QCOMPARE(host + user + password, std::string());
    }

    void missingDatabaseThenRetry()
    {
        server.exec(QStringLiteral("DROP DATABASE kv"));
        WordDatabase db;
        storeConfiguration(QStringLiteral("127.0.0.1"), QStringLiteral("kvuser"), QStringLiteral("geh'eim"));
        QCOMPARE(db.OpenDatabase(), WordDatabase::OpenResult::DatabaseNotOpened);
        QVERIFY(!db.connected);

        // The failed attempt must not leave the connection half open.
        server.createWordTable();
        QCOMPARE(db.OpenDatabase(), WordDatabase::OpenResult::Connected);
        QVERIFY(db.connected);
    }

    void search_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("statement");

        QTest::newRow("server order, upper-cased")
            << "K_A__" << QStringList{"KLAAR", "KRAAI", "KRAAN", "KWAST"}
            << "SELECT * FROM kvls WHERE woord LIKE 'K_A__' ORDER BY woord;";
        QTest::newRow("apostrophe") << "AUTO'S" << QStringList{"AUTO'S"}
                                    << "SELECT * FROM kvls WHERE woord LIKE 'AUTO\\'S' ORDER BY woord;";
        QTest::newRow("backslash matches itself") << "A\\B" << QStringList{"A\\B"}
                                                  << "SELECT * FROM kvls WHERE woord LIKE 'A\\\\\\\\B' ORDER BY woord;";
        QTest::newRow("accents are ignored, kept in the word")
            << "IDEEEN" << QStringList{QString::fromUtf8("IDEEëN")}
            << "SELECT * FROM kvls WHERE woord LIKE 'IDEEEN' ORDER BY woord;";
        QTest::newRow("nothing found") << "XYZ" << QStringList{}
                                       << "SELECT * FROM kvls WHERE woord LIKE 'XYZ' ORDER BY woord;";
    }
    void search()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, expected);
        QFETCH(QString, statement);

        WordDatabase db;
        openAsUser(db);
        server.clearGeneralLog();
        kv::StatementOutcome outcome;
        QCOMPARE(searchWords(db, pattern, &outcome), expected);
        QVERIFY(outcome.ok);
        QCOMPARE(server.generalLog(), asLogged(statement));
    }

    void nullFirstColumnGivesEmptyWord()
    {
        // The words are read from the first column, whatever the table's layout.
        server.exec(QStringLiteral("DROP TABLE kv.kvls"));
        server.exec(QStringLiteral("CREATE TABLE kv.kvls (nummer VARCHAR(10) NULL, woord VARCHAR(10) NULL)"));
        server.exec(QStringLiteral("INSERT INTO kv.kvls VALUES ('a\\0b', 'kaas2'), (NULL, 'kaas1')"));

        WordDatabase db;
        openAsUser(db);
        QCOMPARE(searchWords(db, QStringLiteral("KAAS_")), (QStringList{QString(), QStringLiteral("A") + QChar(0) + QStringLiteral("B")}));
    }

    void throwingCallbackLeavesConnectionUsable()
    {
        WordDatabase db;
        openAsUser(db);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
                                 db.search("K_A__", [](std::string_view) { throw std::runtime_error("stop"); }));
        QCOMPARE(searchWords(db, QStringLiteral("KAAS")), QStringList{QStringLiteral("KAAS")});
    }

    void rejectedStatement_data()
    {
        QTest::addColumn<bool>("dropTable");
        QTest::addColumn<QString>("word");
        QTest::addColumn<unsigned>("errorNumber");
        QTest::addColumn<QString>("errorText");

        QTest::newRow("search without table") << true << QString() << 1146u << "Table 'kv.kvls' doesn't exist";
        QTest::newRow("add without table") << true << "kaas" << 1146u << "Table 'kv.kvls' doesn't exist";
        QTest::newRow("add too long a word") << false << "elfletters!" << 1406u << "Data too long for column 'woord' at row 1";
    }
    void rejectedStatement()
    {
        QFETCH(bool, dropTable);
        QFETCH(QString, word);
        QFETCH(unsigned, errorNumber);
        QFETCH(QString, errorText);

        WordDatabase db;
        openAsUser(db);
        if (dropTable)
            server.exec(QStringLiteral("DROP TABLE kv.kvls"));

        bool called = false;
        const kv::StatementOutcome outcome = word.isNull()
            ? db.search("KAAS", [&](std::string_view) { called = true; })
            : db.addWord(word.toStdString(), "4");
        QVERIFY(!outcome.ok);
        QVERIFY(!called);
        QCOMPARE(outcome.errorNumber, errorNumber);
        QCOMPARE(QString::fromStdString(outcome.errorText), errorText);
        QVERIFY(db.connected); // the connection itself is fine
    }

    void lostConnection()
    {
        WordDatabase db;
        openAsUser(db);
        server.kill();

        kv::StatementOutcome outcome;
        QCOMPARE(searchWords(db, QStringLiteral("KAAS"), &outcome), QStringList{});
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.errorNumber == CR_SERVER_GONE_ERROR || outcome.errorNumber == CR_SERVER_LOST,
                 qPrintable(QString::number(outcome.errorNumber)));
        QVERIFY(!db.connected);
        QCOMPARE(db.OpenDatabase(), WordDatabase::OpenResult::ServerNotFound);
        QFile::remove(hive);
        WordDatabase byDefaults; // the default socket has nothing behind it now
        QCOMPARE(byDefaults.OpenDatabase(), WordDatabase::OpenResult::ServerNotFound);

        server.restart();
        QCOMPARE(db.OpenDatabase(), WordDatabase::OpenResult::Connected);
        QCOMPARE(searchWords(db, QStringLiteral("KAAS"), &outcome), QStringList{QStringLiteral("KAAS")});
        QVERIFY(outcome.ok);
    }

    void addWord_data()
    {
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("statement");

        QTest::newRow("two-byte letter") << "ideeën"
                                         << "6"
                                         << "INSERT INTO kvls VALUES ('ideeën','6','null','null','null','null','null');";
        QTest::newRow("apostrophe") << "zee's"
                                    << "5"
                                    << "INSERT INTO kvls VALUES ('zee\\'s','5','null','null','null','null','null');";
    }
    void addWord()
    {
        QFETCH(QString, word);
        QFETCH(QString, length);
        QFETCH(QString, statement);

        server.exec(QStringLiteral("DELETE FROM kv.kvls"));
        WordDatabase db;
        openAsUser(db);
        server.clearGeneralLog();
        const kv::StatementOutcome outcome = db.addWord(word.toStdString(), length.toStdString());
        QVERIFY(outcome.ok);
        QCOMPARE(server.generalLog(), asLogged(statement));
        QCOMPARE(server.select(QStringLiteral("SELECT * FROM kv.kvls")),
                 (QList<QStringList>{{word, length, "null", "null", "null", "null", "null"}}));
    }
};

QTEST_GUILESS_MAIN(TestWordDatabase)
#include "tst_worddatabase.moc"
