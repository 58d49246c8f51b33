// The remover's state and its removal steps.
//
// One run of the remover visits every start-up folder the installer recorded in the
// "UserPath%d" slots of the product key: it deletes the slot's value and then the document
// templates of all three office versions, with the word processor's owner files of those
// templates, from that folder. It then deletes the product's remaining values and both
// programs' log files. Everything lives in one process-wide state, Sweep: every deletion
// records its outcome there and the run goes on; nothing is retried. The remover writes no log.
#pragma once

#include "common/StatusPage.h"
#include "platform/WinTypes.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kSweepClassName = "Dotsweep111";
inline constexpr const char* kSweepTitle = "Dot Sweep 1.1.1";
constexpr int kSweepUserPathSlots = 41; // "UserPath1" .. "UserPath41"
constexpr int kSweepFilesPerFolder = 6;

// The files removed from each recorded folder, in the order they are deleted: each template is
// followed by the owner file the word processor keeps beside it while it is open.
extern const std::array<const char*, kSweepFilesPerFolder> kSweepFileNames;

struct TSweepEntry {
    std::string Folder;       // the recorded start-up folder
    std::string ValueDeleted; // "True" once the slot's value is deleted, else empty
    std::array<BOOL, kSweepFilesPerFolder> FilesDeleted{}; // non-zero = deleted
};

struct TSweepState {
    int RunMode = 0; // kRunModeNormal, kRunModeDebug or kRunModePause

    std::optional<std::string> InstallPath; // read before its value is deleted
    std::vector<TSweepEntry> Entries;       // recorded folders up to the first missing slot

    LONG ResDelInstallPath = 0; // 0 = deleted, else the registry error code
    LONG ResDelSavePath = 0;    // 0 when the saved path was deleted under either root
    LONG ResDelVersion = 0;
    std::array<BOOL, 2> LogsDeleted{}; // "Dotferry.log", "Dotsweep.log"; non-zero = deleted
};

extern TSweepState Sweep;

// Forgets everything of a previous run (runs in one process only happen in tests).
void ResetSweep(int runMode);

// Removal steps 1 to 3: the recorded folders and the product's values.
void RunRemovalSteps();

// Removal step 5: the two log files in the installation folder.
void DeleteLogFiles();

// The page the status window paints in Sweep.RunMode.
TStatusPage SweepPage();
