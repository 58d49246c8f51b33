// ANSI text in the code page of the selected font: the byte tables of each family of code
// pages, damaged double-byte strings, spacing arrays given per byte, and the A entry points
// drawing and measuring such text as the W entry points do the same characters.
#include "platform/WinGdi.h"
#include "platform/gdi/TextEncoding_p.h"

#include <gtest/gtest.h>

#include "tests/platform/gdi/TextCanvas.h"

#include <cstring>
#include <string>
#include <vector>

using namespace gdi;

namespace {

struct TDecodeCase {
    const char* name;
    UINT codePage;
    std::string bytes;
    std::u16string text;
    std::vector<size_t> firstByte;
};

TEST(CodePage, DecodesEachFamilyOfCodePages) {
    const TDecodeCase cases[] = {
        {"Shift-JIS kanji, half-width kana, ASCII",
         932,
         "\x93\xFA\x96\x7B\x8C\xEA\xB1"
         "A",
         u"\u65E5\u672C\u8A9E\uFF71A",
         {0, 2, 4, 6, 7}},
        {"GB2312", 936, "\xD6\xD0\xCE\xC4", u"\u4E2D\u6587", {0, 2}},
        {"Hangul", 949, "x\xC7\xD1\xB1\xB9", u"x\uD55C\uAD6D", {0, 1, 3}},
        {"Big5", 950, "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587", {0, 2}},
        {"Johab", 1361, "\x88\x61", u"\uAC00", {0}},
        {"Cyrillic",
         1251,
         "\xCF\xF0\xE8\xE2\xE5\xF2",
         u"\u041F\u0440\u0438\u0432\u0435\u0442",
         {0, 1, 2, 3, 4, 5}},
        {"Central European", 1250, "\xB3\x8A", u"\u0142\u0160", {0, 1}},
        {"Greek", 1253, "\xD9", u"\u03A9", {0}},
        {"Turkish", 1254, "\xF0", u"\u011F", {0}},
        {"Hebrew", 1255, "\xF9", u"\u05E9", {0}},
        {"Arabic", 1256, "\xC7", u"\u0627", {0}},
        {"Baltic", 1257, "\xE0", u"\u0105", {0}},
        // The accent stays a character of its own: one per byte, as the spacing array counts.
        {"Vietnamese, uncombined", 1258, "a\xEC", u"a\u0301", {0, 1}},
        {"Thai", 874, "\xA1", u"\u0E01", {0}},
        {"Western", 1252, "\x93\x80\x81", u"\u201C\u20AC\u0081", {0, 1, 2}},
        {"Symbol", kCodePageSymbol, "a\xB7", u"\uF061\uF0B7", {0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<size_t> firstByte;
        EXPECT_EQ(MultiByteToUtf16(c.codePage, c.bytes.data(), c.bytes.size(), &firstByte), c.text);
        EXPECT_EQ(firstByte, c.firstByte);
    }
}

TEST(CodePage, MapsCharacterSetsToTheirCodePages) {
    const std::pair<BYTE, UINT> sets[] = {
        {ANSI_CHARSET, 1252},       {DEFAULT_CHARSET, 1252},    {SYMBOL_CHARSET, kCodePageSymbol},
        {SHIFTJIS_CHARSET, 932},    {GB2312_CHARSET, 936},      {HANGUL_CHARSET, 949},
        {CHINESEBIG5_CHARSET, 950}, {EASTEUROPE_CHARSET, 1250}, {RUSSIAN_CHARSET, 1251},
        {GREEK_CHARSET, 1253},      {TURKISH_CHARSET, 1254},    {HEBREW_CHARSET, 1255},
        {ARABIC_CHARSET, 1256},     {BALTIC_CHARSET, 1257},     {VIETNAMESE_CHARSET, 1258},
        {THAI_CHARSET, 874},        {JOHAB_CHARSET, 1361},      {MAC_CHARSET, 1252}};
    for (auto [set, page] : sets) {
        EXPECT_EQ(CodePageOfCharset(set), page) << int(set);
    }
}

TEST(CodePage, DamagedDoubleByteTextNeverSwallowsOrOverruns) {
    std::vector<size_t> firstByte;
    // A lead byte at the very end: one replacement, nothing read beyond the count.
    const char cut[] = {'A', '\x93', '\xFA'};
    EXPECT_EQ(MultiByteToUtf16(932, cut, 2, &firstByte), u"A\uFFFD");
    EXPECT_EQ(firstByte, (std::vector<size_t>{0, 1}));
    // A lead byte before a digit: the digit survives.
    EXPECT_EQ(MultiByteToUtf16(936,
                               "\xD6"
                               "1",
                               2, &firstByte),
              u"\uFFFD1");
    EXPECT_EQ(firstByte, (std::vector<size_t>{0, 1}));
    // A pair the code page does not define is one character.
    EXPECT_EQ(MultiByteToUtf16(932,
                               "\x85\x40"
                               "B",
                               3, &firstByte),
              u"\uFFFDB");
    EXPECT_EQ(MultiByteToUtf16(950, nullptr, 4, &firstByte), u"");
    EXPECT_TRUE(firstByte.empty());
    // Every byte value, alone and as a pair, decodes to something in every code page.
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
        all += static_cast<char>(255 - b);
    }
    for (UINT page : {932u, 936u, 949u, 950u, 1361u, 874u, 1255u, 1258u}) {
        std::u16string text = MultiByteToUtf16(page, all.data(), all.size(), &firstByte);
        ASSERT_EQ(text.size(), firstByte.size());
        EXPECT_GE(text.size(), all.size() / 2) << page;
        EXPECT_LE(firstByte.back(), all.size() - 1);
    }
}

TEST(CodePage, FoldsPerByteSpacingIntoCharacters) {
    const std::vector<size_t> firstByte{0, 1, 3}; // A, a double-byte character, B
    const INT leadCarries[] = {10, 20, 0, 30};
    const INT splitOverBoth[] = {10, 12, 8, 30};
    EXPECT_EQ(SpacingPerCharacter(leadCarries, 4, firstByte, false),
              (std::vector<INT>{10, 20, 30}));
    EXPECT_EQ(SpacingPerCharacter(splitOverBoth, 4, firstByte, false),
              (std::vector<INT>{10, 20, 30}));
    const INT pdy[] = {10, 1, 20, 2, 0, 3, 30, 4};
    EXPECT_EQ(SpacingPerCharacter(pdy, 4, firstByte, true),
              (std::vector<INT>{10, 1, 20, 5, 30, 4}));
    EXPECT_TRUE(SpacingPerCharacter(nullptr, 4, firstByte, false).empty());
}

using tallyvane_test::TTextCanvas;

struct TAnsiCase {
    const char* name;
    const char16_t* face;
    BYTE charSet;
    std::string bytes;
    std::u16string text;
};

TEST(AnsiText, DrawsAndMeasuresInTheFontsCodePage) {
    const TAnsiCase cases[] = {
        {"Shift-JIS", u"MS Gothic", SHIFTJIS_CHARSET,
         "\x93\xFA\x96\x7B"
         "A",
         u"\u65E5\u672CA"},
        {"Big5", u"MingLiU", CHINESEBIG5_CHARSET, "\xA4\xA4\xA4\xE5", u"\u4E2D\u6587"},
        {"Cyrillic", u"Arial", RUSSIAN_CHARSET, "\xCF\xF0\xE8", u"\u041F\u0440\u0438"},
        {"Greek", u"Arial", GREEK_CHARSET, "\xD9\xE1", u"\u03A9\u03B1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TTextCanvas ansi(160, 40, -20, c.face, c.charSet), wide(160, 40, -20, c.face, c.charSet);
        const int bytes = static_cast<int>(c.bytes.size());
        const int chars = static_cast<int>(c.text.size());
        ASSERT_TRUE(TextOutA(ansi.Dc(), 4, 4, c.bytes.data(), bytes));
        ASSERT_TRUE(TextOutW(wide.Dc(), 4, 4, c.text.data(), chars));
        EXPECT_TRUE(wide.Inked());
        EXPECT_EQ(ansi.Pixels(), wide.Pixels());

        SIZE a{}, w{};
        ASSERT_TRUE(GetTextExtentPoint32A(ansi.Dc(), c.bytes.data(), bytes, &a));
        ASSERT_TRUE(GetTextExtentPoint32W(wide.Dc(), c.text.data(), chars, &w));
        EXPECT_EQ(a.cx, w.cx);
        EXPECT_EQ(a.cy, w.cy);
    }
    // Character widths by code take the code page too: 0xC6 is Zhe in Cyrillic, AE in 1252.
    TTextCanvas cyrillic(160, 40, -20, u"Arial", RUSSIAN_CHARSET);
    INT byCode = 0, zhe = 0, ae = 0;
    ASSERT_TRUE(GetCharWidth32A(cyrillic.Dc(), 0xC6, 0xC6, &byCode));
    ASSERT_TRUE(GetCharWidth32W(cyrillic.Dc(), 0x0416, 0x0416, &zhe));
    ASSERT_TRUE(GetCharWidth32W(cyrillic.Dc(), 0x00C6, 0x00C6, &ae));
    EXPECT_EQ(byCode, zhe);
    EXPECT_NE(zhe, ae);
    // The same bytes under the Western code page are other letters.
    TTextCanvas russian(160, 40, -20, u"Arial", RUSSIAN_CHARSET),
        western(160, 40, -20, u"Arial", ANSI_CHARSET);
    ASSERT_TRUE(TextOutA(russian.Dc(), 4, 4, "\xCF\xF0\xE8", 3));
    ASSERT_TRUE(TextOutA(western.Dc(), 4, 4, "\xCF\xF0\xE8", 3));
    EXPECT_NE(russian.Pixels(), western.Pixels());
}

TEST(AnsiText, SpacingAndFitCountBytes) {
    const char bytes[] = "A\x93\xFA"
                         "B";
    const char16_t text[] = u"A\u65E5B";
    TTextCanvas ansi(160, 40, -20, u"MS Gothic", SHIFTJIS_CHARSET),
        wide(160, 40, -20, u"MS Gothic", SHIFTJIS_CHARSET);
    // One entry per byte; the lead byte carries the double-byte character's advance.
    const INT perByte[] = {15, 25, 0, 15};
    const INT perChar[] = {15, 25, 15};
    ASSERT_TRUE(ExtTextOutA(ansi.Dc(), 2, 4, 0, nullptr, bytes, 4, perByte));
    ASSERT_TRUE(ExtTextOutW(wide.Dc(), 2, 4, 0, nullptr, text, 3, perChar));
    EXPECT_EQ(ansi.Pixels(), wide.Pixels());

    POLYTEXTA entry{2, 20, 4, bytes, 0, {}, const_cast<INT*>(perByte)};
    POLYTEXTW wideEntry{2, 20, 3, text, 0, {}, const_cast<INT*>(perChar)};
    ASSERT_TRUE(PolyTextOutA(ansi.Dc(), &entry, 1));
    ASSERT_TRUE(PolyTextOutW(wide.Dc(), &wideEntry, 1));
    EXPECT_EQ(ansi.Pixels(), wide.Pixels());

    // Fit and partial extents come back per byte: both bytes of the kanji end where it does.
    INT wideExtents[3] = {}, byteExtents[4] = {};
    int wideFit = 0, byteFit = 0;
    SIZE size{};
    ASSERT_TRUE(GetTextExtentExPointW(wide.Dc(), text, 3, 1000, &wideFit, wideExtents, &size));
    ASSERT_TRUE(GetTextExtentExPointA(ansi.Dc(), bytes, 4, 1000, &byteFit, byteExtents, &size));
    EXPECT_EQ(wideFit, 3);
    EXPECT_EQ(byteFit, 4);
    EXPECT_EQ(byteExtents[0], wideExtents[0]);
    EXPECT_EQ(byteExtents[1], wideExtents[1]);
    EXPECT_EQ(byteExtents[2], wideExtents[1]);
    EXPECT_EQ(byteExtents[3], wideExtents[2]);
    // Room for "A" and half the kanji fits one byte, never the lead byte alone.
    ASSERT_TRUE(
        GetTextExtentExPointA(ansi.Dc(), bytes, 4, wideExtents[1] - 1, &byteFit, nullptr, &size));
    EXPECT_EQ(byteFit, 1);
}

} // namespace
