// Logical palettes on a true-colour device: kept, selected and queried; a PALETTEINDEX colour
// draws with the selected palette's entry, and realizing maps nothing.
#include "platform/gdi/DeviceContext_p.h"
#include "platform/gdi/Dib_p.h"

#include <algorithm>
#include <climits>

using namespace gdi;

HPALETTE CreatePalette(const LOGPALETTE* lp) {
    if (!lp || lp->palVersion != 0x300 || lp->palNumEntries == 0) {
        return nullptr;
    }
    auto palette = std::make_unique<TPalette>();
    palette->m_entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
    return static_cast<HPALETTE>(GdiAddObject(std::move(palette)));
}

HPALETTE CreateHalftonePalette(HDC) {
    auto palette = std::make_unique<TPalette>();
    for (std::uint32_t c : DefaultColorTable(8)) {
        palette->m_entries.push_back(
            {static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c), 0});
    }
    return static_cast<HPALETTE>(GdiAddObject(std::move(palette)));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE handle, BOOL background) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TPalette* palette = GdiLookupPalette(handle);
    if (!dc || !palette || !dc->Driver().SelectPalette(*dc, *palette, background)) {
        return nullptr;
    }
    HGDIOBJ previous = dc->State().m_palette ? dc->State().m_palette->m_handle : nullptr;
    dc->State().m_palette = THeld<TPalette>(palette);
    return static_cast<HPALETTE>(previous);
}

UINT RealizePalette(HDC hdc) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc || !dc->Driver().RealizePalette(*dc)) {
        return GDI_ERROR;
    }
    return 0; // a true-colour device maps no entries
}

UINT SetPaletteEntries(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY* entries) {
    TPalette* palette = GdiLookupPalette(handle);
    if (!palette || !entries || palette->m_stock) {
        return 0;
    }
    const std::size_t size = palette->m_entries.size();
    if (start >= size) {
        return 0;
    }
    const UINT n = static_cast<UINT>(std::min<std::size_t>(count, size - start));
    std::copy(entries, entries + n, palette->m_entries.begin() + start);
    return n;
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, LPPALETTEENTRY entries) {
    TPalette* palette = GdiLookupPalette(handle);
    if (!palette) {
        return 0;
    }
    const std::size_t size = palette->m_entries.size();
    if (!entries) {
        return static_cast<UINT>(size);
    }
    if (start >= size) {
        return 0;
    }
    const UINT n = static_cast<UINT>(std::min<std::size_t>(count, size - start));
    std::copy(palette->m_entries.begin() + start, palette->m_entries.begin() + start + n, entries);
    return n;
}

BOOL ResizePalette(HPALETTE handle, UINT count) {
    TPalette* palette = GdiLookupPalette(handle);
    if (!palette || palette->m_stock || count == 0 || count > 1024) {
        return FALSE;
    }
    palette->m_entries.resize(count, PALETTEENTRY{0, 0, 0, 0});
    return TRUE;
}

BOOL AnimatePalette(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY* entries) {
    TPalette* palette = GdiLookupPalette(handle);
    if (!palette || !entries) {
        return FALSE;
    }
    // Only entries marked PC_RESERVED change.
    for (UINT i = 0; i < count && start + i < palette->m_entries.size(); ++i) {
        PALETTEENTRY& e = palette->m_entries[start + i];
        if (e.peFlags & PC_RESERVED) {
            e = entries[i];
        }
    }
    return TRUE;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color) {
    TPalette* palette = GdiLookupPalette(handle);
    if (!palette || palette->m_entries.empty()) {
        return CLR_INVALID;
    }
    UINT best = 0;
    int bestDistance = INT_MAX;
    for (UINT i = 0; i < palette->m_entries.size(); ++i) {
        const PALETTEENTRY& e = palette->m_entries[i];
        const int dr = e.peRed - GetRValue(color), dg = e.peGreen - GetGValue(color),
                  db = e.peBlue - GetBValue(color);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, LPPALETTEENTRY) {
    return 0; // not a palette device
}

COLORREF GetNearestColor(HDC hdc, COLORREF color) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    if ((color >> 24) == 0x01) {
        const TPalette* palette = dc->State().m_palette.Get();
        const std::size_t index = color & 0xFFFF;
        if (!palette || index >= palette->m_entries.size()) {
            return RGB(0, 0, 0);
        }
        const PALETTEENTRY& e = palette->m_entries[index];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return color & 0xFFFFFFu;
}
