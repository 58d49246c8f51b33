// The raster back end: fills, masks, the binary raster operations and text blending.
#include "platform/gdi/Raster_p.h"

#include "platform/gdi/Scanline_p.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace gdi {
namespace {

// The eight-by-eight hatch tiles, one byte per row, bit 7 the leftmost pixel.
constexpr std::uint8_t kHatches[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // HS_HORIZONTAL
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // HS_VERTICAL
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // HS_CROSS
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
};

std::shared_ptr<const TPattern> HatchPattern(ULONG_PTR hatch) {
    static const std::array<std::shared_ptr<const TPattern>, 6> tiles = [] {
        std::array<std::shared_ptr<const TPattern>, 6> out;
        for (int h = 0; h < 6; ++h) {
            auto tile = std::make_shared<TPattern>();
            tile->width = 8;
            tile->height = 8;
            tile->monochrome = true;
            tile->pixels.resize(64);
            for (int y = 0; y < 8; ++y) {
                for (int x = 0; x < 8; ++x) {
                    tile->pixels[static_cast<std::size_t>(y * 8 + x)] =
                        (kHatches[h][y] >> (7 - x)) & 1;
                }
            }
            out[static_cast<std::size_t>(h)] = tile;
        }
        return out;
    }();
    return tiles[hatch < 6 ? hatch : 0];
}

int Mod(int a, int m) {
    const int r = a % m;
    return r < 0 ? r + m : r;
}

// Runs `fn(y, x0, x1)` over the parts of the row spans of `rect` inside the clip.
template <class Fn> void ForClipped(const TPixRegion& clip, const RECT& rect, Fn&& fn) {
    for (const pixman_box32_t& box : clip.Boxes()) {
        const int y0 = std::max<int>(box.y1, rect.top), y1 = std::min<int>(box.y2, rect.bottom);
        const int x0 = std::max<int>(box.x1, rect.left), x1 = std::min<int>(box.x2, rect.right);
        if (y0 >= y1 || x0 >= x1) {
            continue;
        }
        for (int y = y0; y < y1; ++y) {
            fn(y, x0, x1);
        }
    }
}

void WriteSpan(TSurface& surface, int y, int x0, int x1, const TFill& fill, int rop2) {
    std::uint32_t* row = surface.Row(y);
    if (fill.kind == TFill::Kind::Solid) {
        const std::uint32_t c = fill.color;
        if (rop2 == R2_COPYPEN) {
            std::fill(row + x0, row + x1, c);
            return;
        }
        for (int x = x0; x < x1; ++x) {
            row[x] = ApplyRop2(rop2, c, row[x]);
        }
        return;
    }
    std::uint32_t c = 0;
    for (int x = x0; x < x1; ++x) {
        if (fill.At(x, y, c)) {
            row[x] = ApplyRop2(rop2, c, row[x]);
        }
    }
}

std::uint32_t Mono(TDeviceContext& dc, std::uint32_t pixel) {
    TSurface* surface = dc.Surface();
    return surface && surface->m_monochrome ? ToMonochrome(pixel) : pixel;
}

} // namespace

bool TFill::At(int x, int y, std::uint32_t& out) const {
    if (kind == Kind::Solid) {
        out = color;
        return true;
    }
    if (kind != Kind::Pattern || !pattern) {
        return false;
    }
    const std::uint32_t v =
        pattern->At(Mod(x - origin.x, pattern->width), Mod(y - origin.y, pattern->height));
    if (!pattern->monochrome) {
        out = v & 0xFFFFFFu;
        return true;
    }
    if (v == 0) {
        if (transparent0) {
            return false;
        }
        out = color0;
        return true;
    }
    out = color1;
    return true;
}

void TMask::Reset(const RECT& r) {
    box = r;
    if (box.right < box.left) {
        box.right = box.left;
    }
    if (box.bottom < box.top) {
        box.bottom = box.top;
    }
    cov.assign(static_cast<std::size_t>(Width()) * static_cast<std::size_t>(Height()), 0);
}

// A colour is a palette index whenever its top byte has the palette-index bit, as GDI tests
// it: a writer that puts an opaque alpha (0xFF) there gets palette entry (low word), which is
// black past the palette's end. PALETTERGB (0x02) and plain RGB take the low three bytes.
std::uint32_t ResolveColor(TDeviceContext& dc, COLORREF color) {
    std::uint32_t pixel;
    if (color & 0x01000000u) {
        const TPalette* palette = dc.State().m_palette.Get();
        const std::size_t index = color & 0xFFFF;
        if (palette && index < palette->m_entries.size()) {
            const PALETTEENTRY& e = palette->m_entries[index];
            pixel = (static_cast<std::uint32_t>(e.peRed) << 16) |
                    (static_cast<std::uint32_t>(e.peGreen) << 8) | e.peBlue;
        } else {
            pixel = 0;
        }
    } else {
        pixel = ColorRefToPixel(color & 0xFFFFFFu);
    }
    return Mono(dc, pixel);
}

TFill RealizeBrush(TDeviceContext& dc, const TBrush* brush) {
    TFill fill;
    if (!brush) {
        return fill;
    }
    const TDcState& s = dc.State();
    fill.origin = s.m_brushOrg;
    switch (brush->m_style) {
    case BS_SOLID:
        fill.kind = TFill::Kind::Solid;
        fill.color =
            ResolveColor(dc, brush == GdiStockObject(DC_BRUSH) ? s.m_dcBrushColor : brush->m_color);
        return fill;
    case BS_HATCHED:
        fill.kind = TFill::Kind::Pattern;
        fill.pattern = HatchPattern(brush->m_hatch);
        fill.color1 = ResolveColor(dc, brush->m_color);
        fill.color0 = ResolveColor(dc, s.m_bkColor);
        fill.transparent0 = s.m_bkMode == TRANSPARENT;
        return fill;
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT:
        if (!brush->m_pattern || brush->m_pattern->width <= 0 || brush->m_pattern->height <= 0) {
            return fill;
        }
        fill.kind = TFill::Kind::Pattern;
        fill.pattern = brush->m_pattern;
        fill.color0 = ResolveColor(dc, s.m_textColor);
        fill.color1 = ResolveColor(dc, s.m_bkColor);
        if (!fill.pattern->monochrome && dc.Surface() && dc.Surface()->m_monochrome) {
            auto mono = std::make_shared<TPattern>(*fill.pattern);
            for (std::uint32_t& p : mono->pixels) {
                p = ToMonochrome(p);
            }
            fill.pattern = mono;
        }
        return fill;
    default:
        return fill;
    }
}

TFill RealizePen(TDeviceContext& dc, const TPen* pen) {
    TFill fill;
    if (!pen || pen->IsNull()) {
        return fill;
    }
    const COLORREF color = pen == GdiStockObject(DC_PEN) ? dc.State().m_dcPenColor : pen->m_color;
    if (pen->m_type == OBJ_EXTPEN && pen->IsGeometric() && pen->m_brushStyle != BS_SOLID) {
        TBrush brush;
        brush.m_style = pen->m_brushStyle;
        brush.m_color = color;
        brush.m_hatch = pen->m_hatch;
        brush.m_pattern = pen->m_pattern;
        return RealizeBrush(dc, &brush);
    }
    fill.kind = TFill::Kind::Solid;
    fill.color = ResolveColor(dc, color);
    return fill;
}

std::uint32_t ApplyRop2(int rop2, std::uint32_t p, std::uint32_t d) {
    std::uint32_t r;
    switch (rop2) {
    case R2_BLACK:
        r = 0;
        break;
    case R2_NOTMERGEPEN:
        r = ~(d | p);
        break;
    case R2_MASKNOTPEN:
        r = d & ~p;
        break;
    case R2_NOTCOPYPEN:
        r = ~p;
        break;
    case R2_MASKPENNOT:
        r = p & ~d;
        break;
    case R2_NOT:
        r = ~d;
        break;
    case R2_XORPEN:
        r = d ^ p;
        break;
    case R2_NOTMASKPEN:
        r = ~(d & p);
        break;
    case R2_MASKPEN:
        r = d & p;
        break;
    case R2_NOTXORPEN:
        r = ~(d ^ p);
        break;
    case R2_NOP:
        r = d;
        break;
    case R2_MERGENOTPEN:
        r = d | ~p;
        break;
    case R2_MERGEPENNOT:
        r = p | ~d;
        break;
    case R2_MERGEPEN:
        r = d | p;
        break;
    case R2_WHITE:
        r = 0xFFFFFFFFu;
        break;
    default: // R2_COPYPEN
        r = p;
        break;
    }
    return r & 0xFFFFFFu;
}

bool RasterizeFill(const TDevicePath& path, int fillMode, const RECT& limit, TMask& out) {
    TDevicePath flat = path;
    flat.Flatten();
    std::vector<TPolygon> polygons;
    for (std::size_t i = 0; i < flat.points.size(); ++i) {
        if ((flat.types[i] & ~PT_CLOSEFIGURE) == PT_MOVETO || polygons.empty()) {
            polygons.emplace_back();
        }
        polygons.back().push_back(flat.points[i]);
    }
    RECT box = PolygonBounds(polygons);
    box.left = std::max(box.left, limit.left);
    box.top = std::max(box.top, limit.top);
    box.right = std::min(box.right, limit.right);
    box.bottom = std::min(box.bottom, limit.bottom);
    if (box.left >= box.right || box.top >= box.bottom) {
        out.Reset(RECT{0, 0, 0, 0});
        return false;
    }
    if (static_cast<std::int64_t>(box.right - box.left) * (box.bottom - box.top) >
        kMaxSurfacePixels) {
        out.Reset(RECT{0, 0, 0, 0});
        return false; // larger than any surface could show
    }
    out.Reset(box);
    bool any = false;
    ScanPolygons(polygons, fillMode, box, [&](int y, int x0, int x1) {
        std::fill(out.Row(y) + (x0 - box.left), out.Row(y) + (x1 - box.left), 0xFF);
        any = true;
    });
    return any;
}

void FillMask(TDeviceContext& dc, const TMask& mask, const TFill& fill, int rop2) {
    TSurface* surface = dc.Surface();
    if (!surface || fill.IsNone() || mask.IsEmpty()) {
        return;
    }
    dc.BeginDraw();
    ForClipped(dc.EffectiveClip(), mask.box, [&](int y, int x0, int x1) {
        const std::uint8_t* cov = mask.Row(y) - mask.box.left;
        int x = x0;
        while (x < x1) {
            while (x < x1 && cov[x] < 128) {
                ++x;
            }
            const int start = x;
            while (x < x1 && cov[x] >= 128) {
                ++x;
            }
            if (start < x) {
                WriteSpan(*surface, y, start, x, fill, rop2);
            }
        }
    });
    dc.EndDraw();
}

void FillRegion(TDeviceContext& dc, const TPixRegion& region, const TFill& fill, int rop2) {
    TSurface* surface = dc.Surface();
    if (!surface || fill.IsNone()) {
        return;
    }
    TPixRegion visible = region;
    visible.Intersect(dc.EffectiveClip());
    dc.BeginDraw();
    for (const pixman_box32_t& box : visible.Boxes()) {
        for (int y = box.y1; y < box.y2; ++y) {
            WriteSpan(*surface, y, box.x1, box.x2, fill, rop2);
        }
    }
    dc.EndDraw();
}

void FillDeviceRect(TDeviceContext& dc, const RECT& rect, const TFill& fill, int rop2) {
    TSurface* surface = dc.Surface();
    if (!surface || fill.IsNone() || rect.left >= rect.right || rect.top >= rect.bottom) {
        return;
    }
    dc.BeginDraw();
    ForClipped(dc.EffectiveClip(), rect,
               [&](int y, int x0, int x1) { WriteSpan(*surface, y, x0, x1, fill, rop2); });
    dc.EndDraw();
}

void PlotPixel(TDeviceContext& dc, int x, int y, std::uint32_t color, int rop2) {
    TSurface* surface = dc.Surface();
    if (!surface || !dc.EffectiveClip().Contains(x, y)) {
        return;
    }
    dc.BeginDraw();
    std::uint32_t& p = surface->Row(y)[x];
    p = ApplyRop2(rop2, color, p);
    dc.EndDraw();
}

void TextBlend(TDeviceContext& dc, const TMask& coverage, std::uint32_t color) {
    TSurface* surface = dc.Surface();
    if (!surface || coverage.IsEmpty()) {
        return;
    }
    const bool mono = surface->m_monochrome;
    dc.BeginDraw();
    ForClipped(dc.EffectiveClip(), coverage.box, [&](int y, int x0, int x1) {
        const std::uint8_t* cov = coverage.Row(y) - coverage.box.left;
        std::uint32_t* row = surface->Row(y);
        for (int x = x0; x < x1; ++x) {
            const unsigned a = cov[x];
            if (a == 0) {
                continue;
            }
            if (mono) {
                if (a >= 128) {
                    row[x] = color;
                }
                continue;
            }
            const std::uint32_t d = row[x];
            std::uint32_t r = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                const unsigned dc8 = (d >> shift) & 0xFF, sc8 = (color >> shift) & 0xFF;
                const unsigned v = (sc8 * a + dc8 * (255 - a) + 127) / 255;
                r |= v << shift;
            }
            row[x] = r;
        }
    });
    dc.EndDraw();
}

} // namespace gdi
