// The registry calls. Open keys are entries in a process-wide table; each call re-reads the file,
// so a value written by another process is seen at once.
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/WinReg.h"
#include "platform/registry/RegistryStore.h"

using tallyvane::registry::Section;
using tallyvane::registry::Store;
using tallyvane::registry::Value;

namespace {

constexpr LONG ERROR_KEY_DELETED = 1018;

struct OpenKey {
    std::string root;
    std::string path;
    REGSAM access;
};

std::mutex& TableMutex() {
    static std::mutex mutex;
    return mutex;
}

std::map<HKEY, std::unique_ptr<OpenKey>>& Table() {
    static std::map<HKEY, std::unique_ptr<OpenKey>> table;
    return table;
}

const char* RootName(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE)
        return "HKEY_LOCAL_MACHINE";
    if (key == HKEY_CURRENT_USER)
        return "HKEY_CURRENT_USER";
    if (key == HKEY_CLASSES_ROOT)
        return "HKEY_CLASSES_ROOT";
    if (key == HKEY_USERS)
        return "HKEY_USERS";
    return nullptr;
}

// Resolves a handle to what it names; roots carry every right.
bool Resolve(HKEY key, OpenKey& out) {
    if (const char* root = RootName(key)) {
        out = OpenKey{root, std::string(), KEY_ALL_ACCESS};
        return true;
    }
    std::lock_guard lock(TableMutex());
    auto it = Table().find(key);
    if (it == Table().end())
        return false;
    out = *it->second;
    return true;
}

// Appends a relative path ("a\b", "/" taken as "\") to a key path; rejects empty components and
// a leading separator, as Win32 does.
bool AppendPath(const std::string& base, const char* sub, std::string& out) {
    out = base;
    if (!sub || !*sub)
        return true;
    std::string rest(sub);
    for (char& c : rest)
        if (c == '/')
            c = '\\';
    if (rest.front() == '\\')
        return false;
    if (rest.back() == '\\')
        rest.pop_back();
    if (rest.empty() || rest.find("\\\\") != std::string::npos)
        return false;
    out = base.empty() ? rest : base + "\\" + rest;
    return true;
}

HKEY NewHandle(const OpenKey& key) {
    auto entry = std::make_unique<OpenKey>(key);
    HKEY handle = reinterpret_cast<HKEY>(entry.get());
    std::lock_guard lock(TableMutex());
    Table().emplace(handle, std::move(entry));
    return handle;
}

bool CanWrite(const OpenKey& key) {
    return (key.access & KEY_SET_VALUE) != 0;
}

} // namespace

LONG RegOpenKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey parent;
    if (!Resolve(hKey, parent))
        return ERROR_INVALID_HANDLE;
    OpenKey key{parent.root, std::string(), samDesired};
    if (!AppendPath(parent.path, lpSubKey, key.path))
        return ERROR_FILE_NOT_FOUND;
    Store store;
    if (LoadStore(tallyvane::registry::RegistryFilePath(), store) !=
        tallyvane::registry::LoadResult::Ok)
        return ERROR_BADDB;
    if (!store.KeyExists(key.root, key.path))
        return ERROR_FILE_NOT_FOUND;
    *phkResult = NewHandle(key);
    return ERROR_SUCCESS;
}

LONG RegCreateKeyEx(HKEY hKey, LPCSTR lpSubKey, DWORD, LPSTR, DWORD, REGSAM samDesired, void*,
                    PHKEY phkResult, LPDWORD lpdwDisposition) {
    if (!phkResult)
        return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey parent;
    if (!Resolve(hKey, parent))
        return ERROR_INVALID_HANDLE;
    OpenKey key{parent.root, std::string(), samDesired};
    if (!AppendPath(parent.path, lpSubKey, key.path))
        return ERROR_INVALID_PARAMETER;
    bool created = false;
    LONG result = tallyvane::registry::UpdateStore(
        tallyvane::registry::RegistryFilePath(), [&](Store& store, bool& changed) -> long {
            if (store.KeyExists(key.root, key.path))
                return ERROR_SUCCESS;
            if (!(parent.access & KEY_CREATE_SUB_KEY))
                return ERROR_ACCESS_DENIED;
            store.CreateSection(key.root, key.path, created);
            changed = true;
            return ERROR_SUCCESS;
        });
    if (result != ERROR_SUCCESS)
        return result;
    if (lpdwDisposition)
        *lpdwDisposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *phkResult = NewHandle(key);
    return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData,
                     LPDWORD lpcbData) {
    OpenKey key;
    if (!Resolve(hKey, key))
        return ERROR_INVALID_HANDLE;
    if (lpData && !lpcbData)
        return ERROR_INVALID_PARAMETER;
    Store store;
    if (LoadStore(tallyvane::registry::RegistryFilePath(), store) !=
        tallyvane::registry::LoadResult::Ok)
        return ERROR_BADDB;
    if (!store.KeyExists(key.root, key.path))
        return ERROR_KEY_DELETED;
    const Section* section = store.FindSection(key.root, key.path);
    const Value* value =
        section ? Store::FindValue(*section, lpValueName ? lpValueName : "") : nullptr;
    if (!value)
        return ERROR_FILE_NOT_FOUND;

    std::string bytes;
    if (value->type == REG_DWORD) {
        bytes.assign(reinterpret_cast<const char*>(&value->number), sizeof value->number);
    } else {
        bytes = value->text;
        bytes.push_back('\0');
    }
    if (lpType)
        *lpType = value->type;
    if (!lpcbData)
        return ERROR_SUCCESS;
    DWORD needed = static_cast<DWORD>(bytes.size());
    if (lpData && *lpcbData < needed) {
        *lpcbData = needed;
        return ERROR_MORE_DATA;
    }
    if (lpData)
        std::copy(bytes.begin(), bytes.end(), lpData);
    *lpcbData = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY hKey, LPCSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData,
                   DWORD cbData) {
    OpenKey key;
    if (!Resolve(hKey, key))
        return ERROR_INVALID_HANDLE;
    if (!CanWrite(key))
        return ERROR_ACCESS_DENIED;
    Value value;
    value.name = lpValueName ? lpValueName : "";
    value.type = dwType;
    if (dwType == REG_SZ) {
        if (!lpData && cbData)
            return ERROR_INVALID_PARAMETER;
        const char* text = reinterpret_cast<const char*>(lpData);
        DWORD length = 0;
        while (length < cbData && text[length] != '\0')
            ++length;
        value.text.assign(text ? text : "", length);
    } else if (dwType == REG_DWORD) {
        if (!lpData || cbData != sizeof(DWORD))
            return ERROR_INVALID_PARAMETER;
        std::copy(lpData, lpData + sizeof(DWORD), reinterpret_cast<BYTE*>(&value.number));
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    return tallyvane::registry::UpdateStore(
        tallyvane::registry::RegistryFilePath(), [&](Store& store, bool& changed) -> long {
            if (!store.KeyExists(key.root, key.path))
                return ERROR_KEY_DELETED;
            bool created = false;
            Section& section = store.CreateSection(key.root, key.path, created);
            if (Value* existing = Store::FindValue(section, value.name)) {
                existing->type = value.type;
                existing->text = value.text;
                existing->number = value.number;
            } else {
                section.values.push_back(value);
            }
            changed = true;
            return ERROR_SUCCESS;
        });
}

LONG RegDeleteValue(HKEY hKey, LPCSTR lpValueName) {
    OpenKey key;
    if (!Resolve(hKey, key))
        return ERROR_INVALID_HANDLE;
    if (!CanWrite(key))
        return ERROR_ACCESS_DENIED;
    std::string name = lpValueName ? lpValueName : "";
    return tallyvane::registry::UpdateStore(
        tallyvane::registry::RegistryFilePath(), [&](Store& store, bool& changed) -> long {
            if (!store.KeyExists(key.root, key.path))
                return ERROR_KEY_DELETED;
            Section* section = store.FindSection(key.root, key.path);
            if (!section)
                return ERROR_FILE_NOT_FOUND;
            for (auto it = section->values.begin(); it != section->values.end(); ++it) {
                if (tallyvane::registry::SameName(it->name, name)) {
                    section->values.erase(it);
                    changed = true;
                    return ERROR_SUCCESS;
                }
            }
            return ERROR_FILE_NOT_FOUND;
        });
}

LONG RegDeleteKey(HKEY hKey, LPCSTR lpSubKey) {
    OpenKey parent;
    if (!Resolve(hKey, parent))
        return ERROR_INVALID_HANDLE;
    std::string path;
    if (!lpSubKey || !*lpSubKey || !AppendPath(parent.path, lpSubKey, path))
        return ERROR_INVALID_PARAMETER;
    return tallyvane::registry::UpdateStore(tallyvane::registry::RegistryFilePath(),
                                            [&](Store& store, bool& changed) -> long {
                                                if (!store.KeyExists(parent.root, path))
                                                    return ERROR_FILE_NOT_FOUND;
                                                if (store.HasSubkeys(parent.root, path))
                                                    return ERROR_ACCESS_DENIED;
                                                store.RemoveSection(parent.root, path);
                                                changed = true;
                                                return ERROR_SUCCESS;
                                            });
}

LONG RegCloseKey(HKEY hKey) {
    if (RootName(hKey))
        return ERROR_SUCCESS;
    std::lock_guard lock(TableMutex());
    return Table().erase(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
