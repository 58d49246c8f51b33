// GDI objects and the handle table.
//
// Every GDI object (pen, extended pen, brush, font, palette, region, bitmap, device context)
// is a C++ object derived from TGdiObject, owned by the one process-wide handle table. A handle
// is an opaque number that the table maps to its object; handles are never reused, so a stale
// handle fails cleanly instead of reaching a newer object.
//
// Selection and deletion follow Windows:
// - a DC counts every object selected into it (TGdiObject::m_selections); DeleteObject on a
//   selected object succeeds but only marks it (m_deletePending): the object lives on, still
//   usable by the DCs holding it, and is freed when the last DC lets go of it;
// - stock objects (GetStockObject) ignore DeleteObject and are never freed;
// - a bitmap can be selected into one memory DC at a time.
//
// Objects keep the description they were created from (LOGPEN, EXTLOGPEN with style entries,
// LOGBRUSH with its pattern, LOGFONTW, palette entries, region rectangles), so GetObject can
// answer and a recording driver can write the object out.
//
// The table is locked internally; an object itself is used from one thread at a time.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/Region_p.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace gdi {

class TGdiObject {
public:
    explicit TGdiObject(DWORD type) : m_type(type) {}
    virtual ~TGdiObject() = default;
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;

    DWORD Type() const { return m_type; } // OBJ_*
    HGDIOBJ Handle() const { return m_handle; }
    bool IsStock() const { return m_stock; }

    DWORD m_type;
    HGDIOBJ m_handle = nullptr;
    bool m_stock = false;
    int m_selections = 0;         // number of DC slots holding this object
    bool m_deletePending = false; // DeleteObject called while selected
};

// A brush or pen pattern: a tile of pixels repeated from the brush origin.
// Colour patterns hold 0x00RRGGBB words. Monochrome patterns (from a 1-bpp bitmap, a 1-bpp DIB
// pattern with DIB_PAL_INDICES usage, or a hatch) hold 0 or 1 per pixel in m_pixels and take
// their colours when drawn: for a pattern brush bit 0 is the text colour and bit 1 the
// background colour; for a hatch, 1 marks the hatch lines (brush colour) and 0 the background
// (background colour when OPAQUE, untouched when TRANSPARENT).
struct TPattern {
    int width = 0;  // pixels, > 0
    int height = 0; // pixels, > 0
    bool monochrome = false;
    std::vector<std::uint32_t> pixels; // width * height, top row first

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// ---------------------------------------------------------------------------------------------
// Pens
// ---------------------------------------------------------------------------------------------

// A pen from CreatePen/CreatePenIndirect (type OBJ_PEN) or ExtCreatePen (OBJ_EXTPEN).
// Widths are in logical units; a cosmetic pen is one device pixel wide whatever its width.
class TPen : public TGdiObject {
public:
    explicit TPen(DWORD type) : TGdiObject(type) {}

    DWORD m_style = PS_SOLID;          // full style word: PS_* | PS_ENDCAP_* | PS_JOIN_* | type
    DWORD m_width = 0;                 // logical units; 0 for a CreatePen width-0 pen
    COLORREF m_color = 0;              // as given, may be PALETTEINDEX/PALETTERGB
    UINT m_brushStyle = BS_SOLID;      // BS_SOLID, BS_HATCHED, BS_NULL, ... (extended pens)
    ULONG_PTR m_hatch = 0;             // HS_* for a hatched geometric pen
    std::vector<DWORD> m_styleEntries; // PS_USERSTYLE dash and gap lengths
    std::shared_ptr<const TPattern> m_pattern; // pattern of a BS_PATTERN/BS_DIBPATTERN pen

    int LineStyle() const { return static_cast<int>(m_style & PS_STYLE_MASK); }
    int EndCap() const { return static_cast<int>(m_style & PS_ENDCAP_MASK); }
    int Join() const { return static_cast<int>(m_style & PS_JOIN_MASK); }
    // An old-style pen is geometric when wider than 1; an extended pen says so in its style.
    bool IsGeometric() const {
        return m_type == OBJ_EXTPEN ? (m_style & PS_TYPE_MASK) == PS_GEOMETRIC : m_width > 1;
    }
    bool IsNull() const { return LineStyle() == PS_NULL || m_brushStyle == BS_NULL; }
};

// ---------------------------------------------------------------------------------------------
// Brushes
// ---------------------------------------------------------------------------------------------

// A brush. Solid and hatched brushes keep their colour; pattern brushes keep the pattern as
// a TPattern (colour or monochrome pixels); DIB pattern brushes also keep the packed DIB bytes
// they were made from (m_packedDib), for GetObject and for recording.
class TBrush : public TGdiObject {
public:
    TBrush() : TGdiObject(OBJ_BRUSH) {}

    UINT m_style = BS_SOLID;
    COLORREF m_color = 0;  // solid and hatch colour; the usage for DIB patterns
    ULONG_PTR m_hatch = 0; // HS_*, or the handle a BS_PATTERN brush was made from
    std::shared_ptr<const TPattern> m_pattern;
    std::vector<std::uint8_t> m_packedDib; // header, colour table and bits of a DIB pattern
    UINT m_dibUsage = DIB_RGB_COLORS;
};

// ---------------------------------------------------------------------------------------------
// Palettes, regions, fonts
// ---------------------------------------------------------------------------------------------

class TPalette : public TGdiObject {
public:
    TPalette() : TGdiObject(OBJ_PAL) {}
    std::vector<PALETTEENTRY> m_entries;
};

// A region: a set of pixels in whatever space its user gives it (device pixels for clipping).
class TRegion : public TGdiObject {
public:
    TRegion() : TGdiObject(OBJ_REGION) {}
    TPixRegion m_region;
};

struct TFontCache; // the realized face, owned by the font code

// A logical font: the fullest description it was made from. The font code hangs its
// realized face on m_cache; nothing else reads it.
class TFont : public TGdiObject {
public:
    TFont() : TGdiObject(OBJ_FONT) {}
    ENUMLOGFONTEXDVW m_desc{}; // m_desc.elfEnumLogfontEx.elfLogFont is the LOGFONTW
    mutable std::shared_ptr<TFontCache> m_cache; // set lazily by the font code
    const LOGFONTW& Log() const { return m_desc.elfEnumLogfontEx.elfLogFont; }
};

// ---------------------------------------------------------------------------------------------
// The handle table
// ---------------------------------------------------------------------------------------------

// Adds an object and returns its new handle (also stored in the object).
HGDIOBJ GdiAddObject(std::unique_ptr<TGdiObject> object);

// The object a handle names, or nullptr for a null, unknown or freed handle. The typed form
// also checks the object type (one of the OBJ_* values given) and sets no last error.
TGdiObject* GdiLookup(HGDIOBJ handle);
template <class T> T* GdiLookupAs(HGDIOBJ handle, std::initializer_list<DWORD> types) {
    TGdiObject* object = GdiLookup(handle);
    if (!object) {
        return nullptr;
    }
    for (DWORD type : types) {
        if (object->m_type == type) {
            return static_cast<T*>(object);
        }
    }
    return nullptr;
}
inline TPen* GdiLookupPen(HGDIOBJ h) {
    return GdiLookupAs<TPen>(h, {OBJ_PEN, OBJ_EXTPEN});
}
inline TBrush* GdiLookupBrush(HGDIOBJ h) {
    return GdiLookupAs<TBrush>(h, {OBJ_BRUSH});
}
inline TRegion* GdiLookupRegion(HGDIOBJ h) {
    return GdiLookupAs<TRegion>(h, {OBJ_REGION});
}
inline TPalette* GdiLookupPalette(HGDIOBJ h) {
    return GdiLookupAs<TPalette>(h, {OBJ_PAL});
}
inline TFont* GdiLookupFont(HGDIOBJ h) {
    return GdiLookupAs<TFont>(h, {OBJ_FONT});
}

// Removes and frees an object now (the DeleteObject/DeleteDC path once nothing holds it).
// Stock objects are never removed.
void GdiFreeObject(TGdiObject* object);

// Selection counting: a DC calls Hold when it selects an object and Release when it
// deselects it (or is deleted); Release frees an object whose deletion was pending.
void GdiHold(TGdiObject* object);
void GdiRelease(TGdiObject* object);

// Observers of object deletion: a recording driver keeps a table of the objects it has
// written and must learn when one is deleted. The callback runs inside DeleteObject (with the
// object still valid) for every non-stock object that DeleteObject accepts, selected or not.
using TDeleteObserver = std::function<void(TGdiObject& object)>;
int GdiAddDeleteObserver(TDeleteObserver observer); // returns a cookie
void GdiRemoveDeleteObserver(int cookie);
void GdiNotifyDelete(TGdiObject& object);

// The stock object with a given index (WHITE_BRUSH .. DC_PEN), created on first use.
TGdiObject* GdiStockObject(int index);
// Number of live objects, for leak tests.
std::size_t GdiObjectCount();

} // namespace gdi
