// The windows of the stand-in, hosted by Qt: whether a display is there, the one application
// object, message boxes as dialogs and the pixels behind a window's device context.
//
// Only programs that may show a window link this library. Nothing here starts Qt until a window
// or a box actually has to be shown, so a job that shows nothing runs without a display.
#pragma once

#include <memory>
#include <string>

#include <QImage>

#include "platform/WinUser.h"

namespace tallyvane::user {

// True when a window can be shown: a Qt platform is chosen explicitly ($QT_QPA_PLATFORM, e.g.
// offscreen), or a display server is named in the environment ($WAYLAND_DISPLAY, or $DISPLAY
// when that X server answers).
bool DisplayAvailable();
// Why no window can be shown ("DISPLAY is not set", "the display :5 cannot be reached"), for
// the messages that say so; empty when one can.
std::string MissingDisplayReason();

// Makes sure the process has its Qt application object, creating it on first use. False when no
// display is available or the application cannot be made. The object lives until the process
// ends.
bool EnsureGuiApplication();

// With $TALLYVANE_PRESS set (button captions separated by commas), presses those buttons in
// order in the dialogs the program shows, one press per dialog shown; see ScriptedPresses.cpp.
// EnsureGuiApplication calls it; nothing happens without the variable.
void InstallScriptedPresses();

// The box as a Qt dialog: caption, icon, the buttons of the MB_* type and its default button.
// Needs the application object; answers the ID* of the button pressed, and the safe answer when
// the dialog is closed without one.
int PresentMessageBoxGui(const MessageBoxRequest& request);

// Makes every box that is not answered from $TALLYVANE_ANSWERS a Qt dialog when a display is
// available, and the headless line on stderr otherwise. The decision is taken per box.
void InstallGuiMessageBoxes();

// TWindowPixels is the client area of one window as GDI sees it: a window handle whose GetDC
// draws into an image of the window's size. The owner (the widget) resizes it with the window
// and copies Image() onto the screen when it paints. Pixels are 0x00RRGGBB words, top-down.
class TWindowPixels {
public:
    TWindowPixels();
    ~TWindowPixels();
    TWindowPixels(const TWindowPixels&) = delete;
    TWindowPixels& operator=(const TWindowPixels&) = delete;

    // The handle to pass to GetDC; valid until this object is destroyed.
    HWND Handle() const { return m_handle; }
    // New size in pixels, contents cleared to colour (a COLORREF). dc, when given, is a DC of
    // this window still in use: its clipping is recomputed for the new bounds.
    bool Resize(int width, int height, COLORREF colour, HDC dc = nullptr);
    int Width() const;
    int Height() const;
    // The pixels, shared with GDI (no copy): valid until the next Resize.
    QImage Image() const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> m_impl;
    HWND m_handle = nullptr;
};

} // namespace tallyvane::user
