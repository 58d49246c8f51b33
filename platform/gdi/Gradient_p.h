// GradientFill's rasterisation: shaded rectangles and Gouraud-shaded triangles.
#pragma once

#include "platform/gdi/Blit_p.h"

namespace gdi {

// A vertex in device pixels with 16-bit channels (only the high byte shows).
struct TGradientVertex {
    int x = 0;
    int y = 0;
    std::uint32_t red = 0; // 0 .. 0xFFFF
    std::uint32_t green = 0;
    std::uint32_t blue = 0;
    std::uint32_t alpha = 0;
};

// Fills the rectangle spanned by two corners (right and bottom excluded), shading from the
// left corner's colour to the right one's (or top to bottom when `vertical`). Each pixel takes
// the 16-bit mix at its left (top) edge, truncated to eight bits.
void GradientRectPixels(TSurface& surface, TGradientVertex a, TGradientVertex b, bool vertical,
                        bool keepsAlpha, const std::vector<RECT>* clip);

// Fills a triangle, each pixel taking the barycentric mix of the corner colours at the pixel's
// position, truncated to eight bits.
void GradientTrianglePixels(TSurface& surface, const TGradientVertex& a, const TGradientVertex& b,
                            const TGradientVertex& c, bool keepsAlpha,
                            const std::vector<RECT>* clip);

} // namespace gdi
