// The main window without a server: its start state, pages, menus,
// accelerators, and the letter count and letter boxes.
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

#include "hoofdvenster.h"
#include "messagebox.h"
#include "updown.h"
#include "widgettest.h"

using namespace kv;
using kvtest::child;

class TestMainWindow : public QObject {
    Q_OBJECT

    static QLineEdit* letter(QWidget& w, int i) { return child<QLineEdit>(w, QStringLiteral("Letter%1").arg(i)); }
    static QLabel* tel(QWidget& w, int i) { return child<QLabel>(w, QStringLiteral("Tel%1").arg(i)); }
    static int visibleBoxes(QWidget& w)
    {
        int n = 0;
        for (int i = 1; i <= 10; ++i) {
            const bool shown = letter(w, i)->isVisibleTo(&w);
            if (shown != tel(w, i)->isVisibleTo(&w))
                qFatal("box %d and its label disagree", i);
            if (shown)
                n = i;
        }
        return n;
    }

private slots:
    void startState()
    {
        THoofdVenster w({QStringLiteral("kwisvinder")});
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.windowTitle(), QStringLiteral("Kwisvinder"));
        auto* tabs = child<QTabBar>(w, QStringLiteral("tabBar"));
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QStringLiteral("&Invoer"));
        QCOMPARE(tabs->tabText(1), QStringLiteral("&Uitvoer"));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(QApplication::focusWidget(), tabs);
        QVERIFY(child(w, QStringLiteral("GroupBox1"))->isVisible());
        QVERIFY(!child(w, QStringLiteral("GroupBox2"))->isVisible());
        QCOMPARE(child<QGroupBox>(w, QStringLiteral("GroupBox1"))->title(), QStringLiteral(" Te zoeken woord "));
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        QCOMPARE(count->text(), QStringLiteral("2"));
        QVERIFY(count->font().bold());
        QCOMPARE(count->toolTip(), QStringLiteral("Geef hier het aantal gewenste letters aan."));
        QCOMPARE(visibleBoxes(w), 2);
        QCOMPARE(w.letterCount(), 2);
        QCOMPARE(tel(w, 10)->text(), QStringLiteral("1&0"));
        QCOMPARE(child<QPushButton>(w, QStringLiteral("ZoekKnop"))->text(), QStringLiteral("&Zoeken"));
        QVERIFY(!child<QPushButton>(w, QStringLiteral("ZoekKnop"))->isDefault());
        QCOMPARE(letter(w, 5)->geometry(), QRect(8 + 32 * 4, 80, 25, 21));
    }

    void tabsToggleThePages()
    {
        THoofdVenster w({});
        w.show();
        auto* tabs = child<QTabBar>(w, QStringLiteral("tabBar"));
        auto* input = child(w, QStringLiteral("GroupBox1"));
        auto* output = child(w, QStringLiteral("GroupBox2"));
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QVERIFY(!input->isVisible() && output->isVisible());
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QVERIFY(!input->isVisible() && output->isVisible());
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
        QVERIFY(input->isVisible() && !output->isVisible());
    }

    void extraMenuShowsOptionsAlone_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("maintenance");
        QTest::newRow("no argument") << QStringList{QStringLiteral("kv")} << false;
        QTest::newRow("Bever") << QStringList{QStringLiteral("kv"), QStringLiteral("Bever")} << false;
        QTest::newRow("bever2") << QStringList{QStringLiteral("kv"), QStringLiteral("bever2")} << false;
        QTest::newRow("second argument") << QStringList{QStringLiteral("kv"), QStringLiteral("x"), QStringLiteral("bever")} << false;
        QTest::newRow("bever") << QStringList{QStringLiteral("kv"), QStringLiteral("bever")} << true;
    }
    void extraMenuShowsOptionsAlone()
    {
        QFETCH(QStringList, arguments);
        QFETCH(bool, maintenance);
        THoofdVenster w(arguments);
        w.show();
        auto* extra = child<QMenu>(w, QStringLiteral("Extra1"));
        auto* add = w.findChild<QAction*>(QStringLiteral("Toevoegenindatabase1"));
        auto* separator = w.findChild<QAction*>(QStringLiteral("N2"));
        auto* options = w.findChild<QAction*>(QStringLiteral("Opties1"));
        QVERIFY(!add->isVisible());
        extra->popup(w.mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(extra));
        QCOMPARE(add->isVisible(), maintenance);
        QVERIFY(!extra->actionGeometry(options).isEmpty());
        // Without the add entry the separator would come first, and is not drawn.
        QCOMPARE(extra->actionGeometry(separator).isEmpty(), !maintenance);
        QCOMPARE(extra->actionGeometry(add).isEmpty(), !maintenance);
        extra->close();
    }

    void accelerators()
    {
        THoofdVenster w({});
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QTest::keyClick(&w, Qt::Key_A, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), child(w, QStringLiteral("AantalLetters")));
        QTest::keyClick(&w, Qt::Key_2, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), letter(w, 2));
        QTest::keyClick(&w, Qt::Key_U, Qt::AltModifier);
        QVERIFY(child(w, QStringLiteral("GroupBox2"))->isVisible());
        QTest::keyClick(&w, Qt::Key_I, Qt::AltModifier);
        QVERIFY(child(w, QStringLiteral("GroupBox1"))->isVisible());
    }

    // The lenient reading of the count, then clamping into 2..10.
    void countIsClamped_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("boxes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("4") << "4" << 4 << "4";
        QTest::newRow("15") << "15" << 10 << "10";
        QTest::newRow("deleted") << "" << 2 << "2";
        QTest::newRow("1") << "1" << 2 << "2";
        QTest::newRow("-3") << "-3" << 2 << "2";
        QTest::newRow("7x keeps its text") << "7x" << 7 << "7x";
        QTest::newRow("hex") << "$A" << 10 << "$A";
        QTest::newRow("abc") << "abc" << 2 << "2";
    }
    void countIsClamped()
    {
        QFETCH(QString, text);
        QFETCH(int, boxes);
        QFETCH(QString, shown);
        THoofdVenster w({});
        w.show();
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        count->setFocus();
        count->selectAll();
        // Typed text is clamped after every key; the table replaces the text
        // in one change, as a paste does.
        if (text.isEmpty())
            QTest::keyClick(count, Qt::Key_Delete);
        else
            count->insert(text);
        QCOMPARE(count->text(), shown);
        QCOMPARE(visibleBoxes(w), boxes);
        QCOMPARE(w.letterCount(), boxes);
    }

    void typedCountIsClampedAtEveryKey()
    {
        THoofdVenster w({});
        w.show();
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        count->setFocus();
        count->selectAll();
        QTest::keyClicks(count, QStringLiteral("15"));
        QCOMPARE(count->text(), QStringLiteral("10"));
        QCOMPARE(visibleBoxes(w), 10);
    }

    void arrowsStayInRange()
    {
        THoofdVenster w({});
        w.show();
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        auto* arrows = child<UpDown>(w, QStringLiteral("UpDown1"));
        QSignalSpy clicks(arrows, &UpDown::clicked);
        QSignalSpy edits(count, &QLineEdit::textChanged);
        arrows->press(UpDown::Button::Down);
        QCOMPARE(count->text(), QStringLiteral("2"));
        QCOMPARE(clicks.count(), 0);
        for (int i = 0; i < 12; ++i)
            QTest::mouseClick(child(*arrows, QStringLiteral("up")), Qt::LeftButton);
        QCOMPARE(count->text(), QStringLiteral("10"));
        QCOMPARE(visibleBoxes(w), 10);
        QCOMPARE(clicks.count(), 8);
        QCOMPARE(edits.count(), 8);
        // Typing does not move the arrows' position: one step down from 10 is 9.
        count->setText(QStringLiteral("4"));
        arrows->press(UpDown::Button::Down);
        QCOMPARE(count->text(), QStringLiteral("9"));
    }

    void focusAdvancesAsLettersAreTyped()
    {
        THoofdVenster w({});
        w.show();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        child<QLineEdit>(w, QStringLiteral("AantalLetters"))->setText(QStringLiteral("4"));
        letter(w, 1)->setFocus(Qt::MouseFocusReason);
        const QString word = QStringLiteral("kaës");
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(QApplication::focusWidget(), letter(w, i + 1));
            kvtest::type(QApplication::focusWidget(), word.mid(i, 1));
        }
        QCOMPARE(QApplication::focusWidget(), letter(w, 4));
        QCOMPARE(letter(w, 3)->text(), QStringLiteral("Ë"));

        // Delete in box 1 also moves on, and entering box 2 that way selects its letter.
        letter(w, 1)->setFocus(Qt::MouseFocusReason);
        letter(w, 1)->selectAll();
        QTest::keyClick(letter(w, 1), Qt::Key_Delete);
        QCOMPARE(QApplication::focusWidget(), letter(w, 2));
        QTest::keyClicks(letter(w, 2), QStringLiteral("o"));
        QCOMPARE(letter(w, 2)->text(), QStringLiteral("O"));

        // At count 10, a letter in box 10 moves on to the search button.
        child<QLineEdit>(w, QStringLiteral("AantalLetters"))->setText(QStringLiteral("10"));
        letter(w, 10)->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(letter(w, 10), QStringLiteral("s"));
        QCOMPARE(QApplication::focusWidget(), child(w, QStringLiteral("ZoekKnop")));
    }

    void hiddenBoxesKeepTheirLetters()
    {
        THoofdVenster w({});
        w.show();
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        count->setText(QStringLiteral("6"));
        for (int i = 4; i <= 6; ++i)
            letter(w, i)->setText(QStringLiteral("Q"));
        count->setText(QStringLiteral("3"));
        QCOMPARE(visibleBoxes(w), 3);
        count->setText(QStringLiteral("6"));
        QCOMPARE(visibleBoxes(w), 6);
        for (int i = 4; i <= 6; ++i)
            QCOMPARE(letter(w, i)->text(), QStringLiteral("Q"));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
