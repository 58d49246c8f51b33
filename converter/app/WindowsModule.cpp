// The entry of VantrelWindows.so: the converter's windows behind the table of WindowsModule.h.
// Built into the module only; the program reaches these functions through the loader.
#include "converter/app/WindowsModule.h"

#include "converter/ui/About.h"
#include "converter/ui/PreviewDialog.h"
#include "platform/user/GuiHost.h"

namespace {

void ShowAbout() {
    ShowAboutWindow(nullptr);
}

int PresentMessageBox(const tallyvane::user::MessageBoxRequest& request) {
    // The decision is taken per box, as InstallGuiMessageBoxes does for programs that link the
    // windows directly.
    return tallyvane::user::DisplayAvailable()
               ? tallyvane::user::PresentMessageBoxGui(request)
               : tallyvane::user::PresentMessageBoxHeadless(request);
}

const TWindowsModule kModule{kWindowsModuleVersion, &ShowPreviewWindow, &ShowAbout,
                             &PresentMessageBox};

} // namespace

extern "C" __attribute__((visibility("default"))) const TWindowsModule* VantrelWindowsModule() {
    return &kModule;
}
