// Files and directories, and the current directory, on top of POSIX calls. Each failure sets the
// last-error code to the Win32 code nearest to errno.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/WinBase.h"

namespace {

DWORD FromErrno(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ENOTEMPTY:
    case EBUSY:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_ALREADY_EXISTS;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG:
    case EINVAL:
        return ERROR_INVALID_PARAMETER;
    default:
        return ERROR_ACCESS_DENIED;
    }
}

BOOL Fail(int error) {
    SetLastError(FromErrno(error));
    return FALSE;
}

std::string Native(LPCSTR path) {
    return tallyvane::path::Normalize(path ? path : "");
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

DWORD GetCurrentDirectory(DWORD nBufferLength, LPSTR lpBuffer) {
    std::vector<char> buffer(4096);
    while (!::getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) {
            SetLastError(FromErrno(errno));
            return 0;
        }
        buffer.resize(buffer.size() * 2);
    }
    std::string dir(buffer.data());
    DWORD length = static_cast<DWORD>(dir.size());
    if (!lpBuffer || nBufferLength <= length)
        return length + 1;
    std::memcpy(lpBuffer, dir.c_str(), length + 1);
    return length;
}

BOOL SetCurrentDirectory(LPCSTR lpPathName) {
    if (::chdir(Native(lpPathName).c_str()) != 0)
        return Fail(errno);
    return TRUE;
}

DWORD GetFileAttributes(LPCSTR lpFileName) {
    std::string path = Native(lpFileName);
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) {
        SetLastError(FromErrno(path.empty() ? ENOENT : errno));
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    if (::access(path.c_str(), W_OK) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    std::string name =
        tallyvane::path::ExtractFileName(tallyvane::path::ExcludeTrailingDelimiter(path));
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    if ((attributes & ~FILE_ATTRIBUTE_NORMAL) != 0)
        attributes &= ~FILE_ATTRIBUTE_NORMAL;
    return attributes;
}

BOOL DeleteFile(LPCSTR lpFileName) {
    std::string path = Native(lpFileName);
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
        return Fail(EACCES);
    if (::unlink(path.c_str()) != 0)
        return Fail(errno);
    return TRUE;
}

BOOL CopyFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists) {
    std::string from = Native(lpExistingFileName);
    std::string to = Native(lpNewFileName);
    int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return Fail(errno);
    struct stat info {};
    if (::fstat(in, &info) != 0 || S_ISDIR(info.st_mode)) {
        int error = S_ISDIR(info.st_mode) ? EACCES : errno;
        ::close(in);
        return Fail(error);
    }
    if (bFailIfExists && ::access(to.c_str(), F_OK) == 0) {
        ::close(in);
        SetLastError(ERROR_FILE_EXISTS);
        return FALSE;
    }
    struct stat target {};
    if (::stat(to.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
        ::close(in);
        return Fail(EACCES);
    }
    // Copy under a temporary name beside the target, then rename: a reader never sees half a file
    // and a failed copy leaves an existing target as it was.
    std::string temp = to + ".copy-" + std::to_string(::getpid());
    int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, info.st_mode & 0777);
    if (out < 0) {
        int error = errno;
        ::close(in);
        return Fail(error);
    }
    std::vector<char> buffer(1 << 16);
    bool ok = true;
    int error = 0;
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            error = errno;
            break;
        }
        if (!WriteAll(out, buffer.data(), static_cast<size_t>(n))) {
            ok = false;
            error = errno;
            break;
        }
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && bFailIfExists) {
        // link() refuses an existing name, which closes the gap between the check above and here.
        if (::link(temp.c_str(), to.c_str()) != 0) {
            ok = false;
            error = errno;
        }
        ::unlink(temp.c_str());
        if (!ok && error == EEXIST) {
            SetLastError(ERROR_FILE_EXISTS);
            return FALSE;
        }
    } else if (ok && ::rename(temp.c_str(), to.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return Fail(error);
    }
    return TRUE;
}

BOOL MoveFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName) {
    std::string from = Native(lpExistingFileName);
    std::string to = Native(lpNewFileName);
    if (::access(to.c_str(), F_OK) == 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return FALSE;
    }
    if (::rename(from.c_str(), to.c_str()) != 0)
        return Fail(errno);
    return TRUE;
}

BOOL CreateDirectory(LPCSTR lpPathName, void*) {
    if (::mkdir(Native(lpPathName).c_str(), 0777) != 0)
        return Fail(errno);
    return TRUE;
}

BOOL RemoveDirectory(LPCSTR lpPathName) {
    if (::rmdir(Native(lpPathName).c_str()) != 0)
        return Fail(errno);
    return TRUE;
}
