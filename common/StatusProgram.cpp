#include "common/StatusProgram.h"

#include "common/RunMode.h"

#include <cstdlib>

namespace {

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

TStatusPlacement PlaceStatusProgram(const TStatusProgram& program, int charWidth, int screenWidth,
                                    int screenHeight) {
    switch (program.runMode) {
    case kRunModeDebug:
        // The debug window is centred as if it were 27 lines high, whatever its height.
        return PlaceStatusWindow(110, program.debugHeightLines, 27, charWidth, screenWidth,
                                 screenHeight);
    case kRunModePause:
        return PlaceStatusWindow(50, 13, 13, charWidth, screenWidth, screenHeight);
    default:
        return PlaceStatusWindow(50, 11, 11, charWidth, screenWidth, screenHeight);
    }
}

bool StatusDisplayAvailable() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

int RunStatusProgramHeadless(const TStatusProgram& program, std::FILE* out) {
    if (program.runMode != kRunModeNormal && program.work)
        program.work();
    if (program.runMode == kRunModePause || !program.page)
        return 0;
    for (const auto& line : program.page().TextLines())
        std::fprintf(out, "%s\n", line.c_str());
    std::fflush(out);
    return 0;
}
