// Pens: CreatePen, CreatePenIndirect and ExtCreatePen.
//
// An old-style pen (CreatePen) is cosmetic when its width maps to at most one device pixel and
// geometric, solid, with round caps and joins otherwise; its dash styles only apply while it
// is one pixel wide. ExtCreatePen says which it is: a cosmetic pen is always one pixel wide
// and solid-coloured, a geometric one has its caps, joins, width and brush.
#include "platform/gdi/GdiObject_p.h"
#include "platform/gdi/Pattern_p.h"
#include "platform/gdi/Surface_p.h"

#include <cstdlib>

using namespace gdi;

HPEN CreatePen(int style, int width, COLORREF color) {
    style &= PS_STYLE_MASK;
    if (style == PS_NULL) {
        return static_cast<HPEN>(GetStockObject(NULL_PEN));
    }
    if (style > PS_INSIDEFRAME) {
        style = PS_SOLID;
    }
    auto pen = std::make_unique<TPen>(OBJ_PEN);
    pen->m_style = static_cast<DWORD>(style);
    pen->m_width = static_cast<DWORD>(std::abs(width));
    pen->m_color = color;
    return static_cast<HPEN>(GdiAddObject(std::move(pen)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
    if (!pen) {
        return nullptr;
    }
    return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount,
                  const DWORD* styleEntries) {
    if (!brush) {
        return nullptr;
    }
    const DWORD lineStyle = style & PS_STYLE_MASK;
    const DWORD type = style & PS_TYPE_MASK;
    if (lineStyle > PS_ALTERNATE || (type != PS_COSMETIC && type != PS_GEOMETRIC) ||
        (style & PS_ENDCAP_MASK) > PS_ENDCAP_FLAT || (style & PS_JOIN_MASK) > PS_JOIN_MITER) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (lineStyle == PS_USERSTYLE) {
        if (styleCount == 0 || styleCount > 16 || !styleEntries) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        bool any = false;
        for (DWORD i = 0; i < styleCount; ++i) {
            any = any || styleEntries[i] != 0;
        }
        if (!any) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    } else if (styleCount != 0 || styleEntries) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (type == PS_COSMETIC) {
        if (width != 1 || brush->lbStyle != BS_SOLID) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
    } else if (lineStyle == PS_ALTERNATE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto pen = std::make_unique<TPen>(OBJ_EXTPEN);
    pen->m_style = style;
    pen->m_width = width;
    pen->m_color = brush->lbColor;
    pen->m_brushStyle = brush->lbStyle;
    pen->m_hatch = brush->lbHatch;
    if (lineStyle == PS_USERSTYLE) {
        pen->m_styleEntries.assign(styleEntries, styleEntries + styleCount);
    }
    switch (brush->lbStyle) {
    case BS_SOLID:
    case BS_NULL:
        break;
    case BS_HATCHED:
        if (brush->lbHatch > HS_DIAGCROSS) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        break;
    case BS_PATTERN: {
        TBitmap* bitmap = GdiLookupBitmap(reinterpret_cast<HGDIOBJ>(brush->lbHatch));
        pen->m_pattern = bitmap ? PatternFromBitmap(*bitmap) : nullptr;
        if (!pen->m_pattern) {
            return nullptr;
        }
        break;
    }
    case BS_DIBPATTERNPT: {
        std::vector<std::uint8_t> packed;
        pen->m_pattern = PatternFromPackedDib(reinterpret_cast<const void*>(brush->lbHatch),
                                              static_cast<UINT>(brush->lbColor), packed);
        if (!pen->m_pattern) {
            return nullptr;
        }
        break;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return static_cast<HPEN>(GdiAddObject(std::move(pen)));
}
