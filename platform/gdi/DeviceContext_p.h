// Device contexts: their state, their kinds, and the driver seam.
//
// A DC (TDeviceContext) is a GDI object of type OBJ_DC (display, information, window DCs),
// OBJ_MEMDC (memory DCs) or OBJ_ENHMETADC/OBJ_METADC (metafile DCs). It holds:
// - the state that SaveDC pushes and RestoreDC pops (TDcState): mapping and world transform,
//   clip and meta region in device pixels, selected objects, colours, modes, the current
//   position and the path;
// - the device: the capabilities GetDeviceCaps reports, and the surface drawn on (the selected
//   bitmap of a memory DC, the window's pixels of a window DC; none for information and
//   metafile DCs, where drawing changes no pixel);
// - an optional driver (TGdiDriver).
//
// The driver seam. Every public call on a DC, state or drawing, first validates its handles
// and then offers itself to the DC's driver, with the caller's arguments in logical units:
//
//     TDeviceContext* dc = GdiLookupDC(hdc);
//     if (!dc || !dc->Driver().Rectangle(*dc, left, top, right, bottom)) return FALSE;
//
// A driver method returns false to fail the call; otherwise the call goes on with its common
// part: state calls update TDcState, drawing calls add to an open path or draw on the surface
// (if any) through the raster back end. The default driver (TGdiDriver itself) accepts every
// call and does nothing. A metafile DC carries a recording driver that writes each call as a
// record and has no surface, so the common part keeps its state (mapping, current position,
// path) exactly as a drawing DC would and draws nothing. New calls get a method here with the
// call's own name and arguments; the text and bitmap code call theirs the same way.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/GdiObject_p.h"
#include "platform/gdi/Mapping_p.h"
#include "platform/gdi/Path_p.h"
#include "platform/gdi/Region_p.h"
#include "platform/gdi/Surface_p.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace gdi {

class TDeviceContext;

// ---------------------------------------------------------------------------------------------
// The driver seam
// ---------------------------------------------------------------------------------------------

class TGdiDriver {
public:
    virtual ~TGdiDriver() = default;

    // DC lifetime and state stack. DeleteDC is offered before the DC goes away.
    virtual bool DeleteDC(TDeviceContext&) { return true; }
    virtual bool SaveDC(TDeviceContext&) { return true; }
    virtual bool RestoreDC(TDeviceContext&, int /*saved*/) { return true; }

    // Objects. SelectObject is offered for pens, brushes, fonts and bitmaps (regions go to
    // SelectClipRgn); the object is valid and of a selectable type.
    virtual bool SelectObject(TDeviceContext&, TGdiObject&) { return true; }
    virtual bool SelectPalette(TDeviceContext&, TPalette&, BOOL /*background*/) { return true; }
    virtual bool RealizePalette(TDeviceContext&) { return true; }

    // Coordinate spaces.
    virtual bool SetMapMode(TDeviceContext&, int) { return true; }
    virtual bool SetWindowOrgEx(TDeviceContext&, int, int) { return true; }
    virtual bool SetWindowExtEx(TDeviceContext&, int, int) { return true; }
    virtual bool SetViewportOrgEx(TDeviceContext&, int, int) { return true; }
    virtual bool SetViewportExtEx(TDeviceContext&, int, int) { return true; }
    virtual bool OffsetWindowOrgEx(TDeviceContext&, int, int) { return true; }
    virtual bool OffsetViewportOrgEx(TDeviceContext&, int, int) { return true; }
    virtual bool ScaleWindowExtEx(TDeviceContext&, int, int, int, int) { return true; }
    virtual bool ScaleViewportExtEx(TDeviceContext&, int, int, int, int) { return true; }
    virtual bool SetGraphicsMode(TDeviceContext&, int) { return true; }
    virtual bool SetWorldTransform(TDeviceContext&, const XFORM&) { return true; }
    virtual bool ModifyWorldTransform(TDeviceContext&, const XFORM*, DWORD) { return true; }
    virtual bool SetLayout(TDeviceContext&, DWORD) { return true; }

    // Attributes.
    virtual bool SetBkColor(TDeviceContext&, COLORREF) { return true; }
    virtual bool SetBkMode(TDeviceContext&, int) { return true; }
    virtual bool SetTextColor(TDeviceContext&, COLORREF) { return true; }
    virtual bool SetTextAlign(TDeviceContext&, UINT) { return true; }
    virtual bool SetTextCharacterExtra(TDeviceContext&, int) { return true; }
    virtual bool SetTextJustification(TDeviceContext&, int, int) { return true; }
    virtual bool SetMapperFlags(TDeviceContext&, DWORD) { return true; }
    virtual bool SetROP2(TDeviceContext&, int) { return true; }
    virtual bool SetPolyFillMode(TDeviceContext&, int) { return true; }
    virtual bool SetStretchBltMode(TDeviceContext&, int) { return true; }
    virtual bool SetArcDirection(TDeviceContext&, int) { return true; }
    virtual bool SetMiterLimit(TDeviceContext&, FLOAT) { return true; }
    virtual bool SetBrushOrgEx(TDeviceContext&, int, int) { return true; }
    virtual bool SetDCBrushColor(TDeviceContext&, COLORREF) { return true; }
    virtual bool SetDCPenColor(TDeviceContext&, COLORREF) { return true; }
    virtual bool SetRelAbs(TDeviceContext&, int) { return true; }
    virtual bool SetICMMode(TDeviceContext&, int) { return true; }

    // Clipping. Rectangles are logical; a region (may be null for RGN_COPY) is in device units.
    virtual bool ExtSelectClipRgn(TDeviceContext&, const TRegion*, int /*mode*/) { return true; }
    virtual bool IntersectClipRect(TDeviceContext&, int, int, int, int) { return true; }
    virtual bool ExcludeClipRect(TDeviceContext&, int, int, int, int) { return true; }
    virtual bool OffsetClipRgn(TDeviceContext&, int, int) { return true; }
    virtual bool SetMetaRgn(TDeviceContext&) { return true; }
    virtual bool SelectClipPath(TDeviceContext&, int) { return true; }

    // Paths.
    virtual bool BeginPath(TDeviceContext&) { return true; }
    virtual bool EndPath(TDeviceContext&) { return true; }
    virtual bool AbortPath(TDeviceContext&) { return true; }
    virtual bool CloseFigure(TDeviceContext&) { return true; }
    virtual bool FillPath(TDeviceContext&) { return true; }
    virtual bool StrokePath(TDeviceContext&) { return true; }
    virtual bool StrokeAndFillPath(TDeviceContext&) { return true; }
    virtual bool FlattenPath(TDeviceContext&) { return true; }
    virtual bool WidenPath(TDeviceContext&) { return true; }

    // Lines, curves and shapes.
    virtual bool MoveToEx(TDeviceContext&, int, int) { return true; }
    virtual bool LineTo(TDeviceContext&, int, int) { return true; }
    virtual bool Polyline(TDeviceContext&, const POINT*, int) { return true; }
    virtual bool PolylineTo(TDeviceContext&, const POINT*, DWORD) { return true; }
    virtual bool PolyPolyline(TDeviceContext&, const POINT*, const DWORD*, DWORD) { return true; }
    virtual bool Polygon(TDeviceContext&, const POINT*, int) { return true; }
    virtual bool PolyPolygon(TDeviceContext&, const POINT*, const INT*, int) { return true; }
    virtual bool PolyBezier(TDeviceContext&, const POINT*, DWORD) { return true; }
    virtual bool PolyBezierTo(TDeviceContext&, const POINT*, DWORD) { return true; }
    virtual bool PolyDraw(TDeviceContext&, const POINT*, const BYTE*, int) { return true; }
    virtual bool Rectangle(TDeviceContext&, int, int, int, int) { return true; }
    virtual bool RoundRect(TDeviceContext&, int, int, int, int, int, int) { return true; }
    virtual bool Ellipse(TDeviceContext&, int, int, int, int) { return true; }
    virtual bool Arc(TDeviceContext&, int, int, int, int, int, int, int, int) { return true; }
    virtual bool ArcTo(TDeviceContext&, int, int, int, int, int, int, int, int) { return true; }
    virtual bool AngleArc(TDeviceContext&, int, int, DWORD, FLOAT, FLOAT) { return true; }
    virtual bool Chord(TDeviceContext&, int, int, int, int, int, int, int, int) { return true; }
    virtual bool Pie(TDeviceContext&, int, int, int, int, int, int, int, int) { return true; }
    virtual bool SetPixel(TDeviceContext&, int, int, COLORREF) { return true; }
    virtual bool FillRgn(TDeviceContext&, TRegion&, TBrush&) { return true; }
    virtual bool FrameRgn(TDeviceContext&, TRegion&, TBrush&, int, int) { return true; }
    virtual bool InvertRgn(TDeviceContext&, TRegion&) { return true; }
    virtual bool PaintRgn(TDeviceContext&, TRegion&) { return true; }
    virtual bool FillRect(TDeviceContext&, const RECT&, TBrush&) { return true; }
    virtual bool FrameRect(TDeviceContext&, const RECT&, TBrush&) { return true; }
    virtual bool InvertRect(TDeviceContext&, const RECT&) { return true; }
    virtual bool ExtFloodFill(TDeviceContext&, int, int, COLORREF, UINT) { return true; }

    // Text (TextOut, ExtTextOutA and TextOutA come here as ExtTextOutW).
    virtual bool ExtTextOutW(TDeviceContext&, int /*x*/, int /*y*/, UINT /*options*/,
                             const RECT* /*rect*/, LPCWSTR /*text*/, UINT /*count*/,
                             const INT* /*dx*/) {
        return true;
    }
    virtual bool PolyTextOutW(TDeviceContext&, const POLYTEXTW*, int) { return true; }

    // Bitmaps. A source DC may be null where the operation uses no source.
    virtual bool BitBlt(TDeviceContext&, int, int, int, int, TDeviceContext*, int, int, DWORD) {
        return true;
    }
    virtual bool StretchBlt(TDeviceContext&, int, int, int, int, TDeviceContext*, int, int, int,
                            int, DWORD) {
        return true;
    }
    virtual bool PatBlt(TDeviceContext&, int, int, int, int, DWORD) { return true; }
    virtual bool MaskBlt(TDeviceContext&, int, int, int, int, TDeviceContext*, int, int, TBitmap*,
                         int, int, DWORD) {
        return true;
    }
    virtual bool PlgBlt(TDeviceContext&, const POINT*, TDeviceContext&, int, int, int, int,
                        TBitmap*, int, int) {
        return true;
    }
    virtual bool TransparentBlt(TDeviceContext&, int, int, int, int, TDeviceContext&, int, int, int,
                                int, UINT) {
        return true;
    }
    virtual bool AlphaBlend(TDeviceContext&, int, int, int, int, TDeviceContext&, int, int, int,
                            int, BLENDFUNCTION) {
        return true;
    }
    virtual bool GradientFill(TDeviceContext&, const TRIVERTEX*, ULONG, const void*, ULONG, ULONG) {
        return true;
    }
    virtual bool SetDIBitsToDevice(TDeviceContext&, int, int, DWORD, DWORD, int, int, UINT, UINT,
                                   const void*, const BITMAPINFO*, UINT) {
        return true;
    }
    virtual bool StretchDIBits(TDeviceContext&, int, int, int, int, int, int, int, int, const void*,
                               const BITMAPINFO*, UINT, DWORD) {
        return true;
    }
};

// ---------------------------------------------------------------------------------------------
// DC state
// ---------------------------------------------------------------------------------------------

// An object selected into a DC: keeps it alive (GdiHold/GdiRelease) for as long as any copy of
// the slot exists, so a saved state holds its objects too.
template <class T> class THeld {
public:
    THeld() = default;
    explicit THeld(T* object) : m_object(object) {
        if (m_object) {
            GdiHold(m_object);
        }
    }
    THeld(const THeld& other) : THeld(other.m_object) {}
    THeld& operator=(const THeld& other) {
        if (this != &other) {
            THeld copy(other);
            std::swap(m_object, copy.m_object);
        }
        return *this;
    }
    ~THeld() {
        if (m_object) {
            GdiRelease(m_object);
        }
    }
    T* Get() const { return m_object; }
    T* operator->() const { return m_object; }
    explicit operator bool() const { return m_object != nullptr; }

private:
    T* m_object = nullptr;
};

// Everything SaveDC saves. Copyable.
struct TDcState {
    // Coordinate spaces.
    int m_mapMode = MM_TEXT;
    POINT m_windowOrg{0, 0};
    SIZE m_windowExt{1, 1};
    POINT m_viewportOrg{0, 0};
    SIZE m_viewportExt{1, 1};
    int m_graphicsMode = GM_COMPATIBLE;
    TMatrix m_world; // world to page; identity unless set in GM_ADVANCED
    DWORD m_layout = 0;
    TMatrix m_toDevice;  // logical to device pixels: world, then page mapping
    TMatrix m_toLogical; // its inverse

    // Clipping, in device pixels. No value means no clip (the whole surface).
    std::optional<TPixRegion> m_clip;
    std::optional<TPixRegion> m_meta;

    // Selected objects (never empty after the DC is set up; m_bitmap only on memory DCs).
    THeld<TPen> m_pen;
    THeld<TBrush> m_brush;
    THeld<TFont> m_font;
    THeld<TPalette> m_palette;
    THeld<TBitmap> m_bitmap;

    // Attributes.
    COLORREF m_textColor = RGB(0, 0, 0);
    COLORREF m_bkColor = RGB(255, 255, 255);
    COLORREF m_dcBrushColor = RGB(255, 255, 255);
    COLORREF m_dcPenColor = RGB(0, 0, 0);
    int m_bkMode = OPAQUE;
    int m_rop2 = R2_COPYPEN;
    int m_polyFillMode = ALTERNATE;
    int m_stretchBltMode = BLACKONWHITE;
    int m_arcDirection = AD_COUNTERCLOCKWISE;
    int m_relAbs = ABSOLUTE;
    int m_icmMode = ICM_OFF;
    FLOAT m_miterLimit = 10.0f;
    UINT m_textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int m_charExtra = 0;  // logical units
    int m_breakExtra = 0; // SetTextJustification: extra logical units over all breaks
    int m_breakCount = 0; // ... spread over this many break characters
    DWORD m_mapperFlags = 0;
    POINT m_brushOrg{0, 0};   // device pixels
    POINT m_currentPos{0, 0}; // logical units

    TPathState m_path;
};

// What GetDeviceCaps reports for a device.
struct TDeviceCaps {
    int technology = DT_RASDISPLAY;
    int horzRes = 1024; // pixels
    int vertRes = 768;  // pixels
    int horzSizeMM = 271;
    int vertSizeMM = 203;
    int logPixelsX = 96;
    int logPixelsY = 96;
    int bitsPixel = 32;
};

// The screen's capabilities: headless 1024 x 768 at 96 DPI, or TALLYVANE_DISPLAY=WxH@DPI.
const TDeviceCaps& DisplayCaps();

enum class TDcKind { Display, Information, Memory, Window, Metafile };

class TDeviceContext : public TGdiObject {
public:
    TDeviceContext(TDcKind kind, DWORD objectType) : TGdiObject(objectType), m_kind(kind) {}
    ~TDeviceContext() override;

    TDcKind m_kind;
    TDeviceCaps m_caps;
    TDcState m_state;
    std::vector<TDcState> m_saved;        // SaveDC stack; level n is m_saved[n - 1]
    HWND m_window = nullptr;              // window DCs
    TSurface* m_windowSurface = nullptr;  // window DCs: the window's pixels, not owned
    std::unique_ptr<TGdiDriver> m_driver; // null: the default driver
    // Private data of whoever made the DC (the metafile recorder keeps its state here).
    std::shared_ptr<void> m_owner;

    TGdiDriver& Driver() {
        static TGdiDriver none;
        return m_driver ? *m_driver : none;
    }
    HDC Hdc() const { return static_cast<HDC>(m_handle); }
    TDcState& State() { return m_state; }
    const TDcState& State() const { return m_state; }

    // The pixels drawing goes to, or nullptr (information and metafile DCs).
    TSurface* Surface();
    // Call around drawing on Surface(): keeps a DIB section's own bits in step.
    void BeginDraw();
    void EndDraw();

    // The pixels drawing may touch: clip, meta region and the surface bounds, intersected.
    // Cached; the cache is dropped by InvalidateClip (every clip, meta or surface change).
    const TPixRegion& EffectiveClip();
    void InvalidateClip() { m_clipValid = false; }

    // Recomputes m_toDevice/m_toLogical after any mapping or world change.
    void UpdateTransform();
    TPointD ToDevice(double x, double y) const { return m_state.m_toDevice.Apply(x, y); }
    POINT ToDevicePoint(int x, int y) const;
    TPointD ToLogical(double x, double y) const { return m_state.m_toLogical.Apply(x, y); }

private:
    TPixRegion m_clipCache;
    bool m_clipValid = false;
};

// The DC a handle names, or nullptr.
TDeviceContext* GdiLookupDC(HDC dc);

// Puts a new DC in the handle table with the stock pen, brush, font and palette selected
// (and the stock bitmap for a memory DC) and returns its handle. For metafile DCs: give the
// DC a kind of TDcKind::Metafile, an object type of OBJ_ENHMETADC or OBJ_METADC, the reference
// device's caps and a recording driver.
HDC GdiCreateDC(std::unique_ptr<TDeviceContext> dc);

// Window DCs: the window code tells GDI where a window's pixels are; GetDC(window) asks it.
// The provider returns nullptr for an unknown window.
using TWindowSurfaceProvider = std::function<TSurface*(HWND)>;
void GdiSetWindowSurfaceProvider(TWindowSurfaceProvider provider);

} // namespace gdi
