// Plugs the converter's windows into job control.
#pragma once

// Registers the conversion worker with its preview window, the about window for the splash job
// and message boxes as dialogs. Nothing is shown and Qt is not started until a window or box is
// actually needed; without a display the preview and the about window say so and do nothing.
void RegisterWindows();
