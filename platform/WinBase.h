// The Win32 stand-in: files and directories, file search, current directory, local time, paths
// (kernel).
//
// Paths are UTF-8 char strings. The "\" of Win32 paths is the platform's directory separator,
// "/" here; the path helpers accept either and always produce "/". Failures set the last-error
// code (GetLastError) with the Win32 code closest to the host's errno.
#pragma once

#include <string>

#include "platform/WinTypes.h"

constexpr DWORD MAX_PATH = 260;

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001u;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x00000002u;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010u;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x00000020u;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-1)))

// ---------------------------------------------------------------------------------------------
// Current directory

// Copies the current directory (no trailing "/") into buffer and answers its length without the
// terminating zero; when the buffer is too small, answers the size needed including the zero.
DWORD GetCurrentDirectory(DWORD nBufferLength, LPSTR lpBuffer);
BOOL SetCurrentDirectory(LPCSTR lpPathName);

// ---------------------------------------------------------------------------------------------
// Files and directories

// FILE_ATTRIBUTE_DIRECTORY or FILE_ATTRIBUTE_NORMAL (plus READONLY when not writable, HIDDEN for
// dot names); INVALID_FILE_ATTRIBUTES when the path does not exist.
DWORD GetFileAttributes(LPCSTR lpFileName);

BOOL DeleteFile(LPCSTR lpFileName);
// Copies the file's bytes; with bFailIfExists an existing target fails with ERROR_FILE_EXISTS.
// The target is written under a temporary name and renamed, so a failed copy leaves no half file.
BOOL CopyFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName, BOOL bFailIfExists);
BOOL MoveFile(LPCSTR lpExistingFileName, LPCSTR lpNewFileName);
// Security attributes have no meaning here; pass nullptr.
BOOL CreateDirectory(LPCSTR lpPathName, void* lpSecurityAttributes);
BOOL RemoveDirectory(LPCSTR lpPathName);

// ---------------------------------------------------------------------------------------------
// File search
//
// FindFirstFile takes "dir/pattern" where the pattern is in the last component only, with "*"
// (any run) and "?" (one character), matched without regard to ASCII case as Win32 does. The
// search returns ordinary files only: directories and hidden files (names starting with ".")
// are skipped. Names come back in byte order so a run is reproducible.

struct WIN32_FIND_DATA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    char cFileName[MAX_PATH]; // name only, no directory; longer names are skipped
    char cAlternateFileName[14];
};
using LPWIN32_FIND_DATA = WIN32_FIND_DATA*;

// INVALID_HANDLE_VALUE with ERROR_FILE_NOT_FOUND when nothing matches (or the directory is
// missing); otherwise a handle for FindNextFile that FindClose frees.
HANDLE FindFirstFile(LPCSTR lpFileName, LPWIN32_FIND_DATA lpFindFileData);
// FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFile(HANDLE hFindFile, LPWIN32_FIND_DATA lpFindFileData);
BOOL FindClose(HANDLE hFindFile);

// ---------------------------------------------------------------------------------------------
// Local time

void GetLocalTime(SYSTEMTIME* lpSystemTime);
void GetSystemTime(SYSTEMTIME* lpSystemTime);
DWORD GetTickCount();

// ---------------------------------------------------------------------------------------------
// Path helpers (the stand-in's own; not Win32 names)

namespace tallyvane::path {

// Turns every "\" into "/".
std::string Normalize(const std::string& path);
// Appends a "/" unless the path is empty or already ends in one ("\" counts too).
std::string IncludeTrailingDelimiter(const std::string& path);
std::string ExcludeTrailingDelimiter(const std::string& path);
// The part after the last separator ("a/b.emf" -> "b.emf").
std::string ExtractFileName(const std::string& path);
// The part up to and including the last separator ("a/b.emf" -> "a/"; "b.emf" -> "").
std::string ExtractFilePath(const std::string& path);
// The extension with its dot, from the file-name part only ("a.b/c" -> "", "c.emf" -> ".emf").
std::string ExtractFileExt(const std::string& path);
// Replaces (or adds) the extension; ext includes the dot, or is empty to drop it.
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// Joins a directory and a name with exactly one separator.
std::string Join(const std::string& dir, const std::string& name);
// True for names matching a "*"/"?" pattern, ASCII case ignored.
bool MatchesPattern(const std::string& name, const std::string& pattern);

} // namespace tallyvane::path

// ---------------------------------------------------------------------------------------------
// Global memory, as the clipboard hands it over
//
// A block is movable in name only: GlobalLock answers the same pointer every time. GlobalFree
// answers nullptr on success and the handle itself on failure, as Win32 does.

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
LPVOID GlobalLock(HGLOBAL hMem);
BOOL GlobalUnlock(HGLOBAL hMem);
HGLOBAL GlobalFree(HGLOBAL hMem);
SIZE_T GlobalSize(HGLOBAL hMem);
