#include "common/RunMode.h"

#include <cctype>

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto ca = static_cast<unsigned char>(a[i]);
        auto cb = static_cast<unsigned char>(b[i]);
        if (std::tolower(ca) != std::tolower(cb))
            return false;
    }
    return true;
}

} // namespace

std::string JoinCommandLine(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += argv[i];
    }
    return line;
}

int ParseRunMode(std::string_view commandLine, std::string_view pauseSwitch) {
    if (EqualsIgnoringCase(commandLine, "debug"))
        return kRunModeDebug;
    if (EqualsIgnoringCase(commandLine, pauseSwitch))
        return kRunModePause;
    return kRunModeNormal;
}
