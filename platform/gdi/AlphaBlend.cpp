// AlphaBlend's pixel arithmetic.
#include "platform/gdi/AlphaBlend_p.h"

#include <algorithm>

namespace gdi {
namespace {

unsigned Channel(std::uint32_t pixel, int c) {
    return (pixel >> (8 * c)) & 0xFF;
}

unsigned Scale(unsigned value, unsigned alpha) {
    return (value * alpha + 127) / 255;
}

} // namespace

std::uint32_t BlendPixel(std::uint32_t destination, std::uint32_t source, unsigned constantAlpha,
                         bool perPixelAlpha) {
    std::uint32_t out = 0;
    if (!perPixelAlpha) {
        for (int c = 0; c < 4; ++c) {
            const unsigned v = (Channel(source, c) * constantAlpha +
                                Channel(destination, c) * (255 - constantAlpha) + 127) /
                               255;
            out |= v << (8 * c);
        }
        return out;
    }
    const unsigned alpha = Scale(Channel(source, 3), constantAlpha);
    for (int c = 0; c < 4; ++c) {
        const unsigned s = Scale(Channel(source, c), constantAlpha);
        const unsigned v = std::min(255u, s + Scale(Channel(destination, c), 255 - alpha));
        out |= v << (8 * c);
    }
    return out;
}

void AlphaBlendPixels(TSurface& surface, const RECT& area, const TImage& source, int sourceX,
                      int sourceY, unsigned constantAlpha, bool perPixelAlpha, bool keepsAlpha,
                      const std::vector<RECT>* clip) {
    if (surface.IsEmpty())
        return;
    const RECT bounded = IntersectRects(area, RECT{0, 0, surface.m_width, surface.m_height});
    auto blendRect = [&](const RECT& rect) {
        for (int y = rect.top; y < rect.bottom; ++y) {
            std::uint32_t* row = surface.Row(y);
            const int sy = y - sourceY;
            if (sy < 0 || sy >= source.height)
                continue;
            for (int x = rect.left; x < rect.right; ++x) {
                const int sx = x - sourceX;
                if (sx < 0 || sx >= source.width || !source.IsDefined(sx, sy))
                    continue;
                const std::uint32_t blended =
                    BlendPixel(row[x], source.At(sx, sy), constantAlpha, perPixelAlpha);
                row[x] = keepsAlpha ? blended : blended & 0xFFFFFF;
            }
        }
    };
    if (clip == nullptr) {
        blendRect(bounded);
        return;
    }
    for (const RECT& box : *clip) {
        const RECT part = IntersectRects(bounded, box);
        if (part.right > part.left && part.bottom > part.top)
            blendRect(part);
    }
}

} // namespace gdi
