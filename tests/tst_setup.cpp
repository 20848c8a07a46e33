#include <QtTest>

#include <sys/stat.h>

#include "configuration.h"
#include "connection.h"
#include "hive.h"
#include "privateserver.h"
#include "wordrule.h"

using kv::setup::WordVerdict;
Q_DECLARE_METATYPE(WordVerdict)

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

// The built tool, as a user runs it.
Run runTool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(KV_SETUP_TOOL), arguments);
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
    }
    Run run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The report's numbers: "toegevoegd", "al aanwezig", "overgeslagen" and one
// per reason line ("  met cijfer: 1"); dots group thousands.
QMap<QString, int> reportCounts(const QString& out)
{
    QMap<QString, int> counts;
    static const QRegularExpression summary(
        QStringLiteral("ingelezen: ([\\d.]+) woorden toegevoegd, ([\\d.]+) al aanwezig, ([\\d.]+) overgeslagen"));
    const auto number = [](QString text) { return text.remove(QLatin1Char('.')).toInt(); };
    if (const auto m = summary.match(out); m.hasMatch()) {
        counts[QStringLiteral("toegevoegd")] = number(m.captured(1));
        counts[QStringLiteral("al aanwezig")] = number(m.captured(2));
        counts[QStringLiteral("overgeslagen")] = number(m.captured(3));
    }
    static const QRegularExpression reason(QStringLiteral("^  (.+): ([\\d.]+)$"), QRegularExpression::MultilineOption);
    for (auto it = reason.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        counts[m.captured(1)] = number(m.captured(2));
    }
    return counts;
}

// One of every kind of entry a word list holds.
const QByteArray Fixture =
    "kaas\n"
    "IJssel\n"
    "idee\xC3\xABn\n"                        // ideeën
    "Bob\n"                                  // the table has "bob"
    "a\n"
    "abcdefghijk\n"                          // 11 letters
    "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xAB\xC3\xAB\n" // 10 letters, 20 bytes
    "ad hoc\n"
    "m2\n"
    "auto's\n"
    "e-mail\n"
    "a.s.\n"
    "a+b\n"
    "kaas\n"
    "\xFFkaas\n"
    "\n"
    "  kwast \r\n";

// Its words, in byte-wise order.
const QStringList FixtureWords{
    QStringLiteral("Bob"),   QStringLiteral("IJssel"), QStringLiteral("ideeën"),
    QStringLiteral("kaas"), QStringLiteral("kwast"),  QStringLiteral("ééééééééëë")};

} // namespace

class TestSetup : public QObject {
    Q_OBJECT

    PrivateServer server;
    QTemporaryDir dir;

    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList admin() const { return {QStringLiteral("--admin-socket"), server.socketPath()}; }

    // kv with its table and the account kvtest, as the tool leaves them.
    void freshDatabase()
    {
        server.exec(QStringLiteral("DROP DATABASE IF EXISTS kv"));
        server.exec(QStringLiteral("DROP USER IF EXISTS kvtest@localhost, kwisvinder@localhost"));
        const Run run = runTool(QStringList{QStringLiteral("database"), QStringLiteral("--user"), QStringLiteral("kvtest"),
                                            QStringLiteral("--password"), QStringLiteral("eerste")}
                                + admin());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    }

    QList<QStringList> rows()
    {
        return server.select(QStringLiteral(
            "SELECT woord, lengte, veld3, veld4, veld5, veld6, veld7 FROM kv.kvls ORDER BY BINARY woord"));
    }

    static QStringList words(const QList<QStringList>& rows)
    {
        QStringList result;
        for (const QStringList& row : rows)
            result << row.first();
        return result;
    }

    bool canLogIn(const QString& user, const QString& password)
    {
        kv::Connection connection;
        return connection.connect("localhost", user.toStdString(), password.toStdString())
               && connection.selectDatabase("kv");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        // Nothing here may reach the real hive of whoever runs the tests.
        qputenv("KWISVINDER_REGISTRY", QFile::encodeName(path(QStringLiteral("default.reg"))));
        server.start();
    }

    void wordRule_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<WordVerdict>("verdict");
        QTest::addColumn<int>("length");

        QTest::newRow("plain") << QByteArray("kaas") << WordVerdict::Accepted << 4;
        QTest::newRow("capitals kept") << QByteArray("IJssel") << WordVerdict::Accepted << 6;
        QTest::newRow("diaeresis") << QByteArray("idee\xC3\xABn") << WordVerdict::Accepted << 6;
        QTest::newRow("ij ligature is one letter") << QByteArray("\xC4\xB3s") << WordVerdict::Accepted << 2;
        QTest::newRow("two letters") << QByteArray("ab") << WordVerdict::Accepted << 2;
        QTest::newRow("one letter") << QByteArray("a") << WordVerdict::TooShort << 1;
        QTest::newRow("one accented letter, two bytes") << QByteArray("\xC3\xA0") << WordVerdict::TooShort << 1;
        QTest::newRow("ten letters") << QByteArray("abcdefghij") << WordVerdict::Accepted << 10;
        QTest::newRow("eleven letters") << QByteArray("abcdefghijk") << WordVerdict::TooLong << 11;
        QTest::newRow("ten letters, 20 bytes") << QByteArray("\xC3\xA9").repeated(10) << WordVerdict::Accepted << 10;
        QTest::newRow("eleven letters, 22 bytes") << QByteArray("\xC3\xA9").repeated(11) << WordVerdict::TooLong << 11;
        QTest::newRow("blank inside") << QByteArray("ad hoc") << WordVerdict::Blank << 6;
        QTest::newRow("tab inside") << QByteArray("ad\thoc") << WordVerdict::Blank << 6;
        QTest::newRow("blanks and CR around") << QByteArray("  kaas \r") << WordVerdict::Accepted << 4;
        QTest::newRow("digit") << QByteArray("m2") << WordVerdict::Digit << 2;
        QTest::newRow("first non-letter decides") << QByteArray("0900-nummer") << WordVerdict::Digit << 11;
        QTest::newRow("apostrophe") << QByteArray("auto's") << WordVerdict::Apostrophe << 6;
        QTest::newRow("typographic apostrophe") << QByteArray("auto\xE2\x80\x99s") << WordVerdict::Apostrophe << 6;
        QTest::newRow("hyphen") << QByteArray("e-mail") << WordVerdict::Hyphen << 6;
        QTest::newRow("full stop") << QByteArray("a.s.") << WordVerdict::FullStop << 4;
        QTest::newRow("symbol") << QByteArray("a+b") << WordVerdict::Symbol << 3;
        QTest::newRow("combining accent") << QByteArray("e\xCC\x81" "en") << WordVerdict::Symbol << 4;
        QTest::newRow("invalid byte") << QByteArray("\xFFkaas") << WordVerdict::InvalidUtf8 << 0;
        QTest::newRow("cut-off sequence") << QByteArray("kaa\xC3") << WordVerdict::InvalidUtf8 << 0;
        QTest::newRow("overlong slash") << QByteArray("a\xC0\xAF" "b") << WordVerdict::InvalidUtf8 << 0;
        QTest::newRow("surrogate") << QByteArray("a\xED\xA0\x80") << WordVerdict::InvalidUtf8 << 0;
        QTest::newRow("empty") << QByteArray(" \r") << WordVerdict::Empty << 0;
    }

    void wordRule()
    {
        QFETCH(QByteArray, line);
        QFETCH(WordVerdict, verdict);
        QFETCH(int, length);
        const kv::setup::WordCheck check =
            kv::setup::checkWord(kv::setup::trimEntry(std::string_view(line.constData(), line.size())));
        QCOMPARE(check.verdict, verdict);
        QCOMPARE(check.length, length);
    }

    void importCountsAndRows()
    {
        freshDatabase();
        // The maintainer's: one the list has too, one that differs in case only.
        server.insertWords({QStringLiteral("bob"), QStringLiteral("ideeën")});
        writeFile(path(QStringLiteral("fixture.txt")), Fixture);

        const Run run = runTool(QStringList{QStringLiteral("import"), path(QStringLiteral("fixture.txt"))} + admin());
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        const QMap<QString, int> expected{
            {QStringLiteral("toegevoegd"), 5},
            {QStringLiteral("al aanwezig"), 1},
            {QStringLiteral("overgeslagen"), 10},
            {QStringLiteral("te kort (minder dan 2 letters)"), 1},
            {QStringLiteral("te lang (meer dan 10 letters)"), 1},
            {QStringLiteral("met spatie"), 1},
            {QStringLiteral("met cijfer"), 1},
            {QStringLiteral("met apostrof"), 1},
            {QStringLiteral("met koppelteken"), 1},
            {QStringLiteral("met punt"), 1},
            {QStringLiteral("met ander teken"), 1},
            {QStringLiteral("geen geldige UTF-8"), 1},
            {QStringLiteral("dubbel in de lijst"), 1},
            {QStringLiteral("lege regel"), 1},
        };
        QCOMPARE(reportCounts(run.out), expected);

        // Byte-wise order: capitals first.
        const QList<QStringList> expectedRows{
            {QStringLiteral("Bob"), QStringLiteral("3")},
            {QStringLiteral("IJssel"), QStringLiteral("6")},
            {QStringLiteral("bob"), QStringLiteral("3")},
            {QStringLiteral("ideeën"), QStringLiteral("6")},
            {QStringLiteral("kaas"), QStringLiteral("4")},
            {QStringLiteral("kwast"), QStringLiteral("5")},
            {QStringLiteral("ééééééééëë"), QStringLiteral("10")},
        };
        const QList<QStringList> stored = rows();
        QCOMPARE(stored.size(), expectedRows.size());
        for (qsizetype i = 0; i < stored.size(); ++i) {
            QCOMPARE(stored[i].mid(0, 2), expectedRows[i]);
            QCOMPARE(stored[i].mid(2), QStringList(5, QStringLiteral("null")));
        }
    }

    void secondRunChangesNothing()
    {
        freshDatabase();
        writeFile(path(QStringLiteral("fixture.txt")), Fixture);
        const QStringList import = QStringList{QStringLiteral("import"), path(QStringLiteral("fixture.txt"))} + admin();
        QCOMPARE(runTool(import).exitCode, 0);
        server.insertWords({QStringLiteral("kwis")}); // the maintainer's own word
        const QList<QStringList> before = rows();

        const Run again = runTool(import);
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QCOMPARE(reportCounts(again.out).value(QStringLiteral("toegevoegd")), 0);
        QCOMPARE(reportCounts(again.out).value(QStringLiteral("al aanwezig")), FixtureWords.size());
        QCOMPARE(rows(), before);

        // A second database run keeps the account's password unless told otherwise.
        const QStringList database{QStringLiteral("database"), QStringLiteral("--user"), QStringLiteral("kvtest"),
                                   QStringLiteral("--password"), QStringLiteral("tweede")};
        const Run kept = runTool(database + admin());
        QVERIFY2(kept.exitCode == 0, qPrintable(kept.err));
        QVERIFY(canLogIn(QStringLiteral("kvtest"), QStringLiteral("eerste")));
        QVERIFY(!canLogIn(QStringLiteral("kvtest"), QStringLiteral("tweede")));
        const Run reset = runTool(database + admin() + QStringList{QStringLiteral("--reset-password")});
        QVERIFY2(reset.exitCode == 0, qPrintable(reset.err));
        QVERIFY(canLogIn(QStringLiteral("kvtest"), QStringLiteral("tweede")));
        QCOMPARE(rows(), before);

        // The account may read and change words, and nothing else.
        const QList<QStringList> grants = server.select(QStringLiteral("SHOW GRANTS FOR kvtest@localhost"));
        QCOMPARE(grants.size(), 2);
        QVERIFY2(grants[1].first().startsWith(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON `kv`.*")),
                 qPrintable(grants[1].first()));
    }

    void failedImportLeavesTableUnchanged()
    {
        freshDatabase();
        server.insertWords({QStringLiteral("kwis")});
        const QList<QStringList> before = rows();

        // The server refuses one word in the third batch of two, after two
        // batches went in.
        server.exec(QStringLiteral("CREATE TRIGGER kv.weiger BEFORE INSERT ON kv.kvls FOR EACH ROW "
                                   "IF NEW.woord = 'fout' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'geweigerd'; "
                                   "END IF"));
        writeFile(path(QStringLiteral("fout.txt")), "aap\nnoot\nmies\nwim\nfout\nzus\n");
        const Run refused = runTool(QStringList{QStringLiteral("import"), path(QStringLiteral("fout.txt")),
                                                QStringLiteral("--batch-size"), QStringLiteral("2")}
                                    + admin());
        server.exec(QStringLiteral("DROP TRIGGER kv.weiger"));
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(QStringLiteral("geweigerd")), qPrintable(refused.err));
        QCOMPARE(rows(), before);

        const QString missing = path(QStringLiteral("bestaat-niet.txt"));
        const Run unreadable = runTool(QStringList{QStringLiteral("import"), missing} + admin());
        QCOMPARE(unreadable.exitCode, 1);
        QVERIFY2(unreadable.err.contains(missing), qPrintable(unreadable.err));
        QCOMPARE(rows(), before);
    }

    void registryIsWhatTheProgramReads()
    {
        const QString hive = path(QStringLiteral("nieuw/registry.reg"));
        const Run run = runTool({QStringLiteral("registry"), QStringLiteral("--hive"), hive, QStringLiteral("--host"),
                                 QStringLiteral("localhost"), QStringLiteral("--user"), QStringLiteral("kvtest"),
                                 QStringLiteral("--password"), QStringLiteral("ge\"heim\\ 1"), QStringLiteral("--name"),
                                 QStringLiteral("Lokale server")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(hive).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        qputenv("KWISVINDER_REGISTRY", QFile::encodeName(hive));
        QCOMPARE(kv::readActiveConfiguration(), std::string("1"));
        QCOMPARE(kv::readConfigurationName(1), std::string("Lokale server"));
        std::string host, user, password;
        kv::ReadConfiguration("1", host, user, password);
        QCOMPARE(host, std::string("localhost"));
        QCOMPARE(user, std::string("kvtest"));
        QCOMPARE(password, std::string("ge\"heim\\ 1"));
        qputenv("KWISVINDER_REGISTRY", QFile::encodeName(path(QStringLiteral("default.reg"))));

        // The other four are there, empty, ready for the options dialog.
        const kv::Hive written = *kv::HiveFile(hive.toStdString()).load();
        const std::string key(kv::ConfigurationKey);
        for (int n = 2; n <= kv::ConfigurationCount; ++n) {
            const std::string sub = key + '\\' + std::to_string(n);
            QVERIFY(written.value(key, "Naam" + std::to_string(n)));
            for (const char* name : {"Host", "User", "Password"}) {
                const kv::HiveValue* value = written.value(sub, name);
                QVERIFY2(value && value->text.empty(), name);
            }
        }
    }

    void registryKeepsWhatIsThere()
    {
        const QString hive = path(QStringLiteral("bestaand.reg"));
        PrivateServer::writeConfigurationHive(
            hive, QStringLiteral("2"),
            {{QStringLiteral("2"), QStringLiteral("Thuis"), QStringLiteral("db.thuis"), QStringLiteral("piet"),
              QStringLiteral("geheim")}});
        QFile file(hive);
        QVERIFY(file.open(QIODevice::Append));
        file.write("\n[HKEY_LOCAL_MACHINE\\Software\\Ander]\n\"Kleur\"=\"blauw\"\n");
        file.close();

        const Run run = runTool({QStringLiteral("registry"), QStringLiteral("--hive"), hive, QStringLiteral("--host"),
                                 QStringLiteral("localhost"), QStringLiteral("--user"), QStringLiteral("nieuw"),
                                 QStringLiteral("--password"), QStringLiteral("x")});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));

        const kv::Hive after = *kv::HiveFile(hive.toStdString()).load();
        const std::string key(kv::ConfigurationKey);
        QCOMPARE(after.value(key, "Configuratie")->text, std::string("2"));
        QCOMPARE(after.value(key, "Naam2")->text, std::string("Thuis"));
        QCOMPARE(after.value(key + "\\2", "Host")->text, std::string("db.thuis"));
        QCOMPARE(after.value(key + "\\2", "User")->text, std::string("piet"));
        QCOMPARE(after.value(key + "\\2", "Password")->text, std::string("geheim"));
        QCOMPARE(after.value("Software\\Ander", "Kleur")->text, std::string("blauw"));
        for (int n : {1, 3, 4, 5})
            QVERIFY(after.value(key + '\\' + std::to_string(n), "User"));
    }

    void damagedHiveIsLeftAlone()
    {
        const QString hive = path(QStringLiteral("kapot.reg"));
        const QByteArray damaged = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\nkapot\n";
        writeFile(hive, damaged);
        writeFile(path(QStringLiteral("fixture.txt")), Fixture);
        server.exec(QStringLiteral("DROP USER IF EXISTS nooit@localhost"));

        const QList<QStringList> runs{
            {QStringLiteral("registry"), QStringLiteral("--hive"), hive, QStringLiteral("--host"), QStringLiteral("h"),
             QStringLiteral("--user"), QStringLiteral("u"), QStringLiteral("--password"), QStringLiteral("p")},
            QStringList{QStringLiteral("all"), QStringLiteral("--hive"), hive, QStringLiteral("--words"),
                        path(QStringLiteral("fixture.txt")), QStringLiteral("--user"), QStringLiteral("nooit")}
                + admin(),
        };
        for (const QStringList& arguments : runs) {
            const Run run = runTool(arguments);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains(hive) && run.err.contains(QStringLiteral("regel 4")), qPrintable(run.err));
            QCOMPARE(readFile(hive), damaged);
        }
        // "all" stopped before it touched the server.
        QVERIFY(server.select(QStringLiteral("SELECT 1 FROM mysql.user WHERE User='nooit'")).isEmpty());
    }

    void allSetsUpOnceAndReusesThePassword()
    {
        server.exec(QStringLiteral("DROP DATABASE IF EXISTS kv"));
        server.exec(QStringLiteral("DROP USER IF EXISTS kwisvinder@localhost"));
        writeFile(path(QStringLiteral("fixture.txt")), Fixture);
        const QString hive = path(QStringLiteral("alles/registry.reg"));
        const QStringList all = QStringList{QStringLiteral("all"), QStringLiteral("--words"),
                                            path(QStringLiteral("fixture.txt")), QStringLiteral("--hive"), hive}
                                + admin();

        const Run first = runTool(all);
        QVERIFY2(first.exitCode == 0, qPrintable(first.err + first.out));
        QCOMPARE(reportCounts(first.out).value(QStringLiteral("toegevoegd")), FixtureWords.size());
        const kv::Hive written = *kv::HiveFile(hive.toStdString()).load();
        const std::string sub = std::string(kv::ConfigurationKey) + "\\1";
        QCOMPARE(written.value(sub, "Host")->text, std::string("localhost"));
        QCOMPARE(written.value(sub, "User")->text, std::string("kwisvinder"));
        const QString password = QString::fromStdString(written.value(sub, "Password")->text);
        QVERIFY2(QRegularExpression(QStringLiteral("^[A-Za-z0-9]{20}$")).match(password).hasMatch(),
                 qPrintable(password));
        QVERIFY(canLogIn(QStringLiteral("kwisvinder"), password));
        QCOMPARE(words(rows()), FixtureWords);

        const QByteArray hiveBefore = readFile(hive);
        const Run second = runTool(all);
        QVERIFY2(second.exitCode == 0, qPrintable(second.err + second.out));
        QCOMPARE(reportCounts(second.out).value(QStringLiteral("toegevoegd")), 0);
        QCOMPARE(readFile(hive), hiveBefore);
        QVERIFY(canLogIn(QStringLiteral("kwisvinder"), password));
        QCOMPARE(words(rows()), FixtureWords);
    }

    void badInputAndUnreachableServer_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        const QStringList database{QStringLiteral("database"), QStringLiteral("--user"), QStringLiteral("kvtest"),
                                   QStringLiteral("--password"), QStringLiteral("x")};
        QTest::newRow("wrong admin password")
            << database + admin() + QStringList{QStringLiteral("--admin-password"), QStringLiteral("fout")} << 1
            << QStringLiteral("--admin-password");
        QTest::newRow("no server on the socket")
            << database + QStringList{QStringLiteral("--admin-socket"), path(QStringLiteral("geen.sock"))} << 1
            << QStringLiteral("Draait de server?");
        QTest::newRow("unknown option")
            << QStringList{QStringLiteral("import"), QStringLiteral("x"), QStringLiteral("--snel")} << 2
            << QStringLiteral("Onbekende optie --snel");
        QTest::newRow("missing password") << QStringList{QStringLiteral("database"), QStringLiteral("--user"),
                                                         QStringLiteral("kvtest")}
                                          << 2 << QStringLiteral("--password ontbreekt");
        QTest::newRow("batch size not a number")
            << QStringList{QStringLiteral("import"), QStringLiteral("x"), QStringLiteral("--batch-size"),
                           QStringLiteral("veel")}
            << 2 << QStringLiteral("--batch-size verwacht een getal");
    }

    void badInputAndUnreachableServer()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const Run run = runTool(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestSetup)
#include "tst_setup.moc"
