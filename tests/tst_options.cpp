// The options dialog against a real hive file: what it shows, what OK
// stores, what Annuleren leaves alone, how it fails, and how its settings
// reach the main window's connection on a private server.
#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QtTest>

#include <string>

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

const QString Missing = QStringLiteral("(missing)");

QString subkey(int n)
{
    return QString::fromUtf8(ConfigurationKey.data(), qsizetype(ConfigurationKey.size())) + QLatin1Char('\\')
        + QString::number(n);
}

// Configuration n as written in round r of a test: names, hosts and
// passwords differ per round, so a reload shows.
PrivateServer::StoredConfiguration configuration(int n, int round = 1)
{
    static const QStringList names{QStringLiteral("Thuis"), QStringLiteral("Werk"), QStringLiteral("Laptop"),
                                   QStringLiteral("Server"), QStringLiteral("Reserve")};
    return {QString::number(n), round == 1 ? names.at(n - 1) : QStringLiteral("%1 %2").arg(names.at(n - 1)).arg(round),
            QStringLiteral("db%1-%2.example").arg(n).arg(round), QStringLiteral("gebruiker%1").arg(n),
            QStringLiteral("geheim%1-%2").arg(n).arg(round)};
}

QStringList names(int round = 1)
{
    QStringList list;
    for (int n = 1; n <= ConfigurationCount; ++n)
        list << configuration(n, round).name;
    return list;
}

// The main window with its options dialog, as start-up wires them.
struct Windows {
    THoofdVenster main{QStringList()};
    ToptiesForm dialog{main};

    Windows()
    {
        main.setWindows(&dialog, nullptr, nullptr);
        main.show();
    }
};

QStringList items(const QComboBox* combo)
{
    QStringList list;
    for (int i = 0; i < combo->count(); ++i)
        list << combo->itemText(i);
    return list;
}

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

    PrivateServer server;
    QTemporaryDir home;
    QString hive;
    QStringList shown;

    static QComboBox* combo(ToptiesForm& o) { return child<QComboBox>(o, QStringLiteral("configComboBox")); }
    static QLineEdit* host(ToptiesForm& o) { return child<QLineEdit>(o, QStringLiteral("hostEditBox")); }
    static QLineEdit* user(ToptiesForm& o) { return child<QLineEdit>(o, QStringLiteral("userEditBox")); }
    static QLineEdit* password(ToptiesForm& o) { return child<QLineEdit>(o, QStringLiteral("passwordEditBox")); }
    static QPushButton* ok(ToptiesForm& o) { return child<QPushButton>(o, QStringLiteral("okButton")); }
    static QPushButton* annuleren(ToptiesForm& o) { return child<QPushButton>(o, QStringLiteral("annulerenButton")); }

    // Configuration 1, active, for the private server's test account.
    void writeLocalConfiguration() const
    {
        PrivateServer::writeConfigurationHive(hive, QStringLiteral("1"),
            {{QStringLiteral("1"), QStringLiteral("Hier"), QStringLiteral("localhost"), QStringLiteral("puzzelaar"), QStringLiteral("geheim")}});
    }

    void writeFive(const QString& active, int round = 1) const
    {
        QList<PrivateServer::StoredConfiguration> list;
        for (int n = 1; n <= ConfigurationCount; ++n)
            list << configuration(n, round);
        PrivateServer::writeConfigurationHive(hive, active, list);
    }

    // A string value in the hive file as it is on disk now.
    QString stored(const QString& key, const QString& name) const
    {
        const std::optional<Hive> content = HiveFile(hive.toStdString()).load();
        const HiveValue* value = content ? content->value(key.toStdString(), name.toStdString()) : nullptr;
        return value ? QString::fromStdString(value->text) : Missing;
    }
    QString stored(const QString& name) const
    {
        return stored(QString::fromUtf8(ConfigurationKey.data(), qsizetype(ConfigurationKey.size())), name);
    }

    QByteArray fileBytes() const
    {
        QFile file(hive);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Opens the dialog as the menu does and makes it the active window, so
    // focus and accelerators behave as for a user.
    static bool open(THoofdVenster& w, ToptiesForm& o)
    {
        w.Opties1Click();
        QApplication::setActiveWindow(&o);
        return o.isVisible() && QTest::qWaitForWindowActive(&o);
    }

    static void typeName(ToptiesForm& o, const QString& name)
    {
        combo(o)->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(combo(o), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(combo(o), name);
    }

    static QStringList search(THoofdVenster& w)
    {
        child<QLineEdit>(w, QStringLiteral("AantalLetters"))->setText(QStringLiteral("2"));
        QTest::mouseClick(child(w, QStringLiteral("ZoekKnop")), Qt::LeftButton);
        QAbstractItemModel* model = child<QListView>(w, QStringLiteral("Gevonden"))->model();
        QStringList words;
        for (int row = 0; row < model->rowCount(); ++row)
            words << model->index(row, 0).data().toString();
        return words;
    }

private slots:
    void initTestCase()
    {
        server.start();
        server.createWordTable();
        server.insertWords({QStringLiteral("op"), QStringLiteral("aa"), QStringLiteral("kaas")});
        server.createUser(QStringLiteral("puzzelaar"), QStringLiteral("geheim"));
        hive = home.filePath(QStringLiteral("registry.reg"));
        qputenv("KWISVINDER_REGISTRY", hive.toLocal8Bit());
        MessageBox::setRecorder([this](MessageBox::Kind, const QString& text) { shown.append(text); });
    }

    void init()
    {
        writeFive(QStringLiteral("3"));
        shown.clear();
    }

    // Each showing reloads: first "3", then the row's value with other names.
    void showingLoadsTheStoredChoice_data()
    {
        QTest::addColumn<QString>("active");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("configuration"); // whose host, user, password the edits show
        QTest::addColumn<int>("round");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("3") << "3" << 2 << 3 << 2 << QStringList{};
        QTest::newRow("5") << "5" << 4 << 5 << 2 << QStringList{};
        QTest::newRow("out of range") << "7" << -1 << 7 << 2 << QStringList{};
        QTest::newRow("0") << "0" << -1 << 0 << 2 << QStringList{};
        // The edits and the choice stay as the first showing left them.
        QTest::newRow("empty") << "" << -1 << 3 << 1 << QStringList{QStringLiteral("'' is not a valid integer value.")};
        QTest::newRow("not a number") << "drie" << -1 << 3 << 1
                                      << QStringList{QStringLiteral("'drie' is not a valid integer value.")};
    }
    void showingLoadsTheStoredChoice()
    {
        QFETCH(QString, active);
        QFETCH(int, index);
        QFETCH(int, configuration);
        QFETCH(int, round);
        QFETCH(QStringList, errors);
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;

        QVERIFY(open(w, o));
        QCOMPARE(items(combo(o)), names());
        QCOMPARE(combo(o)->currentIndex(), 2);
        QCOMPARE(combo(o)->currentText(), QStringLiteral("Laptop"));
        QCOMPARE(host(o)->text(), ::configuration(3).host);
        QTest::mouseClick(annuleren(o), Qt::LeftButton);
        QVERIFY(!o.isVisible());

        writeFive(active, 2);
        QVERIFY(open(w, o));
        QCOMPARE(shown, errors);
        QVERIFY(o.isVisible());
        QCOMPARE(items(combo(o)), names(2));
        QCOMPARE(combo(o)->currentIndex(), index);
        QCOMPARE(combo(o)->currentText(), index < 0 ? QString() : names(2).at(index));
        QCOMPARE(o.selectedIndex, errors.isEmpty() ? index : 2);
        QCOMPARE(o.nameEdited, false);
        const bool exists = configuration >= 1 && configuration <= ConfigurationCount;
        const auto expected = ::configuration(exists ? configuration : 1, round);
        QCOMPARE(host(o)->text(), exists ? expected.host : QString());
        QCOMPARE(user(o)->text(), exists ? expected.user : QString());
        QCOMPARE(password(o)->text(), exists ? expected.password : QString());
    }

    void whileOpenOnlyTheDialogTakesInput()
    {
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(!o.isVisible());
        w.findChild<QAction*>(QStringLiteral("Opties1"))->trigger();
        QApplication::setActiveWindow(&o);
        QVERIFY(QTest::qWaitForWindowActive(&o));
        QVERIFY(!w.isEnabled());
        QVERIFY(o.isEnabled());
        QVERIFY(!(o.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowSystemMenuHint)));

        host(o)->clear();
        host(o)->setFocus(Qt::OtherFocusReason);
        QTest::keyClicks(host(o), QStringLiteral("db.example"));
        QCOMPARE(host(o)->text(), QStringLiteral("db.example"));
        auto* count = child<QLineEdit>(w, QStringLiteral("AantalLetters"));
        QTest::keyClicks(count, QStringLiteral("5"));
        QCOMPARE(count->text(), QStringLiteral("2"));

        // The password is never drawn in clear.
        const QString secret = password(o)->text();
        QCOMPARE(secret, ::configuration(3).password);
        QCOMPARE(password(o)->displayText().size(), secret.size());
        QVERIFY(!password(o)->displayText().contains(QLatin1Char('g')));

        const QList<std::pair<Qt::Key, QWidget*>> accelerators{
            {Qt::Key_G, user(o)}, {Qt::Key_W, password(o)}, {Qt::Key_C, combo(o)}};
        for (const auto& [key, target] : accelerators) {
            QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
            QCOMPARE(QApplication::focusWidget(), target);
        }
    }

    void placedOverTheMainWindowOnceThenWhereLeft()
    {
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        w.move(200, 150);
        QVERIFY(open(w, o));
        QTRY_COMPARE(o.frameGeometry().size(), QSize(280, 234));
        QCOMPARE(o.frameGeometry().center(), w.frameGeometry().center());

        o.move(30, 40);
        QTest::mouseClick(annuleren(o), Qt::LeftButton);
        w.move(300, 200);
        QVERIFY(open(w, o));
        QCOMPARE(o.pos(), QPoint(30, 40));
    }

    void pickingFromTheListAndOk()
    {
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(open(w, o));
        combo(o)->setFocus(Qt::OtherFocusReason);
        combo(o)->showPopup();
        QAbstractItemView* view = combo(o)->view();
        QVERIFY(QTest::qWaitForWindowExposed(view->window()));
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->window()->isVisible());

        const auto fifth = configuration(5);
        QCOMPARE(combo(o)->currentText(), fifth.name);
        QCOMPARE(o.selectedIndex, 4);
        QCOMPARE(o.nameEdited, false);
        QCOMPARE(host(o)->text(), fifth.host);
        QCOMPARE(user(o)->text(), fifth.user);
        QCOMPARE(password(o)->text(), fifth.password);

        user(o)->setText(QStringLiteral("beheerder"));
        QTest::mouseClick(ok(o), Qt::LeftButton);
        QVERIFY(shown.isEmpty());
        QVERIFY(!o.isVisible());
        QVERIFY(w.isEnabled());
        QCOMPARE(stored(QStringLiteral("Configuratie")), QStringLiteral("5"));
        QCOMPARE(stored(QStringLiteral("Naam5")), fifth.name);
        QCOMPARE(stored(subkey(5), QStringLiteral("Host")), fifth.host);
        QCOMPARE(stored(subkey(5), QStringLiteral("User")), QStringLiteral("beheerder"));
        QCOMPARE(stored(subkey(5), QStringLiteral("Password")), fifth.password);
        QCOMPARE(stored(subkey(3), QStringLiteral("User")), configuration(3).user);
        QCOMPARE(w.database().settings.host, fifth.host.toStdString());
        QCOMPARE(w.database().settings.user, std::string("beheerder"));
        QCOMPARE(w.database().settings.password, fifth.password.toStdString());
    }

    // A typed name replaces the item once the combo is left; OK pressed by
    // its accelerator leaves the focus, and so the old name, in place.
    void renamingByTyping_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<QString>("storedName");
        QTest::newRow("Tab, then OK clicked") << "Kantoor" << "tab" << "Kantoor";
        // Neither Enter nor leaving picks the item that has the typed text.
        QTest::newRow("another item's name") << "Server" << "tab" << "Server";
        QTest::newRow("OK clicked") << "Kantoor" << "click" << "Kantoor";
        QTest::newRow("Alt+O") << "Kantoor" << "alt+o" << "Werk";
    }
    void renamingByTyping()
    {
        QFETCH(QString, name);
        QFETCH(QString, leave);
        QFETCH(QString, storedName);
        writeFive(QStringLiteral("2"));
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(open(w, o));
        typeName(o, name);
        QTest::keyClick(combo(o), Qt::Key_Return);
        QVERIFY(o.isVisible());
        QVERIFY(o.nameEdited);
        QCOMPARE(o.selectedIndex, 1);
        QCOMPARE(items(combo(o)), names());
        QCOMPARE(combo(o)->currentText(), name);
        QCOMPARE(host(o)->text(), configuration(2).host);

        if (leave == QLatin1String("tab")) {
            QTest::keyClick(combo(o), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), host(o));
            QStringList renamed = names();
            renamed[1] = name;
            QCOMPARE(items(combo(o)), renamed);
            QCOMPARE(combo(o)->currentText(), name);
            QCOMPARE(o.selectedIndex, 1);
            QCOMPARE(host(o)->text(), configuration(2).host);
            QTest::mouseClick(ok(o), Qt::LeftButton);
        } else if (leave == QLatin1String("click")) {
            QTest::mouseClick(ok(o), Qt::LeftButton);
        } else {
            QTest::keyClick(combo(o), Qt::Key_O, Qt::AltModifier);
            // A mnemonic presses its button visibly: the click comes a moment later.
            QTRY_VERIFY(!o.isVisible());
        }
        QVERIFY(shown.isEmpty());
        QVERIFY(!o.isVisible());
        QVERIFY(w.isEnabled());
        QCOMPARE(stored(QStringLiteral("Configuratie")), QStringLiteral("2"));
        QCOMPARE(stored(QStringLiteral("Naam2")), storedName);
        QCOMPARE(stored(QStringLiteral("Naam3")), QStringLiteral("Laptop"));
    }

    void leavingStoresNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("Annuleren clicked") << "click";
        QTest::newRow("Alt+A") << "alt+a";
        QTest::newRow("Escape") << "escape";
        QTest::newRow("closed by the window system") << "close";
    }
    void leavingStoresNothing()
    {
        QFETCH(QString, how);
        const QByteArray before = fileBytes();
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(open(w, o));
        typeName(o, QStringLiteral("Kantoor"));
        QTest::keyClick(combo(o), Qt::Key_Tab);
        QTest::keyClicks(host(o), QStringLiteral("anders"));

        if (how == QLatin1String("click"))
            QTest::mouseClick(annuleren(o), Qt::LeftButton);
        else if (how == QLatin1String("alt+a"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::AltModifier);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        else
            QVERIFY(o.close());
        QTRY_VERIFY(!o.isVisible());
        QVERIFY(w.isEnabled());
        QVERIFY(shown.isEmpty());
        QCOMPARE(fileBytes(), before);
        QCOMPARE(w.database().settings.host, std::string());

        QVERIFY(open(w, o));
        QCOMPARE(items(combo(o)), names());
        QCOMPARE(host(o)->text(), configuration(3).host);
    }

    void typedNameWithoutSelectionIsAppended()
    {
        writeFive(QStringLiteral("7"));
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(open(w, o));
        QCOMPARE(o.selectedIndex, -1);
        typeName(o, QStringLiteral("Nieuw"));
        QTest::keyClick(combo(o), Qt::Key_Tab);
        QCOMPARE(items(combo(o)), names() << QStringLiteral("Nieuw"));
        QCOMPARE(combo(o)->currentText(), QStringLiteral("Nieuw"));
        QCOMPARE(o.selectedIndex, -1);

        // No selection means configuration 0, which exists only if made by hand.
        HiveFile(hive.toStdString()).update([](Hive& h) {
            h.addKey(subkey(0).toStdString());
            return true;
        });
        QTest::keyClicks(host(o), QStringLiteral("db0.example"));
        QTest::mouseClick(ok(o), Qt::LeftButton);
        QVERIFY(shown.isEmpty());
        QVERIFY(!o.isVisible());
        QCOMPARE(stored(QStringLiteral("Configuratie")), QStringLiteral("0"));
        QCOMPARE(stored(QStringLiteral("Naam0")), QString());
        QCOMPARE(stored(subkey(0), QStringLiteral("Host")), QStringLiteral("db0.example"));
        QCOMPARE(stored(QStringLiteral("Naam5")), QStringLiteral("Reserve"));
    }

    void failedWriteKeepsTheDialogOpen_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("errors");
        QTest::addColumn<QString>("configuratie"); // stored afterwards
        QTest::addColumn<QString>("name");         // Naam<configuratie> stored afterwards
        const QString noInteger = QStringLiteral("'' is not a valid integer value.");
        const QString noKey = QStringLiteral("Failed to set data for 'Configuratie'");
        const QString noSubkey = QStringLiteral("Failed to set data for 'Host'");
        QTest::newRow("no hive file") << "nofile" << QStringList{noInteger, noKey} << Missing << Missing;
        QTest::newRow("key missing") << "nokey" << QStringList{noInteger, noKey} << Missing << Missing;
        QTest::newRow("subkey missing") << "nosubkey" << QStringList{noSubkey} << "3" << "";
        QTest::newRow("out of range") << "seven" << QStringList{noSubkey} << "0" << "";
    }
    void failedWriteKeepsTheDialogOpen()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, errors);
        QFETCH(QString, configuratie);
        QFETCH(QString, name);
        if (setup == QLatin1String("nofile")) {
            QFile::remove(hive);
        } else if (setup == QLatin1String("nokey")) {
            QFile file(hive);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_LOCAL_MACHINE\\Software\\Morvek\\Kwisvinder\\Parameters]\n\"Iets\"=\"anders\"\n");
        } else if (setup == QLatin1String("nosubkey")) {
            PrivateServer::writeConfigurationHive(hive, QStringLiteral("3"),
                                                  {configuration(1), configuration(2), configuration(4), configuration(5)});
        } else {
            writeFive(QStringLiteral("7"));
        }

        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(open(w, o));
        host(o)->setText(QStringLiteral("db.example"));
        QTest::mouseClick(ok(o), Qt::LeftButton);
        QCOMPARE(shown, errors);
        QVERIFY(o.isVisible());
        QVERIFY(!w.isEnabled());
        QCOMPARE(stored(QStringLiteral("Configuratie")), configuratie);
        if (configuratie != Missing)
            QCOMPARE(stored(QStringLiteral("Naam") + configuratie), name);
    }

    void okChangesNotTheOpenConnection()
    {
        writeLocalConfiguration();
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QCOMPARE(search(w), (QStringList{QStringLiteral("AA"), QStringLiteral("OP")}));
        QVERIFY(w.database().connected);

        QVERIFY(open(w, o));
        host(o)->setText(QStringLiteral("192.0.2.1"));
        QTest::mouseClick(ok(o), Qt::LeftButton);
        QVERIFY(!o.isVisible());
        QCOMPARE(w.database().settings.host, std::string("192.0.2.1"));
        QVERIFY(w.database().connected);

        QCOMPARE(search(w), (QStringList{QStringLiteral("AA"), QStringLiteral("OP")}));
        QVERIFY(shown.isEmpty());
    }

    void emptiedHostReadsTheRegistryAtTheNextConnection()
    {
        writeLocalConfiguration();
        Windows windows;
        THoofdVenster& w = windows.main;
        ToptiesForm& o = windows.dialog;
        QVERIFY(open(w, o));
        host(o)->clear();
        user(o)->setText(QStringLiteral("niemand"));
        QTest::mouseClick(ok(o), Qt::LeftButton);
        QCOMPARE(w.database().settings.user, std::string("niemand"));
        QCOMPARE(stored(subkey(1), QStringLiteral("User")), QStringLiteral("niemand"));

        // Put the account right in the registry only: a search that works
        // has read it there.
        HiveFile(hive.toStdString()).update([](Hive& h) {
            return h.setString(subkey(1).toStdString(), "Host", "localhost")
                && h.setString(subkey(1).toStdString(), "User", "puzzelaar");
        });
        QCOMPARE(search(w), (QStringList{QStringLiteral("AA"), QStringLiteral("OP")}));
        QVERIFY(shown.isEmpty());
        QCOMPARE(w.database().settings.host, std::string("localhost"));
        QCOMPARE(w.database().settings.user, std::string("puzzelaar"));
    }

    void cleanupTestCase()
    {
        MessageBox::setRecorder({});
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
