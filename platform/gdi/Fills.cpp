// Pixels, rectangle and region fills, and flood fill.
//
// FillRect, FrameRect and InvertRect take exclusive logical rectangles and write straight
// through (no ROP2); the region calls take regions in logical units, mapped to the device like
// any other coordinates, and use the DC's ROP2 as the region painting of GDI does.
#include "platform/gdi/Draw_p.h"

#include <algorithm>
#include <cmath>

namespace gdi {
TPointD DevicePoint(TDeviceContext& dc, double x, double y);
}

using namespace gdi;

namespace {

RECT DeviceRect(TDeviceContext& dc, const RECT& r) {
    const TPointD a = DevicePoint(dc, r.left, r.top), b = DevicePoint(dc, r.right, r.bottom);
    return RECT{RoundCoord(std::min(a.x, b.x)), RoundCoord(std::min(a.y, b.y)),
                RoundCoord(std::max(a.x, b.x)), RoundCoord(std::max(a.y, b.y))};
}

// A region in logical units as device pixels.
TPixRegion DeviceRegion(TDeviceContext& dc, const TPixRegion& logical) {
    const TMatrix& m = dc.State().m_toDevice;
    if (m.IsIdentity()) {
        return logical;
    }
    std::vector<RECT> rects;
    if (m.IsAxisAligned()) {
        for (const pixman_box32_t& b : logical.Boxes()) {
            rects.push_back(DeviceRect(dc, RECT{b.x1, b.y1, b.x2, b.y2}));
        }
        return TPixRegion::FromRects(rects);
    }
    TPixRegion result;
    for (const pixman_box32_t& b : logical.Boxes()) {
        const TPointD c[4] = {m.Apply(b.x1, b.y1), m.Apply(b.x2, b.y1), m.Apply(b.x2, b.y2),
                              m.Apply(b.x1, b.y2)};
        POINT corners[4];
        for (int i = 0; i < 4; ++i) {
            corners[i] = {RoundCoord(c[i].x), RoundCoord(c[i].y)};
        }
        const int count[1] = {4};
        result.Unite(RegionFromPolygon(corners, count, WINDING));
    }
    return result;
}

TFill InvertFill() {
    TFill fill;
    fill.kind = TFill::Kind::Solid;
    fill.color = 0;
    return fill;
}

} // namespace

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SetPixel(*dc, x, y, color)) {
        return CLR_INVALID;
    }
    const std::uint32_t pixel = ResolveColor(*dc, color);
    const TPointD p = DevicePoint(*dc, x, y);
    PlotPixel(*dc, RoundCoord(p.x), RoundCoord(p.y), pixel, R2_COPYPEN);
    return PixelToColorRef(pixel);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) {
    return SetPixel(hdc, x, y, color) != CLR_INVALID ? TRUE : FALSE;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    TSurface* surface = dc->Surface();
    const TPointD d = DevicePoint(*dc, x, y);
    const int px = RoundCoord(d.x), py = RoundCoord(d.y);
    if (!surface || !dc->EffectiveClip().Contains(px, py)) {
        return CLR_INVALID;
    }
    dc->BeginDraw();
    const COLORREF c = PixelToColorRef(surface->Get(px, py) & 0xFFFFFFu);
    return c;
}

int FillRect(HDC hdc, const RECT* rect, HBRUSH handle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TBrush* brush = GdiLookupBrush(handle);
    if (!dc || !rect || !brush || !dc->Driver().FillRect(*dc, *rect, *brush)) {
        return 0;
    }
    FillDeviceRect(*dc, DeviceRect(*dc, *rect), RealizeBrush(*dc, brush), R2_COPYPEN);
    return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH handle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TBrush* brush = GdiLookupBrush(handle);
    if (!dc || !rect || !brush || !dc->Driver().FrameRect(*dc, *rect, *brush)) {
        return 0;
    }
    const RECT r = DeviceRect(*dc, *rect);
    if (r.right <= r.left || r.bottom <= r.top) {
        return 1;
    }
    TPixRegion ring(r);
    ring.Subtract(TPixRegion(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1));
    FillRegion(*dc, ring, RealizeBrush(*dc, brush), R2_COPYPEN);
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !rect || !dc->Driver().InvertRect(*dc, *rect)) {
        return FALSE;
    }
    FillDeviceRect(*dc, DeviceRect(*dc, *rect), InvertFill(), R2_NOT);
    return TRUE;
}

BOOL FillRgn(HDC hdc, HRGN region, HBRUSH handle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* rgn = GdiLookupRegion(region);
    TBrush* brush = GdiLookupBrush(handle);
    if (!dc || !rgn || !brush || !dc->Driver().FillRgn(*dc, *rgn, *brush)) {
        return FALSE;
    }
    FillRegion(*dc, DeviceRegion(*dc, rgn->m_region), RealizeBrush(*dc, brush), dc->State().m_rop2);
    return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN region) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* rgn = GdiLookupRegion(region);
    if (!dc || !rgn || !dc->Driver().PaintRgn(*dc, *rgn)) {
        return FALSE;
    }
    FillRegion(*dc, DeviceRegion(*dc, rgn->m_region), RealizeBrush(*dc, dc->State().m_brush.Get()),
               dc->State().m_rop2);
    return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN region) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* rgn = GdiLookupRegion(region);
    if (!dc || !rgn || !dc->Driver().InvertRgn(*dc, *rgn)) {
        return FALSE;
    }
    FillRegion(*dc, DeviceRegion(*dc, rgn->m_region), InvertFill(), R2_NOT);
    return TRUE;
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH handle, int width, int height) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* rgn = GdiLookupRegion(region);
    TBrush* brush = GdiLookupBrush(handle);
    if (!dc || !rgn || !brush || width <= 0 || height <= 0 ||
        !dc->Driver().FrameRgn(*dc, *rgn, *brush, width, height)) {
        return FALSE;
    }
    // The frame is what the region loses when shrunk by the frame's size on every side.
    const TPixRegion shape = DeviceRegion(*dc, rgn->m_region);
    const TPointD size = dc->State().m_toDevice.ApplyVector(width, height);
    const int w = std::max(1, RoundCoord(std::fabs(size.x)));
    const int h = std::max(1, RoundCoord(std::fabs(size.y)));
    TPixRegion inner = shape;
    for (const auto& [dx, dy] : {std::pair{w, 0}, {-w, 0}, {0, h}, {0, -h}}) {
        TPixRegion moved = shape;
        moved.Offset(dx, dy);
        inner.Intersect(moved);
    }
    TPixRegion frame = shape;
    frame.Subtract(inner);
    FillRegion(*dc, frame, RealizeBrush(*dc, brush), dc->State().m_rop2);
    return TRUE;
}

BOOL ExtFloodFill(HDC hdc, int x, int y, COLORREF color, UINT type) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || (type != FLOODFILLBORDER && type != FLOODFILLSURFACE) ||
        !dc->Driver().ExtFloodFill(*dc, x, y, color, type)) {
        return FALSE;
    }
    TSurface* surface = dc->Surface();
    if (!surface) {
        return TRUE;
    }
    const TPointD d = DevicePoint(*dc, x, y);
    const int sx = RoundCoord(d.x), sy = RoundCoord(d.y);
    const TPixRegion& clip = dc->EffectiveClip();
    if (!clip.Contains(sx, sy)) {
        return FALSE;
    }
    dc->BeginDraw();
    const std::uint32_t target = ResolveColor(*dc, color);
    auto fillable = [&](int px, int py) {
        const bool same = (surface->Get(px, py) & 0xFFFFFFu) == target;
        return type == FLOODFILLBORDER ? !same : same;
    };
    if (!fillable(sx, sy)) {
        return FALSE;
    }
    const RECT box = clip.Box();
    const int w = box.right - box.left, h = box.bottom - box.top;
    std::vector<std::uint8_t> seen(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    auto mark = [&](int px, int py) -> std::uint8_t& {
        return seen[static_cast<std::size_t>(py - box.top) * static_cast<std::size_t>(w) +
                    static_cast<std::size_t>(px - box.left)];
    };
    std::vector<pixman_box32_t> spans;
    std::vector<POINT> stack{{sx, sy}};
    while (!stack.empty()) {
        const POINT p = stack.back();
        stack.pop_back();
        if (mark(p.x, p.y) || !fillable(p.x, p.y)) {
            continue;
        }
        // Extend the run left and right, then look for seeds above and below it.
        int x0 = p.x, x1 = p.x + 1;
        while (x0 > box.left && !mark(x0 - 1, p.y) && fillable(x0 - 1, p.y) &&
               clip.Contains(x0 - 1, p.y)) {
            --x0;
        }
        while (x1 < box.right && !mark(x1, p.y) && fillable(x1, p.y) && clip.Contains(x1, p.y)) {
            ++x1;
        }
        for (int k = x0; k < x1; ++k) {
            mark(k, p.y) = 1;
        }
        spans.push_back({x0, p.y, x1, p.y + 1});
        for (int ny : {p.y - 1, p.y + 1}) {
            if (ny < box.top || ny >= box.bottom) {
                continue;
            }
            for (int k = x0; k < x1; ++k) {
                if (!mark(k, ny) && fillable(k, ny) && clip.Contains(k, ny)) {
                    stack.push_back({k, ny});
                    while (k + 1 < x1 && fillable(k + 1, ny)) {
                        ++k;
                    }
                }
            }
        }
    }
    TPixRegion area;
    pixman_region32_fini(area.Raw());
    pixman_region32_init_rects(area.Raw(), spans.data(), static_cast<int>(spans.size()));
    FillRegion(*dc, area, RealizeBrush(*dc, dc->State().m_brush.Get()), dc->State().m_rop2);
    return TRUE;
}

BOOL FloodFill(HDC hdc, int x, int y, COLORREF color) {
    return ExtFloodFill(hdc, x, y, color, FLOODFILLBORDER);
}
