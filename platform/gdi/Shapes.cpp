// Rectangles, round rectangles, ellipses, arcs, chords and pies.
//
// In the compatible graphics mode a box is exclusive: its corners go to the device, are put in
// order, and the right and bottom edges are taken in by one pixel. What remains is the
// inclusive box: a one-pixel pen draws along its outermost pixels and a shape with no pen fills
// it less its right and bottom edge (so Rectangle(0, 0, 10, 10) with the null pen fills
// 9 x 9 pixels). In the advanced mode a rectangle's box is inclusive as given, and a rotated or
// sheared one is drawn as a transformed path; ellipses, round rectangles, arcs, chords and pies
// leave out the right and bottom edge in both modes.
#include "platform/gdi/Draw_p.h"
#include "platform/gdi/Shape_p.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gdi {
TPointD DevicePoint(TDeviceContext& dc, double x, double y);
void OutputFigure(TDeviceContext& dc, const TDevicePath& figure, bool fill);
} // namespace gdi

using namespace gdi;

namespace {

// The inclusive device box of a logical box; false when the transform rotates or shears.
// Curved shapes pass `corners`: GDI draws them upright on the box spanned by the two
// transformed corners even under a rotating transform, and so do we. Their right and bottom
// edge is left out in the advanced mode too; only a rectangle is inclusive there.
bool InclusiveBox(TDeviceContext& dc, int left, int top, int right, int bottom, RECT& box,
                  bool corners = false) {
    const TDcState& s = dc.State();
    if (!corners && !s.m_toDevice.IsAxisAligned()) {
        return false;
    }
    const TPointD a = DevicePoint(dc, left, top), b = DevicePoint(dc, right, bottom);
    box = RECT{RoundCoord(std::min(a.x, b.x)), RoundCoord(std::min(a.y, b.y)),
               RoundCoord(std::max(a.x, b.x)), RoundCoord(std::max(a.y, b.y))};
    if (corners || s.m_graphicsMode == GM_COMPATIBLE) {
        box.right -= 1;
        box.bottom -= 1;
    }
    return true;
}

// The corners of a logical box as a device path (for rotated boxes).
TDevicePath TransformedBox(TDeviceContext& dc, int left, int top, int right, int bottom) {
    TDevicePath path;
    path.MoveTo(DevicePoint(dc, right, top));
    path.LineTo(DevicePoint(dc, left, top));
    path.LineTo(DevicePoint(dc, left, bottom));
    path.LineTo(DevicePoint(dc, right, bottom));
    path.Close();
    return path;
}

// The shape's pixels near the visible area (one pixel beyond it, so outlines found from the
// result are true outlines).
TPixRegion SpansRegion(TDeviceContext& dc, int left, int top, int right, int bottom, int width,
                       int height) {
    RECT limit = dc.EffectiveClip().Box();
    limit = RECT{limit.left - 1, limit.top - 1, limit.right + 1, limit.bottom + 1};
    std::vector<pixman_box32_t> boxes;
    RoundRectSpans(
        left, top, right, bottom, width, height,
        [&](int y, int x0, int x1) {
            boxes.push_back({x0, y, x1, y + 1});
        },
        &limit);
    TPixRegion region;
    if (!boxes.empty()) {
        pixman_region32_fini(region.Raw());
        pixman_region32_init_rects(region.Raw(), boxes.data(), static_cast<int>(boxes.size()));
    }
    return region;
}

// The one-pixel outline and the interior of a round shape near the visible area.
void RoundOutline(TDeviceContext& dc, int left, int top, int right, int bottom, int width,
                  int height, TPixRegion& outline, TPixRegion& interior) {
    RECT limit = dc.EffectiveClip().Box();
    limit = RECT{limit.left - 1, limit.top - 1, limit.right + 1, limit.bottom + 1};
    std::vector<pixman_box32_t> rim, inside;
    RoundRectRows(
        left, top, right, bottom, width, height,
        [&](const TRoundRow& row) {
            const int a = std::min(row.innerLeft, row.x1);
            const int b = std::max(row.innerRight, row.x0);
            if (a >= b) {
                rim.push_back({row.x0, row.y, row.x1, row.y + 1});
                return;
            }
            if (row.x0 < a) {
                rim.push_back({row.x0, row.y, a, row.y + 1});
            }
            if (a < b) {
                inside.push_back({a, row.y, b, row.y + 1});
            }
            if (b < row.x1) {
                rim.push_back({b, row.y, row.x1, row.y + 1});
            }
        },
        &limit);
    auto build = [](TPixRegion& region, std::vector<pixman_box32_t>& boxes) {
        region.Clear();
        if (!boxes.empty()) {
            pixman_region32_fini(region.Raw());
            pixman_region32_init_rects(region.Raw(), boxes.data(), static_cast<int>(boxes.size()));
        }
    };
    build(outline, rim);
    build(interior, inside);
}

// Draws a round rectangle or ellipse on an inclusive device box. `cw`, `ch` are the corner
// ellipse's size in pixels (the box's size for an ellipse).
void DrawRoundBox(TDeviceContext& dc, const RECT& box, int cw, int ch) {
    TDcState& s = dc.State();
    const TStroke stroke = MakeStroke(dc);
    const TFill brush = RealizeBrush(dc, s.m_brush.Get());
    const int rop2 = s.m_rop2;
    const bool ellipse = cw >= box.right - box.left + 1 && ch >= box.bottom - box.top + 1;
    if (PathOpen(dc)) {
        s.m_path.path.Append(RoundRectPath(box.left, box.top, box.right, box.bottom, cw, ch));
        s.m_path.newFigure = true;
        return;
    }
    if (stroke.IsNone()) {
        // With no pen the curve keeps its full box, unlike a rectangle.
        FillRegion(dc, SpansRegion(dc, box.left, box.top, box.right + 1, box.bottom + 1, cw, ch),
                   brush, rop2);
        return;
    }
    if (stroke.cosmetic && stroke.dashes.empty()) {
        TPixRegion outline, interior;
        RoundOutline(dc, box.left, box.top, box.right + 1, box.bottom + 1, cw, ch, outline,
                     interior);
        FillRegion(dc, interior, brush, rop2);
        FillRegion(dc, outline, stroke.fill, rop2);
        return;
    }
    // Wide and styled pens trace the outline pixels; an inside-frame pen traces a box taken
    // in by half its width so that it stays inside the shape.
    RECT trace{box.left, box.top, box.right + 1, box.bottom + 1};
    if (stroke.insideFrame) {
        const int w = static_cast<int>(std::lround(stroke.width));
        trace = RECT{trace.left + w / 2, trace.top + w / 2, trace.right - (w - 1) / 2,
                     trace.bottom - (w - 1) / 2};
        if (trace.right - trace.left < 1 || trace.bottom - trace.top < 1) {
            trace = RECT{box.left, box.top, box.right + 1, box.bottom + 1};
        }
    }
    const int traceW =
        ellipse ? trace.right - trace.left : std::min<int>(cw, trace.right - trace.left);
    const int traceH =
        ellipse ? trace.bottom - trace.top : std::min<int>(ch, trace.bottom - trace.top);
    if (!brush.IsNone()) {
        FillRegion(
            dc, SpansRegion(dc, trace.left, trace.top, trace.right, trace.bottom, traceW, traceH),
            brush, rop2);
    }
    TDevicePath outline =
        RoundRectPixelPath(trace.left, trace.top, trace.right, trace.bottom, traceW, traceH);
    // Where a styled pen's dashes fall depends on where the outline starts and which way it
    // runs. The walk runs clockwise on the device from the right side; GDI starts there too
    // but runs in the arc direction, and a one-pixel pen steps once before its first pixel.
    if (outline.points.size() > 2) {
        if (s.m_arcDirection == AD_COUNTERCLOCKWISE) {
            std::reverse(outline.points.begin() + 1, outline.points.end());
        }
        if (stroke.cosmetic) {
            std::rotate(outline.points.begin(), outline.points.begin() + 1, outline.points.end());
        }
    }
    StrokeDevicePath(dc, outline, stroke);
}

enum class TArcKind { Arc, ArcTo, Chord, Pie };

// Where ArcTo leaves the current position: the point where the radial through (xe, ye) meets
// the ellipse of the logical box as the call gives it (not taken in at the right and bottom).
POINT ArcEndPoint(int left, int top, int right, int bottom, int xe, int ye) {
    const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    const double rx = std::fabs(double(right) - left) / 2, ry = std::fabs(double(bottom) - top) / 2;
    const double dx = xe - cx, dy = ye - cy;
    if (rx == 0 || ry == 0 || (dx == 0 && dy == 0)) {
        return {RoundCoord(cx + rx), RoundCoord(cy)};
    }
    const double t = 1 / std::hypot(dx / rx, dy / ry);
    return {RoundCoord(cx + t * dx), RoundCoord(cy + t * dy)};
}

// Circles of AngleArc beyond this radius or centre are drawn from curves: their box would not
// fit the coordinate range.
constexpr int kMaxArcRadius = 1 << 28;

// Draws an arc, chord or pie on an upright inclusive device box the way GDI's pens trace it:
// through the ellipse's outline pixels, a pie closing through the centre pixel. An
// inside-frame pen traces a box taken in by half its width.
void DrawArcPixels(TDeviceContext& dc, TArcKind kind, const RECT& box, TPointD start, TPointD end,
                   bool clockwise) {
    TDcState& s = dc.State();
    const TStroke stroke = MakeStroke(dc);
    RECT trace{box.left, box.top, box.right + 1, box.bottom + 1};
    if (stroke.insideFrame) {
        const int w = static_cast<int>(std::lround(stroke.width));
        const RECT inset{trace.left + w / 2, trace.top + w / 2, trace.right - (w - 1) / 2,
                         trace.bottom - (w - 1) / 2};
        if (inset.right > inset.left && inset.bottom > inset.top) {
            trace = inset;
        }
    }
    const std::vector<POINT> points =
        ArcPixelPoints(trace, {RoundCoord(start.x), RoundCoord(start.y)},
                       {RoundCoord(end.x), RoundCoord(end.y)}, clockwise);
    TDevicePath figure;
    if (kind == TArcKind::ArcTo) {
        const POINT cp = s.m_currentPos;
        figure.MoveTo(DevicePoint(dc, cp.x, cp.y));
    }
    for (const POINT& p : points) {
        figure.Add({double(p.x), double(p.y)}, figure.IsEmpty() ? PT_MOVETO : PT_LINETO);
    }
    if (kind == TArcKind::Pie) {
        const int w = trace.right - trace.left, h = trace.bottom - trace.top;
        figure.Add({double(trace.left + w / 2), double(trace.top + h / 2)},
                   figure.IsEmpty() ? PT_MOVETO : PT_LINETO);
    }
    if (figure.points.size() < 2) {
        return;
    }
    if (kind == TArcKind::Chord || kind == TArcKind::Pie) {
        figure.Close();
        FillDevicePath(dc, figure, WINDING, RealizeBrush(dc, s.m_brush.Get()));
    }
    StrokeDevicePath(dc, figure, stroke);
}

void ArcGeometry(TDeviceContext& dc, TArcKind kind, int left, int top, int right, int bottom,
                 int xs, int ys, int xe, int ye);

BOOL DrawArc(HDC hdc, TArcKind kind, int left, int top, int right, int bottom, int xs, int ys,
             int xe, int ye) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    TGdiDriver& driver = dc->Driver();
    bool ok = true;
    switch (kind) {
    case TArcKind::Arc:
        ok = driver.Arc(*dc, left, top, right, bottom, xs, ys, xe, ye);
        break;
    case TArcKind::ArcTo:
        ok = driver.ArcTo(*dc, left, top, right, bottom, xs, ys, xe, ye);
        break;
    case TArcKind::Chord:
        ok = driver.Chord(*dc, left, top, right, bottom, xs, ys, xe, ye);
        break;
    case TArcKind::Pie:
        ok = driver.Pie(*dc, left, top, right, bottom, xs, ys, xe, ye);
        break;
    }
    if (!ok) {
        return FALSE;
    }
    ArcGeometry(*dc, kind, left, top, right, bottom, xs, ys, xe, ye);
    return TRUE;
}

// Draws an arc, chord or pie, or adds it to the open path.
void ArcGeometry(TDeviceContext& dcRef, TArcKind kind, int left, int top, int right, int bottom,
                 int xs, int ys, int xe, int ye) {
    TDeviceContext* dc = &dcRef;
    TDcState& s = dc->State();
    // The arc is built on the inclusive device box; its direction is seen on the device, so a
    // mapping that flips one axis turns it around.
    RECT box;
    TDevicePath figure;
    bool clockwise = s.m_arcDirection == AD_CLOCKWISE;
    if (s.m_toDevice.Determinant() < 0) {
        clockwise = !clockwise;
    }
    const TPointD start = DevicePoint(*dc, xs, ys), end = DevicePoint(*dc, xe, ye);
    if (kind == TArcKind::ArcTo) {
        const POINT cp = s.m_currentPos;
        figure.MoveTo(DevicePoint(*dc, cp.x, cp.y));
    }
    TPointD last;
    const bool upright = InclusiveBox(*dc, left, top, right, bottom, box, true);
    if (upright && !PathOpen(*dc)) {
        // Drawn directly, the arc follows the outline pixels of the box's ellipse.
        DrawArcPixels(*dc, kind, box, start, end, clockwise);
        if (kind == TArcKind::ArcTo) {
            s.m_currentPos = ArcEndPoint(left, top, right, bottom, xe, ye);
        }
        return;
    }
    if (upright) {
        if (kind == TArcKind::Pie) {
            figure.MoveTo({(box.left + box.right) / 2.0, (box.top + box.bottom) / 2.0});
        }
        last = AppendArc(figure, box.left, box.top, box.right, box.bottom, start, end, clockwise,
                         kind == TArcKind::ArcTo || kind == TArcKind::Pie);
    } else {
        // A rotated box: build the arc in logical space and transform its control points.
        TDevicePath logical;
        if (kind == TArcKind::Pie) {
            logical.MoveTo({(left + right) / 2.0, (top + bottom) / 2.0});
        }
        const bool logicalClockwise = s.m_arcDirection == AD_CLOCKWISE;
        AppendArc(logical, left, top, right, bottom, {double(xs), double(ys)},
                  {double(xe), double(ye)}, logicalClockwise, kind == TArcKind::Pie);
        for (std::size_t i = 0; i < logical.points.size(); ++i) {
            const TPointD p = s.m_toDevice.Apply(logical.points[i].x, logical.points[i].y);
            BYTE type = logical.types[i];
            if (kind == TArcKind::ArcTo && i == 0) {
                type = PT_LINETO;
            }
            figure.Add(p, type);
        }
        last = figure.points.back();
    }
    if (kind == TArcKind::Chord || kind == TArcKind::Pie) {
        figure.Close();
    }
    if (PathOpen(*dc)) {
        s.m_path.path.Append(figure);
        s.m_path.newFigure = kind != TArcKind::ArcTo;
    } else {
        OutputFigure(*dc, figure, kind == TArcKind::Chord || kind == TArcKind::Pie);
    }
    if (kind == TArcKind::ArcTo) {
        s.m_currentPos = ArcEndPoint(left, top, right, bottom, xe, ye);
    }
}

} // namespace

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().Rectangle(*dc, left, top, right, bottom)) {
        return FALSE;
    }
    TDcState& s = dc->State();
    RECT box;
    if (!InclusiveBox(*dc, left, top, right, bottom, box)) {
        OutputFigure(*dc, TransformedBox(*dc, left, top, right, bottom), true);
        return TRUE;
    }
    if (box.right < box.left || box.bottom < box.top) {
        return TRUE; // an empty box draws nothing
    }
    if (PathOpen(*dc)) {
        TDevicePath path;
        path.MoveTo({double(box.right), double(box.top)});
        path.LineTo({double(box.left), double(box.top)});
        path.LineTo({double(box.left), double(box.bottom)});
        path.LineTo({double(box.right), double(box.bottom)});
        path.Close();
        s.m_path.path.Append(path);
        s.m_path.newFigure = true;
        return TRUE;
    }
    const TStroke stroke = MakeStroke(*dc);
    const TFill brush = RealizeBrush(*dc, s.m_brush.Get());
    const int rop2 = s.m_rop2;
    if (stroke.IsNone()) {
        FillDeviceRect(*dc, box, brush, rop2);
        return TRUE;
    }
    if (stroke.cosmetic && stroke.dashes.empty()) {
        TPixRegion ring(box.left, box.top, box.right + 1, box.bottom + 1);
        if (box.right - box.left >= 2 && box.bottom - box.top >= 2) {
            const RECT interior{box.left + 1, box.top + 1, box.right, box.bottom};
            FillDeviceRect(*dc, interior, brush, rop2);
            ring.Subtract(TPixRegion(interior));
        }
        FillRegion(*dc, ring, stroke.fill, rop2);
        return TRUE;
    }
    FillDeviceRect(*dc, box, brush, rop2);
    double inset = 0;
    if (stroke.insideFrame) {
        inset = std::min((stroke.width - 1) / 2,
                         std::min(box.right - box.left, box.bottom - box.top) / 2.0);
    }
    TDevicePath outline;
    outline.MoveTo({box.right - inset, box.top + inset});
    outline.LineTo({box.left + inset, box.top + inset});
    outline.LineTo({box.left + inset, box.bottom - inset});
    outline.LineTo({box.right - inset, box.bottom - inset});
    outline.Close();
    StrokeDevicePath(*dc, outline, stroke);
    return TRUE;
}

BOOL RoundRect(HDC hdc, int left, int top, int right, int bottom, int width, int height) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().RoundRect(*dc, left, top, right, bottom, width, height)) {
        return FALSE;
    }
    RECT box;
    if (!InclusiveBox(*dc, left, top, right, bottom, box, true)) {
        const TMatrix& m = dc->State().m_toDevice;
        TDevicePath logical = RoundRectPath(left, top, right, bottom, width, height);
        TDevicePath figure;
        for (std::size_t i = 0; i < logical.points.size(); ++i) {
            figure.Add(m.Apply(logical.points[i].x, logical.points[i].y), logical.types[i]);
        }
        OutputFigure(*dc, figure, true);
        return TRUE;
    }
    if (box.right < box.left || box.bottom < box.top) {
        return TRUE;
    }
    const TMatrix& m = dc->State().m_toDevice;
    const TPointD cx = m.ApplyVector(width, 0), cy = m.ApplyVector(0, height);
    const int cw = RoundCoord(std::hypot(cx.x, cx.y));
    const int ch = RoundCoord(std::hypot(cy.x, cy.y));
    DrawRoundBox(*dc, box, std::min<int>(cw, box.right - box.left + 1),
                 std::min<int>(ch, box.bottom - box.top + 1));
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().Ellipse(*dc, left, top, right, bottom)) {
        return FALSE;
    }
    RECT box;
    if (!InclusiveBox(*dc, left, top, right, bottom, box, true)) {
        const TMatrix& m = dc->State().m_toDevice;
        TDevicePath logical = RoundRectPath(left, top, right, bottom, 1e9, 1e9);
        TDevicePath figure;
        for (std::size_t i = 0; i < logical.points.size(); ++i) {
            figure.Add(m.Apply(logical.points[i].x, logical.points[i].y), logical.types[i]);
        }
        OutputFigure(*dc, figure, true);
        return TRUE;
    }
    if (box.right <= box.left || box.bottom <= box.top) {
        return TRUE; // a box of one pixel or less draws nothing
    }
    DrawRoundBox(*dc, box, box.right - box.left + 1, box.bottom - box.top + 1);
    return TRUE;
}

BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return DrawArc(hdc, TArcKind::Arc, l, t, r, b, xs, ys, xe, ye);
}

BOOL ArcTo(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return DrawArc(hdc, TArcKind::ArcTo, l, t, r, b, xs, ys, xe, ye);
}

BOOL Chord(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return DrawArc(hdc, TArcKind::Chord, l, t, r, b, xs, ys, xe, ye);
}

BOOL Pie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
    return DrawArc(hdc, TArcKind::Pie, l, t, r, b, xs, ys, xe, ye);
}

BOOL AngleArc(HDC hdc, int x, int y, DWORD radius, FLOAT startAngle, FLOAT sweepAngle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || radius > 0x7FFFFFFF || !std::isfinite(startAngle) || !std::isfinite(sweepAngle) ||
        !dc->Driver().AngleArc(*dc, x, y, radius, startAngle, sweepAngle)) {
        return FALSE;
    }
    TDcState& s = dc->State();
    const double r = radius;
    const double fullTurns = std::fabs(sweepAngle) / 360.0;
    if (!PathOpen(*dc) && s.m_toDevice.IsAxisAligned() && sweepAngle != 0 && fullTurns <= 1 &&
        radius <= static_cast<DWORD>(kMaxArcRadius) && std::abs(x) <= kMaxArcRadius &&
        std::abs(y) <= kMaxArcRadius) {
        // Drawn directly, AngleArc is ArcTo on the circle's box from the start point to the
        // end point, counter-clockwise for a positive sweep.
        const double a0 = startAngle * std::numbers::pi / 180.0;
        const double a1 = (startAngle + sweepAngle) * std::numbers::pi / 180.0;
        const POINT from{RoundCoord(x + r * std::cos(a0)), RoundCoord(y - r * std::sin(a0))};
        const POINT to{RoundCoord(x + r * std::cos(a1)), RoundCoord(y - r * std::sin(a1))};
        // Both ends on one pixel would make a whole turn of a short arc.
        if (fullTurns == 1 || from.x != to.x || from.y != to.y) {
            const int direction = s.m_arcDirection;
            s.m_arcDirection = sweepAngle > 0 ? AD_COUNTERCLOCKWISE : AD_CLOCKWISE;
            const int ri = static_cast<int>(radius);
            ArcGeometry(*dc, TArcKind::ArcTo, x - ri, y - ri, x + ri, y + ri, from.x, from.y, to.x,
                        to.y);
            s.m_arcDirection = direction;
            s.m_currentPos = to;
            return TRUE;
        }
    }
    // Angles are counter-clockwise in logical space, y up; the arc is built there and
    // transformed, then joined to the current position by a line.
    const double a0 = startAngle * std::numbers::pi / 180.0;
    double sweep = sweepAngle * std::numbers::pi / 180.0;
    // Turns beyond the first retrace the same circle; only where the arc ends still counts.
    const double turn = 2 * std::numbers::pi;
    if (std::fabs(sweep) > turn) {
        sweep = std::copysign(turn + std::fmod(std::fabs(sweep), turn), sweep);
    }
    TDevicePath figure;
    const POINT cp = s.m_currentPos;
    figure.MoveTo(DevicePoint(*dc, cp.x, cp.y));
    auto at = [&](double u) { return TPointD{x + r * std::cos(u), y - r * std::sin(u)}; };
    const TPointD first = at(a0);
    figure.LineTo(s.m_toDevice.Apply(first.x, first.y));
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (std::numbers::pi / 2))));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double u = a0;
    for (int i = 0; i < pieces && r > 0; ++i) {
        const double v = u + step;
        const TPointD p0 = at(u), p3 = at(v);
        const TPointD d0{-r * std::sin(u), -r * std::cos(u)};
        const TPointD d1{-r * std::sin(v), -r * std::cos(v)};
        const TPointD c1{p0.x + k * d0.x, p0.y + k * d0.y}, c2{p3.x - k * d1.x, p3.y - k * d1.y};
        figure.BezierTo(s.m_toDevice.Apply(c1.x, c1.y), s.m_toDevice.Apply(c2.x, c2.y),
                        s.m_toDevice.Apply(p3.x, p3.y));
        u = v;
    }
    if (PathOpen(*dc)) {
        TPathState& ps = s.m_path;
        if (!ps.newFigure && !ps.path.IsEmpty()) {
            figure.types[0] = PT_LINETO;
        }
        ps.path.Append(figure);
        ps.newFigure = false;
    } else {
        OutputFigure(*dc, figure, false);
    }
    const TPointD end = at(a0 + sweep);
    s.m_currentPos = {RoundCoord(end.x), RoundCoord(end.y)};
    return TRUE;
}
