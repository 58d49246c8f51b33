// The seam between the converter and its windows.
//
// The windows (preview, about window, message boxes as dialogs) and the toolkit behind them live
// in a module of their own, VantrelWindows.so next to the program, which the program maps only
// when a job actually has to show one. A headless job therefore never loads the toolkit and
// starts as fast as a command-line tool.
//
// The module is built from the same sources as the program and resolves everything below the
// windows (players, GDI, USER) against the program itself, so both share one handle table, one
// clipboard and one set of registrations. Its one exported symbol, kWindowsModuleEntry, answers
// the table below; the table lives as long as the process.
#pragma once

#include <cstdint>
#include <string>

#include "converter/ui/ImagePreview.h"
#include "platform/WinUser.h"

// Bumped whenever the table changes, so that a module left over from another build is refused
// instead of being called through the wrong layout.
constexpr std::uint32_t kWindowsModuleVersion = 2;

struct TWindowsModule {
    std::uint32_t version; // kWindowsModuleVersion of the build that made the module
    // The modal preview of the worker's first page (TfrmImagePreview::PreviewDialog).
    TfrmImagePreview::TPreviewResult (*showPreview)(TfrmImagePreview& worker,
                                                    const std::string& directory, bool saveMode);
    // The about window, modal; says so in a box when there is no display.
    void (*showAbout)();
    // One message box as a dialog when a display is available, else the headless line.
    int (*presentMessageBox)(const tallyvane::user::MessageBoxRequest& request);
};

// File name of the module, looked for in the directory of the running program.
inline constexpr const char* kWindowsModuleFile = "VantrelWindows.so";
// Name of the module's entry: extern "C" const TWindowsModule* VantrelWindowsModule().
inline constexpr const char* kWindowsModuleEntry = "VantrelWindowsModule";
using TWindowsModuleEntry = const TWindowsModule* (*)();
