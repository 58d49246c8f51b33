// The key store.
#include "converter/app/CmdParam.h"

namespace {

struct Store {
    TCmdKeys keys;
    int keyCount = 0;
    std::vector<std::string> values;
    std::vector<std::string> arguments;
    int argumentCount = -1;
    bool parsed = false;
};

Store& TheStore() {
    static Store store;
    return store;
}

} // namespace

bool SetKeys(const TCmdKeys& keys) {
    Store& store = TheStore();
    store.keyCount = static_cast<int>(keys.size());
    if (keys.empty())
        return false;
    store.keys = keys;
    store.values.assign(keys.size(), std::string());
    return true;
}

bool ParseCommandLine() {
    Store& store = TheStore();
    if (store.parsed)
        return false;
    store.argumentCount =
        store.arguments.empty() ? 0 : static_cast<int>(store.arguments.size()) - 1;
    for (size_t i = 0; i < store.keys.size(); ++i) {
        std::string value;
        FindKeyValue(store.keys[i], value);
        store.values[i] = value;
    }
    store.parsed = true;
    return true;
}

int ParsedParamCount() {
    const Store& store = TheStore();
    return store.parsed ? store.argumentCount : -1;
}

std::string GetKeyValue(int index) {
    const Store& store = TheStore();
    if (!store.parsed || index < 0 || index >= static_cast<int>(store.values.size()))
        return {};
    return store.values[static_cast<size_t>(index)];
}

bool FindKeyValue(const std::string& key, std::string& value) {
    value.clear();
    if (key.empty())
        return false;
    const Store& store = TheStore();
    int count = store.argumentCount >= 0 ? store.argumentCount
                                         : static_cast<int>(store.arguments.size()) - 1;
    for (int i = 1; i <= count && i < static_cast<int>(store.arguments.size()); ++i) {
        const std::string& argument = store.arguments[static_cast<size_t>(i)];
        size_t at = argument.find(key);
        if (at != std::string::npos) {
            value = argument.substr(at + key.size());
            return true;
        }
    }
    return false;
}

void SetCommandLineArguments(const std::vector<std::string>& arguments) {
    Store& store = TheStore();
    store.arguments.clear();
    for (size_t i = 0; i < arguments.size(); ++i)
        if (i == 0 || !arguments[i].empty())
            store.arguments.push_back(arguments[i]);
}

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> arguments;
    size_t i = 0;
    const size_t n = commandLine.size();
    auto isBlank = [](char c) {
        auto code = static_cast<unsigned char>(c);
        return code >= 1 && code <= 32;
    };
    while (i < n) {
        while (i < n && isBlank(commandLine[i]))
            ++i;
        if (i >= n)
            break;
        std::string argument;
        bool quoted = false;
        while (i < n && (quoted || !isBlank(commandLine[i]))) {
            if (commandLine[i] == '"')
                quoted = !quoted;
            else
                argument += commandLine[i];
            ++i;
        }
        if (!argument.empty())
            arguments.push_back(argument);
    }
    return arguments;
}

void ResetCommandLine() {
    TheStore() = Store();
}
