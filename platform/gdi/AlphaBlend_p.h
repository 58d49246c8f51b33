// AlphaBlend's arithmetic: a constant opacity, and per-pixel opacity of premultiplied
// sources.
#pragma once

#include "platform/gdi/Blit_p.h"

namespace gdi {

// One destination pixel blended with one source pixel. Without per-pixel alpha every channel
// becomes (s * a + d * (255 - a)) / 255. With it the source, already multiplied by its own
// alpha, is scaled by the constant first and then laid over the destination:
// s' = s * a / 255, d = s' + d * (255 - alpha(s')) / 255. Results are rounded to nearest and
// never exceed 255 (a source that is not premultiplied saturates).
std::uint32_t BlendPixel(std::uint32_t destination, std::uint32_t source, unsigned constantAlpha,
                         bool perPixelAlpha);

// Blends a prepared source (its pixel (0, 0) on device pixel (sourceX, sourceY), already
// stretched) onto `area` of the surface inside the clip (null: unclipped). The fourth byte of
// the destination is written only when `keepsAlpha`, and is 0 otherwise.
void AlphaBlendPixels(TSurface& surface, const RECT& area, const TImage& source, int sourceX,
                      int sourceY, unsigned constantAlpha, bool perPixelAlpha, bool keepsAlpha,
                      const std::vector<RECT>* clip);

} // namespace gdi
