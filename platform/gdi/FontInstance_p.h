// A logical font realised at one device size: metrics, advances and glyph images in device
// pixels.
//
// Sizes follow GDI. A negative lfHeight is the em (character) height, a positive one the cell
// height, usWinAscent + usWinDescent, and 0 a default cell of 16 pixels; the em becomes a whole
// number of pixels (ppem). Ascent and descent are the OS/2 Windows values scaled to that em and
// rounded each on its own, so tmHeight may differ from a requested cell height by a pixel, as
// it does on Windows. A non-zero lfWidth stretches the font so that its average character
// width, by the file's own OS/2 table, becomes |lfWidth|. tmAveCharWidth is the figure of the
// face asked for: a substitute for one of the older faces reports the frequency-weighted
// lowercase average those faces carry (windows are sized from it). Advances are the design
// advances scaled and rounded glyph by glyph.
//
// Glyph images hold coverage in 17 levels (0 transparent .. 16 solid), the steps of the
// system's standard font smoothing. Sizes the font's gasp table marks for plain grid-fitting
// render without smoothing (levels 0 and 16 only), as the system does, whatever smoothing
// quality the LOGFONT asks for; NONANTIALIASED_QUALITY never smooths. A glyph transform
// (escapement, world rotation, shear) is applied to the outline before it is rasterised.
#pragma once

#include "platform/WinGdi.h"
#include "platform/gdi/FontFace_p.h"
#include "platform/gdi/FontMatch_p.h"
#include "platform/gdi/Path_p.h"

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace gdi {

// Coverage of one glyph at its origin pixel; device pixels, y down.
struct TGlyphImage {
    int left = 0;   // column of the first coverage column, relative to the origin
    int top = 0;    // row of the first coverage row, relative to the origin (negative: above)
    int width = 0;  // columns
    int height = 0; // rows
    std::vector<BYTE> levels; // width * height coverage levels, 0..16, rows top to bottom
};

// Where the decorations lie, in device pixels measured up from the baseline.
struct TLineDecoration {
    int position = 0;  // top edge of the line, positive above the baseline
    int thickness = 1; // rows, at least 1
};

// A transform that only widens (or narrows) glyphs: realised as a wider em, not a transform.
bool IsHorizontalStretch(const std::array<double, 4>& transform);

class TFontInstance {
public:
    // Realises `font` (matched to `match`) for a device where one logical unit is scaleX by
    // scaleY device pixels (absolute values). `transform` maps the glyph's own axes onto the
    // device (x right, y down): {xx, xy, yx, yy} with device = (x*xx + y*yx, x*xy + y*yy);
    // the identity leaves glyphs upright. Does not take ownership of anything but the face.
    TFontInstance(std::shared_ptr<TFontFace> face, const TFaceMatch& match, const LOGFONTW& font,
                  double scaleX, double scaleY, const std::array<double, 4>& transform);

    const TFontFace& Face() const { return *m_face; }
    const TFaceMatch& Match() const { return m_match; }

    // Metrics in device pixels, as GetTextMetrics reports them at MM_TEXT.
    const TEXTMETRICW& Metrics() const { return m_metrics; }
    int Ppem() const { return m_ppem; }
    double XPpem() const { return m_xPpem; }

    // The glyph of a character, after the symbol mapping; 0 is the missing glyph.
    UINT GlyphFor(char32_t character) const;

    // For a character this face lacks, another installed face that has it, at the same em and
    // glyph transform, as the system links fonts; nullptr when no face has it. The instance
    // is owned by this one.
    TFontInstance* FallbackFor(char32_t character);

    // The glyph for a code of the Symbol face (a byte, or U+F000 plus the byte): from this
    // face's symbol map when it has one, else the character the code stands for, drawn by this
    // face or a linked one (`drawnBy`, nullptr for this face). 0 is the missing glyph.
    UINT SymbolGlyph(char32_t code, TFontInstance*& drawnBy);

    // Advance of a glyph along the baseline, device pixels.
    int Advance(UINT glyph);
    // The A, B and C spacing of a glyph, device pixels (ink from the outline, unhinted).
    ABC AbcWidths(UINT glyph);

    // The coverage image of a glyph under the instance's transform; never null.
    const TGlyphImage& Glyph(UINT glyph);

    // Adds the glyph's outline, unhinted and under the instance's transform, to a path in
    // device space; `origin` is the glyph origin in the back end's coordinates (pixel centres
    // on whole numbers). Every contour is closed.
    void AppendOutline(UINT glyph, TPointD origin, TDevicePath& path);

    TLineDecoration Underline() const;
    TLineDecoration Strikeout() const;

private:
    void ComputeMetrics(const LOGFONTW& font, double scaleX, double scaleY);
    // The average character width in design units, as the requested face reports it.
    int AverageWidth() const;
    TGlyphImage Render(UINT glyph);
    // The matrix taking the grid-fitted outline at the square em to the device: 16.16 fixed
    // point {xx, xy, yx, yy} with y up; false when it is the identity.
    bool GlyphMatrix(std::array<long, 4>& matrix) const;

    std::shared_ptr<TFontFace> m_face;
    TFaceMatch m_match;
    std::array<double, 4> m_transform;
    bool m_transformed = false; // the transform is not the identity
    bool m_monochrome = false;  // rendered without smoothing at this size
    int m_ppem = 0;
    double m_xPpem = 0;
    TEXTMETRICW m_metrics{};
    std::unordered_map<UINT, int> m_advances;
    std::unordered_map<UINT, TGlyphImage> m_glyphs;
    LOGFONTW m_log{}; // what the instance was made from
    // Another installed face with the character, whatever this face is; cached.
    TFontInstance* LinkedFaceFor(char32_t character);

    std::unordered_map<char32_t, TFontInstance*> m_fallbackFor;                  // by character
    std::unordered_map<std::string, std::unique_ptr<TFontInstance>> m_fallbacks; // by file
};

} // namespace gdi
