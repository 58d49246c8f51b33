// Saves the status window's client area of each program in each mode as PNG files, painted
// exactly as the window paints it. The debug views show a run over an empty registry.
//
//   StatusSnapshot OUTPUT-DIR
#include "common/RunMode.h"
#include "common/StatusProgram.h"
#include "common/StatusWindow.h"
#include "installer/Dotferry.h"
#include "remover/Dotsweep.h"

#include <QGuiApplication>

#include <cstdio>
#include <string>

namespace {

bool Save(const TStatusProgram& program, int charWidth, const std::string& path) {
    TStatusPlacement placement = PlaceStatusProgram(program, charWidth, 1280, 1024);
    QImage image = RenderStatusImage(program.page(), placement.width, placement.height);
    if (!image.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s %dx%d\n", path.c_str(), placement.width, placement.height);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: StatusSnapshot OUTPUT-DIR\n");
        return 2;
    }
    QGuiApplication application(argc, argv);
    const std::string dir = argv[1];
    const int charWidth = MeasureStatusCharWidth();
    std::printf("average character width %d\n", charWidth);

    static const struct {
        int mode;
        const char* ferryName;
        const char* sweepName;
    } kModes[] = {{kRunModeNormal, "normal", "normal"},
                  {kRunModeDebug, "debug", "debug"},
                  {kRunModePause, "pause", "maxpause"}};
    bool ok = true;
    for (const auto& mode : kModes) {
        ResetFerry(mode.mode);
        ResetSweep(mode.mode);
        if (mode.mode == kRunModeDebug) {
            RunInstallSteps();
            RunRemovalSteps();
            DeleteLogFiles();
        }
        TStatusProgram ferry;
        ferry.runMode = mode.mode;
        ferry.debugHeightLines = 31;
        ferry.page = [] { return FerryPage(); };
        ok &= Save(ferry, charWidth, dir + "/dotferry-" + mode.ferryName + ".png");
        TStatusProgram sweep;
        sweep.runMode = mode.mode;
        sweep.debugHeightLines = 35;
        sweep.page = [] { return SweepPage(); };
        ok &= Save(sweep, charWidth, dir + "/dotsweep-" + mode.sweepName + ".png");
    }
    return ok ? 0 : 1;
}
