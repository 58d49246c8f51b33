// Stroking device paths: the thin-line algorithm for one-pixel pens, the wide-line outline
// (WideLine.cpp) for wider ones.
//
// Thin lines step one pixel along the major axis and pick the pixel nearest the ideal line on
// the minor axis; a tie goes towards the start, except on lines running up or to the left
// (octants 3, 5, 6 and 8, counted clockwise from the positive x axis), where it goes towards
// the end. The last pixel of each segment is left out, so segments of a polyline meet without
// drawing a pixel twice. Styled thin pens advance their dash pattern one unit per pixel,
// carried from segment to segment and restarted with every figure.
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

// Geometric dash patterns, in pen widths. Round and square caps reach half a width beyond
// each end of a dash, so dashes lose a width and gaps gain one.
std::vector<double> GeometricDashes(int style, double width, DWORD endCap) {
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
    for (std::size_t i = 0; i < units.size(); ++i) {
        units[i] *= width;
        if (width > 1 && endCap != PS_ENDCAP_FLAT) {
            units[i] += (i % 2 == 0) ? -width : width;
        }
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
    // No pixel outside this box is ever written.
    const RECT& Box() const { return m_box; }
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

// The position in a dash pattern. An odd-length pattern swaps dashes and gaps on every
// other pass, so the state keeps its own on/off flag; empty entries are passed over.
struct TDashState {
    const std::vector<double>* dashes = nullptr;
    std::size_t index = 0;
    double left = 0; // units left in the current dash or gap
    bool on = true;
    bool On() const { return on; }
    void Restart() {
        if (dashes && !dashes->empty()) {
            index = 0;
            left = (*dashes)[0];
            on = true;
            SkipEmpty();
        }
    }
    void Advance() {
        if (!dashes || dashes->empty()) {
            return;
        }
        left -= 1;
        SkipEmpty();
    }
    // Advance by `steps` pixels at once: whole passes of an integral pattern change nothing.
    void Advance(long long steps) {
        if (!dashes || dashes->empty() || steps <= 0) {
            return;
        }
        double pass = 0;
        for (double length : *dashes) {
            pass += length;
        }
        if (dashes->size() % 2 != 0) {
            pass *= 2; // dashes and gaps swap on every other pass
        }
        if (pass >= 1 && pass == std::floor(pass) && pass < 1e9) {
            steps %= static_cast<long long>(pass);
        }
        for (long long i = 0; i < steps; ++i) {
            Advance();
        }
    }

private:
    void SkipEmpty() {
        for (std::size_t guard = 0; left <= 0 && guard < 2 * dashes->size(); ++guard) {
            index = (index + 1) % dashes->size();
            left += (*dashes)[index];
            on = !on;
        }
        if (left <= 0) {
            left = 1; // a pattern of empty entries only
        }
    }
};

// True for the octants whose ties on the minor axis go towards the segment's end: y-major
// running down and left, x-major running up or left, y-major running up and left.
bool TieTowardsEnd(long long dx, long long dy) {
    if (dy > 0) {
        return dx <= 0 && -dx <= dy; // octant 3
    }
    if (dx < 0) {
        return true; // octants 5 and 6
    }
    return dx > -dy; // octant 8 (dx > 0 here, or the segment is empty)
}

void ThinSegment(TPixelWriter& writer, POINT a, POINT b, const TStroke& stroke, int rop2,
                 TDashState& dash) {
    const long long dx = b.x - a.x, dy = b.y - a.y;
    const long long adx = std::llabs(dx), ady = std::llabs(dy);
    const long long steps = std::max(adx, ady);
    // x is the major axis when it runs strictly further; a diagonal counts as y-major.
    const bool xMajor = adx > ady;
    const long long bias = TieTowardsEnd(dx, dy) ? 1 : 0;
    // Only the steps whose major coordinate lies in the clip box can write a pixel; a segment
    // thousands of times larger than the page is walked over its visible part alone.
    const RECT& box = writer.Box();
    const long long from = xMajor ? a.x : a.y;
    const long long low = xMajor ? box.left : box.top, high = xMajor ? box.right : box.bottom;
    const bool forward = xMajor ? dx > 0 : dy > 0;
    const long long first = std::clamp(forward ? low - from : from - high + 1, 0LL, steps);
    const long long last = std::clamp(forward ? high - from : from - low + 1, first, steps);
    dash.Advance(first);
    std::uint32_t pen = 0;
    for (long long i = first; i < last; ++i) {
        int x, y;
        if (xMajor) {
            x = static_cast<int>(a.x + (dx > 0 ? i : -i));
            const long long off = (2 * i * ady + adx - 1 + bias) / (2 * adx);
            y = static_cast<int>(a.y + (dy > 0 ? off : -off));
        } else {
            y = static_cast<int>(a.y + (dy > 0 ? i : -i));
            const long long off = (2 * i * adx + ady - 1 + bias) / (2 * ady);
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
    dash.Advance(steps - last);
}

void StrokeThin(TDeviceContext& dc, const TDevicePath& flat, const TStroke& stroke, bool closeAll) {
    TPixelWriter writer(dc);
    if (!writer.Ok()) {
        return;
    }
    const int rop2 = dc.State().m_rop2;
    TDashState dash;
    if (!stroke.dashes.empty()) {
        dash.dashes = &stroke.dashes;
    }
    dc.BeginDraw();
    std::size_t i = 0;
    while (i < flat.points.size()) {
        std::size_t end = i + 1;
        while (end < flat.points.size() && (flat.types[end] & ~PT_CLOSEFIGURE) != PT_MOVETO) {
            ++end;
        }
        const bool closed = closeAll || (flat.types[end - 1] & PT_CLOSEFIGURE) != 0;
        POINT previous{RoundCoord(flat.points[i].x), RoundCoord(flat.points[i].y)};
        const POINT first = previous;
        dash.Restart();
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

// A pen's width in whole device pixels: the distance between the device points of (0, 0) and
// (width, 0), each rounded, then rounded down; never less than one.
int PenDeviceWidth(TDeviceContext& dc, DWORD width) {
    if (width == 0) {
        return 1;
    }
    const TPointD a = dc.ToDevice(0, 0), b = dc.ToDevice(width, 0);
    const double length = std::hypot(static_cast<double>(RoundCoord(b.x)) - RoundCoord(a.x),
                                     static_cast<double>(RoundCoord(b.y)) - RoundCoord(a.y));
    return static_cast<int>(std::clamp(std::floor(length), 1.0, 1e6));
}

} // namespace

TStroke MakeStroke(TDeviceContext& dc) {
    TStroke stroke;
    const TPen* pen = dc.State().m_pen.Get();
    if (!pen || pen->IsNull()) {
        return stroke;
    }
    const TDcState& s = dc.State();
    stroke.fill = RealizePen(dc, pen);
    stroke.lineStyle = pen->LineStyle();
    stroke.miterLimit = s.m_miterLimit;
    const bool extended = pen->m_type == OBJ_EXTPEN;
    const bool geometric = extended && (pen->m_style & PS_TYPE_MASK) == PS_GEOMETRIC;
    // An old-style pen has round caps and joins; an extended cosmetic pen is one pixel wide.
    stroke.style = extended ? pen->m_style : static_cast<DWORD>(stroke.lineStyle);
    const int width = extended && !geometric ? 1 : PenDeviceWidth(dc, pen->m_width);
    stroke.width = width;
    stroke.cosmetic = width == 1;
    stroke.insideFrame = width > 1 && stroke.lineStyle == PS_INSIDEFRAME;
    switch (stroke.lineStyle) {
    case PS_DASH:
    case PS_DOT:
    case PS_DASHDOT:
    case PS_DASHDOTDOT:
        if (geometric) {
            stroke.dashes = GeometricDashes(stroke.lineStyle, width, pen->m_style & PS_ENDCAP_MASK);
        } else if (width == 1) {
            stroke.dashes = CosmeticDashes(stroke.lineStyle);
        } else {
            stroke.lineStyle = PS_SOLID; // wide old-style pens draw solid
        }
        break;
    case PS_ALTERNATE:
        stroke.dashes = {1, 1};
        break;
    case PS_USERSTYLE:
        // Cosmetic style entries count in steps of three pixels; geometric ones are taken as
        // device pixels.
        for (DWORD entry : pen->m_styleEntries) {
            stroke.dashes.push_back(geometric ? entry : 3.0 * entry);
        }
        break;
    default:
        break;
    }
    // Gaps take the background colour only for old-style pens in OPAQUE mode, and only where
    // the pen draws thin lines.
    stroke.opaqueGaps =
        !extended && stroke.cosmetic && !stroke.dashes.empty() && s.m_bkMode == OPAQUE;
    stroke.gapColor = ResolveColor(dc, s.m_bkColor);
    return stroke;
}

void StrokeDevicePath(TDeviceContext& dc, const TDevicePath& path, const TStroke& stroke,
                      bool closeAll) {
    if (stroke.IsNone() || path.IsEmpty() || !dc.Surface()) {
        return;
    }
    TDevicePath flat = path;
    flat.Flatten();
    if (stroke.cosmetic) {
        StrokeThin(dc, flat, stroke, closeAll);
        return;
    }
    TMask mask;
    if (RasterizeWideLines(WideFigures(flat, closeAll), WidePen(stroke), dc.EffectiveClip().Box(),
                           mask)) {
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
