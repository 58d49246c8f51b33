// The raster back end: device-space geometry to pixels.
//
// Drawing is two steps. The geometry code turns a call into device-space shapes (paths in
// double precision, regions, spans); the back end rasterises a shape into a coverage mask and
// writes the covered pixels through the clip with a fill (a solid colour or a brush pattern)
// and the binary raster operation. Geometry is aliased: a pixel is covered when its centre is
// inside the shape; pixel (x, y) has its centre at device coordinate (x, y), and edges exactly
// through a centre follow the top-left rule (a centre on a left or top edge is in, on a right
// or bottom edge out). R2_COPYPEN with a solid fill takes a fast path (straight stores).
//
// Coverage masks are 8 bits per pixel over a device rectangle: 0 or 255 for geometry, any
// level for antialiased text (TextBlend). FillMask treats coverage >= 128 as covered.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/DeviceContext_p.h"
#include "platform/gdi/Path_p.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace gdi {

// What a shape is filled with, resolved for one DC at draw time.
struct TFill {
    enum class Kind { None, Solid, Pattern };
    Kind kind = Kind::None;
    std::uint32_t color = 0;                 // Solid: the surface word
    std::shared_ptr<const TPattern> pattern; // Pattern
    // Monochrome patterns: colours of 0 and 1 bits; a hatch's background may be left alone.
    std::uint32_t color0 = 0;
    std::uint32_t color1 = 0;
    bool transparent0 = false; // 0 bits leave the destination (hatch in TRANSPARENT mode)
    POINT origin{0, 0};        // device pixel where the pattern's (0, 0) lies

    bool IsNone() const { return kind == Kind::None; }
    // The colour at device pixel (x, y); false where the fill leaves the pixel alone.
    bool At(int x, int y, std::uint32_t& out) const;
};

struct TMask {
    RECT box{0, 0, 0, 0};          // device pixels covered by the mask, exclusive
    std::vector<std::uint8_t> cov; // (right - left) * (bottom - top), row after row

    int Width() const { return box.right - box.left; }
    int Height() const { return box.bottom - box.top; }
    bool IsEmpty() const { return Width() <= 0 || Height() <= 0; }
    std::uint8_t* Row(int y) {
        return cov.data() +
               static_cast<std::size_t>(y - box.top) * static_cast<std::size_t>(Width());
    }
    const std::uint8_t* Row(int y) const {
        return cov.data() +
               static_cast<std::size_t>(y - box.top) * static_cast<std::size_t>(Width());
    }
    void Reset(const RECT& box);
};

// Colours ---------------------------------------------------------------------------------------

// The surface word for a COLORREF on this DC: PALETTEINDEX through the selected palette,
// PALETTERGB as plain RGB, then black or white on a monochrome surface.
std::uint32_t ResolveColor(TDeviceContext& dc, COLORREF color);
// The fill of a brush on this DC (DC_BRUSH takes the DC brush colour; hatches and mono
// patterns take the text and background colours and the background mode).
TFill RealizeBrush(TDeviceContext& dc, const TBrush* brush);
// The fill a pen draws with (its colour, or its brush for geometric pens).
TFill RealizePen(TDeviceContext& dc, const TPen* pen);

// The sixteen binary raster operations on surface words (R2_BLACK .. R2_WHITE); the top byte
// of the result is 0.
std::uint32_t ApplyRop2(int rop2, std::uint32_t pen, std::uint32_t dst);

// Rasterising -------------------------------------------------------------------------------

// The coverage of a closed path (every figure implicitly closed) with ALTERNATE or WINDING,
// limited to `limit` (device pixels). False when nothing is covered.
bool RasterizeFill(const TDevicePath& path, int fillMode, const RECT& limit, TMask& out);

// Writing ---------------------------------------------------------------------------------------

// These write only inside dc.EffectiveClip(), call BeginDraw/EndDraw themselves and do
// nothing on a DC without a surface.
void FillMask(TDeviceContext& dc, const TMask& mask, const TFill& fill, int rop2);
void FillRegion(TDeviceContext& dc, const TPixRegion& region, const TFill& fill, int rop2);
void FillDeviceRect(TDeviceContext& dc, const RECT& rect, const TFill& fill, int rop2);
// One pixel; (x, y) in device pixels.
void PlotPixel(TDeviceContext& dc, int x, int y, std::uint32_t color, int rop2);
// Antialiased text: each pixel moves towards `color` by its coverage (0..255), no ROP.
void TextBlend(TDeviceContext& dc, const TMask& coverage, std::uint32_t color);

} // namespace gdi
