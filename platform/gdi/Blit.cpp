// BitBlt, StretchBlt, PatBlt, MaskBlt and TransparentBlt: logical rectangles to device
// pixels, the source read from the source DC's surface, stretched, converted between
// monochrome and colour, and combined with the brush and the destination.
#include "platform/gdi/AlphaBlend_p.h"
#include "platform/gdi/Bitmap_p.h"
#include "platform/gdi/Blit_p.h"
#include "platform/gdi/StretchBlt_p.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace gdi {

TDeviceBox ToDeviceBox(TDeviceContext& dc, int x, int y, int width, int height) {
    const TPointD a = dc.ToDevice(x, y);
    const TPointD b = dc.ToDevice(static_cast<double>(x) + width, static_cast<double>(y) + height);
    TDeviceBox box;
    box.x = RoundCoord(a.x);
    box.y = RoundCoord(a.y);
    box.width = RoundCoord(b.x) - box.x;
    box.height = RoundCoord(b.y) - box.y;
    return box;
}

std::vector<RECT> ClipRects(TDeviceContext& dc) {
    std::vector<RECT> rects;
    for (const pixman_box32_t& b : dc.EffectiveClip().Boxes())
        rects.push_back(RECT{b.x1, b.y1, b.x2, b.y2});
    return rects;
}

namespace {

// A rectangle from a corner and signed extents, right and bottom excluded. A negative extent
// runs back from the corner pixel itself: x = 10, width = -4 covers pixels 7 to 10.
// Corners and extents from a damaged file may lie near the ends of the int range; the edges
// are worked out in 64 bits and held inside it.
RECT Normalized(int x, int y, int width, int height) {
    const auto span = [](std::int64_t from, std::int64_t extent, LONG& low, LONG& high) {
        std::int64_t first = from, last = from + extent;
        if (extent < 0)
            first = from + extent + 1, last = from + 1;
        constexpr std::int64_t kMin = std::numeric_limits<LONG>::min();
        constexpr std::int64_t kMax = std::numeric_limits<LONG>::max();
        low = static_cast<LONG>(std::clamp(first, kMin, kMax));
        high = static_cast<LONG>(std::clamp(last, kMin, kMax));
    };
    RECT r{};
    span(x, width, r.left, r.right);
    span(y, height, r.top, r.bottom);
    return r;
}

bool IsDib32(const TBitmap* bitmap) {
    return bitmap != nullptr && bitmap->m_isDibSection && bitmap->m_bitsPixel == 32;
}

// Colours of a stretched source as the destination takes them.
void ConvertColors(TDeviceContext& dc, const TBlitRequest& request, bool destinationMono,
                   TImage& image) {
    if (request.sourceMonochrome && !destinationMono) {
        const std::uint32_t text = ResolveColor(dc, dc.State().m_textColor);
        const std::uint32_t back = ResolveColor(dc, dc.State().m_bkColor);
        for (auto& p : image.pixels)
            p = (p & 0xFFFFFF) != 0 ? back : text;
    } else if (!request.sourceMonochrome && destinationMono) {
        for (auto& p : image.pixels) {
            const std::uint32_t c = p & 0xFFFFFF;
            p = request.sourceIsDib ? ToMonochrome(c)
                                    : (c == (request.sourceBackground & 0xFFFFFF) ? 0xFFFFFFu : 0u);
        }
    }
}

} // namespace

void DrawBlit(TDeviceContext& dc, const TBlitRequest& request) {
    TSurface* surface = dc.Surface();
    if (surface == nullptr)
        return;
    const RECT target = Normalized(request.dstX, request.dstY, request.dstWidth, request.dstHeight);
    const std::vector<RECT> clip = ClipRects(dc);
    RECT visible{0, 0, 0, 0};
    for (const RECT& box : clip) {
        const RECT part = IntersectRects(target, box);
        if (part.right <= part.left || part.bottom <= part.top)
            continue;
        if (visible.right <= visible.left) {
            visible = part;
        } else {
            visible.left = std::min(visible.left, part.left);
            visible.top = std::min(visible.top, part.top);
            visible.right = std::max(visible.right, part.right);
            visible.bottom = std::max(visible.bottom, part.bottom);
        }
    }
    if (visible.right <= visible.left || visible.bottom <= visible.top)
        return;

    TBitmap* bitmap = dc.State().m_bitmap.Get();
    const bool destinationMono = surface->m_monochrome;
    TImage prepared;
    if (request.source != nullptr) {
        const RECT from =
            Normalized(request.srcX, request.srcY, request.srcWidth, request.srcHeight);
        TStretch stretch;
        stretch.srcX = from.left;
        stretch.srcY = from.top;
        stretch.srcWidth = from.right - from.left;
        stretch.srcHeight = from.bottom - from.top;
        stretch.dstWidth = target.right - target.left;
        stretch.dstHeight = target.bottom - target.top;
        stretch.mirrorX = (request.dstWidth < 0) != (request.srcWidth < 0);
        stretch.mirrorY = (request.dstHeight < 0) != (request.srcHeight < 0);
        stretch.mode = request.stretchMode;
        stretch.visible = RECT{visible.left - target.left, visible.top - target.top,
                               visible.right - target.left, visible.bottom - target.top};
        prepared = StretchImage(*request.source, stretch);
        if (!request.blend)
            ConvertColors(dc, request, destinationMono, prepared);
    }

    dc.BeginDraw();
    if (request.blend) {
        AlphaBlendPixels(*surface, visible, prepared, visible.left, visible.top,
                         request.constantAlpha, request.perPixelAlpha, IsDib32(bitmap), &clip);
    } else {
        TFill fill;
        const bool needPattern =
            Rop3UsesPattern(request.rop) ||
            (request.mask != nullptr && Rop3UsesPattern(request.backgroundRop));
        if (needPattern) {
            fill = RealizeBrush(dc, dc.State().m_brush.Get());
            fill.transparent0 = false; // blits draw hatches opaque in either background mode
        }
        TBlitPixels blit;
        blit.area = visible;
        blit.rop = request.rop;
        blit.backgroundRop = request.backgroundRop;
        blit.source = request.source != nullptr ? &prepared : nullptr;
        blit.sourceX = visible.left;
        blit.sourceY = visible.top;
        blit.mask = request.mask;
        blit.maskX = target.left - request.maskX;
        blit.maskY = target.top - request.maskY;
        blit.useKey = request.useKey;
        blit.key = request.key;
        blit.pattern = needPattern ? &fill : nullptr;
        blit.keepsAlpha = IsDib32(bitmap) && request.sourceHasAlpha;
        BlitPixels(*surface, blit, &clip);
    }
    dc.EndDraw();
}

} // namespace gdi

using namespace gdi;

namespace {

// The source of a blit from a DC: its pixels around the device rectangle asked for.
struct TDcSource {
    TImage image;
    int originX = 0; // device pixel of image (0, 0) in the source DC
    int originY = 0;
    bool monochrome = false;
    bool hasAlpha = false;
    std::uint32_t background = 0xFFFFFF;
};

bool ReadSource(TDeviceContext& src, const TDeviceBox& box, TDcSource& out) {
    TSurface* surface = src.Surface();
    if (surface == nullptr)
        return false;
    TBitmap* bitmap = src.m_kind == TDcKind::Memory ? src.State().m_bitmap.Get() : nullptr;
    const RECT rect = Normalized(box.x, box.y, box.width, box.height);
    // Only what the surface holds is read; the rest of the rectangle stays undefined.
    RECT limited = IntersectRects(rect, RECT{0, 0, surface->m_width, surface->m_height});
    if (limited.right < limited.left || limited.bottom < limited.top)
        limited = RECT{0, 0, 0, 0};
    out.image = ReadSurfaceImage(bitmap, *surface, limited);
    out.originX = limited.left;
    out.originY = limited.top;
    out.monochrome = surface->m_monochrome;
    out.hasAlpha = bitmap != nullptr && bitmap->m_isDibSection && bitmap->m_bitsPixel == 32;
    out.background = ResolveColor(src, src.State().m_bkColor);
    return true;
}

// StretchBlt and its relatives after their handles are checked.
BOOL StretchFromDc(TDeviceContext& dc, int xDest, int yDest, int destWidth, int destHeight,
                   TDeviceContext* src, int xSrc, int ySrc, int srcWidth, int srcHeight, DWORD rop,
                   TBlitRequest request) {
    const TDeviceBox dest = ToDeviceBox(dc, xDest, yDest, destWidth, destHeight);
    request.dstX = dest.x;
    request.dstY = dest.y;
    request.dstWidth = dest.width;
    request.dstHeight = dest.height;
    request.rop = rop;
    TDcSource source;
    const bool needSource =
        Rop3UsesSource(rop) || (request.mask != nullptr && Rop3UsesSource(request.backgroundRop));
    if (needSource) {
        if (src == nullptr)
            return FALSE;
        const TDeviceBox box = ToDeviceBox(*src, xSrc, ySrc, srcWidth, srcHeight);
        if (!ReadSource(*src, box, source))
            return FALSE;
        request.source = &source.image;
        request.srcX = box.x - source.originX;
        request.srcY = box.y - source.originY;
        request.srcWidth = box.width;
        request.srcHeight = box.height;
        request.sourceMonochrome = source.monochrome;
        request.sourceBackground = source.background;
        request.sourceHasAlpha = source.hasAlpha;
    }
    if (request.dstWidth == 0 || request.dstHeight == 0)
        return TRUE;
    DrawBlit(dc, request);
    return TRUE;
}

} // namespace

int SetStretchBltMode(HDC hdc, int mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || mode < BLACKONWHITE || mode > MAXSTRETCHBLTMODE ||
        !dc->Driver().SetStretchBltMode(*dc, mode))
        return 0;
    const int previous = dc->State().m_stretchBltMode;
    dc->State().m_stretchBltMode = mode;
    return previous;
}

int GetStretchBltMode(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc != nullptr ? dc->State().m_stretchBltMode : 0;
}

BOOL BitBlt(HDC hdest, int x, int y, int width, int height, HDC hsrc, int xSrc, int ySrc,
            DWORD rop) {
    TDeviceContext* dc = GdiLookupDC(hdest);
    TDeviceContext* src = hsrc != nullptr ? GdiLookupDC(hsrc) : nullptr;
    if (dc == nullptr || (Rop3UsesSource(rop) && src == nullptr) ||
        !dc->Driver().BitBlt(*dc, x, y, width, height, src, xSrc, ySrc, rop))
        return FALSE;
    TBlitRequest request;
    request.stretchMode = COLORONCOLOR;
    return StretchFromDc(*dc, x, y, width, height, src, xSrc, ySrc, width, height, rop, request);
}

BOOL StretchBlt(HDC hdest, int xDest, int yDest, int destWidth, int destHeight, HDC hsrc, int xSrc,
                int ySrc, int srcWidth, int srcHeight, DWORD rop) {
    TDeviceContext* dc = GdiLookupDC(hdest);
    TDeviceContext* src = hsrc != nullptr ? GdiLookupDC(hsrc) : nullptr;
    if (dc == nullptr || (Rop3UsesSource(rop) && src == nullptr) ||
        !dc->Driver().StretchBlt(*dc, xDest, yDest, destWidth, destHeight, src, xSrc, ySrc,
                                 srcWidth, srcHeight, rop))
        return FALSE;
    TBlitRequest request;
    request.stretchMode = dc->State().m_stretchBltMode;
    return StretchFromDc(*dc, xDest, yDest, destWidth, destHeight, src, xSrc, ySrc, srcWidth,
                         srcHeight, rop, request);
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (dc == nullptr || Rop3UsesSource(rop) || !dc->Driver().PatBlt(*dc, x, y, width, height, rop))
        return FALSE;
    return StretchFromDc(*dc, x, y, width, height, nullptr, 0, 0, 0, 0, rop, TBlitRequest{});
}

BOOL MaskBlt(HDC hdest, int xDest, int yDest, int width, int height, HDC hsrc, int xSrc, int ySrc,
             HBITMAP hmask, int xMask, int yMask, DWORD rop4) {
    TDeviceContext* dc = GdiLookupDC(hdest);
    TDeviceContext* src = hsrc != nullptr ? GdiLookupDC(hsrc) : nullptr;
    TBitmap* mask = hmask != nullptr ? GdiLookupBitmap(hmask) : nullptr;
    const DWORD foreground = rop4 & 0x00FFFFFF;
    const DWORD background = (rop4 >> 8) & 0x00FF0000;
    if (dc == nullptr || (hmask != nullptr && (mask == nullptr || !mask->IsMonochrome())))
        return FALSE;
    if ((Rop3UsesSource(foreground) || (mask && Rop3UsesSource(background))) && src == nullptr)
        return FALSE;
    if (!dc->Driver().MaskBlt(*dc, xDest, yDest, width, height, src, xSrc, ySrc, mask, xMask, yMask,
                              rop4))
        return FALSE;
    TBlitRequest request;
    request.stretchMode = COLORONCOLOR;
    TImage maskImage;
    if (mask != nullptr) {
        // The mask is in its own pixels, not stretched, and starts at the destination corner.
        const TDeviceBox box = ToDeviceBox(*dc, xDest, yDest, width, height);
        // A mask smaller than the rectangle repeats, as GDI's does.
        RefreshBitmap(*mask);
        const int w = std::abs(box.width), h = std::abs(box.height);
        if (static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h) > kMaxDibPixels)
            return FALSE;
        maskImage.Resize(w, h);
        const int mw = mask->Width(), mh = mask->Height();
        for (int v = 0; v < h; ++v)
            for (int u = 0; u < w; ++u) {
                const int mx = ((xMask + u) % mw + mw) % mw;
                const int my = ((yMask + v) % mh + mh) % mh;
                maskImage.pixels[static_cast<std::size_t>(v) * w + u] = mask->m_surface.Get(mx, my);
            }
        request.mask = &maskImage;
        request.backgroundRop = background;
    }
    return StretchFromDc(*dc, xDest, yDest, width, height, src, xSrc, ySrc, width, height,
                         foreground, request);
}

BOOL TransparentBlt(HDC hdest, int xDest, int yDest, int destWidth, int destHeight, HDC hsrc,
                    int xSrc, int ySrc, int srcWidth, int srcHeight, UINT transparent) {
    TDeviceContext* dc = GdiLookupDC(hdest);
    TDeviceContext* src = hsrc != nullptr ? GdiLookupDC(hsrc) : nullptr;
    if (dc == nullptr || src == nullptr || destWidth < 0 || destHeight < 0 || srcWidth < 0 ||
        srcHeight < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!dc->Driver().TransparentBlt(*dc, xDest, yDest, destWidth, destHeight, *src, xSrc, ySrc,
                                     srcWidth, srcHeight, transparent))
        return FALSE;
    TBlitRequest request;
    request.stretchMode = COLORONCOLOR;
    request.useKey = true;
    request.key = ResolveColor(*src, transparent);
    return StretchFromDc(*dc, xDest, yDest, destWidth, destHeight, src, xSrc, ySrc, srcWidth,
                         srcHeight, SRCCOPY, request);
}

BOOL AlphaBlend(HDC hdest, int xDest, int yDest, int destWidth, int destHeight, HDC hsrc, int xSrc,
                int ySrc, int srcWidth, int srcHeight, BLENDFUNCTION blend) {
    TDeviceContext* dc = GdiLookupDC(hdest);
    TDeviceContext* src = hsrc != nullptr ? GdiLookupDC(hsrc) : nullptr;
    if (dc == nullptr || src == nullptr || blend.BlendOp != AC_SRC_OVER || destWidth < 0 ||
        destHeight < 0 || srcWidth < 0 || srcHeight < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The source rectangle must lie inside the source surface.
    const TDeviceBox box = ToDeviceBox(*src, xSrc, ySrc, srcWidth, srcHeight);
    const TSurface* surface = src->Surface();
    const RECT from = Normalized(box.x, box.y, box.width, box.height);
    if (surface == nullptr || from.left < 0 || from.top < 0 || from.right > surface->m_width ||
        from.bottom > surface->m_height) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!dc->Driver().AlphaBlend(*dc, xDest, yDest, destWidth, destHeight, *src, xSrc, ySrc,
                                 srcWidth, srcHeight, blend))
        return FALSE;
    TBlitRequest request;
    request.stretchMode = COLORONCOLOR;
    request.blend = true;
    request.constantAlpha = blend.SourceConstantAlpha;
    request.perPixelAlpha = (blend.AlphaFormat & AC_SRC_ALPHA) != 0;
    return StretchFromDc(*dc, xDest, yDest, destWidth, destHeight, src, xSrc, ySrc, srcWidth,
                         srcHeight, SRCCOPY, request);
}
