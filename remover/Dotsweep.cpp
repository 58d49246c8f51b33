#include "remover/Dotsweep.h"

#include "common/RegistryStrings.h"
#include "platform/WinBase.h"

TSweepState Sweep;

const std::array<const char*, kSweepFilesPerFolder> kSweepFileNames = {
    "sTallyvane97.dot", "~$allyvane97.dot", "sTallyvane2k.dot",
    "~$allyvane2k.dot", "sTallyvaneXP.dot", "~$allyvaneXP.dot"};

namespace {

BOOL DeleteIn(const std::string& folder, const char* name) {
    std::string path = folder + "/" + name;
    return DeleteFile(path.c_str()) ? 1 : 0;
}

void CleanFolder(TSweepEntry& entry) {
    // An empty folder name would aim the deletions at the file system's root.
    if (entry.Folder.empty())
        return;
    for (int i = 0; i < kSweepFilesPerFolder; ++i)
        entry.FilesDeleted[i] = DeleteIn(entry.Folder, kSweepFileNames[i]);
}

} // namespace

void ResetSweep(int runMode) {
    Sweep = TSweepState{};
    Sweep.RunMode = runMode;
}

void RunRemovalSteps() {
    Sweep.InstallPath = ReadMachineString(kProductKey, "InstallPath");

    for (int k = 1; k <= kSweepUserPathSlots; ++k) {
        std::string name = "UserPath" + std::to_string(k);
        auto folder = ReadMachineString(kProductKey, name);
        if (!folder)
            break;
        TSweepEntry& entry = Sweep.Entries.emplace_back();
        entry.Folder = *folder;
        // A folder whose value stays in the registry keeps its files.
        if (DeleteMachineValue(kProductKey, name) != ERROR_SUCCESS)
            continue;
        entry.ValueDeleted = "True";
        CleanFolder(entry);
    }

    Sweep.ResDelInstallPath = DeleteMachineValue(kProductKey, "InstallPath");
    // The converter remembers its save folder under the current user; that value goes too, and
    // either deletion counts as the saved path being removed.
    LONG machineSavePath = DeleteMachineValue(kProductKey, "SavePath");
    LONG userSavePath = DeleteUserValue(kProductKey, "SavePath");
    Sweep.ResDelSavePath =
        (machineSavePath == ERROR_SUCCESS || userSavePath == ERROR_SUCCESS) ? 0 : machineSavePath;
    Sweep.ResDelVersion = DeleteMachineValue(kProductKey, "Version");
}

void DeleteLogFiles() {
    // Without an installation folder the names would point at the file system's root.
    if (!Sweep.InstallPath || Sweep.InstallPath->empty()) {
        Sweep.LogsDeleted = {0, 0};
        return;
    }
    Sweep.LogsDeleted[0] = DeleteIn(*Sweep.InstallPath, "Dotferry.log");
    Sweep.LogsDeleted[1] = DeleteIn(*Sweep.InstallPath, "Dotsweep.log");
}
