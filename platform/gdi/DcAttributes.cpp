// The simple attributes of a DC: colours, modes, brush origin, miter limit.
#include "platform/gdi/DeviceContext_p.h"

using namespace gdi;

namespace {

// Runs the driver's hook, then stores the value; returns the previous one or `failure`.
template <class T, class Hook>
T SetAttribute(HDC hdc, T TDcState::*member, T value, T failure, Hook&& hook) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !hook(*dc)) {
        return failure;
    }
    T previous = dc->State().*member;
    dc->State().*member = value;
    return previous;
}

template <class T> T GetAttribute(HDC hdc, T TDcState::*member, T failure) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    return dc ? dc->State().*member : failure;
}

} // namespace

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    return SetAttribute(hdc, &TDcState::m_bkColor, color, CLR_INVALID,
                        [&](TDeviceContext& dc) { return dc.Driver().SetBkColor(dc, color); });
}
COLORREF GetBkColor(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_bkColor, CLR_INVALID);
}

int SetBkMode(HDC hdc, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) {
        return 0;
    }
    return SetAttribute(hdc, &TDcState::m_bkMode, mode, 0,
                        [&](TDeviceContext& dc) { return dc.Driver().SetBkMode(dc, mode); });
}
int GetBkMode(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_bkMode, 0);
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    return SetAttribute(hdc, &TDcState::m_textColor, color, CLR_INVALID,
                        [&](TDeviceContext& dc) { return dc.Driver().SetTextColor(dc, color); });
}
COLORREF GetTextColor(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_textColor, CLR_INVALID);
}

COLORREF SetDCBrushColor(HDC hdc, COLORREF color) {
    return SetAttribute(hdc, &TDcState::m_dcBrushColor, color, CLR_INVALID,
                        [&](TDeviceContext& dc) { return dc.Driver().SetDCBrushColor(dc, color); });
}
COLORREF GetDCBrushColor(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_dcBrushColor, CLR_INVALID);
}

COLORREF SetDCPenColor(HDC hdc, COLORREF color) {
    return SetAttribute(hdc, &TDcState::m_dcPenColor, color, CLR_INVALID,
                        [&](TDeviceContext& dc) { return dc.Driver().SetDCPenColor(dc, color); });
}
COLORREF GetDCPenColor(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_dcPenColor, CLR_INVALID);
}

int SetROP2(HDC hdc, int rop2) {
    if (rop2 < R2_BLACK || rop2 > R2_WHITE) {
        return 0;
    }
    return SetAttribute(hdc, &TDcState::m_rop2, rop2, 0,
                        [&](TDeviceContext& dc) { return dc.Driver().SetROP2(dc, rop2); });
}
int GetROP2(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_rop2, 0);
}

int SetPolyFillMode(HDC hdc, int mode) {
    if (mode != ALTERNATE && mode != WINDING) {
        return 0;
    }
    return SetAttribute(hdc, &TDcState::m_polyFillMode, mode, 0,
                        [&](TDeviceContext& dc) { return dc.Driver().SetPolyFillMode(dc, mode); });
}
int GetPolyFillMode(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_polyFillMode, 0);
}

int SetArcDirection(HDC hdc, int direction) {
    if (direction != AD_COUNTERCLOCKWISE && direction != AD_CLOCKWISE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return SetAttribute(hdc, &TDcState::m_arcDirection, direction, 0, [&](TDeviceContext& dc) {
        return dc.Driver().SetArcDirection(dc, direction);
    });
}
int GetArcDirection(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_arcDirection, 0);
}

int SetRelAbs(HDC hdc, int mode) {
    if (mode != ABSOLUTE && mode != RELATIVE) {
        return 0;
    }
    return SetAttribute(hdc, &TDcState::m_relAbs, mode, 0,
                        [&](TDeviceContext& dc) { return dc.Driver().SetRelAbs(dc, mode); });
}
int GetRelAbs(HDC hdc, DWORD) {
    return GetAttribute(hdc, &TDcState::m_relAbs, 0);
}

UINT SetTextAlign(HDC hdc, UINT align) {
    return SetAttribute(hdc, &TDcState::m_textAlign, align & TA_MASK, static_cast<UINT>(GDI_ERROR),
                        [&](TDeviceContext& dc) { return dc.Driver().SetTextAlign(dc, align); });
}
UINT GetTextAlign(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_textAlign, static_cast<UINT>(GDI_ERROR));
}

int SetTextCharacterExtra(HDC hdc, int extra) {
    return SetAttribute(
        hdc, &TDcState::m_charExtra, extra, static_cast<int>(0x80000000),
        [&](TDeviceContext& dc) { return dc.Driver().SetTextCharacterExtra(dc, extra); });
}
int GetTextCharacterExtra(HDC hdc) {
    return GetAttribute(hdc, &TDcState::m_charExtra, static_cast<int>(0x80000000));
}

BOOL SetTextJustification(HDC hdc, int extra, int breaks) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || breaks < 0 || !dc->Driver().SetTextJustification(*dc, extra, breaks)) {
        return FALSE;
    }
    dc->State().m_breakExtra = breaks > 0 ? extra : 0;
    dc->State().m_breakCount = breaks;
    return TRUE;
}

DWORD SetMapperFlags(HDC hdc, DWORD flags) {
    return SetAttribute(hdc, &TDcState::m_mapperFlags, flags, static_cast<DWORD>(GDI_ERROR),
                        [&](TDeviceContext& dc) { return dc.Driver().SetMapperFlags(dc, flags); });
}

BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().SetBrushOrgEx(*dc, x, y)) {
        return FALSE;
    }
    if (previous) {
        *previous = dc->State().m_brushOrg;
    }
    dc->State().m_brushOrg = {x, y};
    return TRUE;
}

BOOL GetBrushOrgEx(HDC hdc, LPPOINT origin) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !origin) {
        return FALSE;
    }
    *origin = dc->State().m_brushOrg;
    return TRUE;
}

BOOL SetMiterLimit(HDC hdc, FLOAT limit, FLOAT* previous) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !(limit >= 1.0f) || !dc->Driver().SetMiterLimit(*dc, limit)) {
        return FALSE;
    }
    if (previous) {
        *previous = dc->State().m_miterLimit;
    }
    dc->State().m_miterLimit = limit;
    return TRUE;
}

BOOL GetMiterLimit(HDC hdc, FLOAT* limit) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !limit) {
        return FALSE;
    }
    *limit = dc->State().m_miterLimit;
    return TRUE;
}
