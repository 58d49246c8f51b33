// The Win32 stand-in: opening a link, the user's application-data folder.
#pragma once

#include "platform/WinTypes.h"

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// The "open" verb hands the file or link to xdg-open ($TALLYVANE_OPENER names another program,
// for tests) without waiting for it. As on Windows the
// result is a pseudo-instance: greater than 32 on success, an error code of 32 or less otherwise
// (2 when the file is missing, 31 when nothing could be started, 27 for another verb).
HINSTANCE ShellExecute(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                       LPCSTR lpDirectory, INT nShowCmd);

constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr DWORD SHGFP_TYPE_CURRENT = 0;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);

// CSIDL_APPDATA and CSIDL_LOCAL_APPDATA: $TALLYVANE_APPDATA, else $XDG_CONFIG_HOME, else
// ~/.config. CSIDL_PERSONAL: $HOME. pszPath receives at most MAX_PATH bytes, zero included,
// with no trailing "/". CSIDL_FLAG_CREATE creates the folder when missing.
HRESULT SHGetFolderPath(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPSTR pszPath);
