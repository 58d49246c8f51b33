// The installer's state and its installation steps.
//
// One run of the installer finds the current user's office version, works out the word
// processor's start-up folder, copies the matching document template there and the mail
// client's type library into the office folder, records the start-up folder in the first free
// "UserPath%d" slot of the product key and appends a report to "Dotferry.log" in the
// installation folder. Everything lives in one process-wide state, Ferry: every step records
// its outcome there and goes on; nothing is retried or undone.
//
// Paths are built with the platform's directory separator; registry key paths keep "\".
#pragma once

#include "common/StatusPage.h"
#include "platform/WinTypes.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* kFerryClassName = "Dotferry112";
inline constexpr const char* kFerryTitle = "Dot Ferry 1.1.2";
inline constexpr const char* kFerryLogName = "Dotferry.log";
constexpr int kUserPathSlots = 41; // "UserPath1" .. "UserPath41"

// Text of the unsupported-version message box.
extern const char* const kUnsupportedOfficeText;

struct TFerryState {
    int RunMode = 0; // kRunModeNormal, kRunModeDebug or kRunModePause

    std::optional<std::string> InstallPath;   // "InstallPath" of the product key
    int OfficeVersionNumber = 0;              // 8, 9, 10, or 99 when missing or unsupported
    std::string OfficeVersionText;            // "8.0", "9.0", "10.0" or "99"
    std::string OptionsKey;                   // the word processor's options key (sKey)
    std::string StartupResult;                // "True" when a start-up folder is known (lResult)
    std::optional<std::string> SpecialFolder; // application-data folder, when consulted
    std::optional<std::string> StartupFolder; // sPath

    std::string TemplateName;      // empty for an unsupported version
    std::string PackedLibraryName; // as the setup placed it in the installation folder
    std::string LibraryName;       // as the mail client expects it in the office folder
    std::optional<std::string> OfficeFolder;

    std::string TemplateSource;
    std::string TemplateDestination;
    std::string LibrarySource;
    std::string LibraryDestination;

    std::vector<std::optional<std::string>> UserPaths; // slot k is entry k - 1
    std::string SaveResult; // "True", "False", "True(ReWrite)" or empty when unset

    BOOL DirectoryCreated = 0;    // lResultCrDir
    BOOL TemplateCopied = 0;      // lResultSaveFile
    BOOL LibraryCopied = 0;       // lResultSaveOutlk
    BOOL SetStartup = 0;          // lSetStartup: the start-up value was about to be written
    BOOL ResultCreateStartUp = 0; // lResultCreateStartUp: and was written

    // Steps skipped because what they build on is missing, one sentence each; they end the
    // log block.
    std::vector<std::string> Notes;
};

extern TFerryState Ferry;

// Forgets everything of a previous run (runs in one process only happen in tests).
void ResetFerry(int runMode);

// The installation steps, in order, on Ferry. Shows the unsupported-version message box.
void RunInstallSteps();

// The report block of one run, stamped with time.
std::string FormatInstallLog(const SYSTEMTIME& time);

// Appends the report block to "Dotferry.log" in the installation folder. Returns false, having
// written nothing, when there is no installation folder or the file cannot be opened.
bool WriteInstallLog();

// The page the status window paints in Ferry.RunMode.
TStatusPage FerryPage();
