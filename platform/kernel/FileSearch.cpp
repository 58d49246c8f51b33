// File search over one directory. The matching names are collected and sorted when the search
// starts, so FindNextFile walks a fixed list whatever happens to the directory meanwhile.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/WinBase.h"

namespace {

struct Search {
    std::string dir;
    std::vector<std::string> names;
    size_t next = 0;
};

std::mutex& TableMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<HANDLE, std::unique_ptr<Search>>& Table() {
    static std::map<HANDLE, std::unique_ptr<Search>> table;
    return table;
}

FILETIME ToFileTime(const struct timespec& time) {
    // 100-nanosecond ticks since 1601-01-01.
    constexpr ULONGLONG kEpochDifference = 11644473600ull;
    ULONGLONG ticks = (static_cast<ULONGLONG>(time.tv_sec) + kEpochDifference) * 10000000ull +
                      static_cast<ULONGLONG>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

bool Fill(const Search& search, const std::string& name, WIN32_FIND_DATA& data) {
    struct stat info {};
    std::string full = tallyvane::path::Join(search.dir.empty() ? "." : search.dir, name);
    if (::stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::memset(&data, 0, sizeof data);
    data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = ToFileTime(info.st_ctim);
    data.ftLastAccessTime = ToFileTime(info.st_atim);
    data.ftLastWriteTime = ToFileTime(info.st_mtim);
    ULONGLONG size = static_cast<ULONGLONG>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
    return true;
}

// Hands out the next entry that is still an ordinary file.
bool Next(Search& search, WIN32_FIND_DATA& data) {
    while (search.next < search.names.size()) {
        if (Fill(search, search.names[search.next++], data))
            return true;
    }
    return false;
}

} // namespace

HANDLE FindFirstFile(LPCSTR lpFileName, LPWIN32_FIND_DATA lpFindFileData) {
    if (!lpFileName || !lpFindFileData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    const std::string wanted = tallyvane::path::Normalize(lpFileName);
    auto search = std::make_unique<Search>();
    search->dir =
        tallyvane::path::ExcludeTrailingDelimiter(tallyvane::path::ExtractFilePath(wanted));
    const std::string pattern = tallyvane::path::ExtractFileName(wanted);
    DIR* dir = ::opendir(search->dir.empty() ? "." : search->dir.c_str());
    if (!dir) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    while (struct dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name.empty() || name[0] == '.' || name.size() >= MAX_PATH)
            continue;
        if (entry->d_type != DT_REG && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
            continue;
        if (tallyvane::path::MatchesPattern(name, pattern))
            search->names.push_back(name);
    }
    ::closedir(dir);
    std::sort(search->names.begin(), search->names.end());
    if (!Next(*search, *lpFindFileData)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = search.get();
    std::lock_guard lock(TableMutex());
    Table().emplace(handle, std::move(search));
    return handle;
}

BOOL FindNextFile(HANDLE hFindFile, LPWIN32_FIND_DATA lpFindFileData) {
    std::lock_guard lock(TableMutex());
    auto it = Table().find(hFindFile);
    if (it == Table().end() || !lpFindFileData) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!Next(*it->second, *lpFindFileData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile) {
    std::lock_guard lock(TableMutex());
    if (!Table().erase(hFindFile)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
