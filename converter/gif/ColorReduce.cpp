#include "converter/gif/ColorReduce.h"

#include "converter/gif/GifError.h"

#include <cstring>
#include <memory>

namespace {

std::int64_t Stride24(std::int32_t width) {
    return TDibImage::StrideFor(width, 24);
}

std::int64_t Stride8(std::int32_t width) {
    return TDibImage::StrideFor(width, 8);
}

// Walks the slots from the colour's hash until it meets the colour or an empty slot.
int ProbeSlot(const ColorHistogram& h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    int slot = ColorHash(r, g, b);
    for (;;) {
        const std::uint16_t entry = h.Slots[static_cast<std::size_t>(slot)];
        if (entry == kEmptySlot)
            return slot;
        const HistogramEntry& e = h.Entries[entry];
        if (e.Red == r && e.Green == g && e.Blue == b)
            return slot;
        slot = (slot + 1) % kHistogramSlots;
    }
}

// Drops one bit of precision from one channel: green while it is finer than red, then red
// while finer than blue, else blue. From equal masks the order is blue, red, green, ...
void CoarsenMasks(ColorHistogram& h) {
    if (h.GreenMask > h.RedMask)
        h.GreenMask = static_cast<std::uint8_t>(h.GreenMask << 1);
    else if (h.RedMask > h.BlueMask)
        h.RedMask = static_cast<std::uint8_t>(h.RedMask << 1);
    else
        h.BlueMask = static_cast<std::uint8_t>(h.BlueMask << 1);
}

void PutLe16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v) {
    PutLe16(p, v & 0xFFFF);
    PutLe16(p + 2, v >> 16);
}

} // namespace

void ColorHistogram::Clear() {
    ColorCount = 0;
    Slots.fill(kEmptySlot);
}

int ColorHash(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    // At most 510^3 = 132,651,000: fits a 32-bit signed product.
    const std::int32_t product = (r + g) * (g + b) * (b + r);
    return product % kHistogramSlots;
}

bool AddPixelsToHistogram(ColorHistogram& histogram, std::int32_t width, std::int32_t height,
                          const std::uint8_t* pixels) {
    const std::int64_t stride = Stride24(width);
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* p = pixels + row * stride;
        for (std::int32_t x = 0; x < width; ++x, p += 3) {
            const auto b = static_cast<std::uint8_t>(p[0] & histogram.BlueMask);
            const auto g = static_cast<std::uint8_t>(p[1] & histogram.GreenMask);
            const auto r = static_cast<std::uint8_t>(p[2] & histogram.RedMask);
            const int slot = ProbeSlot(histogram, r, g, b);
            std::uint16_t& entry = histogram.Slots[static_cast<std::size_t>(slot)];
            if (entry != kEmptySlot) {
                ++histogram.Entries[entry].Frequency;
                continue;
            }
            if (histogram.ColorCount == kHistogramEntries)
                return false;
            HistogramEntry& e = histogram.Entries[static_cast<std::size_t>(histogram.ColorCount)];
            e = HistogramEntry{b, g, r, 1, 0};
            entry = static_cast<std::uint16_t>(histogram.ColorCount);
            ++histogram.ColorCount;
        }
    }
    return true;
}

void BuildFrequencyPalette(ColorHistogram& histogram, std::array<TRgbQuad, 256>& palette,
                           int colorsWanted) {
    const int count = histogram.ColorCount;
    int i = 0;
    for (; i < colorsWanted && i < 256 && i < count; ++i) {
        // Only a strictly greater count wins, so the colour met first wins a tie.
        int best = 0;
        for (int k = 1; k < count; ++k) {
            if (histogram.Entries[k].Frequency > histogram.Entries[best].Frequency)
                best = k;
        }
        HistogramEntry& e = histogram.Entries[best];
        e.Nearest = static_cast<std::uint8_t>(i);
        e.Frequency = 0;
        palette[i] = TRgbQuad{e.Blue, e.Green, e.Red, 0};
    }
    for (; i < 256; ++i)
        palette[i] = TRgbQuad{128, 128, 128, 0};

    for (int k = 0; k < count; ++k) {
        HistogramEntry& e = histogram.Entries[k];
        if (e.Frequency == 0)
            continue;
        std::int32_t bestDistance = 3 * 256 * 256;
        int bestIndex = 0;
        for (int j = 0; j < 256; ++j) {
            const int dr = e.Red - palette[j].Red;
            const int dg = e.Green - palette[j].Green;
            const int db = e.Blue - palette[j].Blue;
            const std::int32_t d = dr * dr + dg * dg + db * db;
            if (d < bestDistance) {
                bestDistance = d;
                bestIndex = j;
            }
        }
        e.Nearest = static_cast<std::uint8_t>(bestIndex);
    }
}

void MapPixelsToPalette(const ColorHistogram& histogram, std::int32_t width, std::int32_t height,
                        const std::uint8_t* src, std::uint8_t* dst) {
    const std::int64_t inStride = Stride24(width);
    const std::int64_t outStride = Stride8(width);
    for (std::int32_t row = 0; row < height; ++row) {
        const std::uint8_t* p = src + row * inStride;
        std::uint8_t* out = dst + row * outStride;
        for (std::int32_t x = 0; x < width; ++x, p += 3) {
            const auto b = static_cast<std::uint8_t>(p[0] & histogram.BlueMask);
            const auto g = static_cast<std::uint8_t>(p[1] & histogram.GreenMask);
            const auto r = static_cast<std::uint8_t>(p[2] & histogram.RedMask);
            const std::uint16_t entry =
                histogram.Slots[static_cast<std::size_t>(ProbeSlot(histogram, r, g, b))];
            // Every colour was counted, so the entry exists; the guard keeps a broken call safe.
            out[x] = entry == kEmptySlot ? 0 : histogram.Entries[entry].Nearest;
        }
    }
}

void HistogramReduce(std::int32_t width, std::int32_t height, std::array<TRgbQuad, 256>& palette,
                     const std::uint8_t* src, std::uint8_t* dst, int colorsWanted,
                     std::uint8_t redMask, std::uint8_t greenMask, std::uint8_t blueMask) {
    auto histogram = std::make_unique<ColorHistogram>();
    histogram->RedMask = redMask;
    histogram->GreenMask = greenMask;
    histogram->BlueMask = blueMask;
    histogram->Clear();
    while (!AddPixelsToHistogram(*histogram, width, height, src)) {
        CoarsenMasks(*histogram);
        histogram->Clear();
    }
    BuildFrequencyPalette(*histogram, palette, colorsWanted);
    MapPixelsToPalette(*histogram, width, height, src, dst);
}

std::vector<std::uint8_t> BitmapToIndexedStream(const TDibImage& bitmap) {
    if (bitmap.IsEmpty() ||
        bitmap.Bits.size() < static_cast<std::size_t>(bitmap.Stride() * bitmap.Height))
        throw EInvalidGraphic(GifMessages::kInvalidBitmap);

    // The 24-bit copy is reduced in place; the 8-bit rows it leaves at its start are the result.
    TDibImage pixels = ConvertTo24Bit(bitmap);
    std::array<TRgbQuad, 256> palette{};
    HistogramReduce(pixels.Width, pixels.Height, palette, pixels.Bits.data(), pixels.Bits.data(),
                    256, 0xFF, 0xFF, 0xFF);

    const auto imageSize = static_cast<std::uint32_t>(Stride8(pixels.Width) * pixels.Height);
    std::vector<std::uint8_t> stream(kIndexedPixelOffset + imageSize, 0);
    std::uint8_t* h = stream.data();
    // File header.
    h[0] = 'B';
    h[1] = 'M';
    PutLe32(h + 2, kIndexedPixelOffset + imageSize);
    PutLe32(h + 10, kIndexedPixelOffset);
    // Info header.
    PutLe32(h + 14, 40);
    PutLe32(h + 18, static_cast<std::uint32_t>(pixels.Width));
    PutLe32(h + 22, static_cast<std::uint32_t>(pixels.Height));
    PutLe16(h + 26, 1);
    PutLe16(h + 28, 8);
    PutLe32(h + 34, imageSize);
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* q = h + 54 + 4 * i;
        q[0] = palette[i].Blue;
        q[1] = palette[i].Green;
        q[2] = palette[i].Red;
        q[3] = 0;
    }
    std::memcpy(h + kIndexedPixelOffset, pixels.Bits.data(), imageSize);
    return stream;
}
