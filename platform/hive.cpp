#include "hive.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kv {

namespace {

constexpr std::string_view Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view Root = "HKEY_LOCAL_MACHINE";
constexpr std::string_view Bom = "\xEF\xBB\xBF";

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameText(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    return true;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimLeft(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view trimRight(std::string_view s)
{
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s)
{
    return trimLeft(trimRight(s));
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = asciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Reads 1 to maxDigits hex digits that make up all of s.
bool readHex(std::string_view s, std::size_t maxDigits, std::uint32_t& out)
{
    if (s.empty() || s.size() > maxDigits)
        return false;
    std::uint32_t v = 0;
    for (char c : s) {
        const int d = hexDigit(c);
        if (d < 0)
            return false;
        v = v << 4 | static_cast<std::uint32_t>(d);
    }
    out = v;
    return true;
}

// A key path without surrounding backslashes; nullopt when a component is
// empty or holds a control character, which no key line could express.
std::optional<std::string_view> keyPath(std::string_view p, bool stripOuter)
{
    if (stripOuter) {
        while (!p.empty() && p.front() == '\\')
            p.remove_prefix(1);
        while (!p.empty() && p.back() == '\\')
            p.remove_suffix(1);
    }
    if (p.empty())
        return p;
    if (p.front() == '\\' || p.back() == '\\' || p.find("\\\\") != std::string_view::npos)
        return std::nullopt;
    for (char c : p)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            return std::nullopt;
    return p;
}

// A quoted string starting at s[pos] == '"'. Beyond the \\ and \" of the
// export syntax, \n, \r and \0 are read so that any text we store can be
// written on one line and read back unchanged.
bool readQuoted(std::string_view s, std::size_t& pos, std::string& out)
{
    out.clear();
    for (std::size_t i = pos + 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            pos = i + 1;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == s.size())
            return false;
        switch (s[i]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case '0': out += '\0'; break;
        default: return false;
        }
    }
    return false;
}

void writeQuoted(std::string& out, std::string_view s)
{
    out += '"';
    for (char c : s) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\0': out += "\\0"; break;
        default: out += c;
        }
    }
    out += '"';
}

std::string quotedPath(const std::filesystem::path& p)
{
    return "Registerbestand '" + p.string() + "'";
}

std::string reason(int err)
{
    return std::generic_category().message(err);
}

HiveFileError readError(const std::filesystem::path& p, int err)
{
    return HiveFileError(quotedPath(p) + " kan niet worden gelezen (" + reason(err) + ").");
}

HiveFileError writeError(const std::filesystem::path& p, int err)
{
    return HiveFileError(quotedPath(p) + " kan niet worden geschreven (" + reason(err) + ").");
}

// Closes a descriptor on every path out, exceptions included.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

struct FileContent {
    std::string text;
    struct stat info {};
};

// nullopt when the file does not exist.
std::optional<FileContent> readFile(const std::filesystem::path& p)
{
    Fd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        if (errno == ENOENT)
            return std::nullopt;
        throw readError(p, errno);
    }
    FileContent c;
    if (::fstat(fd.get(), &c.info) != 0)
        throw readError(p, errno);
    if (!S_ISREG(c.info.st_mode))
        throw readError(p, S_ISDIR(c.info.st_mode) ? EISDIR : EINVAL);
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw readError(p, errno);
        }
        c.text.append(buf, static_cast<std::size_t>(n));
    }
    return c;
}

void writeAll(int fd, std::string_view data, const std::filesystem::path& p)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw writeError(p, errno);
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Creates each missing directory of dir, private to the user like the file.
void makeDirectories(const std::filesystem::path& dir, const std::filesystem::path& file)
{
    std::filesystem::path prefix;
    for (const auto& part : dir) {
        prefix /= part;
        if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            throw writeError(file, errno);
    }
}

std::filesystem::path directoryOf(const std::filesystem::path& file)
{
    const std::filesystem::path dir = file.parent_path();
    return dir.empty() ? std::filesystem::path(".") : dir;
}

} // namespace

// ---- Hive -----------------------------------------------------------------

Hive Hive::parse(std::string_view text, const std::string& fileName)
{
    Hive hive;
    int lineNo = 0;
    auto fail = [&](int line) -> HiveFileError {
        return HiveFileError(quotedPath(fileName) + " is onleesbaar (regel " + std::to_string(line) + ").",
                             line);
    };
    // Lines without their line break (LF or CRLF); false at the end.
    std::size_t at = 0;
    auto nextLine = [&](std::string_view& line) {
        if (at >= text.size())
            return false;
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            end = text.size();
        line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        at = end + 1;
        ++lineNo;
        return true;
    };

    if (text.starts_with(Bom))
        text.remove_prefix(Bom.size());
    std::string_view line;
    if (!nextLine(line) || trimRight(line) != Header)
        throw fail(1);

    HiveKey* current = nullptr;
    while (nextLine(line)) {
        const std::string_view content = trim(line);
        if (content.empty() || content.front() == ';')
            continue;

        if (content.front() == '[') {
            if (content.size() < 2 || content.back() != ']')
                throw fail(lineNo);
            const std::string_view full = content.substr(1, content.size() - 2);
            const std::size_t slash = full.find('\\');
            const std::string_view root = full.substr(0, slash);
            if (!sameText(root, Root))
                throw fail(lineNo);
            const auto path = keyPath(slash == std::string_view::npos ? std::string_view() : full.substr(slash + 1),
                                      false);
            if (!path || (slash != std::string_view::npos && path->empty()))
                throw fail(lineNo);
            current = hive.find(*path);
            if (!current) {
                hive.keys_.push_back(HiveKey{std::string(*path), {}});
                current = &hive.keys_.back();
            }
            continue;
        }

        if (!current)
            throw fail(lineNo);

        HiveValue value;
        std::size_t pos = 0;
        if (content.front() == '@') {
            pos = 1;
        } else if (content.front() != '"' || !readQuoted(content, pos, value.name)) {
            throw fail(lineNo);
        }
        std::string_view rest = trimLeft(content.substr(pos));
        if (rest.empty() || rest.front() != '=')
            throw fail(lineNo);
        rest = trimLeft(rest.substr(1));

        if (!rest.empty() && rest.front() == '"') {
            pos = 0;
            if (!readQuoted(rest, pos, value.text) || !trim(rest.substr(pos)).empty())
                throw fail(lineNo);
            value.type = HiveValue::Type::String;
        } else if (rest.size() >= 6 && sameText(rest.substr(0, 6), "dword:")) {
            if (!readHex(rest.substr(6), 8, value.dword))
                throw fail(lineNo);
            value.type = HiveValue::Type::Dword;
        } else if (rest.size() >= 3 && sameText(rest.substr(0, 3), "hex")) {
            value.type = HiveValue::Type::Hex;
            rest.remove_prefix(3);
            if (!rest.empty() && rest.front() == '(') {
                const std::size_t close = rest.find(')');
                std::uint32_t kind = 0;
                if (close == std::string_view::npos || !readHex(rest.substr(1, close - 1), 8, kind)
                    || kind > 0x7fffffff)
                    throw fail(lineNo);
                value.hexKind = static_cast<int>(kind);
                rest.remove_prefix(close + 1);
            }
            if (rest.empty() || rest.front() != ':')
                throw fail(lineNo);
            rest.remove_prefix(1);
            // Bytes separated by commas; a trailing backslash continues the
            // list on the next line.
            bool needComma = false;
            for (;;) {
                rest = trim(rest);
                const bool more = !rest.empty() && rest.back() == '\\';
                if (more)
                    rest.remove_suffix(1);
                std::size_t i = 0;
                while (i < rest.size()) {
                    const char c = rest[i];
                    if (isBlank(c)) {
                        ++i;
                    } else if (needComma) {
                        if (c != ',')
                            throw fail(lineNo);
                        needComma = false;
                        ++i;
                    } else {
                        std::size_t j = i;
                        while (j < rest.size() && j - i < 3 && hexDigit(rest[j]) >= 0)
                            ++j;
                        std::uint32_t byte = 0;
                        if (!readHex(rest.substr(i, j - i), 2, byte))
                            throw fail(lineNo);
                        value.bytes.push_back(static_cast<unsigned char>(byte));
                        needComma = true;
                        i = j;
                    }
                }
                if (!more)
                    break;
                if (!nextLine(line))
                    throw fail(lineNo); // cut off in the middle of the list
                rest = line;
            }
        } else {
            throw fail(lineNo);
        }

        // A repeated name replaces the earlier value, as an import would.
        HiveValue* existing = nullptr;
        for (HiveValue& v : current->values)
            if (sameText(v.name, value.name))
                existing = &v;
        if (existing)
            *existing = std::move(value);
        else
            current->values.push_back(std::move(value));
    }
    return hive;
}

std::string Hive::serialize() const
{
    std::string out;
    out += Header;
    out += "\n\n";
    for (const HiveKey& key : keys_) {
        out += '[';
        out += Root;
        if (!key.path.empty()) {
            out += '\\';
            out += key.path;
        }
        out += "]\n";
        for (const HiveValue& v : key.values) {
            std::string line;
            if (v.name.empty())
                line += '@';
            else
                writeQuoted(line, v.name);
            line += '=';
            switch (v.type) {
            case HiveValue::Type::String:
                writeQuoted(line, v.text);
                break;
            case HiveValue::Type::Dword: {
                char buf[9];
                std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(v.dword));
                line += "dword:";
                line += buf;
                break;
            }
            case HiveValue::Type::Hex: {
                if (v.hexKind == 3) {
                    line += "hex:";
                } else {
                    char buf[16];
                    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.hexKind));
                    line += buf;
                }
                // Wrapped like an export, so long values stay readable.
                bool onLine = false;
                for (std::size_t i = 0; i < v.bytes.size(); ++i) {
                    char buf[4];
                    std::snprintf(buf, sizeof buf, "%02x", v.bytes[i]);
                    std::string token = buf;
                    if (i + 1 < v.bytes.size())
                        token += ',';
                    if (onLine && line.size() + token.size() > 77) {
                        out += line;
                        out += "\\\n";
                        line = "  ";
                    }
                    line += token;
                    onLine = true;
                }
                break;
            }
            }
            out += line;
            out += '\n';
        }
        out += '\n';
    }
    return out;
}

HiveKey* Hive::find(std::string_view path)
{
    const auto p = keyPath(path, true);
    if (!p)
        return nullptr;
    for (HiveKey& k : keys_)
        if (sameText(k.path, *p))
            return &k;
    return nullptr;
}

bool Hive::hasKey(std::string_view path) const
{
    return const_cast<Hive*>(this)->find(path) != nullptr;
}

const HiveValue* Hive::value(std::string_view path, std::string_view name) const
{
    const HiveKey* key = const_cast<Hive*>(this)->find(path);
    if (!key)
        return nullptr;
    for (const HiveValue& v : key->values)
        if (sameText(v.name, name))
            return &v;
    return nullptr;
}

void Hive::addKey(std::string_view path)
{
    const auto p = keyPath(path, true);
    if (!p)
        throw std::invalid_argument("invalid registry key path '" + std::string(path) + "'");
    // Ancestors first, so the file lists a parent before its children.
    std::size_t end = 0;
    for (;;) {
        end = p->find('\\', end);
        const std::string_view prefix = p->substr(0, end);
        if (!find(prefix))
            keys_.push_back(HiveKey{std::string(prefix), {}});
        if (end == std::string_view::npos)
            break;
        ++end;
    }
}

bool Hive::setString(std::string_view path, std::string_view name, std::string_view text)
{
    HiveKey* key = find(path);
    if (!key)
        return false;
    for (HiveValue& v : key->values) {
        if (sameText(v.name, name)) {
            // The stored name keeps its case, as the registry does.
            HiveValue replaced;
            replaced.name = std::move(v.name);
            replaced.text = text;
            v = std::move(replaced);
            return true;
        }
    }
    HiveValue added;
    added.name = name;
    added.text = text;
    key->values.push_back(std::move(added));
    return true;
}

// ---- HiveFile ---------------------------------------------------------------

HiveFile::HiveFile(std::filesystem::path path) : path_(std::move(path)) {}

std::optional<Hive> HiveFile::load() const
{
    const auto content = readFile(path_);
    if (!content)
        return std::nullopt;
    return Hive::parse(content->text, path_.string());
}

bool HiveFile::update(const std::function<bool(Hive&)>& change, bool createIfMissing) const
{
    struct stat info {};
    if (!createIfMissing && ::stat(path_.c_str(), &info) != 0) {
        // Nothing to change, and no lock file left beside a file that is not there.
        if (errno == ENOENT || errno == ENOTDIR)
            return false;
        throw readError(path_, errno);
    }
    const std::filesystem::path dir = directoryOf(path_);
    if (createIfMissing)
        makeDirectories(dir, path_);

    // The lock file is never removed: a writer holding a lock on an unlinked
    // file would exclude nobody.
    const std::string lockName = path_.string() + ".lock";
    Fd lock(::open(lockName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!lock.valid())
        throw writeError(path_, errno);
    while (::flock(lock.get(), LOCK_EX) != 0)
        if (errno != EINTR)
            throw writeError(path_, errno);

    // Re-read under the lock so a change made meanwhile by another writer is kept.
    const auto content = readFile(path_);
    if (!content && !createIfMissing)
        return false;
    Hive hive = content ? Hive::parse(content->text, path_.string()) : Hive();
    if (!change(hive))
        return false;

    // access() alone says yes to root, so the owner write bit counts as well.
    if (content && (::access(path_.c_str(), W_OK) != 0 || !(content->info.st_mode & S_IWUSR)))
        throw HiveFileError(quotedPath(path_) + " is alleen-lezen.");

    std::string tempName = (dir / ("." + path_.filename().string() + ".XXXXXX")).string();
    Fd temp(::mkostemp(tempName.data(), O_CLOEXEC));
    if (!temp.valid())
        throw writeError(path_, errno);
    try {
        const mode_t mode = content ? content->info.st_mode & 07777 : 0600;
        if (::fchmod(temp.get(), mode) != 0)
            throw writeError(path_, errno);
        // Root editing a user's file must not take it away from that user.
        if (content && ::geteuid() == 0)
            (void)::fchown(temp.get(), content->info.st_uid, content->info.st_gid);
        writeAll(temp.get(), hive.serialize(), path_);
        if (::fsync(temp.get()) != 0)
            throw writeError(path_, errno);
        if (::close(temp.release()) != 0)
            throw writeError(path_, errno);
        if (::rename(tempName.c_str(), path_.c_str()) != 0)
            throw writeError(path_, errno);
    } catch (...) {
        temp.reset();
        ::unlink(tempName.c_str());
        throw;
    }

    // The new content is in place; syncing the directory makes the rename
    // survive a crash. Some file systems refuse it, which changes nothing
    // about the write itself.
    Fd dirFd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.valid())
        (void)::fsync(dirFd.get());
    return true;
}

std::filesystem::path hivePath()
{
    if (const char* explicitPath = std::getenv("KWISVINDER_REGISTRY"); explicitPath && *explicitPath)
        return explicitPath;
    const std::filesystem::path tail = std::filesystem::path("kwisvinder") / "registry.reg";
    // A relative XDG_CONFIG_HOME is to be ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
        return std::filesystem::path(xdg) / tail;
    std::filesystem::path home;
    if (const char* h = std::getenv("HOME"); h && *h)
        home = h;
    else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        home = pw->pw_dir;
    return home / ".config" / tail;
}

// ---- HiveRegistry -----------------------------------------------------------

HiveRegistry::HiveRegistry(std::filesystem::path hive) : file_(std::move(hive)) {}

bool HiveRegistry::openKey(std::string_view path)
{
    openPath_.reset();
    const std::optional<Hive> hive = file_.load();
    if (!hive || !hive->hasKey(path))
        return false;
    openPath_ = std::string(path);
    return true;
}

std::string HiveRegistry::readString(std::string_view name)
{
    if (!openPath_)
        return {};
    // Read afresh each time: another process may have replaced the file.
    const std::optional<Hive> hive = file_.load();
    const HiveValue* v = hive ? hive->value(*openPath_, name) : nullptr;
    if (!v)
        return {};
    if (v->type != HiveValue::Type::String)
        throw RegistryError("Invalid data type for '" + std::string(name) + "'");
    return v->text.substr(0, v->text.find('\0'));
}

void HiveRegistry::writeString(std::string_view name, std::string_view value)
{
    const std::string failed = "Failed to set data for '" + std::string(name) + "'";
    if (!openPath_)
        throw RegistryError(failed);
    bool written = false;
    try {
        written = file_.update([&](Hive& hive) { return hive.setString(*openPath_, name, value); });
    } catch (const HiveFileError& e) {
        // A damaged file is worth its own message; anything else is the
        // plain failure the registry would report.
        if (e.line() > 0)
            throw;
        throw RegistryError(failed);
    }
    if (!written)
        throw RegistryError(failed);
}

void HiveRegistry::closeKey()
{
    openPath_.reset();
}

std::unique_ptr<Registry> openRegistry()
{
    return std::make_unique<HiveRegistry>(hivePath());
}

} // namespace kv
