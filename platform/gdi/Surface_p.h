// Drawing surfaces and bitmap objects.
//
// Every surface the raster back end draws on is 32 bits per pixel, one word per pixel holding
// 0x00RRGGBB (bytes B, G, R, X in memory): the layout of a 32-bpp BI_RGB DIB. Drawing writes
// the top byte as 0, as GDI does on a 32-bpp DIB section; blits and AlphaBlend keep it where
// the bitmap code says so. Rows run top-down through `Row(y)`; the stride may be negative, so
// a bottom-up 32-bpp DIB section is drawn on in place, with no copy.
//
// Bitmap kinds, all kept as a TBitmap holding a 32-bpp surface:
// - device-dependent colour bitmaps (CreateCompatibleBitmap on a colour DC, CreateBitmap with
//   32 bits): the surface is the bitmap; bmBitsPixel reports the display depth, 32;
// - monochrome bitmaps (1 plane, 1 bit): the surface holds only 0x000000 and 0xFFFFFF; the
//   back end maps every colour it writes to black or white (m_monochrome);
// - DIB sections of 32 bpp (BI_RGB): the surface points into the section's own bits;
// - DIB sections of other depths and formats: the section keeps its bits in its own format
//   (what the caller sees through the pointer CreateDIBSection returned), and the surface is a
//   32-bpp copy. Before any drawing the copy is refreshed from the bits (m_beforeDraw) and after
//   it the bits are rewritten from the copy (m_afterDraw); both hooks belong to the bitmap code.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/GdiObject_p.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace gdi {

// Pixels a DC draws on. Does not own them unless m_storage is used.
struct TSurface {
    std::uint8_t* m_bits = nullptr;       // first byte of the top row
    std::ptrdiff_t m_stride = 0;          // bytes from one row to the next, may be negative
    int m_width = 0;                      // pixels
    int m_height = 0;                     // pixels
    bool m_monochrome = false;            // pixels are only 0x000000 or 0xFFFFFF
    std::vector<std::uint32_t> m_storage; // owned pixels when the surface owns them

    // Allocates owned pixels, all `fill`. False (and an empty surface) when too large.
    bool Allocate(int width, int height, std::uint32_t fill = 0);
    // Points at caller-owned pixels.
    void Borrow(std::uint8_t* topRow, std::ptrdiff_t stride, int width, int height);

    bool IsEmpty() const { return m_width <= 0 || m_height <= 0 || !m_bits; }
    std::uint32_t* Row(int y) {
        return reinterpret_cast<std::uint32_t*>(m_bits + static_cast<std::ptrdiff_t>(y) * m_stride);
    }
    const std::uint32_t* Row(int y) const {
        return reinterpret_cast<const std::uint32_t*>(m_bits +
                                                      static_cast<std::ptrdiff_t>(y) * m_stride);
    }
    std::uint32_t Get(int x, int y) const { return Row(y)[x]; }
    void Set(int x, int y, std::uint32_t v) { Row(y)[x] = v; }
};

// The largest bitmap the stand-in creates, in pixels (a 400-megabyte surface).
constexpr std::int64_t kMaxSurfacePixels = std::int64_t{1} << 27;

struct TDibSectionData; // DIB section details, owned by the bitmap code

// A bitmap object: a DDB, a monochrome bitmap or a DIB section.
class TBitmap : public TGdiObject {
public:
    TBitmap() : TGdiObject(OBJ_BITMAP) {}

    TSurface m_surface;           // always 32 bpp, see above
    int m_bitsPixel = 32;         // depth reported by GetObject: 1, 32 or the DIB's depth
    SIZE m_dimension{0, 0};       // SetBitmapDimensionEx, 0.1 mm
    HDC m_selectedInto = nullptr; // the memory DC holding this bitmap, if any

    // DIB sections only: what GetObject's DIBSECTION reports and where the caller's bits are.
    bool m_isDibSection = false;
    BITMAPINFOHEADER m_dibHeader{};         // as created (biHeight sign kept)
    DWORD m_bitfields[3] = {0, 0, 0};       // masks of a BI_BITFIELDS section
    std::vector<RGBQUAD> m_colorTable;      // 1-, 4- and 8-bpp sections
    void* m_dibBits = nullptr;              // the caller-visible bits
    std::shared_ptr<TDibSectionData> m_dib; // anything else the bitmap code keeps

    // Keep the 32-bpp surface and a non-32-bpp DIB section's own bits in step; empty for
    // bitmaps whose surface is their only pixels.
    std::function<void(TBitmap&)> m_beforeDraw;
    std::function<void(TBitmap&)> m_afterDraw;

    bool IsMonochrome() const { return m_surface.m_monochrome; }
    int Width() const { return m_surface.m_width; }
    int Height() const { return m_surface.m_height; }
};

inline TBitmap* GdiLookupBitmap(HGDIOBJ h) {
    return GdiLookupAs<TBitmap>(h, {OBJ_BITMAP});
}

// The stock 1 x 1 monochrome bitmap every new memory DC holds.
TBitmap* GdiStockBitmap();

// A new bitmap object with an owned surface of the given size, all black (zero bits), as
// CreateBitmap and CreateCompatibleBitmap leave it; nullptr when the size is not positive or
// too large. Not yet in the handle table.
std::unique_ptr<TBitmap> MakeBitmap(int width, int height, bool monochrome);

// The colour a pen or brush colour takes on a 1-bpp surface: the nearer of black and white,
// black on a tie. (Blits convert by the background colour instead; that is the bitmap code's.)
inline std::uint32_t ToMonochrome(std::uint32_t rgb) {
    unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return (r + g + b) >= 383 ? 0xFFFFFFu : 0u;
}

// COLORREF (0x00BBGGRR) <-> surface word (0x00RRGGBB).
constexpr std::uint32_t ColorRefToPixel(COLORREF c) {
    return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr COLORREF PixelToColorRef(std::uint32_t p) {
    return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

} // namespace gdi
