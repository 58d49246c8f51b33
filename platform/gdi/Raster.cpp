// The raster back end: fills, masks, the binary raster operations and text blending.
#include "platform/gdi/Raster_p.h"

#include "platform/gdi/Scanline_p.h"

#include <cairo.h>

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

std::uint32_t ResolveColor(TDeviceContext& dc, COLORREF color) {
    std::uint32_t pixel;
    if ((color >> 24) == 0x01) {
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

bool RasterizeStroke(const TDevicePath& path, double width, DWORD style, double miterLimit,
                     const std::vector<double>& dashes, const RECT& limit, TMask& out) {
    if (path.IsEmpty()) {
        return false;
    }
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const TPointD& p : path.points) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    const double reach = width * std::max(1.0, miterLimit) + 2;
    RECT box{static_cast<LONG>(std::max<double>(limit.left, std::floor(minX - reach))),
             static_cast<LONG>(std::max<double>(limit.top, std::floor(minY - reach))),
             static_cast<LONG>(std::min<double>(limit.right, std::ceil(maxX + reach))),
             static_cast<LONG>(std::min<double>(limit.bottom, std::ceil(maxY + reach)))};
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
    const int w = out.Width();
    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_A8, w);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * out.Height(), 0);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_A8,
                                                                   w, out.Height(), stride);
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    // An even-width pen covers as many pixels on each side of its centre line; it runs between
    // pixel centres, half a pixel up and left of the line's points.
    const double even = std::fmod(std::round(width), 2.0) == 0 ? 0.5 : 0.0;
    cairo_translate(cr, 0.5 - box.left - even, 0.5 - box.top - even);
    std::size_t i = 0;
    while (i < path.points.size()) {
        const TPointD& p = path.points[i];
        const BYTE type = path.types[i] & ~PT_CLOSEFIGURE;
        if (type == PT_BEZIERTO && i + 2 < path.points.size()) {
            cairo_curve_to(cr, p.x, p.y, path.points[i + 1].x, path.points[i + 1].y,
                           path.points[i + 2].x, path.points[i + 2].y);
            i += 2;
        } else if (type == PT_MOVETO || !cairo_has_current_point(cr)) {
            cairo_move_to(cr, p.x, p.y);
        } else {
            cairo_line_to(cr, p.x, p.y);
        }
        if (path.types[i] & PT_CLOSEFIGURE) {
            cairo_close_path(cr);
        }
        ++i;
    }
    // GDI's round ends and joins fall a little inside the true circle: a hair less than the
    // full width keeps the body's pixel count and matches its outline.
    cairo_set_line_width(cr, width >= 2 ? width - 0.2 : width);
    switch (style & PS_ENDCAP_MASK) {
    case PS_ENDCAP_SQUARE:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_SQUARE);
        break;
    case PS_ENDCAP_FLAT:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        break;
    default:
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
        break;
    }
    switch (style & PS_JOIN_MASK) {
    case PS_JOIN_BEVEL:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_BEVEL);
        break;
    case PS_JOIN_MITER:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_MITER);
        cairo_set_miter_limit(cr, std::max(1.0, miterLimit));
        break;
    default:
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        break;
    }
    if (!dashes.empty()) {
        cairo_set_dash(cr, dashes.data(), static_cast<int>(dashes.size()), 0);
    }
    cairo_stroke(cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    bool any = false;
    for (int y = 0; y < out.Height(); ++y) {
        const std::uint8_t* src = pixels.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* dst = out.Row(box.top + y);
        for (int x = 0; x < w; ++x) {
            dst[x] = src[x] >= 128 ? 0xFF : 0;
            any = any || dst[x];
        }
    }
    return any;
}

bool RasterizeNibStroke(const TDevicePath& path, int width, const RECT& limit, TMask& out) {
    if (path.IsEmpty() || width < 1) {
        return false;
    }
    // The nib: pixels inside a circle a hair smaller than the width, centred on a pixel for an
    // odd width and on a pixel corner (up and left) for an even one.
    const double r = width >= 2 ? width / 2.0 - 0.1 : 0.5;
    const double c = width % 2 == 0 ? -0.5 : 0.0;
    struct TNibRow {
        int dy, x0, x1;
    };
    std::vector<TNibRow> nib;
    const int reach = width / 2 + 1;
    for (int dy = -reach; dy <= reach; ++dy) {
        int x0 = 1, x1 = 0;
        for (int dx = -reach; dx <= reach; ++dx) {
            const double ex = dx - c, ey = dy - c;
            if (ex * ex + ey * ey < r * r || (width == 1 && dx == 0 && dy == 0)) {
                x0 = std::min(x0 == 1 && x1 == 0 ? dx : x0, dx);
                x1 = dx + 1;
            }
        }
        if (x0 < x1) {
            nib.push_back({dy, x0, x1});
        }
    }
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const TPointD& p : path.points) {
        minX = std::min(minX, p.x);
        minY = std::min(minY, p.y);
        maxX = std::max(maxX, p.x);
        maxY = std::max(maxY, p.y);
    }
    RECT box{static_cast<LONG>(std::max<double>(limit.left, std::floor(minX) - reach - 1)),
             static_cast<LONG>(std::max<double>(limit.top, std::floor(minY) - reach - 1)),
             static_cast<LONG>(std::min<double>(limit.right, std::ceil(maxX) + reach + 2)),
             static_cast<LONG>(std::min<double>(limit.bottom, std::ceil(maxY) + reach + 2))};
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
    auto stamp = [&](int x, int y) {
        for (const TNibRow& row : nib) {
            const int yy = y + row.dy;
            if (yy < box.top || yy >= box.bottom) {
                continue;
            }
            const int a = std::max<int>(x + row.x0, box.left);
            const int b = std::min<int>(x + row.x1, box.right);
            if (a < b) {
                std::fill(out.Row(yy) + (a - box.left), out.Row(yy) + (b - box.left), 0xFF);
                any = true;
            }
        }
    };
    auto segment = [&](POINT a, POINT b) {
        const long long dx = b.x - a.x, dy = b.y - a.y;
        const long long adx = std::llabs(dx), ady = std::llabs(dy);
        const long long steps = std::max(adx, ady);
        // Only the steps whose major coordinate comes near the box can stamp anything: a
        // segment running far outside it is not walked pixel by pixel.
        const bool alongX = adx >= ady;
        const long long start = alongX ? a.x : a.y;
        const long long dir = (alongX ? dx : dy) > 0 ? 1 : -1;
        const long long lo = (alongX ? box.left : box.top) - reach - 1;
        const long long hi = (alongX ? box.right : box.bottom) + reach + 1;
        long long first = 0, last = steps;
        if (dir > 0) {
            first = std::max(first, lo - start);
            last = std::min(last, hi - start);
        } else {
            first = std::max(first, start - hi);
            last = std::min(last, start - lo);
        }
        for (long long i = first; i <= last; ++i) {
            long long x, y;
            if (adx >= ady) {
                x = a.x + (dx > 0 ? i : -i);
                const long long off = adx ? (2 * i * ady + adx - 1) / (2 * adx) : 0;
                y = a.y + (dy > 0 ? off : -off);
            } else {
                y = a.y + (dy > 0 ? i : -i);
                const long long off = (2 * i * adx + ady - 1) / (2 * ady);
                x = a.x + (dx > 0 ? off : -off);
            }
            if (x < box.left - reach || x >= box.right + reach || y < box.top - reach ||
                y >= box.bottom + reach) {
                continue;
            }
            stamp(static_cast<int>(x), static_cast<int>(y));
        }
    };
    std::size_t i = 0;
    while (i < path.points.size()) {
        std::size_t end = i + 1;
        while (end < path.points.size() && (path.types[end] & ~PT_CLOSEFIGURE) != PT_MOVETO) {
            ++end;
        }
        const bool closed = (path.types[end - 1] & PT_CLOSEFIGURE) != 0;
        POINT previous{RoundCoord(path.points[i].x), RoundCoord(path.points[i].y)};
        const POINT first = previous;
        if (end == i + 1) {
            stamp(first.x, first.y);
        }
        for (std::size_t k = i + 1; k < end; ++k) {
            const POINT p{RoundCoord(path.points[k].x), RoundCoord(path.points[k].y)};
            segment(previous, p);
            previous = p;
        }
        if (closed) {
            segment(previous, first);
        }
        i = end;
    }
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
