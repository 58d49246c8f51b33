// What the remover's status window shows in each mode.
#include "remover/Dotsweep.h"

#include "common/RunMode.h"

namespace {

constexpr const char* kFileLabels[kSweepFilesPerFolder] = {
    "lResultDelFile97[numUser]  = ", "lResultDel972[numUser] = ",
    "lResultDelFile2k[numUser]  = ", "lResultDel2k2[numUser] = ",
    "lResultDelFileXP[numUser]  = ", "lResultDelXP2[numUser] = "};

TStatusPage DebugPage() {
    TStatusPage page;
    TDebugLines lines(page);
    lines.Text(kStatusBlue, "debug : ", "YES");
    lines.Empty();
    lines.Text(kStatusGrey, "lvrPathExe = ", Sweep.InstallPath.value_or(""));
    lines.Rule();
    lines.Empty();
    lines.Line(kStatusBlack, "Exist Path's :");
    for (const auto& entry : Sweep.Entries) {
        lines.Text(kStatusBlack, "lvPathMacro[numUser] = ", entry.Folder);
        lines.Text(kStatusBlack, "lResultDelVal[numUser] = ", entry.ValueDeleted);
        for (int i = 0; i < kSweepFilesPerFolder; ++i)
            lines.Number(kStatusBlack, kFileLabels[i], entry.FilesDeleted[i]);
    }
    lines.Rule();
    lines.Empty();
    lines.Number(kStatusBlue, "lResDelInstallPath = ", Sweep.ResDelInstallPath);
    lines.Number(kStatusBlue, "lResDelSavePath    = ", Sweep.ResDelSavePath);
    lines.Number(kStatusBlue, "lResDelVersion     = ", Sweep.ResDelVersion);
    lines.Rule();
    lines.Empty();
    lines.Number(kStatusBlack, "lResDelDotsweep[0]  = ", Sweep.LogsDeleted[0]);
    lines.Number(kStatusBlack, "lResDelDotsweep[1]  = ", Sweep.LogsDeleted[1]);
    return page;
}

} // namespace

TStatusPage SweepPage() {
    if (Sweep.RunMode == kRunModeDebug)
        return DebugPage();
    return VersionPage("Dotsweep\x99 v1.1.1", Sweep.RunMode == kRunModePause,
                       "Uninstall information in <Dotsweep.log>.");
}
