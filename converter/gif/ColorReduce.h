#pragma once

// Colour reduction by popularity: the 256 most frequent colours of a true-colour picture
// become its palette and every other colour takes its nearest palette colour. There is no
// dithering. Colours are counted in a small fixed histogram (2049 entries reached through a
// 5191-slot open-addressing hash); when a picture holds more distinct colours than that, one
// channel at a time loses its lowest remaining bit and the picture is counted again, until
// the masked colours fit.
//
// The result is an indexed picture in BMP file layout (see BitmapToIndexedStream), which is
// what the GIF encoder reads.

#include "converter/gif/DibImage.h"

#include <array>
#include <cstdint>
#include <vector>

inline constexpr int kHistogramEntries = 2049;
inline constexpr int kHistogramSlots = 5191;
inline constexpr std::uint16_t kEmptySlot = 0xFFFF;
// Offset of the pixel rows in the indexed hand-over image: file header, info header, palette.
inline constexpr std::uint32_t kIndexedPixelOffset = 14 + 40 + 256 * 4;

struct HistogramEntry {
    std::uint8_t Blue = 0; // masked channel values
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::int32_t Frequency = 0; // pixel count; 0 once the colour is in the palette
    std::uint8_t Nearest = 0;   // palette index the colour maps to
};

struct ColorHistogram {
    std::uint8_t RedMask = 0xFF;
    std::uint8_t GreenMask = 0xFF;
    std::uint8_t BlueMask = 0xFF;
    std::int32_t ColorCount = 0; // entries in use
    std::array<HistogramEntry, kHistogramEntries> Entries{};
    std::array<std::uint16_t, kHistogramSlots> Slots{}; // entry numbers; kEmptySlot when free

    // Empties the counts and the hash, keeping the masks.
    void Clear();
};

// Slot of a masked colour: ((r + g) * (g + b) * (b + r)) mod 5191.
int ColorHash(std::uint8_t r, std::uint8_t g, std::uint8_t b);

// Counts the pixels of a bottom-up 24-bit buffer of width x height. False when a colour
// beyond the 2049th distinct one is met; the histogram is then incomplete.
bool AddPixelsToHistogram(ColorHistogram& histogram, std::int32_t width, std::int32_t height,
                          const std::uint8_t* pixels);

// Fills the whole 256-entry palette from the histogram (most frequent first, grey filler
// after the last colour) and gives every counted colour its palette index.
void BuildFrequencyPalette(ColorHistogram& histogram, std::array<TRgbQuad, 256>& palette,
                           int colorsWanted);

// Writes the palette index of every pixel as one byte, rows padded to 4 bytes. `dst` may be
// `src`: an output row never overtakes the input still to be read.
void MapPixelsToPalette(const ColorHistogram& histogram, std::int32_t width, std::int32_t height,
                        const std::uint8_t* src, std::uint8_t* dst);

// Reduces a bottom-up 24-bit buffer to 8-bit indices (in place when dst == src) and fills
// the palette. The masks are the starting channel precisions.
void HistogramReduce(std::int32_t width, std::int32_t height, std::array<TRgbQuad, 256>& palette,
                     const std::uint8_t* src, std::uint8_t* dst, int colorsWanted,
                     std::uint8_t redMask, std::uint8_t greenMask, std::uint8_t blueMask);

// Reduces a picture to 256 colours and returns it as a BMP file image: 8 bits per pixel,
// 256 palette entries, pixel rows at kIndexedPixelOffset, bottom-up. Raises EInvalidGraphic
// ("Bitmap image is not valid") for an empty picture.
std::vector<std::uint8_t> BitmapToIndexedStream(const TDibImage& bitmap);
