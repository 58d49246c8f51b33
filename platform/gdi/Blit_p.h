// The pixel loop shared by every blit: a prepared source (already stretched, mirrored or
// transformed onto destination pixels), the brush pattern and the destination combined by a
// ternary raster operation, inside the clip.
#pragma once

#include "platform/gdi/Dib_p.h"
#include "platform/gdi/Rop3_p.h"
#include "platform/gdi/Surface_p.h"

#include <cstddef>
#include <vector>

namespace gdi {

// The brush as a blit sees it: one colour, or a tile repeated from the brush origin (device
// pixels). Hatched brushes arrive as tiles with the background colour filled in: blits draw
// hatches opaque whatever the background mode.
struct TBlitPattern {
    std::uint32_t color = 0;      // 0x00RRGGBB of a solid brush
    const TImage* tile = nullptr; // borrowed; null for a solid brush
    int originX = 0;
    int originY = 0;

    std::uint32_t At(int x, int y) const {
        if (tile == nullptr || tile->width <= 0 || tile->height <= 0)
            return color;
        int tx = (x - originX) % tile->width;
        int ty = (y - originY) % tile->height;
        if (tx < 0)
            tx += tile->width;
        if (ty < 0)
            ty += tile->height;
        return tile->At(tx, ty) & 0xFFFFFF;
    }
};

// One blit's inputs, all in device pixels. The source picture's pixel (0, 0) lies on device
// pixel (sourceX, sourceY); so does the mask's on (maskX, maskY). Where the mask has white (a
// set bit) the foreground operation applies, elsewhere the background one. Source pixels that
// are undefined, outside the source, or equal to the key leave the destination alone.
struct TBlitPixels {
    RECT area{0, 0, 0, 0};          // destination pixels to visit, exclusive
    DWORD rop = 0x00CC0020;         // foreground ternary operation (SRCCOPY)
    const TImage* source = nullptr; // borrowed; null when the operation takes no source
    int sourceX = 0;
    int sourceY = 0;
    const TImage* mask = nullptr; // borrowed; black and white
    int maskX = 0;
    int maskY = 0;
    DWORD backgroundRop = 0x00AA0029; // where the mask is black (NOP keeps the destination)
    bool useKey = false;
    std::uint32_t key = 0; // 0x00RRGGBB colour that is not drawn
    TBlitPattern pattern;
    bool keepsAlpha = false; // the operation reaches the fourth byte (32-bit DIB sections)
};

// Runs the blit over `area` intersected with the surface and with the union of `clip`
// (disjoint device rectangles). A null clip means no clipping; an empty one, nothing visible.
void BlitPixels(TSurface& surface, const TBlitPixels& blit, const std::vector<RECT>* clip);

// The rectangle common to two exclusive rectangles; empty ones come back with right <= left
// or bottom <= top.
RECT IntersectRects(const RECT& a, const RECT& b);

} // namespace gdi
