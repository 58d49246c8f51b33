// Mapping modes, window and viewport, the world transform, and point conversion.
//
// The fixed mapping modes take their scale from the device's size in millimetres and pixels
// (HORZSIZE/HORZRES), as GDI does: MM_LOMETRIC maps HORZSIZE * 10 units onto HORZRES pixels.
// Extents are integers; a zero extent is refused. In MM_ISOTROPIC the viewport extent is shrunk
// on the axis that would come out larger, so one logical unit has the same physical size on
// both axes; its sign is kept.
#include "platform/gdi/DeviceContext_p.h"

#include <cmath>

namespace gdi {
namespace {

int MulDivRound(long long a, long long b, long long c) {
    const long long n = a * b;
    return static_cast<int>((n >= 0 ? n + c / 2 : n - c / 2) / c);
}

void FixIsotropic(TDeviceContext& dc) {
    TDcState& s = dc.State();
    const double xdim = std::fabs(static_cast<double>(s.m_viewportExt.cx) * dc.m_caps.horzSizeMM /
                                  (static_cast<double>(dc.m_caps.horzRes) * s.m_windowExt.cx));
    const double ydim = std::fabs(static_cast<double>(s.m_viewportExt.cy) * dc.m_caps.vertSizeMM /
                                  (static_cast<double>(dc.m_caps.vertRes) * s.m_windowExt.cy));
    if (xdim > ydim) {
        const LONG minimum = s.m_viewportExt.cx >= 0 ? 1 : -1;
        s.m_viewportExt.cx = static_cast<LONG>(std::floor(s.m_viewportExt.cx * ydim / xdim + 0.5));
        if (s.m_viewportExt.cx == 0) {
            s.m_viewportExt.cx = minimum;
        }
    } else if (xdim < ydim) {
        const LONG minimum = s.m_viewportExt.cy >= 0 ? 1 : -1;
        s.m_viewportExt.cy = static_cast<LONG>(std::floor(s.m_viewportExt.cy * xdim / ydim + 0.5));
        if (s.m_viewportExt.cy == 0) {
            s.m_viewportExt.cy = minimum;
        }
    }
}

bool ScalesExtents(int mode) {
    return mode == MM_ISOTROPIC || mode == MM_ANISOTROPIC;
}

} // namespace

TMatrix TMatrix::Inverted() const {
    const double det = Determinant();
    if (std::fabs(det) <= 1e-12) {
        return {};
    }
    TMatrix r;
    r.m11 = m22 / det;
    r.m12 = -m12 / det;
    r.m21 = -m21 / det;
    r.m22 = m11 / det;
    r.dx = (m21 * dy - m22 * dx) / det;
    r.dy = (m12 * dx - m11 * dy) / det;
    return r;
}

TMatrix Multiply(const TMatrix& a, const TMatrix& b) {
    TMatrix r;
    r.m11 = a.m11 * b.m11 + a.m12 * b.m21;
    r.m12 = a.m11 * b.m12 + a.m12 * b.m22;
    r.m21 = a.m21 * b.m11 + a.m22 * b.m21;
    r.m22 = a.m21 * b.m12 + a.m22 * b.m22;
    r.dx = a.dx * b.m11 + a.dy * b.m21 + b.dx;
    r.dy = a.dx * b.m12 + a.dy * b.m22 + b.dy;
    return r;
}

void TDeviceContext::UpdateTransform() {
    TDcState& s = m_state;
    TMatrix page;
    page.m11 = static_cast<double>(s.m_viewportExt.cx) / s.m_windowExt.cx;
    page.m22 = static_cast<double>(s.m_viewportExt.cy) / s.m_windowExt.cy;
    page.dx = s.m_viewportOrg.x - s.m_windowOrg.x * page.m11;
    page.dy = s.m_viewportOrg.y - s.m_windowOrg.y * page.m22;
    s.m_toDevice = Multiply(s.m_world, page);
    s.m_toLogical = s.m_toDevice.Inverted();
}

} // namespace gdi

using namespace gdi;

int SetMapMode(HDC hdc, int mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || mode < MM_MIN || mode > MM_MAX || !dc->Driver().SetMapMode(*dc, mode)) {
        return 0;
    }
    TDcState& s = dc->State();
    const int previous = s.m_mapMode;
    if (mode == previous && ScalesExtents(mode)) {
        return previous;
    }
    const TDeviceCaps& c = dc->m_caps;
    const SIZE res{c.horzRes, c.vertRes};
    const SIZE flipped{c.horzRes, -c.vertRes};
    switch (mode) {
    case MM_TEXT:
        s.m_windowExt = {1, 1};
        s.m_viewportExt = {1, 1};
        break;
    case MM_LOMETRIC:
    case MM_ISOTROPIC:
        s.m_windowExt = {c.horzSizeMM * 10, c.vertSizeMM * 10};
        s.m_viewportExt = flipped;
        break;
    case MM_HIMETRIC:
        s.m_windowExt = {c.horzSizeMM * 100, c.vertSizeMM * 100};
        s.m_viewportExt = flipped;
        break;
    case MM_LOENGLISH:
        s.m_windowExt = {MulDivRound(c.horzSizeMM, 1000, 254),
                         MulDivRound(c.vertSizeMM, 1000, 254)};
        s.m_viewportExt = flipped;
        break;
    case MM_HIENGLISH:
        s.m_windowExt = {MulDivRound(c.horzSizeMM, 10000, 254),
                         MulDivRound(c.vertSizeMM, 10000, 254)};
        s.m_viewportExt = flipped;
        break;
    case MM_TWIPS:
        s.m_windowExt = {MulDivRound(c.horzSizeMM, 14400, 254),
                         MulDivRound(c.vertSizeMM, 14400, 254)};
        s.m_viewportExt = flipped;
        break;
    default: // MM_ANISOTROPIC keeps the extents it finds
        break;
    }
    (void)res;
    s.m_mapMode = mode;
    dc->UpdateTransform();
    return previous;
}

int GetMapMode(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc ? dc->State().m_mapMode : 0;
}

BOOL SetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SetWindowOrgEx(*dc, x, y)) {
        return FALSE;
    }
    if (previous) {
        *previous = dc->State().m_windowOrg;
    }
    dc->State().m_windowOrg = {x, y};
    dc->UpdateTransform();
    return TRUE;
}

BOOL GetWindowOrgEx(HDC hdc, LPPOINT origin) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !origin) {
        return FALSE;
    }
    *origin = dc->State().m_windowOrg;
    return TRUE;
}

BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SetViewportOrgEx(*dc, x, y)) {
        return FALSE;
    }
    if (previous) {
        *previous = dc->State().m_viewportOrg;
    }
    dc->State().m_viewportOrg = {x, y};
    dc->UpdateTransform();
    return TRUE;
}

BOOL GetViewportOrgEx(HDC hdc, LPPOINT origin) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !origin) {
        return FALSE;
    }
    *origin = dc->State().m_viewportOrg;
    return TRUE;
}

BOOL SetWindowExtEx(HDC hdc, int x, int y, LPSIZE previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    TDcState& s = dc->State();
    if (previous) {
        *previous = s.m_windowExt;
    }
    if (!ScalesExtents(s.m_mapMode)) {
        return TRUE; // ignored in the fixed modes
    }
    if (x == 0 || y == 0 || !dc->Driver().SetWindowExtEx(*dc, x, y)) {
        return FALSE;
    }
    s.m_windowExt = {x, y};
    if (s.m_mapMode == MM_ISOTROPIC) {
        FixIsotropic(*dc);
    }
    dc->UpdateTransform();
    return TRUE;
}

BOOL GetWindowExtEx(HDC hdc, LPSIZE extent) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !extent) {
        return FALSE;
    }
    *extent = dc->State().m_windowExt;
    return TRUE;
}

BOOL SetViewportExtEx(HDC hdc, int x, int y, LPSIZE previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    TDcState& s = dc->State();
    if (previous) {
        *previous = s.m_viewportExt;
    }
    if (!ScalesExtents(s.m_mapMode)) {
        return TRUE;
    }
    if (x == 0 || y == 0 || !dc->Driver().SetViewportExtEx(*dc, x, y)) {
        return FALSE;
    }
    s.m_viewportExt = {x, y};
    if (s.m_mapMode == MM_ISOTROPIC) {
        FixIsotropic(*dc);
    }
    dc->UpdateTransform();
    return TRUE;
}

BOOL GetViewportExtEx(HDC hdc, LPSIZE extent) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !extent) {
        return FALSE;
    }
    *extent = dc->State().m_viewportExt;
    return TRUE;
}

BOOL OffsetWindowOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().OffsetWindowOrgEx(*dc, x, y)) {
        return FALSE;
    }
    POINT& org = dc->State().m_windowOrg;
    if (previous) {
        *previous = org;
    }
    org.x += x;
    org.y += y;
    dc->UpdateTransform();
    return TRUE;
}

BOOL OffsetViewportOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().OffsetViewportOrgEx(*dc, x, y)) {
        return FALSE;
    }
    POINT& org = dc->State().m_viewportOrg;
    if (previous) {
        *previous = org;
    }
    org.x += x;
    org.y += y;
    dc->UpdateTransform();
    return TRUE;
}

namespace {

BOOL ScaleExtent(HDC hdc, bool window, int xNum, int xDenom, int yNum, int yDenom,
                 LPSIZE previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    TDcState& s = dc->State();
    SIZE& ext = window ? s.m_windowExt : s.m_viewportExt;
    if (previous) {
        *previous = ext;
    }
    if (!ScalesExtents(s.m_mapMode)) {
        return TRUE;
    }
    if (xDenom == 0 || yDenom == 0) {
        return FALSE;
    }
    const long long cx = static_cast<long long>(ext.cx) * xNum / xDenom;
    const long long cy = static_cast<long long>(ext.cy) * yNum / yDenom;
    if (cx == 0 || cy == 0 || cx > INT32_MAX || cx < INT32_MIN || cy > INT32_MAX ||
        cy < INT32_MIN) {
        return FALSE;
    }
    const bool ok = window ? dc->Driver().ScaleWindowExtEx(*dc, xNum, xDenom, yNum, yDenom)
                           : dc->Driver().ScaleViewportExtEx(*dc, xNum, xDenom, yNum, yDenom);
    if (!ok) {
        return FALSE;
    }
    ext = {static_cast<LONG>(cx), static_cast<LONG>(cy)};
    if (s.m_mapMode == MM_ISOTROPIC) {
        FixIsotropic(*dc);
    }
    dc->UpdateTransform();
    return TRUE;
}

} // namespace

BOOL ScaleWindowExtEx(HDC hdc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous) {
    return ScaleExtent(hdc, true, xNum, xDenom, yNum, yDenom, previous);
}

BOOL ScaleViewportExtEx(HDC hdc, int xNum, int xDenom, int yNum, int yDenom, LPSIZE previous) {
    return ScaleExtent(hdc, false, xNum, xDenom, yNum, yDenom, previous);
}

BOOL LPtoDP(HDC hdc, LPPOINT points, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || count < 0 || (count > 0 && !points)) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        points[i] = dc->ToDevicePoint(points[i].x, points[i].y);
    }
    return TRUE;
}

BOOL DPtoLP(HDC hdc, LPPOINT points, int count) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || count < 0 || (count > 0 && !points) || !dc->State().m_toDevice.IsInvertible()) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        const TPointD p = dc->ToLogical(points[i].x, points[i].y);
        points[i] = {RoundCoord(p.x), RoundCoord(p.y)};
    }
    return TRUE;
}

int SetGraphicsMode(HDC hdc, int mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || (mode != GM_COMPATIBLE && mode != GM_ADVANCED)) {
        return 0;
    }
    TDcState& s = dc->State();
    // Leaving the advanced mode needs an identity world transform.
    if (mode == GM_COMPATIBLE && !s.m_world.IsIdentity()) {
        return 0;
    }
    if (!dc->Driver().SetGraphicsMode(*dc, mode)) {
        return 0;
    }
    const int previous = s.m_graphicsMode;
    s.m_graphicsMode = mode;
    return previous;
}

int GetGraphicsMode(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc ? dc->State().m_graphicsMode : 0;
}

BOOL SetWorldTransform(HDC hdc, const XFORM* xform) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !xform || dc->State().m_graphicsMode != GM_ADVANCED) {
        return FALSE;
    }
    const TMatrix m = TMatrix::FromXform(*xform);
    if (!m.IsInvertible() || !dc->Driver().SetWorldTransform(*dc, *xform)) {
        return FALSE;
    }
    dc->State().m_world = m;
    dc->UpdateTransform();
    return TRUE;
}

BOOL ModifyWorldTransform(HDC hdc, const XFORM* xform, DWORD mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || dc->State().m_graphicsMode != GM_ADVANCED) {
        return FALSE;
    }
    TMatrix& world = dc->State().m_world;
    TMatrix result;
    switch (mode) {
    case MWT_IDENTITY:
        break;
    case MWT_LEFTMULTIPLY:
        if (!xform) {
            return FALSE;
        }
        result = Multiply(TMatrix::FromXform(*xform), world);
        break;
    case MWT_RIGHTMULTIPLY:
        if (!xform) {
            return FALSE;
        }
        result = Multiply(world, TMatrix::FromXform(*xform));
        break;
    case MWT_SET:
        if (!xform) {
            return FALSE;
        }
        result = TMatrix::FromXform(*xform);
        break;
    default:
        return FALSE;
    }
    if (!result.IsInvertible() || !dc->Driver().ModifyWorldTransform(*dc, xform, mode)) {
        return FALSE;
    }
    // The world transform is kept at the precision of an XFORM, as GDI keeps it.
    world = TMatrix::FromXform(result.ToXform());
    dc->UpdateTransform();
    return TRUE;
}

BOOL GetWorldTransform(HDC hdc, LPXFORM xform) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !xform) {
        return FALSE;
    }
    *xform = dc->State().m_world.ToXform();
    return TRUE;
}

BOOL CombineTransform(LPXFORM result, const XFORM* first, const XFORM* second) {
    if (!result || !first || !second) {
        return FALSE;
    }
    *result = Multiply(TMatrix::FromXform(*first), TMatrix::FromXform(*second)).ToXform();
    return TRUE;
}
