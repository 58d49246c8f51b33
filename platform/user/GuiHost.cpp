// Qt behind the stand-in's windows. The application object is made on first need and kept for
// the life of the process (Qt allows one per process, and a job may show several windows one
// after the other). Window pixels are handed to GDI through its window-surface seam: a window
// handle here is a key into a table of surfaces, not a pointer.
#include "platform/user/GuiHost.h"

#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include <dlfcn.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

#include "platform/gdi/DeviceContext_p.h"
#include "platform/gdi/Surface_p.h"

namespace tallyvane::user {

namespace {

bool EnvironmentSet(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

// The window table GDI asks when a window DC is made.
struct TWindowTable {
    std::map<HWND, gdi::TSurface*> surfaces;
    std::uintptr_t next = 0x57000000u; // far from any handle the GDI table gives out
};

TWindowTable& Windows() {
    static TWindowTable table;
    return table;
}

void InstallSurfaceProvider() {
    static std::once_flag once;
    std::call_once(once, [] {
        gdi::GdiSetWindowSurfaceProvider([](HWND window) -> gdi::TSurface* {
            const auto found = Windows().surfaces.find(window);
            return found == Windows().surfaces.end() ? nullptr : found->second;
        });
    });
}

// Qt's argc must outlive the application object.
int g_argc = 1;
char g_programName[] = "Vantrel";
char* g_argv[] = {g_programName, nullptr};

struct TButtonSpec {
    QMessageBox::StandardButton button;
    int answer;
};

std::vector<TButtonSpec> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        return {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_ABORTRETRYIGNORE:
        return {{QMessageBox::Abort, IDABORT},
                {QMessageBox::Retry, IDRETRY},
                {QMessageBox::Ignore, IDIGNORE}};
    case MB_YESNOCANCEL:
        return {
            {QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
    case MB_YESNO:
        return {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
    case MB_RETRYCANCEL:
        return {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
    default:
        return {{QMessageBox::Ok, IDOK}};
    }
}

QMessageBox::Icon IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONWARNING:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Connects to the X server $DISPLAY names and hangs up. The X client library is the one Qt's
// own X platform loads; without it the answer is yes and Qt decides.
bool XServerAnswers() {
    void* library = ::dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!library) {
        return true;
    }
    using Connect = void* (*)(const char*, int*);
    using HasError = int (*)(void*);
    using Disconnect = void (*)(void*);
    const auto connect = reinterpret_cast<Connect>(::dlsym(library, "xcb_connect"));
    const auto hasError = reinterpret_cast<HasError>(::dlsym(library, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<Disconnect>(::dlsym(library, "xcb_disconnect"));
    bool answers = true;
    if (connect && hasError && disconnect) {
        // xcb_connect always returns a connection object; a failed one reports its error.
        void* connection = connect(nullptr, nullptr);
        answers = connection && hasError(connection) == 0;
        disconnect(connection);
    }
    ::dlclose(library);
    return answers;
}

} // namespace

std::string MissingDisplayReason() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const bool chosen = platform && *platform;
    // A platform chosen by name (offscreen, wayland, ...) is Qt's to start; so is Wayland.
    if (chosen ? std::string_view(platform).substr(0, 3) != "xcb"
               : EnvironmentSet("WAYLAND_DISPLAY")) {
        return {};
    }
    if (!EnvironmentSet("DISPLAY")) {
        return "DISPLAY is not set";
    }
    // Qt ends the process when its platform cannot start, so an X server that is named but
    // does not answer is found out first, once per process.
    static const bool reachable = XServerAnswers();
    if (!reachable) {
        return std::string("the display ") + std::getenv("DISPLAY") + " cannot be reached";
    }
    return {};
}

bool DisplayAvailable() {
    return MissingDisplayReason().empty();
}

bool EnsureGuiApplication() {
    if (QApplication::instance()) {
        return true;
    }
    if (!DisplayAvailable()) {
        return false;
    }
    // Deliberately never deleted: Qt keeps one application per process, and the program ends
    // right after its one job.
    new QApplication(g_argc, g_argv);
    QApplication::setApplicationName(QStringLiteral("Vantrel"));
    InstallScriptedPresses();
    return QApplication::instance() != nullptr;
}

int PresentMessageBoxGui(const MessageBoxRequest& request) {
    if (!EnsureGuiApplication()) {
        return PresentMessageBoxHeadless(request);
    }
    QMessageBox box;
    box.setWindowTitle(QString::fromLocal8Bit(request.caption.c_str()));
    // The design writes "\n\r" in places; a bare carriage return would show as a box.
    QString text = QString::fromLocal8Bit(request.text.c_str());
    text.remove(QLatin1Char('\r'));
    box.setText(text);
    box.setIcon(IconOf(request.type));
    const std::vector<TButtonSpec> buttons = ButtonsOf(request.type);
    QMessageBox::StandardButtons all;
    for (const TButtonSpec& choice : buttons) {
        all |= choice.button;
    }
    box.setStandardButtons(all);
    const std::size_t defaultIndex = (request.type & MB_DEFMASK) >> 8;
    if (defaultIndex < buttons.size()) {
        box.setDefaultButton(buttons[defaultIndex].button);
    }
    const int safe = SafeAnswer(request.type);
    for (const TButtonSpec& choice : buttons) {
        if (choice.answer == safe) {
            box.setEscapeButton(choice.button);
        }
    }
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    for (const TButtonSpec& choice : buttons) {
        if (clicked && clicked == box.button(choice.button)) {
            return choice.answer;
        }
    }
    return safe;
}

void InstallGuiMessageBoxes() {
    SetMessageBoxPresenter([](const MessageBoxRequest& request) {
        return DisplayAvailable() ? PresentMessageBoxGui(request)
                                  : PresentMessageBoxHeadless(request);
    });
}

struct TWindowPixels::TImpl {
    gdi::TSurface surface;
};

TWindowPixels::TWindowPixels() : m_impl(std::make_unique<TImpl>()) {
    InstallSurfaceProvider();
    TWindowTable& table = Windows();
    table.next += 0x10;
    m_handle = reinterpret_cast<HWND>(table.next);
    table.surfaces[m_handle] = &m_impl->surface;
}

TWindowPixels::~TWindowPixels() {
    Windows().surfaces.erase(m_handle);
}

bool TWindowPixels::Resize(int width, int height, COLORREF colour, HDC dc) {
    const std::uint32_t fill = (static_cast<std::uint32_t>(GetRValue(colour)) << 16) |
                               (static_cast<std::uint32_t>(GetGValue(colour)) << 8) |
                               GetBValue(colour);
    const bool allocated = width > 0 && height > 0 && m_impl->surface.Allocate(width, height, fill);
    if (!allocated) {
        m_impl->surface = gdi::TSurface{};
    }
    if (gdi::TDeviceContext* context = dc ? gdi::GdiLookupDC(dc) : nullptr) {
        context->InvalidateClip();
    }
    return allocated;
}

int TWindowPixels::Width() const {
    return m_impl->surface.m_width;
}

int TWindowPixels::Height() const {
    return m_impl->surface.m_height;
}

QImage TWindowPixels::Image() const {
    const gdi::TSurface& surface = m_impl->surface;
    if (surface.IsEmpty()) {
        return {};
    }
    return QImage(surface.m_bits, surface.m_width, surface.m_height,
                  static_cast<qsizetype>(surface.m_stride), QImage::Format_RGB32);
}

} // namespace tallyvane::user
