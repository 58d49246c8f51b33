#include "common/RegistryStrings.h"

#include "platform/WinReg.h"

#include <vector>

namespace {

// Closes a key on every path out of the helpers below.
class TKeyHolder {
public:
    TKeyHolder() = default;
    TKeyHolder(const TKeyHolder&) = delete;
    TKeyHolder& operator=(const TKeyHolder&) = delete;
    ~TKeyHolder() {
        if (m_key)
            RegCloseKey(m_key);
    }
    HKEY* Out() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::optional<std::string> ReadString(HKEY root, const std::string& key, const std::string& name) {
    TKeyHolder holder;
    if (RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, holder.Out()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueEx(holder.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return std::nullopt;
    std::vector<BYTE> data(size + 1, 0);
    DWORD got = size;
    if (RegQueryValueEx(holder.Get(), name.c_str(), nullptr, &type, data.data(), &got) !=
        ERROR_SUCCESS)
        return std::nullopt;
    // The value may have changed size between the two queries; never read past what was
    // actually returned, and stop at the first zero byte.
    if (got > size)
        got = size;
    std::string text(reinterpret_cast<const char*>(data.data()), got);
    auto end = text.find('\0');
    if (end != std::string::npos)
        text.resize(end);
    return text;
}

LONG WriteString(HKEY root, const std::string& key, const std::string& name,
                 const std::string& text) {
    TKeyHolder holder;
    LONG opened = RegOpenKeyEx(root, key.c_str(), 0, KEY_WRITE, holder.Out());
    if (opened != ERROR_SUCCESS)
        return opened;
    return RegSetValueEx(holder.Get(), name.c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
}

LONG DeleteValue(HKEY root, const std::string& key, const std::string& name) {
    TKeyHolder holder;
    LONG opened = RegOpenKeyEx(root, key.c_str(), 0, KEY_SET_VALUE, holder.Out());
    if (opened != ERROR_SUCCESS)
        return opened;
    return RegDeleteValue(holder.Get(), name.c_str());
}

} // namespace

std::optional<std::string> ReadMachineString(const std::string& key, const std::string& name) {
    return ReadString(HKEY_LOCAL_MACHINE, key, name);
}

std::optional<std::string> ReadUserString(const std::string& key, const std::string& name) {
    return ReadString(HKEY_CURRENT_USER, key, name);
}

LONG WriteMachineString(const std::string& key, const std::string& name, const std::string& text) {
    return WriteString(HKEY_LOCAL_MACHINE, key, name, text);
}

LONG WriteUserString(const std::string& key, const std::string& name, const std::string& text) {
    return WriteString(HKEY_CURRENT_USER, key, name, text);
}

LONG DeleteMachineValue(const std::string& key, const std::string& name) {
    return DeleteValue(HKEY_LOCAL_MACHINE, key, name);
}

LONG DeleteUserValue(const std::string& key, const std::string& name) {
    return DeleteValue(HKEY_CURRENT_USER, key, name);
}

bool UserKeyExists(const std::string& key) {
    TKeyHolder holder;
    return RegOpenKeyEx(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, holder.Out()) == ERROR_SUCCESS;
}
