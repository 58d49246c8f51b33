// The Win32 stand-in: the registry, kept in a text file.
//
// The two roots HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER live in one REGEDIT4-style text file
// ([HKEY_LOCAL_MACHINE\Software\...] sections, "Name"="value" lines, UTF-8). Its path is
// $TALLYVANE_REGISTRY, else $XDG_CONFIG_HOME/tallyvane/registry.reg, else
// ~/.config/tallyvane/registry.reg. Every call reads the file afresh; every change takes an
// advisory lock, re-reads, applies the one change and replaces the file atomically, so two
// processes writing different values both keep theirs. Key names ignore ASCII case.
//
// Result codes are Win32's: ERROR_SUCCESS (0), ERROR_FILE_NOT_FOUND (2) for a missing key or
// value, ERROR_ACCESS_DENIED (5) for a change through a key opened without KEY_WRITE,
// ERROR_MORE_DATA when a buffer is too small, ERROR_BADDB when the file cannot be read or is
// malformed (it is then left exactly as it is).
#pragma once

#include "platform/WinTypes.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

using REGSAM = DWORD;
using PHKEY = HKEY*;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = KEY_READ;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// hKey is a root or a key opened before; lpSubKey may be nullptr or "" to reopen hKey itself.
// ulOptions is reserved (0).
LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD ulOptions, REGSAM samDesired, PHKEY phkResult);
// Creates every missing key on the path. lpClass and lpSecurityAttributes are ignored;
// lpdwDisposition (may be nullptr) receives REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD Reserved, LPSTR lpClass, DWORD dwOptions,
                    REGSAM samDesired, void* lpSecurityAttributes, PHKEY phkResult,
                    LPDWORD lpdwDisposition);
// Strings only (REG_SZ). With lpData nullptr answers the size in *lpcbData, zero included; with a
// buffer too small answers ERROR_MORE_DATA and the size needed. lpValueName nullptr or "" is the
// key's default value.
LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                     LPBYTE lpData, LPDWORD lpcbData);
// REG_SZ only: the data is the string with its terminating zero (a missing zero is tolerated;
// the value ends at the first zero or at cbData).
LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD Reserved, DWORD dwType, const BYTE* lpData,
                   DWORD cbData);
LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName);
// Deletes a key with no subkeys (its values go with it).
LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey);
LONG RegCloseKey(HKEY hKey);
