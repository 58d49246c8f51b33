// An installed font file opened once for the whole process.
//
// TFontFace owns the FreeType face and the HarfBuzz face of one file (and face index) and
// keeps the design metrics GDI reports from the font's own tables: the OS/2 Windows ascent and
// descent, average and maximum widths, underline and strike-out lines. All values here are in
// font design units (unitsPerEm to the em); TFontInstance scales them to device pixels.
//
// Faces are shared: Open returns the same object for the same file, and the object lives as
// long as any instance holds it. FreeType is wrapped here and nowhere else.
#pragma once

#include "platform/WinTypes.h"

#include <memory>
#include <mutex>
#include <string>

struct FT_FaceRec_;
struct hb_font_t;

namespace gdi {

struct TFaceMetrics {
    int unitsPerEm = 2048;
    int winAscent = 0;         // OS/2 usWinAscent, above the baseline
    int winDescent = 0;        // OS/2 usWinDescent, below the baseline, positive
    int hheaAscender = 0;      // hhea ascender
    int hheaDescender = 0;     // hhea descender, negative
    int hheaLineGap = 0;       // hhea lineGap
    int typoAscender = 0;      // OS/2 sTypoAscender
    int typoDescender = 0;     // OS/2 sTypoDescender, negative
    int typoLineGap = 0;       // OS/2 sTypoLineGap
    int avgCharWidth = 0;      // OS/2 xAvgCharWidth
    int lowercaseAvgWidth = 0; // a-z and space weighted by letter frequency, the average
                               // OS/2 tables before version 3 carry; 0 when a letter is missing
    int maxAdvance = 0;        // hhea advanceWidthMax
    int xMin = 0, yMin = 0, xMax = 0, yMax = 0; // head bounding box of all glyphs
    int underlinePosition = 0;  // post: middle of the underline, negative below the baseline
    int underlineThickness = 0; // post
    int strikeoutPosition = 0;  // OS/2 yStrikeoutPosition: top of the line above the baseline
    int strikeoutSize = 0;      // OS/2 yStrikeoutSize
    int capHeight = 0;
    int xHeight = 0;
    int weightClass = 400; // OS/2 usWeightClass
    int fsSelection = 0;
    int fsType = 0;
    int italicAngle = 0; // post, in tenths of a degree
    BYTE panose[10] = {};
    char16_t firstChar = 0x20; // lowest and highest character the cmap maps
    char16_t lastChar = 0xFFFC;
    bool fixedPitch = false;
    bool hasSymbolMap = false; // a (3,0) symbol cmap: characters live at U+F0xx
};

class TFontFace {
public:
    // The shared face for a file; nullptr when FreeType cannot open it.
    static std::shared_ptr<TFontFace> Open(const std::string& file, int index);

    ~TFontFace();
    TFontFace(const TFontFace&) = delete;
    TFontFace& operator=(const TFontFace&) = delete;

    const TFaceMetrics& Metrics() const { return m_metrics; }
    const std::string& File() const { return m_file; }
    int GlyphCount() const;

    // The glyph for a character; 0 (the missing glyph) when the face has none. With
    // symbolMapped a character below U+0100 is looked up as U+F000 + character, as GDI does
    // for SYMBOL_CHARSET fonts.
    UINT GlyphIndex(char32_t character, bool symbolMapped) const;

    // Unhinted advance of a glyph in design units.
    int DesignAdvance(UINT glyph) const;

    // The FreeType face. The caller holds Lock() while it sets a size or loads a glyph, since
    // the face keeps one current size.
    FT_FaceRec_* Face() const { return m_face; }
    std::mutex& Lock() const { return m_lock; }

    // A HarfBuzz font at design units (scale = unitsPerEm), for shaping.
    hb_font_t* ShapingFont() const { return m_hbFont; }

private:
    TFontFace() = default;
    void ReadMetrics();

    std::string m_file;
    FT_FaceRec_* m_face = nullptr;
    hb_font_t* m_hbFont = nullptr;
    TFaceMetrics m_metrics;
    mutable std::mutex m_lock;
};

} // namespace gdi
