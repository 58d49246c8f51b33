// What the installer's status window shows in each mode.
#include "installer/Dotferry.h"

#include "common/RunMode.h"

namespace {

const char* TrueFalse(BOOL value) {
    return value ? "True" : "False";
}

std::string Text(const std::optional<std::string>& value) {
    return value.value_or("");
}

TStatusPage DebugPage() {
    TStatusPage page;
    TDebugLines lines(page);
    lines.Text(kStatusBlue, "debug : ", "YES");
    lines.Rule();
    lines.Number(kStatusGrey, "Word version         = ", Ferry.OfficeVersionNumber);
    lines.Text(kStatusGrey, "Word version in TEXT = ", Ferry.OfficeVersionText);
    lines.Text(kStatusGrey, "sKey = ", Ferry.OptionsKey);
    lines.Text(kStatusGrey, "sVal = ", "STARTUP-PATH");
    lines.Text(kStatusGrey, "lResult : ", Ferry.StartupResult);
    if (Ferry.StartupResult == "False")
        lines.Text(kStatusGrey, "lSpecialFolderTxt = ", Text(Ferry.SpecialFolder));
    lines.Rule();
    lines.Text(kStatusBlack, "Final : sPath = ", Text(Ferry.StartupFolder));
    lines.Empty();
    lines.Text(kStatusGrey, "MkName = ", Ferry.TemplateName);
    lines.Text(kStatusGrey, "lvrPathExe = ", Text(Ferry.InstallPath));
    lines.Rule();
    lines.Empty();
    lines.Line(kStatusBlack, "Exist Path's :");
    for (const auto& entry : Ferry.UserPaths) {
        if (!entry)
            break;
        lines.Text(kStatusBlack, "lvPathMacro[numUser] = ", *entry);
    }
    lines.Empty();
    lines.Text(kStatusBlue, "Save new path = ", Text(Ferry.StartupFolder));
    lines.Text(kStatusBlue, "lResultSave   = ", Ferry.SaveResult);
    lines.Empty();
    lines.Text(kStatusBlue, "Save file to : ", Ferry.TemplateDestination);
    lines.Text(kStatusBlue, "lResultCrDir = ", TrueFalse(Ferry.DirectoryCreated));
    lines.Text(kStatusBlue, "lResultSaveFile = ", TrueFalse(Ferry.TemplateCopied));
    lines.Empty();
    lines.Text(kStatusBlue, "Office Dir : ", Text(Ferry.OfficeFolder));
    lines.Text(kStatusBlue, "Exist file : ", Ferry.LibrarySource);
    lines.Text(kStatusBlue, "Result file : ", Ferry.LibraryDestination);
    lines.Text(kStatusBlue, "lResultSaveOutlk = ", TrueFalse(Ferry.LibraryCopied));
    lines.Empty();
    lines.Text(kStatusRed, "lSetStartup = ", TrueFalse(Ferry.SetStartup));
    lines.Text(kStatusRed, "lResultCreateStartUp = ", TrueFalse(Ferry.ResultCreateStartUp));
    return page;
}

} // namespace

TStatusPage FerryPage() {
    if (Ferry.RunMode == kRunModeDebug)
        return DebugPage();
    return VersionPage("Dotferry\x99 v1.1.2", Ferry.RunMode == kRunModePause,
                       "Install information in <Dotferry.log>.");
}
