// PlgBlt: a source rectangle mapped onto a parallelogram.
//
// The three points are where the source's top-left, top-right and bottom-left corners land.
// Each destination pixel inside the parallelogram takes the source pixel its centre maps back
// to; with a mask, only pixels whose mask bit (in source coordinates) is set are drawn.
#include "platform/gdi/Bitmap_p.h"
#include "platform/gdi/Blit_p.h"

#include <algorithm>
#include <cmath>

using namespace gdi;

BOOL PlgBlt(HDC hdest, const POINT* points, HDC hsrc, int xSrc, int ySrc, int width, int height,
            HBITMAP hmask, int xMask, int yMask) {
    TDeviceContext* dc = GdiLookupDC(hdest);
    TDeviceContext* src = hsrc != nullptr ? GdiLookupDC(hsrc) : nullptr;
    TBitmap* mask = hmask != nullptr ? GdiLookupBitmap(hmask) : nullptr;
    if (dc == nullptr || src == nullptr || points == nullptr ||
        (hmask != nullptr && (mask == nullptr || !mask->IsMonochrome()))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!dc->Driver().PlgBlt(*dc, points, *src, xSrc, ySrc, width, height, mask, xMask, yMask))
        return FALSE;
    TSurface* surface = dc->Surface();
    TSurface* sourceSurface = src->Surface();
    if (surface == nullptr)
        return TRUE;
    if (sourceSurface == nullptr)
        return FALSE;

    // Source rectangle in the source's device pixels.
    const TDeviceBox box = ToDeviceBox(*src, xSrc, ySrc, width, height);
    if (box.width == 0 || box.height == 0)
        return TRUE;
    TBitmap* sourceBitmap = src->m_kind == TDcKind::Memory ? src->State().m_bitmap.Get() : nullptr;
    const RECT sourceRect{std::min(box.x, box.x + box.width), std::min(box.y, box.y + box.height),
                          std::max(box.x, box.x + box.width), std::max(box.y, box.y + box.height)};
    const TImage source = ReadSurfaceImage(
        sourceBitmap, *sourceSurface,
        IntersectRects(sourceRect, RECT{0, 0, sourceSurface->m_width, sourceSurface->m_height}));
    const int sourceLeft = std::max<LONG>(sourceRect.left, 0);
    const int sourceTop = std::max<LONG>(sourceRect.top, 0);
    TImage maskImage;
    if (mask != nullptr)
        maskImage = ReadSurfaceImage(
            mask, mask->m_surface,
            RECT{xMask, yMask, xMask + std::abs(box.width), yMask + std::abs(box.height)});

    // Corners in destination device space, and the map back from a device point to the
    // source offset (u, v) within the source rectangle.
    const TPointD p0 = dc->ToDevice(points[0].x, points[0].y);
    const TPointD p1 = dc->ToDevice(points[1].x, points[1].y);
    const TPointD p2 = dc->ToDevice(points[2].x, points[2].y);
    const double ax = p1.x - p0.x, ay = p1.y - p0.y; // along the source's width
    const double bx = p2.x - p0.x, by = p2.y - p0.y; // along its height
    const double det = ax * by - ay * bx;
    if (std::fabs(det) < 1e-9)
        return TRUE;
    const double w = std::abs(box.width);
    const double h = std::abs(box.height);
    const double minX = std::min({p0.x, p1.x, p2.x, p1.x + bx});
    const double maxX = std::max({p0.x, p1.x, p2.x, p1.x + bx});
    const double minY = std::min({p0.y, p1.y, p2.y, p1.y + by});
    const double maxY = std::max({p0.y, p1.y, p2.y, p1.y + by});
    RECT area{static_cast<LONG>(std::floor(minX)), static_cast<LONG>(std::floor(minY)),
              static_cast<LONG>(std::ceil(maxX)) + 1, static_cast<LONG>(std::ceil(maxY)) + 1};
    area = IntersectRects(area, RECT{0, 0, surface->m_width, surface->m_height});
    if (area.right <= area.left || area.bottom <= area.top)
        return TRUE;

    TImage prepared;
    prepared.Resize(area.right - area.left, area.bottom - area.top);
    prepared.defined.assign(prepared.pixels.size(), 0);
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            const double dx = x - p0.x, dy = y - p0.y;
            const double s = (dx * by - dy * bx) / det; // 0 .. 1 across the width
            const double t = (ax * dy - ay * dx) / det; // 0 .. 1 down the height
            if (s < 0 || t < 0 || s >= 1 || t >= 1)
                continue;
            int u = static_cast<int>(s * w);
            int v = static_cast<int>(t * h);
            if (box.width < 0)
                u = static_cast<int>(w) - 1 - u;
            if (box.height < 0)
                v = static_cast<int>(h) - 1 - v;
            if (mask != nullptr &&
                (u >= maskImage.width || v >= maskImage.height || !maskImage.IsDefined(u, v) ||
                 (maskImage.At(u, v) & 0xFFFFFF) == 0))
                continue;
            const int sx = sourceRect.left + u - sourceLeft;
            const int sy = sourceRect.top + v - sourceTop;
            if (sx < 0 || sy < 0 || sx >= source.width || sy >= source.height)
                continue;
            const std::size_t at = static_cast<std::size_t>(y - area.top) * prepared.width +
                                   static_cast<std::size_t>(x - area.left);
            prepared.pixels[at] = source.At(sx, sy);
            prepared.defined[at] = 1;
        }
    }
    TBlitRequest request;
    request.dstX = area.left;
    request.dstY = area.top;
    request.dstWidth = area.right - area.left;
    request.dstHeight = area.bottom - area.top;
    request.source = &prepared;
    request.srcWidth = request.dstWidth;
    request.srcHeight = request.dstHeight;
    request.sourceMonochrome = sourceSurface->m_monochrome;
    request.sourceBackground = ResolveColor(*src, src->State().m_bkColor);
    request.rop = SRCCOPY;
    DrawBlit(*dc, request);
    return TRUE;
}
