#include "installer/Dotferry.h"

#include "common/RegistryStrings.h"
#include "platform/ShellApi.h"
#include "platform/WinBase.h"
#include "platform/WinUser.h"

#include <cctype>

TFerryState Ferry;

const char* const kUnsupportedOfficeText =
    "Microsoft Office is not installed or it's version is not supported.\n"
    "Please visit http://www.orvan.com for more information.";

namespace {

constexpr const char* kOfficeKey = "Software\\Microsoft\\Office\\";
constexpr const char* kStartupValue = "STARTUP-PATH";
// The installation folder's own name ("\Tallyvane!") that the office 97 rule cuts off to reach
// the folder that holds both the product and the office suite.
constexpr std::size_t kInstallFolderNameLength = 11;

struct TOfficeNames {
    const char* versionText;
    const char* templateName;
    const char* packedLibrary;
    const char* library;
    const char* officeKey;
    const char* officeValue;
};

constexpr TOfficeNames kOfficeNames[] = {
    {"8.0", "sTallyvane97.dot", "MSOUTL8.OL_", "MSOUTL8.OLB",
     "Software\\Microsoft\\Office\\8.0\\Common\\InstallRoot", "OfficeBin"},
    {"9.0", "sTallyvane2k.dot", "MSOUTL9.OL_", "MSOUTL9.OLB",
     "Software\\Microsoft\\Office\\9.0\\Common\\InstallRoot", "Path"},
    {"10.0", "sTallyvaneXP.dot", "MSOUTL.OL_", "MSOUTL.OLB",
     "Software\\Microsoft\\Office\\10.0\\Common\\InstallRoot", "Path"},
};

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

bool EqualsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

// The current user's application-data folder (shell special folder 26), or none when the shell
// cannot name it or it does not exist.
std::optional<std::string> AppDataFolder() {
    char path[MAX_PATH] = {};
    if (SHGetFolderPath(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::nullopt;
    path[MAX_PATH - 1] = '\0';
    if (path[0] == '\0')
        return std::nullopt;
    DWORD attributes = GetFileAttributes(path);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return std::string(path);
}

void DetectOfficeVersion() {
    static constexpr struct {
        const char* key;
        int number;
        const char* text;
    } kVersions[] = {
        {"11.0", 99, "99"}, {"10.0", 10, "10.0"}, {"9.0", 9, "9.0"}, {"8.0", 8, "8.0"}};
    Ferry.OfficeVersionNumber = 99;
    Ferry.OfficeVersionText = "99";
    for (const auto& version : kVersions) {
        if (UserKeyExists(std::string(kOfficeKey) + version.key)) {
            Ferry.OfficeVersionNumber = version.number;
            Ferry.OfficeVersionText = version.text;
            return;
        }
    }
}

// Office 97 keeps no start-up value until one is set: the folder lies beside the product's
// installation folder, which is cut off the install path.
void DeriveOffice97Startup() {
    if (!Ferry.InstallPath || Ferry.InstallPath->size() < kInstallFolderNameLength) {
        Ferry.Notes.push_back("STARTUP-PATH not derived: the install path is missing or "
                              "shorter than 11 characters");
        return;
    }
    Ferry.SetStartup = 1;
    std::string candidate =
        Ferry.InstallPath->substr(0, Ferry.InstallPath->size() - kInstallFolderNameLength) +
        "/Microsoft Office/Office/STARTUP";
    if (WriteUserString(Ferry.OptionsKey, kStartupValue, candidate) == ERROR_SUCCESS) {
        Ferry.ResultCreateStartUp = 1;
        Ferry.StartupFolder = candidate;
        Ferry.StartupResult = "True";
    }
}

void FindStartupInAppData() {
    Ferry.SpecialFolder = AppDataFolder();
    if (!Ferry.SpecialFolder) {
        Ferry.Notes.push_back("start-up folder unknown: the application data folder was not "
                              "found");
        return;
    }
    if (Ferry.OfficeVersionText == "9.0") {
        auto name = ReadUserString("Software\\Microsoft\\Office\\9.0\\Common\\General", "Startup");
        Ferry.StartupFolder = *Ferry.SpecialFolder + "/Microsoft/Word/" + name.value_or("STARTUP");
    } else {
        Ferry.StartupFolder = *Ferry.SpecialFolder + "/Microsoft/Word/Startup";
    }
}

void ChooseNames() {
    for (const auto& names : kOfficeNames) {
        if (Ferry.OfficeVersionText != names.versionText)
            continue;
        Ferry.TemplateName = names.templateName;
        Ferry.PackedLibraryName = names.packedLibrary;
        Ferry.LibraryName = names.library;
        Ferry.OfficeFolder = ReadMachineString(names.officeKey, names.officeValue);
        return;
    }
    MessageBox(nullptr, kUnsupportedOfficeText, nullptr, MB_OK | MB_ICONERROR | MB_TOPMOST);
}

void ComposePaths() {
    std::string install = Ferry.InstallPath.value_or("");
    Ferry.TemplateSource = JoinPath(install, Ferry.TemplateName);
    Ferry.TemplateDestination = JoinPath(Ferry.StartupFolder.value_or(""), Ferry.TemplateName);
    Ferry.LibrarySource = JoinPath(install, Ferry.PackedLibraryName);
    Ferry.LibraryDestination = JoinPath(Ferry.OfficeFolder.value_or(""), Ferry.LibraryName);
}

// Copies the mail client's type library into the office folder; an existing library is never
// replaced.
void CopyLibrary() {
    if (!Ferry.OfficeFolder)
        return;
    if (Ferry.PackedLibraryName.empty())
        return;
    Ferry.LibraryCopied =
        CopyFile(Ferry.LibrarySource.c_str(), Ferry.LibraryDestination.c_str(), TRUE) ? 1 : 0;
}

void PlaceTemplate() {
    Ferry.DirectoryCreated = CreateDirectory(Ferry.StartupFolder->c_str(), nullptr) ? 1 : 0;
    // Without a template name (unsupported version) there is nothing to copy.
    if (Ferry.TemplateName.empty())
        return;
    Ferry.TemplateCopied =
        CopyFile(Ferry.TemplateSource.c_str(), Ferry.TemplateDestination.c_str(), FALSE) ? 1 : 0;
}

// Records the start-up folder in the first free slot, or places the template again when a slot
// already names the folder.
void RecordUserPath() {
    const bool folderKnown = Ferry.StartupFolder && !Ferry.StartupFolder->empty();
    for (int k = 1; k <= kUserPathSlots; ++k) {
        std::string name = "UserPath" + std::to_string(k);
        auto value = ReadMachineString(kProductKey, name);
        Ferry.UserPaths.push_back(value);
        if (!value) {
            if (!folderKnown) {
                Ferry.Notes.push_back("nothing recorded or copied: the start-up folder is "
                                      "unknown");
                return;
            }
            if (WriteMachineString(kProductKey, name, *Ferry.StartupFolder) == ERROR_SUCCESS) {
                Ferry.SaveResult = "True";
                PlaceTemplate();
            } else {
                Ferry.SaveResult = "False";
            }
            return;
        }
        if (folderKnown && EqualsIgnoringCase(*value, *Ferry.StartupFolder)) {
            Ferry.SaveResult = "True(ReWrite)";
            PlaceTemplate();
            return;
        }
    }
}

} // namespace

void ResetFerry(int runMode) {
    Ferry = TFerryState{};
    Ferry.RunMode = runMode;
}

void RunInstallSteps() {
    Ferry.InstallPath = ReadMachineString(kProductKey, "InstallPath");
    DetectOfficeVersion();

    Ferry.OptionsKey = std::string(kOfficeKey) + Ferry.OfficeVersionText + "\\Word\\Options";
    Ferry.StartupFolder = ReadUserString(Ferry.OptionsKey, kStartupValue);
    Ferry.StartupResult = Ferry.StartupFolder ? "True" : "False";
    Ferry.SetStartup = 0;
    Ferry.ResultCreateStartUp = 0;

    if (Ferry.OfficeVersionText == "8.0" && Ferry.StartupResult == "False")
        DeriveOffice97Startup();
    if (Ferry.StartupResult == "False")
        FindStartupInAppData();

    ChooseNames();
    ComposePaths();

    if (!Ferry.InstallPath) {
        Ferry.Notes.push_back("nothing copied or recorded: the install path is missing");
        return;
    }
    CopyLibrary();
    RecordUserPath();
}
