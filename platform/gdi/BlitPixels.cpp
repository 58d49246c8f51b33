// The per-pixel loop of the blits.
#include "platform/gdi/Blit_p.h"

#include <algorithm>

namespace gdi {

RECT IntersectRects(const RECT& a, const RECT& b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                std::min(a.bottom, b.bottom)};
}

namespace {

bool SourcePixel(const TBlitPixels& blit, int x, int y, std::uint32_t& pixel) {
    const int sx = x - blit.sourceX;
    const int sy = y - blit.sourceY;
    const TImage& source = *blit.source;
    if (sx < 0 || sy < 0 || sx >= source.width || sy >= source.height || !source.IsDefined(sx, sy))
        return false;
    pixel = source.At(sx, sy);
    return !(blit.useKey && (pixel & 0xFFFFFF) == (blit.key & 0xFFFFFF));
}

bool MaskIsSet(const TBlitPixels& blit, int x, int y) {
    const int mx = x - blit.maskX;
    const int my = y - blit.maskY;
    const TImage& mask = *blit.mask;
    if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height)
        return false;
    return (mask.At(mx, my) & 0xFFFFFF) != 0;
}

void BlitRect(TSurface& surface, const TBlitPixels& blit, const RECT& rect) {
    const BYTE foreground = Rop3Index(blit.rop);
    const BYTE background = Rop3Index(blit.backgroundRop);
    const bool needSource = blit.source != nullptr;
    const TFill* fill = blit.pattern;
    const bool solidPattern = fill == nullptr || fill->kind != TFill::Kind::Pattern;
    const std::uint32_t solid =
        fill != nullptr && fill->kind == TFill::Kind::Solid ? fill->color : 0;
    const std::uint32_t keep = blit.keepsAlpha ? ~0u : 0x00FFFFFFu;
    // Plain copies of a fully defined source that covers the rectangle: row by row.
    const TImage* source = blit.source;
    if (foreground == 0xCC && blit.mask == nullptr && !blit.useKey && source != nullptr &&
        source->defined.empty() && rect.left >= blit.sourceX && rect.top >= blit.sourceY &&
        rect.right - blit.sourceX <= source->width &&
        rect.bottom - blit.sourceY <= source->height) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            const std::uint32_t* from = source->pixels.data() +
                                        static_cast<std::size_t>(y - blit.sourceY) * source->width +
                                        (rect.left - blit.sourceX);
            std::uint32_t* to = surface.Row(y) + rect.left;
            for (int i = 0; i < rect.right - rect.left; ++i)
                to[i] = from[i] & keep;
        }
        return;
    }
    for (int y = rect.top; y < rect.bottom; ++y) {
        std::uint32_t* row = surface.Row(y);
        for (int x = rect.left; x < rect.right; ++x) {
            std::uint32_t s = 0;
            if (needSource && !SourcePixel(blit, x, y, s))
                continue;
            const BYTE index =
                blit.mask == nullptr || MaskIsSet(blit, x, y) ? foreground : background;
            std::uint32_t p = solid;
            if (!solidPattern && !fill->At(x, y, p))
                p = 0;
            const std::uint32_t d = row[x];
            const std::uint32_t result = ApplyRop3(index, p, s, d);
            row[x] = result & keep;
        }
    }
}

} // namespace

void BlitPixels(TSurface& surface, const TBlitPixels& blit, const std::vector<RECT>* clip) {
    if (surface.IsEmpty())
        return;
    const RECT area = IntersectRects(blit.area, RECT{0, 0, surface.m_width, surface.m_height});
    if (area.right <= area.left || area.bottom <= area.top)
        return;
    if (clip == nullptr) {
        BlitRect(surface, blit, area);
        return;
    }
    for (const RECT& box : *clip) {
        const RECT part = IntersectRects(area, box);
        if (part.right > part.left && part.bottom > part.top)
            BlitRect(surface, blit, part);
    }
}

} // namespace gdi
