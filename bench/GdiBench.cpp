// bench-gdi: time to draw a dense synthetic A4 page (96 DPI, 794 x 1123 pixels) with the GDI
// stand-in: thin and wide lines, polygons, rectangles, ellipses, hatched fills, a clipped
// region and a path. Prints the mean and best time per page over a number of pages.
//
//   bench-gdi [PAGES]
#include "platform/WinGdi.h"
#include "platform/gdi/DeviceContext_p.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

constexpr int kWidth = 794;
constexpr int kHeight = 1123;

struct TCounts {
    int lines = 0, polygons = 0, shapes = 0;
};

TCounts DrawPage(HDC dc, unsigned seed) {
    std::mt19937 rng(seed);
    auto x = [&] { return static_cast<int>(rng() % kWidth); };
    auto y = [&] { return static_cast<int>(rng() % kHeight); };
    auto colour = [&] { return RGB(rng() & 0xFF, rng() & 0xFF, rng() & 0xFF); };
    TCounts counts;
    RECT page{0, 0, kWidth, kHeight};
    FillRect(dc, &page, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    // A table: thousands of thin rules and short strokes.
    HPEN thin = CreatePen(PS_SOLID, 0, RGB(40, 40, 40));
    HGDIOBJ oldPen = SelectObject(dc, thin);
    for (int row = 0; row < 400; ++row) {
        MoveToEx(dc, 20, 20 + row * 2 + row / 4, nullptr);
        LineTo(dc, kWidth - 20, 20 + row * 2 + row / 4);
        ++counts.lines;
    }
    for (int i = 0; i < 3000; ++i) {
        const int x0 = x(), y0 = y();
        MoveToEx(dc, x0, y0, nullptr);
        LineTo(dc, x0 + static_cast<int>(rng() % 60) - 30, y0 + static_cast<int>(rng() % 60) - 30);
        ++counts.lines;
    }
    // Wide round pens, as charts draw them.
    HPEN wide = CreatePen(PS_SOLID, 3, RGB(200, 30, 30));
    SelectObject(dc, wide);
    POINT chart[200];
    for (int i = 0; i < 200; ++i) {
        chart[i] = {20 + i * 3, 600 + static_cast<int>(rng() % 200)};
    }
    Polyline(dc, chart, 200);
    counts.lines += 199;
    SelectObject(dc, thin);

    // Filled polygons and shapes with solid and hatched brushes.
    HBRUSH solid = CreateSolidBrush(RGB(120, 170, 220));
    HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 90, 0));
    for (int i = 0; i < 1500; ++i) {
        SelectObject(dc, (i & 1) ? solid : hatch);
        POINT polygon[6];
        const int cx = x(), cy = y();
        for (POINT& p : polygon) {
            p = {cx + static_cast<int>(rng() % 50) - 25, cy + static_cast<int>(rng() % 50) - 25};
        }
        Polygon(dc, polygon, 6);
        ++counts.polygons;
    }
    for (int i = 0; i < 600; ++i) {
        SelectObject(dc, (i & 1) ? solid : hatch);
        const int l = x(), t = y();
        switch (i % 3) {
        case 0:
            Rectangle(dc, l, t, l + 40, t + 25);
            break;
        case 1:
            Ellipse(dc, l, t, l + 35, t + 35);
            break;
        default:
            RoundRect(dc, l, t, l + 50, t + 30, 10, 10);
            break;
        }
        ++counts.shapes;
    }
    // Clipped drawing and a filled path.
    SaveDC(dc);
    HRGN clip = CreateEllipticRgn(200, 200, 600, 700);
    SelectClipRgn(dc, clip);
    HBRUSH tint = CreateSolidBrush(colour());
    SelectObject(dc, tint);
    SetROP2(dc, R2_MASKPEN);
    Rectangle(dc, 0, 0, kWidth, kHeight);
    RestoreDC(dc, -1);
    BeginPath(dc);
    PolyBezier(dc, chart, 199);
    CloseFigure(dc);
    EndPath(dc);
    SelectObject(dc, solid);
    StrokeAndFillPath(dc);

    SelectObject(dc, oldPen);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    for (HGDIOBJ object :
         {static_cast<HGDIOBJ>(thin), static_cast<HGDIOBJ>(wide), static_cast<HGDIOBJ>(solid),
          static_cast<HGDIOBJ>(hatch), static_cast<HGDIOBJ>(clip), static_cast<HGDIOBJ>(tint)}) {
        DeleteObject(object);
    }
    return counts;
}

// A text-heavy page: 60 lines of 11-point text (about 95 characters each) in four faces.
int DrawTextPage(HDC dc) {
    static const char16_t kWords[] =
        u"The quick brown fox jumps over the lazy dog while seventeen zebras quietly graze "
        u"near a winding river; invoices, figures and dates (12.03.2004) fill the columns. ";
    const std::u16string words(kWords);
    const char16_t* faces[] = {u"Times New Roman", u"Arial", u"Courier New", u"Arial"};
    PatBlt(dc, 0, 0, kWidth, kHeight, WHITENESS);
    SetBkMode(dc, TRANSPARENT);
    int characters = 0;
    for (int line = 0, y = 60; y + 17 < kHeight - 60; y += 17, ++line) {
        LOGFONTW font{};
        font.lfHeight = -15; // 11 points at 96 DPI
        font.lfWeight = line % 16 == 15 ? FW_BOLD : FW_NORMAL;
        const std::u16string face(faces[(line / 8) % 4]);
        std::copy(face.begin(), face.end(), font.lfFaceName);
        HFONT handle = CreateFontIndirectW(&font);
        HGDIOBJ previous = SelectObject(dc, handle);
        const std::u16string text = words.substr(static_cast<size_t>(line * 7) % 40, 95);
        TextOutW(dc, 60, y, text.c_str(), static_cast<int>(text.size()));
        characters += static_cast<int>(text.size());
        SelectObject(dc, previous);
        DeleteObject(handle);
    }
    return characters;
}

// A page of blits: 1500 block transfers of a 64 x 64 picture (copies, stretches with each
// stretch mode, raster operations, DIB transfers and alpha blends).
int DrawBlitPage(HDC dc, HDC source, const BITMAPINFO& info, const void* bits, unsigned seed) {
    std::mt19937 rng(seed);
    auto x = [&] { return static_cast<int>(rng() % (kWidth - 128)); };
    auto y = [&] { return static_cast<int>(rng() % (kHeight - 128)); };
    static const DWORD kRops[] = {SRCCOPY, SRCAND, SRCPAINT, SRCINVERT, 0x00B8074A};
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 160, 0};
    int blits = 0;
    for (int i = 0; i < 300; ++i, blits += 5) {
        BitBlt(dc, x(), y(), 64, 64, source, 0, 0, kRops[i % 5]);
        SetStretchBltMode(dc, 1 + i % 4);
        StretchBlt(dc, x(), y(), 20 + static_cast<int>(rng() % 100),
                   20 + static_cast<int>(rng() % 100), source, 0, 0, 64, 64, SRCCOPY);
        StretchDIBits(dc, x(), y(), 96, 48, 0, 0, 64, 64, bits, &info, DIB_RGB_COLORS, SRCCOPY);
        SetDIBitsToDevice(dc, x(), y(), 64, 64, 0, 0, 0, 64, bits, &info, DIB_RGB_COLORS);
        AlphaBlend(dc, x(), y(), 64, 64, source, 0, 0, 64, 64, blend);
    }
    return blits;
}

} // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap =
        static_cast<HBITMAP>(gdi::GdiAddObject(gdi::MakeBitmap(kWidth, kHeight, false)));
    HGDIOBJ old = SelectObject(dc, bitmap);
    DrawPage(dc, 0); // warm-up
    double total = 0, best = 1e300;
    TCounts counts;
    for (int i = 0; i < pages; ++i) {
        const auto start = std::chrono::steady_clock::now();
        counts = DrawPage(dc, static_cast<unsigned>(i + 1));
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        total += ms;
        best = std::min(best, ms);
    }
    std::printf("bench-gdi: A4 page %d x %d at 96 DPI: %d lines, %d polygons, %d shapes\n", kWidth,
                kHeight, counts.lines, counts.polygons, counts.shapes);
    std::printf("bench-gdi: %d pages, mean %.2f ms/page, best %.2f ms/page\n", pages, total / pages,
                best);
    DrawTextPage(dc); // warm-up: faces opened, glyphs rendered once
    double textTotal = 0;
    int characters = 0;
    for (int i = 0; i < pages; ++i) {
        const auto start = std::chrono::steady_clock::now();
        characters = DrawTextPage(dc);
        textTotal +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
    }
    std::printf("bench-gdi: A4 page of 11-point text, %d characters: mean %.2f ms/page\n",
                characters, textTotal / pages);
    {
        // Blits from a 64 x 64 DIB section.
        BITMAPINFO info{};
        info.bmiHeader = BITMAPINFOHEADER{40, 64, 64, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HDC source = CreateCompatibleDC(dc);
        HBITMAP picture = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ oldPicture = SelectObject(source, picture);
        for (int i = 0; i < 64 * 64; ++i)
            static_cast<std::uint32_t*>(bits)[i] = static_cast<std::uint32_t>(i * 2654435761u);
        DrawBlitPage(dc, source, info, bits, 0); // warm-up
        double blitTotal = 0;
        int blits = 0;
        for (int i = 0; i < pages; ++i) {
            const auto start = std::chrono::steady_clock::now();
            blits = DrawBlitPage(dc, source, info, bits, static_cast<unsigned>(i + 1));
            blitTotal +=
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
        }
        std::printf("bench-gdi: A4 page of %d blits (64 x 64 source): mean %.2f ms/page\n", blits,
                    blitTotal / pages);
        SelectObject(source, oldPicture);
        DeleteObject(picture);
        DeleteDC(source);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return 0;
}
