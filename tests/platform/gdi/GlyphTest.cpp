// Glyph coverage and how it is mixed into the destination; the character conversions the
// text functions rely on.
#include "platform/gdi/FontInstance_p.h"
#include "platform/gdi/GlyphBlend_p.h"
#include "platform/gdi/TextEncoding_p.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace gdi;

namespace {

std::unique_ptr<TFontInstance> Arial(LONG height, std::array<double, 4> transform = {1, 0, 0, 1},
                                     BYTE quality = DEFAULT_QUALITY) {
    TFaceRequest request;
    request.faceName = u"Arial";
    TFaceMatch match;
    if (!MatchFontFace(request, match)) {
        return nullptr;
    }
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfQuality = quality;
    return std::make_unique<TFontInstance>(TFontFace::Open(match.file, match.index), match, font,
                                           1.0, 1.0, transform);
}

} // namespace

// The greys the reference pictures show for black text on white, level by level.
TEST(GlyphBlend, MixesInLinearLightLikeTheReference) {
    const int reference[17] = {255, 248, 240, 233, 225, 217, 208, 199, 189,
                               178, 167, 154, 140, 124, 104, 77,  0};
    for (int level = 1; level <= 16; ++level) {
        SCOPED_TRACE(level);
        EXPECT_NEAR(BlendChannel(255, 0, level), reference[level], 1);
        // White on black shows the same greys in mirror order.
        EXPECT_NEAR(BlendChannel(0, 255, level), reference[16 - level], 1);
    }
    EXPECT_EQ(BlendChannel(17, 200, 0), 17);
    EXPECT_EQ(BlendChannel(17, 200, 16), 200);
}

TEST(GlyphBlend, DrawsOnlyInsideTheClip) {
    TSurface surface;
    ASSERT_TRUE(surface.Allocate(16, 16, 0xFFFFFF));
    TGlyphImage glyph;
    glyph.left = -2;
    glyph.top = -2;
    glyph.width = 20;
    glyph.height = 20;
    glyph.levels.assign(400, 16);
    TPixRegion clip(4, 4, 8, 8);
    BlendGlyph(surface, clip, 2, 2, glyph, 0x000000);
    int black = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            bool inside = x >= 4 && x < 8 && y >= 4 && y < 8;
            EXPECT_EQ(surface.Get(x, y), inside ? 0u : 0xFFFFFFu) << x << "," << y;
            black += inside ? 1 : 0;
        }
    }
    EXPECT_EQ(black, 16);
    // A glyph far outside the surface is skipped, not wrapped round.
    BlendGlyph(surface, TPixRegion(0, 0, 16, 16), 2000000000, -2000000000, glyph, 0xFF0000);
    EXPECT_EQ(surface.Get(0, 0), 0xFFFFFFu);
}

TEST(GlyphImages, SmallSizesFollowTheGaspTable) {
    // Arial asks for plain grid-fitting at 12 pixels and smoothing at 18, and the table rules
    // whichever smoothing the font asks for.
    struct TCase {
        LONG height;
        BYTE quality;
        bool smoothed;
    } cases[] = {{-12, DEFAULT_QUALITY, false},       {-18, DEFAULT_QUALITY, true},
                 {-26, DEFAULT_QUALITY, true},        {-12, ANTIALIASED_QUALITY, false},
                 {-13, CLEARTYPE_QUALITY, false},     {-18, CLEARTYPE_QUALITY, true},
                 {-26, NONANTIALIASED_QUALITY, false}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(std::to_string(entry.height) + " quality " + std::to_string(entry.quality));
        auto font = Arial(entry.height, {1, 0, 0, 1}, entry.quality);
        ASSERT_TRUE(font);
        const TGlyphImage& image = font->Glyph(font->GlyphFor(U'o'));
        ASSERT_GT(image.width, 0);
        bool grey = false;
        for (BYTE level : image.levels) {
            EXPECT_LE(level, 16);
            grey = grey || (level != 0 && level != 16);
        }
        EXPECT_EQ(grey, entry.smoothed);
        EXPECT_LT(image.top, 0);                // ink above the baseline
        EXPECT_GE(image.top + image.height, 0); // and down to it
    }
}

// A look-alike follows the smoothing rule of the face asked for: Tahoma stays crisp through
// 16 pixels per em whatever its stand-in's own table says.
TEST(GlyphImages, LookAlikesKeepTheSmoothingRuleOfTheirFace) {
    for (LONG height : {-11, -16, -17, -24}) {
        SCOPED_TRACE(height);
        TFaceRequest request;
        request.faceName = u"Tahoma";
        TFaceMatch match;
        ASSERT_TRUE(MatchFontFace(request, match));
        LOGFONTW font{};
        font.lfHeight = height;
        TFontInstance instance(TFontFace::Open(match.file, match.index), match, font, 1.0, 1.0,
                               {1, 0, 0, 1});
        const TGlyphImage& image = instance.Glyph(instance.GlyphFor(U'o'));
        ASSERT_GT(image.width, 0);
        bool grey = false;
        for (BYTE level : image.levels) {
            grey = grey || (level != 0 && level != 16);
        }
        EXPECT_EQ(grey, height < -16);
    }
}

TEST(GlyphImages, RotationTurnsTheInk) {
    auto upright = Arial(-26);
    auto turned = Arial(-26, {0, -1, 1, 0}); // baseline pointing up the page
    ASSERT_TRUE(upright && turned);
    const TGlyphImage& a = upright->Glyph(upright->GlyphFor(U'l'));
    const TGlyphImage& b = turned->Glyph(turned->GlyphFor(U'l'));
    EXPECT_GT(a.height, 2 * a.width);
    EXPECT_GT(b.width, 2 * b.height);
}

// A turned glyph is the upright one turned: it is grid-fitted at the em first, so a quarter
// turn keeps every stem and height pixel for pixel (coverage within a level: the rasteriser
// sums rows and columns in a different order).
TEST(GlyphImages, QuarterTurnKeepsTheFittedShape) {
    for (LONG height : {-12, -26}) {
        SCOPED_TRACE(height);
        auto upright = Arial(height);
        auto turned = Arial(height, {0, -1, 1, 0});
        ASSERT_TRUE(upright && turned);
        for (char32_t c : {U'H', U'e', U'g'}) {
            const TGlyphImage& a = upright->Glyph(upright->GlyphFor(c));
            const TGlyphImage& b = turned->Glyph(turned->GlyphFor(c));
            ASSERT_EQ(a.width, b.height);
            ASSERT_EQ(a.height, b.width);
            // Glyph x runs up the device, glyph y (down) runs right.
            for (int y = 0; y < a.height; ++y) {
                for (int x = 0; x < a.width; ++x) {
                    int column = a.top + y - b.left;
                    int row = -(a.left + x + 1) - b.top;
                    ASSERT_TRUE(column >= 0 && column < b.width && row >= 0 && row < b.height);
                    EXPECT_NEAR(b.levels[static_cast<size_t>(row * b.width + column)],
                                a.levels[static_cast<size_t>(y * a.width + x)], 1)
                        << char(c) << " at " << x << "," << y;
                }
            }
        }
    }
}

// A narrowed font is fitted at its em and then squeezed: its glyphs are exactly as tall as
// the natural ones, and narrower.
TEST(GlyphImages, NarrowedGlyphsKeepTheirHeight) {
    auto natural = Arial(-20);
    auto narrow = Arial(-20, {0.5, 0, 0, 1});
    ASSERT_TRUE(natural && narrow);
    for (char32_t c : {U'H', U'o', U'x'}) {
        const TGlyphImage& a = natural->Glyph(natural->GlyphFor(c));
        const TGlyphImage& b = narrow->Glyph(narrow->GlyphFor(c));
        EXPECT_EQ(a.top, b.top) << char(c);
        EXPECT_EQ(a.height, b.height) << char(c);
        EXPECT_LT(b.width, a.width) << char(c);
    }
}

TEST(TextEncoding, ConvertsTheAnsiCodePageAndDamagedUtf16) {
    const char ansi[] = {'A', static_cast<char>(0x80), static_cast<char>(0x9F),
                         static_cast<char>(0xE9), static_cast<char>(0x81)};
    EXPECT_EQ(AnsiToUtf16(ansi, 5), std::u16string(u"A\u20AC\u0178\u00E9\u0081"));

    std::vector<char32_t> points;
    std::vector<size_t> units;
    const char16_t text[] = {u'a', 0xD83D, 0xDE00, 0xDC00, u'b', 0xD800};
    Utf16ToCodePoints(text, 6, points, &units);
    EXPECT_EQ(points, (std::vector<char32_t>{U'a', 0x1F600, 0xFFFD, U'b', 0xFFFD}));
    EXPECT_EQ(units, (std::vector<size_t>{0, 1, 3, 4, 5}));

    EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(u"Ça \U0001F600")), u"Ça \U0001F600");
    EXPECT_EQ(AsciiLower(u"Times New ROMAN"), u"times new roman");
}
