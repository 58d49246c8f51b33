// AlphaBlend's arithmetic and GradientFill's shading.
#include "platform/WinGdi.h"
#include "platform/gdi/AlphaBlend_p.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

using gdi::BlendPixel;

TEST(TAlphaBlend, BlendsConstantAndPremultipliedAlpha) {
    struct TCase {
        const char* name;
        std::uint32_t destination, source;
        unsigned constant;
        bool perPixel;
        std::uint32_t expected;
    };
    const TCase cases[] = {
        {"constant 255 copies", 0x000000, 0x00FF8040, 255, false, 0x00FF8040},
        {"constant 0 keeps", 0x00123456, 0x00FFFFFF, 0, false, 0x00123456},
        {"constant 128 of white over black", 0x000000, 0xFFFFFF, 128, false, 0x808080},
        // The fourth byte of a source without per-pixel alpha is no opacity.
        {"no source alpha ignores the fourth byte", 0x000000, 0x00FFFFFF, 64, false, 0x404040},
        {"opaque premultiplied pixel copies", 0xFFFFFFFF, 0xFF102030, 255, true, 0xFF102030},
        {"transparent premultiplied pixel keeps", 0x00405060, 0x00000000, 255, true, 0x00405060},
        {"half-transparent red over white", 0x00FFFFFF, 0x80800000, 255, true, 0x80FF7F7F},
        {"per-pixel and constant together", 0x00000000, 0xFFFF0000, 128, true, 0x80800000},
        {"not premultiplied saturates", 0x00FFFFFF, 0x10FFFFFF, 255, true, 0x10FFFFFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::uint32_t got = BlendPixel(c.destination, c.source, c.constant, c.perPixel);
        for (int shift = 0; shift < 32; shift += 8)
            EXPECT_LE(std::abs(static_cast<int>((got >> shift) & 0xFF) -
                               static_cast<int>((c.expected >> shift) & 0xFF)),
                      1)
                << std::hex << got << " for " << c.expected;
    }
}

class TCanvas {
public:
    TCanvas(int width, int height) : m_width(width) {
        m_dc = CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{40, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<std::uint32_t*>(bits);
        m_old = SelectObject(m_dc, m_bitmap);
    }
    ~TCanvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }
    std::uint32_t& At(int x, int y) { return m_bits[y * m_width + x]; }

private:
    int m_width;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    std::uint32_t* m_bits;
};

TEST(TAlphaBlend, StretchesPerPixelAlphaOntoTheDestination) {
    TCanvas source(2, 1);
    source.At(0, 0) = 0xFF0000FF; // opaque blue
    source.At(1, 0) = 0x00000000; // transparent
    TCanvas target(4, 1);
    for (int x = 0; x < 4; ++x)
        target.At(x, 0) = 0x00FF0000;
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    ASSERT_TRUE(AlphaBlend(target.Dc(), 0, 0, 4, 1, source.Dc(), 0, 0, 2, 1, blend));
    EXPECT_EQ(target.At(0, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(target.At(1, 0) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(target.At(2, 0) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(target.At(3, 0) & 0xFFFFFF, 0xFF0000u);
}

TEST(TGradient, ShadesRectanglesFromTheirLeftEdgeAndTruncates) {
    TCanvas target(5, 2);
    TRIVERTEX vertices[2] = {{0, 0, 0xFF00, 0, 0, 0}, {5, 2, 0, 0, 0xFF00, 0}};
    GRADIENT_RECT mesh{0, 1};
    ASSERT_TRUE(GradientFill(target.Dc(), vertices, 2, &mesh, 1, GRADIENT_FILL_RECT_H));
    EXPECT_EQ(target.At(0, 0) & 0xFFFFFF, 0xFF0000u);
    // x = 1: red 0xFF00 * 4 / 5 = 0xCC00, blue 0xFF00 / 5 = 0x3300.
    EXPECT_EQ(target.At(1, 1) & 0xFFFFFF, 0xCC0033u);
    EXPECT_EQ(target.At(4, 0) & 0xFFFFFF, 0x3300CCu);
    // Vertical, with the corners given the other way round.
    TRIVERTEX swapped[2] = {{5, 2, 0, 0xFF00, 0, 0}, {0, 0, 0, 0, 0, 0}};
    ASSERT_TRUE(GradientFill(target.Dc(), swapped, 2, &mesh, 1, GRADIENT_FILL_RECT_V));
    EXPECT_EQ(target.At(3, 0) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(target.At(3, 1) & 0xFFFFFF, 0x007F00u);
}

TEST(TGradient, FillsTrianglesAndRefusesBadMeshes) {
    TCanvas target(8, 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            target.At(x, y) = 0x123456;
    TRIVERTEX vertices[3] = {
        {0, 0, 0xFF00, 0xFF00, 0xFF00, 0}, {7, 0, 0xFF00, 0xFF00, 0xFF00, 0}, {0, 7, 0, 0, 0, 0}};
    GRADIENT_TRIANGLE triangle{0, 1, 2};
    ASSERT_TRUE(GradientFill(target.Dc(), vertices, 3, &triangle, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_EQ(target.At(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(target.At(7, 7) & 0xFFFFFF, 0x123456u); // outside
    const std::uint32_t middle = target.At(1, 3) & 0xFF;
    EXPECT_GT(middle, 0x60u);
    EXPECT_LT(middle, 0xC0u);

    GRADIENT_TRIANGLE bad{0, 1, 3};
    EXPECT_FALSE(GradientFill(target.Dc(), vertices, 3, &bad, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_FALSE(GradientFill(target.Dc(), vertices, 3, &triangle, 1, 7));
    EXPECT_FALSE(GradientFill(nullptr, vertices, 3, &triangle, 1, GRADIENT_FILL_TRIANGLE));
}

TEST(TGradient, ShadesATriangleReachingFarOffTheSurface) {
    // Corners tens of millions of pixels out weigh each pixel with products beyond 64 bits.
    TCanvas target(8, 8);
    TRIVERTEX vertices[3] = {{-60000000, -60000000, 0xFF00, 0x8000, 0x1000, 0},
                             {60000000, -60000000, 0xFF00, 0x8000, 0x1000, 0},
                             {0, 60000000, 0xFF00, 0x8000, 0x1000, 0}};
    GRADIENT_TRIANGLE triangle{0, 1, 2};
    ASSERT_TRUE(GradientFill(target.Dc(), vertices, 3, &triangle, 1, GRADIENT_FILL_TRIANGLE));
    EXPECT_EQ(target.At(0, 0) & 0xFFFFFF, 0xFF8010u);
    EXPECT_EQ(target.At(7, 7) & 0xFFFFFF, 0xFF8010u);
}

} // namespace
