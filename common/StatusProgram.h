// How the installer and the remover run around their status window.
//
// Both programs show one small window, do their work between its first paint and the message
// loop, and repaint it with the results. In the normal mode the window only shows the version;
// in the debug mode it lists every result and stays until closed; in the pause mode it closes
// by itself once the work is done.
//
// Without a display (no DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM) no window is made: the
// pause mode runs its work and ends, and the normal and debug modes print the lines they
// would paint, as UTF-8, on standard output and end.
#pragma once

#include "common/StatusPage.h"

#include <cstdio>
#include <functional>

struct TStatusProgram {
    const char* className = "";        // window class, names the program to the window system
    const char* title = "";            // window caption
    int runMode = 0;                   // kRunModeNormal, kRunModeDebug or kRunModePause
    int debugHeightLines = 31;         // height of the debug window, font heights
    std::function<TStatusPage()> page; // the page to paint, built afresh on every paint
    std::function<void()> work;        // the work of the debug and pause modes
};

// Width, height and vertical centring of the status window in each mode, as multiples of the
// average character width (width) and of the font height (height, centring).
TStatusPlacement PlaceStatusProgram(const TStatusProgram& program, int charWidth, int screenWidth,
                                    int screenHeight);

bool StatusDisplayAvailable();

// Runs the program around its status window; answers the exit code (0).
int RunStatusProgram(const TStatusProgram& program, int argc, char** argv);

// The run without a display, printing to out.
int RunStatusProgramHeadless(const TStatusProgram& program, std::FILE* out);
