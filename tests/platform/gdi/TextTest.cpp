// Text output on a memory DC: placement by alignment, spacing and clipping, the extent
// queries, and strings that are empty, very long or not valid UTF-16.
#include "platform/WinGdi.h"

#include <gtest/gtest.h>

#include "tests/platform/gdi/TextCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using TCanvas = tallyvane_test::TTextCanvas;

const std::u16string kSample = u"Hxgy";

// Arial `height` units high (negative: the em), `width` wide (0: natural), its baseline and
// glyphs turned by `escapement` tenths of a degree.
HFONT MakeArial(LONG height, LONG escapement = 0, LONG width = 0) {
    LOGFONTW log{};
    log.lfHeight = height;
    log.lfWidth = width;
    log.lfEscapement = escapement;
    log.lfOrientation = escapement;
    log.lfWeight = FW_NORMAL;
    const std::u16string face = u"Arial";
    std::copy(face.begin(), face.end(), log.lfFaceName);
    return CreateFontIndirectW(&log);
}

} // namespace

TEST(TextOut, AlignsTheReferencePointAsAsked) {
    TCanvas canvas(200, 80);
    ASSERT_TRUE(canvas.Valid());
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(canvas.Dc(), &tm));
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), kSample.c_str(), 4, &extent));
    struct TCase {
        const char* name;
        UINT align;
    } cases[] = {{"left top", TA_LEFT | TA_TOP},
                 {"right top", TA_RIGHT | TA_TOP},
                 {"centre top", TA_CENTER | TA_TOP},
                 {"left baseline", TA_BASELINE},
                 {"left bottom", TA_LEFT | TA_BOTTOM}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        canvas.Clear();
        SetTextAlign(canvas.Dc(), entry.align);
        ASSERT_TRUE(TextOutW(canvas.Dc(), 100, 40, kSample.c_str(), 4));
        RECT ink = canvas.Ink();
        ASSERT_GT(ink.right, ink.left);
        // Horizontally the ink lies within the advance box, a pixel of overhang allowed.
        int boxLeft = (entry.align & TA_CENTER) == TA_CENTER ? 100 - extent.cx / 2
                      : (entry.align & TA_RIGHT)             ? 100 - extent.cx
                                                             : 100;
        EXPECT_GE(ink.left, boxLeft - 1);
        EXPECT_LE(ink.right, boxLeft + extent.cx + 1);
        // Vertically: 'H' reaches the cap height above the baseline, 'g' and 'y' go below it.
        int baseline = (entry.align & TA_BASELINE) == TA_BASELINE ? 40
                       : (entry.align & TA_BOTTOM)                ? 40 - tm.tmDescent
                                                                  : 40 + tm.tmAscent;
        EXPECT_LT(ink.top, baseline - tm.tmAscent / 2);
        EXPECT_GT(ink.bottom, baseline + 1);
        EXPECT_LE(ink.bottom, baseline + tm.tmDescent);
    }
}

// Under a world rotation the move from the top of the cell to the baseline runs straight down
// the device, not across the turned baseline. The turned font reports its ascent scaled by the
// transform's vertical factor, and the alignment takes it through logical units and back:
// 16 pixels of ascent turned 30 degrees make 14, then 12 logical units, then 10 pixels.
TEST(TextOut, TopAlignmentUnderARotationMovesStraightDown) {
    TCanvas canvas(200, 160, -18);
    ASSERT_TRUE(canvas.Valid());
    ASSERT_TRUE(SetGraphicsMode(canvas.Dc(), GM_ADVANCED));
    const double angle = 30 * 3.14159265358979 / 180;
    XFORM turn{static_cast<FLOAT>(std::cos(angle)),
               static_cast<FLOAT>(std::sin(angle)),
               static_cast<FLOAT>(-std::sin(angle)),
               static_cast<FLOAT>(std::cos(angle)),
               0,
               0};
    ASSERT_TRUE(SetWorldTransform(canvas.Dc(), &turn));
    RECT ink[2];
    const UINT aligns[2] = {TA_BASELINE, TA_TOP};
    for (int i = 0; i < 2; ++i) {
        canvas.Clear();
        SetTextAlign(canvas.Dc(), aligns[i]);
        ASSERT_TRUE(TextOutW(canvas.Dc(), 80, 20, kSample.c_str(), 4));
        ink[i] = canvas.Ink();
        ASSERT_GT(ink[i].right, ink[i].left);
    }
    EXPECT_EQ(ink[1].left - ink[0].left, 0);
    EXPECT_EQ(ink[1].top - ink[0].top, 10);
}

// In the compatible graphics mode the escapement turns from the x axis towards the top of the
// logical page: up the screen under MM_TEXT, down it where the mapping turns the y axis up,
// where producers ask for 2700 to have an axis title read upwards. Glyphs stay upright along
// the baseline either way.
TEST(TextOut, EscapementFollowsTheLogicalYAxis) {
    struct TCase {
        const char* name;
        bool yUp;
        LONG escapement;
        bool readsUp; // the line runs up the screen from the reference point
    } cases[] = {{"y down, 90", false, 900, true},
                 {"y down, 270", false, 2700, false},
                 {"y up, 90", true, 900, false},
                 {"y up, 270", true, 2700, true}};
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        TCanvas canvas(100, 200);
        ASSERT_TRUE(canvas.Valid());
        HFONT font = MakeArial(-20, entry.escapement);
        HGDIOBJ previous = SelectObject(canvas.Dc(), font);
        SetTextAlign(canvas.Dc(), TA_BASELINE);
        int x = 50, y = 100;
        if (entry.yUp) {
            // One logical unit per pixel, y up, the origin at the bottom.
            SetMapMode(canvas.Dc(), MM_ANISOTROPIC);
            SetWindowExtEx(canvas.Dc(), 100, -200, nullptr);
            SetViewportExtEx(canvas.Dc(), 100, 200, nullptr);
            SetWindowOrgEx(canvas.Dc(), 0, 200, nullptr);
        }
        ASSERT_TRUE(TextOutW(canvas.Dc(), x, y, u"HHHH", 4));
        RECT ink = canvas.Ink();
        ASSERT_GT(ink.bottom, ink.top);
        EXPECT_GT(ink.bottom - ink.top, 40); // along the line
        if (entry.readsUp) {
            // Tops point left of the baseline, which runs up from (50, 100).
            EXPECT_LE(ink.bottom, 101);
            EXPECT_LE(ink.right, 51);
        } else {
            EXPECT_GE(ink.top, 99);
            EXPECT_GE(ink.left, 49);
        }
        SelectObject(canvas.Dc(), previous);
        DeleteObject(font);
    }
}

// A spacing array turned by the escapement is a logical vector: each axis takes its own scale
// and keeps whole logical units, cut towards zero. At 45 degrees a step of 7 moves the next
// glyph 4 pixels across and 4 up, not the 5 that 4.95 rounds to; straight up under a y axis
// stretched twice, a step of 10 moves it 20 pixels.
TEST(TextOut, TurnedSpacingIsALogicalVector) {
    struct TCase {
        const char* name;
        LONG escapement;
        int yScale;
        INT step;
        POINT moved;
    } cases[] = {{"45 degrees", 450, 1, 7, {4, -4}}, {"90 degrees, y twice", 900, 2, 10, {0, -20}}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TCanvas canvas(100, 100);
        ASSERT_TRUE(canvas.Valid());
        HFONT font = MakeArial(-20, c.escapement);
        HGDIOBJ previous = SelectObject(canvas.Dc(), font);
        SetTextAlign(canvas.Dc(), TA_BASELINE);
        SetMapMode(canvas.Dc(), MM_ANISOTROPIC);
        SetWindowExtEx(canvas.Dc(), 100, 100, nullptr);
        SetViewportExtEx(canvas.Dc(), 100, 100 * c.yScale, nullptr);
        const INT dx[] = {c.step, c.step};
        // Inside a path bracket the glyphs become figures at their origins; each 'l' is one.
        ASSERT_TRUE(BeginPath(canvas.Dc()));
        ASSERT_TRUE(ExtTextOutW(canvas.Dc(), 30, 30, 0, nullptr, u"ll", 2, dx));
        ASSERT_TRUE(EndPath(canvas.Dc()));
        SetMapMode(canvas.Dc(), MM_TEXT); // GetPath answers in logical units
        const int count = GetPath(canvas.Dc(), nullptr, nullptr, 0);
        ASSERT_GT(count, 0);
        std::vector<POINT> points(static_cast<size_t>(count));
        std::vector<BYTE> types(static_cast<size_t>(count));
        GetPath(canvas.Dc(), points.data(), types.data(), count);
        std::vector<POINT> starts;
        for (int i = 0; i < count; ++i)
            if ((types[static_cast<size_t>(i)] & ~PT_CLOSEFIGURE) == PT_MOVETO)
                starts.push_back(points[static_cast<size_t>(i)]);
        ASSERT_EQ(starts.size(), 2u);
        EXPECT_EQ(starts[1].x - starts[0].x, c.moved.x);
        EXPECT_EQ(starts[1].y - starts[0].y, c.moved.y);
        SelectObject(canvas.Dc(), previous);
        DeleteObject(font);
    }
}

TEST(TextOut, UpdatesTheCurrentPositionAndStartsThere) {
    TCanvas canvas(200, 60);
    ASSERT_TRUE(canvas.Valid());
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), kSample.c_str(), 4, &extent));
    SetTextAlign(canvas.Dc(), TA_UPDATECP | TA_TOP);
    MoveToEx(canvas.Dc(), 20, 10, nullptr);
    ASSERT_TRUE(TextOutW(canvas.Dc(), 150, 150, kSample.c_str(), 4)); // x, y are ignored
    POINT position{};
    ASSERT_TRUE(GetCurrentPositionEx(canvas.Dc(), &position));
    EXPECT_EQ(position.x, 20 + extent.cx);
    EXPECT_EQ(position.y, 10);
    RECT ink = canvas.Ink();
    EXPECT_GE(ink.left, 19);
    EXPECT_LT(ink.left, 24);

    SetTextAlign(canvas.Dc(), TA_UPDATECP | TA_RIGHT);
    ASSERT_TRUE(TextOutW(canvas.Dc(), 0, 0, kSample.c_str(), 4));
    ASSERT_TRUE(GetCurrentPositionEx(canvas.Dc(), &position));
    EXPECT_EQ(position.x, 20);
}

TEST(TextOut, ExtentsAddTheCharacterExtraAndJustification) {
    TCanvas canvas(10, 10);
    ASSERT_TRUE(canvas.Valid());
    const std::u16string text = u"a b c";
    std::vector<int> widths(128);
    ASSERT_TRUE(GetCharWidth32W(canvas.Dc(), 0, 127, widths.data()));
    int sum = 0;
    for (char16_t c : text) {
        sum += widths[c];
    }
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), text.c_str(), 5, &extent));
    EXPECT_EQ(extent.cx, sum);
    SetTextCharacterExtra(canvas.Dc(), 3);
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), text.c_str(), 5, &extent));
    EXPECT_EQ(extent.cx, sum + 15);
    SetTextCharacterExtra(canvas.Dc(), 0);
    SetTextJustification(canvas.Dc(), 7, 2);
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), text.c_str(), 5, &extent));
    EXPECT_EQ(extent.cx, sum + 7);

    int fit = -1;
    std::vector<int> partial(5);
    SetTextJustification(canvas.Dc(), 0, 0);
    ASSERT_TRUE(GetTextExtentExPointW(canvas.Dc(), text.c_str(), 5, widths['a'] + widths[' '], &fit,
                                      partial.data(), &extent));
    EXPECT_EQ(fit, 2);
    EXPECT_EQ(partial[0], widths['a']);
    EXPECT_EQ(partial[4], extent.cx);
}

TEST(TextOut, SpacingArrayPlacesEveryGlyph) {
    TCanvas canvas(200, 40);
    ASSERT_TRUE(canvas.Valid());
    const std::u16string text = u"II";
    const INT dx[] = {60, 0};
    ASSERT_TRUE(ExtTextOutW(canvas.Dc(), 10, 5, 0, nullptr, text.c_str(), 2, dx));
    RECT ink = canvas.Ink();
    // The second I starts 60 pixels after the first.
    EXPECT_GE(ink.right - ink.left, 60);
    EXPECT_LE(ink.right - ink.left, 66);

    // With ETO_PDY a positive y step moves up the page.
    canvas.Clear();
    const INT level[] = {30, 0, 0, 0};
    ASSERT_TRUE(ExtTextOutW(canvas.Dc(), 10, 15, ETO_PDY, nullptr, text.c_str(), 2, level));
    RECT flat = canvas.Ink();
    canvas.Clear();
    const INT pairs[] = {30, 12, 0, 0};
    ASSERT_TRUE(ExtTextOutW(canvas.Dc(), 10, 15, ETO_PDY, nullptr, text.c_str(), 2, pairs));
    RECT climbing = canvas.Ink();
    EXPECT_EQ(climbing.top, flat.top - 12);
    EXPECT_EQ(climbing.bottom, flat.bottom);
}

TEST(TextOut, OpaqueAndClippedRectangles) {
    TCanvas canvas(100, 40);
    ASSERT_TRUE(canvas.Valid());
    SetBkColor(canvas.Dc(), RGB(255, 0, 0));
    RECT rect{10, 10, 30, 20};
    // An opaque rectangle alone, no text.
    ASSERT_TRUE(ExtTextOutW(canvas.Dc(), 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr));
    EXPECT_EQ(canvas.Count(0xFF0000), 20 * 10);
    EXPECT_EQ(canvas.Pixel(10, 10), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(30, 20), 0xFFFFFFu);

    canvas.Clear();
    const std::u16string wide = u"WWWWWWWW";
    RECT clip{5, 0, 25, 40};
    ASSERT_TRUE(ExtTextOutW(canvas.Dc(), 0, 5, ETO_CLIPPED, &clip, wide.c_str(), 8, nullptr));
    RECT ink = canvas.Ink();
    EXPECT_GE(ink.left, 5);
    EXPECT_LE(ink.right, 25);
}

TEST(TextOut, BlackOnWhiteUsesTheSeventeenSmoothingLevels) {
    TCanvas canvas(200, 60, -30);
    ASSERT_TRUE(canvas.Valid());
    const std::u16string text = u"Quartz glyph";
    ASSERT_TRUE(TextOutW(canvas.Dc(), 4, 4, text.c_str(), static_cast<int>(text.size())));
    std::set<std::uint32_t> shades;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            std::uint32_t p = canvas.Pixel(x, y);
            EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
            shades.insert(p);
        }
    }
    EXPECT_LE(shades.size(), 17u);
    EXPECT_GT(shades.size(), 8u);
}

TEST(TextOut, RefusesBadArgumentsAndDrawsNothingForEmptyText) {
    TCanvas canvas(50, 30);
    ASSERT_TRUE(canvas.Valid());
    EXPECT_FALSE(TextOutW(canvas.Dc(), 0, 0, nullptr, 3));
    EXPECT_FALSE(TextOutW(canvas.Dc(), 0, 0, u"abc", -1));
    EXPECT_FALSE(TextOutW(nullptr, 0, 0, u"abc", 3));
    EXPECT_TRUE(TextOutW(canvas.Dc(), 0, 0, u"", 0));
    EXPECT_TRUE(TextOutW(canvas.Dc(), 0, 0, nullptr, 0));
    EXPECT_EQ(canvas.Count(0xFFFFFF), 50 * 30);
    SIZE extent{1, 1};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), u"", 0, &extent));
    EXPECT_EQ(extent.cx, 0);
    EXPECT_FALSE(GetTextExtentPoint32W(canvas.Dc(), nullptr, 2, &extent));
}

TEST(TextOut, DrawsInvalidUtf16WithoutReadingPastTheString) {
    TCanvas canvas(200, 40);
    ASSERT_TRUE(canvas.Valid());
    struct TCase {
        const char* name;
        std::vector<char16_t> units;
    } cases[] = {
        {"lone high surrogate at the end", {u'A', 0xD800}},
        {"lone low surrogate first", {0xDC00, u'A'}},
        {"reversed pair", {0xDC00, 0xD800}},
        {"noncharacters", {0xFFFF, 0xFFFE, 0}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        canvas.Clear();
        // Exactly sized heap copies, so a read past the end is caught by the sanitizers.
        auto units = std::make_unique<char16_t[]>(entry.units.size());
        std::copy(entry.units.begin(), entry.units.end(), units.get());
        int count = static_cast<int>(entry.units.size());
        EXPECT_TRUE(TextOutW(canvas.Dc(), 5, 5, units.get(), count));
        SIZE extent{};
        EXPECT_TRUE(GetTextExtentPoint32W(canvas.Dc(), units.get(), count, &extent));
        EXPECT_GT(extent.cx, 0);
        EXPECT_TRUE(
            ExtTextOutW(canvas.Dc(), 5, 5, ETO_GLYPH_INDEX, nullptr, units.get(), count, nullptr));
    }
}

TEST(TextOut, DrawsA64KibString) {
    TCanvas canvas(300, 40, -12);
    ASSERT_TRUE(canvas.Valid());
    const size_t count = 65536;
    auto text = std::make_unique<char16_t[]>(count);
    auto bytes = std::make_unique<char[]>(count);
    for (size_t i = 0; i < count; ++i) {
        text[i] = static_cast<char16_t>(u'a' + i % 26);
        bytes[i] = static_cast<char>('a' + i % 26);
    }
    EXPECT_TRUE(TextOutW(canvas.Dc(), 2, 2, text.get(), static_cast<int>(count)));
    EXPECT_LT(canvas.Count(0xFFFFFF), 300 * 40);
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(canvas.Dc(), text.get(), static_cast<int>(count), &extent));
    EXPECT_GT(extent.cx, 65536 * 3);
    EXPECT_TRUE(TextOutA(canvas.Dc(), 2, 20, bytes.get(), static_cast<int>(count)));
    std::vector<INT> dx(count, 7);
    EXPECT_TRUE(ExtTextOutW(canvas.Dc(), -1000000, 2, 0, nullptr, text.get(),
                            static_cast<UINT>(count), dx.data()));
}

TEST(TextOut, SymbolFontBytesAndPrivateUseCharactersDrawAlike) {
    TCanvas bytes(120, 40, -22, u"Symbol", SYMBOL_CHARSET);
    TCanvas wide(120, 40, -22, u"Symbol", SYMBOL_CHARSET);
    TCanvas latin(120, 40, -22, u"Arial");
    ASSERT_TRUE(bytes.Valid() && wide.Valid() && latin.Valid());
    ASSERT_TRUE(TextOutA(bytes.Dc(), 4, 4, "abg", 3));
    const char16_t symbols[] = {0xF061, 0xF062, 0xF067};
    ASSERT_TRUE(TextOutW(wide.Dc(), 4, 4, symbols, 3));
    ASSERT_TRUE(TextOutA(latin.Dc(), 4, 4, "abg", 3));
    bool same = true;
    bool differsFromLatin = false;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 120; ++x) {
            same = same && bytes.Pixel(x, y) == wide.Pixel(x, y);
            differsFromLatin = differsFromLatin || bytes.Pixel(x, y) != latin.Pixel(x, y);
        }
    }
    EXPECT_TRUE(same);
    EXPECT_TRUE(differsFromLatin);
    WCHAR face[LF_FACESIZE] = {};
    EXPECT_GT(GetTextFaceW(latin.Dc(), LF_FACESIZE, face), 0);
    EXPECT_EQ(std::u16string(face), u"Arial");
}

TEST(TextOut, FontHeightFollowsTheMappingMode) {
    TCanvas canvas(100, 100, -240, u"Arial"); // 240 twips: 1/6 inch, 16 pixels at 96 DPI
    ASSERT_TRUE(canvas.Valid());
    SetMapMode(canvas.Dc(), MM_TWIPS);
    TEXTMETRICW tm{};
    ASSERT_TRUE(GetTextMetricsW(canvas.Dc(), &tm));
    EXPECT_NEAR(tm.tmHeight - tm.tmInternalLeading, 240, 15);
    ASSERT_TRUE(TextOutW(canvas.Dc(), 150, -150, u"H", 1));
    RECT ink = canvas.Ink();
    // 'H' has the cap height of a 16-pixel em: about 11 or 12 pixels.
    EXPECT_GE(ink.bottom - ink.top, 11);
    EXPECT_LE(ink.bottom - ink.top, 12);
}

// In GM_COMPATIBLE only the text's height follows the mapping: a font with a width of its own
// keeps its proportions when the x axis is stretched; only the pen moves further.
TEST(TextOut, FontWidthIgnoresAStretchedXAxis) {
    auto inkWidth = [](int xScale) {
        TCanvas canvas(200, 60);
        HFONT font = MakeArial(-30, 0, 10);
        HGDIOBJ old = SelectObject(canvas.Dc(), font);
        SetMapMode(canvas.Dc(), MM_ANISOTROPIC);
        SetWindowExtEx(canvas.Dc(), 100, 100, nullptr);
        SetViewportExtEx(canvas.Dc(), 100 * xScale, 100, nullptr);
        TextOutW(canvas.Dc(), 5, 5, u"H", 1);
        SelectObject(canvas.Dc(), old);
        DeleteObject(font);
        const RECT ink = canvas.Ink();
        return ink.right - ink.left;
    };
    const int plain = inkWidth(1);
    EXPECT_GT(plain, 5);
    EXPECT_NEAR(inkWidth(2), plain, 1);
}

TEST(TextOut, SurvivesAbsurdFontSizes) {
    for (LONG height : {-2147483647, 2147483647, -100000}) {
        SCOPED_TRACE(height);
        TCanvas canvas(40, 40, height);
        ASSERT_TRUE(canvas.Valid());
        EXPECT_TRUE(TextOutW(canvas.Dc(), 0, 0, u"Wg", 2));
        TEXTMETRICW tm{};
        EXPECT_TRUE(GetTextMetricsW(canvas.Dc(), &tm));
        EXPECT_GT(tm.tmHeight, 0);
    }
}

// The glyph bitmaps producers ask for are one image at four depths.
TEST(GlyphOutline, OffersTheBitmapAtEveryDepth) {
    TCanvas canvas(10, 10, -20);
    ASSERT_TRUE(canvas.Valid());
    GLYPHMETRICS metrics{};
    const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    const DWORD failed = static_cast<DWORD>(GDI_ERROR);
    auto fetch = [&](UINT format) {
        std::vector<BYTE> bits;
        DWORD size = GetGlyphOutlineW(canvas.Dc(), 'H', format, &metrics, 0, nullptr, &identity);
        if (size == failed || size == 0) {
            return bits;
        }
        bits.resize(size);
        EXPECT_EQ(
            GetGlyphOutlineW(canvas.Dc(), 'H', format, &metrics, size, bits.data(), &identity),
            size);
        return bits;
    };
    std::vector<BYTE> gray4 = fetch(GGO_GRAY4_BITMAP);
    std::vector<BYTE> gray2 = fetch(GGO_GRAY2_BITMAP);
    std::vector<BYTE> gray8 = fetch(GGO_GRAY8_BITMAP);
    std::vector<BYTE> mono = fetch(GGO_BITMAP);
    ASSERT_FALSE(gray4.empty());
    const UINT width = metrics.gmBlackBoxX, height = metrics.gmBlackBoxY;
    const UINT grayPitch = (width + 3) & ~3u, monoPitch = (width + 31) / 32 * 4;
    ASSERT_EQ(gray4.size(), grayPitch * height);
    ASSERT_EQ(gray2.size(), gray4.size());
    ASSERT_EQ(gray8.size(), gray4.size());
    ASSERT_EQ(mono.size(), monoPitch * height);
    int solid = 0;
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            int level = gray4[y * grayPitch + x];
            ASSERT_LE(level, 16);
            ASSERT_LE(gray8[y * grayPitch + x], 64);
            ASSERT_LE(gray2[y * grayPitch + x], 4);
            EXPECT_LE(std::abs(gray8[y * grayPitch + x] - level * 4), 2);
            EXPECT_LE(std::abs(gray2[y * grayPitch + x] * 4 - level), 2);
            bool set = (mono[y * monoPitch + x / 8] >> (7 - x % 8)) & 1;
            if (level != 8) {
                EXPECT_EQ(set, level > 8) << x << "," << y;
            }
            solid += level == 16 ? 1 : 0;
        }
    }
    EXPECT_GT(solid, 20); // the stems of the H
    // Too small a buffer is refused, not overrun.
    std::vector<BYTE> small(gray4.size() - 1);
    EXPECT_EQ(GetGlyphOutlineW(canvas.Dc(), 'H', GGO_GRAY4_BITMAP, &metrics,
                               static_cast<DWORD>(small.size()), small.data(), &identity),
              failed);
}
