// bench-text: text drawing speed.
//
//   bench-text [PAGES]
//
// Draws a full A4 page of 11-point text (794 x 1123 pixels at 96 DPI, 60 lines of about 95
// characters) into a 32-bit DIB section, the way a converted office page arrives: once with
// TextOutW (shaped, natural advances) and once with ExtTextOutW and a spacing array per line
// (as metafile records carry it). Prints milliseconds per page for each, and for the first
// page, which includes realising the fonts and rendering every glyph once.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/TopDownDib.h"
#include "platform/WinGdi.h"

namespace {

constexpr int kWidth = 794; // A4 at 96 DPI
constexpr int kHeight = 1123;
constexpr int kMargin = 60;
constexpr int kLineHeight = 17; // 11-point text, single spacing

const char16_t kWords[] =
    u"The quick brown fox jumps over the lazy dog while seventeen zebras quietly graze near "
    u"a winding river; invoices, figures and dates (12.03.2004) fill the remaining columns. ";

HFONT MakeFont(const char16_t* face, LONG weight) {
    LOGFONTW font{};
    font.lfHeight = -15; // 11 points at 96 DPI
    font.lfWeight = weight;
    font.lfCharSet = DEFAULT_CHARSET;
    for (int i = 0; face[i] != 0 && i < LF_FACESIZE - 1; ++i) {
        font.lfFaceName[i] = face[i];
    }
    return CreateFontIndirectW(&font);
}

double DrawPage(HDC dc, void* bits, const std::vector<HFONT>& fonts, bool spacing) {
    auto start = std::chrono::steady_clock::now();
    std::memset(bits, 0xFF, static_cast<size_t>(kWidth) * kHeight * 4);
    const std::u16string words(kWords);
    int line = 0;
    for (int y = kMargin; y + kLineHeight < kHeight - kMargin; y += kLineHeight, ++line) {
        HGDIOBJ old = SelectObject(dc, fonts[static_cast<size_t>(line / 8) % fonts.size()]);
        std::u16string text = words.substr(static_cast<size_t>(line * 7) % 40, 95);
        int count = static_cast<int>(text.size());
        if (spacing) {
            std::vector<INT> dx(text.size());
            int fit = 0;
            SIZE size{};
            GetTextExtentExPointW(dc, text.c_str(), count, 1 << 30, &fit, dx.data(), &size);
            for (int i = count - 1; i > 0; --i) {
                dx[static_cast<size_t>(i)] -= dx[static_cast<size_t>(i - 1)];
            }
            ExtTextOutW(dc, kMargin, y, 0, nullptr, text.c_str(), static_cast<UINT>(count),
                        dx.data());
        } else {
            TextOutW(dc, kMargin, y, text.c_str(), count);
        }
        SelectObject(dc, old);
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

int main(int argc, char** argv) {
    int pages = argc > 1 ? std::atoi(argv[1]) : 50;
    if (pages < 1) {
        pages = 1;
    }
    BITMAPINFO info = TopDownDib32(kWidth, kHeight);
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dc == nullptr || bitmap == nullptr || bits == nullptr) {
        std::fprintf(stderr, "bench-text: cannot create the page bitmap\n");
        return 1;
    }
    HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
    SetBkMode(dc, TRANSPARENT);
    std::vector<HFONT> fonts = {MakeFont(u"Times New Roman", FW_NORMAL),
                                MakeFont(u"Arial", FW_NORMAL), MakeFont(u"Arial", FW_BOLD),
                                MakeFont(u"Courier New", FW_NORMAL)};
    double first = DrawPage(dc, bits, fonts, false);
    for (bool spacing : {false, true}) {
        double total = 0;
        for (int i = 0; i < pages; ++i) {
            total += DrawPage(dc, bits, fonts, spacing);
        }
        std::printf("A4 page of 11-point text, %s: %.2f ms per page (%d pages)\n",
                    spacing ? "ExtTextOutW with spacing arrays" : "TextOutW", total / pages, pages);
    }
    std::printf("first page, fonts realised and glyphs rendered: %.2f ms\n", first);
    SelectObject(dc, oldBitmap);
    for (HFONT font : fonts) {
        DeleteObject(font);
    }
    DeleteObject(bitmap);
    DeleteDC(dc);
    return 0;
}
