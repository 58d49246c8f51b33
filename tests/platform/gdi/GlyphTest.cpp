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

TEST(GlyphImages, RotationTurnsTheInk) {
    auto upright = Arial(-26);
    auto turned = Arial(-26, {0, -1, 1, 0}); // baseline pointing up the page
    ASSERT_TRUE(upright && turned);
    const TGlyphImage& a = upright->Glyph(upright->GlyphFor(U'l'));
    const TGlyphImage& b = turned->Glyph(turned->GlyphFor(U'l'));
    EXPECT_GT(a.height, 2 * a.width);
    EXPECT_GT(b.width, 2 * b.height);
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
