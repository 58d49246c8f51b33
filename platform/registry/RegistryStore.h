// The registry's data model and its file.
//
// The registry is a list of sections, one per key that has been created, each naming its root
// and path ("HKEY_LOCAL_MACHINE", "Software\Orvan\Tallyvane!") and holding its values in the order
// they were first set. A key exists when it has a section of its own or lies on the path of one
// (its parents are implied). Key paths and value names compare without regard to ASCII case and
// keep the spelling they were created with.
//
// The file is REGEDIT4 text: a first line "REGEDIT4", then for each section a line
// "[ROOT\path]" followed by its values as "Name"="text" (or @="text" for the default value, or
// "Name"=dword:0000002a). Inside quotes "\\", "\"", "\n" and "\r" stand for a backslash, a quote,
// a line feed and a carriage return. Blank lines and lines starting with ";" are ignored. Any
// other line makes the whole file malformed: it is then neither used nor rewritten.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tallyvane::registry {

struct Value {
    std::string name;         // empty for the default value
    std::uint32_t type = 1;   // REG_SZ or REG_DWORD
    std::string text;         // REG_SZ data, without the terminating zero
    std::uint32_t number = 0; // REG_DWORD data
};

struct Section {
    std::string root; // "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", ...
    std::string path; // components joined by "\", no leading or trailing "\"; empty for the root
    std::vector<Value> values;
};

class Store {
public:
    // Parses REGEDIT4 text. Answers nullopt and the reason (with its line number) when malformed.
    static std::optional<Store> Parse(const std::string& text, std::string& error);
    std::string Serialize() const;

    bool KeyExists(const std::string& root, const std::string& path) const;
    // nullptr when the key has no section of its own (it may still exist as a parent).
    Section* FindSection(const std::string& root, const std::string& path);
    const Section* FindSection(const std::string& root, const std::string& path) const;
    // The key's own section, appended when missing; answers whether it was new as a key.
    Section& CreateSection(const std::string& root, const std::string& path, bool& created);
    bool HasSubkeys(const std::string& root, const std::string& path) const;
    // Removes the key's own section; parents implied only by it disappear with it.
    void RemoveSection(const std::string& root, const std::string& path);

    static Value* FindValue(Section& section, const std::string& name);
    static const Value* FindValue(const Section& section, const std::string& name);

private:
    std::vector<Section> m_sections;
};

// True when two names are equal without regard to ASCII case.
bool SameName(const std::string& a, const std::string& b);

// Where the registry file lives: $TALLYVANE_REGISTRY, else $XDG_CONFIG_HOME/tallyvane/registry.reg,
// else $HOME/.config/tallyvane/registry.reg.
std::string RegistryFilePath();

// Result of reading the file: a missing file is an empty registry; an unreadable or malformed
// one is an error and nothing may be written over it.
enum class LoadResult { Ok, Unreadable, Malformed };

LoadResult LoadStore(const std::string& path, Store& store);

// Runs change on the registry under the file's advisory lock: the file is read afresh, change
// applies one modification and answers a Win32 result code; when that is ERROR_SUCCESS and
// changed is set, the new text goes to a temporary file in the same directory that then replaces
// the registry file. Answers ERROR_BADDB when the file cannot be read or is malformed and
// ERROR_CANTWRITE when the new file cannot be written; the old file is then left as it was.
template <typename Change> long UpdateStore(const std::string& path, Change change);

// Non-template core of UpdateStore.
long UpdateStoreWith(const std::string& path, long (*change)(Store&, bool&, void*), void* context);

template <typename Change> long UpdateStore(const std::string& path, Change change) {
    return UpdateStoreWith(
        path,
        [](Store& store, bool& changed, void* context) -> long {
            return (*static_cast<Change*>(context))(store, changed);
        },
        &change);
}

} // namespace tallyvane::registry
