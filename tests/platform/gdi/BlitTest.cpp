// Bitmaps, DIB transfers and blits through the public calls, on 32-bit DIB sections.
#include "platform/TopDownDib.h"
#include "platform/WinGdi.h"
#include "platform/gdi/StretchDib_p.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

// A memory DC holding a white top-down 32-bpp DIB section.
class TCanvas {
public:
    TCanvas(int width, int height, std::uint32_t fill = 0xFFFFFF) : m_width(width) {
        m_dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = TopDownDib32(width, height);
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        m_old = SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < width * height; ++i)
            m_bits[i] = fill;
    }
    ~TCanvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Dc() const { return m_dc; }
    std::uint32_t At(int x, int y) const { return m_bits[y * m_width + x] & 0xFFFFFF; }
    void Set(int x, int y, std::uint32_t v) { m_bits[y * m_width + x] = v; }
    std::string Row(int y, int x0, int x1, std::uint32_t one) const {
        std::string s;
        for (int x = x0; x < x1; ++x)
            s += At(x, y) == one ? '#' : '.';
        return s;
    }

private:
    int m_width;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    std::uint32_t* m_bits = nullptr;
};

TEST(TBlit, CopiesMirrorsAndClipsLikeGdi) {
    TCanvas source(4, 1);
    for (int x = 0; x < 4; ++x)
        source.Set(x, 0, static_cast<std::uint32_t>(x + 1));
    TCanvas target(10, 3);
    ASSERT_TRUE(BitBlt(target.Dc(), 2, 0, 4, 1, source.Dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(2, 0), 1u);
    EXPECT_EQ(target.At(5, 0), 4u);
    // A negative width runs back from the corner pixel itself: x = 5, width -4 is 2..5.
    ASSERT_TRUE(StretchBlt(target.Dc(), 5, 1, -4, 1, source.Dc(), 0, 0, 4, 1, SRCCOPY));
    EXPECT_EQ(target.At(5, 1), 1u);
    EXPECT_EQ(target.At(2, 1), 4u);
    EXPECT_EQ(target.At(1, 1), 0xFFFFFFu);
    EXPECT_EQ(target.At(6, 1), 0xFFFFFFu);
    // The clip holds.
    IntersectClipRect(target.Dc(), 0, 0, 4, 3);
    ASSERT_TRUE(BitBlt(target.Dc(), 2, 2, 4, 1, source.Dc(), 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(3, 2), 2u);
    EXPECT_EQ(target.At(4, 2), 0xFFFFFFu);
}

TEST(TBlit, RefusesMissingOrWrongHandles) {
    TCanvas target(4, 4);
    EXPECT_FALSE(BitBlt(target.Dc(), 0, 0, 2, 2, nullptr, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(nullptr, 0, 0, 2, 2, target.Dc(), 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(target.Dc(), 0, 0, 2, 2, reinterpret_cast<HDC>(0x7777), 0, 0, SRCCOPY));
    EXPECT_FALSE(PatBlt(target.Dc(), 0, 0, 2, 2, SRCCOPY)); // needs a source
    EXPECT_TRUE(BitBlt(target.Dc(), 0, 0, 2, 2, nullptr, 0, 0, BLACKNESS));
    EXPECT_EQ(target.At(1, 1), 0u);
    EXPECT_FALSE(MaskBlt(target.Dc(), 0, 0, 2, 2, target.Dc(), 0, 0,
                         reinterpret_cast<HBITMAP>(0x7777), 0, 0, SRCCOPY));
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 128, 0};
    EXPECT_FALSE(AlphaBlend(target.Dc(), 0, 0, 2, 2, target.Dc(), 3, 3, 2, 2, blend));
    EXPECT_FALSE(AlphaBlend(target.Dc(), 0, 0, -2, 2, target.Dc(), 0, 0, 2, 2, blend));
    EXPECT_FALSE(TransparentBlt(target.Dc(), 0, 0, 2, -2, target.Dc(), 0, 0, 2, 2, 0));
    EXPECT_EQ(CreateBitmap(-1, 4, 1, 1, nullptr), nullptr);
    EXPECT_EQ(CreateBitmap(4, 4, 1, 3, nullptr), nullptr);
}

// Corners and extents near the ends of the int range (damaged files) must not wrap around onto
// the surface; the sanitizer build checks the arithmetic.
TEST(TBlit, FarCornersDoNotWrapOntoTheSurface) {
    TCanvas source(4, 1);
    TCanvas target(4, 4);
    StretchBlt(target.Dc(), 2000000000, 0, 2000000000, 4, source.Dc(), 0, 0, 4, 1, BLACKNESS);
    StretchBlt(target.Dc(), -2000000000, 0, -2000000000, 4, source.Dc(), 0, 0, 4, 1, BLACKNESS);
    StretchBlt(target.Dc(), 0, 0, 4, 4, source.Dc(), 2000000000, 0, 2000000000, 1, SRCCOPY);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(target.At(x, y), 0xFFFFFFu) << x << "," << y;
}

TEST(TBlit, ConvertsBetweenMonochromeAndColourByTheDcColours) {
    const BYTE rows[2 * 2] = {0x80, 0, 0x40, 0}; // 2 x 2: white at (0, 0) and (1, 1)
    HBITMAP mono = CreateBitmap(2, 2, 1, 1, rows);
    ASSERT_NE(mono, nullptr);
    HDC monoDc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(monoDc, mono);
    TCanvas target(2, 2);
    SetTextColor(target.Dc(), RGB(255, 0, 0)); // black bits
    SetBkColor(target.Dc(), RGB(0, 0, 255));   // white bits
    ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, 2, 2, monoDc, 0, 0, SRCCOPY));
    EXPECT_EQ(target.At(0, 0), 0x0000FFu);
    EXPECT_EQ(target.At(1, 0), 0xFF0000u);
    EXPECT_EQ(target.At(1, 1), 0x0000FFu);

    // Colour to monochrome: the source's background colour becomes white, all else black.
    target.Set(0, 0, 0x00FF00);
    SetBkColor(target.Dc(), RGB(0, 255, 0));
    ASSERT_TRUE(BitBlt(monoDc, 0, 0, 2, 2, target.Dc(), 0, 0, SRCCOPY));
    BYTE back[4] = {};
    ASSERT_EQ(GetBitmapBits(mono, sizeof back, back), 4);
    EXPECT_EQ(back[0], 0x80);
    EXPECT_EQ(back[2], 0x00);
    SelectObject(monoDc, old);
    DeleteDC(monoDc);
    DeleteObject(mono);
}

TEST(TBlit, MaskAndKeyChooseWhichPixelsChange) {
    TCanvas source(3, 1, 0x112233);
    source.Set(1, 0, 0xFF00FF);
    TCanvas target(3, 1);
    ASSERT_TRUE(TransparentBlt(target.Dc(), 0, 0, 3, 1, source.Dc(), 0, 0, 3, 1, RGB(255, 0, 255)));
    EXPECT_EQ(target.Row(0, 0, 3, 0x112233), "#.#");

    // A 2-pixel mask (white, black) repeats over a 5-pixel rectangle, from an offset of 1.
    const BYTE maskRow[2] = {0x80, 0};
    HBITMAP mask = CreateBitmap(2, 1, 1, 1, maskRow);
    TCanvas wide(5, 1, 0x445566);
    TCanvas out(5, 1);
    ASSERT_TRUE(
        MaskBlt(out.Dc(), 0, 0, 5, 1, wide.Dc(), 0, 0, mask, 1, 0, MAKEROP4(SRCCOPY, 0x00AA0029)));
    EXPECT_EQ(out.Row(0, 0, 5, 0x445566), ".#.#.");
    DeleteObject(mask);
}

std::vector<BYTE> InfoHeader(int width, int height, int bitCount, DWORD compression,
                             DWORD sizeImage, std::vector<std::uint32_t> colors) {
    std::vector<BYTE> info(40 + 4 * colors.size());
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = compression;
    header.biSizeImage = sizeImage;
    header.biClrUsed = static_cast<DWORD>(colors.size());
    std::memcpy(info.data(), &header, 40);
    if (!colors.empty())
        std::memcpy(info.data() + 40, colors.data(), 4 * colors.size());
    return info;
}

TEST(TStretchDib, DrawsCheckedDataAndRefusesShortData) {
    TCanvas target(4, 4);
    // 2 x 2, 24 bpp, bottom-up: the bottom row is stored first.
    const auto info = InfoHeader(2, 2, 24, BI_RGB, 0, {});
    const std::vector<BYTE> bits = {1, 0, 0, 2, 0, 0, 0, 0, 3, 0, 0, 4, 0, 0, 0, 0};
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(target.At(0, 0), 3u);
    EXPECT_EQ(target.At(1, 1), 2u);
    // The source rectangle of a bottom-up DIB counts from the bottom row.
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 2, 2, 1, 1, 1, 0, 1, 1, bits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(target.At(2, 2), 2u);
    const std::vector<BYTE> shortBits(bits.begin(), bits.end() - 1);
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, shortBits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              0);
    const std::vector<BYTE> shortInfo(info.begin(), info.end() - 1);
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 2, 2, 0, 0, 2, 2, bits, shortInfo,
                                        DIB_RGB_COLORS, SRCCOPY),
              0);
}

// Source rectangles far outside the picture, whose corners overflow 32 bits when summed, draw
// nothing; an extent of INT_MIN, which cannot be mirrored, fails the call.
TEST(TStretchDib, ExtremeSourceRectanglesDrawNothing) {
    TCanvas target(4, 4);
    const auto info = InfoHeader(2, 2, 24, BI_RGB, 0, {});
    const std::vector<BYTE> bits(16, 0);
    const int big = std::numeric_limits<int>::max() - 10;
    const int least = std::numeric_limits<int>::min();
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 2, 2, 0, big, 2, 100, bits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 2, 2, -big, -big, -100, -100, bits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              2);
    EXPECT_EQ(target.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 2, 2, 0, 0, least, 2, bits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, least, 2, 0, 0, 2, 2, bits, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              0);
}

TEST(TStretchDib, RunLengthHolesShowTheDestinationOnlyAtFullSize) {
    // 3 x 1 RLE8: one pixel of colour 1, a delta of one, one pixel of colour 1.
    const std::vector<BYTE> data = {1, 1, 0, 2, 1, 0, 1, 1, 0, 1};
    const auto info =
        InfoHeader(3, 1, 8, BI_RLE8, static_cast<DWORD>(data.size()), {0x000000, 0x0000FF});
    TCanvas target(6, 1, 0x00FFFF);
    ASSERT_NE(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 3, 1, 0, 0, 3, 1, data, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(target.At(1, 0), 0x00FFFFu); // the hole
    // Stretched, the hole takes the first colour of the table.
    ASSERT_NE(gdi::StretchDIBitsChecked(target.Dc(), 0, 0, 6, 1, 0, 0, 3, 1, data, info,
                                        DIB_RGB_COLORS, SRCCOPY),
              0);
    EXPECT_EQ(target.At(2, 0), 0x000000u);
    EXPECT_EQ(target.At(0, 0), 0x0000FFu);
}

TEST(TSetDIBitsToDevice, DrawsOnlyTheBandGiven) {
    TCanvas target(2, 4);
    const auto info = InfoHeader(1, 4, 32, BI_RGB, 0, {});
    // Scan lines 1 and 2 of a bottom-up picture: image rows 2 and 1.
    const std::uint32_t band[2] = {0x000011, 0x000022};
    EXPECT_EQ(SetDIBitsToDevice(target.Dc(), 0, 0, 1, 4, 0, 0, 1, 2, band,
                                reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
              2);
    EXPECT_EQ(target.At(0, 2), 0x000011u);
    EXPECT_EQ(target.At(0, 1), 0x000022u);
    EXPECT_EQ(target.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(target.At(0, 3), 0xFFFFFFu);
}

TEST(TDibSection, KeepsTheCallersBitsAndTheSurfaceInStep) {
    // An 8-bpp section: drawing on it rewrites the caller's indices.
    std::vector<BYTE> info(40 + 256 * 4, 0);
    BITMAPINFOHEADER header{40, 4, 2, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    std::memcpy(info.data(), &header, 40);
    const std::uint32_t red = 0xFF0000;
    std::memcpy(info.data() + 40 + 4 * 7, &red, 4);
    HDC dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(info.data()),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    HGDIOBJ old = SelectObject(dc, section);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    ASSERT_TRUE(PatBlt(dc, 1, 0, 2, 2, PATCOPY));
    const auto* index = static_cast<const BYTE*>(bits);
    EXPECT_EQ(index[0], 0);
    EXPECT_EQ(index[1], 7);
    EXPECT_EQ(index[4 + 2], 7);

    // GetDIBits: the header query, then the pixels as 24 bpp.
    BITMAPINFO query{};
    query.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    ASSERT_NE(GetDIBits(dc, section, 0, 2, nullptr, &query, DIB_RGB_COLORS), 0);
    EXPECT_EQ(query.bmiHeader.biWidth, 4);
    EXPECT_EQ(query.bmiHeader.biBitCount, 8);
    SelectObject(dc, oldBrush);
    SelectObject(dc, old);
    BITMAPINFO want{};
    want.bmiHeader = BITMAPINFOHEADER{40, 4, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<BYTE> pixels(2 * 12);
    ASSERT_EQ(GetDIBits(dc, section, 0, 2, pixels.data(), &want, DIB_RGB_COLORS), 2);
    EXPECT_EQ(pixels[3 + 2], 0xFF); // red of pixel 1
    EXPECT_EQ(pixels[0 + 2], 0x00);
    EXPECT_EQ(want.bmiHeader.biSizeImage, 24u);
    DeleteObject(brush);
    DeleteObject(section);
    DeleteDC(dc);
}

TEST(TDibSection, RefusesHeadersItCannotHold) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{40, 4, 4, 1, 8, BI_RLE8, 16, 0, 0, 0, 0};
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    info.bmiHeader = BITMAPINFOHEADER{40, 0, 4, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    info.bmiHeader = BITMAPINFOHEADER{40, 40000, 40000, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    DeleteDC(dc);
}

TEST(TPlgBlt, UprightParallelogramCopiesLikeBitBlt) {
    TCanvas source(3, 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            source.Set(x, y, static_cast<std::uint32_t>(10 * y + x + 1));
    TCanvas target(6, 4);
    const POINT corners[3] = {{1, 1}, {4, 1}, {1, 3}};
    ASSERT_TRUE(PlgBlt(target.Dc(), corners, source.Dc(), 0, 0, 3, 2, nullptr, 0, 0));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(target.At(1 + x, 1 + y), static_cast<std::uint32_t>(10 * y + x + 1));
    EXPECT_EQ(target.At(4, 1), 0xFFFFFFu);
    EXPECT_EQ(target.At(1, 3), 0xFFFFFFu);
}

} // namespace
