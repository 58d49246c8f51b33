#pragma once

// TDibImage is the codecs' own picture: a device-independent bitmap laid out exactly as the
// pixel part of a BMP file. Rows are stored bottom-up (memory row 0 is the bottom image row),
// each padded to a multiple of 4 bytes. Pixels are 1, 4 or 8 bits (palette indices, most
// significant bits first) or 24 / 32 bits (blue, green, red[, unused]). The players convert
// between this and the GDI bitmaps they render into; the codecs never touch GDI.

#include <cstddef>
#include <cstdint>
#include <vector>

// One palette entry in BMP order.
struct TRgbQuad {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Reserved = 0;
    bool operator==(const TRgbQuad&) const = default;
};

struct TDibImage {
    std::int32_t Width = 0;          // pixels, >= 0
    std::int32_t Height = 0;         // rows, >= 0; rows are bottom-up
    std::uint16_t BitsPerPixel = 24; // 1, 4, 8, 24 or 32
    std::vector<TRgbQuad> Palette;   // indexed pictures only; at most 256 entries
    std::vector<std::uint8_t> Bits;  // Stride() * Height bytes

    // Bytes per row for a width and depth: the row width in bits rounded up to 32, in bytes.
    static std::int64_t StrideFor(std::int64_t width, int bitsPerPixel) {
        return ((width * bitsPerPixel + 31) / 32) * 4;
    }
    std::int64_t Stride() const { return StrideFor(Width, BitsPerPixel); }
    bool IsEmpty() const { return Width <= 0 || Height <= 0; }

    // A zero-filled picture; indexed depths get a palette of 2^bits black entries.
    static TDibImage Create(std::int32_t width, std::int32_t height, int bitsPerPixel);

    // Memory row `row` (0 = bottom).
    std::uint8_t* Row(std::int32_t row) { return Bits.data() + row * Stride(); }
    const std::uint8_t* Row(std::int32_t row) const { return Bits.data() + row * Stride(); }

    // Palette index of the pixel at (x, y), y counted from the top; indexed pictures only.
    int IndexAt(std::int32_t x, std::int32_t y) const;
    // Colour of the pixel at (x, y), y from the top, as 0x00RRGGBB, for every depth.
    std::uint32_t ColorAt(std::int32_t x, std::int32_t y) const;
};

// The picture as a 24-bit copy (indexed pictures are expanded through their palette).
TDibImage ConvertTo24Bit(const TDibImage& picture);

// The picture as a BMP file image: 14-byte file header, 40-byte info header, the palette of an
// indexed picture, then the rows.
std::vector<std::uint8_t> WriteBmpImage(const TDibImage& picture);
