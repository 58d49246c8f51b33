// Brushes: solid, hatched, pattern and DIB pattern brushes, and their patterns.
#include "platform/WinBase.h"
#include "platform/gdi/Dib_p.h"
#include "platform/gdi/GdiObject_p.h"
#include "platform/gdi/Pattern_p.h"

#include <cstring>

namespace gdi {

std::shared_ptr<const TPattern> PatternFromBitmap(TBitmap& bitmap) {
    if (bitmap.m_beforeDraw) {
        bitmap.m_beforeDraw(bitmap);
    }
    const TSurface& s = bitmap.m_surface;
    if (s.IsEmpty()) {
        return nullptr;
    }
    auto pattern = std::make_shared<TPattern>();
    pattern->width = s.m_width;
    pattern->height = s.m_height;
    pattern->monochrome = s.m_monochrome;
    pattern->pixels.reserve(static_cast<std::size_t>(s.m_width) * s.m_height);
    for (int y = 0; y < s.m_height; ++y) {
        for (int x = 0; x < s.m_width; ++x) {
            const std::uint32_t p = s.Get(x, y) & 0xFFFFFFu;
            pattern->pixels.push_back(s.m_monochrome ? (p != 0 ? 1u : 0u) : p);
        }
    }
    return pattern;
}

std::shared_ptr<const TPattern> PatternFromPackedDib(const void* dib, UINT usage,
                                                     std::vector<std::uint8_t>& packed) {
    if (!dib || usage > kDibPalIndices) {
        return nullptr;
    }
    const auto* bytes = static_cast<const BYTE*>(dib);
    const std::size_t infoSize = DibInfoSizeFromHeader(bytes, usage);
    const std::size_t dataSize = infoSize ? DibDataSizeFromHeader(bytes, usage) : 0;
    if (!infoSize || !dataSize) {
        return nullptr;
    }
    TDibFormat format;
    if (!ParseDibFormat({bytes, infoSize}, usage, {}, format)) {
        return nullptr;
    }
    TImage image;
    if (!DecodeDib(format, {bytes + infoSize, dataSize}, image) || image.width <= 0 ||
        image.height <= 0) {
        return nullptr;
    }
    packed.assign(bytes, bytes + infoSize + dataSize);
    auto pattern = std::make_shared<TPattern>();
    pattern->width = image.width;
    pattern->height = image.height;
    pattern->monochrome = usage == kDibPalIndices && format.bitCount == 1;
    pattern->pixels.reserve(image.pixels.size());
    for (std::uint32_t p : image.pixels) {
        p &= 0xFFFFFFu;
        pattern->pixels.push_back(pattern->monochrome ? (p != 0 ? 1u : 0u) : p);
    }
    return pattern;
}

} // namespace gdi

using namespace gdi;

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_unique<TBrush>();
    brush->m_style = BS_SOLID;
    brush->m_color = color;
    return static_cast<HBRUSH>(GdiAddObject(std::move(brush)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) {
        return nullptr;
    }
    auto brush = std::make_unique<TBrush>();
    brush->m_style = BS_HATCHED;
    brush->m_color = color;
    brush->m_hatch = static_cast<ULONG_PTR>(hatch);
    return static_cast<HBRUSH>(GdiAddObject(std::move(brush)));
}

HBRUSH CreatePatternBrush(HBITMAP handle) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    if (!bitmap) {
        return nullptr;
    }
    auto brush = std::make_unique<TBrush>();
    brush->m_style = BS_PATTERN;
    brush->m_hatch = reinterpret_cast<ULONG_PTR>(handle);
    brush->m_pattern = PatternFromBitmap(*bitmap);
    if (!brush->m_pattern) {
        return nullptr;
    }
    return static_cast<HBRUSH>(GdiAddObject(std::move(brush)));
}

HBRUSH CreateDIBPatternBrushPt(const void* packedDib, UINT usage) {
    auto brush = std::make_unique<TBrush>();
    brush->m_style = BS_DIBPATTERNPT;
    brush->m_dibUsage = usage;
    brush->m_pattern = PatternFromPackedDib(packedDib, usage, brush->m_packedDib);
    if (!brush->m_pattern) {
        return nullptr;
    }
    brush->m_color = usage;
    return static_cast<HBRUSH>(GdiAddObject(std::move(brush)));
}

HBRUSH CreateDIBPatternBrush(HGLOBAL packedDib, UINT usage) {
    const void* bits = packedDib ? GlobalLock(packedDib) : nullptr;
    HBRUSH brush = bits ? CreateDIBPatternBrushPt(bits, usage) : nullptr;
    if (bits) {
        GlobalUnlock(packedDib);
    }
    if (TBrush* object = GdiLookupBrush(brush)) {
        object->m_style = BS_DIBPATTERN;
    }
    return brush;
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
    if (!lb) {
        return nullptr;
    }
    switch (lb->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(lb->lbColor);
    case BS_NULL:
        return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
    case BS_PATTERN8X8:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT:
    case BS_DIBPATTERN8X8:
        return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch),
                                       static_cast<UINT>(lb->lbColor));
    case BS_DIBPATTERN:
        return CreateDIBPatternBrush(reinterpret_cast<HGLOBAL>(lb->lbHatch),
                                     static_cast<UINT>(lb->lbColor));
    default:
        return nullptr;
    }
}
