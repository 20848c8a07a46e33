// The program's two message windows: the real boxes, closed by the test,
// and the error box's full-stop rule.
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include "messagebox.h"

using namespace kv;

class TestMessageBox : public QObject {
    Q_OBJECT

    struct Seen {
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons;
        bool modal = false;
    };

    // Looks at the box once it is up, then closes it with the given key.
    static void answerWith(Qt::Key key, Seen& seen)
    {
        QTimer::singleShot(0, [key, &seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen.caption = box->windowTitle();
            seen.text = box->text();
            seen.icon = box->icon();
            seen.modal = box->isModal();
            for (QAbstractButton* b : box->buttons())
                seen.buttons << b->text();
            QTest::keyClick(box, key);
        });
    }

private slots:
    void initTestCase()
    {
        QApplication::setApplicationName(QStringLiteral("Kwisvinder"));
    }

    void informationBoxIsClosedByEnterOrEscape_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void informationBoxIsClosedByEnterOrEscape()
    {
        QFETCH(int, key);
        Seen seen;
        answerWith(Qt::Key(key), seen);
        MessageBox::information(QStringLiteral("Kan de mySQL server niet vinden!"));
        QCOMPARE(seen.caption, QStringLiteral("Kwisvinder"));
        QCOMPARE(seen.text, QStringLiteral("Kan de mySQL server niet vinden!"));
        QCOMPARE(seen.icon, QMessageBox::NoIcon);
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
        QVERIFY(seen.modal);
    }

    void errorBoxHasAStopIcon()
    {
        Seen seen;
        answerWith(Qt::Key_Return, seen);
        reportError(std::runtime_error("'7x' is not a valid integer value"));
        QCOMPARE(seen.caption, QStringLiteral("Kwisvinder"));
        QCOMPARE(seen.text, QStringLiteral("'7x' is not a valid integer value."));
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.buttons, QStringList{QStringLiteral("OK")});
    }

    void fullStopRule_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "Failed to set data for 'Host'" << "Failed to set data for 'Host'";
        QTest::newRow("word") << "Invalid data type" << "Invalid data type.";
        QTest::newRow("digit") << "regel 7" << "regel 7.";
        QTest::newRow("full stop") << "klaar." << "klaar.";
        QTest::newRow("exclamation") << "Fout!" << "Fout!";
        QTest::newRow("closing bracket") << "(regel 7)" << "(regel 7)";
        QTest::newRow("slash sorts after") << "a/" << "a/.";
        QTest::newRow("empty") << "" << "";
    }
    void fullStopRule()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(MessageBox::errorText(message), shown);
    }

    void guardedHandlerStopsAtTheErrorAndReportsIt()
    {
        QStringList reported;
        MessageBox::setRecorder([&](MessageBox::Kind, const QString& text) { reported << text; });
        int steps = 0;
        guarded([&] {
            ++steps;
            throw std::runtime_error("Failed to set data for 'Configuratie'");
            ++steps;
        });
        MessageBox::setRecorder({});
        QCOMPARE(steps, 1);
        QCOMPARE(reported, QStringList{QStringLiteral("Failed to set data for 'Configuratie'")});
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
