// Flattening Bézier curves into line segments.
#include "platform/gdi/Path_p.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {

// Curves are halved in fixed point, sixteen units to the pixel, with every midpoint rounded
// as it is taken; each piece ends on its end point rounded to the pixel. A piece is drawn as
// its chord once both control points lie between its ends along the chord's major axis and
// within a pixel of the chord across it, the chord's slope taken in whole sixteenths per
// pixel. Pieces are halved at most eight times. This is GDI's flattening: its curves cut
// their bends by up to a pixel, and drawing them finer moves their aliased edges off GDI's.
constexpr int kShift = 4;
constexpr long long kOne = 1 << kShift;
constexpr int kMaxDepth = 8;

struct TFixed {
    long long x, y;
};

long long ToFixed(double v) {
    const double scaled = v * kOne;
    if (!(scaled > -1e15)) {
        return scaled != scaled ? 0 : -1000000000000000LL;
    }
    return scaled > 1e15 ? 1000000000000000LL : std::llround(scaled);
}

// Fixed point to whole pixels, halves rounded up.
long long ToPixel(long long v) {
    return (v + kOne / 2) >> kShift;
}

// The midpoint, rounded as integer division rounds: towards zero.
TFixed Mid(TFixed a, TFixed b) {
    return {(a.x + b.x + 1) / 2, (a.y + b.y + 1) / 2};
}

bool Between(long long v, long long a, long long b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

// `along` and `across` pick the chord's major and minor axis.
bool FlatAlong(const TFixed (&p)[4], long long TFixed::*along, long long TFixed::*across) {
    if (!Between(p[1].*along, p[0].*along, p[3].*along) ||
        !Between(p[2].*along, p[0].*along, p[3].*along)) {
        return false;
    }
    const long long run = ToPixel(p[3].*along - p[0].*along);
    if (run == 0) {
        return true;
    }
    const long long slope = (p[3].*across - p[0].*across) / run;
    for (int i = 1; i <= 2; ++i) {
        const long long off =
            p[i].*across - p[0].*across - slope * ToPixel(p[i].*along - p[0].*along);
        if (off > kOne || off < -kOne) {
            return false;
        }
    }
    return true;
}

bool FlatEnough(const TFixed (&p)[4]) {
    const long long dx = p[3].x - p[0].x, dy = p[3].y - p[0].y;
    return (dy < 0 ? -dy : dy) <= (dx < 0 ? -dx : dx) ? FlatAlong(p, &TFixed::x, &TFixed::y)
                                                      : FlatAlong(p, &TFixed::y, &TFixed::x);
}

void FlattenCurve(const TFixed (&p)[4], int depth, std::vector<TPointD>& out) {
    if (depth >= kMaxDepth || FlatEnough(p)) {
        out.push_back({double(ToPixel(p[3].x)), double(ToPixel(p[3].y))});
        return;
    }
    const TFixed c = Mid(p[2], p[3]);
    const TFixed b = Mid(p[1], p[2]);
    const TFixed bc = Mid(b, c);
    const TFixed a = Mid(p[0], p[1]);
    const TFixed ab = Mid(a, b);
    const TFixed mid = Mid(ab, bc);
    const TFixed first[4] = {p[0], a, ab, mid};
    const TFixed second[4] = {mid, bc, c, p[3]};
    FlattenCurve(first, depth + 1, out);
    FlattenCurve(second, depth + 1, out);
}

// A path keeps its points in whole device pixels, so a curve starts from its points rounded
// there: the Bezier arcs an ellipse or an arc adds to a path are computed exactly, then
// rounded like any other point before they are halved.
TFixed OnPixel(TPointD p) {
    return {ToFixed(std::floor(p.x + 0.5)), ToFixed(std::floor(p.y + 0.5))};
}

void FlattenCurve(TPointD p0, TPointD p1, TPointD p2, TPointD p3, std::vector<TPointD>& out) {
    const TFixed p[4] = {OnPixel(p0), OnPixel(p1), OnPixel(p2), OnPixel(p3)};
    FlattenCurve(p, 0, out);
}

} // namespace

void TDevicePath::Flatten() {
    TDevicePath flat;
    std::vector<TPointD> segment;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const BYTE type = types[i] & ~PT_CLOSEFIGURE;
        if (type == PT_BEZIERTO && i + 2 < points.size() && !flat.points.empty()) {
            segment.clear();
            FlattenCurve(flat.points.back(), points[i], points[i + 1], points[i + 2], segment);
            for (const TPointD& p : segment) {
                flat.LineTo(p);
            }
            i += 2;
        } else if (type == PT_BEZIERTO) {
            flat.LineTo(points[i]);
        } else {
            flat.Add(points[i], type == PT_MOVETO ? PT_MOVETO : PT_LINETO);
        }
        if (types[i] & PT_CLOSEFIGURE) {
            flat.Close();
        }
    }
    *this = std::move(flat);
}

} // namespace gdi
