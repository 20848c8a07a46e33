// Faults the program must live through, against real parts: a private server
// that dies mid-session or a host that never answers, damaged and replaced
// hive files, two copies writing the options at once, hostile text in every
// box, and a password that must stay out of messages and process titles.
//
// Some cases need a process of their own (the client library reads its
// default port once per process, and concurrent writers must be separate
// processes); this program runs itself again with a --child-... argument.
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <iostream>
#include <string>

#include "addtodb.h"
#include "configuration.h"
#include "hive.h"
#include "hoofdvenster.h"
#include "kvopties.h"
#include "messagebox.h"
#include "privateserver.h"
#include "widgettest.h"

using namespace kv;
using kvtest::child;

namespace {

const QString Password = QStringLiteral("Geheim-Wachtwoord-42");
// As the server logs them: without the closing ";".
const QString Select = QStringLiteral("SELECT * FROM kvls WHERE woord LIKE '%1' ORDER BY woord");
const QString Insert = QStringLiteral("INSERT INTO kvls VALUES ('%1','%2','null','null','null','null','null')");

using Shown = kvtest::ShownMessage;

void search(THoofdVenster& w, const QString& count, const QStringList& letters = {})
{
    child<QLineEdit>(w, QStringLiteral("AantalLetters"))->setText(count);
    for (int i = 0; i < THoofdVenster::MaxLetters; ++i)
        child<QLineEdit>(w, QStringLiteral("Letter%1").arg(i + 1))->setText(i < letters.size() ? letters.at(i) : QString());
    QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
}

QStringList listed(THoofdVenster& w)
{
    QAbstractItemModel* model = child<QListView>(w, QStringLiteral("Gevonden"))->model();
    QStringList words;
    for (int row = 0; row < model->rowCount(); ++row)
        words << model->index(row, 0).data().toString();
    return words;
}

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Replaces the file the way an editor or another copy does: a new file renamed over it.
void replaceFile(const QString& path, const QByteArray& bytes)
{
    writeBytes(path + QStringLiteral(".nieuw"), bytes);
    if (::rename(QFile::encodeName(path + QStringLiteral(".nieuw")).constData(), QFile::encodeName(path).constData()) != 0)
        qFatal("rename failed");
}

PrivateServer::StoredConfiguration here(const QString& password = Password)
{
    return {QStringLiteral("1"), QStringLiteral("Hier"), QStringLiteral("localhost"), QStringLiteral("puzzelaar"), password};
}

QList<PrivateServer::StoredConfiguration> five(const QString& tag)
{
    QList<PrivateServer::StoredConfiguration> list;
    for (int n = 1; n <= ConfigurationCount; ++n)
        list << PrivateServer::StoredConfiguration{QString::number(n), QStringLiteral("%1 naam%2").arg(tag).arg(n),
                                                   QStringLiteral("%1-host%2").arg(tag).arg(n), QStringLiteral("u%1").arg(n),
                                                   QStringLiteral("p%1").arg(n)};
    return list;
}

QString storedValue(const QString& hive, const std::string& key, const std::string& name)
{
    const std::optional<Hive> h = HiveFile(hive.toStdString()).load();
    const HiveValue* v = h ? h->value(key, name) : nullptr;
    return v ? QString::fromStdString(v->text) : QStringLiteral("(ontbreekt)");
}

std::string subkey(int n)
{
    return std::string(ConfigurationKey) + "\\" + std::to_string(n);
}

// ---- child processes ----------------------------------------------------------

// One search from a fresh main window; every message box goes to stdout, one a line.
int childSearch(int argc, char** argv)
{
    QApplication app(argc, argv);
    MessageBox::setRecorder([](MessageBox::Kind, const QString& text) {
        std::cout << "BOX " << QString(text).replace(QLatin1Char('\n'), QLatin1String("\\n")).toStdString() << std::endl;
    });
    THoofdVenster w({});
    w.show();
    search(w, QStringLiteral("2"));
    std::cout << "LISTED " << listed(w).size() << std::endl;
    return 0;
}

// Writes configuration <writer>+1 <rounds> times as the options dialog's OK does.
int childWriteOptions(const char* writer, const char* rounds)
{
    const int w = std::atoi(writer);
    const int m = std::atoi(rounds);
    const std::string n = std::to_string(w + 1);
    try {
        for (int i = 0; i < m; ++i) {
            const std::string tag = std::to_string(w) + "-" + std::to_string(i);
            writeActiveConfiguration(n, "naam " + tag);
            writeConfiguration(n, "host " + tag, "user " + tag, "wachtwoord " + tag);
        }
    } catch (const std::exception& e) {
        std::cerr << "writer " << w << ": " << e.what() << std::endl;
        return 1;
    }
    return 0;
}

QString self()
{
    return QCoreApplication::applicationFilePath();
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    PrivateServer server;
    QTemporaryDir home;
    QString hive;
    QList<Shown> shown;

    QStringList texts() const
    {
        QStringList list;
        for (const Shown& s : shown)
            list << s.text;
        return list;
    }
    void verifyNoPasswordShown() const
    {
        for (const Shown& s : shown)
            QVERIFY2(!s.text.contains(Password), qPrintable(s.text));
    }
    QStringList statementsOf(const QString& kind) const
    {
        QStringList list;
        for (const QString& s : server.generalLog())
            if (s.startsWith(kind))
                list << s;
        return list;
    }
    QList<QStringList> storedRows()
    {
        return server.select(QStringLiteral("SELECT HEX(woord), lengte FROM kv.kvls ORDER BY HEX(woord)"));
    }

private slots:
    void initTestCase()
    {
        server.start();
        server.createWordTable();
        server.createUser(QStringLiteral("puzzelaar"), Password);
        hive = home.filePath(QStringLiteral("registry.reg"));
        qputenv("KWISVINDER_REGISTRY", QFile::encodeName(hive));
        MessageBox::setRecorder([this](MessageBox::Kind kind, const QString& text) { shown.append({kind, text}); });
    }

    void init()
    {
        if (!server.isRunning())
            server.start();
        server.createWordTable();
        server.insertWords({QStringLiteral("op"), QStringLiteral("aa"), QStringLiteral("kaas")});
        QFile::setPermissions(hive, QFile::ReadOwner | QFile::WriteOwner);
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"), {here()});
        server.clearGeneralLog();
        shown.clear();
    }

    // ---- the server goes away ---------------------------------------------------

    // Killed between two searches and left down a while: each search says
    // why it found nothing, none shows a stale or partial list, and once the
    // server is back the next search works in the same window.
    void serverKilledBetweenSearches()
    {
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("2"));
        QCOMPARE(listed(w), (QStringList{QStringLiteral("AA"), QStringLiteral("OP")}));

        server.kill();
        search(w, QStringLiteral("2"));
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(QLatin1String("Het zoeken is mislukt!\n")), qPrintable(shown[0].text));
        QVERIFY(listed(w).isEmpty());
        QVERIFY(child(w, QStringLiteral("GroupBox2"))->isVisible());

        search(w, QStringLiteral("2"));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].text, QStringLiteral("Kan de mySQL server niet vinden!"));
        QVERIFY(listed(w).isEmpty());

        server.start();
        search(w, QStringLiteral("2"));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(listed(w), (QStringList{QStringLiteral("AA"), QStringLiteral("OP")}));
        verifyNoPasswordShown();
    }

    // Killed while the add-word dialog is open and connected: the word stays
    // in its box through every failed press and is stored once, by the first
    // press after the server is back.
    void serverKilledWithTheAddWordDialogOpen()
    {
        THoofdVenster main({});
        Tadd2db dialog(main);
        main.setWindows(nullptr, &dialog, nullptr);
        main.show();
        main.Toevoegenindatabase1Click();
        auto* word = child<QLineEdit>(dialog, QStringLiteral("addWoordEb"));
        auto* voegToe = child(dialog, QStringLiteral("VoegToeBt"));
        word->setText(QStringLiteral("klaar"));
        QTest::mouseClick(voegToe, Qt::LeftButton);
        QVERIFY(main.database().connected);
        QVERIFY(word->text().isEmpty());

        server.kill();
        word->setText(QStringLiteral("kraan"));
        QTest::mouseClick(voegToe, Qt::LeftButton);
        QTest::mouseClick(voegToe, Qt::LeftButton);
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].text.startsWith(QLatin1String("Het woord is niet toegevoegd!\n")), qPrintable(shown[0].text));
        QCOMPARE(shown[1].text, QStringLiteral("Kan de mySQL server niet vinden!"));
        QCOMPARE(word->text(), QStringLiteral("kraan"));
        QCOMPARE(child<QLineEdit>(dialog, QStringLiteral("addLengteEb"))->text(), QStringLiteral("5"));
        QVERIFY(dialog.isVisible());

        server.start();
        QTest::mouseClick(voegToe, Qt::LeftButton);
        QCOMPARE(shown.size(), 2);
        QVERIFY(word->text().isEmpty());
        QCOMPARE(server.select(QStringLiteral("SELECT woord FROM kv.kvls WHERE woord IN ('klaar', 'kraan') ORDER BY woord")),
                 (QList<QStringList>{{QStringLiteral("klaar")}, {QStringLiteral("kraan")}}));
        verifyNoPasswordShown();
    }

    // A host that takes the connection and then never says a word. The
    // client library's default port is read once per process, so a child
    // process does the search with MYSQL_TCP_PORT pointing at the listener.
    void silentHostIsGivenUp()
    {
        const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        QVERIFY(listener >= 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QVERIFY(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) == 0);
        // The kernel completes the handshake for the backlog; nobody ever reads or writes.
        QVERIFY(::listen(listener, 4) == 0);

        const QString silentHive = home.filePath(QStringLiteral("stil.reg"));
        PrivateServer::writeConfigurationHive(silentHive, QStringLiteral("1"),
            {{QStringLiteral("1"), QStringLiteral("Stil"), QStringLiteral("127.0.0.1"), QStringLiteral("puzzelaar"), Password}});
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KWISVINDER_REGISTRY"), silentHive);
        env.insert(QStringLiteral("MYSQL_TCP_PORT"), QString::number(ntohs(address.sin_port)));
        env.remove(QStringLiteral("MYSQL_UNIX_PORT"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(self(), {QStringLiteral("--child-search")});
        // A guard against a hang, not a measurement: the connection timeouts
        // (10 s to connect, 15 s to read) must end the attempt well before this.
        const bool finished = process.waitForFinished(25000);
        if (!finished) {
            process.kill();
            process.waitForFinished();
        }
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());

        // The attempt really reached the silent host.
        const int accepted = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (accepted >= 0)
            ::close(accepted);
        ::close(listener);
        QVERIFY2(finished, "still waiting for a host that never answers after 25 s");
        QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0, qPrintable(err));
        QVERIFY(accepted >= 0);
        QCOMPARE(out, QStringLiteral("BOX Kan de mySQL server niet vinden!\nLISTED 0\n"));
        QVERIFY2(!err.contains(Password), qPrintable(err));
    }

    // ---- the hive file ------------------------------------------------------------

    void damagedHiveThroughTheProgram_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<bool>("readOnly");
        QTest::addColumn<QStringList>("onSearch"); // {file}: the file's path
        QTest::addColumn<QStringList>("onShow");
        QTest::addColumn<QStringList>("onOk");
        QTest::addColumn<bool>("okWrites");

        const QByteArray head = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Morvek\\Kwisvinder\\Parameters\\mySQL]\n";
        const QByteArray sub = "\n[HKEY_LOCAL_MACHINE\\Software\\Morvek\\Kwisvinder\\Parameters\\mySQL\\1]\n"
                               "\"Host\"=\"localhost\"\n\"User\"=\"puzzelaar\"\n";
        const QByteArray good = head + "\"Configuratie\"=\"1\"\n\"Naam1\"=\"Hier\"\n" + sub + "\"Password\"=\""
            + Password.toUtf8() + "\"\n";
        const QString unreadable = QStringLiteral("Registerbestand '{file}' is onleesbaar (regel %1).");
        const QString notSet = QStringLiteral("Failed to set data for 'Configuratie'");

        // Without a file the library's defaults are used: root over the socket.
        QTest::newRow("missing") << QByteArray() << false
                                 << (::geteuid() == 0 ? QStringList{} : QStringList{"Kan de mySQL server niet vinden!"})
                                 << QStringList{"'' is not a valid integer value."} << QStringList{notSet} << false;
        QTest::newRow("empty") << QByteArray("") << false << QStringList{unreadable.arg(1)}
                               << QStringList{unreadable.arg(1)} << QStringList{unreadable.arg(1)}
                               << false;
        QTest::newRow("garbage") << QByteArray("\x7f" "ELF\x02\x01\x01\0\0\0garbage\n", 18) << false
                                 << QStringList{unreadable.arg(1)} << QStringList{unreadable.arg(1)}
                                 << QStringList{unreadable.arg(1)} << false;
        QTest::newRow("truncated last line")
            << QByteArray(head + "\"Configuratie\"=\"1\"\n" + sub + "\"Password\"=\"Geh") << false
            << QStringList{unreadable.arg(9)} << QStringList{unreadable.arg(9)}
            << QStringList{unreadable.arg(9)} << false;
        QTest::newRow("value of another type")
            << QByteArray(head + "\"Configuratie\"=dword:00000001\n" + sub) << false
            << QStringList{"Invalid data type for 'Configuratie'"} << QStringList{"Invalid data type for 'Configuratie'"}
            << QStringList{} << true;
        QTest::newRow("read-only") << good << true << QStringList{} << QStringList{} << QStringList{notSet} << false;
    }
    // Search (LoadActiveConfiguration), the options dialog's showing and its
    // OK, on each kind of damage: the expected message, nothing sent to the
    // server on a file that cannot be read, and the file never rewritten
    // unless OK may really store into it.
    void damagedHiveThroughTheProgram()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, readOnly);
        QFETCH(QStringList, onSearch);
        QFETCH(QStringList, onShow);
        QFETCH(QStringList, onOk);
        QFETCH(bool, okWrites);
        QFile::remove(hive);
        if (!content.isNull())
            writeBytes(hive, content);
        if (readOnly)
            QVERIFY(QFile::setPermissions(hive, QFile::ReadOwner | QFile::ReadGroup));
        for (QString& s : onSearch)
            s.replace(QLatin1String("{file}"), hive);
        for (QString& s : onShow)
            s.replace(QLatin1String("{file}"), hive);
        for (QString& s : onOk)
            s.replace(QLatin1String("{file}"), hive);

        THoofdVenster w({});
        ToptiesForm o(w);
        w.setWindows(&o, nullptr, nullptr);
        w.show();
        search(w, QStringLiteral("2"));
        QCOMPARE(texts(), onSearch);
        const bool searched = onSearch.isEmpty();
        QCOMPARE(listed(w), searched ? (QStringList{QStringLiteral("AA"), QStringLiteral("OP")}) : QStringList());
        QCOMPARE(statementsOf(QStringLiteral("SELECT")).size(), searched ? 1 : 0);

        shown.clear();
        w.Opties1Click();
        QVERIFY(o.isVisible());
        QCOMPARE(texts(), onShow);
        shown.clear();
        QTest::mouseClick(child(o, QStringLiteral("okButton")), Qt::LeftButton);
        QCOMPARE(texts(), onOk);

        if (content.isNull()) {
            QVERIFY(!QFile::exists(hive));
        } else if (!okWrites) {
            QCOMPARE(bytesOf(hive), content);
        } else {
            QVERIFY(HiveFile(hive.toStdString()).load().has_value());
            QCOMPARE(storedValue(hive, std::string(ConfigurationKey), "Configuratie"), QStringLiteral("1"));
        }
        QCOMPARE(QDir(home.path()).entryList({QStringLiteral(".registry.reg.*")}, QDir::Hidden | QDir::Files),
                 QStringList());
    }

    void hiveReplacedWhileTheProgramRuns_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("by another configuration") << false;
        QTest::newRow("by a damaged file") << true;
    }
    // Another copy or an editor replaces the file between the dialog's
    // showing and its OK: OK stores into the file as it is now, keeping what
    // the replacement holds, or refuses a damaged one and leaves it be.
    void hiveReplacedWhileTheProgramRuns()
    {
        QFETCH(bool, damaged);
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"), five(QStringLiteral("oud")));
        THoofdVenster w({});
        ToptiesForm o(w);
        w.setWindows(&o, nullptr, nullptr);
        w.show();
        w.Opties1Click();
        QCOMPARE(child<QLineEdit>(o, QStringLiteral("hostEditBox"))->text(), QStringLiteral("oud-host1"));
        child<QLineEdit>(o, QStringLiteral("hostEditBox"))->setText(QStringLiteral("mijn-host"));

        QByteArray replacement;
        if (damaged) {
            replacement = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\n";
            replaceFile(hive, replacement);
        } else {
            PrivateServer::writeConfigurationHive(hive + QStringLiteral(".tmp"), QStringLiteral("3"), five(QStringLiteral("nieuw")));
            replaceFile(hive, bytesOf(hive + QStringLiteral(".tmp")));
        }
        QTest::mouseClick(child(o, QStringLiteral("okButton")), Qt::LeftButton);

        if (damaged) {
            QCOMPARE(texts(), QStringList{QStringLiteral("Registerbestand '%1' is onleesbaar (regel 3).").arg(hive)});
            QCOMPARE(bytesOf(hive), replacement);
            return;
        }
        QVERIFY(texts().isEmpty());
        QCOMPARE(storedValue(hive, std::string(ConfigurationKey), "Configuratie"), QStringLiteral("1"));
        QCOMPARE(storedValue(hive, std::string(ConfigurationKey), "Naam1"), QStringLiteral("oud naam1"));
        QCOMPARE(storedValue(hive, subkey(1), "Host"), QStringLiteral("mijn-host"));
        for (int n = 2; n <= ConfigurationCount; ++n) {
            QCOMPARE(storedValue(hive, std::string(ConfigurationKey), "Naam" + std::to_string(n)),
                     QStringLiteral("nieuw naam%1").arg(n));
            QCOMPARE(storedValue(hive, subkey(n), "Host"), QStringLiteral("nieuw-host%1").arg(n));
        }
    }

    // Five copies each store their own configuration 20 times over, as OK
    // does, while this process keeps reading the file: every read parses,
    // and the file ends with every copy's last values.
    void concurrentOptionWritersLoseNothing()
    {
        constexpr int writers = 5;
        constexpr int rounds = 20;
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"), five(QStringLiteral("begin")));
        std::vector<std::unique_ptr<QProcess>> children;
        for (int w = 0; w < writers; ++w) {
            children.push_back(std::make_unique<QProcess>());
            children.back()->start(self(), {QStringLiteral("--child-write-options"), QString::number(w), QString::number(rounds)});
        }
        int reads = 0;
        QString torn;
        QDeadlineTimer guard(120000);
        auto running = [&] {
            for (auto& c : children)
                if (c->state() != QProcess::NotRunning && !c->waitForFinished(0))
                    return true;
            return false;
        };
        while (running() && !guard.hasExpired()) {
            try {
                if (!HiveFile(hive.toStdString()).load())
                    torn = QStringLiteral("the file was missing");
            } catch (const std::exception& e) {
                torn = QString::fromUtf8(e.what());
            }
            ++reads;
        }
        for (auto& c : children) {
            if (!c->waitForFinished(1000))
                c->kill();
            c->waitForFinished();
            QVERIFY2(c->exitStatus() == QProcess::NormalExit && c->exitCode() == 0,
                     c->readAllStandardError().constData());
        }
        QVERIFY2(torn.isEmpty(), qPrintable(torn));
        QVERIFY(reads > 0);

        const std::string key(ConfigurationKey);
        const QString active = storedValue(hive, key, "Configuratie");
        QVERIFY2(active.toInt() >= 1 && active.toInt() <= writers, qPrintable(active));
        for (int w = 0; w < writers; ++w) {
            const QString tag = QStringLiteral("%1-%2").arg(w).arg(rounds - 1);
            QCOMPARE(storedValue(hive, key, "Naam" + std::to_string(w + 1)), QStringLiteral("naam ") + tag);
            QCOMPARE(storedValue(hive, subkey(w + 1), "Host"), QStringLiteral("host ") + tag);
            QCOMPARE(storedValue(hive, subkey(w + 1), "User"), QStringLiteral("user ") + tag);
            QCOMPARE(storedValue(hive, subkey(w + 1), "Password"), QStringLiteral("wachtwoord ") + tag);
        }
    }

    // ---- hostile text ---------------------------------------------------------------

    void hostileLetters_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("letters");
        QTest::addColumn<QString>("logged"); // the pattern as the server receives it
        const QString nul(QChar(0));
        QTest::newRow("backslash") << "2" << QStringList{"\\", "A"} << "\\\\\\\\A";
        QTest::newRow("double quote") << "2" << QStringList{"\"", ""} << "\\\"_";
        QTest::newRow("statement end and comment") << "4" << QStringList{"'", ";", "-", "-"} << "\\';--";
        QTest::newRow("underscore") << "2" << QStringList{"_", "P"} << "_P";
        QTest::newRow("nul") << "2" << QStringList{nul, "A"} << "\\0A";
        QTest::newRow("multi-byte") << "3" << QStringList{"ĳ", "ë", "ß"} << "ĲËß";
        QTest::newRow("ten, all hostile") << "10"
                                          << QStringList{"'", "\\", "%", "_", ";", "-", "-", "\"", "ë", nul}
                                          << "\\'\\\\\\\\%_;--\\\"Ë\\0";
    }
    // Each box holds one character, whatever it is: the server receives
    // exactly the one search statement, with that character escaped.
    void hostileLetters()
    {
        QFETCH(QString, count);
        QFETCH(QStringList, letters);
        QFETCH(QString, logged);
        THoofdVenster w({});
        w.show();
        search(w, count, letters);
        QCOMPARE(server.generalLog(), QStringList{Select.arg(logged)});
        QVERIFY2(shown.isEmpty(), qPrintable(texts().join(QLatin1Char('\n'))));
        QCOMPARE(server.select(QStringLiteral("SELECT COUNT(*) FROM kv.kvls")), QList<QStringList>{{QStringLiteral("3")}});
    }

    void hostileCount_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("logged");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("statement in the count") << "2'; DROP TABLE kvls; --" << QStringList{}
                                                << QStringList{"'2'; DROP TABLE kvls; --' is not a valid integer value."};
        QTest::newRow("nul") << QString("3") + QChar(0) << QStringList{}
                             << QStringList{QStringLiteral("'3\uFFFD' is not a valid integer value.")};
        QTest::newRow("comment") << "4 --" << QStringList{} << QStringList{"'4 --' is not a valid integer value."};
        QTest::newRow("ten") << "10" << QStringList{Select.arg("__________")} << QStringList{};
        QTest::newRow("over ten") << "99" << QStringList{Select.arg("__________")} << QStringList{};
    }
    // The count never becomes SQL: text that is no number stops the search
    // before anything is sent, and the message shows the text in full.
    void hostileCount()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, logged);
        QFETCH(QStringList, messages);
        THoofdVenster w({});
        w.show();
        search(w, typed);
        QCOMPARE(server.generalLog(), logged);
        QCOMPARE(texts(), messages);
    }

    void hostileWordsAreStoredAndFound_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept"); // what the box holds: at most ten
        QTest::addColumn<QString>("logged");
        const QString nul(QChar(0));
        QTest::newRow("percent") << "100%" << "100%" << Insert.arg("100%", "4");
        QTest::newRow("underscore") << "a_b" << "a_b" << Insert.arg("a_b", "3");
        QTest::newRow("statement end and comment") << "x');--" << "x');--" << Insert.arg("x\\');--", "6");
        QTest::newRow("nul") << "a" + nul + "b" << "a" + nul + "b" << Insert.arg("a\\0b", "3");
        QTest::newRow("ten multi-byte") << "ĳĳĳĳĳĳĳĳĳĳ" << "ĳĳĳĳĳĳĳĳĳĳ" << Insert.arg("ĳĳĳĳĳĳĳĳĳĳ", "10");
        QTest::newRow("ten exactly") << "abcdefghij" << "abcdefghij" << Insert.arg("abcdefghij", "10");
        QTest::newRow("over ten") << "abcdefghijk" << "abcdefghij" << Insert.arg("abcdefghij", "10");
        QTest::newRow("outside the BMP") << "𝄞𝄞" << "𝄞𝄞" << Insert.arg("𝄞𝄞", "2");
    }
    // Through the add-word box: exactly one INSERT with the escaped word,
    // the bytes stored as typed, and a search lists the word intact.
    void hostileWordsAreStoredAndFound()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        QFETCH(QString, logged);
        server.exec(QStringLiteral("DELETE FROM kv.kvls"));
        THoofdVenster main({});
        Tadd2db dialog(main);
        main.setWindows(nullptr, &dialog, nullptr);
        main.show();
        main.Toevoegenindatabase1Click();
        child<QLineEdit>(dialog, QStringLiteral("addWoordEb"))->setText(typed);
        QTest::mouseClick(child(dialog, QStringLiteral("VoegToeBt")), Qt::LeftButton);
        QVERIFY2(shown.isEmpty(), qPrintable(texts().join(QLatin1Char('\n'))));
        QCOMPARE(server.generalLog(), QStringList{logged});
        const int characters = int(kept.toUcs4().size());
        QCOMPARE(storedRows(), (QList<QStringList>{{QString::fromLatin1(kept.toUtf8().toHex().toUpper()),
                                                     QString::number(characters)}}));

        QTest::mouseClick(child(dialog, QStringLiteral("AfsluitenBt")), Qt::LeftButton);
        search(main, QString::number(characters));
        QString upper = kept;
        for (QChar& c : upper)
            if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
                c = c.toUpper();
        QCOMPARE(listed(main), QStringList{upper});
    }

    // ---- secrets ----------------------------------------------------------------------

    void passwordStaysOutOfMessages()
    {
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"), {here(Password + QStringLiteral("-fout"))});
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("2"));
        QCOMPARE(texts(), QStringList{QStringLiteral("Kan de mySQL server niet vinden!")});
        verifyNoPasswordShown();
        // The options dialog shows it only as dots.
        ToptiesForm o(w);
        w.setWindows(&o, nullptr, nullptr);
        w.Opties1Click();
        QCOMPARE(child<QLineEdit>(o, QStringLiteral("passwordEditBox"))->echoMode(), QLineEdit::Password);
    }

    void setupToolKeepsThePasswordOffItsCommandLine_data()
    {
        QTest::addColumn<QStringList>("how");
        QTest::addColumn<bool>("stdinput");
        QTest::newRow("standard input") << QStringList{"--password-file", "-"} << true;
        QTest::newRow("on the command line") << QStringList{"--password", Password} << false;
    }
    // While the tool waits for the hive's lock (held here), anyone may read
    // its command line; the password must not be there. It is stored all the same.
    void setupToolKeepsThePasswordOffItsCommandLine()
    {
        QFETCH(QStringList, how);
        QFETCH(bool, stdinput);
        QFile::remove(hive);
        const QByteArray lockName = QFile::encodeName(hive + QStringLiteral(".lock"));
        const int lock = ::open(lockName.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(lock >= 0);
        QVERIFY(::flock(lock, LOCK_EX) == 0);

        QProcess tool;
        tool.start(QStringLiteral(KV_SETUP_TOOL),
                   QStringList{QStringLiteral("registry"), QStringLiteral("--host"), QStringLiteral("localhost"),
                               QStringLiteral("--user"), QStringLiteral("puzzelaar"), QStringLiteral("--hive"), hive}
                       + how);
        QVERIFY(tool.waitForStarted());
        if (stdinput) {
            tool.write(Password.toUtf8() + "\n");
            QVERIFY(tool.waitForBytesWritten(5000));
            tool.closeWriteChannel();
        }
        // The tool blanks an argument password as it reads it; look once it
        // waits for the lock (a "->" line of its own in /proc/locks), long
        // past its argument handling.
        const QByteArray waiting = " " + QByteArray::number(tool.processId()) + " ";
        QDeadlineTimer guard(20000);
        auto blocked = [&] {
            for (const QByteArray& line : bytesOf(QStringLiteral("/proc/locks")).split('\n'))
                if (line.contains("->") && line.contains(waiting))
                    return true;
            return false;
        };
        while (!blocked() && !guard.hasExpired() && tool.state() == QProcess::Running)
            QThread::msleep(20);
        QVERIFY(blocked());
        QVERIFY(tool.state() == QProcess::Running);
        const QByteArray cmdline = bytesOf(QStringLiteral("/proc/%1/cmdline").arg(tool.processId()));
        QVERIFY(cmdline.contains("registry"));
        QVERIFY2(!cmdline.contains(Password.toUtf8()), cmdline.constData());

        ::flock(lock, LOCK_UN);
        ::close(lock);
        QVERIFY(tool.waitForFinished(20000));
        const QByteArray output = tool.readAllStandardOutput() + tool.readAllStandardError();
        QVERIFY2(tool.exitCode() == 0, output.constData());
        QVERIFY2(!output.contains(Password.toUtf8()), output.constData());
        QCOMPARE(storedValue(hive, subkey(1), "Password"), Password);
        QCOMPARE(QFileInfo(hive).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
    }

    void cleanupTestCase()
    {
        MessageBox::setRecorder({});
    }
};

int main(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "--child-search") == 0)
        return childSearch(argc, argv);
    if (argc >= 4 && std::strcmp(argv[1], "--child-write-options") == 0)
        return childWriteOptions(argv[2], argv[3]);
    QApplication app(argc, argv);
    TestFaults test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
