#pragma once

// Pictures for the GIF tests, drawn by a seeded generator so every run sees the same pixels.

#include "converter/gif/DibImage.h"

#include <cstdint>
#include <random>
#include <vector>

namespace giftest {

inline void SetRgb(TDibImage& picture, std::int32_t x, std::int32_t y, std::uint32_t rgb) {
    std::uint8_t* p = picture.Row(picture.Height - 1 - y) + x * (picture.BitsPerPixel / 8);
    p[0] = static_cast<std::uint8_t>(rgb);
    p[1] = static_cast<std::uint8_t>(rgb >> 8);
    p[2] = static_cast<std::uint8_t>(rgb >> 16);
}

inline void SetIndex(TDibImage& picture, std::int32_t x, std::int32_t y, int index) {
    std::uint8_t* row = picture.Row(picture.Height - 1 - y);
    switch (picture.BitsPerPixel) {
    case 1:
        row[x / 8] = static_cast<std::uint8_t>((row[x / 8] & ~(0x80 >> (x % 8))) |
                                               ((index & 1) << (7 - x % 8)));
        break;
    case 4:
        row[x / 2] = x % 2 == 0 ? static_cast<std::uint8_t>((row[x / 2] & 0x0F) | (index << 4))
                                : static_cast<std::uint8_t>((row[x / 2] & 0xF0) | index);
        break;
    default:
        row[x] = static_cast<std::uint8_t>(index);
        break;
    }
}

// A true-colour picture whose pixels are drawn from `colors` distinct random colours.
inline TDibImage RandomTrueColor(std::int32_t width, std::int32_t height, int colors, unsigned seed,
                                 int bitsPerPixel = 24) {
    std::mt19937 rng(seed);
    std::vector<std::uint32_t> palette;
    while (static_cast<int>(palette.size()) < colors) {
        const std::uint32_t c = rng() & 0xFFFFFF;
        bool seen = false;
        for (std::uint32_t p : palette)
            seen = seen || p == c;
        if (!seen)
            palette.push_back(c);
    }
    TDibImage picture = TDibImage::Create(width, height, bitsPerPixel);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x)
            SetRgb(picture, x, y, palette[rng() % palette.size()]);
    }
    return picture;
}

// An indexed picture with a random palette and random indices.
inline TDibImage RandomIndexed(std::int32_t width, std::int32_t height, int bitsPerPixel,
                               unsigned seed) {
    std::mt19937 rng(seed);
    TDibImage picture = TDibImage::Create(width, height, bitsPerPixel);
    for (TRgbQuad& q : picture.Palette)
        q = TRgbQuad{static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
                     static_cast<std::uint8_t>(rng()), 0};
    const int colors = 1 << bitsPerPixel;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x)
            SetIndex(picture, x, y, static_cast<int>(rng() % colors));
    }
    return picture;
}

} // namespace giftest
