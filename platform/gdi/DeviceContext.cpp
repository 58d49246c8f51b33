// Device contexts: creation, the SaveDC stack, object selection and device capabilities.
#include "platform/gdi/DeviceContext_p.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <strings.h>

namespace gdi {
namespace {

TWindowSurfaceProvider& WindowProvider() {
    static TWindowSurfaceProvider provider;
    return provider;
}

bool IsDcType(DWORD type) {
    return type == OBJ_DC || type == OBJ_MEMDC || type == OBJ_METADC || type == OBJ_ENHMETADC;
}

TDeviceCaps ReadDisplayCaps() {
    TDeviceCaps caps;
    if (const char* env = std::getenv("TALLYVANE_DISPLAY")) {
        int w = 0, h = 0, dpi = 0;
        if (std::sscanf(env, "%dx%d@%d", &w, &h, &dpi) == 3 && w > 0 && h > 0 && dpi > 0 &&
            w <= 65536 && h <= 65536 && dpi <= 4800) {
            caps.horzRes = w;
            caps.vertRes = h;
            caps.logPixelsX = dpi;
            caps.logPixelsY = dpi;
            caps.horzSizeMM = static_cast<int>(w * 25.4 / dpi + 0.5);
            caps.vertSizeMM = static_cast<int>(h * 25.4 / dpi + 0.5);
        }
    }
    return caps;
}

// Points the bitmap's back-reference at the DC that now holds it.
void AttachBitmap(TDeviceContext& dc, TBitmap* previous) {
    TBitmap* current = dc.State().m_bitmap.Get();
    if (previous && previous != current && previous->m_selectedInto == dc.Hdc()) {
        previous->m_selectedInto = nullptr;
    }
    if (current) {
        current->m_selectedInto = dc.Hdc();
    }
}

HDC CreateDisplayDC(TDcKind kind) {
    auto dc = std::make_unique<TDeviceContext>(kind, OBJ_DC);
    dc->m_caps = DisplayCaps();
    return GdiCreateDC(std::move(dc));
}

bool IsDisplayName(const char* driver, const char* device) {
    const char* name = driver ? driver : device;
    return name && (strcasecmp(name, "DISPLAY") == 0 || strcasecmp(name, "\\\\.\\DISPLAY1") == 0);
}

std::string Narrow(LPCWSTR text) {
    std::string out;
    if (text) {
        for (; *text && out.size() < 256; ++text) {
            out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
        }
    }
    return out;
}

} // namespace

const TDeviceCaps& DisplayCaps() {
    static const TDeviceCaps caps = ReadDisplayCaps();
    return caps;
}

TDeviceContext::~TDeviceContext() {
    if (TBitmap* bitmap = m_state.m_bitmap.Get(); bitmap && bitmap->m_selectedInto == Hdc()) {
        bitmap->m_selectedInto = nullptr;
    }
}

TSurface* TDeviceContext::Surface() {
    switch (m_kind) {
    case TDcKind::Memory: {
        TBitmap* bitmap = m_state.m_bitmap.Get();
        return bitmap && !bitmap->m_surface.IsEmpty() ? &bitmap->m_surface : nullptr;
    }
    case TDcKind::Window:
        return m_windowSurface && !m_windowSurface->IsEmpty() ? m_windowSurface : nullptr;
    default:
        return nullptr;
    }
}

void TDeviceContext::BeginDraw() {
    if (TBitmap* bitmap = m_state.m_bitmap.Get(); bitmap && bitmap->m_beforeDraw) {
        bitmap->m_beforeDraw(*bitmap);
    }
}

void TDeviceContext::EndDraw() {
    if (TBitmap* bitmap = m_state.m_bitmap.Get(); bitmap && bitmap->m_afterDraw) {
        bitmap->m_afterDraw(*bitmap);
    }
}

const TPixRegion& TDeviceContext::EffectiveClip() {
    if (m_clipValid) {
        return m_clipCache;
    }
    if (TSurface* surface = Surface()) {
        m_clipCache.SetRect(0, 0, surface->m_width, surface->m_height);
    } else {
        m_clipCache.SetRect(0, 0, m_caps.horzRes, m_caps.vertRes);
    }
    if (m_state.m_clip) {
        m_clipCache.Intersect(*m_state.m_clip);
    }
    if (m_state.m_meta) {
        m_clipCache.Intersect(*m_state.m_meta);
    }
    m_clipValid = true;
    return m_clipCache;
}

POINT TDeviceContext::ToDevicePoint(int x, int y) const {
    TPointD p = ToDevice(x, y);
    return {RoundCoord(p.x), RoundCoord(p.y)};
}

TDeviceContext* GdiLookupDC(HDC hdc) {
    TGdiObject* object = GdiLookup(hdc);
    if (!object || !IsDcType(object->m_type)) {
        return nullptr;
    }
    return static_cast<TDeviceContext*>(object);
}

HDC GdiCreateDC(std::unique_ptr<TDeviceContext> dc) {
    if (!dc) {
        return nullptr;
    }
    TDcState& s = dc->m_state;
    s.m_pen = THeld<TPen>(static_cast<TPen*>(GdiStockObject(BLACK_PEN)));
    s.m_brush = THeld<TBrush>(static_cast<TBrush*>(GdiStockObject(WHITE_BRUSH)));
    s.m_font = THeld<TFont>(static_cast<TFont*>(GdiStockObject(SYSTEM_FONT)));
    s.m_palette = THeld<TPalette>(static_cast<TPalette*>(GdiStockObject(DEFAULT_PALETTE)));
    if (dc->m_kind == TDcKind::Memory) {
        s.m_bitmap = THeld<TBitmap>(GdiStockBitmap());
    }
    dc->UpdateTransform();
    return static_cast<HDC>(GdiAddObject(std::move(dc)));
}

void GdiSetWindowSurfaceProvider(TWindowSurfaceProvider provider) {
    WindowProvider() = std::move(provider);
}

} // namespace gdi

using namespace gdi;

HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR, const DEVMODEA*) {
    if (!IsDisplayName(driver, device)) {
        return nullptr;
    }
    return CreateDisplayDC(TDcKind::Display);
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW*) {
    const std::string d = Narrow(driver), v = Narrow(device), p = Narrow(port);
    return CreateDCA(driver ? d.c_str() : nullptr, device ? v.c_str() : nullptr,
                     port ? p.c_str() : nullptr, nullptr);
}

HDC CreateICA(LPCSTR driver, LPCSTR device, LPCSTR, const DEVMODEA*) {
    if (!IsDisplayName(driver, device)) {
        return nullptr;
    }
    return CreateDisplayDC(TDcKind::Information);
}

HDC CreateICW(LPCWSTR driver, LPCWSTR device, LPCWSTR port, const DEVMODEW*) {
    const std::string d = Narrow(driver), v = Narrow(device), p = Narrow(port);
    return CreateICA(driver ? d.c_str() : nullptr, device ? v.c_str() : nullptr,
                     port ? p.c_str() : nullptr, nullptr);
}

HDC CreateCompatibleDC(HDC hdc) {
    TDeviceCaps caps = DisplayCaps();
    if (hdc) {
        TDeviceContext* reference = GdiLookupDC(hdc);
        if (!reference) {
            return nullptr;
        }
        if (reference->m_kind != TDcKind::Metafile) {
            caps = reference->m_caps;
        }
    }
    auto dc = std::make_unique<TDeviceContext>(TDcKind::Memory, OBJ_MEMDC);
    dc->m_caps = caps;
    dc->m_caps.technology = DT_RASDISPLAY;
    HDC handle = GdiCreateDC(std::move(dc));
    if (TDeviceContext* created = GdiLookupDC(handle)) {
        AttachBitmap(*created, nullptr);
    }
    return handle;
}

BOOL DeleteDC(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    dc->Driver().DeleteDC(*dc);
    GdiFreeObject(dc);
    return TRUE;
}

HDC GetDC(HWND window) {
    if (!window) {
        return CreateDisplayDC(TDcKind::Display);
    }
    TSurface* surface = WindowProvider() ? WindowProvider()(window) : nullptr;
    if (!surface) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto dc = std::make_unique<TDeviceContext>(TDcKind::Window, OBJ_DC);
    dc->m_caps = DisplayCaps();
    dc->m_window = window;
    dc->m_windowSurface = surface;
    return GdiCreateDC(std::move(dc));
}

HDC GetWindowDC(HWND window) {
    return GetDC(window);
}

int ReleaseDC(HWND, HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || (dc->m_kind != TDcKind::Window && dc->m_kind != TDcKind::Display)) {
        return 0;
    }
    GdiFreeObject(dc);
    return 1;
}

HWND WindowFromDC(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc ? dc->m_window : nullptr;
}

int SaveDC(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SaveDC(*dc)) {
        return 0;
    }
    dc->m_saved.push_back(dc->m_state);
    return static_cast<int>(dc->m_saved.size());
}

BOOL RestoreDC(HDC hdc, int saved) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    const int levels = static_cast<int>(dc->m_saved.size());
    const int index = saved < 0 ? levels + saved : saved - 1;
    if (saved == 0 || index < 0 || index >= levels) {
        return FALSE;
    }
    if (!dc->Driver().RestoreDC(*dc, saved)) {
        return FALSE;
    }
    TBitmap* previous = dc->m_state.m_bitmap.Get();
    TDcState restored = std::move(dc->m_saved[static_cast<std::size_t>(index)]);
    dc->m_saved.resize(static_cast<std::size_t>(index));
    // A bitmap the saved state names may since have gone to another DC: keep the current one.
    TBitmap* wanted = restored.m_bitmap.Get();
    if (wanted && wanted != previous && wanted->m_selectedInto &&
        wanted->m_selectedInto != dc->Hdc()) {
        restored.m_bitmap = dc->m_state.m_bitmap;
    }
    dc->m_state = std::move(restored);
    AttachBitmap(*dc, previous);
    dc->InvalidateClip();
    return TRUE;
}

int GetDeviceCaps(HDC hdc, int index) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return 0;
    }
    const TDeviceCaps& c = dc->m_caps;
    switch (index) {
    case DRIVERVERSION:
        return 0x4000;
    case TECHNOLOGY:
        return dc->m_kind == TDcKind::Metafile ? DT_METAFILE : c.technology;
    case HORZSIZE:
        return c.horzSizeMM;
    case VERTSIZE:
        return c.vertSizeMM;
    case HORZRES:
    case DESKTOPHORZRES:
        return c.horzRes;
    case VERTRES:
    case DESKTOPVERTRES:
        return c.vertRes;
    case BITSPIXEL:
        return c.bitsPixel;
    case PLANES:
        return 1;
    case NUMBRUSHES:
    case NUMPENS:
    case NUMCOLORS:
        return -1;
    case CURVECAPS:
        return CC_CIRCLES | CC_PIE | CC_CHORD | CC_ELLIPSES | CC_WIDE | CC_STYLED | CC_WIDESTYLED |
               CC_INTERIORS | CC_ROUNDRECT;
    case LINECAPS:
        return LC_POLYLINE | LC_MARKER | LC_POLYMARKER | LC_WIDE | LC_STYLED | LC_WIDESTYLED |
               LC_INTERIORS;
    case POLYGONALCAPS:
        return PC_POLYGON | PC_RECTANGLE | PC_WINDPOLYGON | PC_SCANLINE | PC_WIDE | PC_STYLED |
               PC_WIDESTYLED | PC_INTERIORS;
    case TEXTCAPS:
        return TC_OP_CHARACTER | TC_OP_STROKE | TC_CP_STROKE | TC_CR_ANY | TC_SF_X_YINDEP |
               TC_SA_DOUBLE | TC_SA_INTEGER | TC_SA_CONTIN | TC_EA_DOUBLE | TC_IA_ABLE |
               TC_UA_ABLE | TC_SO_ABLE | TC_RA_ABLE | TC_VA_ABLE;
    case CLIPCAPS:
        return CP_RECTANGLE;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT |
               RC_STRETCHBLT | RC_FLOODFILL | RC_STRETCHDIB | RC_DEVBITS;
    case ASPECTX:
    case ASPECTY:
        return 36;
    case ASPECTXY:
        return 51;
    case LOGPIXELSX:
        return c.logPixelsX;
    case LOGPIXELSY:
        return c.logPixelsY;
    case COLORRES:
        return 24;
    case VREFRESH:
        return c.technology == DT_RASDISPLAY ? 60 : 0;
    case SHADEBLENDCAPS:
        return SB_CONST_ALPHA | SB_PIXEL_ALPHA | SB_PREMULT_ALPHA | SB_GRAD_RECT | SB_GRAD_TRI;
    default:
        return 0;
    }
}

BOOL GdiFlush() {
    return TRUE;
}

UINT SetBoundsRect(HDC hdc, const RECT*, UINT) {
    return GdiLookupDC(hdc) ? DCB_RESET | DCB_DISABLE : 0;
}

UINT GetBoundsRect(HDC hdc, LPRECT rect, UINT) {
    if (!GdiLookupDC(hdc)) {
        return 0;
    }
    if (rect) {
        *rect = RECT{0, 0, 0, 0};
    }
    return DCB_RESET;
}

DWORD SetLayout(HDC hdc, DWORD layout) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SetLayout(*dc, layout)) {
        return GDI_ERROR;
    }
    // FIXME: right-to-left layout is recorded but not applied to drawing.
    const DWORD previous = dc->State().m_layout;
    dc->State().m_layout = layout;
    return previous;
}

DWORD GetLayout(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc ? dc->State().m_layout : GDI_ERROR;
}

int SetICMMode(HDC hdc, int mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || mode < ICM_OFF || mode > ICM_DONE_OUTSIDEDC) {
        return 0;
    }
    if (mode == ICM_QUERY) {
        return dc->State().m_icmMode;
    }
    if (!dc->Driver().SetICMMode(*dc, mode)) {
        return 0;
    }
    const int previous = dc->State().m_icmMode;
    dc->State().m_icmMode = mode == ICM_DONE_OUTSIDEDC ? ICM_OFF : mode;
    return previous;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ handle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TGdiObject* object = GdiLookup(handle);
    if (!dc || !object || object->m_deletePending) {
        return nullptr;
    }
    TDcState& s = dc->State();
    switch (object->m_type) {
    case OBJ_PEN:
    case OBJ_EXTPEN: {
        if (!dc->Driver().SelectObject(*dc, *object)) {
            return nullptr;
        }
        HGDIOBJ previous = s.m_pen ? s.m_pen->m_handle : nullptr;
        s.m_pen = THeld<TPen>(static_cast<TPen*>(object));
        return previous;
    }
    case OBJ_BRUSH: {
        if (!dc->Driver().SelectObject(*dc, *object)) {
            return nullptr;
        }
        HGDIOBJ previous = s.m_brush ? s.m_brush->m_handle : nullptr;
        s.m_brush = THeld<TBrush>(static_cast<TBrush*>(object));
        return previous;
    }
    case OBJ_FONT: {
        if (!dc->Driver().SelectObject(*dc, *object)) {
            return nullptr;
        }
        HGDIOBJ previous = s.m_font ? s.m_font->m_handle : nullptr;
        s.m_font = THeld<TFont>(static_cast<TFont*>(object));
        return previous;
    }
    case OBJ_BITMAP: {
        auto* bitmap = static_cast<TBitmap*>(object);
        if (dc->m_kind != TDcKind::Memory) {
            return nullptr;
        }
        if (bitmap->m_selectedInto && bitmap->m_selectedInto != hdc && !bitmap->m_stock) {
            return nullptr; // a bitmap lives in one DC at a time
        }
        if (!dc->Driver().SelectObject(*dc, *object)) {
            return nullptr;
        }
        TBitmap* previous = s.m_bitmap.Get();
        s.m_bitmap = THeld<TBitmap>(bitmap);
        AttachBitmap(*dc, previous);
        dc->InvalidateClip();
        return previous ? previous->m_handle : nullptr;
    }
    case OBJ_REGION: {
        const int result = ExtSelectClipRgn(hdc, static_cast<HRGN>(handle), RGN_COPY);
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(result));
    }
    default:
        return nullptr;
    }
}

BOOL GetDCOrgEx(HDC hdc, LPPOINT origin) {
    if (!GdiLookupDC(hdc) || !origin) {
        return FALSE;
    }
    *origin = POINT{0, 0};
    return TRUE;
}
