// kv_bench: the program's search next to the least the client library needs
// for the same statement, on the Dutch word table as the setup tool imports
// it and on a synthetic table of a million words; the table layouts compared
// with EXPLAIN; start-up against a bare Qt window; memory for the whole table.
//
//   kv_bench [--smoke] [--runs N] [--words FILE] [--synthetic N]
//            [--buffer-pool SIZE] [--start-runs N] [--kept-layout-only] [--out FILE]
//            [--startup-only]
//
// --synthetic 0 leaves the synthetic table out. --startup-only takes only the
// start-up figures, without a server or tables.
//
// Prints a table and writes the same figures as JSON lines to --out. With
// --smoke it runs everything once on tiny tables and fails when the program
// lists anything other than the statement's rows.
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include <mysql.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "hoofdvenster.h"
#include "privateserver.h"
#include "schema.h"
#include "statements.h"
#include "wordrule.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void fail(const std::string& message)
{
    throw std::runtime_error(message);
}

// ---- the patterns -----------------------------------------------------------

struct Pattern {
    const char* name;
    int count;
    std::array<std::string, 10> letters;
    std::string like() const { return kv::searchPattern(letters, count); }
};

const std::vector<Pattern>& patterns()
{
    static const std::vector<Pattern> all{
        {"rare", 5, {"K", "", "A", "", "", "", "", "", "", ""}},
        {"first-letter", 10, {"A", "", "", "", "", "", "", "", "", ""}},
        {"last-letter", 10, {"", "", "", "", "", "", "", "", "", "S"}},
        {"open-10", 10, {}},
        {"open-5", 5, {}},
        {"whole-table", 2, {"%", ""}},
    };
    return all;
}

// The statement exactly as the program sends it.
std::string statementFor(MYSQL* mysql, const std::string& like)
{
    const std::string literal = kv::likeLiteral(like);
    std::string escaped(literal.size() * 2 + 1, '\0');
    escaped.resize(mysql_real_escape_string(mysql, escaped.data(), literal.data(), literal.size()));
    return kv::searchStatement(escaped);
}

// ---- a plain client connection ------------------------------------------------

class Client {
public:
    Client(const QString& socket, const char* user, const char* password)
        : mysql_(mysql_init(nullptr))
    {
        mysql_options(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        const QByteArray path = QFile::encodeName(socket);
        if (!mysql_real_connect(mysql_, "localhost", user, password, "kv", 0, path.constData(), 0))
            fail(std::string("connect: ") + mysql_error(mysql_));
    }
    ~Client() { mysql_close(mysql_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    MYSQL* get() const { return mysql_; }

    void run(const std::string& sql)
    {
        if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
            fail(sql.substr(0, 200) + ": " + mysql_error(mysql_));
        if (MYSQL_RES* result = mysql_store_result(mysql_))
            mysql_free_result(result);
    }

    std::vector<std::vector<std::string>> rows(const std::string& sql)
    {
        if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
            fail(sql.substr(0, 200) + ": " + mysql_error(mysql_));
        std::vector<std::vector<std::string>> out;
        MYSQL_RES* result = mysql_store_result(mysql_);
        if (!result)
            return out;
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            std::vector<std::string> values;
            for (unsigned i = 0; i < columns; ++i)
                values.emplace_back(row[i] ? std::string(row[i], lengths[i]) : std::string("NULL"));
            out.push_back(std::move(values));
        }
        mysql_free_result(result);
        return out;
    }

    // The floor: the statement, the result stored, every row fetched, freed.
    // Nothing converted, nothing shown. Returns the row count.
    unsigned long long bare(const std::string& statement)
    {
        if (mysql_real_query(mysql_, statement.data(), statement.size()) != 0)
            fail(statement + ": " + mysql_error(mysql_));
        MYSQL_RES* result = mysql_store_result(mysql_);
        if (!result)
            fail(statement + ": " + mysql_error(mysql_));
        unsigned long long n = 0;
        while (mysql_fetch_row(result))
            ++n;
        mysql_free_result(result);
        return n;
    }

    // The words as the program must list them: server order, a..z upper-cased.
    QByteArray listing(const std::string& statement)
    {
        QByteArray all;
        for (const auto& row : rows(statement)) {
            all += QByteArray::fromStdString(kv::upperAscii(row[0] == "NULL" ? std::string() : row[0]));
            all += '\n';
        }
        return all;
    }

private:
    MYSQL* mysql_;
};

// ---- the synthetic words ------------------------------------------------------

std::vector<std::string> codePoints(const std::string& word)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < word.size();) {
        std::size_t n = 1;
        while (i + n < word.size() && (static_cast<unsigned char>(word[i + n]) & 0xC0) == 0x80)
            ++n;
        out.push_back(word.substr(i, n));
        i += n;
    }
    return out;
}

// A first-order Markov chain over the letters of the accepted words (in
// lower case), with a start and an end state, so letter frequencies, common
// pairs and word lengths follow the list. Fixed seed: every run the same words.
std::vector<std::string> syntheticWords(const std::vector<std::string>& training, std::size_t count)
{
    std::vector<std::string> symbols{""}; // 0: start and end
    std::map<std::string, int> index{{"", 0}};
    auto id = [&](const std::string& s) {
        auto [it, added] = index.emplace(s, static_cast<int>(symbols.size()));
        if (added)
            symbols.push_back(s);
        return it->second;
    };
    std::map<int, std::map<int, std::uint64_t>> counts;
    for (const std::string& word : training) {
        const std::string lower = QString::fromUtf8(word.data(), qsizetype(word.size())).toLower().toStdString();
        int previous = 0;
        for (const std::string& c : codePoints(lower)) {
            const int next = id(c);
            ++counts[previous][next];
            previous = next;
        }
        ++counts[previous][0];
    }
    struct Row {
        std::vector<int> next;
        std::vector<std::uint64_t> cumulative;
    };
    std::vector<Row> table(symbols.size());
    for (const auto& [from, to] : counts) {
        std::uint64_t sum = 0;
        for (const auto& [next, n] : to) {
            sum += n;
            table[from].next.push_back(next);
            table[from].cumulative.push_back(sum);
        }
    }

    std::mt19937_64 random(20240501);
    std::vector<std::string> words;
    words.reserve(count);
    while (words.size() < count) {
        std::string word;
        int length = 0;
        int state = 0;
        for (;;) {
            const Row& row = table[state];
            if (row.next.empty())
                break;
            const std::uint64_t pick = random() % row.cumulative.back();
            const auto at = std::upper_bound(row.cumulative.begin(), row.cumulative.end(), pick);
            state = row.next[at - row.cumulative.begin()];
            if (state == 0 || ++length > 10)
                break;
            word += symbols[state];
        }
        if (state == 0 && length >= 2 && length <= 10)
            words.push_back(std::move(word));
    }
    return words;
}

// ---- table layouts ------------------------------------------------------------

struct Layout {
    const char* name;
    const char* key; // replaces the key of WordTableSchema; nullptr: as it is
    bool dropsEqualWords; // a unique key: words equal under the collation are lost
};

// "loaded" is the table as imported, with the layout of db/schema.h: the
// program's figures are taken on it. The others are copies of it made the
// same way each (one INSERT ... SELECT into an empty table, which InnoDB
// builds sorted), so they differ only in their keys, not in how full their
// pages are.
const std::vector<Layout>& layouts()
{
    static const std::vector<Layout> all{
        {"loaded", nullptr, false},
        {"secondary_key", "KEY woord (woord)", false},
        {"covering_key", nullptr, false},
        {"both_keys", "KEY woord (woord), KEY woord_alles (woord, lengte, veld3, veld4, veld5, veld6, veld7)", false},
        {"clustered_pk", "PRIMARY KEY (woord)", true},
    };
    return all;
}

std::string createStatement(const std::string& table, const Layout& layout)
{
    std::string sql = kv::WordTableSchema;
    sql.replace(sql.find("CREATE TABLE kvls"), 17, "CREATE TABLE " + table);
    if (layout.key) {
        const std::size_t from = sql.find("KEY woord (");
        const std::size_t to = sql.find(')', from) + 1;
        sql.replace(from, to - from, layout.key);
    }
    if (layout.dropsEqualWords)
        sql.replace(sql.find("COLLATE utf8mb4_unicode_520_ci NULL"), 35, "COLLATE utf8mb4_unicode_520_ci NOT NULL");
    return sql;
}

// ---- the program, in this process ------------------------------------------------

class ProgramWindow : public QObject {
public:
    ProgramWindow()
        : window_({})
    {
        window_.show();
        count_ = child<QLineEdit>("AantalLetters");
        for (int i = 0; i < 10; ++i)
            letters_[i] = child<QLineEdit>(QStringLiteral("Letter%1").arg(i + 1));
        search_ = child<QPushButton>("ZoekKnop");
        list_ = child<QListView>("Gevonden");
        tabs_ = child<QTabBar>("tabBar");
        list_->viewport()->installEventFilter(this);
        settle();
    }

    // Back on the input page with the boxes filled, as a user leaves it
    // before pressing the button; not timed.
    void prepare(const Pattern& p)
    {
        tabs_->setCurrentIndex(0);
        count_->setText(QString::number(p.count));
        for (int i = 0; i < 10; ++i)
            letters_[i]->setText(QString::fromStdString(p.letters[i]));
        settle();
    }

    // From the press of the button to the list filled, laid out and painted.
    double press()
    {
        paints_ = 0;
        const auto start = Clock::now();
        search_->click();
        QElapsedTimer limit;
        limit.start();
        for (;;) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
            if (paints_ > 0 && laidOut())
                break;
            if (limit.elapsed() > 10000)
                fail("the list was not shown within 10 s");
        }
        return msSince(start);
    }

    QByteArray listing() const
    {
        QAbstractItemModel* model = list_->model();
        QByteArray all;
        for (int row = 0; row < model->rowCount(); ++row) {
            all += model->index(row, 0).data().toString().toUtf8();
            all += '\n';
        }
        return all;
    }

    int rows() const { return list_->model()->rowCount(); }

    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints_;
        return false;
    }

private:
    template <typename T>
    T* child(const QString& name)
    {
        T* c = window_.findChild<T*>(name);
        if (!c)
            fail("no child " + name.toStdString());
        return c;
    }

    bool laidOut() const
    {
        const int n = rows();
        return n == 0 || list_->visualRect(list_->model()->index(n - 1, 0)).isValid();
    }

    static void settle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    kv::THoofdVenster window_;
    QLineEdit* count_ = nullptr;
    std::array<QLineEdit*, 10> letters_{};
    QPushButton* search_ = nullptr;
    QListView* list_ = nullptr;
    QTabBar* tabs_ = nullptr;
    int paints_ = 0;
};

// ---- /proc -------------------------------------------------------------------------

long statusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

QString machine()
{
    QString cpu;
    QFile info(QStringLiteral("/proc/cpuinfo"));
    if (info.open(QIODevice::ReadOnly))
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("model name")) {
                cpu = QString::fromUtf8(line.mid(line.indexOf(':') + 1)).trimmed();
                break;
            }
    QString memory;
    QFile meminfo(QStringLiteral("/proc/meminfo"));
    if (meminfo.open(QIODevice::ReadOnly)) {
        const QByteArray first = meminfo.readLine();
        memory = QStringLiteral("%1 GiB").arg(first.simplified().split(' ').value(1).toDouble() / 1048576.0, 0, 'f', 1);
    }
    return QStringLiteral("%1, %2 cores, %3").arg(cpu).arg(std::thread::hardware_concurrency()).arg(memory);
}

// ---- child processes -----------------------------------------------------------------

// Wall time of a program from start to exit; -1 when it failed.
double timeProcess(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto start = Clock::now();
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return msSince(start);
}

QString grepExpression(const std::string& like)
{
    QString expression;
    for (const QChar c : QString::fromStdString(like)) {
        if (c == QLatin1Char('_'))
            expression += QLatin1Char('.');
        else if (c == QLatin1Char('%'))
            expression += QStringLiteral(".*");
        else
            expression += QRegularExpression::escape(c);
    }
    return expression;
}

// The memory probe, run as a child so nothing the benchmark itself holds
// counts: the idle main window, then the whole table listed.
int memoryProbe()
{
    ProgramWindow window;
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    const long idle = statusKb("VmRSS");
    {
        // Resets the peak to what is resident now.
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
    }
    const Pattern& whole = patterns().back();
    window.prepare(whole);
    window.press();
    const long peak = statusKb("VmHWM");
    const long after = statusKb("VmRSS");
    std::printf("{\"idle_rss_kb\":%ld,\"peak_kb\":%ld,\"after_rss_kb\":%ld,\"rows\":%d}\n", idle, peak, after,
                window.rows());
    return window.rows() > 0 ? 0 : 1;
}

// ---- the run ----------------------------------------------------------------------------

struct Settings {
    bool smoke = false;
    int runs = 9;
    int startRuns = 21;
    QString words = QStringLiteral("/usr/share/dict/dutch");
    std::size_t synthetic = 1000000;
    QString bufferPool = QStringLiteral("128M");
    QString out = QStringLiteral("kv_bench_results.jsonl");
    bool allLayouts = true; // else only the layout of db/schema.h
    bool startUpOnly = false;
};

class Bench {
public:
    explicit Bench(const Settings& s)
        : s_(s), server_(serverOptions(s))
    {
    }

    int run();

private:
    static PrivateServer::Options serverOptions(const Settings& s)
    {
        PrivateServer::Options options;
        options.bufferPoolSize = s.bufferPool;
        // Room for loading a million rows in one transaction.
        options.logFileSize = s.smoke ? QStringLiteral("8M") : QStringLiteral("256M");
        options.generalLog = false;
        return options;
    }

    void record(const QJsonObject& fields)
    {
        out_.write(QJsonDocument(fields).toJson(QJsonDocument::Compact) + '\n');
        out_.flush();
    }
    void say(const QString& text)
    {
        QTextStream(stdout) << text << Qt::endl;
    }

    void loadTables();
    void activate(const std::string& table);
    void waitUntilQuiet();
    void measureTable(const char* tableName, const QString& wordFile);
    void measureStartUp();
    void measureMemory();

    Settings s_;
    PrivateServer server_;
    QTemporaryDir work_;
    QFile out_;
    QString hive_;
    std::string active_; // the table now named kvls
    std::map<std::string, std::uint64_t> tableRows_;
    QString dutchFile_;
    QString syntheticFile_;
    bool allSame_ = true;
    bool allMeasured_ = true;
};

void Bench::activate(const std::string& table)
{
    if (table == active_)
        return;
    Client admin(server_.socketPath(), "root", "");
    if (active_.empty())
        admin.run("RENAME TABLE kv." + table + " TO kv.kvls");
    else
        admin.run("RENAME TABLE kv.kvls TO kv." + active_ + ", kv." + table + " TO kv.kvls");
    active_ = table;
}

void Bench::loadTables()
{
    // The Dutch table as the run command makes it: the setup tool's import.
    dutchFile_ = s_.words;
    if (s_.smoke) {
        dutchFile_ = work_.filePath(QStringLiteral("woorden.txt"));
        QFile f(dutchFile_);
        f.open(QIODevice::WriteOnly);
        f.write("kaas\nklaar\nkraan\nknaap\nkwast\nideeën\nidee\nideé\nBob\nbob\nop\naa\nUi\nauto's\nappelboom\n"
                "aardappels\nstraten\nkrassen\nakkers\nbakker\nzeilboot\nwolken\nijsbeer\nIJssel\ncafé\ncafe\n"
                "kreeften\nlampen\nmuren\nnamen\nopen\npraat\nrozen\nsteen\ntafels\nuilen\nvissen\nwater\nzakken\n");
    }
    server_.createWordTable();
    const auto importStart = Clock::now();
    QProcess import;
    import.setProcessChannelMode(QProcess::MergedChannels);
    import.start(QStringLiteral(KV_SETUP_TOOL),
                 {QStringLiteral("import"), dutchFile_, QStringLiteral("--admin-socket"), server_.socketPath()});
    if (!import.waitForFinished(600000) || import.exitCode() != 0)
        fail("import failed: " + import.readAll().toStdString());
    const double importMs = msSince(importStart);
    say(QString::fromUtf8(import.readAll()).section(QLatin1Char('\n'), 0, 0).trimmed());
    server_.exec(QStringLiteral("RENAME TABLE kv.kvls TO kv.dutch_loaded"));
    record({{"record", "import"}, {"table", "dutch"}, {"ms", importMs}});

    // The words the import kept, to train the synthetic table on.
    std::vector<std::string> kept;
    {
        Client admin(server_.socketPath(), "root", "");
        for (const auto& row : admin.rows("SELECT woord FROM kv.dutch_loaded"))
            kept.push_back(row[0]);
    }
    const std::vector<std::string> synthetic = syntheticWords(kept, s_.smoke ? 2000 : s_.synthetic);
    syntheticFile_ = work_.filePath(QStringLiteral("synthetisch.txt"));
    {
        std::ofstream f(QFile::encodeName(syntheticFile_).toStdString());
        for (const std::string& w : synthetic)
            f << w << '\n';
    }

    Client admin(server_.socketPath(), "root", "");
    const auto synthStart = Clock::now();
    admin.run(createStatement("synthetic_loaded", layouts()[0]));
    admin.run("START TRANSACTION");
    const std::size_t batch = 5000;
    for (std::size_t at = 0; at < synthetic.size(); at += batch) {
        std::string sql = "INSERT INTO synthetic_loaded VALUES ";
        for (std::size_t i = at; i < std::min(synthetic.size(), at + batch); ++i) {
            if (i > at)
                sql += ',';
            sql += "('" + synthetic[i] + "','" + std::to_string(kv::characterCount(synthetic[i]))
                   + "','null','null','null','null','null')";
        }
        admin.run(sql);
    }
    admin.run("COMMIT");
    record({{"record", "import"}, {"table", "synthetic"}, {"ms", msSince(synthStart)}});

    // The other layouts, filled from the first in the same (insertion) order.
    for (const char* table : {"dutch", "synthetic"}) {
        if (synthetic.empty() && table == std::string("synthetic"))
            break;
        const std::string source = std::string(table) + "_loaded";
        tableRows_[table] = std::stoull(admin.rows("SELECT COUNT(*) FROM " + source)[0][0]);
        for (const Layout& layout : layouts()) {
            if (layout.name == std::string("loaded") || !s_.allLayouts)
                continue;
            const std::string name = std::string(table) + "_" + layout.name;
            admin.run(createStatement(name, layout));
            admin.run(std::string("INSERT ") + (layout.dropsEqualWords ? "IGNORE " : "") + "INTO " + name
                      + " SELECT * FROM " + source);
            // Fresh statistics, or the optimizer may misjudge a new table.
            admin.run("ANALYZE TABLE " + name);
        }
        admin.run("ANALYZE TABLE " + source);
    }
}

// After loading, InnoDB flushes pages and purges old row versions in the
// background for a while; figures taken meanwhile measure that instead.
void Bench::waitUntilQuiet()
{
    Client admin(server_.socketPath(), "root", "");
    auto status = [&](const char* name) {
        return std::stoll(admin.rows(std::string("SELECT VARIABLE_VALUE FROM information_schema.GLOBAL_STATUS "
                                                 "WHERE VARIABLE_NAME='") + name + "'").at(0).at(0));
    };
    const std::string dirtyLimit = admin.rows("SELECT @@GLOBAL.innodb_max_dirty_pages_pct").at(0).at(0);
    admin.run("SET GLOBAL innodb_max_dirty_pages_pct=0");
    const auto start = Clock::now();
    while (msSince(start) < 300000
           && (status("INNODB_BUFFER_POOL_PAGES_DIRTY") > 0 || status("INNODB_HISTORY_LIST_LENGTH") > 0))
        QThread::msleep(200);
    admin.run("SET GLOBAL innodb_max_dirty_pages_pct=" + dirtyLimit);
    QThread::msleep(500);
    say(QStringLiteral("Server quiet after %1 s of flushing and purging.").arg(msSince(start) / 1000, 0, 'f', 1));
}

void Bench::measureTable(const char* tableName, const QString& wordFile)
{
    Client admin(server_.socketPath(), "root", "");
    Client floor(server_.socketPath(), "kvbench", "kvbench");
    const std::uint64_t tableRows = tableRows_[tableName];
    say(QStringLiteral("\nTable %1: %2 words").arg(QLatin1String(tableName)).arg(tableRows));

    // Each layout: rows, the floor and EXPLAIN per pattern.
    std::map<std::string, QByteArray> reference; // pattern -> listing on the program's layout
    std::map<std::string, std::map<std::string, QString>> layoutCells;
    for (const Layout& layout : layouts()) {
        if (!s_.allLayouts && layout.name != std::string("loaded"))
            continue;
        const std::string table = std::string(tableName) + "_" + layout.name;
        activate(table);
        const std::uint64_t rows = std::stoull(admin.rows("SELECT COUNT(*) FROM kvls")[0][0]);
        const auto size = admin.rows("SELECT DATA_LENGTH, INDEX_LENGTH FROM information_schema.TABLES "
                                     "WHERE TABLE_SCHEMA='kv' AND TABLE_NAME='kvls'").at(0);
        const double dataMb = std::stod(size[0]) / 1048576, indexMb = std::stod(size[1]) / 1048576;
        say(QStringLiteral("  %1: %2 rows, rows %3 MB, index %4 MB")
                .arg(QLatin1String(layout.name)).arg(rows).arg(dataMb, 0, 'f', 1).arg(indexMb, 0, 'f', 1));
        record({{"record", "table"}, {"table", tableName}, {"layout", layout.name}, {"rows", qint64(rows)},
                {"data_mb", dataMb}, {"index_mb", indexMb}});
        for (const Pattern& p : patterns()) {
            const std::string statement = statementFor(floor.get(), p.like());
            const auto plan = admin.rows("EXPLAIN " + statement);
            const auto& e = plan.at(0); // id select_type table type possible_keys key key_len ref rows Extra
            std::vector<double> times;
            unsigned long long found = floor.bare(statement);
            for (int r = 0; r < s_.runs; ++r) {
                const auto start = Clock::now();
                found = floor.bare(statement);
                times.push_back(msSince(start));
            }
            const QByteArray listed = floor.listing(statement);
            bool same = true;
            if (!layout.dropsEqualWords) {
                auto [it, first] = reference.emplace(p.name, listed);
                same = first || it->second == listed;
                allSame_ = allSame_ && same;
            }
            const double ms = median(times);
            layoutCells[p.name][layout.name] =
                QStringLiteral("%1 ms %2/%3").arg(ms, 0, 'f', 1).arg(QString::fromStdString(e[3]), QString::fromStdString(e[9]));
            record({{"record", "layout"}, {"table", tableName}, {"layout", layout.name}, {"table_rows", qint64(rows)},
                  {"pattern", p.name}, {"like", QString::fromStdString(p.like())}, {"rows", qint64(found)},
                  {"floor_ms", ms}, {"same_as_first", same},
                  {"explain", QJsonObject{{"type", QString::fromStdString(e[3])}, {"key", QString::fromStdString(e[5])},
                                          {"rows", QString::fromStdString(e[8])}, {"extra", QString::fromStdString(e[9])}}}});
        }
        if (layout.dropsEqualWords)
            say(QStringLiteral("  %1 keeps %2 of %3 words: it rejects words equal under the collation")
                    .arg(QLatin1String(layout.name)).arg(rows).arg(tableRows));
    }
    say(QStringLiteral("  floor per layout (median ms, EXPLAIN type/Extra):"));
    for (const Pattern& p : patterns()) {
        QString line = QStringLiteral("    %1").arg(QLatin1String(p.name), -13);
        for (const Layout& layout : layouts())
            if (layoutCells[p.name].count(layout.name))
                line += QStringLiteral("  %1: %2").arg(QLatin1String(layout.name)).arg(layoutCells[p.name][layout.name], -30);
        say(line);
    }

    // The program on the layout of db/schema.h.
    activate(std::string(tableName) + "_loaded");
    ProgramWindow window;
    say(QStringLiteral("  %1 %2 %3 %4 %5 %6 %7 %8 %9")
            .arg(QStringLiteral("pattern"), -13).arg(QStringLiteral("like"), -11).arg(QStringLiteral("rows"), 7)
            .arg(QStringLiteral("floor ms"), 9).arg(QStringLiteral("program"), 9).arg(QStringLiteral("ratio"), 6)
            .arg(QStringLiteral("diff ms"), 8).arg(QStringLiteral("grep ms"), 8).arg(QStringLiteral("mariadb ms"), 11)
        + QStringLiteral(" same"));
    for (const Pattern& p : patterns()) {
        const std::string statement = statementFor(floor.get(), p.like());
        window.prepare(p);
        window.press(); // opens the connection the first time
        floor.bare(statement);
        std::vector<double> floorTimes, programTimes;
        unsigned long long rows = 0;
        // Taken in turns, so both see the same state of the caches.
        for (int r = 0; r < s_.runs; ++r) {
            auto start = Clock::now();
            rows = floor.bare(statement);
            floorTimes.push_back(msSince(start));
            window.prepare(p);
            programTimes.push_back(window.press());
        }
        if (qEnvironmentVariableIsSet("KV_BENCH_TRACE")) {
            QString t;
            for (std::size_t i = 0; i < floorTimes.size(); ++i)
                t += QStringLiteral(" %1/%2").arg(floorTimes[i], 0, 'f', 1).arg(programTimes[i], 0, 'f', 1);
            say(QStringLiteral("    %1 floor/program:%2").arg(QLatin1String(p.name), t));
        }
        const bool same = window.listing() == reference[p.name];
        allSame_ = allSame_ && same;

        // For reference: grep over the word list and the command-line client.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        std::vector<double> grepTimes, cliTimes;
        const int referenceRuns = s_.smoke ? 1 : 5;
        const QStringList grepArguments{QStringLiteral("-c"), QStringLiteral("-x"), QStringLiteral("-i"),
                                        grepExpression(p.like()), wordFile};
        const QStringList cliArguments{QStringLiteral("-N"), QStringLiteral("--socket=") + server_.socketPath(),
                                       QStringLiteral("-ukvbench"), QStringLiteral("-pkvbench"),
                                       QStringLiteral("--default-character-set=utf8mb4"), QStringLiteral("kv"),
                                       QStringLiteral("-e"), QString::fromStdString(statement)};
        for (int r = 0; r < referenceRuns; ++r) {
            // grep exits 1 when nothing matches; count it anyway.
            QProcess grep;
            grep.setProcessEnvironment(env);
            grep.setStandardOutputFile(QProcess::nullDevice());
            const auto start = Clock::now();
            grep.start(QStringLiteral("grep"), grepArguments);
            grep.waitForFinished(60000);
            grepTimes.push_back(grep.exitCode() <= 1 ? msSince(start) : -1);
            cliTimes.push_back(timeProcess(QStringLiteral("mariadb"), cliArguments, env));
        }
        QProcess count;
        count.setProcessEnvironment(env);
        count.start(QStringLiteral("grep"), grepArguments);
        count.waitForFinished(60000);
        const qint64 grepRows = count.readAll().trimmed().toLongLong();

        const double f = median(floorTimes), prog = median(programTimes);
        const double g = median(grepTimes), c = median(cliTimes);
        if (window.rows() != int(rows) || f <= 0 || prog <= 0)
            allMeasured_ = false;
        say(QStringLiteral("  %1 %2 %3 %4 %5 %6 %7 %8 %9 %10")
                .arg(QLatin1String(p.name), -13).arg(QString::fromStdString(p.like()), -11).arg(rows, 7)
                .arg(f, 9, 'f', 2).arg(prog, 9, 'f', 2).arg(prog / f, 6, 'f', 2).arg(prog - f, 8, 'f', 2)
                .arg(g, 8, 'f', 1).arg(c, 11, 'f', 1).arg(same ? QStringLiteral("yes") : QStringLiteral("NO")));
        record({{"record", "search"}, {"table", tableName}, {"table_rows", qint64(tableRows)}, {"pattern", p.name},
              {"like", QString::fromStdString(p.like())}, {"rows", qint64(rows)}, {"runs", s_.runs},
              {"floor_ms", f}, {"program_ms", prog}, {"ratio", prog / f}, {"program_minus_floor_ms", prog - f},
              {"floor_min_ms", *std::min_element(floorTimes.begin(), floorTimes.end())},
              {"program_min_ms", *std::min_element(programTimes.begin(), programTimes.end())},
              {"grep_ms", g}, {"grep_rows", grepRows}, {"mariadb_cli_ms", c}, {"same_rows", same}});
    }
}

void Bench::measureStartUp()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KWISVINDER_REGISTRY"), hive_);
    const int n = s_.smoke ? 1 : s_.startRuns;
    const QString program = QStringLiteral(KV_START_PROGRAM), minimal = QStringLiteral(KV_START_MINIMAL);
    const QStringList label{QStringLiteral("--label")};
    std::vector<double> programTimes, minimalTimes, labelTimes;
    timeProcess(program, {}, env);
    timeProcess(minimal, {}, env);
    // In turns, so a busy moment of the machine hits all three alike.
    for (int i = 0; i < n; ++i) {
        programTimes.push_back(timeProcess(program, {}, env));
        minimalTimes.push_back(timeProcess(minimal, {}, env));
        labelTimes.push_back(timeProcess(minimal, label, env));
    }
    const double p = median(programTimes), m = median(minimalTimes), l = median(labelTimes);
    if (p <= 0 || m <= 0 || l <= 0)
        allMeasured_ = false;
    say(QStringLiteral("\nStart-up to the main window shown (offscreen, median of %1): program %2 ms; bare Qt window "
                       "%3 ms, ratio %4; Qt window with one label %5 ms, ratio %6")
            .arg(n).arg(p, 0, 'f', 1).arg(m, 0, 'f', 1).arg(p / m, 0, 'f', 2).arg(l, 0, 'f', 1).arg(p / l, 0, 'f', 2));
    record({{"record", "startup"}, {"runs", n}, {"program_ms", p}, {"minimal_ms", m}, {"ratio", p / m},
            {"minimal_label_ms", l}, {"ratio_to_label", p / l}});
}

void Bench::measureMemory()
{
    activate("dutch_loaded");
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KWISVINDER_REGISTRY"), hive_);
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-probe")});
    if (!probe.waitForFinished(120000) || probe.exitCode() != 0) {
        allMeasured_ = false;
        say(QStringLiteral("\nMemory probe failed: ") + QString::fromUtf8(probe.readAllStandardError()));
        return;
    }
    const QJsonObject m = QJsonDocument::fromJson(probe.readAllStandardOutput().trimmed()).object();
    const double idle = m.value(QStringLiteral("idle_rss_kb")).toDouble() / 1024;
    const double peak = m.value(QStringLiteral("peak_kb")).toDouble() / 1024;
    const double after = m.value(QStringLiteral("after_rss_kb")).toDouble() / 1024;
    say(QStringLiteral("Memory, whole Dutch table listed (%1 rows): idle window %2 MB resident, peak %3 MB "
                       "(growth %4 MB), resident after %5 MB (growth %6 MB)")
            .arg(m.value(QStringLiteral("rows")).toInt()).arg(idle, 0, 'f', 1).arg(peak, 0, 'f', 1)
            .arg(peak - idle, 0, 'f', 1).arg(after, 0, 'f', 1).arg(after - idle, 0, 'f', 1));
    QJsonObject fields = m;
    fields.insert(QStringLiteral("record"), QStringLiteral("memory"));
    fields.insert(QStringLiteral("peak_growth_mb"), peak - idle);
    fields.insert(QStringLiteral("retained_growth_mb"), after - idle);
    record(fields);
}

int Bench::run()
{
    out_.setFileName(s_.out);
    if (!out_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fail("cannot write " + s_.out.toStdString());

    // The same configuration either way; starting up does not reach the server.
    hive_ = work_.filePath(QStringLiteral("registry.reg"));
    PrivateServer::writeConfigurationHive(hive_, QStringLiteral("1"),
                                          {{QStringLiteral("1"), QStringLiteral("Bench"), QStringLiteral("localhost"),
                                            QStringLiteral("kvbench"), QStringLiteral("kvbench")}});
    qputenv("KWISVINDER_REGISTRY", QFile::encodeName(hive_));
    if (s_.startUpOnly) {
        say(QStringLiteral("Machine: %1; %2").arg(machine(), QSysInfo::prettyProductName()));
        measureStartUp();
        return allMeasured_ ? 0 : 1;
    }

    server_.start();
    server_.createUser(QStringLiteral("kvbench"), QStringLiteral("kvbench"));

    const QString version = server_.select(QStringLiteral("SELECT VERSION()")).value(0).value(0);
    say(QStringLiteral("Machine: %1; %2; MariaDB %3, innodb buffer pool %4; %5 runs per figure")
            .arg(machine(), QSysInfo::prettyProductName(), version, s_.bufferPool).arg(s_.runs));
    record({{"record", "machine"}, {"machine", machine()}, {"os", QSysInfo::prettyProductName()},
          {"server", version}, {"buffer_pool", s_.bufferPool}, {"runs", s_.runs}, {"smoke", s_.smoke}});

    loadTables();
    waitUntilQuiet();
    measureTable("dutch", dutchFile_);
    if (s_.synthetic > 0)
        measureTable("synthetic", syntheticFile_);
    measureStartUp();
    measureMemory();
    say(QStringLiteral("\nFigures written to %1").arg(QFileInfo(out_).absoluteFilePath()));
    if (!allSame_)
        say(QStringLiteral("The program's list or a layout's rows differ from the statement's rows."));
    return allSame_ && allMeasured_ ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    // The windowless platform's notes would only clutter the table.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg && !text.contains(QLatin1String("propagateSizeHints"))
            && !text.contains(QLatin1String("XDG_RUNTIME_DIR")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_LOGGING_RULES"))
        qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    try {
        if (arguments.contains(QStringLiteral("--memory-probe")))
            return memoryProbe();

        Settings s;
        for (int i = 1; i < arguments.size(); ++i) {
            const QString& a = arguments[i];
            auto value = [&] {
                if (i + 1 >= arguments.size())
                    fail("missing value after " + a.toStdString());
                return arguments[++i];
            };
            if (a == QLatin1String("--smoke")) {
                s.smoke = true;
                s.runs = 1;
                s.bufferPool = QStringLiteral("16M");
            } else if (a == QLatin1String("--runs"))
                s.runs = std::max(1, value().toInt());
            else if (a == QLatin1String("--start-runs"))
                s.startRuns = std::max(1, value().toInt());
            else if (a == QLatin1String("--words"))
                s.words = value();
            else if (a == QLatin1String("--synthetic"))
                s.synthetic = value().toULongLong();
            else if (a == QLatin1String("--buffer-pool"))
                s.bufferPool = value();
            else if (a == QLatin1String("--startup-only"))
                s.startUpOnly = true;
            else if (a == QLatin1String("--kept-layout-only"))
                s.allLayouts = false;
            else if (a == QLatin1String("--out"))
                s.out = value();
            else {
                std::fprintf(stderr, "kv_bench: unknown argument %s\n", qPrintable(a));
                return 2;
            }
        }
        Bench bench(s);
        return bench.run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kv_bench: %s\n", e.what());
        return 1;
    }
}
