// Recording: drawing on a recording DC and playing the result gives the picture the same calls
// give drawn directly, group by group of GDI calls.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "MetafileTestUtil.h"

namespace tallyvane::metafile::test {
namespace {

// 256 x 192 pixels of the screen are exactly 6775 x 5075 hundredths of a millimetre.
constexpr int kWidth = 256, kHeight = 192;
const RECT kFrame{0, 0, 6775, 5075};

using TDraw = std::function<void(HDC)>;

HENHMETAFILE record(const TDraw& draw) {
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &kFrame, nullptr);
    draw(dc);
    return CloseEnhMetaFile(dc);
}

// The bits of a recorded metafile, read back and made into a metafile again.
HENHMETAFILE throughBits(HENHMETAFILE emf) {
    std::vector<BYTE> bits(GetEnhMetaFileBits(emf, 0, nullptr));
    GetEnhMetaFileBits(emf, UINT(bits.size()), bits.data());
    return SetEnhMetaFileBits(UINT(bits.size()), bits.data());
}

void shapes(HDC dc) {
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 160));
    HBRUSH brush = CreateSolidBrush(RGB(250, 200, 40));
    HGDIOBJ oldPen = SelectObject(dc, pen), oldBrush = SelectObject(dc, brush);
    Rectangle(dc, 10, 10, 90, 60);
    Ellipse(dc, 100, 10, 180, 70);
    RoundRect(dc, 10, 80, 90, 140, 20, 20);
    Pie(dc, 100, 80, 180, 150, 180, 80, 100, 150);
    const POINT star[] = {{200, 20}, {240, 100}, {190, 50}, {250, 50}, {200, 100}};
    SetPolyFillMode(dc, WINDING);
    Polygon(dc, star, 5);
    MoveToEx(dc, 10, 170, nullptr);
    LineTo(dc, 240, 160);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void mapping(HDC dc) {
    SetMapMode(dc, MM_LOMETRIC);
    SetViewportOrgEx(dc, 0, 190, nullptr);
    HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 120, 0));
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, 50, 50, 400, 300);
    Ellipse(dc, 300, 200, 600, 450);
    SelectObject(dc, old);
    DeleteObject(brush);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, 50, 200, nullptr);
    SetViewportOrgEx(dc, 150, 0, nullptr);
    Rectangle(dc, 10, 10, 90, 40);
}

void worldTransform(HDC dc) {
    SetGraphicsMode(dc, GM_ADVANCED);
    const XFORM rotate{0.866f, 0.5f, -0.5f, 0.866f, 120, 20};
    SetWorldTransform(dc, &rotate);
    HBRUSH brush = CreateSolidBrush(RGB(200, 0, 0));
    HGDIOBJ old = SelectObject(dc, brush);
    Rectangle(dc, 0, 0, 80, 50);
    const XFORM shift{1, 0, 0, 1, 0, 70};
    ModifyWorldTransform(dc, &shift, MWT_LEFTMULTIPLY);
    Ellipse(dc, 0, 0, 80, 50);
    SelectObject(dc, old);
    DeleteObject(brush);
}

void clipping(HDC dc) {
    HRGN ellipse = CreateEllipticRgn(20, 20, 200, 170);
    SelectClipRgn(dc, ellipse);
    DeleteObject(ellipse);
    ExcludeClipRect(dc, 90, 0, 120, 192);
    HBRUSH brush = CreateSolidBrush(RGB(0, 90, 200));
    RECT all{0, 0, kWidth, kHeight};
    FillRect(dc, &all, brush);
    SaveDC(dc);
    IntersectClipRect(dc, 0, 0, 60, 60);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    Rectangle(dc, 0, 0, 256, 192);
    RestoreDC(dc, -1);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(brush);
}

void bitmaps(HDC dc) {
    // A memory DC source with a gradient, blitted and stretched.
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<DWORD*>(bits);
    for (int i = 0; i < 256; ++i)
        pixels[i] = DWORD((i % 16) * 16) << 16 | DWORD((i / 16) * 16);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(dc, 10, 10, 16, 16, memory, 0, 0, SRCCOPY);
    StretchBlt(dc, 40, 10, 64, 48, memory, 4, 4, 8, 8, SRCCOPY);
    StretchDIBits(dc, 120, 10, 48, 48, 0, 0, 16, 16, bits, &info, DIB_RGB_COLORS, SRCCOPY);
    PatBlt(dc, 10, 100, 100, 20, BLACKNESS);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
}

void text(HDC dc) {
    LOGFONTW font{};
    font.lfHeight = -18;
    font.lfWeight = FW_NORMAL;
    const char16_t face[] = u"Arial";
    std::copy(face, face + 6, font.lfFaceName);
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, handle);
    SetBkMode(dc, TRANSPARENT);
    const char16_t hello[] = u"Hello, metafile";
    TextOutW(dc, 10, 20, hello, 15);
    SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
    SetTextColor(dc, RGB(160, 0, 0));
    TextOutW(dc, 240, 100, hello, 15);
    SelectObject(dc, old);
    DeleteObject(handle);
}

TEST(RecordTest, RecordedDrawingPlaysBackAsDrawnDirectly) {
    const struct {
        const char* name;
        TDraw draw;
    } groups[] = {{"shapes", shapes},     {"mapping", mapping}, {"world transform", worldTransform},
                  {"clipping", clipping}, {"bitmaps", bitmaps}, {"text", text}};
    for (const auto& group : groups) {
        SCOPED_TRACE(group.name);
        TCanvas direct(kWidth, kHeight);
        group.draw(direct.dc());
        HENHMETAFILE recorded = record(group.draw);
        ASSERT_NE(recorded, nullptr);
        HENHMETAFILE reread = throughBits(recorded);
        ASSERT_NE(reread, nullptr) << "the recorded bits must read back";
        TCanvas played(kWidth, kHeight);
        RECT all{0, 0, kWidth, kHeight};
        EXPECT_TRUE(PlayEnhMetaFile(played.dc(), reread, &all));
        const TImage a{kWidth, kHeight, direct.rgb()}, b{kWidth, kHeight, played.rgb()};
        EXPECT_LE(PercentOff(a, b), 0.1);
        DeleteEnhMetaFile(recorded);
        DeleteEnhMetaFile(reread);
    }
}

// Curved shapes in GM_ADVANCED leave out their right and bottom edge, with and without a world
// transform; the recorded copy must cover exactly the pixels the calls cover drawn directly.
void advancedCurves(HDC dc) {
    SetGraphicsMode(dc, GM_ADVANCED);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    SelectObject(dc, GetStockObject(GRAY_BRUSH));
    for (int pass = 0; pass < 2; ++pass) {
        Ellipse(dc, 16, 16, 34, 34);
        RoundRect(dc, 40, 10, 70, 30, 8, 8);
        Pie(dc, 80, 10, 110, 40, 110, 10, 80, 40);
        Chord(dc, 10, 50, 40, 70, 40, 50, 10, 70);
        Arc(dc, 50, 50, 80, 70, 80, 50, 50, 70);
        MoveToEx(dc, 90, 50, nullptr);
        ArcTo(dc, 90, 50, 120, 70, 120, 50, 90, 70);
        Rectangle(dc, 10, 80, 30, 90);
        const XFORM scale{1.5f, 0, 0, 1.5f, 0, 60};
        SetWorldTransform(dc, &scale);
    }
}

TEST(RecordTest, AdvancedModeCurvesPlayBackPixelForPixel) {
    HENHMETAFILE recorded = record(advancedCurves);
    ASSERT_NE(recorded, nullptr);
    TCanvas direct(kWidth, kHeight);
    advancedCurves(direct.dc());
    TCanvas played(kWidth, kHeight);
    RECT all{0, 0, kWidth, kHeight};
    EXPECT_TRUE(PlayEnhMetaFile(played.dc(), recorded, &all));
    int off = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            off += direct.pixel(x, y) != played.pixel(x, y);
    EXPECT_EQ(off, 0);
    // Under a world transform the boxes are stored as called; without one the curved boxes are
    // taken in by one, so a player can tell how to widen them.
    std::vector<BYTE> bits(GetEnhMetaFileBits(recorded, 0, nullptr));
    GetEnhMetaFileBits(recorded, UINT(bits.size()), bits.data());
    std::vector<std::vector<LONG>> ellipses;
    for (size_t at = 0; at + 8 <= bits.size();) {
        DWORD type, size;
        std::memcpy(&type, &bits[at], 4);
        std::memcpy(&size, &bits[at + 4], 4);
        if (size < 8 || at + size > bits.size())
            break;
        if (type == EMR_ELLIPSE && size >= 24) {
            std::vector<LONG> box(4);
            std::memcpy(box.data(), &bits[at + 8], 16);
            ellipses.push_back(box);
        }
        at += size;
    }
    ASSERT_EQ(ellipses.size(), 2u);
    EXPECT_EQ(ellipses[0], (std::vector<LONG>{16, 16, 33, 33}));
    EXPECT_EQ(ellipses[1], (std::vector<LONG>{16, 16, 34, 34}));
    DeleteEnhMetaFile(recorded);
}

// A metafile that restores more levels than it saved must not undo the player's own set-up.
TEST(RecordTest, RestoreBelowTheMetafilesOwnLevelsIsPassedOver) {
    HENHMETAFILE emf = record([](HDC dc) {
        RestoreDC(dc, -3);
        SelectObject(dc, GetStockObject(BLACK_BRUSH));
        Rectangle(dc, 128, 0, 256, 192);
    });
    TCanvas canvas(128, 96);
    canvas.play(emf);
    EXPECT_EQ(canvas.pixel(32, 48), 0xFFFFFFu) << "left half stays white";
    EXPECT_EQ(canvas.pixel(96, 48), 0x000000u) << "still drawn at half size";
    DeleteEnhMetaFile(emf);
}

} // namespace
} // namespace tallyvane::metafile::test
