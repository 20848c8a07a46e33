#include <QtTest>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "hive.h"

namespace fs = std::filesystem;
using namespace kv;

namespace {

const char* const ConfigKey = "Software\\Morvek\\Kwisvinder\\Parameters\\mySQL";

// The configuration as the program keeps it, with a few values of other types.
const char* const Fixture =
    "Windows Registry Editor Version 5.00\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Morvek\\Kwisvinder\\Parameters\\mySQL]\n"
    "\"Configuratie\"=\"1\"\n"
    "\"Naam1\"=\"Lokale server\"\n"
    "\"Poort\"=dword:00000cea\n"
    "\"Blob\"=hex:01,02\n"
    "\"Knip\"=\"ab\\0cd\"\n"
    "\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Morvek\\Kwisvinder\\Parameters\\mySQL\\1]\n"
    "\"Host\"=\"localhost\"\n";

void writeFile(const fs::path& p, const std::string& bytes)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
    QVERIFY(out.good());
}

std::string readFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

mode_t modeOf(const fs::path& p)
{
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0)
        return 0;
    return st.st_mode & 07777;
}

// Everything in the directory besides the hive and its lock file: a failed
// or finished write must not leave temporary files behind.
QStringList strayFiles(const fs::path& dir)
{
    QStringList out;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (n != "registry.reg" && n != "registry.reg.lock")
            out << QString::fromStdString(n);
    }
    return out;
}

} // namespace

class TestHive : public QObject {
    Q_OBJECT
private slots:
    void init();

    void parsesExportSyntax();
    void roundTripOnDisk();
    void roundTripOfStoredText_data();
    void roundTripOfStoredText();
    void malformed_data();
    void malformed();
    void unreadableFileIsNamed();

    void accessor_data();
    void accessor();
    void seesReplacedFile();
    void writeKeepsOtherValuesAndMode();
    void newFileIsPrivate();
    void badFileIsNeverRewritten();
    void concurrentWritersLoseNothing();

    void hivePathFromEnvironment_data();
    void hivePathFromEnvironment();

private:
    std::unique_ptr<QTemporaryDir> dir_;
    fs::path file_;
};

void TestHive::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    file_ = fs::path(dir_->path().toStdString()) / "registry.reg";
}

void TestHive::parsesExportSyntax()
{
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[hkey_local_machine\\A\\B]\r\n" // parent not listed
        "@=\"standaard\"\r\n"
        "\"Pad\\\\met \\\"quotes\\\"\"=\"C:\\\\x \\\"y\\\"\"\r\n"
        "\"D\"=DWORD:FFFFFFFF\r\n"
        "\"Leeg\"=hex:\r\n"
        "\"Multi\"=hex(7):61,00,\\\r\n"
        "  62,00,\\\r\n"
        "  00,00\r\n"
        "\"Utf8\"=\"Ĳsselmeer\"\r\n"
        "[HKEY_LOCAL_MACHINE\\a\\b]\r\n" // same key again, other case
        "\"d\"=\"vervangen\"\r\n";
    const Hive h = Hive::parse(text, "x.reg");
    QCOMPARE(h.keys().size(), size_t(1));
    QVERIFY(h.hasKey("A\\B"));
    QVERIFY(h.hasKey("a\\b"));
    QVERIFY(!h.hasKey("A"));

    const HiveValue* def = h.value("a\\b", "");
    QVERIFY(def);
    QCOMPARE(def->text, std::string("standaard"));
    const HiveValue* quoted = h.value("A\\B", "pad\\met \"QUOTES\"");
    QVERIFY(quoted);
    QCOMPARE(quoted->text, std::string("C:\\x \"y\""));
    const HiveValue* d = h.value("A\\B", "D");
    QVERIFY(d);
    QCOMPARE(d->type, HiveValue::Type::String); // the later line replaced the dword
    QCOMPARE(d->text, std::string("vervangen"));
    const HiveValue* empty = h.value("A\\B", "Leeg");
    QVERIFY(empty && empty->type == HiveValue::Type::Hex && empty->bytes.empty());
    const HiveValue* multi = h.value("A\\B", "Multi");
    QVERIFY(multi);
    QCOMPARE(multi->hexKind, 7);
    QCOMPARE(multi->bytes, (std::vector<unsigned char>{0x61, 0, 0x62, 0, 0, 0}));
    QCOMPARE(h.value("A\\B", "Utf8")->text, std::string("Ĳsselmeer"));

    const Hive dword = Hive::parse("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\K]\n\"D\"=dword:0000001f",
                                   "x.reg");
    QCOMPARE(dword.value("K", "D")->dword, 31u);
}

// The file on disk, loaded, rewritten through an update and loaded again,
// holds the same content; a second serialization is identical to the first.
void TestHive::roundTripOnDisk()
{
    std::string text = Fixture;
    text += "\"Lang\"=hex(b):";
    for (int i = 0; i < 100; ++i)
        text += QByteArray::number(i % 256, 16).rightJustified(2, '0').toStdString() + (i < 99 ? "," : "\n");
    text += "[HKEY_LOCAL_MACHINE\\Los\\Kind]\n@=\"x\"\n";
    writeFile(file_, text);

    const HiveFile file(file_);
    const std::optional<Hive> before = file.load();
    QVERIFY(before);
    QVERIFY(file.update([](Hive&) { return true; }));
    const std::string written = readFile(file_);
    QVERIFY(written != text);
    const std::optional<Hive> after = file.load();
    QVERIFY(after);
    QVERIFY(*after == *before);
    QCOMPARE(after->serialize(), written);
    QCOMPARE(after->value(std::string(ConfigKey) + "\\1", "Lang")->bytes.size(), size_t(100));
    QVERIFY(!after->hasKey("Los"));
}

void TestHive::roundTripOfStoredText_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("plain") << QByteArray("Host") << QByteArray("localhost");
    QTest::newRow("backslash and quote") << QByteArray("a\\\"b") << QByteArray("C:\\\"\\\\");
    QTest::newRow("line breaks") << QByteArray("n\r\n") << QByteArray("een\ntwee\r\n");
    QTest::newRow("nul") << QByteArray("Knip") << QByteArray("ab\0cd", 5);
    QTest::newRow("default value") << QByteArray("") << QByteArray("x");
    QTest::newRow("brackets and equals") << QByteArray("[x]=@") << QByteArray("\"=\"");
    QTest::newRow("utf-8 and blanks") << QByteArray(" café ") << QByteArray("\t Ĳs \t");
}

// Whatever text the program stores comes back unchanged from the file.
void TestHive::roundTripOfStoredText()
{
    QFETCH(QByteArray, name);
    QFETCH(QByteArray, text);
    const HiveFile file(file_);
    QVERIFY(file.update(
        [&](Hive& h) {
            h.addKey("Software\\K");
            return h.setString("software\\k", name.toStdString(), text.toStdString());
        },
        true));
    const std::optional<Hive> h = file.load();
    QVERIFY(h);
    QVERIFY(h->hasKey("Software"));
    const HiveValue* v = h->value("Software\\K", name.toStdString());
    QVERIFY(v);
    QCOMPARE(QByteArray::fromStdString(v->text), text);
    QVERIFY(Hive::parse(h->serialize(), "x") == *h);
}

void TestHive::malformed_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("line");
    const QByteArray head = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K]\n";
    QTest::newRow("empty file") << QByteArray() << 1;
    QTest::newRow("garbage") << QByteArray("\x01\x02garbage\n") << 1;
    QTest::newRow("old header") << QByteArray("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\K]\n") << 1;
    QTest::newRow("value before key") << QByteArray("Windows Registry Editor Version 5.00\n\n\"A\"=\"b\"\n") << 3;
    QTest::newRow("wrong root") << QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n") << 3;
    QTest::newRow("open key line") << QByteArray("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\K\n") << 3;
    QTest::newRow("empty key part") << QByteArray("Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\a\\\\b]\n") << 2;
    QTest::newRow("truncated last line") << head + "\"A\"=\"b\"\n\"Host\"=\"local" << 5;
    QTest::newRow("unterminated string") << head + "\"A\"=\"b\n\"B\"=\"c\"\n" << 4;
    QTest::newRow("unterminated name") << head + "\"A=\"b\"\n" << 4;
    QTest::newRow("unknown escape") << head + "\"A\"=\"b\\q\"\n" << 4;
    QTest::newRow("junk after string") << head + "\"A\"=\"b\" c\n" << 4;
    QTest::newRow("no value") << head + "\"A\"\n" << 4;
    QTest::newRow("deletion") << head + "\"A\"=-\n" << 4;
    QTest::newRow("bad dword") << head + "\"A\"=dword:xyz\n" << 4;
    QTest::newRow("nine digit dword") << head + "\"A\"=dword:123456789\n" << 4;
    QTest::newRow("empty dword") << head + "\"A\"=dword:\n" << 4;
    QTest::newRow("bad hex byte") << head + "\"A\"=hex:01,zz\n" << 4;
    QTest::newRow("missing comma") << head + "\"A\"=hex:01 02\n" << 4;
    QTest::newRow("bad continuation") << head + "\"A\"=hex:01,\\\n  02,,03\n" << 5;
    QTest::newRow("truncated continuation") << head + "\"A\"=hex:01,\\" << 4;
    QTest::newRow("bad hex kind") << head + "\"A\"=hex(q):01\n" << 4;
}

void TestHive::malformed()
{
    QFETCH(QByteArray, text);
    QFETCH(int, line);
    writeFile(file_, text.toStdString());
    try {
        HiveFile(file_).load();
        QFAIL("parsed");
    } catch (const HiveFileError& e) {
        QCOMPARE(QString::fromUtf8(e.what()),
                 QString("Registerbestand '%1' is onleesbaar (regel %2).")
                     .arg(QString::fromStdString(file_.string()))
                     .arg(line));
        QCOMPARE(e.line(), line);
    }
}

void TestHive::unreadableFileIsNamed()
{
    fs::create_directory(file_);
    HiveRegistry registry(file_);
    try {
        registry.openKey(ConfigKey);
        QFAIL("opened");
    } catch (const HiveFileError& e) {
        QVERIFY2(QString::fromUtf8(e.what()).startsWith(
                     QString("Registerbestand '%1' ").arg(QString::fromStdString(file_.string()))),
                 e.what());
    }
}

void TestHive::accessor_data()
{
    QTest::addColumn<QString>("file");   // none, normal or readonly
    QTest::addColumn<QString>("key");    // empty: open no key
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("action"); // read or write
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QString>("error");

    const QString key = ConfigKey;
    QTest::newRow("missing file read") << "none" << key << false << "read" << "Configuratie" << QByteArray() << "";
    QTest::newRow("missing file write")
        << "none" << key << false << "write" << "Configuratie" << QByteArray() << "Failed to set data for 'Configuratie'";
    QTest::newRow("missing key read") << "normal" << key + "\\9" << false << "read" << "Host" << QByteArray() << "";
    QTest::newRow("missing key write")
        << "normal" << key + "\\9" << false << "write" << "Host" << QByteArray() << "Failed to set data for 'Host'";
    QTest::newRow("no key opened write")
        << "normal" << "" << false << "write" << "Host" << QByteArray() << "Failed to set data for 'Host'";
    QTest::newRow("no key opened read") << "normal" << "" << false << "read" << "Naam1" << QByteArray() << "";
    QTest::newRow("string") << "normal" << key << true << "read" << "Naam1" << QByteArray("Lokale server") << "";
    QTest::newRow("any case") << "normal" << key.toUpper() + "\\1" << true << "read" << "HOST"
                              << QByteArray("localhost") << "";
    QTest::newRow("cut at nul") << "normal" << key << true << "read" << "Knip" << QByteArray("ab") << "";
    QTest::newRow("missing value") << "normal" << key << true << "read" << "Naam2" << QByteArray() << "";
    QTest::newRow("dword") << "normal" << key << true << "read" << "Poort" << QByteArray()
                           << "Invalid data type for 'Poort'";
    QTest::newRow("hex") << "normal" << key << true << "read" << "Blob" << QByteArray()
                         << "Invalid data type for 'Blob'";
    QTest::newRow("write") << "normal" << key << true << "write" << "Naam2" << QByteArray("Tweede") << "";
    QTest::newRow("write over dword") << "normal" << key << true << "write" << "Poort" << QByteArray("3306") << "";
    QTest::newRow("read-only file read") << "readonly" << key << true << "read" << "Configuratie" << QByteArray("1")
                                         << "";
    QTest::newRow("read-only file write")
        << "readonly" << key << true << "write" << "Configuratie" << QByteArray() << "Failed to set data for 'Configuratie'";
}

void TestHive::accessor()
{
    QFETCH(QString, file);
    QFETCH(QString, key);
    QFETCH(bool, opens);
    QFETCH(QString, action);
    QFETCH(QString, name);
    QFETCH(QByteArray, result);
    QFETCH(QString, error);

    if (file != "none")
        writeFile(file_, Fixture);
    if (file == "readonly")
        QVERIFY(::chmod(file_.c_str(), 0444) == 0);
    const std::string before = readFile(file_);

    HiveRegistry registry(file_);
    if (!key.isEmpty())
        QCOMPARE(registry.openKey(key.toStdString()), opens);

    QString thrown;
    try {
        if (action == "read") {
            QCOMPARE(QByteArray::fromStdString(registry.readString(name.toStdString())), result);
        } else {
            registry.writeString(name.toStdString(), result.toStdString());
        }
    } catch (const RegistryError& e) {
        thrown = QString::fromUtf8(e.what());
    }
    QCOMPARE(thrown, error);

    if (action == "write" && error.isEmpty()) {
        // A fresh accessor, as the program uses one per sequence.
        HiveRegistry again(file_);
        QVERIFY(again.openKey(key.toStdString()));
        QCOMPARE(QByteArray::fromStdString(again.readString(name.toStdString())), result);
    } else {
        QCOMPARE(readFile(file_), before);
    }
    if (file != "none")
        QCOMPARE(strayFiles(file_.parent_path()), QStringList());
    else
        QVERIFY(!fs::exists(file_));
}

// Each read goes to the file as it is now, and a write to a key that has
// since disappeared fails rather than bringing the key back.
void TestHive::seesReplacedFile()
{
    writeFile(file_, Fixture);
    HiveRegistry registry(file_);
    QVERIFY(registry.openKey(std::string(ConfigKey) + "\\1"));
    QCOMPARE(registry.readString("Host"), std::string("localhost"));

    std::string other = Fixture;
    other.replace(other.find("localhost"), 9, "db.example");
    writeFile(file_.string() + ".new", other);
    fs::rename(file_.string() + ".new", file_);
    QCOMPARE(registry.readString("Host"), std::string("db.example"));

    const std::string without = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software]\n";
    writeFile(file_, without);
    QCOMPARE(registry.readString("Host"), std::string());
    QVERIFY_THROWS_EXCEPTION(RegistryError, registry.writeString("Host", "x"));
    QCOMPARE(readFile(file_), without);

    registry.closeKey();
    QCOMPARE(registry.readString("Host"), std::string());
}

void TestHive::writeKeepsOtherValuesAndMode()
{
    writeFile(file_, Fixture);
    QVERIFY(::chmod(file_.c_str(), 0640) == 0);
    const Hive before = *HiveFile(file_).load();

    HiveRegistry registry(file_);
    QVERIFY(registry.openKey(ConfigKey));
    registry.writeString("Configuratie", "2");
    registry.writeString("Naam2", "Server op zolder");

    QCOMPARE(modeOf(file_), mode_t(0640));
    Hive expected = before;
    QVERIFY(expected.setString(ConfigKey, "configuratie", "2"));
    QVERIFY(expected.setString(ConfigKey, "Naam2", "Server op zolder"));
    QVERIFY(*HiveFile(file_).load() == expected);
}

void TestHive::newFileIsPrivate()
{
    const fs::path nested = fs::path(dir_->path().toStdString()) / "a" / "b" / "registry.reg";
    const HiveFile file(nested);
    bool called = false;
    QVERIFY(!file.update([&](Hive&) { return called = true; }));
    QVERIFY(!called);
    QVERIFY(!fs::exists(nested.parent_path()));

    QVERIFY(file.update([](Hive& h) { h.addKey(ConfigKey); return true; }, true));
    QCOMPARE(modeOf(nested), mode_t(0600));
    QCOMPARE(modeOf(nested.string() + ".lock"), mode_t(0600));
    QCOMPARE(modeOf(nested.parent_path()), mode_t(0700));
    QCOMPARE(modeOf(nested.parent_path().parent_path()), mode_t(0700));
    const std::optional<Hive> h = file.load();
    QVERIFY(h && h->hasKey(ConfigKey) && h->hasKey("Software\\Morvek"));
}

void TestHive::badFileIsNeverRewritten()
{
    const std::string bad = std::string(Fixture) + "\"Host\"=\"half";
    writeFile(file_, bad);
    const QString expected = QString("Registerbestand '%1' is onleesbaar (regel 12).")
                                 .arg(QString::fromStdString(file_.string()));

    HiveRegistry registry(file_);
    try {
        registry.openKey(ConfigKey);
        QFAIL("opened");
    } catch (const HiveFileError& e) {
        QCOMPARE(QString::fromUtf8(e.what()), expected);
    }

    // The file turns bad between opening the key and writing.
    writeFile(file_, Fixture);
    QVERIFY(registry.openKey(ConfigKey));
    writeFile(file_, bad);
    try {
        registry.writeString("Host", "x");
        QFAIL("written");
    } catch (const HiveFileError& e) {
        QCOMPARE(QString::fromUtf8(e.what()), expected);
    }
    QVERIFY_THROWS_EXCEPTION(HiveFileError,
                             HiveFile(file_).update([](Hive& h) { h = Hive(); return true; }, true));
    QCOMPARE(readFile(file_), bad);
    QCOMPARE(strayFiles(file_.parent_path()), QStringList());
}

// Separate processes, each with its own accessor, write distinct values to
// one key; the lock and the re-read under it must keep every one.
void TestHive::concurrentWritersLoseNothing()
{
    writeFile(file_, Fixture);
    constexpr int writers = 4;
    constexpr int writes = 40;
    std::vector<pid_t> children;
    for (int w = 0; w < writers; ++w) {
        const pid_t pid = ::fork();
        QVERIFY(pid >= 0);
        if (pid == 0) {
            int status = 0;
            try {
                for (int i = 0; i < writes; ++i) {
                    HiveRegistry registry(file_);
                    if (!registry.openKey(ConfigKey))
                        status = 2;
                    registry.writeString("W" + std::to_string(w) + "_" + std::to_string(i), std::to_string(w * 1000 + i));
                }
            } catch (...) {
                status = 1;
            }
            ::_exit(status);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = -1;
        QCOMPARE(::waitpid(pid, &status, 0), pid);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    const std::optional<Hive> h = HiveFile(file_).load();
    QVERIFY(h);
    for (int w = 0; w < writers; ++w)
        for (int i = 0; i < writes; ++i) {
            const HiveValue* v = h->value(ConfigKey, "W" + std::to_string(w) + "_" + std::to_string(i));
            QVERIFY(v);
            QCOMPARE(v->text, std::to_string(w * 1000 + i));
        }
    QCOMPARE(h->value(ConfigKey, "Naam1")->text, std::string("Lokale server"));
    QCOMPARE(strayFiles(file_.parent_path()), QStringList());
}

void TestHive::hivePathFromEnvironment_data()
{
    QTest::addColumn<QByteArray>("registry");
    QTest::addColumn<QByteArray>("xdg");
    QTest::addColumn<QByteArray>("home");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("explicit") << QByteArray("/r/x.reg") << QByteArray("/xdg") << QByteArray("/h")
                              << QByteArray("/r/x.reg");
    QTest::newRow("empty explicit") << QByteArray("") << QByteArray("/xdg") << QByteArray("/h")
                                    << QByteArray("/xdg/kwisvinder/registry.reg");
    QTest::newRow("home") << QByteArray() << QByteArray() << QByteArray("/h")
                          << QByteArray("/h/.config/kwisvinder/registry.reg");
    QTest::newRow("relative xdg") << QByteArray() << QByteArray("rel") << QByteArray("/h")
                                  << QByteArray("/h/.config/kwisvinder/registry.reg");
}

void TestHive::hivePathFromEnvironment()
{
    QFETCH(QByteArray, registry);
    QFETCH(QByteArray, xdg);
    QFETCH(QByteArray, home);
    QFETCH(QByteArray, expected);

    const char* names[] = {"KWISVINDER_REGISTRY", "XDG_CONFIG_HOME", "HOME"};
    const QByteArray values[] = {registry, xdg, home};
    QByteArray saved[3];
    bool had[3];
    for (int i = 0; i < 3; ++i) {
        had[i] = qEnvironmentVariableIsSet(names[i]);
        saved[i] = qgetenv(names[i]);
        if (values[i].isNull())
            qunsetenv(names[i]);
        else
            qputenv(names[i], values[i]);
    }
    const std::string path = hivePath().string();

    // openRegistry() follows the same path.
    qputenv("KWISVINDER_REGISTRY", QByteArray::fromStdString(file_.string()));
    writeFile(file_, Fixture);
    const bool opened = openRegistry()->openKey(ConfigKey);

    for (int i = 0; i < 3; ++i) {
        if (had[i])
            qputenv(names[i], saved[i]);
        else
            qunsetenv(names[i]);
    }
    QCOMPARE(QByteArray::fromStdString(path), expected);
    QVERIFY(opened);
}

QTEST_GUILESS_MAIN(TestHive)
#include "tst_hive.moc"
