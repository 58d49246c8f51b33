// Geometry of curved shapes: round rectangles, ellipses and elliptic arcs in device space.
#include "platform/gdi/Shape_p.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace gdi {
namespace {

// Control-point distance of a quarter-ellipse Bézier, as a fraction of the radius.
constexpr double kKappa = 0.5522847498307936;

} // namespace

void RoundRectSpans(int left, int top, int right, int bottom, int width, int height,
                    const TSpanFn& span, const RECT* limit) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (right - left < 1 || bottom - top < 1) {
        return;
    }
    // Work on the inclusive box: the corner ellipses' outermost pixels are its edges.
    const double l = left, t = top, r = right - 1, b = bottom - 1;
    const double ew = std::clamp<double>(std::abs(width), 0, right - left);
    const double eh = std::clamp<double>(std::abs(height), 0, bottom - top);
    const double ra = std::max(0.0, (ew - 1) / 2), rb = std::max(0.0, (eh - 1) / 2);
    const double cxl = l + ra, cxr = r - ra, cyt = t + rb, cyb = b - rb;
    const int firstRow = limit ? std::max<int>(top, limit->top) : top;
    const int endRow = limit ? std::min<int>(bottom, limit->bottom) : bottom;
    const int minX = limit ? std::max<int>(left, limit->left) : left;
    const int maxX = limit ? std::min<int>(right, limit->right) : right;
    for (int y = firstRow; y < endRow; ++y) {
        double dy = 0;
        if (y < cyt) {
            dy = cyt - y;
        } else if (y > cyb) {
            dy = y - cyb;
        }
        double half = ra;
        if (rb > 0 && dy > 0) {
            // Rows are measured a little inside their centre line, which picks the pixels
            // GDI's ellipse takes near the flat top and bottom.
            const double q = std::max(0.0, dy - 0.3) / rb;
            half = ra * std::sqrt(std::max(0.0, 1 - q * q));
        }
        const int x0 = static_cast<int>(std::ceil(cxl - half - 0.5));
        const int x1 = static_cast<int>(std::floor(cxr + half + 0.5)) + 1;
        if (x0 < x1) {
            const int a = std::max(x0, minX), b = std::min(x1, maxX);
            if (a < b) {
                span(y, a, b);
            }
        }
    }
}

TDevicePath RoundRectPath(double l, double t, double r, double b, double width, double height) {
    if (l > r) {
        std::swap(l, r);
    }
    if (t > b) {
        std::swap(t, b);
    }
    const double rx = std::min(std::fabs(width) / 2, (r - l) / 2);
    const double ry = std::min(std::fabs(height) / 2, (b - t) / 2);
    const double kx = rx * kKappa, ky = ry * kKappa;
    TDevicePath path;
    path.MoveTo({r - rx, t});
    if (r - rx > l + rx) {
        path.LineTo({l + rx, t});
    }
    path.BezierTo({l + rx - kx, t}, {l, t + ry - ky}, {l, t + ry});
    if (b - ry > t + ry) {
        path.LineTo({l, b - ry});
    }
    path.BezierTo({l, b - ry + ky}, {l + rx - kx, b}, {l + rx, b});
    if (r - rx > l + rx) {
        path.LineTo({r - rx, b});
    }
    path.BezierTo({r - rx + kx, b}, {r, b - ry + ky}, {r, b - ry});
    if (b - ry > t + ry) {
        path.LineTo({r, t + ry});
    }
    path.BezierTo({r, t + ry - ky}, {r - rx + kx, t}, {r - rx, t});
    path.Close();
    return path;
}

TPointD AppendArc(TDevicePath& path, double l, double t, double r, double b, TPointD start,
                  TPointD end, bool clockwise, bool connect) {
    const double cx = (l + r) / 2, cy = (t + b) / 2;
    const double a = std::fabs(r - l) / 2, bb = std::fabs(b - t) / 2;
    auto angleOf = [&](TPointD p) {
        const double dx = p.x - cx, dy = p.y - cy;
        if (dx == 0 && dy == 0) {
            return 0.0;
        }
        return std::atan2(-dy * a, dx * bb);
    };
    auto at = [&](double u) { return TPointD{cx + a * std::cos(u), cy - bb * std::sin(u)}; };
    const double t0 = angleOf(start);
    double t1 = angleOf(end);
    constexpr double kTwoPi = 2 * std::numbers::pi;
    double sweep;
    if (!clockwise) {
        sweep = t1 - t0;
        if (sweep <= 1e-12) {
            sweep += kTwoPi;
        }
    } else {
        sweep = t1 - t0;
        if (sweep >= -1e-12) {
            sweep -= kTwoPi;
        }
    }
    const TPointD first = at(t0);
    if (connect && !path.IsEmpty()) {
        path.LineTo(first);
    } else {
        path.MoveTo(first);
    }
    const int pieces =
        std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (kTwoPi / 4) - 1e-9)));
    const double step = sweep / pieces;
    const double k = 4.0 / 3.0 * std::tan(step / 4);
    double u = t0;
    for (int i = 0; i < pieces; ++i) {
        const double v = u + step;
        const TPointD p0 = at(u), p3 = at(v);
        const TPointD d0{-a * std::sin(u), -bb * std::cos(u)};
        const TPointD d1{-a * std::sin(v), -bb * std::cos(v)};
        path.BezierTo({p0.x + k * d0.x, p0.y + k * d0.y}, {p3.x - k * d1.x, p3.y - k * d1.y}, p3);
        u = v;
    }
    return at(t0 + sweep);
}

} // namespace gdi
