// The handle table, stock objects, and the calls common to every object type.
#include "platform/gdi/GdiObject_p.h"

#include "platform/gdi/DeviceContext_p.h"
#include "platform/gdi/Surface_p.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

namespace gdi {
namespace {

struct THandleTable {
    std::recursive_mutex lock;
    std::unordered_map<std::uintptr_t, std::unique_ptr<TGdiObject>> objects;
    std::uintptr_t next = 0x10000; // handles grow by 4 and are never reused
    std::map<int, TDeleteObserver> observers;
    int nextCookie = 1;
};

THandleTable& Table() {
    static THandleTable* table = new THandleTable; // outlives every static destructor
    return *table;
}

std::uintptr_t Key(HGDIOBJ handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

std::unique_ptr<TGdiObject> MakeStockPen(int style, COLORREF color) {
    auto pen = std::make_unique<TPen>(OBJ_PEN);
    pen->m_style = static_cast<DWORD>(style);
    pen->m_width = 0;
    pen->m_color = color;
    pen->m_brushStyle = style == PS_NULL ? BS_NULL : BS_SOLID;
    return pen;
}

std::unique_ptr<TGdiObject> MakeStockBrush(UINT style, COLORREF color) {
    auto brush = std::make_unique<TBrush>();
    brush->m_style = style;
    brush->m_color = color;
    return brush;
}

std::unique_ptr<TGdiObject> MakeStockFont(const char* face, LONG height, LONG weight,
                                          BYTE pitchAndFamily, BYTE charSet) {
    auto font = std::make_unique<TFont>();
    LOGFONTW& lf = font->m_desc.elfEnumLogfontEx.elfLogFont;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = charSet;
    lf.lfPitchAndFamily = pitchAndFamily;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) {
        lf.lfFaceName[i] = static_cast<WCHAR>(face[i]);
    }
    return font;
}

// The twenty static colours of the default palette.
std::unique_ptr<TGdiObject> MakeDefaultPalette() {
    static constexpr std::array<COLORREF, 20> kColors = {
        RGB(0, 0, 0),       RGB(128, 0, 0),     RGB(0, 128, 0),     RGB(128, 128, 0),
        RGB(0, 0, 128),     RGB(128, 0, 128),   RGB(0, 128, 128),   RGB(192, 192, 192),
        RGB(192, 220, 192), RGB(166, 202, 240), RGB(255, 251, 240), RGB(160, 160, 164),
        RGB(128, 128, 128), RGB(255, 0, 0),     RGB(0, 255, 0),     RGB(255, 255, 0),
        RGB(0, 0, 255),     RGB(255, 0, 255),   RGB(0, 255, 255),   RGB(255, 255, 255)};
    auto palette = std::make_unique<TPalette>();
    for (COLORREF c : kColors) {
        palette->m_entries.push_back({GetRValue(c), GetGValue(c), GetBValue(c), 0});
    }
    return palette;
}

std::unique_ptr<TGdiObject> MakeStock(int index) {
    switch (index) {
    case WHITE_BRUSH:
        return MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
    case LTGRAY_BRUSH:
        return MakeStockBrush(BS_SOLID, RGB(192, 192, 192));
    case GRAY_BRUSH:
        return MakeStockBrush(BS_SOLID, RGB(128, 128, 128));
    case DKGRAY_BRUSH:
        return MakeStockBrush(BS_SOLID, RGB(64, 64, 64));
    case BLACK_BRUSH:
        return MakeStockBrush(BS_SOLID, RGB(0, 0, 0));
    case NULL_BRUSH:
        return MakeStockBrush(BS_NULL, 0);
    case WHITE_PEN:
        return MakeStockPen(PS_SOLID, RGB(255, 255, 255));
    case BLACK_PEN:
        return MakeStockPen(PS_SOLID, RGB(0, 0, 0));
    case NULL_PEN:
        return MakeStockPen(PS_NULL, 0);
    case OEM_FIXED_FONT:
        return MakeStockFont("Terminal", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN, OEM_CHARSET);
    case ANSI_FIXED_FONT:
        return MakeStockFont("Courier", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN, ANSI_CHARSET);
    case ANSI_VAR_FONT:
        return MakeStockFont("MS Sans Serif", 12, FW_NORMAL, VARIABLE_PITCH | FF_SWISS,
                             ANSI_CHARSET);
    case SYSTEM_FONT:
        return MakeStockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, ANSI_CHARSET);
    case DEVICE_DEFAULT_FONT:
        return MakeStockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, ANSI_CHARSET);
    case DEFAULT_PALETTE:
        return MakeDefaultPalette();
    case SYSTEM_FIXED_FONT:
        return MakeStockFont("Fixedsys", 15, FW_NORMAL, FIXED_PITCH | FF_MODERN, ANSI_CHARSET);
    case DEFAULT_GUI_FONT:
        return MakeStockFont("MS Shell Dlg", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS,
                             ANSI_CHARSET);
    case DC_BRUSH:
        return MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
    case DC_PEN:
        return MakeStockPen(PS_SOLID, RGB(0, 0, 0));
    default:
        return nullptr;
    }
}

template <class T> int CopyOut(const T& value, int size, LPVOID buffer) {
    if (!buffer) {
        return static_cast<int>(sizeof(T));
    }
    if (size < static_cast<int>(sizeof(T))) {
        return 0;
    }
    std::memcpy(buffer, &value, sizeof(T));
    return static_cast<int>(sizeof(T));
}

int GetPenObject(const TPen& pen, int size, LPVOID buffer) {
    if (pen.m_type == OBJ_PEN) {
        LOGPEN lp{pen.m_style, {static_cast<LONG>(pen.m_width), 0}, pen.m_color};
        return CopyOut(lp, size, buffer);
    }
    const std::size_t bytes =
        offsetof(EXTLOGPEN, elpStyleEntry) + pen.m_styleEntries.size() * sizeof(DWORD);
    const std::size_t full = std::max(bytes, sizeof(EXTLOGPEN));
    if (!buffer) {
        return static_cast<int>(bytes);
    }
    if (size < static_cast<int>(bytes)) {
        return 0;
    }
    std::vector<std::uint8_t> out(full, 0);
    auto* elp = reinterpret_cast<EXTLOGPEN*>(out.data());
    elp->elpPenStyle = pen.m_style;
    elp->elpWidth = pen.m_width;
    elp->elpBrushStyle = pen.m_brushStyle;
    elp->elpColor = pen.m_color;
    elp->elpHatch = pen.m_hatch;
    elp->elpNumEntries = static_cast<DWORD>(pen.m_styleEntries.size());
    std::memcpy(out.data() + offsetof(EXTLOGPEN, elpStyleEntry), pen.m_styleEntries.data(),
                pen.m_styleEntries.size() * sizeof(DWORD));
    std::memcpy(buffer, out.data(), bytes);
    return static_cast<int>(bytes);
}

int GetBitmapObject(const TBitmap& bitmap, int size, LPVOID buffer) {
    BITMAP bm{};
    bm.bmWidth = bitmap.Width();
    bm.bmHeight = bitmap.Height();
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(bitmap.m_bitsPixel);
    if (bitmap.m_isDibSection) {
        bm.bmWidthBytes = ((bm.bmWidth * bm.bmBitsPixel + 31) / 32) * 4;
        bm.bmBits = bitmap.m_dibBits;
    } else {
        bm.bmWidthBytes = ((bm.bmWidth * bm.bmBitsPixel + 15) / 16) * 2;
    }
    if (bitmap.m_isDibSection && buffer && size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds{};
        ds.dsBm = bm;
        ds.dsBmih = bitmap.m_dibHeader;
        ds.dsBmih.biHeight = std::abs(ds.dsBmih.biHeight);
        std::memcpy(ds.dsBitfields, bitmap.m_bitfields, sizeof(ds.dsBitfields));
        return CopyOut(ds, size, buffer);
    }
    return CopyOut(bm, size, buffer);
}

} // namespace

HGDIOBJ GdiAddObject(std::unique_ptr<TGdiObject> object) {
    if (!object) {
        return nullptr;
    }
    THandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const std::uintptr_t key = table.next;
    table.next += 4;
    object->m_handle = reinterpret_cast<HGDIOBJ>(key);
    HGDIOBJ handle = object->m_handle;
    table.objects.emplace(key, std::move(object));
    return handle;
}

TGdiObject* GdiLookup(HGDIOBJ handle) {
    if (!handle) {
        return nullptr;
    }
    THandleTable& table = Table();
    std::lock_guard guard(table.lock);
    auto it = table.objects.find(Key(handle));
    return it == table.objects.end() ? nullptr : it->second.get();
}

void GdiFreeObject(TGdiObject* object) {
    if (!object || object->m_stock) {
        return;
    }
    std::unique_ptr<TGdiObject> owned;
    {
        THandleTable& table = Table();
        std::lock_guard guard(table.lock);
        auto it = table.objects.find(Key(object->m_handle));
        if (it == table.objects.end()) {
            return;
        }
        owned = std::move(it->second);
        table.objects.erase(it);
    }
    // Destroyed outside the lock: a DC releases its selected objects as it goes.
    owned.reset();
}

void GdiHold(TGdiObject* object) {
    if (object) {
        ++object->m_selections;
    }
}

void GdiRelease(TGdiObject* object) {
    if (!object) {
        return;
    }
    if (object->m_selections > 0) {
        --object->m_selections;
    }
    if (object->m_selections == 0 && object->m_deletePending) {
        GdiFreeObject(object);
    }
}

int GdiAddDeleteObserver(TDeleteObserver observer) {
    THandleTable& table = Table();
    std::lock_guard guard(table.lock);
    const int cookie = table.nextCookie++;
    table.observers.emplace(cookie, std::move(observer));
    return cookie;
}

void GdiRemoveDeleteObserver(int cookie) {
    THandleTable& table = Table();
    std::lock_guard guard(table.lock);
    table.observers.erase(cookie);
}

void GdiNotifyDelete(TGdiObject& object) {
    std::vector<TDeleteObserver> observers;
    {
        THandleTable& table = Table();
        std::lock_guard guard(table.lock);
        for (auto& [cookie, observer] : table.observers) {
            observers.push_back(observer);
        }
    }
    for (auto& observer : observers) {
        observer(object);
    }
}

TGdiObject* GdiStockObject(int index) {
    static std::array<TGdiObject*, STOCK_LAST + 1> stock{};
    static std::mutex lock;
    if (index < 0 || index > STOCK_LAST) {
        return nullptr;
    }
    std::lock_guard guard(lock);
    if (!stock[index]) {
        std::unique_ptr<TGdiObject> object = MakeStock(index);
        if (!object) {
            return nullptr;
        }
        object->m_stock = true;
        TGdiObject* raw = object.get();
        GdiAddObject(std::move(object));
        stock[index] = raw;
    }
    return stock[index];
}

std::size_t GdiObjectCount() {
    THandleTable& table = Table();
    std::lock_guard guard(table.lock);
    return table.objects.size();
}

} // namespace gdi

using namespace gdi;

HGDIOBJ GetStockObject(int index) {
    TGdiObject* object = GdiStockObject(index);
    return object ? object->m_handle : nullptr;
}

DWORD GetObjectType(HGDIOBJ handle) {
    TGdiObject* object = GdiLookup(handle);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return object->m_type;
}

BOOL DeleteObject(HGDIOBJ handle) {
    TGdiObject* object = GdiLookup(handle);
    if (!object) {
        return FALSE;
    }
    switch (object->m_type) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_METADC:
    case OBJ_ENHMETADC:
        return FALSE; // DeleteDC's
    default:
        break;
    }
    if (object->m_stock) {
        return TRUE;
    }
    if (object->m_deletePending) {
        return TRUE;
    }
    GdiNotifyDelete(*object);
    if (object->m_selections > 0) {
        object->m_deletePending = true;
        return TRUE;
    }
    GdiFreeObject(object);
    return TRUE;
}

int GetObjectW(HANDLE handle, int size, LPVOID buffer) {
    TGdiObject* object = GdiLookup(handle);
    if (!object || (buffer && size < 0)) {
        return 0;
    }
    switch (object->m_type) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        return GetPenObject(static_cast<TPen&>(*object), size, buffer);
    case OBJ_BRUSH: {
        const auto& brush = static_cast<TBrush&>(*object);
        LOGBRUSH lb{brush.m_style, brush.m_color, brush.m_hatch};
        if (brush.m_style == BS_DIBPATTERN || brush.m_style == BS_DIBPATTERNPT) {
            lb.lbColor = brush.m_dibUsage;
        }
        return CopyOut(lb, size, buffer);
    }
    case OBJ_FONT: {
        const auto& font = static_cast<TFont&>(*object);
        if (!buffer) {
            return static_cast<int>(sizeof(LOGFONTW));
        }
        const int n = std::min(size, static_cast<int>(sizeof(LOGFONTW)));
        std::memcpy(buffer, &font.Log(), static_cast<std::size_t>(n));
        return n;
    }
    case OBJ_PAL: {
        const auto count = static_cast<WORD>(static_cast<TPalette&>(*object).m_entries.size());
        return CopyOut(count, size, buffer);
    }
    case OBJ_BITMAP:
        return GetBitmapObject(static_cast<TBitmap&>(*object), size, buffer);
    default:
        return 0;
    }
}

int GetObjectA(HANDLE handle, int size, LPVOID buffer) {
    TFont* font = GdiLookupFont(handle);
    if (!font) {
        return GetObjectW(handle, size, buffer);
    }
    if (!buffer) {
        return static_cast<int>(sizeof(LOGFONTA));
    }
    LOGFONTA lf{};
    const LOGFONTW& w = font->Log();
    std::memcpy(&lf, &w, offsetof(LOGFONTA, lfFaceName));
    for (int i = 0; i < LF_FACESIZE; ++i) {
        const WCHAR c = w.lfFaceName[i];
        lf.lfFaceName[i] = c < 0x100 ? static_cast<CHAR>(c) : '?';
        if (!c) {
            break;
        }
    }
    const int n = std::clamp(size, 0, static_cast<int>(sizeof(LOGFONTA)));
    std::memcpy(buffer, &lf, static_cast<std::size_t>(n));
    return n;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    if (!dc) {
        return nullptr;
    }
    const TDcState& s = dc->State();
    TGdiObject* object = nullptr;
    switch (type) {
    case OBJ_PEN:
    case OBJ_EXTPEN:
        object = s.m_pen.Get();
        break;
    case OBJ_BRUSH:
        object = s.m_brush.Get();
        break;
    case OBJ_FONT:
        object = s.m_font.Get();
        break;
    case OBJ_PAL:
        object = s.m_palette.Get();
        break;
    case OBJ_BITMAP:
        object = s.m_bitmap.Get();
        break;
    default:
        return nullptr;
    }
    return object ? object->m_handle : nullptr;
}

BOOL UnrealizeObject(HGDIOBJ handle) {
    return GdiLookup(handle) ? TRUE : FALSE;
}
