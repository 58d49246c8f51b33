// Clip and meta regions.
//
// Both are kept in device pixels. A DC starts with neither: drawing reaches the whole surface.
// Combining with "no clip" combines with the whole device, so RGN_OR or a difference works on
// what is visible now. SetMetaRgn folds the clip into the meta region and clears the clip; the
// meta region then stays for the rest of the DC's life (or until RestoreDC takes it back).
#include "platform/gdi/DeviceContext_p.h"

#include <algorithm>
#include <cmath>

using namespace gdi;

namespace {

TPixRegion DeviceArea(TDeviceContext& dc) {
    if (TSurface* s = dc.Surface()) {
        return TPixRegion(0, 0, s->m_width, s->m_height);
    }
    return TPixRegion(0, 0, dc.m_caps.horzRes, dc.m_caps.vertRes);
}

int CombineClip(TDeviceContext& dc, const TPixRegion* region, int mode) {
    TDcState& s = dc.State();
    if (mode == RGN_COPY) {
        if (region) {
            s.m_clip = *region;
        } else {
            s.m_clip.reset();
        }
    } else {
        if (!region) {
            return ERROR;
        }
        TPixRegion current = s.m_clip ? *s.m_clip : DeviceArea(dc);
        if (!current.Combine(*region, mode)) {
            return ERROR;
        }
        s.m_clip = std::move(current);
    }
    dc.InvalidateClip();
    return dc.EffectiveClip().Complexity();
}

// The device rectangle of a logical one: the box spanned by the two transformed corners.
RECT DeviceRect(TDeviceContext& dc, int left, int top, int right, int bottom) {
    const POINT a = dc.ToDevicePoint(left, top);
    const POINT b = dc.ToDevicePoint(right, bottom);
    return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

} // namespace

int ExtSelectClipRgn(HDC hdc, HRGN handle, int mode) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || mode < RGN_AND || mode > RGN_COPY) {
        return ERROR;
    }
    TRegion* region = nullptr;
    if (handle) {
        region = GdiLookupRegion(handle);
        if (!region) {
            return ERROR;
        }
    } else if (mode != RGN_COPY) {
        return ERROR;
    }
    if (!dc->Driver().ExtSelectClipRgn(*dc, region, mode)) {
        return ERROR;
    }
    return CombineClip(*dc, region ? &region->m_region : nullptr, mode);
}

int SelectClipRgn(HDC hdc, HRGN region) {
    return ExtSelectClipRgn(hdc, region, RGN_COPY);
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().IntersectClipRect(*dc, left, top, right, bottom)) {
        return ERROR;
    }
    const TPixRegion rect(DeviceRect(*dc, left, top, right, bottom));
    return CombineClip(*dc, &rect, RGN_AND);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().ExcludeClipRect(*dc, left, top, right, bottom)) {
        return ERROR;
    }
    const TPixRegion rect(DeviceRect(*dc, left, top, right, bottom));
    return CombineClip(*dc, &rect, RGN_DIFF);
}

int OffsetClipRgn(HDC hdc, int x, int y) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().OffsetClipRgn(*dc, x, y)) {
        return ERROR;
    }
    // The offset is logical: it moves by as many pixels as x, y logical units span.
    const TPointD d = dc->State().m_toDevice.ApplyVector(x, y);
    if (dc->State().m_clip) {
        dc->State().m_clip->Offset(RoundCoord(d.x), RoundCoord(d.y));
        dc->InvalidateClip();
    }
    return dc->EffectiveClip().Complexity();
}

int GetClipBox(HDC hdc, LPRECT rect) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !rect) {
        return ERROR;
    }
    const TPixRegion& clip = dc->EffectiveClip();
    const RECT box = clip.Box();
    const TPointD a = dc->ToLogical(box.left, box.top);
    const TPointD b = dc->ToLogical(box.right, box.bottom);
    *rect = RECT{RoundCoord(std::min(a.x, b.x)), RoundCoord(std::min(a.y, b.y)),
                 RoundCoord(std::max(a.x, b.x)), RoundCoord(std::max(a.y, b.y))};
    return clip.Complexity();
}

int GetClipRgn(HDC hdc, HRGN handle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* region = GdiLookupRegion(handle);
    if (!dc || !region) {
        return -1;
    }
    const TDcState& s = dc->State();
    if (!s.m_clip && !s.m_meta) {
        return 0;
    }
    // The application clip as it is seen: the clip within the meta region.
    TPixRegion result = s.m_clip ? *s.m_clip : *s.m_meta;
    if (s.m_clip && s.m_meta) {
        result.Intersect(*s.m_meta);
    }
    region->m_region = std::move(result);
    return 1;
}

int GetMetaRgn(HDC hdc, HRGN handle) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* region = GdiLookupRegion(handle);
    if (!dc || !region) {
        return 0;
    }
    if (!dc->State().m_meta) {
        return 0;
    }
    region->m_region = *dc->State().m_meta;
    return 1;
}

int SetMetaRgn(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SetMetaRgn(*dc)) {
        return ERROR;
    }
    TDcState& s = dc->State();
    if (s.m_clip) {
        if (s.m_meta) {
            s.m_meta->Intersect(*s.m_clip);
        } else {
            s.m_meta = std::move(s.m_clip);
        }
        s.m_clip.reset();
    }
    dc->InvalidateClip();
    return s.m_meta ? s.m_meta->Complexity() : SIMPLEREGION;
}

int GetRandomRgn(HDC hdc, HRGN handle, INT which) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TRegion* region = GdiLookupRegion(handle);
    if (!dc || !region) {
        return -1;
    }
    const TDcState& s = dc->State();
    switch (which) {
    case 1:
        if (!s.m_clip) {
            return 0;
        }
        region->m_region = *s.m_clip;
        return 1;
    case 2:
        if (!s.m_meta) {
            return 0;
        }
        region->m_region = *s.m_meta;
        return 1;
    case 3:
        return GetClipRgn(hdc, handle);
    case SYSRGN:
        region->m_region = DeviceArea(*dc);
        return 1;
    default:
        return -1;
    }
}

BOOL PtVisible(HDC hdc, int x, int y) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return -1;
    }
    const POINT p = dc->ToDevicePoint(x, y);
    return dc->EffectiveClip().Contains(p.x, p.y) ? TRUE : FALSE;
}

BOOL RectVisible(HDC hdc, const RECT* rect) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !rect) {
        return FALSE;
    }
    return dc->EffectiveClip().Intersects(
               DeviceRect(*dc, rect->left, rect->top, rect->right, rect->bottom))
               ? TRUE
               : FALSE;
}
