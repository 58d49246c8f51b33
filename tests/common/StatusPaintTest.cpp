#include "common/StatusPage.h"

#include "platform/TopDownDib.h"
#include "platform/WinGdi.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// A white 32-bit top-down bitmap selected into a memory DC.
class TCanvas {
public:
    TCanvas(int width, int height) : m_width(width), m_height(height) {
        m_dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info = TopDownDib32(width, height);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &m_bits, nullptr, 0);
        m_previous = SelectObject(m_dc, m_bitmap);
        RECT all{0, 0, width, height};
        FillRect(m_dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
    ~TCanvas() {
        SelectObject(m_dc, m_previous);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    bool Valid() const { return m_dc && m_bitmap && m_bits; }

    // The pixel as 0xRRGGBB.
    std::uint32_t Pixel(int x, int y) const {
        GdiFlush();
        return static_cast<const std::uint32_t*>(m_bits)[y * m_width + x] & 0xFFFFFF;
    }

    // Counts pixels in rows [top, bottom) whose colour is closest to red, blue or black.
    struct Ink {
        int red = 0, blue = 0, dark = 0, other = 0;
    };
    Ink CountInk(int top, int bottom) const {
        Ink ink;
        for (int y = top; y < bottom && y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                std::uint32_t p = Pixel(x, y);
                int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
                if (p == 0xFFFFFF)
                    continue;
                if (r > 200 && g < 80 && b < 80)
                    ++ink.red;
                else if (b > 200 && r < 80 && g < 80)
                    ++ink.blue;
                else if (r < 80 && g < 80 && b < 80)
                    ++ink.dark;
                else
                    ++ink.other;
            }
        }
        return ink;
    }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_previous = nullptr;
    void* m_bits = nullptr;
};

TEST(StatusPaint, MeasuresTheBoldArialAverageWidth) {
    TCanvas canvas(8, 8);
    ASSERT_TRUE(canvas.Valid());
    int width = StatusCharWidth(canvas.Dc());
    // Bold Arial with a 17-pixel cell averages 7 to 8 pixels per character.
    EXPECT_GE(width, 6);
    EXPECT_LE(width, 9);
}

TEST(StatusPaint, DrawsEachLineInItsColourAndRulesOnePixelHigh) {
    TCanvas canvas(700, 200);
    ASSERT_TRUE(canvas.Valid());
    TStatusPage page = VersionPage("Dotferry\x99 v1.1.2", true, "Install information.");
    page.AddRule(10, 650, 190);
    PaintStatusPage(canvas.Dc(), page);

    // The info line in the default (black) colour at y 30, then red, blue and red lines.
    auto info = canvas.CountInk(30, 30 + kStatusFontHeight);
    auto program = canvas.CountInk(64, 64 + kStatusFontHeight);
    auto product = canvas.CountInk(98, 98 + kStatusFontHeight);
    auto web = canvas.CountInk(149, 149 + kStatusFontHeight);
    EXPECT_GT(info.dark, 50);
    EXPECT_EQ(info.red + info.blue, 0);
    EXPECT_GT(program.red, 50);
    EXPECT_EQ(program.blue + program.dark, 0);
    EXPECT_GT(product.blue, 50);
    EXPECT_EQ(product.red + product.dark, 0);
    EXPECT_GT(web.red, 50);
    // Nothing above the first line; texts start at x = 20.
    auto above = canvas.CountInk(0, 30);
    EXPECT_EQ(above.red + above.blue + above.dark + above.other, 0);
    for (int y = 30; y < 166; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(canvas.Pixel(x, y), 0xFFFFFFu) << x << "," << y;

    // The rule covers x 10 to 649 on its row and nothing else.
    EXPECT_EQ(canvas.Pixel(9, 190), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(10, 190), 0u);
    EXPECT_EQ(canvas.Pixel(649, 190), 0u);
    EXPECT_EQ(canvas.Pixel(650, 190), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(300, 189), 0xFFFFFFu);
    EXPECT_EQ(canvas.Pixel(300, 191), 0xFFFFFFu);
}

} // namespace
