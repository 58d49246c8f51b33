// WidenPath: the outline a geometric pen would draw along a path, as a path of straight lines.
//
// Each figure of the flattened path becomes one outline. Two offset chains run along the
// figure, one on each side, at the pen's inner half-width (width / 2) on one side and outer
// half-width (the rest) on the other, every offset rounded to whole device units:
//  - an open figure starts and ends with a cap on the first chain: two corner points for a
//    square or flat cap, the half-circle as four Bézier arcs for a round one (their control
//    points are kept as plain corners);
//  - at every inner vertex the chain inside the turn takes the two offset points of the
//    segments meeting there, and the chain outside takes the miter tip, the two bevel corners
//    or a round join's bevel corners around its tip; a vertex where the path turns straight
//    back gets the join too, so the pen's end shows there as it does when stroked;
//  - the second chain runs backwards after the first. For an open figure both make one
//    outline; a closed figure gives two, the outer and the inner edge of the ring.
// The pen's width is taken in logical units, unscaled, as GDI does.
#include "platform/gdi/Draw_p.h"

#include <cmath>
#include <numbers>

namespace gdi {
namespace {

constexpr double kPi = std::numbers::pi;

long long Round(double v) {
    return static_cast<long long>(v > 0 ? v + 0.5 : v - 0.5);
}

TPointD At(double x, double y) {
    return {x, y};
}

// The points of a Bézier arc of at most a quarter turn on the ellipse of the box: its start
// when `withStart`, then both control points and the end.
void ArcPart(std::vector<TPointD>& chain, double left, double top, double right, double bottom,
             double from, double to, bool withStart) {
    const double half = (to - from) / 2;
    double xs[4], ys[4];
    if (std::fabs(half) > 1e-8) {
        const double a = 4.0 / 3.0 * (1 - std::cos(half)) / std::sin(half);
        xs[0] = std::cos(from);
        ys[0] = std::sin(from);
        xs[3] = std::cos(to);
        ys[3] = std::sin(to);
        xs[1] = xs[0] - a * ys[0];
        ys[1] = ys[0] + a * xs[0];
        xs[2] = xs[3] + a * ys[3];
        ys[2] = ys[3] - a * xs[3];
    } else {
        for (int i = 0; i < 4; ++i) {
            xs[i] = std::cos(from);
            ys[i] = std::sin(from);
        }
    }
    for (int i = withStart ? 0 : 1; i < 4; ++i) {
        const double x = left + (right - left) * 0.5 * (xs[i] + 1);
        const double y = top + (bottom - top) * 0.5 * (ys[i] + 1);
        chain.push_back(At(std::floor(x + 0.5), std::floor(y + 0.5)));
    }
}

class TWidener {
public:
    TWidener(int width, DWORD endCap, DWORD join, double miterLimit)
        : m_in(width / 2), m_out(width - width / 2), m_endCap(endCap), m_join(join),
          m_miterLimit(miterLimit) {}

    void Figure(const std::vector<TPointD>& pts, bool closed, TDevicePath& out) {
        std::vector<TPointD> up, down;
        const std::size_t n = pts.size();
        for (std::size_t j = 0; j < n; ++j) {
            if (!closed && (j == 0 || j == n - 1)) {
                Cap(pts, j, up);
            } else {
                Vertex(pts, j, closed, up, down);
            }
        }
        if (up.empty() && down.empty()) {
            return;
        }
        bool first = true;
        for (const TPointD& p : up) {
            first ? out.MoveTo(p) : out.LineTo(p);
            first = false;
        }
        bool split = closed;
        for (auto it = down.rbegin(); it != down.rend(); ++it) {
            (first || split) ? out.MoveTo(*it) : out.LineTo(*it);
            first = split = false;
        }
    }

private:
    void Cap(const std::vector<TPointD>& pts, std::size_t j, std::vector<TPointD>& up) const {
        const std::size_t n = pts.size();
        const TPointD o = pts[j];
        const TPointD a = j == 0 ? pts[std::min<std::size_t>(1, n - 1)] : pts[j - 1];
        const double theta = std::atan2(a.y - o.y, a.x - o.x);
        switch (m_endCap) {
        case PS_ENDCAP_SQUARE:
            up.push_back(At(o.x + Round(std::sqrt(2.0) * m_out * std::cos(kPi / 4 + theta)),
                            o.y + Round(std::sqrt(2.0) * m_out * std::sin(kPi / 4 + theta))));
            up.push_back(At(o.x + Round(std::sqrt(2.0) * m_in * std::cos(theta - kPi / 4)),
                            o.y + Round(std::sqrt(2.0) * m_in * std::sin(theta - kPi / 4))));
            break;
        case PS_ENDCAP_FLAT:
            up.push_back(At(o.x + Round(m_out * std::cos(theta + kPi / 2)),
                            o.y + Round(m_out * std::sin(theta + kPi / 2))));
            up.push_back(At(o.x - Round(m_in * std::cos(theta + kPi / 2)),
                            o.y - Round(m_in * std::sin(theta + kPi / 2))));
            break;
        default: {
            const double l = o.x - m_in, t = o.y - m_in, r = o.x + m_out, b = o.y + m_out;
            for (int k = 0; k < 4; ++k) {
                ArcPart(up, l, t, r, b, theta + kPi / 2 + k * kPi / 4,
                        theta + kPi / 2 + (k + 1) * kPi / 4, j == 0 && k == 0);
            }
            break;
        }
        }
    }

    void Vertex(const std::vector<TPointD>& pts, std::size_t j, bool closed,
                std::vector<TPointD>& up, std::vector<TPointD>& down) const {
        const std::size_t n = pts.size();
        std::size_t previous = j - 1, next = j + 1;
        if (closed && j == 0) {
            previous = n - 1;
        }
        if (closed && j == n - 1) {
            next = 0;
        }
        TPointD o = pts[j], a = pts[previous], b = pts[next];
        // A closed curve ends on its first point, so its closing line has no length. GDI
        // turns back there: the vertices on either side of it get the join of a path that
        // reverses, the pen's end drawn across the ring.
        if (closed && j == n - 1 && b.x == o.x && b.y == o.y) {
            b = a;
        } else if (closed && j == 0 && a.x == o.x && a.y == o.y) {
            a = b;
        }
        const double theta = std::atan2(o.y - a.y, o.x - a.x);
        double alpha = std::atan2(b.y - o.y, b.x - o.x) - theta;
        alpha += alpha > 0 ? -kPi : kPi;
        DWORD join = m_join;
        if (join == PS_JOIN_MITER && m_miterLimit < std::fabs(1 / std::sin(alpha / 2))) {
            join = PS_JOIN_BEVEL;
        }
        // alpha is 0 where the path turns straight back: the join then closes the end like a
        // cap (a bevel for a miter, whose tip would lie at infinity).
        std::vector<TPointD>& inside = alpha > 0 ? up : down;
        std::vector<TPointD>& outside = alpha > 0 ? down : up;
        const double sign = alpha > 0 ? 1 : -1;
        const double n1 = theta + kPi / 2, n2 = kPi / 2 + alpha + theta;
        inside.push_back(
            At(o.x - sign * Round(m_in * std::cos(n1)), o.y - sign * Round(m_in * std::sin(n1))));
        inside.push_back(
            At(o.x + sign * Round(m_in * std::cos(n2)), o.y + sign * Round(m_in * std::sin(n2))));
        const TPointD bevel1 =
            At(o.x + sign * Round(m_out * std::cos(n1)), o.y + sign * Round(m_out * std::sin(n1)));
        const TPointD bevel2 =
            At(o.x - sign * Round(m_out * std::cos(n2)), o.y - sign * Round(m_out * std::sin(n2)));
        switch (join) {
        case PS_JOIN_MITER: {
            const double reach = std::fabs(m_out / std::cos(kPi / 2 - std::fabs(alpha) / 2));
            outside.push_back(At(o.x + Round(reach * std::cos(theta + alpha / 2)),
                                 o.y + Round(reach * std::sin(theta + alpha / 2))));
            break;
        }
        case PS_JOIN_BEVEL:
            outside.push_back(bevel1);
            outside.push_back(bevel2);
            break;
        default:
            outside.push_back(bevel1);
            outside.push_back(At(o.x + Round(m_out * std::cos(theta + alpha / 2)),
                                 o.y + Round(m_out * std::sin(theta + alpha / 2))));
            outside.push_back(bevel2);
            break;
        }
    }

    int m_in, m_out;
    DWORD m_endCap, m_join;
    double m_miterLimit;
};

} // namespace

bool WidenDevicePath(const TDevicePath& path, int width, DWORD style, double miterLimit,
                     TDevicePath& out) {
    TDevicePath flat = path;
    flat.Flatten();
    out.Clear();
    TWidener widener(width, style & PS_ENDCAP_MASK, style & PS_JOIN_MASK, miterLimit);
    std::size_t i = 0;
    while (i < flat.points.size()) {
        std::size_t end = i + 1;
        while (end < flat.points.size() && (flat.types[end] & ~PT_CLOSEFIGURE) != PT_MOVETO) {
            ++end;
        }
        std::vector<TPointD> pts;
        for (std::size_t k = i; k < end; ++k) {
            pts.push_back(At(RoundCoord(flat.points[k].x), RoundCoord(flat.points[k].y)));
        }
        widener.Figure(pts, (flat.types[end - 1] & PT_CLOSEFIGURE) != 0, out);
        i = end;
    }
    return true;
}

} // namespace gdi
