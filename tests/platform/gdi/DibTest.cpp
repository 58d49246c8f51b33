// DIB headers, pixel formats, run-length data and embedded JPEG/PNG streams.
#include "platform/gdi/Dib_p.h"

#include <gtest/gtest.h>

#include <jpeglib.h>
#include <png.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace gdi {
namespace {

void PutWord(std::vector<BYTE>& out, std::size_t at, std::uint32_t v) {
    out[at] = static_cast<BYTE>(v);
    out[at + 1] = static_cast<BYTE>(v >> 8);
}
void PutDword(std::vector<BYTE>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<BYTE>(v >> (8 * i));
}

// A 40-byte header with `tableEntries` RGBQUAD entries (or masks) after it.
std::vector<BYTE> InfoHeader(int width, int height, int bitCount, DWORD compression,
                             std::size_t trailing = 0, DWORD sizeImage = 0, DWORD clrUsed = 0) {
    std::vector<BYTE> info(40 + trailing, 0);
    PutDword(info, 0, 40);
    PutDword(info, 4, static_cast<std::uint32_t>(width));
    PutDword(info, 8, static_cast<std::uint32_t>(height));
    PutWord(info, 12, 1);
    PutWord(info, 14, static_cast<std::uint32_t>(bitCount));
    PutDword(info, 16, compression);
    PutDword(info, 20, sizeImage);
    PutDword(info, 32, clrUsed);
    return info;
}

TImage RandomImage(int width, int height, const std::vector<std::uint32_t>& palette,
                   std::uint32_t seed) {
    std::mt19937 random(seed);
    TImage image;
    image.Resize(width, height);
    for (auto& p : image.pixels)
        p = palette.empty() ? random() & 0xFFFFFF : palette[random() % palette.size()];
    return image;
}

struct TRoundTrip {
    const char* name;
    int bitCount;
    DWORD compression;
    DWORD masks[3];
    std::uint32_t channelMask; // bits that survive the format
};

TEST(TDib, WritesAndReadsBackEveryUncompressedFormat) {
    const TRoundTrip cases[] = {
        {"1 bpp", 1, kBiRgb, {}, 0xFFFFFF},
        {"4 bpp", 4, kBiRgb, {}, 0xFFFFFF},
        {"8 bpp", 8, kBiRgb, {}, 0xFFFFFF},
        {"16 bpp 555", 16, kBiRgb, {}, 0xF8F8F8},
        {"16 bpp 565", 16, kBiBitfields, {0xF800, 0x07E0, 0x001F}, 0xF8FCF8},
        {"24 bpp", 24, kBiRgb, {}, 0xFFFFFF},
        {"32 bpp", 32, kBiRgb, {}, 0xFFFFFF},
        {"32 bpp swapped masks", 32, kBiBitfields, {0x0000FF, 0x00FF00, 0xFF0000}, 0xFFFFFF},
    };
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {11, 13}, {33, 5}};
    for (const auto& c : cases) {
        for (const auto& [w, h] : sizes) {
            for (const int sign : {1, -1}) {
                SCOPED_TRACE(std::string(c.name) + " " + std::to_string(w) + "x" +
                             std::to_string(h * sign));
                const auto table = DefaultColorTable(c.bitCount);
                std::vector<BYTE> info =
                    InfoHeader(w, h * sign, c.bitCount, c.compression,
                               c.compression == kBiBitfields ? 12 : table.size() * 4);
                for (std::size_t i = 0; i < table.size(); ++i)
                    PutDword(info, 40 + 4 * i, table[i]);
                if (c.compression == kBiBitfields)
                    for (int i = 0; i < 3; ++i)
                        PutDword(info, 40 + 4 * i, c.masks[i]);
                TDibFormat format;
                ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
                const TImage original = RandomImage(w, h, table, 7u * w + h);
                std::vector<BYTE> bits(format.DataBytes());
                ASSERT_EQ(EncodeDib(original, format, 0, h, bits), h);
                TImage decoded;
                ASSERT_TRUE(DecodeDib(format, bits, decoded));
                ASSERT_EQ(decoded.width, w);
                ASSERT_EQ(decoded.height, h);
                EXPECT_TRUE(decoded.defined.empty());
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x)
                        ASSERT_EQ(decoded.At(x, y) & c.channelMask,
                                  original.At(x, y) & c.channelMask)
                            << "at " << x << "," << y;
            }
        }
    }
}

TEST(TDib, WidensShortChannelsToFullRange) {
    // One 5-6-5 pixel of full white and one of the smallest non-zero red.
    std::vector<BYTE> info = InfoHeader(2, 1, 16, kBiBitfields, 12);
    PutDword(info, 40, 0xF800);
    PutDword(info, 44, 0x07E0);
    PutDword(info, 48, 0x001F);
    TDibFormat format;
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    const std::vector<BYTE> bits = {0xFF, 0xFF, 0x00, 0x08};
    TImage image;
    ASSERT_TRUE(DecodeDib(format, bits, image));
    EXPECT_EQ(image.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(image.At(1, 0), 0x080000u);
}

TEST(TDib, ReadsCoreHeadersAndPaletteIndices) {
    // 12-byte header, 1 bpp, RGBTRIPLE table.
    std::vector<BYTE> core(12 + 6, 0);
    PutDword(core, 0, 12);
    PutWord(core, 4, 3);
    PutWord(core, 6, 1);
    PutWord(core, 8, 1);
    PutWord(core, 10, 1);
    core[12] = 0x10;     // blue of entry 0
    core[15 + 2] = 0x20; // red of entry 1
    TDibFormat format;
    ASSERT_TRUE(ParseDibFormat(core, kDibRgbColors, {}, format));
    TImage image;
    const std::vector<BYTE> bits = {0x40, 0, 0, 0}; // 0 1 0
    ASSERT_TRUE(DecodeDib(format, bits, image));
    EXPECT_EQ(image.At(0, 0), 0x000010u);
    EXPECT_EQ(image.At(1, 0), 0x200000u);

    // DIB_PAL_COLORS: WORD indices into the DC's palette; one past its end reads as black.
    std::vector<BYTE> info = InfoHeader(2, 1, 1, kBiRgb, 4);
    PutWord(info, 40, 1);
    PutWord(info, 42, 9);
    const std::vector<std::uint32_t> palette = {0x111111, 0x00FF00};
    ASSERT_TRUE(ParseDibFormat(info, kDibPalColors, palette, format));
    EXPECT_EQ(format.colors, (std::vector<std::uint32_t>{0x00FF00, 0x000000}));
}

TEST(TDib, RefusesHeadersThatDoNotFitTheirData) {
    struct TCase {
        const char* name;
        std::vector<BYTE> info;
        UINT usage;
    };
    auto withSize = [](std::vector<BYTE> v, std::size_t size) {
        v.resize(size);
        return v;
    };
    auto patched = [](std::vector<BYTE> v, std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            v.at(at + i) = static_cast<BYTE>(value >> (8 * i));
        return v;
    };
    const auto good8 = InfoHeader(4, 4, 8, kBiRgb, 1024);
    const TCase cases[] = {
        {"empty", {}, kDibRgbColors},
        {"truncated header", withSize(good8, 30), kDibRgbColors},
        {"truncated colour table", withSize(good8, 40 + 1023), kDibRgbColors},
        {"colour table by clrUsed still too long",
         withSize(InfoHeader(4, 4, 8, kBiRgb, 0, 0, 3), 40 + 11), kDibRgbColors},
        {"unknown header size", patched(good8, 0, 20, 4), kDibRgbColors},
        {"header size past the data", patched(good8, 0, 2000, 4), kDibRgbColors},
        {"two planes", patched(good8, 12, 2, 2), kDibRgbColors},
        {"three bits per pixel", patched(good8, 14, 3, 2), kDibRgbColors},
        {"zero width", patched(good8, 4, 0, 4), kDibRgbColors},
        {"negative width", patched(good8, 4, 0xFFFFFFFF, 4), kDibRgbColors},
        {"zero height", patched(good8, 8, 0, 4), kDibRgbColors},
        {"smallest height", patched(good8, 8, 0x80000000, 4), kDibRgbColors},
        {"too many pixels", patched(patched(good8, 4, 100000, 4), 8, 100000, 4), kDibRgbColors},
        {"RLE8 at 4 bpp", InfoHeader(4, 4, 4, kBiRle8, 64, 10), kDibRgbColors},
        {"RLE8 top-down", InfoHeader(4, -4, 8, kBiRle8, 1024, 10), kDibRgbColors},
        {"RLE without a data size", InfoHeader(4, 4, 8, kBiRle8, 1024, 0), kDibRgbColors},
        {"bit fields at 24 bpp", InfoHeader(4, 4, 24, kBiBitfields, 12), kDibRgbColors},
        {"bit fields without masks", InfoHeader(4, 4, 16, kBiBitfields, 8), kDibRgbColors},
        {"unknown compression", InfoHeader(4, 4, 8, 9, 1024), kDibRgbColors},
        {"unknown usage", good8, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TDibFormat format;
        EXPECT_FALSE(ParseDibFormat(c.info, c.usage, {}, format));
    }

    // Pixel data shorter than the rows it must hold.
    TDibFormat format;
    ASSERT_TRUE(ParseDibFormat(good8, kDibRgbColors, {}, format));
    TImage image;
    EXPECT_FALSE(DecodeDib(format, std::vector<BYTE>(15), image));
    EXPECT_FALSE(DecodeDib(format, std::vector<BYTE>(16), 2, 3, image));
    EXPECT_TRUE(DecodeDib(format, std::vector<BYTE>(8), 2, 2, image));
}

TEST(TDib, DecodesOnlyTheBandOfScanLinesGiven) {
    const auto info = InfoHeader(1, 4, 24, kBiRgb);
    TDibFormat format;
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    // Stored rows 1 and 2 of a bottom-up picture are image rows 2 and 1.
    const std::vector<BYTE> bits = {1, 0, 0, 0, 2, 0, 0, 0};
    TImage image;
    ASSERT_TRUE(DecodeDib(format, bits, 1, 2, image));
    EXPECT_EQ(image.At(0, 2), 1u);
    EXPECT_EQ(image.At(0, 1), 2u);
    EXPECT_FALSE(image.IsDefined(0, 0));
    EXPECT_FALSE(image.IsDefined(0, 3));
}

// An 8 x 3 RLE picture and what each pixel must become ('.' undefined, else a table index).
struct TRleCase {
    const char* name;
    DWORD compression;
    std::vector<BYTE> data;
    const char* expected[3]; // top row first
};

TEST(TDib, DecodesRunLengthData) {
    const TRleCase cases[] = {
        {"RLE8 runs, absolute run with padding, end of line, end of bitmap",
         kBiRle8,
         {3, 1, 0, 3, 2, 3, 4, 0, 0, 0, 8, 5, 0, 1},
         {"........", "55555555", "111234.."}},
        {"RLE8 delta leaves a hole",
         kBiRle8,
         {2, 1, 0, 2, 3, 1, 2, 2, 0, 1},
         {"........", ".....22.", "11......"}},
        {"RLE8 run past the right edge is cut",
         kBiRle8,
         {12, 7, 0, 0, 1, 6, 0, 1},
         {"........", "6.......", "77777777"}},
        {"RLE8 data ending early keeps what came",
         kBiRle8,
         {2, 3, 0, 5, 1},
         {"........", "........", "33......"}},
        {"RLE8 absolute run longer than the data is dropped",
         kBiRle8,
         {1, 2, 0, 9, 1, 1},
         {"........", "........", "2......."}},
        {"RLE4 runs alternate nibbles",
         kBiRle4,
         {5, 0x12, 0, 3, 0x34, 0x50, 0, 1},
         {"........", "........", "12121345"}},
        {"RLE4 delta past the top ends",
         kBiRle4,
         {1, 0x30, 0, 2, 0, 9, 2, 0x11},
         {"........", "........", "3......."}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int bitCount = c.compression == kBiRle8 ? 8 : 4;
        const std::size_t entries = std::size_t{1} << bitCount;
        auto info = InfoHeader(8, 3, bitCount, c.compression, entries * 4,
                               static_cast<DWORD>(c.data.size()));
        for (std::size_t i = 0; i < entries; ++i)
            PutDword(info, 40 + 4 * i, static_cast<std::uint32_t>(i));
        TDibFormat format;
        ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
        TImage image;
        ASSERT_TRUE(DecodeDib(format, c.data, image));
        for (int y = 0; y < 3; ++y) {
            std::string row;
            for (int x = 0; x < 8; ++x)
                row += image.IsDefined(x, y) ? static_cast<char>('0' + image.At(x, y)) : '.';
            EXPECT_EQ(row, c.expected[y]) << "row " << y;
        }
    }
}

std::vector<BYTE> EncodeJpeg(int width, int height) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<BYTE> row(static_cast<std::size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = 200; // red
        row[3 * x + 1] = 40;
        row[3 * x + 2] = 40;
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<BYTE> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
    for (int c = 0; c < 3; ++c) {
        const int d =
            static_cast<int>((a >> (8 * c)) & 0xFF) - static_cast<int>((b >> (8 * c)) & 0xFF);
        if (d > tolerance || d < -tolerance)
            return false;
    }
    return true;
}

TEST(TDib, DecodesEmbeddedJpegAndPngAndRefusesDamagedStreams) {
    const auto jpeg = EncodeJpeg(9, 5);
    auto info = InfoHeader(9, 5, 0, kBiJpeg, 0, static_cast<DWORD>(jpeg.size()));
    TDibFormat format;
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    TImage image;
    ASSERT_TRUE(DecodeDib(format, jpeg, image));
    EXPECT_TRUE(Near(image.At(4, 2), 0xC82828, 8));

    // Cut short, or with a broken marker: refused, never read past the data.
    auto cut = jpeg;
    cut.resize(jpeg.size() / 3);
    info = InfoHeader(9, 5, 0, kBiJpeg, 0, static_cast<DWORD>(cut.size()));
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    image = TImage{};
    const bool decoded = DecodeDib(format, cut, image);
    if (decoded) { // libjpeg pads a truncated scan; the picture is still whole
        EXPECT_EQ(image.width, 9);
    }
    auto broken = jpeg;
    broken[1] = 0x00; // no start-of-image marker
    info = InfoHeader(9, 5, 0, kBiJpeg, 0, static_cast<DWORD>(broken.size()));
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    EXPECT_FALSE(DecodeDib(format, broken, image));
    // A header claiming more data than there is.
    info = InfoHeader(9, 5, 0, kBiJpeg, 0, static_cast<DWORD>(jpeg.size() + 1));
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    EXPECT_FALSE(DecodeDib(format, jpeg, image));

    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = 3;
    png.height = 2;
    png.format = PNG_FORMAT_BGRA;
    const std::uint32_t pixels[6] = {0xFF0000FF, 0xFF00FF00, 0xFFFF0000,
                                     0xFF123456, 0xFF000000, 0xFFFFFFFF};
    png_alloc_size_t size = 0;
    ASSERT_TRUE(png_image_write_to_memory(&png, nullptr, &size, 0, pixels, 0, nullptr));
    std::vector<BYTE> encoded(size);
    ASSERT_TRUE(png_image_write_to_memory(&png, encoded.data(), &size, 0, pixels, 0, nullptr));
    info = InfoHeader(3, 2, 0, kBiPng, 0, static_cast<DWORD>(size));
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    ASSERT_TRUE(DecodeDib(format, encoded, image));
    EXPECT_EQ(image.At(0, 1) & 0xFFFFFF, 0x123456u);
    EXPECT_EQ(image.At(2, 0) & 0xFFFFFF, 0xFF0000u);
    encoded.resize(encoded.size() / 2);
    info = InfoHeader(3, 2, 0, kBiPng, 0, static_cast<DWORD>(encoded.size()));
    ASSERT_TRUE(ParseDibFormat(info, kDibRgbColors, {}, format));
    EXPECT_FALSE(DecodeDib(format, encoded, image));
}

} // namespace
} // namespace gdi
