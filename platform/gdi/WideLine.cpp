// Wide lines: the pixels a geometric pen covers, built the way GDI outlines them.
//
// A pen of w device pixels (w >= 2) covers the union of simple pieces, each taken with the
// region rule for polygons (pixel centres, top-left rule):
//  - a segment is a quadrilateral. An axis-parallel one is a rectangle w pixels across, w / 2
//    of them above (or left of) the line, running from one end point up to the other,
//    exclusive. A slanted one has its corners at the end points moved across the line by
//    half the pen's extent on each axis, rounded to whole pixels: the narrow half
//    (round(e / 2)) on one side, the wide half (round((e + 1) / 2)) on the other;
//  - a round cap or join is the elliptic region of a w x w box whose left and top edges lie
//    w / 2 pixels before the point;
//  - a square cap lengthens its segment by half the width; a flat cap adds nothing;
//  - a bevel join fills the quadrilateral between the end face of one segment and the start
//    face of the next; a miter join adds the faces' crossing point while it lies within half
//    the miter limit times the width of the vertex, and falls back to a bevel beyond it.
// Dashes are measured in whole pixels along the segments, restarting with every figure; each
// dash is a polyline of its own with caps at both ends, and the last dash of a closed figure
// runs on into the first.
#include "platform/gdi/Draw_p.h"
#include "platform/gdi/Scanline_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace gdi {
namespace {

// One end of a segment: the edge a join attaches to, from `start` to `end`, and the segment's
// direction.
struct TFace {
    POINT start{0, 0}, end{0, 0};
    long long dx = 0, dy = 0;
};

// Rounds half away from zero, as the outline's corners are rounded.
long long RoundHalfAway(double v) {
    return static_cast<long long>(v >= 0 ? std::floor(v + 0.5) : std::ceil(v - 0.5));
}

// The pixel rows of an elliptic region on a box of `width` x `height` pixels (as
// CreateEllipticRgn makes it for a box one pixel larger each way): for each row from the top,
// how many pixels are left out at each end. An integer midpoint walk over the lower half;
// the upper half mirrors it.
std::vector<int> EllipseInsets(int width, int height) {
    std::vector<int> inset(static_cast<std::size_t>(height), 0);
    if (width < 2 || height < 2) {
        return inset;
    }
    const long long a = width - 1, b = height - 1;
    const long long stepX = 8 * b * b, stepY = 8 * a * a;
    long long ex = 4 * b * b * (1 - a);
    long long ey = 4 * a * a * (1 + (b % 2));
    long long err = ex + ey + a * a * (b % 2);
    int x = 0;
    int row = height / 2;
    while (x <= width / 2) {
        const long long twice = 2 * err;
        if (twice >= ex) {
            ++x;
            ex += stepX;
            err += ex;
        }
        if (twice <= ey) {
            ++row;
            ey += stepY;
            err += ey;
            if (row < height) {
                inset[static_cast<std::size_t>(row)] = x;
            }
        }
    }
    for (int i = 0; i < height / 2; ++i) {
        inset[static_cast<std::size_t>(i)] = inset[static_cast<std::size_t>(height - 1 - i)];
    }
    return inset;
}

class TWideOutline {
public:
    TWideOutline(const TWidePen& pen, TMask& mask, long long reach)
        : m_pen(pen), m_mask(mask), m_reach(reach) {
        const int w = pen.width;
        if (pen.endCap == PS_ENDCAP_ROUND || pen.join == PS_JOIN_ROUND) {
            m_nibInsets = EllipseInsets(w, w);
        }
        m_dashes.assign(pen.dashes.begin(), pen.dashes.end());
        for (long long d : m_dashes) {
            m_dashTotal += d;
        }
        if (m_dashes.size() % 2) {
            m_dashTotal *= 2;
        }
    }

    bool Any() const { return m_any; }

    void Figure(std::vector<POINT> pts, bool closed) {
        // Repeated points at either end add nothing; a closed figure needs no closing point.
        std::size_t first = 0;
        while (pts.size() - first > 2 && Same(pts[first], pts[first + 1])) {
            ++first;
        }
        pts.erase(pts.begin(), pts.begin() + static_cast<std::ptrdiff_t>(first));
        while (pts.size() > 2 && Same(pts[pts.size() - 1], pts[pts.size() - 2])) {
            pts.pop_back();
        }
        if (closed && pts.size() > 2 && Same(pts.front(), pts.back())) {
            pts.pop_back();
        }
        if (pts.size() < 2) {
            if (pts.size() == 1 && !closed) {
                pts.push_back(pts.front());
            } else {
                return;
            }
        }
        if (m_dashTotal > 0) {
            Dashed(pts, closed);
        } else if (closed) {
            Run(pts, true, 0, pts.size(), pts[0], pts[0]);
        } else {
            Run(pts, false, 0, pts.size() - 1, pts.front(), pts.back());
        }
    }

private:
    static bool Same(POINT a, POINT b) { return a.x == b.x && a.y == b.y; }

    // Pixels --------------------------------------------------------------------------------

    void Rows(long long y0, long long y1, long long x0, long long x1) {
        const RECT& box = m_mask.box;
        y0 = std::max<long long>(y0, box.top);
        y1 = std::min<long long>(y1, box.bottom);
        x0 = std::max<long long>(x0, box.left);
        x1 = std::min<long long>(x1, box.right);
        if (x0 >= x1) {
            return;
        }
        for (long long y = y0; y < y1; ++y) {
            std::uint8_t* row = m_mask.Row(static_cast<int>(y));
            std::fill(row + (x0 - box.left), row + (x1 - box.left), 0xFF);
            m_any = true;
        }
    }

    void Polygon(std::initializer_list<POINT> corners) {
        TPolygon polygon;
        long long minX = corners.begin()->x, maxX = minX, minY = corners.begin()->y, maxY = minY;
        for (const POINT& p : corners) {
            polygon.push_back({static_cast<double>(p.x), static_cast<double>(p.y)});
            minX = std::min<long long>(minX, p.x);
            maxX = std::max<long long>(maxX, p.x);
            minY = std::min<long long>(minY, p.y);
            maxY = std::max<long long>(maxY, p.y);
        }
        const RECT& box = m_mask.box;
        if (maxX < box.left || minX > box.right || maxY < box.top || minY > box.bottom) {
            return;
        }
        ScanPolygons({polygon}, ALTERNATE, box,
                     [&](int y, int x0, int x1) { Rows(y, y + 1, x0, x1); });
    }

    void Nib(POINT at) {
        if (m_nibInsets.empty()) {
            return;
        }
        const long long w = m_pen.width;
        const long long left = at.x - w / 2, top = at.y - w / 2;
        if (left + w < m_mask.box.left || left > m_mask.box.right || top + w < m_mask.box.top ||
            top > m_mask.box.bottom) {
            return;
        }
        const long long first = std::max<long long>(0, m_mask.box.top - top);
        const long long end = std::min<long long>(w, m_mask.box.bottom - top);
        for (long long i = first; i < end; ++i) {
            const int in = m_nibInsets[static_cast<std::size_t>(i)];
            Rows(top + i, top + i + 1, left + in, left + w - in);
        }
    }

    // Geometry ------------------------------------------------------------------------------

    // Covers one segment from `a` to `b` whose direction is (dx, dy) (the direction of the
    // figure's segment when a dash cuts it), with square caps where asked. False for a segment
    // without a direction.
    bool Segment(POINT a, POINT b, long long dx, long long dy, bool capA, bool capB, TFace& head,
                 TFace& tail) {
        if (dx == 0 && dy == 0) {
            return false;
        }
        const long long w = m_pen.width;
        const bool squareA = capA && m_pen.endCap == PS_ENDCAP_SQUARE;
        const bool squareB = capB && m_pen.endCap == PS_ENDCAP_SQUARE;
        if (dy == 0) {
            long long left = std::min(a.x, b.x), right = std::max(a.x, b.x);
            const long long top = a.y - w / 2, bottom = top + w;
            if ((squareA && dx > 0) || (squareB && dx < 0)) {
                left -= w / 2;
            }
            if ((squareB && dx > 0) || (squareA && dx < 0)) {
                right += w / 2;
            }
            Rows(top, bottom, left, right);
            const LONG l = static_cast<LONG>(left), r = static_cast<LONG>(right);
            const LONG t = static_cast<LONG>(top), btm = static_cast<LONG>(bottom);
            if (dx > 0) {
                head.start = {l, btm};
                head.end = {l, t};
                tail.start = {r - 1, t};
                tail.end = {r - 1, btm};
            } else {
                head.start = {r, t};
                head.end = {r, btm};
                tail.start = {l + 1, btm};
                tail.end = {l + 1, t};
            }
        } else if (dx == 0) {
            long long top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
            const long long left = a.x - w / 2, right = left + w;
            if ((squareA && dy > 0) || (squareB && dy < 0)) {
                top -= w / 2;
            }
            if ((squareB && dy > 0) || (squareA && dy < 0)) {
                bottom += w / 2;
            }
            Rows(top, bottom, left, right);
            const LONG l = static_cast<LONG>(left), r = static_cast<LONG>(right);
            const LONG t = static_cast<LONG>(top), btm = static_cast<LONG>(bottom);
            if (dy > 0) {
                head.start = {l, t};
                head.end = {r, t};
                tail.start = {r, btm - 1};
                tail.end = {l, btm - 1};
            } else {
                head.start = {r, btm};
                head.end = {l, btm};
                tail.start = {l, t + 1};
                tail.end = {r, t + 1};
            }
        } else {
            const double length = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
            const double extentX = static_cast<double>(w) * std::llabs(dy) / length;
            const double extentY = static_cast<double>(w) * std::llabs(dx) / length;
            long long narrowX = RoundHalfAway(extentX / 2), narrowY = RoundHalfAway(extentY / 2);
            long long wideX = RoundHalfAway((extentX + 1) / 2);
            long long wideY = RoundHalfAway((extentY + 1) / 2);
            if (dx < 0) {
                narrowY = -narrowY;
                wideY = -wideY;
            }
            if (dy < 0) {
                std::swap(narrowX, wideX);
                std::swap(narrowY, wideY);
                narrowX = -narrowX;
                wideX = -wideX;
            }
            auto at = [](POINT p, long long ox, long long oy) {
                return POINT{static_cast<LONG>(p.x + ox), static_cast<LONG>(p.y + oy)};
            };
            POINT c0 = at(a, -narrowX, narrowY), c1 = at(a, wideX, -wideY);
            POINT c2 = at(b, wideX, -wideY), c3 = at(b, -narrowX, narrowY);
            if (squareA) {
                c0 = at(c0, -narrowY, -narrowX);
                c1 = at(c1, -narrowY, -narrowX);
            }
            if (squareB) {
                c2 = at(c2, wideY, wideX);
                c3 = at(c3, wideY, wideX);
            }
            Polygon({c0, c1, c2, c3});
            head.start = c0;
            head.end = c1;
            tail.start = c2;
            tail.end = c3;
        }
        head.dx = tail.dx = dx;
        head.dy = tail.dy = dy;
        return true;
    }

    void Join(POINT at, const TFace& before, const TFace& after) {
        switch (m_pen.join) {
        case PS_JOIN_MITER:
            if (Miter(at, before, after)) {
                return;
            }
            break;
        case PS_JOIN_BEVEL:
            break;
        default:
            Nib(at);
            return;
        }
        Polygon({before.start, after.end, before.end, after.start});
    }

    // The miter of a join: the crossing of the outer edges' lines, kept while it lies within
    // the miter limit. False when the join takes a bevel instead.
    bool Miter(POINT at, TFace one, TFace two) {
        long long det = one.dx * two.dy - one.dy * two.dx;
        if (det == 0) {
            return false;
        }
        if (det < 0) {
            std::swap(one, two);
            det = -det;
        }
        // The line through one.start along one's direction meets the line through two.end
        // along two's direction.
        const double ex = static_cast<double>(two.end.x - one.start.x);
        const double ey = static_cast<double>(two.end.y - one.start.y);
        const double t = (ex * static_cast<double>(two.dy) - ey * static_cast<double>(two.dx)) /
                         static_cast<double>(det);
        const double x = one.start.x + t * static_cast<double>(one.dx);
        const double y = one.start.y + t * static_cast<double>(one.dy);
        const double limit = m_pen.miterLimit * m_pen.width;
        if (((x - at.x) * (x - at.x) + (y - at.y) * (y - at.y)) * 4 > limit * limit) {
            return false;
        }
        const POINT tip{static_cast<LONG>(RoundHalfAway(x)), static_cast<LONG>(RoundHalfAway(y))};
        Polygon({two.start, one.start, tip, two.end, one.end});
        return true;
    }

    // Covers `count` segments of the figure from index `start` (wrapping round a closed
    // figure), the first starting at `first` and the last ending at `last`; open runs get caps.
    void Run(const std::vector<POINT>& pts, bool closed, std::size_t start, std::size_t count,
             POINT first, POINT last) {
        const std::size_t n = pts.size();
        auto point = [&](std::size_t i) { return pts[i % n]; };
        if (!Near(first, last, pts, start, count)) {
            return; // nothing of it can reach the mask (dashes far outside the clip)
        }
        auto direction = [&](std::size_t i, long long& dx, long long& dy) {
            dx = static_cast<long long>(point(i + 1).x) - point(i).x;
            dy = static_cast<long long>(point(i + 1).y) - point(i).y;
        };
        if (!closed && m_pen.endCap == PS_ENDCAP_ROUND) {
            Nib(first);
            Nib(last);
        }
        long long dx, dy;
        TFace head, tail, firstHead, previous;
        if (count == 1) {
            direction(start, dx, dy);
            Segment(first, last, dx, dy, true, true, head, tail);
            return;
        }
        direction(start, dx, dy);
        Segment(first, point(start + 1), dx, dy, !closed, false, firstHead, previous);
        for (std::size_t i = 1; i + 1 < count; ++i) {
            direction(start + i, dx, dy);
            if (Segment(point(start + i), point(start + i + 1), dx, dy, false, false, head, tail)) {
                Join(point(start + i), previous, head);
                previous = tail;
            }
        }
        direction(start + count - 1, dx, dy);
        if (Segment(point(start + count - 1), last, dx, dy, false, !closed, head, tail)) {
            Join(point(start + count - 1), previous, head);
            if (closed) {
                Join(last, tail, firstHead);
            }
        }
    }

    // Whether a run may cover anything inside the mask: its points' box, widened by the
    // farthest a cap, join or miter reaches, meets the mask's box.
    bool Near(POINT first, POINT last, const std::vector<POINT>& pts, std::size_t start,
              std::size_t count) const {
        long long minX = std::min(first.x, last.x), maxX = std::max(first.x, last.x);
        long long minY = std::min(first.y, last.y), maxY = std::max(first.y, last.y);
        for (std::size_t i = 1; i < count; ++i) {
            const POINT& p = pts[(start + i) % pts.size()];
            minX = std::min<long long>(minX, p.x);
            maxX = std::max<long long>(maxX, p.x);
            minY = std::min<long long>(minY, p.y);
            maxY = std::max<long long>(maxY, p.y);
        }
        const RECT& box = m_mask.box;
        return maxX + m_reach >= box.left && minX - m_reach < box.right &&
               maxY + m_reach >= box.top && minY - m_reach < box.bottom;
    }

    // Dashes ----------------------------------------------------------------------------------

    void SkipDash(long long length) {
        length %= m_dashTotal;
        do {
            if (m_left > length) {
                m_left -= length;
                return;
            }
            length -= m_left;
            m_index = (m_index + 1) % m_dashes.size();
            m_left = m_dashes[m_index];
            m_on = !m_on;
        } while (length > 0);
    }

    // Ends the current dash or gap and starts the next entry. (Skipping the entry's length
    // instead would do nothing when that length is the whole pattern, as the gap of a
    // round-capped dot pattern is, and the line would stop after its first dot.)
    void NextDash() {
        m_index = (m_index + 1) % m_dashes.size();
        m_left = m_dashes[m_index];
        m_on = !m_on;
    }

    // Passes over whole turns of the dash pattern along the segment from `a` (direction dx, dy,
    // `length` units long) where the pen cannot reach the mask: a turn leaves the pattern as it
    // was, and only invisible length is added to the dash or gap under way. `done` is how much
    // of the segment earlier dashes used. Without this, a segment millions of pixels long
    // would be cut into as many dashes, all of them off the picture.
    void SkipFarTurns(POINT a, long long dx, long long dy, double length, long long& done) const {
        if (m_dashTotal <= 0 || !(length > 0)) {
            return;
        }
        // The part of the segment within reach of the mask, as distances from `a`.
        const double margin = static_cast<double>(m_reach) + 2;
        const RECT& box = m_mask.box;
        double first = 0, last = length;
        auto slab = [&](double from, double step, double low, double high) {
            if (step == 0) {
                if (from < low || from > high) {
                    first = 1, last = 0;
                }
                return;
            }
            double t0 = (low - from) / step, t1 = (high - from) / step;
            if (t0 > t1) {
                std::swap(t0, t1);
            }
            first = std::max(first, t0);
            last = std::min(last, t1);
        };
        slab(a.x, static_cast<double>(dx) / length, box.left - margin, box.right + margin);
        slab(a.y, static_cast<double>(dy) / length, box.top - margin, box.bottom + margin);
        const double end = static_cast<double>(done + m_left); // where the current entry ends
        double target;
        if (first > last || end > last) {
            target = length;
        } else if (end < first) {
            target = first;
        } else {
            return;
        }
        const double turns = std::floor((target - end) / static_cast<double>(m_dashTotal));
        if (turns >= 1) {
            done += static_cast<long long>(turns) * m_dashTotal;
        }
    }

    void Dashed(const std::vector<POINT>& pts, bool closed) {
        m_index = 0;
        m_left = m_dashes[0];
        m_on = true;
        const std::size_t n = pts.size();
        const std::size_t segments = closed ? n : n - 1;
        std::size_t start = 0;
        long long done = 0; // length of segment i already used by earlier dashes
        POINT from = pts[0];
        bool firstOpen = closed; // the first dash of a closed figure waits for the last
        std::size_t firstCount = 0;
        POINT firstEnd{0, 0};
        for (std::size_t i = 0; i < segments;) {
            const POINT a = pts[i], b = pts[(i + 1) % n];
            long long dx = static_cast<long long>(b.x) - a.x;
            long long dy = static_cast<long long>(b.y) - a.y;
            if (dx == 0 && dy == 0) {
                ++i;
                continue;
            }
            if (dx == 0 || dy == 0) {
                const long long length = std::llabs(dx + dy);
                SkipFarTurns(a, dx, dy, static_cast<double>(length), done);
                if (length - done < m_left) {
                    SkipDash(length - done);
                    done = 0;
                    ++i;
                    continue;
                }
                done += m_left;
                (dx != 0 ? dx : dy) = (dx + dy) > 0 ? done : -done;
            } else {
                const double length = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
                SkipFarTurns(a, dx, dy, length, done);
                if (length - static_cast<double>(done) < static_cast<double>(m_left)) {
                    SkipDash(static_cast<long long>(length - static_cast<double>(done)));
                    done = 0;
                    ++i;
                    continue;
                }
                done += m_left;
                dx = static_cast<long long>(static_cast<double>(dx) * done / length);
                dy = static_cast<long long>(static_cast<double>(dy) * done / length);
            }
            const POINT to{static_cast<LONG>(a.x + dx), static_cast<LONG>(a.y + dy)};
            if (m_on) {
                if (firstOpen && firstCount == 0) {
                    firstCount = i - start + 1;
                    firstEnd = to;
                } else {
                    Run(pts, false, start, i - start + 1, from, to);
                }
            }
            firstOpen = false;
            NextDash();
            from = to;
            start = i;
        }
        if (m_on) {
            if (firstCount > 0) {
                Run(pts, false, start, n - start + firstCount, from, firstEnd);
            } else if (closed) {
                Run(pts, false, start, n - start, from, pts[0]);
            } else {
                Run(pts, false, start, n - start - 1, from, pts[n - 1]);
            }
        } else if (firstCount > 0) {
            Run(pts, false, 0, firstCount, pts[0], firstEnd);
        }
    }

    const TWidePen& m_pen;
    TMask& m_mask;
    long long m_reach = 0; // farthest a pixel of the pen lies from its line
    bool m_any = false;
    std::vector<int> m_nibInsets;
    std::vector<long long> m_dashes;
    long long m_dashTotal = 0;
    std::size_t m_index = 0;
    long long m_left = 0;
    bool m_on = true;
};

} // namespace

std::vector<TWideFigure> WideFigures(const TDevicePath& path, bool closeAll) {
    TDevicePath flat = path;
    flat.Flatten();
    std::vector<TWideFigure> figures;
    for (std::size_t i = 0; i < flat.points.size(); ++i) {
        if ((flat.types[i] & ~PT_CLOSEFIGURE) == PT_MOVETO || figures.empty()) {
            figures.emplace_back();
            figures.back().closed = closeAll;
        }
        figures.back().points.push_back(
            POINT{RoundCoord(flat.points[i].x), RoundCoord(flat.points[i].y)});
        if (flat.types[i] & PT_CLOSEFIGURE) {
            figures.back().closed = true;
        }
    }
    return figures;
}

TWidePen WidePen(const TStroke& stroke) {
    TWidePen pen;
    // Far wider than any surface; keeps the nib's integer walk inside 64 bits.
    constexpr double kMaxWidth = 1 << 19;
    pen.width = static_cast<int>(std::clamp(stroke.width, 1.0, kMaxWidth));
    pen.endCap = stroke.style & PS_ENDCAP_MASK;
    pen.join = stroke.style & PS_JOIN_MASK;
    pen.miterLimit = stroke.miterLimit;
    for (double d : stroke.dashes) {
        pen.dashes.push_back(static_cast<long long>(d));
    }
    return pen;
}

bool RasterizeWideLines(const std::vector<TWideFigure>& figures, const TWidePen& pen,
                        const RECT& limit, TMask& out) {
    out.Reset(RECT{0, 0, 0, 0});
    if (pen.width < 1 || pen.width > (1 << 19)) {
        return false;
    }
    long long minX = LLONG_MAX, minY = LLONG_MAX, maxX = LLONG_MIN, maxY = LLONG_MIN;
    for (const TWideFigure& figure : figures) {
        for (const POINT& p : figure.points) {
            minX = std::min<long long>(minX, p.x);
            minY = std::min<long long>(minY, p.y);
            maxX = std::max<long long>(maxX, p.x);
            maxY = std::max<long long>(maxY, p.y);
        }
    }
    if (minX > maxX) {
        return false;
    }
    // A miter reaches at most half the limit times the width from its vertex.
    const double miter = pen.join == PS_JOIN_MITER ? std::max(1.0, pen.miterLimit) : 1.0;
    const long long reach =
        static_cast<long long>(std::ceil(pen.width * miter / 2)) + pen.width + 2;
    const RECT box{static_cast<LONG>(std::max<long long>(limit.left, minX - reach)),
                   static_cast<LONG>(std::max<long long>(limit.top, minY - reach)),
                   static_cast<LONG>(std::min<long long>(limit.right, maxX + reach + 1)),
                   static_cast<LONG>(std::min<long long>(limit.bottom, maxY + reach + 1))};
    if (box.left >= box.right || box.top >= box.bottom ||
        static_cast<std::int64_t>(box.right - box.left) * (box.bottom - box.top) >
            kMaxSurfacePixels) {
        return false;
    }
    out.Reset(box);
    TWideOutline outline(pen, out, reach);
    for (const TWideFigure& figure : figures) {
        outline.Figure(figure.points, figure.closed);
    }
    return outline.Any();
}

} // namespace gdi
