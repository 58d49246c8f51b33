// Takes the screenshots of the converter's windows for the documentation. Run under a real X
// server (xvfb-run); each window is shown, painted and grabbed from the screen.
//
// Usage: WindowShots output-directory page.emf
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "converter/page/ImageProperty.h"
#include "converter/presets/PresetHolder.h"
#include "converter/ui/About.h"
#include "converter/ui/ChooseDirectory.h"
#include "converter/ui/PreviewDialog.h"
#include "platform/user/GuiHost.h"

namespace {

namespace fs = std::filesystem;

bool Grab(QWidget& window, const fs::path& file) {
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QTest::qWait(50);
    }
    const QPixmap shot = window.screen()->grabWindow(window.winId());
    const bool saved = shot.save(QString::fromStdString(file.string()));
    std::printf("%s: %s (%dx%d)\n", saved ? "saved" : "FAILED", file.c_str(), shot.width(),
                shot.height());
    return saved;
}

void ShotPreview(const fs::path& page, int preset, const fs::path& file) {
    PresetList.SetCurrent(preset);
    ImgProperty.SetFormat(OutputFormatOfPresetType(PresetList.Current()->PresetType()));
    TfrmImagePreview worker;
    worker.OpenEmfPage(page.string());
    worker.PreviewDialog = [&](TfrmImagePreview& form, const std::string& directory, bool save) {
        TPreviewDialog dialog(form);
        QTimer::singleShot(0, &dialog, [&] {
            dialog.setWindowState(Qt::WindowNoState);
            dialog.setGeometry(80, 60, 900, 640);
            Grab(dialog, file);
            dialog.reject();
        });
        std::string chosen = directory;
        dialog.ShowPreviewDialog(form.PageList(), chosen, save);
        return TfrmImagePreview::TPreviewResult{};
    };
    worker.ConvertPage((page.parent_path() / "shot.jpg").string(), true, false);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: WindowShots output-directory page.emf\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path page = fs::absolute(argv[2]);
    if (!tallyvane::user::EnsureGuiApplication()) {
        std::fprintf(stderr, "WindowShots: no display\n");
        return 1;
    }
    TfrmImagePreview::Register();
    PresetList.LoadDefaults();
    ImgProperty.ResetDefaults();
    ImgProperty.SetPercentScale(100);

    ShotPreview(page, 3, out / "preview-jpg.png"); // "Greeting Card", JPEG
    ShotPreview(page, 1, out / "preview-gif.png"); // "Text & Lines", GIF

    // A few levels deep, so the chooser shows its tree opened down to the chosen folder.
    const fs::path shots = fs::temp_directory_path() / "tallyvane-shots";
    const fs::path pictures = shots / "Documents" / "Pictures";
    for (const char* folder :
         {"Documents/Letters", "Documents/Pictures/2005", "Documents/Reports", "Music"}) {
        fs::create_directories(shots / folder);
    }
    std::ofstream(pictures / "Page002.jpg") << "x";
    std::vector<std::string> targets = {(pictures / "Page001.jpg").string(),
                                        (pictures / "Page002.jpg").string()};
    {
        TfrmChooseDirectory chooser;
        chooser.Open(pictures.string(), targets, true);
        chooser.move(200, 150);
        chooser.show();
        Grab(chooser, out / "chooser-narrow.png");
        tallyvane::user::SetMessageBoxPresenter(
            [](const tallyvane::user::MessageBoxRequest&) { return IDNO; });
        chooser.BtnOkClick();
        Grab(chooser, out / "chooser-wide.png");
        tallyvane::user::SetMessageBoxPresenter({});
    }
    fs::remove_all(shots);

    TfrmAbout about;
    about.show();
    QApplication::processEvents();
    about.HighlightLink(0);
    Grab(about, out / "about.png");
    return 0;
}
