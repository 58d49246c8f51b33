// Reading and writing the registry file, and the in-memory model behind the registry calls.
#include "platform/registry/RegistryStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "platform/WinReg.h"

namespace tallyvane::registry {

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool StartsWithPath(const std::string& path, const std::string& prefix) {
    if (prefix.empty())
        return !path.empty();
    if (path.size() <= prefix.size() || path[prefix.size()] != '\\')
        return false;
    return SameName(path.substr(0, prefix.size()), prefix);
}

// Reads a quoted string starting at text[pos] == '"'; leaves pos after the closing quote.
bool ReadQuoted(const std::string& text, size_t& pos, std::string& out) {
    if (pos >= text.size() || text[pos] != '"')
        return false;
    ++pos;
    out.clear();
    while (pos < text.size()) {
        char c = text[pos++];
        if (c == '"')
            return true;
        if (c == '\\') {
            if (pos >= text.size())
                return false;
            char e = text[pos++];
            switch (e) {
            case '\\':
                out += '\\';
                break;
            case '"':
                out += '"';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                return false;
            }
        } else {
            out += c;
        }
    }
    return false;
}

std::string Quote(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    out += '"';
    return out;
}

bool ParseDword(const std::string& text, std::uint32_t& number) {
    if (text.empty() || text.size() > 8)
        return false;
    number = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        number = number * 16 + static_cast<std::uint32_t>(digit);
    }
    return true;
}

bool KnownRoot(const std::string& root) {
    return root == "HKEY_LOCAL_MACHINE" || root == "HKEY_CURRENT_USER" ||
           root == "HKEY_CLASSES_ROOT" || root == "HKEY_USERS";
}

// Splits "[ROOT\a\b]" into root and path; rejects empty components.
bool ParseSectionHeader(const std::string& line, std::string& root, std::string& path) {
    if (line.size() < 3 || line.front() != '[' || line.back() != ']')
        return false;
    std::string inner = line.substr(1, line.size() - 2);
    size_t slash = inner.find('\\');
    root = inner.substr(0, slash);
    path = slash == std::string::npos ? std::string() : inner.substr(slash + 1);
    if (!KnownRoot(root))
        return false;
    if (slash != std::string::npos && path.empty())
        return false;
    if (!path.empty() && (path.back() == '\\' || path.find("\\\\") != std::string::npos))
        return false;
    return true;
}

} // namespace

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

std::optional<Store> Store::Parse(const std::string& text, std::string& error) {
    Store store;
    std::istringstream in(text);
    std::string line;
    int lineNumber = 0;
    bool sawHeader = false;
    Section* current = nullptr;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (lineNumber == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0)
            line.erase(0, 3);
        if (line.empty() || line[0] == ';')
            continue;
        auto fail = [&](const char* why) {
            error = "line " + std::to_string(lineNumber) + ": " + why;
            return std::nullopt;
        };
        if (!sawHeader) {
            if (line != "REGEDIT4")
                return fail("the file does not start with REGEDIT4");
            sawHeader = true;
            continue;
        }
        if (line[0] == '[') {
            std::string root, path;
            if (!ParseSectionHeader(line, root, path))
                return fail("malformed key name");
            bool created = false;
            current = &store.CreateSection(root, path, created);
            continue;
        }
        if (!current)
            return fail("a value outside any key");
        Value value;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ReadQuoted(line, pos, value.name)) {
            return fail("malformed value name");
        }
        if (pos >= line.size() || line[pos] != '=')
            return fail("missing \"=\" after the value name");
        ++pos;
        if (pos < line.size() && line[pos] == '"') {
            if (!ReadQuoted(line, pos, value.text) || pos != line.size())
                return fail("malformed string value");
            value.type = REG_SZ;
        } else if (line.compare(pos, 6, "dword:") == 0) {
            if (!ParseDword(line.substr(pos + 6), value.number))
                return fail("malformed dword value");
            value.type = REG_DWORD;
        } else {
            return fail("unsupported value type");
        }
        if (Value* existing = FindValue(*current, value.name))
            *existing = value;
        else
            current->values.push_back(value);
    }
    return store;
}

std::string Store::Serialize() const {
    std::string out = "REGEDIT4\n";
    for (const Section& section : m_sections) {
        out += "\n[" + section.root;
        if (!section.path.empty())
            out += "\\" + section.path;
        out += "]\n";
        for (const Value& value : section.values) {
            out += value.name.empty() ? std::string("@") : Quote(value.name);
            out += '=';
            if (value.type == REG_DWORD) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "dword:%08x", value.number);
                out += hex;
            } else {
                out += Quote(value.text);
            }
            out += '\n';
        }
    }
    return out;
}

bool Store::KeyExists(const std::string& root, const std::string& path) const {
    if (path.empty())
        return true;
    for (const Section& section : m_sections) {
        if (section.root != root)
            continue;
        if (SameName(section.path, path) || StartsWithPath(section.path, path))
            return true;
    }
    return false;
}

Section* Store::FindSection(const std::string& root, const std::string& path) {
    for (Section& section : m_sections)
        if (section.root == root && SameName(section.path, path))
            return &section;
    return nullptr;
}

const Section* Store::FindSection(const std::string& root, const std::string& path) const {
    return const_cast<Store*>(this)->FindSection(root, path);
}

Section& Store::CreateSection(const std::string& root, const std::string& path, bool& created) {
    created = !KeyExists(root, path);
    if (Section* section = FindSection(root, path))
        return *section;
    m_sections.push_back(Section{root, path, {}});
    return m_sections.back();
}

bool Store::HasSubkeys(const std::string& root, const std::string& path) const {
    for (const Section& section : m_sections)
        if (section.root == root && StartsWithPath(section.path, path))
            return true;
    return false;
}

void Store::RemoveSection(const std::string& root, const std::string& path) {
    for (auto it = m_sections.begin(); it != m_sections.end(); ++it) {
        if (it->root == root && SameName(it->path, path)) {
            m_sections.erase(it);
            return;
        }
    }
}

Value* Store::FindValue(Section& section, const std::string& name) {
    for (Value& value : section.values)
        if (SameName(value.name, name))
            return &value;
    return nullptr;
}

const Value* Store::FindValue(const Section& section, const std::string& name) {
    return FindValue(const_cast<Section&>(section), name);
}

std::string RegistryFilePath() {
    if (const char* path = std::getenv("TALLYVANE_REGISTRY"); path && *path)
        return path;
    std::string base;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config) {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home ? home : "") + "/.config";
    }
    return base + "/tallyvane/registry.reg";
}

LoadResult LoadStore(const std::string& path, Store& store) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            store = Store();
            return LoadResult::Ok;
        }
        std::fprintf(stderr, "registry: %s: cannot be read (%s)\n", path.c_str(),
                     std::strerror(errno));
        return LoadResult::Unreadable;
    }
    std::string text;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    char buffer[65536];
    while (ok) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (!ok) {
        std::fprintf(stderr, "registry: %s: cannot be read\n", path.c_str());
        return LoadResult::Unreadable;
    }
    std::string error;
    std::optional<Store> parsed = Store::Parse(text, error);
    if (!parsed) {
        std::fprintf(stderr, "registry: %s: %s; the file is left as it is\n", path.c_str(),
                     error.c_str());
        return LoadResult::Malformed;
    }
    store = std::move(*parsed);
    return LoadResult::Ok;
}

namespace {

// Holds an exclusive advisory lock on "<registry>.lock" for its lifetime. The lock lives on a
// file of its own because the registry file itself is replaced by rename, which would leave a
// lock on the old file's inode behind.
class FileLock {
public:
    explicit FileLock(const std::string& path) {
        m_fd = ::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

bool WriteFileAtomically(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        done += static_cast<size_t>(n);
    }
    bool ok = done == text.size() && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace

long UpdateStoreWith(const std::string& path, long (*change)(Store&, bool&, void*), void* context) {
    std::error_code ec;
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    FileLock lock(path);
    if (!lock.Held())
        return static_cast<long>(ERROR_CANTWRITE);
    Store store;
    if (LoadStore(path, store) != LoadResult::Ok)
        return static_cast<long>(ERROR_BADDB);
    bool changed = false;
    long result = change(store, changed, context);
    if (result != ERROR_SUCCESS || !changed)
        return result;
    if (!WriteFileAtomically(path, store.Serialize())) {
        std::fprintf(stderr, "registry: %s: cannot be written\n", path.c_str());
        return static_cast<long>(ERROR_CANTWRITE);
    }
    return ERROR_SUCCESS;
}

} // namespace tallyvane::registry
