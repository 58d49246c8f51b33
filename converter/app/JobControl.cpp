// Start-up and job dispatch. Every job works through one window object (TPageJobs) created for
// the job and freed before it ends; the output geometry goes to ImgProperty and the encoder
// settings come from the current preset of PresetList.
#include "converter/app/JobControl.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "converter/app/JobSettings.h"
#include "converter/app/MetafileSignature.h"
#include "converter/page/ImageProperty.h"
#include "converter/presets/PresetHolder.h"
#include "converter/ui/PageJobs.h"
#include "platform/WinBase.h"
#include "platform/WinReg.h"
#include "platform/WinUser.h"

namespace {

// Stands in for the conversion window while none is registered: nothing is loaded, converted
// or written, every operation answers false and says so on stderr.
class TUnavailablePageJobs : public TPageJobs {
public:
    bool TakeClipboardPage() override { return Skip("TakeClipboardPage", ""); }
    bool OpenEmfPage(const std::string& path) override { return Skip("OpenEmfPage", path); }
    bool OpenWmfPage(const std::string& path) override { return Skip("OpenWmfPage", path); }
    bool PageToClipboard() override { return Skip("PageToClipboard", ""); }
    bool SavePageAsEmf(const std::string& path) override { return Skip("SavePageAsEmf", path); }
    bool ConvertPage(const std::string& path, bool, bool) override {
        return Skip("ConvertPage", path);
    }
    bool ConvertPageList(const std::vector<std::string>& sources, const std::vector<std::string>&,
                         bool, bool) override {
        return Skip("ConvertPageList", std::to_string(sources.size()) + " file(s)");
    }
    void ShowMinimized() override {}

private:
    static bool Skip(const char* operation, const std::string& what) {
        std::fprintf(stderr, "Vantrel: %s(%s): no conversion window in this build; nothing done\n",
                     operation, what.c_str());
        return false;
    }
};

// dir + "/" + name as the job's file names are formed. An empty directory is the root (what
// "idn:/" leaves once its one trailing separator is gone), never the current directory.
std::string InDirectory(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '/' || dir.back() == '\\'))
        return tallyvane::path::Normalize(dir) + name;
    return tallyvane::path::Normalize(dir) + "/" + name;
}

std::unique_ptr<TPageJobs> CreatePageJobs() {
    if (PageJobsFactory()) {
        if (std::unique_ptr<TPageJobs> jobs = PageJobsFactory()())
            return jobs;
    }
    return std::make_unique<TUnavailablePageJobs>();
}

bool ConversionAvailable() {
    return static_cast<bool>(PageJobsFactory());
}

const char* ExtensionOfFormat(std::uint8_t format) {
    switch (format) {
    case kFormatBMP:
        return ".bmp";
    case kFormatJPG:
        return ".jpg";
    case kFormatGIF:
        return ".gif";
    default:
        return "";
    }
}

void EmptyTheClipboard() {
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    CloseClipboard();
}

// Empties the clipboard and leaves text (with its terminating zero) on it as CF_TEXT.
void AnswerOnClipboard(const std::string& text) {
    if (!OpenClipboard(nullptr))
        return;
    EmptyClipboard();
    if (HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(GlobalLock(block), text.c_str(), text.size() + 1);
        GlobalUnlock(block);
        if (!SetClipboardData(CF_TEXT, block))
            GlobalFree(block);
    }
    CloseClipboard();
}

void PreviewFlags(bool& shown, bool& saveMode) {
    shown = JobSettings.PreviewMode == kPreviewSendToMail ||
            JobSettings.PreviewMode == kPreviewSaveToFile;
    saveMode = JobSettings.PreviewMode == kPreviewSaveToFile;
}

void LoadSource(TPageJobs& window) {
    if (JobSettings.Source == kPlaceFile) {
        if (JobSettings.InputIsWmf)
            window.OpenWmfPage(InputPath());
        else
            window.OpenEmfPage(InputPath());
    } else if (JobSettings.Source == kPlaceClipboard) {
        window.TakeClipboardPage();
    }
}

void RunConvert() {
    bool shown, saveMode;
    PreviewFlags(shown, saveMode);
    std::unique_ptr<TPageJobs> window = CreatePageJobs();
    if (!shown)
        window->ShowMinimized();
    LoadSource(*window);
    bool pageOnClipboard = false;
    if (JobSettings.Destination == kPlaceFile) {
        if (JobSettings.OutputFormat == kOutputEMF) {
            window->SavePageAsEmf(OutputPath());
        } else if (window->ConvertPage(OutputPath(), shown, saveMode) && !window->PageWritten(0) &&
                   JobSettings.ReportLevel != 0) {
            // A page that could not be read or written would otherwise end in "Job is
            // completed." alone, as if the picture were there.
            ShowInformation("Tallyvane!: Image has not been created.");
        }
    } else if (JobSettings.Destination == kPlaceClipboard) {
        pageOnClipboard = window->PageToClipboard();
    }
    window.reset();
    // A page just put on the clipboard is the job's result; emptying it would throw it away.
    if (!pageOnClipboard)
        EmptyTheClipboard();
}

void RunAddToList() {
    std::unique_ptr<TPageJobs> window = CreatePageJobs();
    LoadSource(*window);
    window->SavePageAsEmf(InDirectory(
        JobSettings.OutputDir, tallyvane::path::ChangeFileExt(JobSettings.OutputName, ".emf")));
}

void RunConvertList() {
    std::vector<std::string> sources, targets;
    WIN32_FIND_DATA found;
    std::string pattern = InDirectory(JobSettings.InputDir, "*" + JobSettings.InputExt);
    HANDLE search = FindFirstFile(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            sources.push_back(InDirectory(JobSettings.InputDir, found.cFileName));
            targets.push_back(InDirectory(
                JobSettings.OutputDir,
                tallyvane::path::ChangeFileExt(found.cFileName, JobSettings.OutputExt)));
        } while (FindNextFile(search, &found));
        FindClose(search);
    }
    if (sources.empty()) {
        ShowInformation("The page is empty.\nImage has not been created.");
        return;
    }

    bool shown, saveMode;
    PreviewFlags(shown, saveMode);
    std::unique_ptr<TPageJobs> window = CreatePageJobs();
    if (!shown)
        window->ShowMinimized();
    bool converted = window->ConvertPageList(sources, targets, shown, saveMode);
    std::vector<bool> written(sources.size());
    for (size_t i = 0; i < sources.size(); ++i)
        written[i] = window->PageWritten(i);
    const bool cancelled = shown && !converted && window->PreviewSeen();
    window.reset();

    // The sources go once the user has decided: after a confirmed conversion, or after a
    // cancelled preview. A source stays when nothing could have converted it: no conversion
    // window, a preview that could not be shown, a failed run that showed no preview, or a page
    // whose image was not written.
    bool decided = converted || cancelled;
    if (!JobSettings.KeepSources && ConversionAvailable() && decided) {
        for (size_t i = 0; i < sources.size(); ++i) {
            if (converted && !written[i]) {
                if (JobSettings.ReportLevel != 0)
                    ShowInformation("Tallyvane!: Image has not been created.\nFile kept: " +
                                    sources[i]);
                continue;
            }
            // After a cancelled preview nothing has read the sources: an input name with no
            // or another extension ("*", "*.txt") may have matched files that are no pages.
            if (!converted && !LooksLikeMetafile(sources[i]))
                continue;
            if (!DeleteFile(sources[i].c_str()) && JobSettings.ReportLevel != 0)
                ShowInformation("File not deleted.");
        }
    }
    sources.clear();
    targets.clear();

    AnswerOnClipboard(converted ? ExtensionOfFormat(ImgProperty.GetFormat()) : "none");
}

void RunSplashScreen() {
    if (AboutBoxShower())
        AboutBoxShower()();
    else
        std::fprintf(stderr, "Vantrel: no about window in this build\n");
}

bool ReadInstallPath(std::string& installPath) {
    installPath.clear();
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        ShowError(std::string("Can't open Key ") + kProductKey + "!");
        return false;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueEx(key, "InstallPath", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        type == REG_SZ && size > 0) {
        std::string buffer(size, '\0');
        if (RegQueryValueEx(key, "InstallPath", nullptr, &type,
                            reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS)
            installPath = buffer.c_str();
    }
    RegCloseKey(key);
    return true;
}

void SelectPresetFormat() {
    TGFPreset* preset = PresetList.Current();
    ImgProperty.SetFormat(OutputFormatOfPresetType(preset ? preset->PresetType() : 0));
}

} // namespace

std::string InputPath() {
    return InDirectory(JobSettings.InputDir,
                       tallyvane::path::ChangeFileExt(JobSettings.InputName, JobSettings.InputExt));
}

std::string OutputPath() {
    return InDirectory(JobSettings.OutputDir, tallyvane::path::ChangeFileExt(
                                                  JobSettings.OutputName, JobSettings.OutputExt));
}

bool StartUp() {
    std::string installPath;
    ReadInstallPath(installPath);
    DWORD attributes =
        installPath.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributes(installPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ShowInformation("Tallyvane! is damaged!\nTry reinstall Tallyvane!. ");
        return false;
    }
    PresetList.LoadDefaults();
    ImgProperty.ResetDefaults();
    SelectPresetFormat();
    SetKeys(JobKeys());
    ParseCommandLine();
    if (ParsedParamCount() <= 0)
        return false;
    RunJob();
    return true;
}

void RunJob() {
    if (!ReadJobSettings())
        return;
    TJobSettings& job = JobSettings;

    // Output format from the command line; EMF keeps the current preset's format.
    switch (job.OutputFormat) {
    case kOutputBMP:
        ImgProperty.SetFormat(kFormatBMP);
        break;
    case kOutputJPG:
        ImgProperty.SetFormat(kFormatJPG);
        break;
    case kOutputGIF:
        ImgProperty.SetFormat(kFormatGIF);
        break;
    default:
        break;
    }

    // The unit. The target box stays the screen that ResetDefaults set, so that a job with no
    // scale option fits the page to the screen.
    switch (job.SizeUnit) {
    case kSizeMM:
        ImgProperty.SelectUnit(kUnitMM);
        break;
    case kSizeInches:
        ImgProperty.SelectUnit(kUnitInches);
        break;
    default:
        ImgProperty.SelectUnit(kUnitPixels);
        break;
    }

    // The scale: the first option given wins; the width beats the height.
    if (job.PercentGiven) {
        ImgProperty.SetPercentScale(static_cast<float>(job.Percent));
    } else if (job.ScaleGiven) {
        ImgProperty.SetScaleFactor(job.Scale);
    } else if (job.WidthGiven) {
        auto width = static_cast<float>(job.Width);
        if (job.SizeUnit == kSizeMM)
            ImgProperty.SetWidthMM(width);
        else if (job.SizeUnit == kSizeInches)
            ImgProperty.SetWidthInches(width);
        else
            ImgProperty.SetWidthPixels(width);
    } else if (job.HeightGiven) {
        auto height = static_cast<float>(job.Height);
        if (job.SizeUnit == kSizeMM)
            ImgProperty.SetHeightMM(height);
        else if (job.SizeUnit == kSizeInches)
            ImgProperty.SetHeightInches(height);
        else
            ImgProperty.SetHeightPixels(height);
    }

    // A preset chosen on the command line overrides "oft:" and the extension of "ofn:". Entry 0
    // ("Current") cannot be chosen this way.
    if (job.PresetNumber > 0 && job.PresetNumber < PresetList.Count()) {
        PresetList.SetCurrent(job.PresetNumber);
        TGFPreset* preset = PresetList.Current();
        switch (preset ? preset->PresetType() : kPresetTypeEmpty) {
        case kPresetTypeBMP:
            ImgProperty.SetFormat(kFormatBMP);
            job.OutputExt = ".bmp";
            job.OutputFormat = kOutputBMP;
            break;
        case kPresetTypeJPG:
            ImgProperty.SetFormat(kFormatJPG);
            job.OutputExt = ".jpg";
            job.OutputFormat = kOutputJPG;
            break;
        case kPresetTypeGIF:
            ImgProperty.SetFormat(kFormatGIF);
            job.OutputExt = ".gif";
            job.OutputFormat = kOutputGIF;
            break;
        default:
            ImgProperty.SetFormat(kFormatNone);
            break;
        }
    }

    switch (job.Action) {
    case kActionConvert:
        RunConvert();
        break;
    case kActionAddToList:
        RunAddToList();
        break;
    case kActionConvertList:
        RunConvertList();
        break;
    case kActionSplashScreen:
        RunSplashScreen();
        break;
    default:
        break;
    }

    if (job.ReportLevel != 0)
        ShowInformation("Tallyvane!: Job is completed.");
}
