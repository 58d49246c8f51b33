// Face matching, height semantics and advances of realised fonts. Expected advances are the
// spacing arrays a real system wrote for the same strings (the conformance scenes' records).
#include "platform/gdi/FontInstance_p.h"
#include "platform/gdi/FontMatch_p.h"
#include "platform/gdi/SymbolEncoding_p.h"
#include "platform/gdi/TextEncoding_p.h"
#include "platform/gdi/TextLayout_p.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace gdi;

namespace {

LOGFONTW MakeFont(const std::u16string& face, LONG height, LONG weight = FW_NORMAL,
                  BYTE charSet = DEFAULT_CHARSET, LONG width = 0) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfWeight = weight;
    font.lfCharSet = charSet;
    for (size_t i = 0; i < face.size() && i < LF_FACESIZE - 1; ++i) {
        font.lfFaceName[i] = face[i];
    }
    return font;
}

TFaceRequest RequestOf(const LOGFONTW& font) {
    TFaceRequest request;
    for (int i = 0; i < LF_FACESIZE && font.lfFaceName[i] != 0; ++i) {
        request.faceName += font.lfFaceName[i];
    }
    request.weight = font.lfWeight;
    request.italic = font.lfItalic != 0;
    request.charSet = font.lfCharSet;
    request.pitchAndFamily = font.lfPitchAndFamily;
    return request;
}

std::unique_ptr<TFontInstance> Realise(const LOGFONTW& font) {
    TFaceMatch match;
    if (!MatchFontFace(RequestOf(font), match)) {
        return nullptr;
    }
    auto face = TFontFace::Open(match.file, match.index);
    if (!face) {
        return nullptr;
    }
    return std::make_unique<TFontInstance>(face, match, font, 1.0, 1.0,
                                           std::array<double, 4>{1, 0, 0, 1});
}

std::vector<int> Advances(TFontInstance& font, const std::u16string& text) {
    std::vector<int> advances;
    for (char16_t c : text) {
        advances.push_back(font.Advance(font.GlyphFor(c)));
    }
    return advances;
}

} // namespace

TEST(FontMatch, ResolvesEachNamedFaceToItsInstalledStandIn) {
    struct TCase {
        const char16_t* face;
        BYTE pitchAndFamily;
        const char* family;
    } cases[] = {
        {u"Arial", 0, "Liberation Sans"},
        {u"arial", 0, "Liberation Sans"},
        {u"Helvetica", 0, "Liberation Sans"},
        {u"Times New Roman", 0, "Liberation Serif"},
        {u"Courier New", 0, "Liberation Mono"},
        {u"Calibri", 0, "Carlito"},
        {u"Cambria", 0, "Caladea"},
        {u"MS Sans Serif", 0, "Liberation Sans"},
        {u"Tahoma", 0, "Tahoma"},
        {u"Verdana", 0, "DejaVu Sans"},
        {u"Liberation Serif", 0, "Liberation Serif"},
        {u"No Such Face", FF_ROMAN | VARIABLE_PITCH, "Liberation Serif"},
        {u"No Such Face", FF_MODERN | FIXED_PITCH, "Liberation Mono"},
        {u"No Such Face", FF_SWISS, "Liberation Sans"},
        {u"", 0, "Liberation Sans"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(Utf16ToUtf8(entry.face));
        TFaceRequest request;
        request.faceName = entry.face;
        request.pitchAndFamily = entry.pitchAndFamily;
        TFaceMatch match;
        ASSERT_TRUE(MatchFontFace(request, match));
        EXPECT_EQ(match.family, entry.family);
        EXPECT_FALSE(match.symbolMapped);
        EXPECT_FALSE(match.syntheticBold);
    }
}

TEST(FontMatch, KeepsTheRequestedNameOnlyForMetricCompatibleStandIns) {
    TFaceRequest request;
    request.faceName = u"Times New Roman";
    TFaceMatch match;
    ASSERT_TRUE(MatchFontFace(request, match));
    EXPECT_EQ(match.name, u"Times New Roman");
    request.faceName = u"Verdana";
    ASSERT_TRUE(MatchFontFace(request, match));
    EXPECT_EQ(match.name, u"DejaVu Sans");
}

// The core-face directory also holds a "Symbol" and a "Wingdings" without the symbol
// characters, and raster faces; only its Tahoma may be chosen.
TEST(FontMatch, TakesOnlyTahomaFromTheCoreFaceDirectory) {
    const std::string directory = "/usr/share/wine/fonts/";
    TFaceRequest request;
    TFaceMatch match;
    request.faceName = u"Tahoma";
    request.weight = FW_BOLD;
    ASSERT_TRUE(MatchFontFace(request, match));
    EXPECT_EQ(match.file, directory + "tahomabd.ttf");
    EXPECT_FALSE(match.syntheticBold);
    for (const char16_t* face :
         {u"Symbol", u"Wingdings", u"MS Sans Serif", u"System", u"Courier"}) {
        SCOPED_TRACE(Utf16ToUtf8(face));
        request = TFaceRequest{};
        request.faceName = face;
        ASSERT_TRUE(MatchFontFace(request, match));
        EXPECT_NE(match.file.rfind(directory, 0), 0u) << match.file;
    }
}

TEST(FontMatch, PicksBoldAndItalicFilesOfTheFamily) {
    TFaceRequest request;
    request.faceName = u"Arial";
    request.weight = FW_BOLD;
    request.italic = true;
    TFaceMatch match;
    ASSERT_TRUE(MatchFontFace(request, match));
    EXPECT_NE(match.file.find("BoldItalic"), std::string::npos) << match.file;
    EXPECT_FALSE(match.syntheticBold);
    EXPECT_FALSE(match.syntheticItalic);
}

TEST(FontMatch, SymbolFontsNeverDrawTheirCharactersAsLetters) {
    for (const char16_t* face : {u"Symbol", u"Wingdings"}) {
        SCOPED_TRACE(Utf16ToUtf8(face));
        auto font = Realise(MakeFont(face, -22, FW_NORMAL, SYMBOL_CHARSET));
        ASSERT_TRUE(font);
        EXPECT_TRUE(font->Match().symbolMapped);
        auto latin = Realise(MakeFont(u"Arial", -22));
        ASSERT_TRUE(latin);
        for (char32_t c : {U'a', U'A', U'W', U'\U0000F061'}) {
            UINT glyph = font->GlyphFor(c);
            // Either the face has a symbol map, or the character is a missing-glyph box.
            if (!font->Face().Metrics().hasSymbolMap) {
                EXPECT_EQ(glyph, 0u) << static_cast<unsigned>(c);
            }
        }
        EXPECT_EQ(font->Metrics().tmCharSet, SYMBOL_CHARSET);
    }
}

// Text in the Symbol face stores the face's own codes: 'a' is alpha, 0xB4 the multiplication
// sign, 0xE6 the top of a large left parenthesis. Drawn without that face, each code still
// shows the character it stands for, taken from whichever face has it; an empty code is a box.
TEST(FontMatch, SymbolCodesDrawTheCharactersTheyStandFor) {
    EXPECT_EQ(SymbolCharacter(U'a'), U'\u03B1');
    EXPECT_EQ(SymbolCharacter(U'\uF0B4'), U'\u00D7');
    EXPECT_EQ(SymbolCharacter(0xE6), U'\u239B');
    EXPECT_EQ(SymbolCharacter(0xFE), U'\u23AD');
    EXPECT_EQ(SymbolCharacter(U'='), U'=');
    EXPECT_EQ(SymbolCharacter(0xF0), 0u);
    EXPECT_EQ(SymbolCharacter(0x7F), 0u);
    EXPECT_EQ(SymbolCharacter(U'\u03B1'), 0u);

    auto font = Realise(MakeFont(u"Symbol", -22, FW_NORMAL, SYMBOL_CHARSET));
    ASSERT_TRUE(font);
    const std::u16string codes = u"\uF061=\uF0B4\uF0E6";
    const char32_t meant[] = {U'\u03B1', U'=', U'\u00D7', U'\u239B'};
    TGlyphRun run =
        ShapeText(*font, reinterpret_cast<const WCHAR*>(codes.c_str()), codes.size(), false);
    ASSERT_EQ(run.glyphs.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        if (font->Face().Metrics().hasSymbolMap) {
            EXPECT_NE(run.glyphs[i], 0u);
            continue;
        }
        const TFontInstance* drawer = run.fonts[i] ? run.fonts[i] : font.get();
        EXPECT_NE(run.glyphs[i], 0u);
        EXPECT_EQ(run.glyphs[i], drawer->Face().GlyphIndex(meant[i], false));
    }
    const std::u16string empty = u"\uF0F0";
    TGlyphRun box =
        ShapeText(*font, reinterpret_cast<const WCHAR*>(empty.c_str()), empty.size(), false);
    ASSERT_EQ(box.glyphs.size(), 1u);
    EXPECT_EQ(box.fonts[0], nullptr);
}

TEST(FontMatch, CjkCharsetFindsAFaceCoveringTheScript) {
    TFaceRequest request;
    request.faceName = u"SimSun";
    request.charSet = GB2312_CHARSET;
    TFaceMatch match;
    ASSERT_TRUE(MatchFontFace(request, match));
    auto face = TFontFace::Open(match.file, match.index);
    ASSERT_TRUE(face);
    if (face->GlyphIndex(U'\u4E2D', false) == 0) {
        GTEST_SKIP() << "no face with Chinese characters installed";
    }
    EXPECT_NE(face->GlyphIndex(U'\u6587', false), 0u) << match.family;
}

// Negative heights are the character height (the em), positive ones the cell height.
TEST(FontMetrics, HeightsFollowTheCharacterAndCellConventions) {
    for (const char16_t* face : {u"Arial", u"Times New Roman", u"Courier New"}) {
        for (LONG height : {8, 12, 18, 26, 40, 72}) {
            SCOPED_TRACE(Utf16ToUtf8(face) + " " + std::to_string(height));
            auto negative = Realise(MakeFont(face, -height));
            ASSERT_TRUE(negative);
            const TEXTMETRICW& tm = negative->Metrics();
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, height);
            EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
            auto positive = Realise(MakeFont(face, height));
            ASSERT_TRUE(positive);
            EXPECT_NEAR(positive->Metrics().tmHeight, height, 1);
        }
    }
}

TEST(FontMetrics, MatchTheReferenceMetricsOfArial) {
    // Arial -12 on the reference system: ascent 11, descent 3, internal leading 2.
    auto font = Realise(MakeFont(u"Arial", -12));
    ASSERT_TRUE(font);
    const TEXTMETRICW& tm = font->Metrics();
    EXPECT_EQ(tm.tmAscent, 11);
    EXPECT_EQ(tm.tmDescent, 3);
    EXPECT_EQ(tm.tmInternalLeading, 2);
    EXPECT_EQ(tm.tmWeight, FW_NORMAL);
    EXPECT_EQ(tm.tmPitchAndFamily & TMPF_FIXED_PITCH, TMPF_FIXED_PITCH); // variable pitch
    EXPECT_EQ(tm.tmPitchAndFamily & 0xF0, FF_SWISS);
    auto mono = Realise(MakeFont(u"Courier New", -12));
    ASSERT_TRUE(mono);
    EXPECT_EQ(mono->Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
    EXPECT_EQ(mono->Metrics().tmPitchAndFamily & 0xF0, FF_MODERN);
}

// A look-alike standing in for a face that is not installed keeps that face's cell: Tahoma's
// em sits low in a cell of 2472/2048 ems, so top-aligned text has its baseline a whole em down.
TEST(FontMetrics, LookAlikesTakeTheCellOfTheFaceAskedFor) {
    struct TCase {
        LONG height;
        LONG ascent;
        LONG descent;
    } cases[] = {{-24, 24, 5}, {-11, 11, 2}, {29, 24, 5}, {16, 13, 3}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.height);
        auto font = Realise(MakeFont(u"Tahoma", entry.height));
        ASSERT_TRUE(font);
        EXPECT_EQ(font->Metrics().tmAscent, entry.ascent);
        EXPECT_EQ(font->Metrics().tmDescent, entry.descent);
    }
}

// Under a scaling mapping the logical size becomes whole device pixels by cutting, not by
// rounding: a chart recorded at 0.0603 pixels a unit asks for 199 units and gets an 11-pixel em.
TEST(FontMetrics, ScaledSizesAreCutToWholePixels) {
    struct TCase {
        LONG height;
        LONG width;
        double scale;
        int ppem;
    } cases[] = {
        {-199, 0, 564.0 / 9360, 11}, // 11.99 pixels
        {-240, 0, 1.0 / 15, 16},     // twips: exactly 16, not a hair below
        {-423, 0, 96.0 / 2540, 15},  // HIMETRIC: 15.99 pixels
        {-13, 0, 0.99997, 12},       // a frame a hair smaller than the picture
        {-13, 0, 1.00004, 13},       {-20, 0, 1.0, 20},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::to_string(entry.height) + " at " + std::to_string(entry.scale));
        LOGFONTW log = MakeFont(u"Arial", entry.height, FW_NORMAL, DEFAULT_CHARSET, entry.width);
        TFaceMatch match;
        ASSERT_TRUE(MatchFontFace(RequestOf(log), match));
        TFontInstance font(TFontFace::Open(match.file, match.index), match, log, entry.scale,
                           entry.scale, {1, 0, 0, 1});
        EXPECT_EQ(font.Ppem(), entry.ppem);
    }
    // A width is cut the same way: 88 units at 0.0603 make 5 pixels (5.30), and a cell height
    // of 29.99 pixels is a 29-pixel cell: a 26-pixel em (30 would make 27).
    LOGFONTW narrow = MakeFont(u"Arial", -199, FW_NORMAL, DEFAULT_CHARSET, 88);
    TFaceMatch match;
    ASSERT_TRUE(MatchFontFace(RequestOf(narrow), match));
    TFontInstance squeezed(TFontFace::Open(match.file, match.index), match, narrow, 564.0 / 9360,
                           564.0 / 9360, {1, 0, 0, 1});
    EXPECT_NEAR(squeezed.XPpem(), 11.0 * 5 / 6, 1e-9); // Arial's average at 11 pixels: 6
    TFontInstance cell(TFontFace::Open(match.file, match.index), match, MakeFont(u"Arial", 2999),
                       0.01, 0.01, {1, 0, 0, 1});
    EXPECT_EQ(cell.Ppem(), 26);
}

// Windows sizes dialogs from tmAveCharWidth. Stand-ins for the older faces report the figure
// those faces carry (Arial Bold 983/2048 of the em, Arial 904/2048), not the wider all-glyph
// average of their own table; a face standing for a newer one keeps its table's figure.
TEST(FontMetrics, AverageWidthIsThatOfTheFaceAskedFor) {
    struct TCase {
        const char16_t* face;
        LONG height;
        LONG weight;
        LONG average;
    } cases[] = {
        {u"Arial", 17, FW_BOLD, 7}, // the status font: 15-pixel em
        {u"Arial", -16, FW_NORMAL, 7},
        {u"Arial", -32, FW_BOLD, 15},
        {u"Times New Roman", -16, FW_NORMAL, 6},
        {u"Courier New", -16, FW_NORMAL, 10},
        {u"MS Shell Dlg", -11, FW_NORMAL, 5},
        {u"Calibri", -16, FW_NORMAL, 8},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(Utf16ToUtf8(entry.face) + " " + std::to_string(entry.height));
        auto font = Realise(MakeFont(entry.face, entry.height, entry.weight));
        ASSERT_TRUE(font);
        EXPECT_EQ(font->Metrics().tmAveCharWidth, entry.average);
    }
    // A width in the LOGFONT stretches by the installed file's own average, rounded to whole
    // pixels, as the reference draws substituted faces: Arial at 20 pixels with width 12 keeps
    // its natural em, with width 5 it narrows to 5/12 of it (not to a whole 9 pixels).
    auto natural = Realise(MakeFont(u"Arial", -20, FW_NORMAL, DEFAULT_CHARSET, 12));
    ASSERT_TRUE(natural);
    EXPECT_DOUBLE_EQ(natural->XPpem(), 20.0);
    auto narrow = Realise(MakeFont(u"Arial", -20, FW_NORMAL, DEFAULT_CHARSET, 5));
    ASSERT_TRUE(narrow);
    EXPECT_NEAR(narrow->XPpem(), 20.0 * 5 / 12, 1e-9);
}

TEST(FontMetrics, ZeroHeightGivesTheDefaultCell) {
    auto font = Realise(MakeFont(u"Arial", 0));
    ASSERT_TRUE(font);
    EXPECT_NEAR(font->Metrics().tmHeight, 16, 1);
}

TEST(FontAdvances, MatchTheSpacingArraysTheReferenceRecorded) {
    struct TCase {
        const char16_t* face;
        LONG height;
        LONG weight;
        LONG width;
        const char16_t* text;
        std::vector<int> advances;
    } cases[] = {
        {u"Arial",
         -12,
         400,
         0,
         u"-12 Hxgy fox jumps",
         {4, 7, 7, 3, 9, 6, 7, 6, 3, 3, 7, 6, 3, 3, 7, 10, 7, 6}},
        {u"Arial",
         12,
         400,
         0,
         u"+12 Hxgy fox jumps",
         {6, 6, 6, 3, 8, 6, 6, 6, 3, 3, 6, 6, 3, 2, 6, 9, 6, 6}},
        {u"Arial",
         18,
         400,
         0,
         u"+18 Hxgy fox jumps",
         {9, 9, 9, 4, 12, 8, 9, 8, 4, 4, 9, 8, 4, 4, 9, 13, 9, 8}},
        {u"Arial", -26, 400, 0, u"-26 Hxgy fox", {9, 14, 14, 7, 19, 13, 14, 13, 7, 7, 14, 13}},
        {u"Times New Roman",
         -18,
         400,
         0,
         u"-18 Hxgy fox jumps",
         {6, 9, 9, 5, 13, 9, 9, 9, 5, 6, 9, 9, 5, 5, 9, 14, 9, 7}},
        {u"Times New Roman",
         26,
         400,
         0,
         u"+26 Hxgy fox",
         {13, 12, 12, 6, 17, 12, 12, 12, 6, 8, 12, 12}},
        {u"Courier New", 18, 400, 0, u"+18 Hxgy", {10, 10, 10, 10, 10, 10, 10, 10}},
        {u"Arial", -17, 700, 0, u"Aaf", {12, 9, 6}},
        {u"Times New Roman", -17, 400, 0, u"Aaf", {12, 8, 6}},
        {u"Arial", -20, 400, 5, u"Width 5", {8, 2, 5, 3, 5, 3, 5}},
        {u"Arial", -20, 400, 12, u"Width 12", {19, 4, 11, 6, 11, 6, 11, 11}},
        {u"Arial", -16, 400, 0, u"\u00C7a d\u00E9j\u00E0", {12, 9, 4, 9, 9, 4, 9}},
        {u"Arial", -16, 400, 0, u"\u0395\u03BB\u03BB\u03B7\u03BD", {11, 8, 8, 9, 8}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(Utf16ToUtf8(entry.text));
        auto font =
            Realise(MakeFont(entry.face, entry.height, entry.weight, DEFAULT_CHARSET, entry.width));
        ASSERT_TRUE(font);
        EXPECT_EQ(Advances(*font, entry.text), entry.advances);
    }
}

// Rows of the underline below the baseline, as the reference draws Times New Roman.
TEST(FontDecorations, UnderlineSitsWhereTheReferenceDrawsIt) {
    struct TCase {
        LONG height;
        int rowsBelowBaseline;
        int thickness;
    } cases[] = {{-14, 1, 1}, {-28, 2, 1}, {-40, 1, 2}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.height);
        auto font = Realise(MakeFont(u"Times New Roman", entry.height));
        ASSERT_TRUE(font);
        TLineDecoration underline = font->Underline();
        EXPECT_EQ(-underline.position, entry.rowsBelowBaseline);
        EXPECT_EQ(underline.thickness, entry.thickness);
        TLineDecoration strikeout = font->Strikeout();
        EXPECT_GT(strikeout.position, 0);
        EXPECT_LT(strikeout.position, font->Metrics().tmAscent);
    }
}

// Characters the matched face lacks come from a linked face that has them, at the same em,
// instead of the missing-glyph box; symbol fonts keep their boxes.
TEST(FontLinking, DrawsMissingCharactersFromAFaceThatHasThem) {
    auto font = Realise(MakeFont(u"Arial", -20));
    ASSERT_TRUE(font);
    const std::u16string text = u"A\u2603\u4E2D";
    ASSERT_EQ(font->GlyphFor(U'\u2603'), 0u) << "the stand-in for Arial has a snowman";
    TGlyphRun run =
        ShapeText(*font, reinterpret_cast<const WCHAR*>(text.c_str()), text.size(), false);
    ASSERT_EQ(run.glyphs.size(), 3u);
    EXPECT_EQ(run.fonts[0], nullptr);
    for (size_t i = 1; i < 3; ++i) {
        SCOPED_TRACE(i);
        TFaceMatch linked;
        if (!MatchFallbackFace(run.chars[i], RequestOf(MakeFont(u"Arial", -20)), linked)) {
            continue; // no installed face has it: the box stays
        }
        ASSERT_NE(run.fonts[i], nullptr);
        EXPECT_NE(run.glyphs[i], 0u);
        EXPECT_EQ(run.fonts[i]->Ppem(), 20);
        EXPECT_GT(run.fonts[i]->Advance(run.glyphs[i]), 0);
        EXPECT_GT(run.fonts[i]->Glyph(run.glyphs[i]).width, 0);
    }
    auto symbol = Realise(MakeFont(u"Wingdings", -20, FW_NORMAL, SYMBOL_CHARSET));
    ASSERT_TRUE(symbol);
    const std::u16string letters = u"\uF041\uF042";
    TGlyphRun boxes =
        ShapeText(*symbol, reinterpret_cast<const WCHAR*>(letters.c_str()), letters.size(), false);
    for (TFontInstance* linked : boxes.fonts) {
        EXPECT_EQ(linked, nullptr);
    }
    // Nor does a symbol face asked for with another character set lend out Latin letters.
    auto ansiSymbol = Realise(MakeFont(u"Symbol", -20, FW_NORMAL, ANSI_CHARSET));
    ASSERT_TRUE(ansiSymbol);
    const std::u16string alpha = u"ab";
    TGlyphRun greek =
        ShapeText(*ansiSymbol, reinterpret_cast<const WCHAR*>(alpha.c_str()), alpha.size(), false);
    for (TFontInstance* linked : greek.fonts) {
        EXPECT_EQ(linked, nullptr);
    }
}
