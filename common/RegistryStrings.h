// String values of the registry as the installer and the remover use them.
//
// Every value these programs touch is a plain string (REG_SZ). Keys are only ever opened,
// never created: a value under a key that does not exist can be neither read nor written.
// Key paths use the registry's own "\" separator, e.g. "Software\\Orvan\\Tallyvane!".
#pragma once

#include "platform/WinTypes.h"

#include <optional>
#include <string>

// The product's own key under HKEY_LOCAL_MACHINE.
inline constexpr const char* kProductKey = "Software\\Orvan\\Tallyvane!";

// Opens key for reading under HKEY_LOCAL_MACHINE (ReadMachineString) or HKEY_CURRENT_USER
// (ReadUserString) and returns the named value, or none when the key or the value is missing
// or is not a string. The text ends at the first zero byte of the stored data.
std::optional<std::string> ReadMachineString(const std::string& key, const std::string& name);
std::optional<std::string> ReadUserString(const std::string& key, const std::string& name);

// Opens the existing key for writing and sets the named value as a string. Returns 0 on
// success, otherwise the registry's error code (a key that cannot be opened is a failure).
LONG WriteMachineString(const std::string& key, const std::string& name, const std::string& text);
LONG WriteUserString(const std::string& key, const std::string& name, const std::string& text);

// Opens the existing key under HKEY_LOCAL_MACHINE with the right to set values and deletes the
// named value. Returns 0 on success, otherwise the registry's error code (2 when the key or
// the value is missing).
LONG DeleteMachineValue(const std::string& key, const std::string& name);
// The same under HKEY_CURRENT_USER.
LONG DeleteUserValue(const std::string& key, const std::string& name);

// True when key exists under HKEY_CURRENT_USER and can be opened for reading.
bool UserKeyExists(const std::string& key);
