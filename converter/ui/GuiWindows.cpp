#include "converter/ui/GuiWindows.h"

#include "converter/ui/About.h"
#include "converter/ui/ImagePreview.h"
#include "converter/ui/PreviewDialog.h"
#include "platform/user/GuiHost.h"

void RegisterWindows() {
    TfrmImagePreview::Register();
    SetPageJobsFactory([]() -> std::unique_ptr<TPageJobs> {
        auto worker = std::make_unique<TfrmImagePreview>();
        worker->PreviewDialog = ShowPreviewWindow;
        return worker;
    });
    SetAboutBoxShower([] { ShowAboutWindow(nullptr); });
    tallyvane::user::InstallGuiMessageBoxes();
}
