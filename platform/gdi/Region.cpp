// Region objects: building them from shapes and rectangle lists, combining and querying them.
#include "platform/gdi/Region_p.h"

#include "platform/gdi/GdiObject_p.h"
#include "platform/gdi/Scanline_p.h"
#include "platform/gdi/Shape_p.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace gdi {
namespace {

// Region coordinates stay well inside 32 bits so offsets and unions cannot overflow.
constexpr int kCoordLimit = 1 << 27;
// Shapes are scanned only this far from the origin: a region built from a polygon or an
// ellipse is one rectangle list per scanline, and a few million scanlines are already more
// than any page shows (65536 pixels).
constexpr int kShapeLimit = 1 << 16;

int ClampCoord(long long v) {
    return static_cast<int>(std::clamp<long long>(v, -kCoordLimit, kCoordLimit));
}

TPixRegion RegionFromSpans(const std::vector<TPolygon>& polygons, int fillMode) {
    std::vector<pixman_box32_t> boxes;
    const RECT limit{-kShapeLimit, -kShapeLimit, kShapeLimit, kShapeLimit};
    ScanPolygons(polygons, fillMode, limit, [&](int y, int x0, int x1) {
        boxes.push_back({x0, y, x1, y + 1});
    });
    TPixRegion region;
    if (!boxes.empty()) {
        pixman_region32_fini(region.Raw());
        pixman_region32_init_rects(region.Raw(), boxes.data(), static_cast<int>(boxes.size()));
    }
    return region;
}

} // namespace

TPixRegion::TPixRegion(const RECT& r) : TPixRegion(r.left, r.top, r.right, r.bottom) {}

TPixRegion::TPixRegion(int left, int top, int right, int bottom) {
    pixman_region32_init(&m_region);
    SetRect(left, top, right, bottom);
}

TPixRegion::TPixRegion(const TPixRegion& other) {
    pixman_region32_init(&m_region);
    pixman_region32_copy(&m_region, const_cast<pixman_region32_t*>(&other.m_region));
}

TPixRegion::TPixRegion(TPixRegion&& other) noexcept {
    pixman_region32_init(&m_region);
    std::swap(m_region, other.m_region);
}

TPixRegion& TPixRegion::operator=(const TPixRegion& other) {
    if (this != &other) {
        pixman_region32_copy(&m_region, const_cast<pixman_region32_t*>(&other.m_region));
    }
    return *this;
}

TPixRegion& TPixRegion::operator=(TPixRegion&& other) noexcept {
    if (this != &other) {
        std::swap(m_region, other.m_region);
    }
    return *this;
}

TPixRegion TPixRegion::FromRects(std::span<const RECT> rects) {
    std::vector<pixman_box32_t> boxes;
    boxes.reserve(rects.size());
    for (const RECT& r : rects) {
        const int l = ClampCoord(std::min(r.left, r.right)),
                  rr = ClampCoord(std::max(r.left, r.right));
        const int t = ClampCoord(std::min(r.top, r.bottom)),
                  b = ClampCoord(std::max(r.top, r.bottom));
        if (l < rr && t < b) {
            boxes.push_back({l, t, rr, b});
        }
    }
    TPixRegion region;
    if (!boxes.empty()) {
        pixman_region32_fini(region.Raw());
        pixman_region32_init_rects(region.Raw(), boxes.data(), static_cast<int>(boxes.size()));
    }
    return region;
}

bool TPixRegion::IsEmpty() const {
    return !pixman_region32_not_empty(const_cast<pixman_region32_t*>(&m_region));
}

int TPixRegion::Complexity() const {
    const int n = pixman_region32_n_rects(const_cast<pixman_region32_t*>(&m_region));
    return n == 0 ? NULLREGION : n == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT TPixRegion::Box() const {
    if (IsEmpty()) {
        return RECT{0, 0, 0, 0};
    }
    const pixman_box32_t* b = pixman_region32_extents(const_cast<pixman_region32_t*>(&m_region));
    return RECT{b->x1, b->y1, b->x2, b->y2};
}

std::span<const pixman_box32_t> TPixRegion::Boxes() const {
    int n = 0;
    const pixman_box32_t* boxes =
        pixman_region32_rectangles(const_cast<pixman_region32_t*>(&m_region), &n);
    return {boxes, static_cast<std::size_t>(n)};
}

bool TPixRegion::Contains(int x, int y) const {
    return pixman_region32_contains_point(const_cast<pixman_region32_t*>(&m_region), x, y, nullptr);
}

bool TPixRegion::Intersects(const RECT& r) const {
    pixman_box32_t box{std::min(r.left, r.right), std::min(r.top, r.bottom),
                       std::max(r.left, r.right), std::max(r.top, r.bottom)};
    if (box.x1 == box.x2 || box.y1 == box.y2) {
        return false;
    }
    return pixman_region32_contains_rectangle(const_cast<pixman_region32_t*>(&m_region), &box) !=
           PIXMAN_REGION_OUT;
}

bool TPixRegion::operator==(const TPixRegion& other) const {
    return pixman_region32_equal(const_cast<pixman_region32_t*>(&m_region),
                                 const_cast<pixman_region32_t*>(&other.m_region));
}

void TPixRegion::Clear() {
    pixman_region32_clear(&m_region);
}

void TPixRegion::SetRect(int left, int top, int right, int bottom) {
    const int l = ClampCoord(std::min(left, right)), r = ClampCoord(std::max(left, right));
    const int t = ClampCoord(std::min(top, bottom)), b = ClampCoord(std::max(top, bottom));
    pixman_region32_fini(&m_region);
    if (l < r && t < b) {
        pixman_region32_init_rect(&m_region, l, t, static_cast<unsigned>(r - l),
                                  static_cast<unsigned>(b - t));
    } else {
        pixman_region32_init(&m_region);
    }
}

void TPixRegion::Offset(int dx, int dy) {
    // Keep every coordinate inside the limit: an offset that would leave it is clamped.
    const RECT box = Box();
    dx = static_cast<int>(std::clamp<long long>(dx, -kCoordLimit - static_cast<long long>(box.left),
                                                kCoordLimit - static_cast<long long>(box.right)));
    dy = static_cast<int>(std::clamp<long long>(dy, -kCoordLimit - static_cast<long long>(box.top),
                                                kCoordLimit - static_cast<long long>(box.bottom)));
    pixman_region32_translate(&m_region, dx, dy);
}

void TPixRegion::Intersect(const TPixRegion& other) {
    pixman_region32_intersect(&m_region, &m_region,
                              const_cast<pixman_region32_t*>(&other.m_region));
}

void TPixRegion::Unite(const TPixRegion& other) {
    pixman_region32_union(&m_region, &m_region, const_cast<pixman_region32_t*>(&other.m_region));
}

void TPixRegion::Subtract(const TPixRegion& other) {
    pixman_region32_subtract(&m_region, &m_region, const_cast<pixman_region32_t*>(&other.m_region));
}

void TPixRegion::Xor(const TPixRegion& other) {
    TPixRegion a = *this;
    a.Subtract(other);
    TPixRegion b = other;
    b.Subtract(*this);
    a.Unite(b);
    *this = std::move(a);
}

bool TPixRegion::Combine(const TPixRegion& other, int mode) {
    switch (mode) {
    case RGN_AND:
        Intersect(other);
        return true;
    case RGN_OR:
        Unite(other);
        return true;
    case RGN_XOR:
        Xor(other);
        return true;
    case RGN_DIFF:
        Subtract(other);
        return true;
    case RGN_COPY:
        *this = other;
        return true;
    default:
        return false;
    }
}

TPixRegion RegionFromPolygon(std::span<const POINT> points, std::span<const int> counts,
                             int fillMode) {
    std::vector<TPolygon> polygons;
    std::size_t at = 0;
    for (int count : counts) {
        if (count <= 0 || at + static_cast<std::size_t>(count) > points.size()) {
            break;
        }
        TPolygon polygon;
        for (int i = 0; i < count; ++i) {
            polygon.push_back(
                {static_cast<double>(points[at + i].x), static_cast<double>(points[at + i].y)});
        }
        at += static_cast<std::size_t>(count);
        polygons.push_back(std::move(polygon));
    }
    return RegionFromSpans(polygons, fillMode);
}

TPixRegion RegionFromEllipse(int left, int top, int right, int bottom) {
    // Clamped first: the corner size of a box spanning the whole int range would overflow.
    const int l = ClampCoord(std::min(left, right)), r = ClampCoord(std::max(left, right));
    const int t = ClampCoord(std::min(top, bottom)), b = ClampCoord(std::max(top, bottom));
    return RegionFromRoundRect(l, t, r, b, r - l, b - t);
}

TPixRegion RegionFromRoundRect(int left, int top, int right, int bottom, int width, int height) {
    if (left > right) {
        std::swap(left, right);
    }
    if (top > bottom) {
        std::swap(top, bottom);
    }
    left = ClampCoord(left);
    right = ClampCoord(right);
    top = ClampCoord(top);
    bottom = ClampCoord(bottom);
    // The region is the shape Ellipse or RoundRect would draw on a box one pixel smaller at
    // the right and bottom, outline included: GDI leaves those edges out of round regions
    // (CreateRoundRectRgn(0, 0, 10, 10, ...) spans 9 x 9 pixels, CreateRectRgn 10 x 10).
    right -= 1;
    bottom -= 1;
    if (right - left < 1 || bottom - top < 1) {
        return TPixRegion();
    }
    std::vector<pixman_box32_t> boxes;
    const RECT limit{-kShapeLimit, -kShapeLimit, kShapeLimit, kShapeLimit};
    RoundRectSpans(
        left, top, right, bottom, width, height,
        [&](int y, int x0, int x1) {
            boxes.push_back({x0, y, x1, y + 1});
        },
        &limit);
    TPixRegion region;
    if (!boxes.empty()) {
        pixman_region32_fini(region.Raw());
        pixman_region32_init_rects(region.Raw(), boxes.data(), static_cast<int>(boxes.size()));
    }
    return region;
}

} // namespace gdi
