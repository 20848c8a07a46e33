// The program's shell around the search: the splash window, the about box,
// the icon, the help layer and the start-up order of the windows.
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>

#include <functional>

#include "addtodb.h"
#include "foto.h"
#include "help.h"
#include "hoofdvenster.h"
#include "info.h"
#include "kvopties.h"
#include "kvresources.h"
#include "messagebox.h"
#include "startup.h"
#include "version.h"
#include "widgettest.h"

using namespace kv;
using kvtest::child;

namespace {

void writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(contents) != contents.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Runs body inside the next modal loop, once it has started.
void whenModal(std::function<void(QWidget*)> body)
{
    QTimer::singleShot(0, [body] { body(QApplication::activeModalWidget()); });
}

// Records message boxes instead of showing them, for one test.
struct RecordedMessages {
    QStringList texts;
    RecordedMessages()
    {
        MessageBox::setRecorder([this](MessageBox::Kind, const QString& text) { texts.append(text); });
    }
    ~RecordedMessages() { MessageBox::setRecorder({}); }
};

// Puts the current directory back after a test moves it.
struct CurrentDirectory {
    QString saved = QDir::currentPath();
    ~CurrentDirectory() { QDir::setCurrent(saved); }
};

const QByteArray fixture = "Notes for the editor, not a topic.\n"
                           "# Eerste\n"
                           "regel een\n"
                           "regel twee\n"
                           "\n"
                           "- een punt\n"
                           "# Tweede\r\n"
                           "Tekst van het tweede onderwerp.\r\n";

} // namespace

class TestShell : public QObject {
    Q_OBJECT

private slots:
    void splashClosesOnItsTimerForGood()
    {
        TStartFoto splash;
        splash.show();
        auto* timer = child<QTimer>(splash, QStringLiteral("Timer1"));
        QCOMPARE(timer->interval(), 3000);
        QVERIFY(timer->isActive());
        QVERIFY(!timer->isSingleShot());
        QVERIFY(splash.isVisible());

        QSignalSpy ticks(timer, &QTimer::timeout);
        timer->setInterval(1);
        QTRY_VERIFY(!ticks.isEmpty());
        QVERIFY(!splash.isVisible());
        QTRY_VERIFY(ticks.size() >= 3);
        QVERIFY(!splash.isVisible());
    }

    void splashLooks()
    {
        TStartFoto splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QCOMPARE(splash.objectName(), QStringLiteral("StartFoto"));
        QCOMPARE(splash.size(), QSize(461, 374));
        QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!splash.testAttribute(Qt::WA_QuitOnClose));
        QCOMPARE(splash.geometry().center(), QGuiApplication::primaryScreen()->geometry().center());

        auto* image = child<QLabel>(splash, QStringLiteral("Image1"));
        QCOMPARE(image->geometry(), QRect(0, 0, 465, 377));
        QCOMPARE(image->pixmap().size(), QSize(461, 375));
        // Drawn unscaled from the top left.
        const QImage picture = splashPicture().toImage();
        const QImage shown = splash.grab().toImage();
        for (const QPoint p : {QPoint(0, 0), QPoint(200, 150), QPoint(460, 300)})
            QCOMPARE(shown.pixelColor(p), picture.pixelColor(p));

        auto* caption = child<QLabel>(splash, QStringLiteral("Label1"));
        QCOMPARE(caption->geometry(), QRect(0, 344, 465, 31));
        QCOMPARE(caption->text(), QStringLiteral("Kwisvinder"));
        QVERIFY(caption->alignment() & Qt::AlignHCenter);
        QVERIFY(caption->font().bold());
        QCOMPARE(caption->font().pixelSize(), 27);
        const QString family = QFontInfo(caption->font()).family();
        QVERIFY2(family == QLatin1String("Times New Roman") || family == QLatin1String("Liberation Serif"),
                 qPrintable(family));
        // Black behind, the light cyan text somewhere in the middle.
        const QImage label = caption->grab().toImage();
        QCOMPARE(label.pixelColor(2, 2), QColor(Qt::black));
        bool cyan = false;
        for (int x = 150; x < 315 && !cyan; ++x)
            for (int y = 0; y < 31 && !cyan; ++y)
                cyan = label.pixelColor(x, y) == QColor(128, 255, 255);
        QVERIFY(cyan);
    }

    void mainWindowTakesInputWhileSplashShows()
    {
        THoofdVenster main({QStringLiteral("kwisvinder")});
        main.show();
        TStartFoto splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        QCOMPARE(splash.windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QApplication::setActiveWindow(&main);
        QVERIFY(QTest::qWaitForWindowActive(&main));

        QTest::keyClick(&main, Qt::Key_A, Qt::AltModifier);
        auto* count = child<QLineEdit>(main, QStringLiteral("AantalLetters"));
        QCOMPARE(QApplication::focusWidget(), count);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("5"));
        QCOMPARE(count->text(), QStringLiteral("5"));
        QCOMPARE(main.letterCount(), 5);
        QVERIFY(splash.isVisible());
    }

    void iconHasSixteenColoursAtMost()
    {
        const QImage icon = programIconPixmap().toImage();
        QCOMPARE(icon.size(), QSize(32, 32));
        QSet<QRgb> colours;
        for (int y = 0; y < icon.height(); ++y)
            for (int x = 0; x < icon.width(); ++x)
                if (qAlpha(icon.pixel(x, y)) == 255)
                    colours.insert(icon.pixel(x, y));
        QVERIFY(colours.size() > 4);
        QVERIFY(colours.size() <= 16);
    }

    void aboutBoxIsModalAndTheSameEachTime()
    {
        TAboutBox about;
        QCOMPARE(about.objectName(), QStringLiteral("AboutBox"));
        QCOMPARE(about.windowTitle(), QStringLiteral("Info Kwisvinder"));
        QCOMPARE(about.size(), QSize(298, 213));
        QCOMPARE(about.minimumSize(), about.maximumSize());
        QVERIFY(!(about.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(about.windowFlags() & Qt::WindowCloseButtonHint);

        const QString version = QStringLiteral("Versie %1.%2").arg(VersionMajor).arg(VersionMinor);
        QVERIFY(QString::fromLatin1(FileVersion).startsWith(version.mid(7) + QLatin1Char('.')));
        QVERIFY(QString::fromLatin1(ProductVersion).startsWith(version.mid(7) + QLatin1Char('.')));

        QList<QStringList> seen;
        QList<QPoint> places;
        for (int showing = 0; showing < 2; ++showing) {
            whenModal([&](QWidget* modal) {
                QCOMPARE(modal, &about);
                QStringList texts;
                for (const char* name : {"ProductName", "Version", "Copyright", "Comments"})
                    texts << child<QLabel>(about, QString::fromLatin1(name))->text();
                seen << texts;
                places << about.pos();
                auto* ok = child<QPushButton>(about, QStringLiteral("OKButton"));
                QCOMPARE(ok->geometry(), QRect(111, 180, 75, 25));
                QVERIFY(ok->isDefault());
                if (showing == 0)
                    about.move(about.pos() + QPoint(40, 30));
                QTest::mouseClick(ok, Qt::LeftButton);
            });
            QCOMPARE(about.exec(), int(QDialog::Accepted));
            QVERIFY(!about.isVisible());
        }
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen.at(0), seen.at(1));
        QCOMPARE(seen.at(0).at(0), QStringLiteral("Kwisvinder"));
        QCOMPARE(seen.at(0).at(1), version);
        QVERIFY(seen.at(0).at(2).contains(QStringLiteral("Copyright")));
        QVERIFY(!seen.at(0).at(3).isEmpty());
        // Centred the first time, then where it was left.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(qAbs(places.at(0).x() + about.width() / 2 - screen.center().x()) <= 1);
        QCOMPARE(places.at(1), places.at(0) + QPoint(40, 30));
        QVERIFY(!child<QLabel>(about, QStringLiteral("ProgramIcon"))->pixmap().isNull());
    }

    void helpFileSearchOrder_data()
    {
        QTest::addColumn<QStringList>("holders");
        QTest::addColumn<QString>("found");
        QTest::newRow("current directory") << QStringList{"current"} << "current";
        QTest::newRow("program directory") << QStringList{"program"} << "program";
        QTest::newRow("data directory") << QStringList{"data"} << "data";
        QTest::newRow("program before data") << QStringList{"program", "data"} << "program";
        QTest::newRow("current before all") << QStringList{"current", "program", "data"} << "current";
        QTest::newRow("nowhere") << QStringList{} << "";
    }
    void helpFileSearchOrder()
    {
        QFETCH(QStringList, holders);
        QFETCH(QString, found);
        QTemporaryDir current, data;
        CurrentDirectory restore;
        QVERIFY(QDir::setCurrent(current.path()));
        const QMap<QString, QString> directories{{"current", current.path()},
                                                 {"program", QCoreApplication::applicationDirPath()},
                                                 {"data", data.path()}};
        const QString name = QStringLiteral("tst_shell_%1.hlp").arg(QCoreApplication::applicationPid());
        for (const QString& holder : holders)
            writeFile(QDir(directories[holder]).filePath(name), "# " + holder.toUtf8() + "\n");

        HelpSystem help;
        help.setDataDirectory(data.path());
        const QString resolved = help.resolve(name);
        for (const QString& holder : holders)
            QFile::remove(QDir(directories[holder]).filePath(name));
        if (found.isEmpty())
            QCOMPARE(resolved, QString());
        else
            QCOMPARE(QFileInfo(resolved).absolutePath(), QFileInfo(directories[found]).absoluteFilePath());
    }

    void missingHelpFileIsNamedInANotice()
    {
        RecordedMessages messages;
        QTemporaryDir empty;
        CurrentDirectory restore;
        QVERIFY(QDir::setCurrent(empty.path()));
        HelpSystem help;
        help.setDataDirectory(empty.path());
        help.setHelpFile(QStringLiteral("ontbreekt.hlp"));
        QVERIFY(!help.command(HelpSystem::HelpFinder, 0));
        QCOMPARE(messages.texts, QStringList{QStringLiteral("Het helpbestand 'ontbreekt.hlp' is niet gevonden.")});
        QCOMPARE(help.window(), nullptr);
        QVERIFY(!help.command(12345, 0));
        QCOMPARE(messages.texts.size(), 1);
    }

    void topicsWindowListsAndShowsTopics()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fixture.hlp"));
        writeFile(path, fixture);
        HelpSystem help;
        help.setHelpFile(path);
        QVERIFY(help.showTopics());
        HelpWindow* window = help.window();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        auto* list = child<QListWidget>(*window, QStringLiteral("Onderwerpen"));
        auto* text = child<QTextBrowser>(*window, QStringLiteral("Tekst"));
        QStringList titles;
        for (int i = 0; i < list->count(); ++i)
            titles << list->item(i)->text();
        QCOMPARE(titles, (QStringList{QStringLiteral("Eerste"), QStringLiteral("Tweede")}));
        QVERIFY(text->toPlainText().contains(QStringLiteral("regel een regel twee")));
        QVERIFY(text->toPlainText().contains(QStringLiteral("een punt")));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QVERIFY(text->toPlainText().contains(QStringLiteral("Tekst van het tweede onderwerp.")));
        QVERIFY(!text->toPlainText().contains(QStringLiteral("regel een")));

        // Asking again brings back the same window.
        QVERIFY(help.command(HelpSystem::HelpFinder, 0));
        QCOMPARE(help.window(), window);
        QVERIFY(help.command(HelpSystem::HelpQuit, 0));
        QVERIFY(!window->isVisible());
    }

    // The menu entry names kv.hlp and opens its topics.
    void helpMenuOpensTheTopicsOfKvHlp()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("kv.hlp")), fixture);
        CurrentDirectory restore;
        QVERIFY(QDir::setCurrent(dir.path()));
        RecordedMessages messages;
        THoofdVenster main({QStringLiteral("kwisvinder")});
        main.show();
        main.findChild<QAction*>(QStringLiteral("HelpOnderwerpen1"))->trigger();
        QCOMPARE(messages.texts, QStringList());
        HelpSystem& help = HelpSystem::instance();
        QCOMPARE(help.helpFile(), QStringLiteral("kv.hlp"));
        QVERIFY(help.window() && help.window()->isVisible());
        QCOMPARE(child<QListWidget>(*help.window(), QStringLiteral("Onderwerpen"))->count(), 2);
        help.command(HelpSystem::HelpQuit, 0);
    }

    // The shipped help covers what a user meets.
    void shippedHelpFileCoversTheProgram()
    {
        const QString path = QFINDTESTDATA("../resources/kv.hlp");
        QVERIFY(!path.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<HelpTopic> topics = parseHelpFile(QString::fromUtf8(file.readAll()));
        QVERIFY(topics.size() >= 6);
        QString all;
        for (const HelpTopic& topic : topics) {
            QVERIFY2(!topic.lines.join(QString()).trimmed().isEmpty(), qPrintable(topic.title));
            all += topic.lines.join(QLatin1Char('\n'));
        }
        for (const char* needed : {"%", "_", "AUTO'S", "bever", "Toevoegen in database", "Annuleren",
                                   "Kan de mySQL server niet vinden!", "Kan database \"KV\" niet openen!"})
            QVERIFY2(all.contains(QString::fromUtf8(needed)), needed);
    }

    void startUpCreatesTheWindowsInOrder()
    {
        RecordedMessages messages;
        Kwisvinder program({QStringLiteral("kwisvinder")});
        QCOMPARE(program.HoofdVenster->objectName(), QStringLiteral("HoofdVenster"));
        QCOMPARE(program.StartFoto->objectName(), QStringLiteral("StartFoto"));
        QCOMPARE(program.AboutBox->objectName(), QStringLiteral("AboutBox"));
        QCOMPARE(program.optiesForm->objectName(), QStringLiteral("optiesForm"));
        QVERIFY(program.HoofdVenster->isVisible());
        QVERIFY(program.StartFoto->isVisible());
        QVERIFY(!program.AboutBox->isVisible());
        QVERIFY(!program.optiesForm->isVisible());
        QVERIFY(!program.add2db->isVisible());
        QVERIFY(QTest::qWaitForWindowExposed(program.StartFoto.get()));
        // Shown after the main window, as the kind of window kept above it,
        // and the main window stays usable.
        QCOMPARE(program.StartFoto->windowType(), Qt::SplashScreen);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(program.HoofdVenster->isEnabled());
        QCOMPARE(messages.texts, QStringList());
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
