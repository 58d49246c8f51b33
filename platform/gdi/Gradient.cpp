// GradientFill's rasterisation.
#include "platform/gdi/Gradient_p.h"

#include "platform/gdi/Surface_p.h"

#include <algorithm>
#include <utility>

namespace gdi {
namespace {

std::uint32_t Pack(std::uint64_t r, std::uint64_t g, std::uint64_t b, std::uint64_t a,
                   bool keepsAlpha) {
    const std::uint32_t rgb = static_cast<std::uint32_t>(
        ((r >> 8) & 0xFF) << 16 | ((g >> 8) & 0xFF) << 8 | ((b >> 8) & 0xFF));
    return keepsAlpha ? rgb | static_cast<std::uint32_t>(((a >> 8) & 0xFF) << 24) : rgb;
}

// Calls fill(rect) for the parts of `area` inside the surface and the clip.
template <class Fill>
void ForVisible(TSurface& surface, const RECT& area, const std::vector<RECT>* clip, Fill&& fill) {
    const RECT bounded = IntersectRects(area, RECT{0, 0, surface.m_width, surface.m_height});
    if (bounded.right <= bounded.left || bounded.bottom <= bounded.top)
        return;
    if (clip == nullptr) {
        fill(bounded);
        return;
    }
    for (const RECT& box : *clip) {
        const RECT part = IntersectRects(bounded, box);
        if (part.right > part.left && part.bottom > part.top)
            fill(part);
    }
}

std::int64_t Cross(std::int64_t ax, std::int64_t ay, std::int64_t bx, std::int64_t by,
                   std::int64_t px, std::int64_t py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

} // namespace

void GradientRectPixels(TSurface& surface, TGradientVertex a, TGradientVertex b, bool vertical,
                        bool keepsAlpha, const std::vector<RECT>* clip) {
    if (surface.IsEmpty())
        return;
    if (vertical ? a.y > b.y : a.x > b.x)
        std::swap(a, b);
    const RECT area{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    const std::int64_t start = vertical ? area.top : area.left;
    const std::int64_t span = vertical ? area.bottom - area.top : area.right - area.left;
    if (span <= 0)
        return;
    auto mix = [&](std::uint32_t from, std::uint32_t to, std::int64_t at) {
        return static_cast<std::uint64_t>(
            (static_cast<std::int64_t>(from) * (span - at) + static_cast<std::int64_t>(to) * at) /
            span);
    };
    auto color = [&](std::int64_t at) {
        return Pack(mix(a.red, b.red, at), mix(a.green, b.green, at), mix(a.blue, b.blue, at),
                    mix(a.alpha, b.alpha, at), keepsAlpha);
    };
    ForVisible(surface, area, clip, [&](const RECT& rect) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            std::uint32_t* row = surface.Row(y);
            if (vertical) {
                const std::uint32_t c = color(y - start);
                std::fill(row + rect.left, row + rect.right, c);
            } else {
                for (int x = rect.left; x < rect.right; ++x)
                    row[x] = color(x - start);
            }
        }
    });
}

void GradientTrianglePixels(TSurface& surface, const TGradientVertex& a, const TGradientVertex& b,
                            const TGradientVertex& c, bool keepsAlpha,
                            const std::vector<RECT>* clip) {
    if (surface.IsEmpty())
        return;
    std::int64_t area = Cross(a.x, a.y, b.x, b.y, c.x, c.y);
    if (area == 0)
        return;
    const RECT box{std::min({a.x, b.x, c.x}), std::min({a.y, b.y, c.y}),
                   std::max({a.x, b.x, c.x}) + 1, std::max({a.y, b.y, c.y}) + 1};
    const std::int64_t sign = area < 0 ? -1 : 1;
    area *= sign;
    ForVisible(surface, box, clip, [&](const RECT& rect) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            std::uint32_t* row = surface.Row(y);
            for (int x = rect.left; x < rect.right; ++x) {
                // Weights of a, b and c: the areas of the sub-triangles facing them.
                // Coverage is decided at the pixel's centre, so the right and bottom edges
                // stay out; the colour is mixed at the pixel's corner.
                const std::int64_t cx = 2 * static_cast<std::int64_t>(x) + 1;
                const std::int64_t cy = 2 * static_cast<std::int64_t>(y) + 1;
                if (sign * Cross(2 * b.x, 2 * b.y, 2 * c.x, 2 * c.y, cx, cy) < 0 ||
                    sign * Cross(2 * c.x, 2 * c.y, 2 * a.x, 2 * a.y, cx, cy) < 0 ||
                    sign * Cross(2 * a.x, 2 * a.y, 2 * b.x, 2 * b.y, cx, cy) < 0)
                    continue;
                const std::int64_t wa = sign * Cross(b.x, b.y, c.x, c.y, x, y);
                const std::int64_t wb = sign * Cross(c.x, c.y, a.x, a.y, x, y);
                const std::int64_t wc = sign * Cross(a.x, a.y, b.x, b.y, x, y);
                // A centre inside may have its corner just outside: keep the mix in range.
                // The weighted sum is taken in 128 bits: a triangle far out on the device has
                // weights near the top of the 64-bit range.
                auto mix = [&](std::int64_t ca, std::int64_t cb, std::int64_t cc) {
                    const __int128 sum = static_cast<__int128>(ca) * wa +
                                         static_cast<__int128>(cb) * wb +
                                         static_cast<__int128>(cc) * wc;
                    const __int128 value = sum / area;
                    return static_cast<std::uint64_t>(value < 0        ? 0
                                                      : value > 0xFFFF ? 0xFFFF
                                                                       : value);
                };
                row[x] =
                    Pack(mix(a.red, b.red, c.red), mix(a.green, b.green, c.green),
                         mix(a.blue, b.blue, c.blue), mix(a.alpha, b.alpha, c.alpha), keepsAlpha);
            }
        }
    });
}

} // namespace gdi

using namespace gdi;

BOOL GradientFill(HDC hdc, const TRIVERTEX* vertices, ULONG vertexCount, const void* mesh,
                  ULONG meshCount, ULONG mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || vertices == nullptr || mesh == nullptr ||
        (mode != GRADIENT_FILL_RECT_H && mode != GRADIENT_FILL_RECT_V &&
         mode != GRADIENT_FILL_TRIANGLE)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // Every mesh entry must name vertices that exist.
    const ULONG perEntry = mode == GRADIENT_FILL_TRIANGLE ? 3 : 2;
    const auto* indices = static_cast<const ULONG*>(mesh);
    for (std::uint64_t i = 0; i < std::uint64_t{meshCount} * perEntry; ++i)
        if (indices[i] >= vertexCount) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
    if (!dc->Driver().GradientFill(*dc, vertices, vertexCount, mesh, meshCount, mode))
        return FALSE;
    TSurface* surface = dc->Surface();
    if (surface == nullptr)
        return TRUE;
    auto device = [&](ULONG index) {
        const TRIVERTEX& v = vertices[index];
        const POINT p = dc->ToDevicePoint(v.x, v.y);
        return TGradientVertex{p.x, p.y, v.Red, v.Green, v.Blue, v.Alpha};
    };
    const std::vector<RECT> clip = ClipRects(*dc);
    const TBitmap* bitmap = dc->State().m_bitmap.Get();
    const bool keepsAlpha =
        bitmap != nullptr && bitmap->m_isDibSection && bitmap->m_bitsPixel == 32;
    dc->BeginDraw();
    for (ULONG i = 0; i < meshCount; ++i) {
        const ULONG* entry = indices + i * perEntry;
        if (mode == GRADIENT_FILL_TRIANGLE)
            GradientTrianglePixels(*surface, device(entry[0]), device(entry[1]), device(entry[2]),
                                   keepsAlpha, &clip);
        else
            GradientRectPixels(*surface, device(entry[0]), device(entry[1]),
                               mode == GRADIENT_FILL_RECT_V, keepsAlpha, &clip);
    }
    if (surface->m_monochrome)
        for (const RECT& r : clip)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    surface->Row(y)[x] = ToMonochrome(surface->Row(y)[x]);
    dc->EndDraw();
    return TRUE;
}
