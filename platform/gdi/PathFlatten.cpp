// Flattening Bézier curves into line segments.
#include "platform/gdi/Path_p.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {

// A curve piece is drawn as its chord once both control points lie between its ends along
// the chord's major axis and within a pixel of the chord across it; pieces are halved at most
// eight times. The tolerance is coarse on purpose: GDI's curves cut their bends by up to a
// pixel, and drawing them finer moves their aliased edges off GDI's.
constexpr double kTolerance = 1.0;
constexpr int kMaxDepth = 8;

bool Between(double v, double a, double b) {
    return v >= std::min(a, b) && v <= std::max(a, b);
}

bool FlatEnough(TPointD p0, TPointD p1, TPointD p2, TPointD p3) {
    const double dx = p3.x - p0.x, dy = p3.y - p0.y;
    if (std::fabs(dy) <= std::fabs(dx)) {
        if (!Between(p1.x, p0.x, p3.x) || !Between(p2.x, p0.x, p3.x)) {
            return false;
        }
        if (std::fabs(dx) < 0.5) {
            return true;
        }
        const double slope = dy / dx;
        return std::fabs(p1.y - p0.y - slope * (p1.x - p0.x)) <= kTolerance &&
               std::fabs(p2.y - p0.y - slope * (p2.x - p0.x)) <= kTolerance;
    }
    if (!Between(p1.y, p0.y, p3.y) || !Between(p2.y, p0.y, p3.y)) {
        return false;
    }
    if (std::fabs(dy) < 0.5) {
        return true;
    }
    const double slope = dx / dy;
    return std::fabs(p1.x - p0.x - slope * (p1.y - p0.y)) <= kTolerance &&
           std::fabs(p2.x - p0.x - slope * (p2.y - p0.y)) <= kTolerance;
}

void FlattenCurve(TPointD p0, TPointD p1, TPointD p2, TPointD p3, int depth,
                  std::vector<TPointD>& out) {
    const bool finite = std::isfinite(p0.x + p0.y + p1.x + p1.y + p2.x + p2.y + p3.x + p3.y);
    if (depth >= kMaxDepth || !finite || FlatEnough(p0, p1, p2, p3)) {
        out.push_back(p3);
        return;
    }
    const TPointD a{(p0.x + p1.x) / 2, (p0.y + p1.y) / 2};
    const TPointD b{(p1.x + p2.x) / 2, (p1.y + p2.y) / 2};
    const TPointD c{(p2.x + p3.x) / 2, (p2.y + p3.y) / 2};
    const TPointD ab{(a.x + b.x) / 2, (a.y + b.y) / 2};
    const TPointD bc{(b.x + c.x) / 2, (b.y + c.y) / 2};
    const TPointD mid{(ab.x + bc.x) / 2, (ab.y + bc.y) / 2};
    FlattenCurve(p0, a, ab, mid, depth + 1, out);
    FlattenCurve(mid, bc, c, p3, depth + 1, out);
}

} // namespace

void TDevicePath::Flatten() {
    TDevicePath flat;
    std::vector<TPointD> segment;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const BYTE type = types[i] & ~PT_CLOSEFIGURE;
        if (type == PT_BEZIERTO && i + 2 < points.size() && !flat.points.empty()) {
            segment.clear();
            FlattenCurve(flat.points.back(), points[i], points[i + 1], points[i + 2], 0, segment);
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
