// Putting glyph coverage and text decorations onto a surface.
//
// Standard font smoothing mixes the text colour into the destination in linear light: each
// channel is decoded with a gamma of 2.3, mixed by the coverage level (0..16 sixteenths) and
// encoded again. This is why black text on white shows light greys at the glyph edges and
// white text on black the mirror image of the same greys. A surface that holds only black and
// white takes a pixel when its coverage reaches one half.
//
// Every function draws only inside `clip`, a region in device pixels that already lies within
// the surface.
#pragma once

#include "platform/gdi/FontInstance_p.h"
#include "platform/gdi/Mapping_p.h"
#include "platform/gdi/Region_p.h"
#include "platform/gdi/Surface_p.h"

#include <cstdint>

namespace gdi {

// One channel mixed: destination and colour 0..255, level 0..16.
std::uint8_t BlendChannel(std::uint8_t destination, std::uint8_t colour, int level);

// Draws a glyph image with its origin at device pixel (x, y) in `pixel` (0x00RRGGBB).
void BlendGlyph(TSurface& surface, const TPixRegion& clip, int x, int y, const TGlyphImage& glyph,
                std::uint32_t pixel);

// Fills, without smoothing, the pixels whose centres lie inside the convex polygon.
void FillConvexPolygon(TSurface& surface, const TPixRegion& clip, const TPointD* points, int count,
                       std::uint32_t pixel);

} // namespace gdi
