// Bitmap objects as the bitmap and blit code share them: DIB section data, and reading or
// writing a bitmap's pixels as a true-colour image.
#pragma once

#include "platform/gdi/DeviceContext_p.h"
#include "platform/gdi/Dib_p.h"
#include "platform/gdi/Surface_p.h"

#include <cstdint>
#include <vector>

namespace gdi {

// What a DIB section keeps besides its surface: its own format and the caller-visible bits.
// For a 32-bpp BI_RGB section the surface borrows `bits` directly; for the other formats the
// surface is a 32-bpp copy kept in step by the bitmap's draw hooks. A 1-bpp section's surface
// is monochrome: index 0 is black, index 1 white, whatever the colour table says.
struct TDibSectionData {
    TDibFormat format;          // as created; colours follow SetDIBColorTable
    std::vector<BYTE> bits;     // format.DataBytes() bytes, never reallocated
    bool surfaceIsBits = false; // the surface borrows `bits`
};

// The colours of the DC's selected palette as 0x00RRGGBB, for DIB_PAL_COLORS.
std::vector<std::uint32_t> PaletteColors(TDeviceContext& dc);

// A bitmap's pixels in [rect) (clamped to the bitmap) as an image whose pixel (0, 0) is the
// bitmap's (rect.left, rect.top); pixels outside the bitmap are undefined. Refreshes a DIB
// section's surface first.
TImage ReadSurfaceImage(TBitmap* bitmap, TSurface& surface, const RECT& rect);

// Whether a bitmap counts as monochrome for colour conversion in blits.
inline bool IsMonochromeSurface(const TSurface& surface) {
    return surface.m_monochrome;
}

// Refreshes a DIB section's 32-bpp copy from its bits (no-op for other bitmaps), and writes
// the copy back after drawing.
void RefreshBitmap(TBitmap& bitmap);
void CommitBitmap(TBitmap& bitmap);

} // namespace gdi
