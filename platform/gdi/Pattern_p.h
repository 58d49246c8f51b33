// Brush patterns made from bitmaps and packed DIBs.
#pragma once

#include "platform/gdi/GdiObject_p.h"
#include "platform/gdi/Surface_p.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {

// The pattern of a bitmap: monochrome (0/1 per pixel) for a 1-bpp bitmap, colours otherwise.
std::shared_ptr<const TPattern> PatternFromBitmap(TBitmap& bitmap);

// The pattern of a packed DIB (header, colour table, bits, as CreateDIBPatternBrushPt takes
// it); `packed` receives a copy of the bytes it read. With usage 2 (no colour table, as a
// metafile stores a monochrome brush) a 1-bpp DIB gives a monochrome pattern. nullptr when the
// DIB is refused.
std::shared_ptr<const TPattern> PatternFromPackedDib(const void* dib, UINT usage,
                                                     std::vector<std::uint8_t>& packed);

} // namespace gdi
