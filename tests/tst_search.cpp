// The search from the main window against a private server: the statement
// the server receives, the list shown, and every way it can fail.
#include <QAbstractItemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include "hoofdvenster.h"
#include "messagebox.h"
#include "privateserver.h"
#include "widgettest.h"

using namespace kv;
using kvtest::child;

namespace {

// As the server logs it: it drops the statement's closing ";".
const QString Select = QStringLiteral("SELECT * FROM kvls WHERE woord LIKE '%1' ORDER BY woord");

using Shown = kvtest::ShownMessage;

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

    PrivateServer server;
    QTemporaryDir home;
    QString hive;
    QList<Shown> shown;


    // Sets the count, fills the boxes (an empty string leaves a box empty)
    // and presses "&Zoeken".
    static void search(THoofdVenster& w, const QString& count, const QStringList& letters)
    {
        child<QLineEdit>(w, QStringLiteral("AantalLetters"))->setText(count);
        for (int i = 0; i < letters.size(); ++i)
            child<QLineEdit>(w, QStringLiteral("Letter%1").arg(i + 1))->setText(letters.at(i));
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
    }

    static QStringList listed(THoofdVenster& w)
    {
        QAbstractItemModel* model = child<QListView>(w, QStringLiteral("Gevonden"))->model();
        QStringList words;
        for (int row = 0; row < model->rowCount(); ++row)
            words << model->index(row, 0).data().toString();
        return words;
    }

    QStringList selects() const
    {
        QStringList statements;
        for (const QString& s : server.generalLog())
            if (s.startsWith(QLatin1String("SELECT")))
                statements << s;
        return statements;
    }

    static const QStringList& words()
    {
        static const QStringList list{
            QStringLiteral("kaas"), QStringLiteral("klaar"), QStringLiteral("kraan"), QStringLiteral("knaap"),
            QStringLiteral("ideeën"), QStringLiteral("auto's"), QStringLiteral("op"), QStringLiteral("aa"),
            QStringLiteral("Ui"), QStringLiteral("klaas"), QStringLiteral("kwast")};
        return list;
    }

private slots:
    void initTestCase()
    {
        server.start();
        server.createWordTable();
        server.createUser(QStringLiteral("puzzelaar"), QStringLiteral("geheim"));
        hive = home.filePath(QStringLiteral("registry.reg"));
        qputenv("KWISVINDER_REGISTRY", hive.toLocal8Bit());
        MessageBox::setRecorder([this](MessageBox::Kind kind, const QString& text) { shown.append({kind, text}); });
    }

    void init()
    {
        if (!server.isRunning())
            server.start();
        server.exec(QStringLiteral("CREATE DATABASE IF NOT EXISTS kv"));
        server.createWordTable();
        server.insertWords(words());
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("2"),
            {{QStringLiteral("1"), QStringLiteral("Elders"), QStringLiteral("192.0.2.1"), QStringLiteral("x"), QStringLiteral("y")},
             {QStringLiteral("2"), QStringLiteral("Hier"), QStringLiteral("localhost"), QStringLiteral("puzzelaar"), QStringLiteral("geheim")}});
        server.clearGeneralLog();
        shown.clear();
    }

    void patternAndStatement_data()
    {
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("letters");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("found");
        QTest::newRow("K_A__") << "5" << QStringList{"K", "", "A", "", ""} << "K_A__"
                               << QStringList{"KLAAR", "KLAAS", "KNAAP", "KRAAN", "KWAST"};
        QTest::newRow("all open") << "2" << QStringList{"", ""} << "__" << QStringList{"AA", "OP", "UI"};
        QTest::newRow("only the first three count")
            << "3" << QStringList{"K", "", "", "Q", "Q", "Q", "Q", "Q", "Q", "Q"} << "K__" << QStringList{};
        QTest::newRow("a to z only") << "6" << QStringList{"I", "D", "E", "E", "", "N"} << "IDEE_N"
                                     << QStringList{QStringLiteral("IDEEëN")};
        QTest::newRow("apostrophe") << "6" << QStringList{"A", "U", "T", "O", "'", "S"} << "AUTO\\'S"
                                    << QStringList{"AUTO'S"};
        QTest::newRow("percent keeps its meaning") << "2" << QStringList{"%", ""} << "%_"
                                                   << QStringList{"AA", "AUTO'S", "IDEEëN", "KAAS", "KLAAR", "KLAAS", "KNAAP", "KRAAN", "KWAST", "OP", "UI"};
    }
    void patternAndStatement()
    {
        QFETCH(QString, count);
        QFETCH(QStringList, letters);
        QFETCH(QString, pattern);
        QFETCH(QStringList, found);
        THoofdVenster w({});
        w.show();
        search(w, count, letters);
        QCOMPARE(selects(), QStringList{Select.arg(pattern)});
        QCOMPARE(listed(w), found);
        QVERIFY(shown.isEmpty());
        QCOMPARE(child<QTabBar>(w, QStringLiteral("tabBar"))->currentIndex(), 1);
        QVERIFY(child(w, QStringLiteral("GroupBox2"))->isVisible());
        QVERIFY(!child(w, QStringLiteral("GroupBox1"))->isVisible());
    }

    void nullFirstColumnGivesAnEmptyLine()
    {
        // LIKE never matches a NULL word, so a view puts a NULL first column
        // beside a matching word.
        server.exec(QStringLiteral("RENAME TABLE kv.kvls TO kv.woorden"));
        server.exec(QStringLiteral("CREATE VIEW kv.kvls AS SELECT IF(woord = 'op', NULL, woord) AS eerste, woord FROM kv.woorden"));
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("2"), {});
        server.exec(QStringLiteral("DROP VIEW kv.kvls"));
        server.exec(QStringLiteral("RENAME TABLE kv.woorden TO kv.kvls"));
        QCOMPARE(listed(w), (QStringList{QStringLiteral("AA"), QString(), QStringLiteral("UI")}));
    }

    void newSearchStartsFromAnEmptyList()
    {
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("5"), {QStringLiteral("K"), QString(), QStringLiteral("A")});
        const QStringList first = listed(w);
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QCOMPARE(listed(w), first);
        QCOMPARE(selects().size(), 2);
    }

    void notANumberStopsBeforeTheStatement()
    {
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("7x"), {QStringLiteral("K")});
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageBox::Kind::Error);
        QCOMPARE(shown[0].text, QStringLiteral("'7x' is not a valid integer value."));
        QVERIFY(selects().isEmpty());
        QVERIFY(listed(w).isEmpty());
        QVERIFY(child(w, QStringLiteral("GroupBox2"))->isVisible());
    }

    void typedWordThenAltZ()
    {
        THoofdVenster w({});
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        count->setFocus(Qt::TabFocusReason);
        QTest::keyClicks(count, QStringLiteral("4"));
        QTest::keyClick(&w, Qt::Key_1, Qt::AltModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("k"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a"));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("s"));
        QTest::keyClick(&w, Qt::Key_Z, Qt::AltModifier);
        // A mnemonic presses its button visibly: the click comes a moment later.
        QTRY_COMPARE(selects(), QStringList{Select.arg(QStringLiteral("KAAS"))});
        QCOMPARE(listed(w), QStringList{QStringLiteral("KAAS")});
    }

    void hiddenLettersCountAgainAtALargerCount()
    {
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("6"), {QStringLiteral("I"), QStringLiteral("D"), QStringLiteral("E"),
                                        QStringLiteral("E"), QString(), QStringLiteral("N")});
        search(w, QStringLiteral("3"), {});
        search(w, QStringLiteral("6"), {});
        QCOMPARE(selects(), (QStringList{Select.arg(QStringLiteral("IDEE_N")), Select.arg(QStringLiteral("IDE")),
                                         Select.arg(QStringLiteral("IDEE_N"))}));
        QCOMPARE(listed(w), QStringList{QStringLiteral("IDEEëN")});
    }

    void noStoredConfigurationUsesTheLibraryDefaults()
    {
        QFile::remove(hive);
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("2"), {QStringLiteral("O")});
        QCOMPARE(w.database().settings.host, std::string());
        QCOMPARE(w.database().settings.user, std::string());
        // Root on the private server's socket, as the library's defaults reach it.
        if (::geteuid() == 0)
            QCOMPARE(listed(w), QStringList{QStringLiteral("OP")});
        else
            QCOMPARE(shown.size(), 1);
    }

    void connectionMessages()
    {
        THoofdVenster w({});
        w.show();
        server.stop();
        search(w, QStringLiteral("2"), {});
        server.start();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageBox::Kind::Information);
        QCOMPARE(shown[0].text, QStringLiteral("Kan de mySQL server niet vinden!"));
        QVERIFY(listed(w).isEmpty());

        server.exec(QStringLiteral("DROP DATABASE kv"));
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1].text, QStringLiteral("Kan database \"KV\" niet openen!"));

        // The next search connects again and finds the words.
        server.createWordTable();
        server.insertWords(words());
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QCOMPARE(shown.size(), 2);
        QCOMPARE(listed(w), (QStringList{QStringLiteral("AA"), QStringLiteral("OP"), QStringLiteral("UI")}));
    }

    void rejectedStatementIsReported()
    {
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("2"), {});
        QCOMPARE(listed(w).size(), 3);
        server.exec(QStringLiteral("DROP TABLE kv.kvls"));
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QVERIFY(listed(w).isEmpty());
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].text.startsWith(QLatin1String("Het zoeken is mislukt!")), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(QLatin1String("kvls")), qPrintable(shown[0].text));
    }

    void lostConnectionIsReportedAndTheNextSearchReconnects()
    {
        THoofdVenster w({});
        w.show();
        search(w, QStringLiteral("2"), {});
        QVERIFY(w.database().connected);
        server.kill();
        server.start();
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QVERIFY(listed(w).isEmpty());
        QVERIFY(!w.database().connected);
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(listed(w).size(), 3);
    }

    void cleanupTestCase()
    {
        MessageBox::setRecorder({});
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
