// The pixel loop shared by every blit: a prepared source (already stretched, mirrored or
// transformed onto destination pixels), the brush pattern and the destination combined by a
// ternary raster operation, inside the clip.
#pragma once

#include "platform/gdi/Dib_p.h"
#include "platform/gdi/Raster_p.h"
#include "platform/gdi/Rop3_p.h"
#include "platform/gdi/Surface_p.h"

#include <cstddef>
#include <vector>

namespace gdi {

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
    std::uint32_t key = 0;          // 0x00RRGGBB colour that is not drawn
    const TFill* pattern = nullptr; // borrowed; null reads as black
    bool keepsAlpha = false;        // the operation reaches the fourth byte (32-bit DIB sections)
};

// A block transfer as the API calls hand it to the raster code, in device pixels. The
// destination is the rectangle from (dstX, dstY) extending dstWidth x dstHeight (negative
// extents run left or up from the corner and mirror the picture); the source likewise inside
// `source`, whose pixel (0, 0) is the source's (sourceOriginX, sourceOriginY).
struct TBlitRequest {
    int dstX = 0, dstY = 0, dstWidth = 0, dstHeight = 0;
    const TImage* source = nullptr; // borrowed; null when the operation takes no source
    int srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
    // How source colours meet the destination's kind: a monochrome source takes the
    // destination's text colour for black and background colour for white; a colour source
    // on a monochrome destination turns white where it has `sourceBackground`, black elsewhere
    // (a DIB instead goes to the nearer of black and white).
    bool sourceMonochrome = false;
    bool sourceIsDib = false;
    std::uint32_t sourceBackground = 0xFFFFFF;
    bool sourceHasAlpha = false; // a 32-bpp DIB section: raster operations keep its fourth byte
    DWORD rop = 0x00CC0020;
    DWORD backgroundRop = 0x00AA0029;
    int stretchMode = 3;          // COLORONCOLOR
    const TImage* mask = nullptr; // borrowed; its (maskX, maskY) lies on the destination corner
    int maskX = 0, maskY = 0;
    bool useKey = false;
    std::uint32_t key = 0;
    bool blend = false; // AlphaBlend instead of a raster operation
    unsigned constantAlpha = 255;
    bool perPixelAlpha = false;
};

// Draws a block transfer on the DC's surface inside its clip (nothing without a surface).
void DrawBlit(TDeviceContext& dc, const TBlitRequest& request);

// The device rectangle of a logical one: its corner (x, y) and far corner (x + w, y + h)
// through the DC's transform, as a corner and signed extents.
struct TDeviceBox {
    int x = 0, y = 0, width = 0, height = 0;
};
TDeviceBox ToDeviceBox(TDeviceContext& dc, int x, int y, int width, int height);

// The effective clip of a DC as rectangles.
std::vector<RECT> ClipRects(TDeviceContext& dc);

// Runs the blit over `area` intersected with the surface and with the union of `clip`
// (disjoint device rectangles). A null clip means no clipping; an empty one, nothing visible.
void BlitPixels(TSurface& surface, const TBlitPixels& blit, const std::vector<RECT>* clip);

// The rectangle common to two exclusive rectangles; empty ones come back with right <= left
// or bottom <= top.
RECT IntersectRects(const RECT& a, const RECT& b);

} // namespace gdi
