// The program side of the windows seam. Every stand-in asks WindowsModule() only once it knows a
// window is wanted, so the decision to map the toolkit is taken in this file alone.
#include "converter/app/WindowsLoader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "converter/app/WindowsModule.h"
#include "converter/page/PageMessage.h"

namespace {

// Where the running program lives, with a trailing separator; empty when unknown.
std::string ProgramDirectory() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) {
        return {};
    }
    path.resize(static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

const TWindowsModule* Load(std::string& reason) {
    const std::string file = ProgramDirectory() + kWindowsModuleFile;
    // RTLD_NOW: a module that does not fit this program fails here, not in the middle of a job.
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* error = ::dlerror();
        reason = error ? error : file + ": cannot be loaded";
        return nullptr;
    }
    // The module stays mapped until the process ends: Qt keeps its application object for the
    // life of the process, and windows may be shown again later in the job.
    auto entry = reinterpret_cast<TWindowsModuleEntry>(::dlsym(handle, kWindowsModuleEntry));
    const TWindowsModule* module = entry ? entry() : nullptr;
    if (!module || module->version != kWindowsModuleVersion) {
        reason = file + ": made by another build of the program";
        return nullptr;
    }
    return module;
}

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The same test the windows make before they show a box as a dialog; without a display a box is
// the headless line, for which the module is not needed.
bool DisplayNamed() {
    return EnvironmentSet("QT_QPA_PLATFORM") || EnvironmentSet("DISPLAY") ||
           EnvironmentSet("WAYLAND_DISPLAY");
}

} // namespace

const TWindowsModule* WindowsModule() {
    static const TWindowsModule* const module = [] {
        std::string reason;
        const TWindowsModule* loaded = Load(reason);
        if (!loaded) {
            std::fprintf(stderr, "Vantrel: no windows: %s\n", reason.c_str());
        }
        return loaded;
    }();
    return module;
}

void RegisterWindowsOnDemand() {
    TfrmImagePreview::Register();
    SetPageJobsFactory([]() -> std::unique_ptr<TPageJobs> {
        auto worker = std::make_unique<TfrmImagePreview>();
        worker->PreviewDialog = [](TfrmImagePreview& form, const std::string& directory,
                                   bool saveMode) -> TfrmImagePreview::TPreviewResult {
            if (const TWindowsModule* module = WindowsModule()) {
                return module->showPreview(form, directory, saveMode);
            }
            ShowPageMessage(TMessageKind::Error,
                            "The preview cannot be shown: the windows are not installed.\n"
                            "Nothing has been converted.");
            return {};
        };
        return worker;
    });
    SetAboutBoxShower([] {
        if (const TWindowsModule* module = WindowsModule()) {
            module->showAbout();
        } else {
            ShowPageMessage(TMessageKind::Error,
                            "The about window cannot be shown: the windows are not installed.");
        }
    });
    tallyvane::user::SetMessageBoxPresenter([](const tallyvane::user::MessageBoxRequest& request) {
        const TWindowsModule* module = DisplayNamed() ? WindowsModule() : nullptr;
        return module ? module->presentMessageBox(request)
                      : tallyvane::user::PresentMessageBoxHeadless(request);
    });
}
