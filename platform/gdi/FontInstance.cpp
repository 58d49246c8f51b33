#include "platform/gdi/FontInstance_p.h"
#include "platform/gdi/SymbolEncoding_p.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GASP_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <mutex>

namespace gdi {

namespace {

// The default cell height of a font asked for with lfHeight 0.
constexpr int kDefaultCellHeight = 16;
// The slant of a synthesised italic: x moves by this much per unit of height.
constexpr double kObliqueSlant = 0.2;
// The largest glyph image rendered, in pixels (a 4096-pixel em fills about this much).
constexpr double kMaxGlyphPixels = 1 << 24;

int RoundToInt(double value) {
    return static_cast<int>(std::lround(value));
}

// A logical height or width in whole device pixels. The scaled size is cut to the whole
// pixels below it, not rounded: 199 units at 0.0603 pixels a unit make an 11-pixel em, as the
// reference draws chart labels recorded in such a mapping (the tolerance keeps an exact size
// that the scale's own rounding put a hair below a whole number).
double DevicePixels(LONG logical, double scale) {
    return std::floor(std::fabs(static_cast<double>(logical)) * scale + 1e-6);
}

// Maps FreeType's 256 coverage steps onto the 17 of standard smoothing.
BYTE CoverageLevel(unsigned value) {
    return static_cast<BYTE>(std::min(16u, value * 17u / 256u));
}

BYTE FamilyBits(const LOGFONTW& font, const TFaceMetrics& metrics) {
    BYTE requested = font.lfPitchAndFamily & 0xF0;
    if (requested != FF_DONTCARE) {
        return requested;
    }
    if (metrics.fixedPitch || metrics.panose[3] == 9) {
        return FF_MODERN;
    }
    if (metrics.panose[0] == 2) { // latin text: the serif style tells roman from swiss
        BYTE serif = metrics.panose[1];
        return serif >= 11 && serif <= 13 ? FF_SWISS : FF_ROMAN;
    }
    if (metrics.panose[0] == 3) {
        return FF_SCRIPT;
    }
    return metrics.panose[0] == 4 || metrics.panose[0] == 5 ? FF_DECORATIVE : FF_SWISS;
}

} // namespace

bool IsHorizontalStretch(const std::array<double, 4>& transform) {
    return transform[1] == 0 && transform[2] == 0 && transform[0] > 0 &&
           std::fabs(transform[0] - 1) > 1e-9 && std::fabs(transform[3] - 1) < 1e-9;
}

TFontInstance::TFontInstance(std::shared_ptr<TFontFace> face, const TFaceMatch& match,
                             const LOGFONTW& font, double scaleX, double scaleY,
                             const std::array<double, 4>& transform)
    : m_face(std::move(face)), m_match(match), m_transform(transform), m_log(font) {
    m_transformed = std::fabs(transform[0] - 1) > 1e-9 || std::fabs(transform[1]) > 1e-9 ||
                    std::fabs(transform[2]) > 1e-9 || std::fabs(transform[3] - 1) > 1e-9;
    ComputeMetrics(font, std::fabs(scaleX), std::fabs(scaleY));
    if (IsHorizontalStretch(transform)) {
        // A plain horizontal stretch widens the em instead, so the glyphs keep their hinting.
        m_xPpem = std::clamp(m_xPpem * transform[0], 1.0, 16384.0);
        m_transform = {1, 0, 0, 1};
        m_transformed = false;
    }
    if (font.lfQuality == NONANTIALIASED_QUALITY) {
        m_monochrome = true;
    } else if (m_match.bilevelThrough > 0) {
        m_monochrome = m_ppem <= m_match.bilevelThrough;
    } else {
        // Every smoothing quality, ClearType ones included, yields to the gasp table: with
        // greyscale smoothing the system draws the sizes it marks for grid-fitting alone
        // in plain black and white.
        std::lock_guard<std::mutex> guard(m_face->Lock());
        FT_Int gasp = FT_Get_Gasp(m_face->Face(), static_cast<FT_UInt>(m_ppem));
        m_monochrome = gasp != FT_GASP_NO_TABLE && (gasp & FT_GASP_DO_GRAY) == 0;
    }
}

void TFontInstance::ComputeMetrics(const LOGFONTW& font, double scaleX, double scaleY) {
    const TFaceMetrics& design = m_face->Metrics();
    // The vertical metrics of the face asked for, when a look-alike stands in for it.
    const bool original = m_match.unitsPerEm > 0;
    const double verticalUnits = original ? m_match.unitsPerEm : design.unitsPerEm;
    const int winAscent = original ? m_match.winAscent : design.winAscent;
    const int winDescent = original ? m_match.winDescent : design.winDescent;
    const double unitsPerEm = design.unitsPerEm;
    const int cellUnits = std::max(1, winAscent + winDescent);
    double height = DevicePixels(font.lfHeight, scaleY);
    if (font.lfHeight < 0) {
        m_ppem = RoundToInt(height);
    } else {
        double cell = font.lfHeight == 0 ? kDefaultCellHeight : height;
        m_ppem = RoundToInt(cell * verticalUnits / cellUnits);
    }
    // Keep the em inside what a rasteriser can handle; absurd heights still draw something.
    m_ppem = std::clamp(m_ppem, 1, 16384);
    const double scale = m_ppem / unitsPerEm;
    m_xPpem = m_ppem;
    if (font.lfWidth != 0) {
        // The width becomes whole device pixels first, like the height; the em then widens
        // by its ratio to the rounded average width, which need not give a whole number of
        // pixels (Arial at 20 pixels, width 5: 8.33; width 12, its natural width: 20). The
        // average is the installed face's own, as the reference pictures of substituted faces
        // show, not the figure reported for the face it stands in for.
        double width = std::max(1.0, DevicePixels(font.lfWidth, scaleX));
        int average = std::max(1, RoundToInt(design.avgCharWidth * scale));
        m_xPpem = std::clamp(m_ppem * width / average, 1.0, 16384.0);
    }
    const double xScale = m_xPpem / unitsPerEm;

    TEXTMETRICW& tm = m_metrics;
    tm.tmAscent = RoundToInt(winAscent * m_ppem / verticalUnits);
    tm.tmDescent = RoundToInt(winDescent * m_ppem / verticalUnits);
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - m_ppem);
    int hheaHeight = design.hheaAscender - design.hheaDescender;
    int gap = design.hheaLineGap - (cellUnits - hheaHeight);
    tm.tmExternalLeading = std::max(0, RoundToInt(gap * scale));
    tm.tmAveCharWidth = std::max(1, RoundToInt(AverageWidth() * xScale));
    tm.tmMaxCharWidth = std::max(1, RoundToInt(design.maxAdvance * xScale));
    tm.tmWeight = m_match.syntheticBold ? FW_BOLD : design.weightClass;
    tm.tmOverhang = 0;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    if (m_match.symbolMapped || design.hasSymbolMap) {
        tm.tmFirstChar = design.hasSymbolMap ? design.firstChar : 0xF020;
        tm.tmLastChar = design.hasSymbolMap ? design.lastChar : 0xF0FF;
        tm.tmDefaultChar = tm.tmFirstChar;
        tm.tmBreakChar = tm.tmFirstChar;
    } else {
        tm.tmFirstChar = design.firstChar;
        tm.tmLastChar = design.lastChar;
        tm.tmDefaultChar = 0x1F;
        tm.tmBreakChar = 0x20;
    }
    tm.tmItalic = font.lfItalic ? 255 : 0;
    tm.tmUnderlined = font.lfUnderline ? 255 : 0;
    tm.tmStruckOut = font.lfStrikeOut ? 255 : 0;
    tm.tmPitchAndFamily = static_cast<BYTE>((design.fixedPitch ? 0 : TMPF_FIXED_PITCH) |
                                            TMPF_VECTOR | TMPF_TRUETYPE | FamilyBits(font, design));
    tm.tmCharSet = font.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : font.lfCharSet;
}

int TFontInstance::AverageWidth() const {
    const TFaceMetrics& design = m_face->Metrics();
    if (m_match.lowercaseAverage && design.lowercaseAvgWidth > 0) {
        return design.lowercaseAvgWidth;
    }
    return design.avgCharWidth;
}

UINT TFontInstance::GlyphFor(char32_t character) const {
    return m_face->GlyphIndex(character, m_match.symbolMapped);
}

TFontInstance* TFontInstance::FallbackFor(char32_t character) {
    // A symbol face's missing characters stay boxes: its codes are no letters to borrow.
    if (m_match.symbolFace || m_face->Metrics().hasSymbolMap) {
        return nullptr;
    }
    return LinkedFaceFor(character);
}

UINT TFontInstance::SymbolGlyph(char32_t code, TFontInstance*& drawnBy) {
    drawnBy = nullptr;
    if (m_face->Metrics().hasSymbolMap) {
        if (UINT glyph = m_face->GlyphIndex(code < 0x100 ? code + 0xF000 : code, false)) {
            return glyph;
        }
    }
    char32_t character = SymbolCharacter(code);
    if (character == 0) {
        return GlyphFor(code);
    }
    if (UINT glyph = m_face->GlyphIndex(character, false)) {
        return glyph;
    }
    if (TFontInstance* linked = LinkedFaceFor(character)) {
        drawnBy = linked;
        return linked->GlyphFor(character);
    }
    return 0;
}

TFontInstance* TFontInstance::LinkedFaceFor(char32_t character) {
    auto known = m_fallbackFor.find(character);
    if (known != m_fallbackFor.end()) {
        return known->second;
    }
    TFontInstance* fallback = nullptr;
    TFaceRequest request;
    request.weight = m_log.lfWeight;
    request.italic = m_log.lfItalic != 0;
    TFaceMatch match;
    if (character >= 0x20 && MatchFallbackFace(character, request, match) &&
        match.file != m_face->File()) {
        std::string key = match.file + "#" + std::to_string(match.index);
        auto it = m_fallbacks.find(key);
        if (it == m_fallbacks.end()) {
            if (auto face = TFontFace::Open(match.file, match.index)) {
                // The linked face draws at this face's em, unstretched.
                LOGFONTW log = m_log;
                log.lfHeight = -m_ppem;
                log.lfWidth = 0;
                it = m_fallbacks
                         .emplace(key, std::make_unique<TFontInstance>(face, match, log, 1.0, 1.0,
                                                                       m_transform))
                         .first;
            }
        }
        if (it != m_fallbacks.end() && it->second->GlyphFor(character) != 0) {
            fallback = it->second.get();
        }
    }
    m_fallbackFor.emplace(character, fallback);
    return fallback;
}

int TFontInstance::Advance(UINT glyph) {
    auto it = m_advances.find(glyph);
    if (it != m_advances.end()) {
        return it->second;
    }
    // The advance is whole pixels at the em; a stretched font widens that and rounds up, so
    // Arial's 't' at 20 pixels squeezed to width 5 keeps 3 pixels of its 6.
    int rounded = RoundToInt(m_face->DesignAdvance(glyph) * m_ppem /
                             static_cast<double>(m_face->Metrics().unitsPerEm));
    if (std::fabs(m_xPpem - m_ppem) > 1e-9) {
        rounded = static_cast<int>(std::ceil(rounded * m_xPpem / m_ppem - 1e-9));
    }
    if (m_match.syntheticBold && rounded > 0) {
        rounded += 1;
    }
    m_advances.emplace(glyph, rounded);
    return rounded;
}

ABC TFontInstance::AbcWidths(UINT glyph) {
    ABC abc{0, 0, Advance(glyph)};
    std::lock_guard<std::mutex> guard(m_face->Lock());
    FT_Face face = m_face->Face();
    FT_Set_Transform(face, nullptr, nullptr);
    if (FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(m_xPpem * 64)),
                         static_cast<FT_F26Dot6>(m_ppem) * 64, 72, 72) != 0 ||
        FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0) {
        return abc;
    }
    const FT_Glyph_Metrics& metrics = face->glyph->metrics;
    int left = static_cast<int>(std::floor(metrics.horiBearingX / 64.0));
    int right = static_cast<int>(std::ceil((metrics.horiBearingX + metrics.width) / 64.0));
    if (metrics.width == 0) {
        return abc;
    }
    abc.abcA = left;
    abc.abcB = static_cast<UINT>(std::max(1, right - left));
    abc.abcC = Advance(glyph) - abc.abcA - static_cast<int>(abc.abcB);
    return abc;
}

const TGlyphImage& TFontInstance::Glyph(UINT glyph) {
    auto it = m_glyphs.find(glyph);
    if (it == m_glyphs.end()) {
        it = m_glyphs.emplace(glyph, Render(glyph)).first;
    }
    return it->second;
}

bool TFontInstance::GlyphMatrix(std::array<long, 4>& matrix) const {
    // The transform maps glyph axes onto the device with y down; FreeType works with y up.
    double xx = m_transform[0], xy = m_transform[1], yx = m_transform[2], yy = m_transform[3];
    if (m_match.syntheticItalic) {
        // Slant before the transform: x' = x + slant * height above the baseline.
        yx -= kObliqueSlant * xx;
        yy -= kObliqueSlant * xy;
    }
    // A width other than the natural one widens the em before anything else.
    const double stretch = m_xPpem / m_ppem;
    xx *= stretch;
    xy *= stretch;
    matrix = {std::lround(xx * 65536), std::lround(-yx * 65536), std::lround(-xy * 65536),
              std::lround(yy * 65536)};
    return matrix != std::array<long, 4>{0x10000, 0, 0, 0x10000};
}

TGlyphImage TFontInstance::Render(UINT glyph) {
    TGlyphImage image;
    std::lock_guard<std::mutex> guard(m_face->Lock());
    FT_Face face = m_face->Face();
    // The outline is grid-fitted at the square em, then widened, slanted and turned as a
    // whole: a stretched or rotated glyph keeps the stems and heights of the upright one.
    FT_Set_Transform(face, nullptr, nullptr);
    if (FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(m_ppem) * 64,
                         static_cast<FT_F26Dot6>(m_ppem) * 64, 72, 72) != 0) {
        return image;
    }
    FT_Int32 flags =
        FT_LOAD_NO_BITMAP | (m_monochrome ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    FT_Error error = FT_Load_Glyph(face, glyph, flags);
    if (error != 0) {
        // Bytecode that fails at this size still leaves a usable outline.
        error = FT_Load_Glyph(face, glyph, FT_LOAD_NO_BITMAP | FT_LOAD_NO_HINTING);
    }
    if (error == 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Outline& outline = face->glyph->outline;
        if (m_match.syntheticBold) {
            FT_Outline_Embolden(&outline, std::max<FT_Pos>(32, m_ppem * 64 / 24));
        }
        std::array<long, 4> fixed;
        if (GlyphMatrix(fixed)) {
            FT_Matrix matrix{fixed[0], fixed[1], fixed[2], fixed[3]};
            FT_Outline_Transform(&outline, &matrix);
        }
        // A glyph of absurd size (a damaged font record) is left undrawn rather than
        // allocating gigabytes for its coverage.
        FT_BBox box;
        FT_Outline_Get_CBox(&outline, &box);
        double area = ((box.xMax - box.xMin) / 64.0 + 2) * ((box.yMax - box.yMin) / 64.0 + 2);
        if (area > kMaxGlyphPixels) {
            error = FT_Err_Invalid_Argument;
        }
    }
    if (error == 0) {
        error = FT_Render_Glyph(face->glyph,
                                m_monochrome ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL);
    }
    if (error != 0) {
        return image;
    }
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    image.left = face->glyph->bitmap_left;
    image.top = -face->glyph->bitmap_top;
    image.width = static_cast<int>(bitmap.width);
    image.height = static_cast<int>(bitmap.rows);
    image.levels.assign(static_cast<size_t>(image.width) * image.height, 0);
    for (int row = 0; row < image.height; ++row) {
        const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
        BYTE* target = image.levels.data() + static_cast<size_t>(row) * image.width;
        for (int column = 0; column < image.width; ++column) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                target[column] = ((source[column >> 3] >> (7 - (column & 7))) & 1) ? 16 : 0;
            } else {
                target[column] = CoverageLevel(source[column]);
            }
        }
    }
    return image;
}

namespace {

// Walks a FreeType outline into a device path; FreeType's y axis points up.
struct TOutlineSink {
    TDevicePath* path;
    TPointD origin;
    bool open = false;
    TPointD last;

    TPointD Map(const FT_Vector* v) const {
        return {origin.x + v->x / 64.0, origin.y - v->y / 64.0};
    }

    static int MoveTo(const FT_Vector* to, void* user) {
        auto* sink = static_cast<TOutlineSink*>(user);
        if (sink->open) {
            sink->path->Close();
        }
        sink->last = sink->Map(to);
        sink->path->MoveTo(sink->last);
        sink->open = true;
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user) {
        auto* sink = static_cast<TOutlineSink*>(user);
        sink->last = sink->Map(to);
        sink->path->LineTo(sink->last);
        return 0;
    }
    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
        auto* sink = static_cast<TOutlineSink*>(user);
        // The quadratic as a cubic: control points two thirds of the way to the quadratic's.
        TPointD c = sink->Map(control), end = sink->Map(to), start = sink->last;
        TPointD c1{start.x + (c.x - start.x) * 2 / 3, start.y + (c.y - start.y) * 2 / 3};
        TPointD c2{end.x + (c.x - end.x) * 2 / 3, end.y + (c.y - end.y) * 2 / 3};
        sink->path->BezierTo(c1, c2, end);
        sink->last = end;
        return 0;
    }
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
        auto* sink = static_cast<TOutlineSink*>(user);
        sink->last = sink->Map(to);
        sink->path->BezierTo(sink->Map(c1), sink->Map(c2), sink->last);
        return 0;
    }
};

} // namespace

void TFontInstance::AppendOutline(UINT glyph, TPointD origin, TDevicePath& path) {
    std::lock_guard<std::mutex> guard(m_face->Lock());
    FT_Face face = m_face->Face();
    if (FT_Set_Char_Size(face, static_cast<FT_F26Dot6>(std::lround(m_xPpem * 64)),
                         static_cast<FT_F26Dot6>(m_ppem) * 64, 72, 72) != 0) {
        return;
    }
    double xx = m_transform[0], xy = m_transform[1], yx = m_transform[2], yy = m_transform[3];
    if (m_match.syntheticItalic) {
        yx -= kObliqueSlant * xx;
        yy -= kObliqueSlant * xy;
    }
    FT_Matrix matrix;
    matrix.xx = static_cast<FT_Fixed>(std::lround(xx * 65536));
    matrix.xy = static_cast<FT_Fixed>(std::lround(-yx * 65536));
    matrix.yx = static_cast<FT_Fixed>(std::lround(-xy * 65536));
    matrix.yy = static_cast<FT_Fixed>(std::lround(yy * 65536));
    FT_Set_Transform(face, &matrix, nullptr);
    FT_Error error = FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP);
    FT_Set_Transform(face, nullptr, nullptr);
    if (error != 0 || face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
        return;
    }
    if (m_match.syntheticBold) {
        FT_Outline_Embolden(&face->glyph->outline, std::max<FT_Pos>(32, m_ppem * 64 / 24));
    }
    FT_Outline_Funcs funcs{};
    funcs.move_to = &TOutlineSink::MoveTo;
    funcs.line_to = &TOutlineSink::LineTo;
    funcs.conic_to = &TOutlineSink::ConicTo;
    funcs.cubic_to = &TOutlineSink::CubicTo;
    TOutlineSink sink{&path, origin, false, origin};
    FT_Outline_Decompose(&face->glyph->outline, &funcs, &sink);
    if (sink.open) {
        path.Close();
    }
}

TLineDecoration TFontInstance::Underline() const {
    const TFaceMetrics& design = m_face->Metrics();
    double scale = static_cast<double>(m_ppem) / design.unitsPerEm;
    TLineDecoration line;
    line.thickness = std::max(1, RoundToInt(design.underlineThickness * scale));
    // The table gives the middle of the line; a bar of whole pixels is centred on it, the
    // odd pixel below.
    line.position = RoundToInt(design.underlinePosition * scale) + line.thickness / 2;
    return line;
}

TLineDecoration TFontInstance::Strikeout() const {
    const TFaceMetrics& design = m_face->Metrics();
    double scale = static_cast<double>(m_ppem) / design.unitsPerEm;
    TLineDecoration line;
    line.thickness = std::max(1, RoundToInt(design.strikeoutSize * scale));
    line.position = RoundToInt(design.strikeoutPosition * scale);
    return line;
}

} // namespace gdi
