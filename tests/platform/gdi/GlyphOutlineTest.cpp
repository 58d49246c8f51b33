// GetGlyphOutline with real fonts: the outline records as producers walk them, their bounds
// against the metrics, the MAT2, the bitmap forms and buffers that are too small.
#include "platform/WinGdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

const DWORD kFailed = static_cast<DWORD>(GDI_ERROR);
const MAT2 kIdentity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};

double FromFixed(const FIXED& f) {
    return (static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint16_t>(f.value)) << 16) |
            f.fract) /
           65536.0;
}

// A memory DC with one font selected.
class TFontDc {
public:
    TFontDc(const char16_t* face, LONG height, BYTE charSet = DEFAULT_CHARSET, LONG angle = 0) {
        m_dc = CreateCompatibleDC(nullptr);
        LOGFONTW log{};
        log.lfHeight = height;
        log.lfEscapement = angle;
        log.lfOrientation = angle;
        log.lfCharSet = charSet;
        std::u16string name(face);
        std::copy(name.begin(), name.end(), log.lfFaceName);
        m_font = CreateFontIndirectW(&log);
        m_old = SelectObject(m_dc, m_font);
    }
    ~TFontDc() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_font);
        DeleteDC(m_dc);
    }
    TFontDc(const TFontDc&) = delete;
    TFontDc& operator=(const TFontDc&) = delete;
    HDC Dc() const { return m_dc; }

private:
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_old = nullptr;
};

struct TPoint {
    double x, y;
};

// The outline records, checked as a producer would walk them.
struct TOutline {
    std::vector<std::vector<TPoint>> contours; // start point, then every record point
    std::vector<WORD> types;                   // every record's type
    bool valid = true;
};

TOutline Parse(const std::vector<BYTE>& bytes) {
    TOutline outline;
    size_t at = 0;
    while (at < bytes.size()) {
        TTPOLYGONHEADER header;
        if (bytes.size() - at < sizeof(header)) {
            outline.valid = false;
            break;
        }
        std::memcpy(&header, bytes.data() + at, sizeof(header));
        if (header.dwType != TT_POLYGON_TYPE || header.cb < sizeof(header) ||
            header.cb > bytes.size() - at) {
            outline.valid = false;
            break;
        }
        std::vector<TPoint> points{{FromFixed(header.pfxStart.x), FromFixed(header.pfxStart.y)}};
        size_t record = at + sizeof(header);
        const size_t end = at + header.cb;
        while (record < end) {
            WORD type = 0, count = 0;
            std::memcpy(&type, bytes.data() + record, 2);
            std::memcpy(&count, bytes.data() + record + 2, 2);
            const size_t length = 4 + size_t{count} * sizeof(POINTFX);
            if (end - record < length || count == 0 || type < TT_PRIM_LINE ||
                type > TT_PRIM_CSPLINE || (type == TT_PRIM_CSPLINE && count % 3 != 0)) {
                outline.valid = false;
                return outline;
            }
            for (WORD i = 0; i < count; ++i) {
                POINTFX p;
                std::memcpy(&p, bytes.data() + record + 4 + i * sizeof(POINTFX), sizeof(p));
                points.push_back({FromFixed(p.x), FromFixed(p.y)});
            }
            outline.types.push_back(type);
            record += length;
        }
        outline.contours.push_back(points);
        at = end;
    }
    return outline;
}

std::vector<BYTE> Fetch(HDC dc, UINT ch, UINT format, GLYPHMETRICS& metrics,
                        const MAT2& matrix = kIdentity) {
    std::vector<BYTE> bytes;
    DWORD size = GetGlyphOutlineW(dc, ch, format, &metrics, 0, nullptr, &matrix);
    if (size == kFailed || size == 0) {
        return bytes;
    }
    bytes.resize(size);
    EXPECT_EQ(GetGlyphOutlineW(dc, ch, format, &metrics, size, bytes.data(), &matrix), size);
    return bytes;
}

bool Has(const TOutline& outline, WORD type) {
    return std::find(outline.types.begin(), outline.types.end(), type) != outline.types.end();
}

TEST(GlyphOutline, NativeAndBezierRecordsDescribeTheGlyph) {
    TFontDc font(u"Arial", -40);
    struct TCase {
        char16_t ch;
        size_t contours;
        bool curved;
    } cases[] = {{u'H', 1, false}, {u'O', 2, true}, {u'B', 3, true}, {u'i', 2, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<char>(c.ch));
        GLYPHMETRICS metrics{};
        TOutline native = Parse(Fetch(font.Dc(), c.ch, GGO_NATIVE, metrics));
        TOutline bezier = Parse(Fetch(font.Dc(), c.ch, GGO_BEZIER, metrics));
        ASSERT_TRUE(native.valid && bezier.valid);
        EXPECT_EQ(native.contours.size(), c.contours);
        EXPECT_EQ(bezier.contours.size(), c.contours);
        // TrueType curves are quadratic; the bezier form has only cubics and lines.
        EXPECT_EQ(Has(native, TT_PRIM_QSPLINE), c.curved);
        EXPECT_FALSE(Has(native, TT_PRIM_CSPLINE));
        EXPECT_EQ(Has(bezier, TT_PRIM_CSPLINE), c.curved);
        EXPECT_FALSE(Has(bezier, TT_PRIM_QSPLINE));

        // The bezier outline's bounds are the black box within a pixel.
        double left = 1e9, right = -1e9, top = -1e9, bottom = 1e9;
        for (const auto& contour : bezier.contours) {
            for (const TPoint& p : contour) {
                left = std::min(left, p.x);
                right = std::max(right, p.x);
                top = std::max(top, p.y);
                bottom = std::min(bottom, p.y);
            }
        }
        EXPECT_NEAR(left, metrics.gmptGlyphOrigin.x, 1);
        EXPECT_NEAR(right, metrics.gmptGlyphOrigin.x + double(metrics.gmBlackBoxX), 1);
        EXPECT_NEAR(top, metrics.gmptGlyphOrigin.y, 1);
        EXPECT_NEAR(bottom, metrics.gmptGlyphOrigin.y - double(metrics.gmBlackBoxY), 1);
        // y points up: the glyph stands on the baseline.
        EXPECT_NEAR(bottom, 0, 1);
        EXPECT_GT(top, 20);
    }
}

TEST(GlyphOutline, HInNativeFormIsTwelveLinesFromItsStart) {
    // 'H' is one contour of twelve corners: the start point and eleven more in line records,
    // the twelfth edge closing back to the start.
    TFontDc font(u"Arial", -40);
    GLYPHMETRICS metrics{};
    TOutline native = Parse(Fetch(font.Dc(), u'H', GGO_NATIVE | GGO_UNHINTED, metrics));
    ASSERT_TRUE(native.valid);
    ASSERT_EQ(native.contours.size(), 1u);
    EXPECT_EQ(native.contours[0].size(), 12u);
    for (const TPoint& p : native.contours[0]) {
        EXPECT_GE(p.x, metrics.gmptGlyphOrigin.x - 1);
    }
}

// b is a turned a quarter counter-clockwise: x' = -y, y' = x.
void ExpectQuarterTurn(const TOutline& a, const TOutline& b) {
    ASSERT_TRUE(a.valid && b.valid);
    ASSERT_EQ(a.contours.size(), b.contours.size());
    for (size_t c = 0; c < a.contours.size(); ++c) {
        ASSERT_EQ(a.contours[c].size(), b.contours[c].size());
        for (size_t i = 0; i < a.contours[c].size(); ++i) {
            EXPECT_NEAR(b.contours[c][i].x, -a.contours[c][i].y, 0.05);
            EXPECT_NEAR(b.contours[c][i].y, a.contours[c][i].x, 0.05);
        }
    }
}

TEST(GlyphOutline, TheMatrixTurnsTheOutline) {
    TFontDc font(u"Arial", -30);
    const MAT2 quarter{{0, 0}, {0, 1}, {0, -1}, {0, 0}}; // x' = -y, y' = x
    GLYPHMETRICS upright{}, turned{};
    TOutline a = Parse(Fetch(font.Dc(), u'L', GGO_NATIVE | GGO_UNHINTED, upright));
    TOutline b = Parse(Fetch(font.Dc(), u'L', GGO_NATIVE | GGO_UNHINTED, turned, quarter));
    ExpectQuarterTurn(a, b);
    EXPECT_NEAR(double(turned.gmBlackBoxX), double(upright.gmBlackBoxY), 1);
    EXPECT_NEAR(double(turned.gmBlackBoxY), double(upright.gmBlackBoxX), 1);
    EXPECT_EQ(turned.gmCellIncX, 0);
    EXPECT_EQ(turned.gmCellIncY, upright.gmCellIncX);
    // The bitmap is turned too: taller than wide, like the black box.
    std::vector<BYTE> bits = Fetch(font.Dc(), u'L', GGO_GRAY8_BITMAP, turned, quarter);
    EXPECT_EQ(bits.size(), size_t{(turned.gmBlackBoxX + 3) & ~3u} * turned.gmBlackBoxY);
    EXPECT_GT(*std::max_element(bits.begin(), bits.end()), 60);
}

TEST(GlyphOutline, AnEscapementTurnsTheOutlineWithTheFont) {
    TFontDc upright(u"Arial", -30), turned(u"Arial", -30, DEFAULT_CHARSET, 900);
    GLYPHMETRICS a{}, b{};
    TOutline before = Parse(Fetch(upright.Dc(), u'L', GGO_BEZIER | GGO_UNHINTED, a));
    TOutline after = Parse(Fetch(turned.Dc(), u'L', GGO_BEZIER | GGO_UNHINTED, b));
    ExpectQuarterTurn(before, after);
    EXPECT_EQ(b.gmCellIncX, 0);
    EXPECT_EQ(b.gmCellIncY, a.gmCellIncX);
}

TEST(GlyphOutline, AWorldTransformTurnsTheOutlineInAdvancedMode) {
    TFontDc upright(u"Arial", -30), turned(u"Arial", -30),
        undone(u"Arial", -30, DEFAULT_CHARSET, 900);
    // A quarter turn clockwise on the device: x' = y, y' = -x with y up.
    const XFORM clockwise{0, 1, -1, 0, 0, 0};
    for (HDC dc : {turned.Dc(), undone.Dc()}) {
        ASSERT_NE(SetGraphicsMode(dc, GM_ADVANCED), 0);
        ASSERT_TRUE(SetWorldTransform(dc, &clockwise));
    }
    GLYPHMETRICS a{}, b{}, c{};
    TOutline before = Parse(Fetch(upright.Dc(), u'F', GGO_NATIVE | GGO_UNHINTED, a));
    TOutline after = Parse(Fetch(turned.Dc(), u'F', GGO_NATIVE | GGO_UNHINTED, b));
    ExpectQuarterTurn(after, before);
    EXPECT_EQ(b.gmCellIncX, 0);
    EXPECT_EQ(b.gmCellIncY, -a.gmCellIncX);
    // The font's orientation turns back what the world transform turned.
    TOutline back = Parse(Fetch(undone.Dc(), u'F', GGO_NATIVE | GGO_UNHINTED, c));
    ASSERT_EQ(back.contours.size(), before.contours.size());
    for (size_t i = 0; i < before.contours.size(); ++i) {
        ASSERT_EQ(back.contours[i].size(), before.contours[i].size());
        for (size_t k = 0; k < before.contours[i].size(); ++k) {
            EXPECT_NEAR(back.contours[i][k].x, before.contours[i][k].x, 0.05);
            EXPECT_NEAR(back.contours[i][k].y, before.contours[i][k].y, 0.05);
        }
    }
}

TEST(GlyphOutline, SizesBuffersAndIndicesAsTheCallerExpects) {
    TFontDc font(u"Times New Roman", -24);
    GLYPHMETRICS metrics{};
    for (UINT format : {GGO_NATIVE, GGO_BEZIER, GGO_BITMAP, GGO_GRAY2_BITMAP}) {
        SCOPED_TRACE(format);
        const DWORD size =
            GetGlyphOutlineW(font.Dc(), u'g', format, &metrics, 0, nullptr, &kIdentity);
        ASSERT_NE(size, kFailed);
        ASSERT_GT(size, 0u);
        // One byte short is refused and nothing is written.
        std::vector<BYTE> small(size - 1, 0xA5);
        EXPECT_EQ(
            GetGlyphOutlineW(font.Dc(), u'g', format, &metrics, size - 1, small.data(), &kIdentity),
            kFailed);
        EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](BYTE b) { return b == 0xA5; }));
    }
    // A glyph index gives the character's outline.
    WORD index = 0;
    ASSERT_EQ(GetGlyphIndicesW(font.Dc(), u"g", 1, &index, 0), 1u);
    GLYPHMETRICS byIndex{};
    EXPECT_EQ(Fetch(font.Dc(), index, GGO_NATIVE | GGO_GLYPH_INDEX, byIndex),
              Fetch(font.Dc(), u'g', GGO_NATIVE, metrics));
    EXPECT_EQ(std::memcmp(&byIndex, &metrics, sizeof(metrics)), 0);
    // A space has metrics but no outline and no bitmap.
    EXPECT_EQ(GetGlyphOutlineW(font.Dc(), u' ', GGO_NATIVE, &metrics, 0, nullptr, &kIdentity), 0u);
    EXPECT_EQ(GetGlyphOutlineW(font.Dc(), u' ', GGO_GRAY4_BITMAP, &metrics, 0, nullptr, &kIdentity),
              0u);
    EXPECT_EQ(metrics.gmBlackBoxX, 1u);
    EXPECT_GT(metrics.gmCellIncX, 3);
    // No matrix, an unknown format or a glyph the font does not have fails.
    EXPECT_EQ(GetGlyphOutlineW(font.Dc(), u'g', GGO_NATIVE, &metrics, 0, nullptr, nullptr),
              kFailed);
    EXPECT_EQ(GetGlyphOutlineW(font.Dc(), u'g', 7, &metrics, 0, nullptr, &kIdentity), kFailed);
    EXPECT_EQ(GetGlyphOutlineW(font.Dc(), 0xFFFFFF, GGO_NATIVE | GGO_GLYPH_INDEX, &metrics, 0,
                               nullptr, &kIdentity),
              kFailed);
}

TEST(GlyphOutline, AnsiCharacterCodesFollowTheFontsCodePage) {
    TFontDc font(u"Arial", -30, RUSSIAN_CHARSET);
    GLYPHMETRICS a{}, w{};
    std::vector<BYTE> ansi;
    DWORD size = GetGlyphOutlineA(font.Dc(), 0xC6, GGO_NATIVE, &a, 0, nullptr, &kIdentity);
    ASSERT_NE(size, kFailed);
    ansi.resize(size);
    ASSERT_EQ(GetGlyphOutlineA(font.Dc(), 0xC6, GGO_NATIVE, &a, size, ansi.data(), &kIdentity),
              size);
    EXPECT_EQ(ansi, Fetch(font.Dc(), 0x0416, GGO_NATIVE, w)); // Cyrillic Zhe
    EXPECT_EQ(std::memcmp(&a, &w, sizeof(a)), 0);
}

} // namespace
