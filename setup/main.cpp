// kwisvinder-setup: prepares a machine for Kwisvinder. Creates the database,
// its account and the word table, imports a word list and writes the stored
// connection configuration the program reads at start-up.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include <errmsg.h>
#include <grp.h>
#include <mysql.h>
#include <mysqld_error.h>
#include <pwd.h>
#include <unistd.h>

#include "configuration.h"
#include "hive.h"
#include "schema.h"
#include "storedconfiguration.h"
#include "wordrule.h"

namespace fs = std::filesystem;
using namespace kv::setup;

namespace {

// A failure the user must see; the message says what and where.
class SetupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Wrong or missing arguments: exit code 2 and the usage text.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr const char* Database = "kv";
constexpr const char* DefaultUser = "kwisvinder";
constexpr const char* DefaultName = "Lokale server";
// The program connects to "localhost", which the client library reaches
// over the Unix socket; that is the one account host it needs.
constexpr const char* AccountHost = "localhost";

const char* const Usage =
    "Gebruik:\n"
    "  kwisvinder-setup registry --host H --user U --password-file PAD [--name NAAM] [--hive PAD] [--owner GEBRUIKER]\n"
    "  kwisvinder-setup database --user U --password-file PAD [--reset-password] [BEHEERDER]\n"
    "  kwisvinder-setup import BESTAND [--batch-size N] [BEHEERDER]\n"
    "  kwisvinder-setup all --words BESTAND [--hive PAD] [--owner GEBRUIKER] [--user U] [--name NAAM]\n"
    "                       [--reset-password] [BEHEERDER]\n"
    "BEHEERDER (standaard root via de standaardsocket):\n"
    "  --admin-socket PAD | --admin-host HOST [--admin-port POORT]  [--admin-user U] [--admin-password-file PAD]\n"
    "Een wachtwoordbestand: de eerste regel is het wachtwoord; PAD '-' leest die van de standaardinvoer.\n"
    "--password P en --admin-password P werken ook, maar zijn even zichtbaar in de proceslijst.\n";

// ---- arguments --------------------------------------------------------------

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::map<std::string, std::string> options;
    std::unordered_set<std::string> flags;

    std::optional<std::string> get(const std::string& name) const
    {
        const auto it = options.find(name);
        return it == options.end() ? std::nullopt : std::optional(it->second);
    }
    std::string required(const std::string& name) const
    {
        const auto v = get(name);
        if (!v)
            throw UsageError("--" + name + " ontbreekt.");
        return *v;
    }
    bool has(const std::string& flag) const { return flags.count(flag) != 0; }
};

// The first line of a file, or of the standard input for "-", without its
// line break: a password that never shows on the command line.
std::string readSecret(const std::string& path, const std::string& option)
{
    std::string secret;
    if (path == "-") {
        std::getline(std::cin, secret);
        if (std::cin.bad())
            throw SetupError("--" + option + " -: de standaardinvoer kan niet worden gelezen.");
    } else {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            throw SetupError("--" + option + ": '" + path + "' kan niet worden gelezen (" + std::strerror(errno) + ").");
        std::getline(in, secret);
    }
    if (!secret.empty() && secret.back() == '\r')
        secret.pop_back();
    return secret;
}

Arguments parse(int argc, char** argv)
{
    static const std::unordered_set<std::string> admin{"admin-socket", "admin-host", "admin-port", "admin-user",
                                                       "admin-password", "admin-password-file"};
    // Per command: the options that take a value, and the flags.
    struct Accepted {
        std::unordered_set<std::string> valued;
        std::unordered_set<std::string> flags;
    };
    static const std::map<std::string, Accepted> commands{
            {"registry", {{"host", "user", "password", "password-file", "name", "hive", "owner"}, {}}},
            {"database", {{"user", "password", "password-file"}, {"reset-password"}}},
            {"import", {{"batch-size"}, {}}},
            {"all", {{"words", "hive", "owner", "user", "name", "batch-size"}, {"reset-password"}}},
        };
    if (argc < 2)
        throw UsageError("Geef een opdracht op.");
    Arguments args;
    args.command = argv[1];
    const auto found = commands.find(args.command);
    if (found == commands.end())
        throw UsageError("Onbekende opdracht '" + args.command + "'.");
    const bool takesAdmin = args.command != "registry";
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--", 0) != 0) {
            args.positional.push_back(a);
            continue;
        }
        const std::string name = a.substr(2);
        const Accepted& accepted = found->second;
        if (accepted.flags.count(name)) {
            args.flags.insert(name);
        } else if (accepted.valued.count(name) || (takesAdmin && admin.count(name))) {
            if (i + 1 >= argc)
                throw UsageError(a + " verwacht een waarde.");
            args.options[name] = argv[++i];
            // Anyone may read a command line (ps, /proc/<pid>/cmdline): blank
            // a password there as soon as it is copied.
            if (name == "password" || name == "admin-password")
                std::fill(argv[i], argv[i] + std::strlen(argv[i]), 'x');
        } else {
            throw UsageError("Onbekende optie " + a + " bij '" + args.command + "'.");
        }
    }
    for (const char* name : {"password", "admin-password"}) {
        const std::string file = std::string(name) + "-file";
        const auto from = args.get(file);
        if (!from)
            continue;
        if (args.get(name))
            throw UsageError("Geef --" + std::string(name) + " of --" + file + ", niet allebei.");
        args.options[name] = readSecret(*from, file);
        args.options.erase(file);
    }
        const std::size_t positional = args.command == "import" ? 1 : 0;
    if (args.positional.size() != positional)
        throw UsageError(args.command == "import" ? "Geef precies één woordenlijst op."
                                                  : "Onverwacht argument '" + args.positional.front() + "'.");
    return args;
}

unsigned long parseNumber(const std::string& text, const std::string& option, unsigned long max)
{
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        throw UsageError("--" + option + " verwacht een getal, niet '" + text + "'.");
    const unsigned long n = std::stoul(text);
    if (n == 0 || n > max)
        throw UsageError("--" + option + " moet tussen 1 en " + std::to_string(max) + " liggen.");
    return n;
}

// ---- small helpers ----------------------------------------------------------

// 181082 -> "181.082", as a Dutch reader writes it.
std::string grouped(unsigned long long n)
{
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += '.';
        out += digits[i];
    }
    return out;
}

// 20 letters and digits from the kernel's random source; ~119 bits.
std::string generatePassword()
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::ifstream random("/dev/urandom", std::ios::binary);
    if (!random)
        throw SetupError("/dev/urandom kan niet worden gelezen; er kan geen wachtwoord worden gemaakt.");
    std::string password;
    while (password.size() < 20) {
        const int c = random.get();
        if (c == EOF)
            throw SetupError("/dev/urandom kan niet worden gelezen; er kan geen wachtwoord worden gemaakt.");
        // 248 = 4 * 62: dropping the rest keeps every character equally likely.
        if (c < 248)
            password += alphabet[c % 62];
    }
    return password;
}

void checkAccountText(const std::string& text, const char* what, bool mayBeEmpty)
{
    if (!mayBeEmpty && text.empty())
        throw UsageError(std::string(what) + " mag niet leeg zijn.");
    if (text.size() > 80)
        throw UsageError(std::string(what) + " is te lang (meer dan 80 tekens).");
    if (text.find('\0') != std::string::npos)
        throw UsageError(std::string(what) + " bevat een NUL-teken.");
}

// ---- the administrator's connection -----------------------------------------

struct AdminOptions {
    std::string socket;
    std::string host;
    unsigned port = 0;
    std::string user = "root";
    std::string password;

    static AdminOptions from(const Arguments& args)
    {
        AdminOptions o;
        o.socket = args.get("admin-socket").value_or("");
        o.host = args.get("admin-host").value_or("");
        if (!o.socket.empty() && !o.host.empty())
            throw UsageError("Geef --admin-socket of --admin-host op, niet allebei.");
        if (const auto p = args.get("admin-port"))
            o.port = static_cast<unsigned>(parseNumber(*p, "admin-port", 65535));
        o.user = args.get("admin-user").value_or("root");
        o.password = args.get("admin-password").value_or("");
        return o;
    }

    std::string where() const
    {
        if (!host.empty())
            return "host " + host + (port ? ":" + std::to_string(port) : std::string());
        if (!socket.empty())
            return "socket " + socket;
        const char* env = std::getenv("MYSQL_UNIX_PORT");
        return "socket " + std::string(env && *env ? env : MARIADB_UNIX_ADDR);
    }
};

using Row = std::vector<std::optional<std::string>>;

class Session {
public:
    // host empty: the Unix socket (the given one, else the client library's default).
    explicit Session(const AdminOptions& o) : Session(o, o.user, o.password, "als beheerder ") {}

    Session(const AdminOptions& o, const std::string& user, const std::string& password, const std::string& role)
        : mysql_(mysql_init(nullptr))
    {
        if (!mysql_)
            throw std::bad_alloc();
        mysql_options(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
        const unsigned int timeout = 10;
        mysql_options(mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &timeout);
        const bool tcp = !o.host.empty();
        if (tcp) {
            const unsigned int protocol = MYSQL_PROTOCOL_TCP;
            mysql_options(mysql_, MYSQL_OPT_PROTOCOL, &protocol);
        }
        if (!mysql_real_connect(mysql_, tcp ? o.host.c_str() : "localhost", user.c_str(), password.c_str(), nullptr,
                                o.port, o.socket.empty() ? nullptr : o.socket.c_str(), 0)) {
            const unsigned err = mysql_errno(mysql_);
            std::string message = "Aanmelden " + role + "'" + user + "' bij de MariaDB-server (" + o.where()
                                  + ") mislukt: " + mysql_error(mysql_);
            if (err == CR_CONNECTION_ERROR || err == CR_CONN_HOST_ERROR || err == CR_SERVER_LOST)
                message += "\nDraait de server? Start hem bijvoorbeeld met 'service mariadb start'.";
            else if ((err == ER_ACCESS_DENIED_ERROR || err == ER_ACCESS_DENIED_NO_PASSWORD_ERROR) && &user == &o.user)
                message += "\nVoer dit uit als root, of geef --admin-user en --admin-password op.";
            else if (err == ER_ACCESS_DENIED_ERROR)
                message += "\nHet opgeslagen wachtwoord past niet bij de server; '--reset-password' stelt het opnieuw in.";
            mysql_close(mysql_);
            throw SetupError(message);
        }
    }
    ~Session() { mysql_close(mysql_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void exec(const std::string& sql)
    {
        if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
            fail(sql);
        if (MYSQL_RES* r = mysql_store_result(mysql_))
            mysql_free_result(r);
    }

    std::vector<Row> select(const std::string& sql)
    {
        if (mysql_real_query(mysql_, sql.data(), sql.size()) != 0)
            fail(sql);
        MYSQL_RES* result = mysql_use_result(mysql_);
        if (!result)
            fail(sql);
        std::vector<Row> rows;
        const unsigned columns = mysql_num_fields(result);
        while (MYSQL_ROW row = mysql_fetch_row(result)) {
            const unsigned long* lengths = mysql_fetch_lengths(result);
            Row values;
            for (unsigned i = 0; i < columns; ++i)
                values.push_back(row[i] ? std::optional(std::string(row[i], lengths[i])) : std::nullopt);
            rows.push_back(std::move(values));
        }
        const bool broken = mysql_errno(mysql_) != 0;
        mysql_free_result(result);
        if (broken)
            fail(sql);
        return rows;
    }

    std::string scalar(const std::string& sql)
    {
        const auto rows = select(sql);
        return rows.empty() || rows[0].empty() || !rows[0][0] ? std::string() : *rows[0][0];
    }

    std::string quote(const std::string& text)
    {
        std::string escaped(text.size() * 2 + 1, '\0');
        escaped.resize(mysql_real_escape_string(mysql_, escaped.data(), text.data(), text.size()));
        return "'" + escaped + "'";
    }

private:
    [[noreturn]] void fail(const std::string& sql)
    {
        std::string shown = sql.size() > 120 ? sql.substr(0, 120) + "…" : sql;
        // The statements that carry a password must not show it.
        if (sql.find("IDENTIFIED BY") != std::string::npos)
            shown = sql.substr(0, sql.find("IDENTIFIED BY")) + "IDENTIFIED BY …";
        throw SetupError("Opdracht aan de server mislukt: " + std::string(mysql_error(mysql_)) + "\n  (" + shown + ")");
    }

    MYSQL* mysql_;
};

// ---- database ---------------------------------------------------------------

void checkTableLayout(Session& s)
{
    const auto columns = s.select(
        "SELECT COLUMN_NAME FROM information_schema.COLUMNS WHERE TABLE_SCHEMA='kv' AND TABLE_NAME='kvls' "
        "ORDER BY ORDINAL_POSITION");
    if (columns.empty())
        throw SetupError("Tabel kv.kvls bestaat niet; voer eerst 'kwisvinder-setup database' uit.");
    if (columns.size() != 7 || !columns[0][0] || *columns[0][0] != "woord")
        throw SetupError("Tabel kv.kvls bestaat al maar heeft een andere opbouw (verwacht: 7 kolommen, 'woord' "
                         "eerst). Ik laat hem ongemoeid.");
}

// Database, account, rights and table; each step only when missing, so a
// second run changes nothing and an interrupted one is finished by the next.
void setUpDatabase(const AdminOptions& admin, const std::string& user, const std::string& password,
                   bool resetPassword)
{
    checkAccountText(user, "De gebruikersnaam", false);
    checkAccountText(password, "Het wachtwoord", true);
    Session s(admin);

    s.exec(std::string("CREATE DATABASE IF NOT EXISTS ") + Database
           + " CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_520_ci");

    const std::string account = s.quote(user) + "@" + s.quote(AccountHost);
    const bool exists = s.scalar("SELECT COUNT(*) FROM mysql.user WHERE User=" + s.quote(user)
                                 + " AND Host=" + s.quote(AccountHost)) != "0";
    if (!exists) {
        s.exec("CREATE USER " + account + " IDENTIFIED BY " + s.quote(password));
        std::cout << "Gebruiker " << user << "@" << AccountHost << " aangemaakt.\n";
    } else if (resetPassword) {
        s.exec("ALTER USER " + account + " IDENTIFIED BY " + s.quote(password));
        std::cout << "Gebruiker " << user << "@" << AccountHost << " bestond al; wachtwoord opnieuw ingesteld.\n";
    } else {
        std::cout << "Gebruiker " << user << "@" << AccountHost << " bestond al; wachtwoord ongewijzigd.\n";
    }
    s.exec(std::string("GRANT SELECT, INSERT, UPDATE, DELETE ON ") + Database + ".* TO " + account);

    const bool haveTable = s.scalar("SELECT COUNT(*) FROM information_schema.TABLES WHERE TABLE_SCHEMA='kv' "
                                    "AND TABLE_NAME='kvls'") != "0";
    if (!haveTable) {
        s.exec(std::string("USE ") + Database);
        s.exec(kv::WordTableSchema);
        std::cout << "Database kv en tabel kvls aangemaakt.\n";
    } else {
        checkTableLayout(s);
        std::cout << "Database kv en tabel kvls waren er al.\n";
    }
}

// ---- import -----------------------------------------------------------------

struct ImportCounts {
    unsigned long long imported = 0;
    unsigned long long present = 0;
    unsigned long long duplicates = 0;
    std::map<WordVerdict, unsigned long long> skipped;

    unsigned long long skippedTotal() const
    {
        unsigned long long n = duplicates;
        for (const auto& [verdict, count] : skipped)
            if (verdict != WordVerdict::Empty)
                n += count;
        return n;
    }
};

std::string readWholeFile(const std::string& path)
{
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw SetupError("Woordenlijst '" + path + "' is een map, geen bestand.");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw SetupError("Woordenlijst '" + path + "' kan niet worden gelezen (" + std::strerror(errno) + ").");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw SetupError("Woordenlijst '" + path + "' kan niet worden gelezen.");
    return std::move(content).str();
}

class Progress {
public:
    explicit Progress(const char* what) : what_(what), shown_(::isatty(STDERR_FILENO) == 1) {}
    void at(unsigned long long done, unsigned long long total)
    {
        if (!shown_ || total == 0)
            return;
        const int percent = static_cast<int>(done * 100 / total);
        if (percent != last_) {
            std::fprintf(stderr, "\r%s: %3d%%", what_, percent);
            std::fflush(stderr);
            last_ = percent;
        }
    }
    ~Progress()
    {
        if (shown_ && last_ >= 0)
            std::fputs("\n", stderr);
    }

private:
    const char* what_;
    bool shown_;
    int last_ = -1;
};

ImportCounts importWords(const AdminOptions& admin, const std::string& path, std::size_t batchSize)
{
    // Read and judge the whole list before touching the server: a list that
    // cannot be read changes nothing.
    const std::string content = readWholeFile(path);
    std::string_view rest = content;
    if (rest.substr(0, 3) == "\xEF\xBB\xBF")
        rest.remove_prefix(3);

    ImportCounts counts;
    std::vector<std::pair<std::string_view, int>> candidates;
    std::unordered_set<std::string_view> inFile;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        const std::string_view entry = trimEntry(line);
        const WordCheck check = checkWord(entry);
        if (check.verdict != WordVerdict::Accepted)
            ++counts.skipped[check.verdict];
        else if (!inFile.insert(entry).second)
            ++counts.duplicates;
        else
            candidates.emplace_back(entry, check.length);
    }

    Session s(admin);
    checkTableLayout(s);
    // Strict mode: a value that does not fit must fail the import, not be cut.
    s.exec("SET SESSION sql_mode='STRICT_ALL_TABLES,NO_ENGINE_SUBSTITUTION'");
    s.exec("START TRANSACTION");
    try {
        // Byte-wise, unlike the table's collation: "Bob" is not "bob" and
        // "idee" is not "ideé". The shared locks keep another import from
        // adding the same words meanwhile.
        std::unordered_set<std::string> present;
        for (auto& row : s.select("SELECT woord FROM kv.kvls LOCK IN SHARE MODE"))
            if (row[0])
                present.insert(std::move(*row[0]));

        std::vector<std::pair<std::string_view, int>> fresh;
        for (const auto& c : candidates) {
            if (present.count(std::string(c.first)))
                ++counts.present;
            else
                fresh.push_back(c);
        }

        Progress progress("Woorden toevoegen");
        for (std::size_t at = 0; at < fresh.size(); at += batchSize) {
            std::string sql = "INSERT INTO kv.kvls (woord, lengte, veld3, veld4, veld5, veld6, veld7) VALUES ";
            const std::size_t end = std::min(fresh.size(), at + batchSize);
            for (std::size_t i = at; i < end; ++i) {
                if (i > at)
                    sql += ',';
                sql += '(' + s.quote(std::string(fresh[i].first)) + ",'" + std::to_string(fresh[i].second)
                       + "','null','null','null','null','null')";
            }
            s.exec(sql);
            progress.at(end, fresh.size());
        }
        s.exec("COMMIT");
        counts.imported = fresh.size();
    } catch (...) {
        // Best effort: a lost connection rolls back on the server by itself.
        try {
            s.exec("ROLLBACK");
        } catch (...) {
        }
        throw;
    }
    return counts;
}

void report(const std::string& path, const ImportCounts& c)
{
    std::cout << "Woordenlijst '" << path << "' ingelezen: " << grouped(c.imported) << " woorden toegevoegd, "
              << grouped(c.present) << " al aanwezig, " << grouped(c.skippedTotal()) << " overgeslagen.\n";
    for (const auto& [verdict, count] : c.skipped)
        std::cout << "  " << verdictText(verdict) << ": " << grouped(count) << "\n";
    if (c.duplicates)
        std::cout << "  dubbel in de lijst: " << grouped(c.duplicates) << "\n";
}

// ---- registry ---------------------------------------------------------------

struct Owner {
    uid_t uid;
    gid_t gid;
};

std::optional<Owner> ownerFrom(const Arguments& args)
{
    const auto name = args.get("owner");
    if (!name)
        return std::nullopt;
    const passwd* pw = ::getpwnam(name->c_str());
    if (!pw)
        throw UsageError("Gebruiker '" + *name + "' (--owner) bestaat niet.");
    // Checked before anything is written: only root can give files away.
    if (::geteuid() != 0 && pw->pw_uid != ::geteuid())
        throw UsageError("--owner " + *name + " kan alleen als root.");
    return Owner{pw->pw_uid, pw->pw_gid};
}

// Writes the configuration in one locked, atomic update. With an owner, what
// this creates (folders, file, lock file) is handed to that user, so the
// program run as that user can read and change it.
bool writeRegistry(const fs::path& path, const std::string& n, const StoredConnection& connection,
                   const std::optional<Owner>& owner)
{
    std::vector<fs::path> created;
    for (fs::path dir = path.parent_path(); !dir.empty() && !fs::exists(dir); dir = dir.parent_path())
        created.push_back(dir);

    const kv::HiveFile file(path);
    const bool changed = file.update([&](kv::Hive& hive) { return addConfiguration(hive, n, connection); }, true);

    if (owner) {
        std::vector<fs::path> handOver(created.begin(), created.end());
        handOver.push_back(path);
        handOver.push_back(path.string() + ".lock");
        for (const fs::path& p : handOver)
            if (::lchown(p.c_str(), owner->uid, owner->gid) != 0 && errno != ENOENT)
                throw SetupError("Eigenaar van '" + p.string() + "' kan niet worden ingesteld ("
                                 + std::strerror(errno) + ").");
    }
    return changed;
}

fs::path hiveFrom(const Arguments& args)
{
    const auto given = args.get("hive");
    if (given && given->empty())
        throw UsageError("--hive mag niet leeg zijn.");
    return given ? fs::path(*given) : kv::hivePath();
}

int runRegistry(const Arguments& args)
{
    StoredConnection c{args.get("name").value_or(DefaultName), args.required("host"), args.required("user"),
                       args.required("password")};
    checkAccountText(c.user, "De gebruikersnaam", false);
    const fs::path path = hiveFrom(args);
    const auto owner = ownerFrom(args);

    // Which configuration is filled depends on what is there already.
    const auto existing = kv::HiveFile(path).load();
    const std::string n = existing ? targetConfiguration(*existing) : "1";
    const bool changed = writeRegistry(path, n, c, owner);
    std::cout << (changed ? "Configuratie geschreven in " : "Configuratie was al volledig in ") << path.string()
              << ".\n";
    return 0;
}

int runDatabase(const Arguments& args)
{
    const AdminOptions admin = AdminOptions::from(args);
    setUpDatabase(admin, args.required("user"), args.required("password"), args.has("reset-password"));
    return 0;
}

std::size_t batchFrom(const Arguments& args)
{
    const auto b = args.get("batch-size");
    return b ? parseNumber(*b, "batch-size", 100000) : 2000;
}

int runImport(const Arguments& args)
{
    const AdminOptions admin = AdminOptions::from(args);
    const std::string path = args.positional.front();
    report(path, importWords(admin, path, batchFrom(args)));
    return 0;
}

bool isLocal(const std::string& host)
{
    return host.empty() || host == "localhost" || host == "127.0.0.1" || host == "::1";
}

// Everything the program needs, reusing what an earlier run stored.
int runAll(const Arguments& args)
{
    const AdminOptions admin = AdminOptions::from(args);
    const std::string words = args.required("words");
    const fs::path path = hiveFrom(args);
    const auto owner = ownerFrom(args);
    const std::size_t batch = batchFrom(args);

    // A damaged hive stops everything before the server is touched.
    const auto existing = kv::HiveFile(path).load();
    const std::string n = existing ? targetConfiguration(*existing) : "1";
    StoredConnection c = existing ? readStored(*existing, n) : StoredConnection{};
    bool reset = args.has("reset-password");
    if (c.user.empty()) {
        // No stored account yet: ours, with a new password. An account of
        // that name from before has a password nobody has stored, so it gets
        // this one.
        c = {args.get("name").value_or(DefaultName), AccountHost, args.get("user").value_or(DefaultUser),
             generatePassword()};
        reset = true;
    } else {
        std::cout << "Configuratie " << n << " in " << path.string() << " bestaat al (gebruiker " << c.user
                  << "); die wordt gebruikt.\n";
        if (!isLocal(c.host))
            std::cout << "Let op: die configuratie wijst naar server '" << c.host
                      << "', niet naar deze machine; de lokale database wordt toch ingericht.\n";
    }

    setUpDatabase(admin, c.user, c.password, reset);
    report(words, importWords(admin, words, batch));
    const bool changed = writeRegistry(path, n, c, owner);
    std::cout << (changed ? "Configuratie geschreven in " : "Configuratie ongewijzigd in ") << path.string() << ".\n";

    if (isLocal(c.host) && admin.host.empty()) {
        // Log in the way the program will, so a mismatch shows up now.
        Session check(admin, c.user, c.password, "als ");
        const std::string count = check.scalar("SELECT COUNT(*) FROM kv.kvls");
        std::cout << "Controle: aanmelden als " << c.user << " lukt; de woordentabel telt "
                  << grouped(std::stoull(count)) << " woorden.\n";
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
            std::cout << Usage;
            return 0;
        }
        const Arguments args = parse(argc, argv);
        if (args.command == "registry")
            return runRegistry(args);
        if (args.command == "database")
            return runDatabase(args);
        if (args.command == "import")
            return runImport(args);
        return runAll(args);
    } catch (const UsageError& e) {
        std::cerr << "kwisvinder-setup: " << e.what() << "\n" << Usage;
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "kwisvinder-setup: " << e.what() << "\n";
        return 1;
    }
}
