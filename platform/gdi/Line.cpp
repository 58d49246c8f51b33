// Stroking device paths: the thin-line algorithm for cosmetic pens, Cairo's stroker for
// geometric ones.
//
// Cosmetic lines step one pixel along the major axis and pick the pixel nearest the ideal
// line on the minor axis; the last pixel of each segment is left out, so segments of a
// polyline meet without drawing a pixel twice. Styled cosmetic pens advance their dash
// pattern one unit per pixel, carried from segment to segment within one call.
#include "platform/gdi/Draw_p.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {

const std::vector<double>& CosmeticDashes(int style) {
    static const std::vector<double> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6},
        dashDotDot{9, 3, 3, 3, 3, 3}, alternate{1, 1}, none;
    switch (style) {
    case PS_DASH:
        return dash;
    case PS_DOT:
        return dot;
    case PS_DASHDOT:
        return dashDot;
    case PS_DASHDOTDOT:
        return dashDotDot;
    case PS_ALTERNATE:
        return alternate;
    default:
        return none;
    }
}

// Geometric dash patterns, in pen widths.
std::vector<double> GeometricDashes(int style, double width) {
    std::vector<double> units;
    switch (style) {
    case PS_DASH:
        units = {3, 1};
        break;
    case PS_DOT:
        units = {1, 1};
        break;
    case PS_DASHDOT:
        units = {3, 1, 1, 1};
        break;
    case PS_DASHDOTDOT:
        units = {3, 1, 1, 1, 1, 1};
        break;
    default:
        break;
    }
    for (double& u : units) {
        u *= width;
    }
    return units;
}

// Writes single pixels through the clip and the ROP.
class TPixelWriter {
public:
    explicit TPixelWriter(TDeviceContext& dc) : m_dc(dc), m_surface(dc.Surface()) {
        if (m_surface) {
            const TPixRegion& clip = dc.EffectiveClip();
            m_clip = &clip;
            m_simple = clip.Complexity() != COMPLEXREGION;
            m_box = clip.Box();
        }
    }
    bool Ok() const { return m_surface != nullptr; }
    void Plot(int x, int y, std::uint32_t color, int rop2) {
        if (x < m_box.left || x >= m_box.right || y < m_box.top || y >= m_box.bottom) {
            return;
        }
        if (!m_simple && !m_clip->Contains(x, y)) {
            return;
        }
        std::uint32_t& p = m_surface->Row(y)[x];
        p = ApplyRop2(rop2, color, p);
    }

private:
    TDeviceContext& m_dc;
    TSurface* m_surface;
    const TPixRegion* m_clip = nullptr;
    bool m_simple = true;
    RECT m_box{0, 0, 0, 0};
};

struct TDashState {
    const std::vector<double>* dashes = nullptr;
    std::size_t index = 0;
    double left = 0; // units left in the current dash or gap
    bool On() const { return (index & 1) == 0; }
    void Advance() {
        if (!dashes || dashes->empty()) {
            return;
        }
        left -= 1;
        while (left <= 0) {
            index = (index + 1) % dashes->size();
            left += std::max(1.0, (*dashes)[index]);
        }
    }
};

void ThinSegment(TPixelWriter& writer, POINT a, POINT b, const TStroke& stroke, int rop2,
                 TDashState& dash) {
    const long long dx = b.x - a.x, dy = b.y - a.y;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    const long long steps = std::max(adx, ady);
    std::uint32_t pen = 0;
    for (long long i = 0; i < steps; ++i) {
        int x, y;
        if (adx >= ady) {
            x = static_cast<int>(a.x + (dx > 0 ? i : -i));
            // Nearest pixel on the minor axis; a tie goes towards the start's side.
            const long long num = 2 * i * ady + adx - 1;
            const long long off = num / (2 * adx);
            y = static_cast<int>(a.y + (dy > 0 ? off : -off));
        } else {
            y = static_cast<int>(a.y + (dy > 0 ? i : -i));
            const long long num = 2 * i * adx + ady - 1;
            const long long off = num / (2 * ady);
            x = static_cast<int>(a.x + (dx > 0 ? off : -off));
        }
        const bool on = !dash.dashes || dash.dashes->empty() || dash.On();
        if (on) {
            if (stroke.fill.At(x, y, pen)) {
                writer.Plot(x, y, pen, rop2);
            }
        } else if (stroke.opaqueGaps) {
            writer.Plot(x, y, stroke.gapColor, rop2);
        }
        dash.Advance();
    }
}

void StrokeThin(TDeviceContext& dc, const TDevicePath& flat, const TStroke& stroke) {
    TPixelWriter writer(dc);
    if (!writer.Ok()) {
        return;
    }
    const int rop2 = dc.State().m_rop2;
    TDashState dash;
    if (!stroke.dashes.empty()) {
        dash.dashes = &stroke.dashes;
        dash.left = std::max(1.0, stroke.dashes[0]);
    }
    dc.BeginDraw();
    std::size_t i = 0;
    while (i < flat.points.size()) {
        std::size_t end = i + 1;
        while (end < flat.points.size() && (flat.types[end] & ~PT_CLOSEFIGURE) != PT_MOVETO) {
            ++end;
        }
        const bool closed = (flat.types[end - 1] & PT_CLOSEFIGURE) != 0;
        POINT previous{RoundCoord(flat.points[i].x), RoundCoord(flat.points[i].y)};
        const POINT first = previous;
        for (std::size_t k = i + 1; k < end; ++k) {
            const POINT p{RoundCoord(flat.points[k].x), RoundCoord(flat.points[k].y)};
            ThinSegment(writer, previous, p, stroke, rop2, dash);
            previous = p;
        }
        if (closed && (previous.x != first.x || previous.y != first.y)) {
            ThinSegment(writer, previous, first, stroke, rop2, dash);
        }
        i = end;
    }
    dc.EndDraw();
}

} // namespace

double DeviceWidth(TDeviceContext& dc, double logicalWidth) {
    const TPointD v = dc.State().m_toDevice.ApplyVector(logicalWidth, 0);
    return std::hypot(v.x, v.y);
}

TStroke MakeStroke(TDeviceContext& dc) {
    TStroke stroke;
    const TPen* pen = dc.State().m_pen.Get();
    if (!pen || pen->IsNull()) {
        return stroke;
    }
    stroke.fill = RealizePen(dc, pen);
    stroke.style = pen->m_style;
    stroke.lineStyle = pen->LineStyle();
    const TDcState& s = dc.State();
    if (pen->m_type == OBJ_PEN) {
        const double width = std::round(DeviceWidth(dc, pen->m_width));
        stroke.cosmetic = pen->m_width == 0 || width <= 1;
        stroke.width = stroke.cosmetic ? 1 : width;
        stroke.style = static_cast<DWORD>(stroke.lineStyle) | PS_ENDCAP_ROUND | PS_JOIN_ROUND;
        if (!stroke.cosmetic) {
            stroke.insideFrame = stroke.lineStyle == PS_INSIDEFRAME;
            stroke.lineStyle = PS_SOLID; // wide old-style pens draw solid
        }
    } else {
        stroke.cosmetic = (pen->m_style & PS_TYPE_MASK) == PS_COSMETIC;
        stroke.width = stroke.cosmetic ? 1 : std::max(1.0, DeviceWidth(dc, pen->m_width));
        stroke.insideFrame = !stroke.cosmetic && stroke.lineStyle == PS_INSIDEFRAME;
    }
    if (stroke.cosmetic) {
        if (stroke.lineStyle == PS_USERSTYLE) {
            stroke.dashes.assign(pen->m_styleEntries.begin(), pen->m_styleEntries.end());
        } else {
            stroke.dashes = CosmeticDashes(stroke.lineStyle);
        }
        stroke.opaqueGaps =
            !stroke.dashes.empty() && s.m_bkMode == OPAQUE && stroke.lineStyle != PS_ALTERNATE;
        stroke.gapColor = ResolveColor(dc, s.m_bkColor);
    } else if (stroke.lineStyle == PS_USERSTYLE) {
        for (DWORD entry : pen->m_styleEntries) {
            stroke.dashes.push_back(DeviceWidth(dc, entry));
        }
    } else {
        stroke.dashes = GeometricDashes(stroke.lineStyle, stroke.width);
    }
    return stroke;
}

void StrokeDevicePath(TDeviceContext& dc, const TDevicePath& path, const TStroke& stroke) {
    if (stroke.IsNone() || path.IsEmpty() || !dc.Surface()) {
        return;
    }
    TDevicePath flat = path;
    flat.Flatten();
    if (stroke.cosmetic) {
        StrokeThin(dc, flat, stroke);
        return;
    }
    const RECT limit = dc.EffectiveClip().Box();
    TMask mask;
    const bool round = (stroke.style & PS_ENDCAP_MASK) == PS_ENDCAP_ROUND &&
                       (stroke.style & PS_JOIN_MASK) == PS_JOIN_ROUND;
    const double whole = std::round(stroke.width);
    // The nib is stamped pixel by pixel; beyond a few thousand pixels its exact outline no
    // longer shows and its cost would grow with the square of the width.
    constexpr double kMaxNibWidth = 2048;
    if (round && stroke.dashes.empty() && std::fabs(stroke.width - whole) < 0.01 &&
        whole <= kMaxNibWidth) {
        if (RasterizeNibStroke(flat, static_cast<int>(whole), limit, mask)) {
            FillMask(dc, mask, stroke.fill, dc.State().m_rop2);
        }
        return;
    }
    if (RasterizeStroke(flat, stroke.width, stroke.style, dc.State().m_miterLimit, stroke.dashes,
                        limit, mask)) {
        FillMask(dc, mask, stroke.fill, dc.State().m_rop2);
    }
}

void FillDevicePath(TDeviceContext& dc, const TDevicePath& path, int fillMode, const TFill& fill) {
    if (fill.IsNone() || path.IsEmpty() || !dc.Surface()) {
        return;
    }
    TMask mask;
    if (RasterizeFill(path, fillMode, dc.EffectiveClip().Box(), mask)) {
        FillMask(dc, mask, fill, dc.State().m_rop2);
    }
}

} // namespace gdi
