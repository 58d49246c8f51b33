// The shell: the application-data folder and opening a file or link with the desktop's
// handler. ShellExecute starts xdg-open in a child of a child, so the handler is never a zombie of
// this process and the call does not wait for it.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/ShellApi.h"
#include "platform/WinBase.h"

extern char** environ;

namespace {

constexpr INT_PTR SE_ERR_FNF = 2;
constexpr INT_PTR SE_ERR_NOASSOC = 31;
constexpr INT_PTR SE_ERR_ACCESSDENIED = 5;
constexpr INT_PTR kShellSuccess = 42;

HINSTANCE ShellResult(INT_PTR code) {
    return reinterpret_cast<HINSTANCE>(code);
}

bool IsLink(const std::string& target) {
    size_t colon = target.find("://");
    if (colon != std::string::npos && colon > 0)
        return true;
    return target.rfind("mailto:", 0) == 0;
}

std::string ConfigHome() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return config;
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config";
}

} // namespace

HINSTANCE ShellExecute(HWND, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR, LPCSTR lpDirectory, INT) {
    if (lpOperation && *lpOperation && std::strcmp(lpOperation, "open") != 0)
        return ShellResult(SE_ERR_NOASSOC);
    if (!lpFile || !*lpFile)
        return ShellResult(SE_ERR_FNF);
    std::string target = lpFile;
    if (!IsLink(target)) {
        target = tallyvane::path::Normalize(target);
        if (lpDirectory && *lpDirectory && target[0] != '/')
            target = tallyvane::path::Join(lpDirectory, target);
        if (GetFileAttributes(target.c_str()) == INVALID_FILE_ATTRIBUTES)
            return ShellResult(SE_ERR_FNF);
    }
    const char* opener = std::getenv("TALLYVANE_OPENER");
    std::string program = opener && *opener ? opener : "xdg-open";
    pid_t child = ::fork();
    if (child < 0)
        return ShellResult(SE_ERR_ACCESSDENIED);
    if (child == 0) {
        pid_t grandchild = 0;
        char* argv[] = {program.data(), target.data(), nullptr};
        int status = ::posix_spawnp(&grandchild, program.c_str(), nullptr, nullptr, argv, environ);
        ::_exit(status == 0 ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return ShellResult(SE_ERR_NOASSOC);
    return ShellResult(kShellSuccess);
}

HRESULT SHGetFolderPath(HWND, int csidl, HANDLE, DWORD, LPSTR pszPath) {
    if (!pszPath)
        return E_INVALIDARG;
    pszPath[0] = '\0';
    std::string folder;
    switch (csidl & ~CSIDL_FLAG_CREATE) {
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
        if (const char* given = std::getenv("TALLYVANE_APPDATA"); given && *given)
            folder = given;
        else
            folder = ConfigHome();
        break;
    case CSIDL_PERSONAL:
        if (const char* home = std::getenv("HOME"); home && *home)
            folder = home;
        break;
    default:
        return E_INVALIDARG;
    }
    folder = tallyvane::path::ExcludeTrailingDelimiter(folder);
    if (folder.empty() || folder.size() >= MAX_PATH)
        return E_FAIL;
    if (csidl & CSIDL_FLAG_CREATE) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    std::memcpy(pszPath, folder.c_str(), folder.size() + 1);
    // A folder that does not exist is still named; S_FALSE tells the caller so.
    struct stat info {};
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? S_OK : S_FALSE;
}
