// mfrender: draws an enhanced or Windows metafile into a BMP file.
//
//   mfrender IN OUT.bmp [WIDTH HEIGHT]
//
// The metafile is played with PlayEnhMetaFile into a white 32-bit DIB section, its frame mapped
// onto the whole picture. A Windows metafile is first converted with SetWinMetaFileBits: a
// placeable file with an MM_ANISOTROPIC picture of its bounding box in 0.01 mm, a plain file with
// no picture. Without a size the picture is the frame in pixels of the metafile's reference
// device (the bounds when the header has no millimetre size), shrunk to at most 2000 pixels a
// side with its aspect kept. The BMP is 24-bit, bottom-up.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/TopDownDib.h"
#include "platform/WinMetafile.h"
#include "tools/OpenMetafile.h"

namespace {

constexpr int kMaxSide = 2000;

void defaultSize(const ENHMETAHEADER& h, int& width, int& height) {
    double w, hgt;
    if (h.szlMillimeters.cx > 0 && h.szlMillimeters.cy > 0) {
        w = (double(h.rclFrame.right) - h.rclFrame.left) / 100.0 * h.szlDevice.cx /
            h.szlMillimeters.cx;
        hgt = (double(h.rclFrame.bottom) - h.rclFrame.top) / 100.0 * h.szlDevice.cy /
              h.szlMillimeters.cy;
    } else {
        w = double(h.rclBounds.right) - h.rclBounds.left + 1;
        hgt = double(h.rclBounds.bottom) - h.rclBounds.top + 1;
    }
    w = std::fabs(w);
    hgt = std::fabs(hgt);
    if (w > kMaxSide || hgt > kMaxSide) {
        const double scale = kMaxSide / std::max(w, hgt);
        w *= scale;
        hgt *= scale;
    }
    width = std::max(1, int(std::lround(w)));
    height = std::max(1, int(std::lround(hgt)));
}

// Written a row at a time: on a machine where first touching memory is dear, holding the whole
// file image would cost as much as the drawing of a small page.
bool writeBmp(const char* path, const BYTE* pixels, int width, int height) {
    const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    const size_t imageSize = stride * size_t(height);
    BYTE header[54] = {};
    auto put16 = [&](size_t at, unsigned v) {
        header[at] = BYTE(v);
        header[at + 1] = BYTE(v >> 8);
    };
    auto put32 = [&](size_t at, DWORD v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = BYTE(v >> (8 * i));
    };
    put16(0, 0x4D42);
    put32(2, DWORD(sizeof header + imageSize));
    put32(10, 54);
    put32(14, 40);
    put32(18, DWORD(width));
    put32(22, DWORD(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, DWORD(imageSize));
    put32(38, 3780);
    put32(42, 3780);
    FILE* out = std::fopen(path, "wb");
    if (!out)
        return false;
    bool ok = std::fwrite(header, 1, sizeof header, out) == sizeof header;
    std::vector<BYTE> row(stride, 0);
    for (int y = 0; ok && y < height; ++y) {
        const BYTE* src = pixels + size_t(height - 1 - y) * size_t(width) * 4;
        for (int x = 0; x < width; ++x) {
            row[x * 3] = src[x * 4];
            row[x * 3 + 1] = src[x * 4 + 1];
            row[x * 3 + 2] = src[x * 4 + 2];
        }
        ok = std::fwrite(row.data(), 1, stride, out) == stride;
    }
    return std::fclose(out) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 5) {
        std::fprintf(stderr, "usage: mfrender IN OUT.bmp [WIDTH HEIGHT]\n");
        return 2;
    }
    const std::vector<BYTE> bytes = ReadMetafileFile(argv[1]);
    HENHMETAFILE emf = OpenMetafileBytes(bytes);
    if (!emf) {
        std::fprintf(stderr, "mfrender: %s: not a metafile\n", argv[1]);
        return 1;
    }
    ENHMETAHEADER header{};
    GetEnhMetaFileHeader(emf, sizeof header, &header);
    int width = 0, height = 0;
    if (argc == 5) {
        width = std::atoi(argv[3]);
        height = std::atoi(argv[4]);
        if (width <= 0 || height <= 0 || width > 32768 || height > 32768) {
            std::fprintf(stderr, "mfrender: bad size %s x %s\n", argv[3], argv[4]);
            DeleteEnhMetaFile(emf);
            return 2;
        }
    } else {
        defaultSize(header, width, height);
    }

    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = TopDownDib32(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dc || !bitmap || !bits) {
        std::fprintf(stderr, "mfrender: cannot make a %d x %d picture\n", width, height);
        return 1;
    }
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &all);
    GdiFlush();
    const bool written = writeBmp(argv[2], static_cast<const BYTE*>(bits), width, height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    DeleteEnhMetaFile(emf);
    if (!written) {
        std::fprintf(stderr, "mfrender: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
