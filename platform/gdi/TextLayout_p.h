// Text layout: where each glyph of a string goes on the device.
//
// A string becomes a run of glyphs (through HarfBuzz, or as given with ETO_GLYPH_INDEX), each
// with the index of the first UTF-16 code unit of its cluster, so a spacing array given per
// code unit still applies. The pen then walks along the baseline. Each step is a device
// vector: with a spacing array, dx logical units along the baseline (and, with ETO_PDY, dy
// units up the page: a positive dy moves against the device's y axis); without one, the
// glyph's own advance in font pixels plus the character extra and the justification share of
// a break character, both in logical units. Glyph origins are kept in double precision; the
// caller rounds each one from the start of the string, so rounding never accumulates.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/FontInstance_p.h"
#include "platform/gdi/Mapping_p.h"

#include <vector>

namespace gdi {

// A string turned into glyphs, in visual order.
struct TGlyphRun {
    std::vector<UINT> glyphs;
    std::vector<size_t> units;         // first code unit of each glyph's cluster
    std::vector<char32_t> chars;       // the character each glyph starts with; 0 for indices
    std::vector<bool> zeroAdvance;     // glyphs the shaper stacked on the previous one (marks)
    std::vector<TPointD> offsets;      // shaper offsets in font pixels, x along, y up
    std::vector<TFontInstance*> fonts; // a linked face drawing the glyph for a character the
                                       // run's own face lacks; null for the run's own face
    size_t unitCount = 0;              // code units of the source string
};

// Glyphs for a UTF-16 string, shaped left to right unless rtl; no kerning or optional
// ligatures, as GDI draws. Lone surrogates come out as the glyph of U+FFFD. A character the
// face lacks is drawn from a linked face that has it, when one is installed.
TGlyphRun ShapeText(TFontInstance& font, const WCHAR* text, size_t count, bool rtl);

// Glyph indices taken as they are (ETO_GLYPH_INDEX).
TGlyphRun GlyphIndexRun(const WCHAR* glyphs, size_t count);

// The frame text is laid out in: device vectors for one unit along and up.
struct TTextFrame {
    TPointD fontAlong{1, 0};    // one font pixel along the baseline
    TPointD fontUp{0, -1};      // one font pixel up, perpendicular to the baseline
    TPointD logicalAlong{1, 0}; // one logical unit of a spacing array along the baseline
    TPointD logicalUp{0, -1};   // one logical unit of an ETO_PDY entry up the page
};

// Spacing that applies without a spacing array.
struct TTextSpacing {
    int charExtra = 0;  // SetTextCharacterExtra, logical units per character
    int breakExtra = 0; // SetTextJustification: total extra over the breaks, logical units
    int breakCount = 0; // number of break characters the extra is spread over
    char32_t breakChar = U' ';
};

struct TPlacedGlyph {
    UINT glyph = 0;
    TFontInstance* font = nullptr; // a linked face, or null for the run's own
    TPointD origin;                // device pixels, unrounded
};

struct TTextPlacement {
    std::vector<TPlacedGlyph> glyphs;
    TPointD advance; // device vector from the pen start to the pen end
};

// Walks the pen from `start` (device pixels). dx holds one entry per code unit (two with
// pdy), or is null.
TTextPlacement PlaceGlyphs(TFontInstance& font, const TGlyphRun& run, const TTextFrame& frame,
                           TPointD start, const INT* dx, bool pdy, const TTextSpacing& spacing);

} // namespace gdi
