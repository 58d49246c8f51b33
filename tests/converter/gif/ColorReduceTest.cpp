#include "converter/gif/ColorReduce.h"

#include "converter/gif/GifError.h"
#include "tests/converter/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>

namespace {

struct TIndexed {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::array<TRgbQuad, 256> Palette{};
    std::vector<std::uint8_t> Stream;

    std::uint32_t Le32(std::size_t at) const {
        std::uint32_t v = 0;
        std::memcpy(&v, &Stream[at], 4);
        return v;
    }
    // Index of (x, y), y from the top.
    int IndexAt(std::int32_t x, std::int32_t y) const {
        const std::int64_t stride = TDibImage::StrideFor(Width, 8);
        return Stream[kIndexedPixelOffset + (Height - 1 - y) * stride + x];
    }
    std::uint32_t ColorAt(std::int32_t x, std::int32_t y) const {
        const TRgbQuad& q = Palette[IndexAt(x, y)];
        return (std::uint32_t{q.Red} << 16) | (std::uint32_t{q.Green} << 8) | q.Blue;
    }
};

TIndexed Reduce(const TDibImage& picture) {
    TIndexed out;
    out.Stream = BitmapToIndexedStream(picture);
    out.Width = picture.Width;
    out.Height = picture.Height;
    for (int i = 0; i < 256; ++i)
        std::memcpy(&out.Palette[i], &out.Stream[54 + 4 * i], 4);
    return out;
}

std::uint32_t Rgb(const TRgbQuad& q) {
    return (std::uint32_t{q.Red} << 16) | (std::uint32_t{q.Green} << 8) | q.Blue;
}

TEST(ColorReduce, HandOverHeaderHasTheFixedLayout) {
    const TIndexed r = Reduce(giftest::RandomTrueColor(5, 3, 7, 1));
    EXPECT_EQ(r.Stream[0], 'B');
    EXPECT_EQ(r.Stream[1], 'M');
    EXPECT_EQ(r.Le32(10), 1078u);
    EXPECT_EQ(r.Le32(14), 40u);
    EXPECT_EQ(r.Le32(18), 5u);
    EXPECT_EQ(r.Le32(22), 3u);
    EXPECT_EQ(r.Stream[28], 8);
    EXPECT_EQ(r.Le32(34), 8u * 3u);
    EXPECT_EQ(r.Stream.size(), 1078u + 24u);
}

TEST(ColorReduce, OneColourFillsTheRestWithGrey) {
    TDibImage picture = TDibImage::Create(3, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            giftest::SetRgb(picture, x, y, 0x123456);
    const TIndexed r = Reduce(picture);
    EXPECT_EQ(Rgb(r.Palette[0]), 0x123456u);
    for (int i = 1; i < 256; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(r.Palette[i], (TRgbQuad{128, 128, 128, 0}));
    }
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(r.IndexAt(x, y), 0);
}

TEST(ColorReduce, PaletteListsColoursByCountThenFirstSeenFromTheBottomRow) {
    // Top row: B C C; bottom row (scanned first): A B C. Counts: A 1, B 2, C 3.
    // Ties: D and E occur once each in the top row only; E is further left, so first.
    TDibImage picture = TDibImage::Create(4, 2, 24);
    const std::uint32_t a = 0xAA0000, b = 0x00BB00, c = 0x0000CC, d = 0x111111, e = 0x222222;
    giftest::SetRgb(picture, 0, 1, a);
    giftest::SetRgb(picture, 1, 1, b);
    giftest::SetRgb(picture, 2, 1, c);
    giftest::SetRgb(picture, 3, 1, c);
    giftest::SetRgb(picture, 0, 0, e);
    giftest::SetRgb(picture, 1, 0, b);
    giftest::SetRgb(picture, 2, 0, c);
    giftest::SetRgb(picture, 3, 0, d);
    const TIndexed r = Reduce(picture);
    EXPECT_EQ(Rgb(r.Palette[0]), c);
    EXPECT_EQ(Rgb(r.Palette[1]), b);
    EXPECT_EQ(Rgb(r.Palette[2]), a);
    EXPECT_EQ(Rgb(r.Palette[3]), e);
    EXPECT_EQ(Rgb(r.Palette[4]), d);
    EXPECT_EQ(r.Palette[5], (TRgbQuad{128, 128, 128, 0}));
}

TEST(ColorReduce, KeepsEveryColourExactlyUpTo256AcrossRowPaddings) {
    for (std::int32_t width : {1, 2, 3, 5, 7}) {
        for (int bits : {24, 32}) {
            SCOPED_TRACE(testing::Message() << "width " << width << " bits " << bits);
            const TDibImage picture = giftest::RandomTrueColor(width, 4, 6, width, bits);
            const TIndexed r = Reduce(picture);
            for (std::int32_t y = 0; y < 4; ++y)
                for (std::int32_t x = 0; x < width; ++x)
                    ASSERT_EQ(r.ColorAt(x, y), picture.ColorAt(x, y)) << x << "," << y;
        }
    }
    const TDibImage full = giftest::RandomTrueColor(64, 64, 256, 9);
    const TIndexed r = Reduce(full);
    for (std::int32_t y = 0; y < 64; ++y)
        for (std::int32_t x = 0; x < 64; ++x)
            ASSERT_EQ(r.ColorAt(x, y), full.ColorAt(x, y));
}

// A row of `count` distinct colours: blue = i mod 256 (odd and even), green = i div 256.
TDibImage DistinctColourRow(int count) {
    TDibImage picture = TDibImage::Create(count, 1, 24);
    for (int i = 0; i < count; ++i)
        giftest::SetRgb(picture, i, 0, static_cast<std::uint32_t>(((i >> 8) << 8) | (i & 0xFF)));
    return picture;
}

TEST(ColorReduce, CountsUpTo2049ColoursAndStopsAtThe2050th) {
    auto histogram = std::make_unique<ColorHistogram>();
    histogram->Clear();
    const TDibImage fits = DistinctColourRow(2049);
    EXPECT_TRUE(AddPixelsToHistogram(*histogram, fits.Width, 1, fits.Bits.data()));
    EXPECT_EQ(histogram->ColorCount, 2049);

    histogram->Clear();
    const TDibImage over = DistinctColourRow(2050);
    EXPECT_FALSE(AddPixelsToHistogram(*histogram, over.Width, 1, over.Bits.data()));
}

TEST(ColorReduce, Colours2049KeepFullPrecision2050DropTheLowBlueBit) {
    // All counts are 1, so the palette is the first 256 colours met.
    const TIndexed fits = Reduce(DistinctColourRow(2049));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Rgb(fits.Palette[i]), static_cast<std::uint32_t>(i));

    const TIndexed over = Reduce(DistinctColourRow(2050));
    for (int i = 0; i < 256; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(over.Palette[i].Blue % 2, 0);
        EXPECT_EQ(over.Palette[i].Red, 0);
    }
    // Colour pairs merged: 0/1 -> 0 (count 2), so the first entries are the even blues.
    EXPECT_EQ(over.Palette[0].Blue, 0);
    EXPECT_EQ(over.Palette[1].Blue, 2);
}

TEST(ColorReduce, CoarsensBlueThenRedThenGreen) {
    // Colours that differ in the low bit of every channel: each coarsening step halves them.
    // 4096 colours need one step (blue), 8192 two (blue, red), 16384 three (blue, red, green).
    struct Case {
        int Count;
        bool BlueEven, RedEven, GreenEven;
    };
    for (const Case& c : {Case{4096, true, false, false}, Case{8192, true, true, false},
                          Case{16384, true, true, true}}) {
        SCOPED_TRACE(c.Count);
        TDibImage picture = TDibImage::Create(c.Count, 1, 24);
        for (int i = 0; i < c.Count; ++i) {
            const int b = (i & 1) + ((i >> 10) & 15) * 16;
            const int r = ((i >> 1) & 1) + ((i >> 3) & 15) * 16;
            const int g = ((i >> 2) & 1) + ((i >> 7) & 7) * 16;
            giftest::SetRgb(picture, i, 0, static_cast<std::uint32_t>((r << 16) | (g << 8) | b));
        }
        const TIndexed out = Reduce(picture);
        bool blueEven = true, redEven = true, greenEven = true;
        for (int i = 0; i < 256; ++i) {
            blueEven = blueEven && out.Palette[i].Blue % 2 == 0;
            redEven = redEven && out.Palette[i].Red % 2 == 0;
            greenEven = greenEven && out.Palette[i].Green % 2 == 0;
        }
        EXPECT_EQ(blueEven, c.BlueEven);
        EXPECT_EQ(redEven, c.RedEven);
        EXPECT_EQ(greenEven, c.GreenEven);
    }
}

TEST(ColorReduce, ColoursBeyond256MapToTheNearestPaletteColour) {
    // 256 colours twice each, then 44 colours once: the first 256 form the palette in order.
    std::mt19937 rng(77);
    std::vector<std::uint32_t> colors;
    std::map<std::uint32_t, bool> seen;
    while (colors.size() < 300) {
        const std::uint32_t c = rng() & 0xFFFFFF;
        if (!seen[c]) {
            seen[c] = true;
            colors.push_back(c);
        }
    }
    TDibImage picture = TDibImage::Create(256 * 2 + 44, 1, 24);
    int x = 0;
    for (int i = 0; i < 256; ++i) {
        giftest::SetRgb(picture, x++, 0, colors[i]);
        giftest::SetRgb(picture, x++, 0, colors[i]);
    }
    for (int i = 256; i < 300; ++i)
        giftest::SetRgb(picture, x++, 0, colors[i]);
    const TIndexed r = Reduce(picture);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Rgb(r.Palette[i]), colors[i]);
    for (int i = 256; i < 300; ++i) {
        const int cr = colors[i] >> 16, cg = (colors[i] >> 8) & 0xFF, cb = colors[i] & 0xFF;
        int best = 0;
        long bestDistance = 1L << 40;
        for (int j = 0; j < 256; ++j) {
            const long dr = cr - r.Palette[j].Red, dg = cg - r.Palette[j].Green,
                       db = cb - r.Palette[j].Blue;
            if (dr * dr + dg * dg + db * db < bestDistance) {
                bestDistance = dr * dr + dg * dg + db * db;
                best = j;
            }
        }
        ASSERT_EQ(r.IndexAt(512 + i - 256, 0), best) << "colour " << i;
    }
}

TEST(ColorReduce, NearestColourTiesGoToTheLowestIndex) {
    // Palette: 10 (count 3), 30 (count 2) in grey; 20 once lies exactly between them.
    TDibImage picture = TDibImage::Create(6, 1, 24);
    const std::uint32_t grey10 = 0x0A0A0A, grey30 = 0x1E1E1E, grey20 = 0x141414;
    for (int x = 0; x < 3; ++x)
        giftest::SetRgb(picture, x, 0, grey10);
    giftest::SetRgb(picture, 3, 0, grey30);
    giftest::SetRgb(picture, 4, 0, grey30);
    giftest::SetRgb(picture, 5, 0, grey20);
    // 3 colours only: all are in the palette. Force the mapping path through the parts.
    auto histogram = std::make_unique<ColorHistogram>();
    histogram->Clear();
    ASSERT_TRUE(AddPixelsToHistogram(*histogram, 6, 1, picture.Bits.data()));
    std::array<TRgbQuad, 256> palette{};
    BuildFrequencyPalette(*histogram, palette, 2);
    EXPECT_EQ(Rgb(palette[0]), grey10);
    EXPECT_EQ(Rgb(palette[1]), grey30);
    std::vector<std::uint8_t> out(8, 0xEE);
    MapPixelsToPalette(*histogram, 6, 1, picture.Bits.data(), out.data());
    EXPECT_EQ(out[5], 0); // equally far from index 0 and 1
}

TEST(ColorReduce, EmptyBitmapIsNotValid) {
    try {
        BitmapToIndexedStream(TDibImage{});
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Bitmap image is not valid");
    }
}

} // namespace
