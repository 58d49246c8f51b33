// Loads the converter's windows on demand (see WindowsModule.h).
#pragma once

struct TWindowsModule;

// Registers the conversion worker with job control, and in front of the windows small stand-ins
// that load the windows module the first time a job needs a window: a preview, the about window,
// or a message box while a display is available. Until then, and for every job that shows
// nothing, the toolkit stays unloaded.
void RegisterWindowsOnDemand();

// The windows module, loaded on the first call; null when it cannot be loaded or is from another
// build (the reason is written once on stderr). Later calls answer the same.
const TWindowsModule* WindowsModule();
