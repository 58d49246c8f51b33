// The Win32 stand-in: message boxes, clipboard, cursors and windows.
//
// Message boxes: every box is logged (when $TALLYVANE_MESSAGES names a file) as one line
// kind<TAB>caption<TAB>text<TAB>buttons<TAB>answer, with a line break in any field written as the
// two characters "\n". While $TALLYVANE_ANSWERS (comma-separated OK, CANCEL, YES, NO, ABORT, RETRY,
// IGNORE, CLOSE) still has answers, a box takes the next one and is not shown. Otherwise the
// current presenter shows it; the default presenter writes one line on stderr and takes the safe
// answer (OK for a notice, the non-destructive choice for a question). A window library replaces
// the presenter with a real dialog when a display is available.
//
// Clipboard: a directory ($TALLYVANE_CLIPBOARD, else $XDG_RUNTIME_DIR/tallyvane-clipboard, else
// ~/.cache/tallyvane-clipboard) holding one file per format, named after it ("CF_TEXT",
// "CF_ENHMETAFILE", "CF_BITMAP", registered formats by their name). Files are replaced atomically;
// EmptyClipboard removes them all. Memory formats (CF_TEXT, registered formats) travel as HGLOBAL
// blocks. Handle formats (CF_ENHMETAFILE, CF_BITMAP) travel as GDI handles: the library that owns
// the handle type registers a codec that turns a handle into file bytes and back (an .emf file
// image, a .bmp file image).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/WinBase.h"
#include "platform/WinTypes.h"

// ---------------------------------------------------------------------------------------------
// Message boxes

constexpr UINT MB_OK = 0x00000000u;
constexpr UINT MB_OKCANCEL = 0x00000001u;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002u;
constexpr UINT MB_YESNOCANCEL = 0x00000003u;
constexpr UINT MB_YESNO = 0x00000004u;
constexpr UINT MB_RETRYCANCEL = 0x00000005u;
constexpr UINT MB_TYPEMASK = 0x0000000Fu;

constexpr UINT MB_ICONHAND = 0x00000010u;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020u;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030u;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040u;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0u;

constexpr UINT MB_DEFBUTTON1 = 0x00000000u;
constexpr UINT MB_DEFBUTTON2 = 0x00000100u;
constexpr UINT MB_DEFBUTTON3 = 0x00000200u;
constexpr UINT MB_DEFMASK = 0x00000F00u;
constexpr UINT MB_APPLMODAL = 0x00000000u;
constexpr UINT MB_SYSTEMMODAL = 0x00001000u;
constexpr UINT MB_TASKMODAL = 0x00002000u;
constexpr UINT MB_SETFOREGROUND = 0x00010000u;
constexpr UINT MB_TOPMOST = 0x00040000u;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDCLOSE = 8;

// Shows a modal box and answers the button pressed (IDOK ...). Answers 0 only when the box could
// not be shown at all.
int MessageBox(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);

namespace tallyvane::user {

// What a presenter is given: the box as asked for. The presenter answers an ID* value.
struct MessageBoxRequest {
    std::string text;
    std::string caption;
    UINT type; // MB_* flags as passed to MessageBox
};
using MessageBoxPresenter = std::function<int(const MessageBoxRequest&)>;

// Replaces the presenter of boxes that are neither answered from $TALLYVANE_ANSWERS nor
// otherwise decided; an empty function restores the headless presenter. Answers the one before.
MessageBoxPresenter SetMessageBoxPresenter(MessageBoxPresenter presenter);
// The headless presenter: one line on stderr, the safe answer.
int PresentMessageBoxHeadless(const MessageBoxRequest& request);
// The answer a headless box takes for the buttons of type: IDOK, IDCANCEL, IDNO or IDIGNORE.
int SafeAnswer(UINT type);
// Forgets the answers already taken from $TALLYVANE_ANSWERS so the next box starts with the
// first one again (the variable is read on the first box after this).
void ResetMessageBoxAnswers();

} // namespace tallyvane::user

// ---------------------------------------------------------------------------------------------
// Clipboard

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_METAFILEPICT = 3;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_ENHMETAFILE = 14;

// Opening succeeds when no other window of this process holds the clipboard open.
BOOL OpenClipboard(HWND hWndNewOwner);
BOOL CloseClipboard();
// Removes every format; the clipboard must be open.
BOOL EmptyClipboard();
// Memory formats take an HGLOBAL, which the clipboard then owns and frees; handle formats take
// the GDI handle, which the caller keeps (it is copied into file bytes). Answers hMem, or nullptr
// on failure (clipboard not open, no codec for a handle format, the file cannot be written).
HANDLE SetClipboardData(UINT uFormat, HANDLE hMem);
// Memory formats answer an HGLOBAL owned by the clipboard (valid until the clipboard is closed);
// handle formats answer a new GDI handle owned by the clipboard until it is closed, as on
// Windows the caller must copy it to keep it.
HANDLE GetClipboardData(UINT uFormat);
BOOL IsClipboardFormatAvailable(UINT format);
// Registered formats count from 0xC000; the same name (ASCII case ignored) gives the same number
// within a process. The name is the file name in the clipboard directory.
UINT RegisterClipboardFormat(LPCSTR lpszFormat);
// Copies a format's name into the buffer and answers its length; 0 for unknown formats.
int GetClipboardFormatName(UINT format, LPSTR lpszFormatName, int cchMaxCount);

namespace tallyvane::user {

// Turns a handle of a handle format into the bytes stored on the clipboard, and bytes back into
// a new handle. toBytes answers false when the handle is not valid; fromBytes answers nullptr for
// bytes it cannot read.
using ClipboardToBytes = std::function<bool(HANDLE handle, std::vector<BYTE>& bytes)>;
using ClipboardFromBytes = std::function<HANDLE(const std::vector<BYTE>& bytes)>;
// freeHandle releases a handle that fromBytes made, when the clipboard closes.
using ClipboardFreeHandle = std::function<void(HANDLE handle)>;
void RegisterClipboardHandleCodec(UINT format, ClipboardToBytes toBytes,
                                  ClipboardFromBytes fromBytes, ClipboardFreeHandle freeHandle);

// The clipboard directory currently in use (created on demand).
std::string ClipboardDirectory();
// The file name a format is stored under ("CF_TEXT", "GIF Image"); empty when unknown.
std::string ClipboardFormatFileName(UINT format);

} // namespace tallyvane::user
