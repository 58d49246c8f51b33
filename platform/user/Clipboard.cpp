// The clipboard, kept as one file per format in a directory shared by every process of the
// user. Opening the clipboard takes an advisory lock on the directory's ".lock" file, so two
// processes never interleave their changes; each format file is written under a temporary dot
// name and renamed into place, so a reader sees either the old data or the new.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/WinUser.h"

namespace tallyvane::user {

namespace {

constexpr UINT kFirstRegisteredFormat = 0xC000;

struct Codec {
    ClipboardToBytes toBytes;
    ClipboardFromBytes fromBytes;
    ClipboardFreeHandle freeHandle;
};

struct State {
    std::recursive_mutex mutex;
    bool open = false;
    HWND owner = nullptr;
    int lockFd = -1;
    std::map<UINT, Codec> codecs;
    std::vector<std::string> registered; // index i is format kFirstRegisteredFormat + i
    std::vector<HGLOBAL> memoryHandedOut;
    std::vector<std::pair<UINT, HANDLE>> handlesHandedOut;
};

State& TheState() {
    static State state;
    return state;
}

bool ValidFormatName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos && name.size() < 200;
}

bool ReadFile(const std::string& path, std::vector<BYTE>& bytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    bytes.clear();
    BYTE buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return false;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    return true;
}

bool WriteFileAtomically(const std::string& dir, const std::string& name,
                         const std::vector<BYTE>& bytes) {
    std::string temp = dir + "/." + name + ".tmp." + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        done += static_cast<size_t>(n);
    }
    bool ok = done == bytes.size();
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), (dir + "/" + name).c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool IsHandleFormat(UINT format) {
    return format == CF_BITMAP || format == CF_ENHMETAFILE;
}

void ReleaseHandedOut(State& state) {
    for (HGLOBAL block : state.memoryHandedOut)
        GlobalFree(block);
    state.memoryHandedOut.clear();
    for (auto& [format, handle] : state.handlesHandedOut) {
        auto codec = state.codecs.find(format);
        if (codec != state.codecs.end() && codec->second.freeHandle)
            codec->second.freeHandle(handle);
    }
    state.handlesHandedOut.clear();
}

} // namespace

std::string ClipboardDirectory() {
    std::string dir;
    if (const char* given = std::getenv("TALLYVANE_CLIPBOARD"); given && *given) {
        dir = given;
    } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        dir = std::string(runtime) + "/tallyvane-clipboard";
    } else {
        const char* home = std::getenv("HOME");
        dir = std::string(home ? home : "") + "/.cache/tallyvane-clipboard";
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return dir;
}

std::string ClipboardFormatFileName(UINT format) {
    switch (format) {
    case CF_TEXT:
        return "CF_TEXT";
    case CF_BITMAP:
        return "CF_BITMAP";
    case CF_METAFILEPICT:
        return "CF_METAFILEPICT";
    case CF_DIB:
        return "CF_DIB";
    case CF_UNICODETEXT:
        return "CF_UNICODETEXT";
    case CF_ENHMETAFILE:
        return "CF_ENHMETAFILE";
    default:
        break;
    }
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (format >= kFirstRegisteredFormat &&
        format - kFirstRegisteredFormat < state.registered.size())
        return state.registered[format - kFirstRegisteredFormat];
    return std::string();
}

void RegisterClipboardHandleCodec(UINT format, ClipboardToBytes toBytes,
                                  ClipboardFromBytes fromBytes, ClipboardFreeHandle freeHandle) {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    state.codecs[format] = Codec{std::move(toBytes), std::move(fromBytes), std::move(freeHandle)};
}

} // namespace tallyvane::user

using namespace tallyvane::user;

BOOL OpenClipboard(HWND hWndNewOwner) {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (state.open) {
        if (state.owner == hWndNewOwner)
            return TRUE;
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string dir = ClipboardDirectory();
    int fd = ::open((dir + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    // Another process holding the clipboard gets a second to finish before this open fails.
    for (int attempt = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt) {
        if (attempt == 100) {
            ::close(fd);
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        struct timespec pause {
            0, 10 * 1000 * 1000
        };
        ::nanosleep(&pause, nullptr);
    }
    state.lockFd = fd;
    state.open = true;
    state.owner = hWndNewOwner;
    return TRUE;
}

BOOL CloseClipboard() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    ReleaseHandedOut(state);
    ::close(state.lockFd);
    state.lockFd = -1;
    state.open = false;
    state.owner = nullptr;
    return TRUE;
}

BOOL EmptyClipboard() {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return FALSE;
    }
    std::string dir = ClipboardDirectory();
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return FALSE;
    std::vector<std::string> names;
    while (struct dirent* entry = ::readdir(listing))
        if (entry->d_name[0] != '.')
            names.push_back(entry->d_name);
    ::closedir(listing);
    BOOL ok = TRUE;
    for (const std::string& name : names)
        if (::unlink((dir + "/" + name).c_str()) != 0 && errno != ENOENT)
            ok = FALSE;
    return ok;
}

HANDLE SetClipboardData(UINT uFormat, HANDLE hMem) {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    std::string name = ClipboardFormatFileName(uFormat);
    if (name.empty() || !hMem) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<BYTE> bytes;
    if (IsHandleFormat(uFormat)) {
        auto codec = state.codecs.find(uFormat);
        if (codec == state.codecs.end() || !codec->second.toBytes ||
            !codec->second.toBytes(hMem, bytes)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
    } else {
        SIZE_T size = GlobalSize(hMem);
        auto* data = static_cast<const BYTE*>(GlobalLock(hMem));
        if (!data) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        bytes.assign(data, data + size);
        GlobalUnlock(hMem);
    }
    if (!WriteFileAtomically(ClipboardDirectory(), name, bytes)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    // The clipboard owns memory blocks given to it; their bytes are on disk now.
    if (!IsHandleFormat(uFormat))
        GlobalFree(hMem);
    return hMem;
}

HANDLE GetClipboardData(UINT uFormat) {
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    if (!state.open) {
        SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
        return nullptr;
    }
    std::string name = ClipboardFormatFileName(uFormat);
    std::vector<BYTE> bytes;
    if (name.empty() || !ReadFile(ClipboardDirectory() + "/" + name, bytes)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (IsHandleFormat(uFormat)) {
        auto codec = state.codecs.find(uFormat);
        if (codec == state.codecs.end() || !codec->second.fromBytes)
            return nullptr;
        HANDLE handle = codec->second.fromBytes(bytes);
        if (handle)
            state.handlesHandedOut.emplace_back(uFormat, handle);
        return handle;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!block)
        return nullptr;
    if (!bytes.empty()) {
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    state.memoryHandedOut.push_back(block);
    return block;
}

BOOL IsClipboardFormatAvailable(UINT format) {
    std::string name = ClipboardFormatFileName(format);
    if (name.empty())
        return FALSE;
    struct stat info {};
    return ::stat((ClipboardDirectory() + "/" + name).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

UINT RegisterClipboardFormat(LPCSTR lpszFormat) {
    std::string name = lpszFormat ? lpszFormat : "";
    if (!ValidFormatName(name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    State& state = TheState();
    std::lock_guard lock(state.mutex);
    for (size_t i = 0; i < state.registered.size(); ++i) {
        const std::string& known = state.registered[i];
        bool same = known.size() == name.size();
        for (size_t j = 0; same && j < name.size(); ++j)
            same = std::tolower(static_cast<unsigned char>(known[j])) ==
                   std::tolower(static_cast<unsigned char>(name[j]));
        if (same)
            return kFirstRegisteredFormat + static_cast<UINT>(i);
    }
    if (state.registered.size() >= 0x3FFF)
        return 0;
    state.registered.push_back(name);
    return kFirstRegisteredFormat + static_cast<UINT>(state.registered.size() - 1);
}

int GetClipboardFormatName(UINT format, LPSTR lpszFormatName, int cchMaxCount) {
    std::string name = ClipboardFormatFileName(format);
    if (format < 0xC000 || name.empty() || !lpszFormatName || cchMaxCount <= 0)
        return 0;
    int length = static_cast<int>(name.size());
    if (length >= cchMaxCount)
        length = cchMaxCount - 1;
    std::memcpy(lpszFormatName, name.data(), static_cast<size_t>(length));
    lpszFormatName[length] = '\0';
    return length;
}
