// The add-word dialog against a private server: how it opens from the main
// window, what it sends and stores, what it keeps when storing fails, and how
// it gives the main window back.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include "addtodb.h"
#include "hoofdvenster.h"
#include "messagebox.h"
#include "privateserver.h"
#include "widgettest.h"

using namespace kv;
using kvtest::child;
using kvtest::type;

namespace {

using Shown = kvtest::ShownMessage;

// The main window with its add-word dialog, as start-up wires them.
struct Windows {
    THoofdVenster main;
    Tadd2db dialog;

    explicit Windows(const QStringList& arguments = {})
        : main(arguments)
        , dialog(main)
    {
        main.setWindows(nullptr, &dialog, nullptr);
        main.show();
    }
};

enum class Ending { CloseBox, Escape, Afsluiten };

} // namespace

Q_DECLARE_METATYPE(Ending)

class TestAddWord : public QObject {
    Q_OBJECT

    PrivateServer server;
    QTemporaryDir home;
    QString hive;
    QList<Shown> shown;

    static QLineEdit* word(Tadd2db& d) { return child<QLineEdit>(d, QStringLiteral("addWoordEb")); }
    static QLineEdit* length(Tadd2db& d) { return child<QLineEdit>(d, QStringLiteral("addLengteEb")); }

    // Opens the dialog as its menu entry does and waits until it takes input.
    static void open(Windows& w)
    {
        w.main.Toevoegenindatabase1Click();
        QApplication::setActiveWindow(&w.dialog);
        if (!QTest::qWaitForWindowActive(&w.dialog))
            qFatal("dialog not active");
    }

    static void voegToe(Tadd2db& d) { QTest::mouseClick(child(d, QStringLiteral("VoegToeBt")), Qt::LeftButton); }

    QStringList inserts() const
    {
        QStringList statements;
        for (const QString& s : server.generalLog())
            if (s.startsWith(QLatin1String("INSERT")))
                statements << s;
        return statements;
    }

    // Each stored row as woord in hex (the bytes the server holds) and lengte.
    QList<QStringList> storedRows()
    {
        return server.select(QStringLiteral("SELECT HEX(woord), lengte FROM kv.kvls ORDER BY woord"));
    }
    static QStringList row(const QString& word, const QString& length)
    {
        return {QString::fromLatin1(word.toUtf8().toHex().toUpper()), length};
    }

private slots:
    void initTestCase()
    {
        server.start();
        server.createWordTable();
        server.createUser(QStringLiteral("puzzelaar"), QStringLiteral("geheim"));
        hive = home.filePath(QStringLiteral("registry.reg"));
        qputenv("KWISVINDER_REGISTRY", hive.toLocal8Bit());
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"),
            {{QStringLiteral("1"), QStringLiteral("Hier"), QStringLiteral("localhost"), QStringLiteral("puzzelaar"), QStringLiteral("geheim")}});
        MessageBox::setRecorder([this](MessageBox::Kind kind, const QString& text) { shown.append({kind, text}); });
    }

    void init()
    {
        if (!server.isRunning())
            server.start();
        server.createWordTable();
        server.clearGeneralLog();
        shown.clear();
    }

    void menuEntryOpensTheDialogAndDisablesTheMainWindow()
    {
        Windows w({QStringLiteral("kv"), QStringLiteral("bever")});
        QVERIFY(!w.dialog.isVisible());
        auto* extra = child<QMenu>(w.main, QStringLiteral("Extra1"));
        auto* add = w.main.findChild<QAction*>(QStringLiteral("Toevoegenindatabase1"));
        QVERIFY(!add->isVisible());
        extra->popup(w.main.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(extra));
        QVERIFY(add->isVisible());
        QCOMPARE(add->text(), QStringLiteral("&Toevoegen in database"));
        QTest::mouseClick(extra, Qt::LeftButton, {}, extra->actionGeometry(add).center());

        QTRY_VERIFY(w.dialog.isVisible());
        QVERIFY(!w.main.isEnabled());
        QVERIFY(w.dialog.isEnabled());
        QVERIFY(!w.dialog.isModal());
        QVERIFY(w.dialog.isWindow());
        QApplication::setActiveWindow(&w.dialog);
        QVERIFY(QTest::qWaitForWindowActive(&w.dialog));
        QCOMPARE(QApplication::focusWidget(), word(w.dialog));
        type(QApplication::focusWidget(), QStringLiteral("Kraan"));
        QCOMPARE(word(w.dialog)->text(), QStringLiteral("Kraan"));
        QCOMPARE(length(w.dialog)->text(), QStringLiteral("5"));
    }

    void windowAndControls()
    {
        Windows w;
        w.main.move(200, 150);
        QCOMPARE(w.dialog.windowTitle(), QStringLiteral("Toevoegen in database"));
        const Qt::WindowFlags flags = w.dialog.windowFlags();
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w.dialog.font(), windowFont());
        QCOMPARE(child<QGroupBox>(w.dialog, QStringLiteral("GroupBox1"))->title(), QStringLiteral("Gegevens"));
        QCOMPARE(child<QLabel>(w.dialog, QStringLiteral("addWoordLb"))->buddy(), nullptr);
        QCOMPARE(child<QLabel>(w.dialog, QStringLiteral("addLengteLb"))->buddy(), nullptr);

        open(w);
        QCOMPARE(w.dialog.frameGeometry().size(), QSize(Tadd2db::OuterWidth, Tadd2db::OuterHeight));
        QVERIFY((w.dialog.frameGeometry().center() - w.main.frameGeometry().center()).manhattanLength() <= 2);
        // Resizable, and it opens again where it was left, at the size it was left.
        w.dialog.setGeometry(QRect(QPoint(40, 30), QSize(300, 240)));
        const QRect left = w.dialog.geometry();
        QTest::mouseClick(child(w.dialog, QStringLiteral("AfsluitenBt")), Qt::LeftButton);
        open(w);
        QCOMPARE(w.dialog.geometry(), left);

        // At most ten characters, as typed; the length cannot be edited.
        QTest::mouseClick(word(w.dialog), Qt::LeftButton);
        type(QApplication::focusWidget(), QStringLiteral("abcdefghijkl"));
        QCOMPARE(word(w.dialog)->text(), QStringLiteral("abcdefghij"));
        QCOMPARE(length(w.dialog)->text(), QStringLiteral("10"));
        QVERIFY(length(w.dialog)->isReadOnly());

        // Tab order; Enter in the word box does not store it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(inserts().isEmpty());
        const QStringList order{QStringLiteral("addLengteEb"), QStringLiteral("VoegToeBt"),
                                QStringLiteral("AfsluitenBt"), QStringLiteral("addWoordEb")};
        for (const QString& next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget()->objectName(), next);
        }
    }

    void storesTheWordAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shownLength");
        // As the server logs it: it drops the statement's closing ";".
        QTest::addColumn<QString>("statement");
        QTest::newRow("five letters") << "Klaar" << "5"
                                      << "INSERT INTO kvls VALUES ('Klaar','5','null','null','null','null','null')";
        QTest::newRow("KAAS") << "KAAS" << "4"
                              << "INSERT INTO kvls VALUES ('KAAS','4','null','null','null','null','null')";
        QTest::newRow("both empty") << "" << ""
                                    << "INSERT INTO kvls VALUES ('','','null','null','null','null','null')";
        QTest::newRow("apostrophe") << "AUTO'S" << "6"
                                    << "INSERT INTO kvls VALUES ('AUTO\\'S','6','null','null','null','null','null')";
        QTest::newRow("backslash") << "A\\B" << "3"
                                   << "INSERT INTO kvls VALUES ('A\\\\B','3','null','null','null','null','null')";
        QTest::newRow("double quote") << "A\"B" << "3"
                                      << "INSERT INTO kvls VALUES ('A\\\"B','3','null','null','null','null','null')";
        QTest::newRow("diaeresis") << QStringLiteral("IDEEËN") << "6"
                                   << QStringLiteral("INSERT INTO kvls VALUES ('IDEEËN','6','null','null','null','null','null')");
    }
    void storesTheWordAsTyped()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shownLength);
        QFETCH(QString, statement);
        Windows w;
        open(w);
        type(word(w.dialog), typed);
        QCOMPARE(length(w.dialog)->text(), shownLength);
        voegToe(w.dialog);

        QCOMPARE(inserts(), QStringList{statement});
        QCOMPARE(storedRows(), QList<QStringList>{row(typed, shownLength)});
        QVERIFY(shown.isEmpty());
        QCOMPARE(word(w.dialog)->text(), QString());
        QCOMPARE(length(w.dialog)->text(), QString());
        QCOMPARE(QApplication::focusWidget(), word(w.dialog));
    }

    void storedWordsAreFoundBySearch()
    {
        const QStringList words{QStringLiteral("AUTO'S"), QStringLiteral("A\\B"), QStringLiteral("A\"B"),
                                QStringLiteral("IDEEËN")};
        Windows w;
        open(w);
        for (const QString& typed : words) {
            type(word(w.dialog), typed);
            voegToe(w.dialog);
        }
        QCOMPARE(storedRows().size(), words.size());
        QTest::mouseClick(child(w.dialog, QStringLiteral("AfsluitenBt")), Qt::LeftButton);
        QVERIFY(w.main.isEnabled());

        auto* count = child<QLineEdit>(w.main, QStringLiteral("AantalLetters"));
        auto* list = child<QListView>(w.main, QStringLiteral("Gevonden"));
        for (const QString& stored : words) {
            count->setText(QString::number(stored.size()));
            for (int i = 0; i < stored.size(); ++i)
                child<QLineEdit>(w.main, QStringLiteral("Letter%1").arg(i + 1))->setText(stored.at(i));
            QTest::mouseClick(child(w.main, QStringLiteral("ZoekKnop")), Qt::LeftButton);
            QCOMPARE(list->model()->rowCount(), 1);
            QCOMPARE(list->model()->index(0, 0).data().toString(), stored);
        }
        QVERIFY(shown.isEmpty());
    }

    void rejectedWordIsKept_data()
    {
        // Run once a first word is stored, so the dialog is connected.
        QTest::addColumn<QStringList>("change");
        QTest::addColumn<bool>("dropConnection");
        QTest::addColumn<QString>("reason"); // part of the server's error text
        QTest::newRow("duplicate")
            << QStringList{"ALTER TABLE kv.kvls ADD UNIQUE INDEX uniek (woord)",
                           "INSERT INTO kv.kvls VALUES ('KAAS','4','null','null','null','null','null')"}
            << false << "Duplicate entry 'KAAS'";
        QTest::newRow("too long for the column") << QStringList{"ALTER TABLE kv.kvls MODIFY woord VARCHAR(3)"} << false
                                                 << "Data too long for column 'woord'";
        QTest::newRow("lost connection") << QStringList{} << true << "";
    }
    void rejectedWordIsKept()
    {
        QFETCH(QStringList, change);
        QFETCH(bool, dropConnection);
        QFETCH(QString, reason);
        Windows w;
        open(w);
        type(word(w.dialog), QStringLiteral("OP"));
        voegToe(w.dialog);
        QVERIFY(w.main.database().connected);
        for (const QString& statement : change)
            server.exec(statement);
        if (dropConnection) {
            for (const QStringList& id : server.select(QStringLiteral(
                     "SELECT id FROM information_schema.PROCESSLIST WHERE user = 'puzzelaar'")))
                server.exec(QStringLiteral("KILL CONNECTION %1").arg(id.at(0)));
        }
        const QList<QStringList> before = storedRows();

        type(word(w.dialog), QStringLiteral("KAAS"));
        voegToe(w.dialog);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageBox::Kind::Information);
        const QString heading = QStringLiteral("Het woord is niet toegevoegd!\n");
        QVERIFY2(shown[0].text.startsWith(heading) && shown[0].text.size() > heading.size(), qPrintable(shown[0].text));
        QVERIFY2(shown[0].text.contains(reason), qPrintable(shown[0].text));
        QCOMPARE(word(w.dialog)->text(), QStringLiteral("KAAS"));
        QCOMPARE(length(w.dialog)->text(), QStringLiteral("4"));
        QCOMPARE(QApplication::focusWidget(), word(w.dialog));
        QCOMPARE(storedRows(), before);
        QCOMPARE(w.main.database().connected, !dropConnection);
    }

    void stoppedServerKeepsTheWord()
    {
        Windows w;
        open(w);
        type(word(w.dialog), QStringLiteral("KAAS"));
        server.stop();
        voegToe(w.dialog);
        server.start();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageBox::Kind::Information);
        QCOMPARE(shown[0].text, QStringLiteral("Kan de mySQL server niet vinden!"));
        QCOMPARE(word(w.dialog)->text(), QStringLiteral("KAAS"));
        QCOMPARE(length(w.dialog)->text(), QStringLiteral("4"));
        QVERIFY(inserts().isEmpty());

        // The next press connects and stores it.
        voegToe(w.dialog);
        QCOMPARE(shown.size(), 1);
        QCOMPARE(storedRows(), QList<QStringList>{row(QStringLiteral("KAAS"), QStringLiteral("4"))});
    }

    void closingGivesTheMainWindowBack_data()
    {
        QTest::addColumn<Ending>("ending");
        QTest::newRow("close box") << Ending::CloseBox;
        QTest::newRow("Escape") << Ending::Escape;
        QTest::newRow("Afsluiten") << Ending::Afsluiten;
    }
    void closingGivesTheMainWindowBack()
    {
        QFETCH(Ending, ending);
        Windows w;
        open(w);
        type(word(w.dialog), QStringLiteral("op"));
        switch (ending) {
        case Ending::CloseBox:
            QVERIFY(w.dialog.close());
            break;
        case Ending::Escape:
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            break;
        case Ending::Afsluiten:
            QTest::mouseClick(child(w.dialog, QStringLiteral("AfsluitenBt")), Qt::LeftButton);
            break;
        }
        QVERIFY(!w.dialog.isVisible());
        QVERIFY(w.main.isEnabled());
        QVERIFY(inserts().isEmpty());
        // The main window can be closed again.
        QVERIFY(w.main.close());
    }

    void cleanupTestCase()
    {
        MessageBox::setRecorder({});
    }
};

QTEST_MAIN(TestAddWord)
#include "tst_addword.moc"
