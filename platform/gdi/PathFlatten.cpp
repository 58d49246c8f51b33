// Flattening Bézier curves into line segments.
#include "platform/gdi/Path_p.h"

#include <cmath>

namespace gdi {
namespace {

// Curves are split until their control points lie within this distance (device pixels) of
// the chord: well under the half pixel at which an aliased edge would move.
constexpr double kFlatness = 0.1;
constexpr int kMaxDepth = 16;

void FlattenCurve(TPointD p0, TPointD p1, TPointD p2, TPointD p3, int depth,
                  std::vector<TPointD>& out) {
    const double dx = p3.x - p0.x, dy = p3.y - p0.y;
    const double length = std::hypot(dx, dy);
    double d1, d2;
    if (length < 1e-9) {
        d1 = std::hypot(p1.x - p0.x, p1.y - p0.y);
        d2 = std::hypot(p2.x - p0.x, p2.y - p0.y);
    } else {
        d1 = std::fabs((p1.x - p0.x) * dy - (p1.y - p0.y) * dx) / length;
        d2 = std::fabs((p2.x - p0.x) * dy - (p2.y - p0.y) * dx) / length;
    }
    if (depth >= kMaxDepth || !std::isfinite(d1 + d2) || (d1 <= kFlatness && d2 <= kFlatness)) {
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
