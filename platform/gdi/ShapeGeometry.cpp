// Geometry of curved shapes: round rectangles, ellipses and elliptic arcs in device space.
#include "platform/gdi/Shape_p.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace gdi {
namespace {

// Control-point distance of a quarter-ellipse Bézier, as a fraction of the radius.
constexpr double kKappa = 0.5522847498307936;

} // namespace

namespace {

// The quarter of an ellipse GDI draws, found with Zingl's integer ellipse walk on a box of
// `w` x `h` pixels. Rows run from the middle row (h / 2) down to the last (h - 1); for each,
// `outer` is the inset from the box's side of the outermost curve pixel and `inner` that of
// the innermost (the curve takes the pixels outer .. inner on that row, and their mirror
// images on the other side). The walk starts on the right edge of the middle row and steps
// left, down or diagonally, choosing by the sign of the implicit ellipse's error term.
struct TQuarter {
    std::vector<int> outer, inner; // indexed by row - h / 2
};

TQuarter EllipseQuarter(int w, int h) {
    TQuarter q;
    const int rows = h - h / 2;
    q.outer.assign(rows, -1);
    q.inner.assign(rows, 0);
    const __int128 a = w - 1, b = h - 1, odd = b % 2;
    const __int128 stepX = 8 * b * b, stepY = 8 * a * a;
    __int128 dx = 4 * b * b * (1 - a);
    __int128 dy = 4 * a * a * (1 + odd);
    __int128 err = dx + dy + a * a * odd;
    int x = w - 1, row = 0;
    // Each step moves left, down or both; the count bounds the walk should rounding stall it.
    for (long long steps = 0; x >= w / 2 && row < rows && steps <= 2LL * (w + h); ++steps) {
        const int inset = w - 1 - x;
        if (q.outer[row] < 0) {
            q.outer[row] = inset;
        }
        q.inner[row] = inset;
        const __int128 e2 = 2 * err;
        if (e2 >= dx) {
            --x;
            dx += stepX;
            err += dx;
        }
        if (e2 <= dy) {
            ++row;
            dy += stepY;
            err += dy;
        }
    }
    // A walk that leaves the middle column before the last row (a very flat box) ends in
    // a vertical run at the tips.
    for (int r = 0; r < rows; ++r) {
        if (q.outer[r] < 0) {
            q.outer[r] = q.inner[r] = r > 0 ? q.inner[r - 1] : (w - 1) / 2;
        }
    }
    return q;
}

// Boxes larger than this use the closed-form rows: the integer walk's cost grows with the
// size and its exact pixels no longer show.
constexpr int kMaxWalk = 1 << 17;

// The rows of a large round shape from the ellipse equation (outline pixels not separated).
void LargeRoundRows(int left, int top, int right, int bottom, int ew, int eh,
                    const TRoundRowFn& emit, int firstRow, int endRow, int minX, int maxX) {
    const double l = left, t = top, r = right - 1, b = bottom - 1;
    const double ra = std::max(0.0, (ew - 1) / 2.0), rb = std::max(0.0, (eh - 1) / 2.0);
    const double cxl = l + ra, cxr = r - ra, cyt = t + rb, cyb = b - rb;
    for (int y = firstRow; y < endRow; ++y) {
        double dy = 0;
        if (y < cyt) {
            dy = cyt - y;
        } else if (y > cyb) {
            dy = y - cyb;
        }
        double half = ra;
        if (rb > 0 && dy > 0) {
            const double q = dy / rb;
            half = ra * std::sqrt(std::max(0.0, 1 - q * q));
        }
        const int x0 = static_cast<int>(std::ceil(cxl - half - 0.5));
        const int x1 = static_cast<int>(std::floor(cxr + half + 0.5)) + 1;
        TRoundRow row{y, std::max(x0, minX), std::min(x1, maxX), x0 + 1, x1 - 1};
        if (y == top || y == bottom - 1) {
            row.innerLeft = row.innerRight = x1;
        }
        if (row.x0 < row.x1) {
            emit(row);
        }
    }
}

} // namespace

void RoundRectRows(int left, int top, int right, int bottom, int width, int height,
                   const TRoundRowFn& emit, const RECT* limit) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    if (right - left < 1 || bottom - top < 1) {
        return;
    }
    const int w = right - left, h = bottom - top;
    const int ew = std::clamp(std::abs(width), 0, w);
    const int eh = std::clamp(std::abs(height), 0, h);
    const int firstRow = limit ? std::max<int>(top, limit->top) : top;
    const int endRow = limit ? std::min<int>(bottom, limit->bottom) : bottom;
    const int minX = limit ? std::max<int>(left, limit->left) : left;
    const int maxX = limit ? std::min<int>(right, limit->right) : right;
    if (ew > kMaxWalk || eh > kMaxWalk) {
        LargeRoundRows(left, top, right, bottom, ew, eh, emit, firstRow, endRow, minX, maxX);
        return;
    }
    // Corners of two pixels or less are square.
    const bool round = ew > 2 && eh > 2;
    const TQuarter q = round ? EllipseQuarter(ew, eh) : TQuarter{};
    // Rows of the corner ellipse's upper half sit at the top of the box, its lower half
    // (from its middle row on) at the bottom; rows in between are straight sides.
    const int upperRows = round ? eh - eh / 2 : 0;
    for (int y = firstRow; y < endRow; ++y) {
        int outer = 0, inner = 0;
        if (round && y - top < upperRows) {
            const int k = (eh - 1 - (y - top)) - eh / 2;
            outer = q.outer[k];
            inner = q.inner[k];
        } else if (round && bottom - 1 - y < upperRows) {
            const int k = (eh - (bottom - y)) - eh / 2;
            outer = q.outer[k];
            inner = q.inner[k];
        }
        TRoundRow row{y, left + outer, right - outer, left + inner + 1, right - inner - 1};
        if (y == top || y == bottom - 1) {
            row.innerLeft = row.innerRight = row.x1; // the top and bottom edges are all outline
        }
        row.x0 = std::max(row.x0, minX);
        row.x1 = std::min(row.x1, maxX);
        if (row.x0 < row.x1) {
            emit(row);
        }
    }
}

TDevicePath RoundRectPixelPath(int left, int top, int right, int bottom, int width, int height) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    const int w = right - left, h = bottom - top;
    if (w < 1 || h < 1) {
        return {};
    }
    int ew = std::clamp(std::abs(width), 0, w);
    int eh = std::clamp(std::abs(height), 0, h);
    if (ew > kMaxWalk || eh > kMaxWalk) {
        return RoundRectPath(left, top, right - 1, bottom - 1, ew, eh);
    }
    if (ew <= 2 || eh <= 2) {
        ew = eh = 0;
    }
    // The lower right corner in walk order (from the right side down to the bottom), as
    // offsets from the box's right and bottom pixels; the other corners are its mirrors.
    std::vector<POINT> corner;
    if (ew > 0) {
        const TQuarter q = EllipseQuarter(ew, eh);
        const int rows = static_cast<int>(q.outer.size());
        for (int k = 0; k < rows; ++k) {
            const int dy = rows - 1 - k;
            for (int inset = q.outer[k]; inset <= q.inner[k]; ++inset) {
                corner.push_back({inset, dy});
            }
        }
    } else {
        corner.push_back({0, 0});
    }
    TDevicePath path;
    const int r = right - 1, b = bottom - 1;
    auto add = [&](int x, int y) {
        const TPointD p{double(x), double(y)};
        if (path.IsEmpty()) {
            path.MoveTo(p);
        } else if (path.points.back().x != p.x || path.points.back().y != p.y) {
            path.LineTo(p);
        }
    };
    const int n = static_cast<int>(corner.size());
    for (int i = 0; i < n; ++i) {
        add(r - corner[i].x, b - corner[i].y);
    }
    for (int i = n - 1; i >= 0; --i) {
        add(left + corner[i].x, b - corner[i].y);
    }
    for (int i = 0; i < n; ++i) {
        add(left + corner[i].x, top + corner[i].y);
    }
    for (int i = n - 1; i >= 0; --i) {
        add(r - corner[i].x, top + corner[i].y);
    }
    path.Close();
    return path;
}

std::vector<POINT> ArcPixelPoints(const RECT& box, POINT start, POINT end, bool clockwise) {
    const int w = box.right - box.left, h = box.bottom - box.top;
    if (w < 1 || h < 1 || w > kMaxWalk || h > kMaxWalk) {
        return {};
    }
    // The lower right quarter in walk order, relative to the centre pixel (w / 2, h / 2).
    std::vector<POINT> quarter;
    const TQuarter q = EllipseQuarter(w, h);
    for (int k = 0; k < static_cast<int>(q.outer.size()); ++k) {
        for (int inset = q.outer[k]; inset <= q.inner[k]; ++inset) {
            quarter.push_back({w - 1 - inset - w / 2, k});
        }
    }
    const int n = static_cast<int>(quarter.size());
    if (n == 0) {
        return {};
    }
    // The loop runs clockwise in the walk's frame, a quarter at a time from the right end of
    // the middle row; counter-clockwise arcs walk the same loop with y flipped. Radials are
    // taken from the centre pixel in that frame.
    const int cx = box.left + w / 2, cy = box.top + h / 2;
    const long long flip = clockwise ? 1 : -1;
    // The first position of the loop at or past a radial. A pixel exactly on the radial
    // counts as past it in the lower half of the frame, not in the upper half.
    auto position = [&](POINT radial) {
        const long long rx = radial.x - cx, ry = flip * (radial.y - cy);
        int i = 0;
        auto px = [&] { return static_cast<long long>(quarter[i].x); };
        auto py = [&] { return static_cast<long long>(quarter[i].y); };
        if (ry >= 0 && rx >= 0) {
            while (i < n && px() * ry > py() * rx) {
                ++i;
            }
            return i;
        }
        if (ry >= 0) {
            while (i < n && px() * ry >= -py() * rx) {
                ++i;
            }
            return 2 * n - i;
        }
        if (rx < 0) {
            while (i < n && -px() * ry >= -py() * rx) {
                ++i;
            }
            return 2 * n + i;
        }
        while (i < n && -px() * ry > py() * rx) {
            ++i;
        }
        return 4 * n - i;
    };
    const int first = position(start);
    int last = position(end);
    if (last <= first) {
        last += 4 * n;
    }
    std::vector<POINT> points;
    points.reserve(static_cast<std::size_t>(last - first));
    for (int i = first; i < last; ++i) {
        const int quadrant = (i / n) % 4, j = i % n;
        // Quarters 1 and 3 run backwards through the walk.
        const POINT& p = quadrant == 0 || quadrant == 2 ? quarter[j] : quarter[n - 1 - j];
        const int x = quadrant == 0 || quadrant == 3 ? cx + p.x : box.right - 1 - w / 2 - p.x;
        const bool lower = quadrant < 2;
        const int y = lower == clockwise ? cy + p.y : box.bottom - 1 - h / 2 - p.y;
        points.push_back({x, y});
    }
    return points;
}

void RoundRectSpans(int left, int top, int right, int bottom, int width, int height,
                    const TSpanFn& span, const RECT* limit) {
    RoundRectRows(
        left, top, right, bottom, width, height,
        [&](const TRoundRow& row) { span(row.y, row.x0, row.x1); }, limit);
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
    // GDI starts the figure on the right-hand side and runs counter-clockwise on the device,
    // which decides where the figure closes (and where a widened outline joins itself).
    TDevicePath path;
    path.MoveTo({r, t + ry});
    path.BezierTo({r, t + ry - ky}, {r - rx + kx, t}, {r - rx, t});
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
    // The arc is cut where it crosses the ellipse's axes, as an ellipse is: whole quarters,
    // with the parts left at either end drawn as shorter pieces.
    const double quarter = kTwoPi / 4;
    const double direction = sweep > 0 ? 1 : -1;
    const double last = t0 + sweep;
    double u = t0;
    for (int guard = 0; guard < 8 && (last - u) * direction > 1e-9; ++guard) {
        double v = direction > 0 ? std::floor(u / quarter + 1e-9) * quarter + quarter
                                 : std::ceil(u / quarter - 1e-9) * quarter - quarter;
        if ((v - last) * direction > 0) {
            v = last;
        }
        const double k = 4.0 / 3.0 * std::tan((v - u) / 4);
        const TPointD p0 = at(u), p3 = at(v);
        const TPointD d0{-a * std::sin(u), -bb * std::cos(u)};
        const TPointD d1{-a * std::sin(v), -bb * std::cos(v)};
        path.BezierTo({p0.x + k * d0.x, p0.y + k * d0.y}, {p3.x - k * d1.x, p3.y - k * d1.y}, p3);
        u = v;
    }
    return at(t0 + sweep);
}

} // namespace gdi
