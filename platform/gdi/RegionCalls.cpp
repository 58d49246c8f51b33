// The region calls of the public API.
#include "platform/gdi/GdiObject_p.h"
#include "platform/gdi/Mapping_p.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace gdi;

namespace {

HRGN AddRegion(TPixRegion region) {
    auto object = std::make_unique<TRegion>();
    object->m_region = std::move(region);
    return static_cast<HRGN>(GdiAddObject(std::move(object)));
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    return AddRegion(TPixRegion(left, top, right, bottom));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
    return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height) {
    return AddRegion(RegionFromRoundRect(left, top, right, bottom, width, height));
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
    return AddRegion(RegionFromEllipse(left, top, right, bottom));
}

HRGN CreateEllipticRgnIndirect(const RECT* rect) {
    return rect ? CreateEllipticRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
    if (!points || count < 2 || (fillMode != ALTERNATE && fillMode != WINDING)) {
        return nullptr;
    }
    const int counts[1] = {count};
    return AddRegion(
        RegionFromPolygon({points, static_cast<std::size_t>(count)}, counts, fillMode));
}

HRGN CreatePolyPolygonRgn(const POINT* points, const INT* counts, int polygons, int fillMode) {
    if (!points || !counts || polygons <= 0 || (fillMode != ALTERNATE && fillMode != WINDING)) {
        return nullptr;
    }
    std::size_t total = 0;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] < 0) {
            return nullptr;
        }
        total += static_cast<std::size_t>(counts[i]);
    }
    return AddRegion(
        RegionFromPolygon({points, total}, {counts, static_cast<std::size_t>(polygons)}, fillMode));
}

HRGN ExtCreateRegion(const XFORM* xform, DWORD size, const RGNDATA* data) {
    if (!data || size < sizeof(RGNDATAHEADER) || data->rdh.dwSize < sizeof(RGNDATAHEADER) ||
        data->rdh.iType != RDH_RECTANGLES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::size_t available = (size - data->rdh.dwSize) / sizeof(RECT);
    if (data->rdh.dwSize > size || data->rdh.nCount > available) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<RECT> rects(data->rdh.nCount);
    if (!rects.empty()) {
        std::memcpy(rects.data(), reinterpret_cast<const BYTE*>(data) + data->rdh.dwSize,
                    rects.size() * sizeof(RECT));
    }
    if (!xform || TMatrix::FromXform(*xform).IsIdentity()) {
        return AddRegion(TPixRegion::FromRects(rects));
    }
    const TMatrix m = TMatrix::FromXform(*xform);
    if (m.IsAxisAligned()) {
        for (RECT& r : rects) {
            const TPointD a = m.Apply(r.left, r.top), b = m.Apply(r.right, r.bottom);
            r = RECT{RoundCoord(std::min(a.x, b.x)), RoundCoord(std::min(a.y, b.y)),
                     RoundCoord(std::max(a.x, b.x)), RoundCoord(std::max(a.y, b.y))};
        }
        return AddRegion(TPixRegion::FromRects(rects));
    }
    // A rotating or shearing transform: each rectangle becomes a parallelogram.
    TPixRegion result;
    for (const RECT& r : rects) {
        POINT corners[4];
        const TPointD c[4] = {m.Apply(r.left, r.top), m.Apply(r.right, r.top),
                              m.Apply(r.right, r.bottom), m.Apply(r.left, r.bottom)};
        for (int i = 0; i < 4; ++i) {
            corners[i] = {RoundCoord(c[i].x), RoundCoord(c[i].y)};
        }
        const int count[1] = {4};
        result.Unite(RegionFromPolygon(corners, count, WINDING));
    }
    return AddRegion(std::move(result));
}

DWORD GetRegionData(HRGN handle, DWORD size, LPRGNDATA data) {
    TRegion* region = GdiLookupRegion(handle);
    if (!region) {
        return 0;
    }
    const auto boxes = region->m_region.Boxes();
    const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + boxes.size() * sizeof(RECT));
    if (!data) {
        return needed;
    }
    if (size < needed) {
        return 0;
    }
    data->rdh.dwSize = sizeof(RGNDATAHEADER);
    data->rdh.iType = RDH_RECTANGLES;
    data->rdh.nCount = static_cast<DWORD>(boxes.size());
    data->rdh.nRgnSize = static_cast<DWORD>(boxes.size() * sizeof(RECT));
    data->rdh.rcBound = region->m_region.Box();
    auto* out = reinterpret_cast<BYTE*>(data) + sizeof(RGNDATAHEADER);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const RECT r{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2};
        std::memcpy(out + i * sizeof(RECT), &r, sizeof(RECT));
    }
    return needed;
}

int CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode) {
    TRegion* dst = GdiLookupRegion(destination);
    TRegion* a = GdiLookupRegion(source1);
    if (!dst || !a || mode < RGN_AND || mode > RGN_COPY) {
        return ERROR;
    }
    if (mode == RGN_COPY) {
        dst->m_region = a->m_region;
        return dst->m_region.Complexity();
    }
    TRegion* b = GdiLookupRegion(source2);
    if (!b) {
        return ERROR;
    }
    TPixRegion result = a->m_region;
    result.Combine(b->m_region, mode);
    dst->m_region = std::move(result);
    return dst->m_region.Complexity();
}

BOOL SetRectRgn(HRGN handle, int left, int top, int right, int bottom) {
    TRegion* region = GdiLookupRegion(handle);
    if (!region) {
        return FALSE;
    }
    region->m_region.SetRect(left, top, right, bottom);
    return TRUE;
}

int OffsetRgn(HRGN handle, int x, int y) {
    TRegion* region = GdiLookupRegion(handle);
    if (!region) {
        return ERROR;
    }
    region->m_region.Offset(x, y);
    return region->m_region.Complexity();
}

int GetRgnBox(HRGN handle, LPRECT rect) {
    TRegion* region = GdiLookupRegion(handle);
    if (!region || !rect) {
        return ERROR;
    }
    *rect = region->m_region.Box();
    return region->m_region.Complexity();
}

BOOL PtInRegion(HRGN handle, int x, int y) {
    TRegion* region = GdiLookupRegion(handle);
    return region && region->m_region.Contains(x, y) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN handle, const RECT* rect) {
    TRegion* region = GdiLookupRegion(handle);
    return region && rect && region->m_region.Intersects(*rect) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN handle1, HRGN handle2) {
    TRegion* a = GdiLookupRegion(handle1);
    TRegion* b = GdiLookupRegion(handle2);
    if (!a || !b) {
        return ERROR;
    }
    return a->m_region == b->m_region ? TRUE : FALSE;
}
