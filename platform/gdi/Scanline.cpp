// Polygon scan conversion with an active edge list.
#include "platform/gdi/Scanline_p.h"

#include <algorithm>
#include <cmath>

namespace gdi {
namespace {

struct TEdge {
    double x0, y0, x1, y1; // y0 < y1
    int direction;         // +1 downwards, -1 upwards
    int yTop;              // first scanline: ceil(y0)
    int yEnd;              // one past the last: ceil(y1)
    double XAt(double y) const { return x0 + (x1 - x0) * (y - y0) / (y1 - y0); }
};

struct TCrossing {
    double x;
    int direction;
};

} // namespace

RECT PolygonBounds(const std::vector<TPolygon>& polygons) {
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const TPolygon& polygon : polygons) {
        for (const TPointD& p : polygon) {
            minX = std::min(minX, p.x);
            minY = std::min(minY, p.y);
            maxX = std::max(maxX, p.x);
            maxY = std::max(maxY, p.y);
        }
    }
    if (minX > maxX) {
        return RECT{0, 0, 0, 0};
    }
    auto clampi = [](double v) { return static_cast<LONG>(std::clamp(v, -1e8, 1e8)); };
    return RECT{clampi(std::ceil(minX)), clampi(std::ceil(minY)), clampi(std::ceil(maxX)),
                clampi(std::ceil(maxY))};
}

void ScanPolygons(const std::vector<TPolygon>& polygons, int fillMode, const RECT& limit,
                  const std::function<void(int y, int x0, int x1)>& span) {
    std::vector<TEdge> edges;
    for (const TPolygon& polygon : polygons) {
        const std::size_t n = polygon.size();
        for (std::size_t i = 0; i < n; ++i) {
            TPointD a = polygon[i];
            TPointD b = polygon[(i + 1) % n];
            if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) ||
                !std::isfinite(b.y) || a.y == b.y) {
                continue;
            }
            int direction = 1;
            if (a.y > b.y) {
                std::swap(a, b);
                direction = -1;
            }
            TEdge e{a.x, a.y, b.x, b.y, direction, 0, 0};
            const double top = std::clamp(std::ceil(a.y), -1e8, 1e8);
            const double end = std::clamp(std::ceil(b.y), -1e8, 1e8);
            e.yTop = std::max(static_cast<int>(top), static_cast<int>(limit.top));
            e.yEnd = std::min(static_cast<int>(end), static_cast<int>(limit.bottom));
            if (e.yTop < e.yEnd) {
                edges.push_back(e);
            }
        }
    }
    if (edges.empty()) {
        return;
    }
    std::sort(edges.begin(), edges.end(),
              [](const TEdge& l, const TEdge& r) { return l.yTop < r.yTop; });
    int y = edges.front().yTop;
    std::size_t next = 0;
    std::vector<const TEdge*> active;
    std::vector<TCrossing> crossings;
    while (next < edges.size() || !active.empty()) {
        if (active.empty() && edges[next].yTop > y) {
            y = edges[next].yTop;
        }
        while (next < edges.size() && edges[next].yTop <= y) {
            active.push_back(&edges[next++]);
        }
        active.erase(std::remove_if(active.begin(), active.end(),
                                    [y](const TEdge* e) { return e->yEnd <= y; }),
                     active.end());
        if (active.empty()) {
            continue;
        }
        crossings.clear();
        for (const TEdge* e : active) {
            crossings.push_back({e->XAt(y), e->direction});
        }
        std::sort(crossings.begin(), crossings.end(),
                  [](const TCrossing& l, const TCrossing& r) { return l.x < r.x; });
        int winding = 0;
        for (std::size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += fillMode == WINDING ? crossings[i].direction : 1;
            const bool inside = fillMode == WINDING ? winding != 0 : (winding & 1) != 0;
            if (!inside) {
                continue;
            }
            const double xl = std::clamp(std::ceil(crossings[i].x), -1e8, 1e8);
            const double xr = std::clamp(std::ceil(crossings[i + 1].x), -1e8, 1e8);
            const int x0 = std::max(static_cast<int>(xl), static_cast<int>(limit.left));
            const int x1 = std::min(static_cast<int>(xr), static_cast<int>(limit.right));
            if (x0 < x1) {
                span(y, x0, x1);
            }
        }
        ++y;
    }
}

} // namespace gdi
