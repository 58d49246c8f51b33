// Ternary raster operations and the stretch sampler.
#include "platform/gdi/Rop3_p.h"
#include "platform/gdi/StretchBlt_p.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gdi {
namespace {

TEST(TRop3, EveryOperationFollowsItsTruthTable) {
    // With P, S and D set to the canonical columns, the result is the table byte itself in
    // every byte of the word; this covers the shortcuts as well as the general path.
    for (unsigned index = 0; index < 256; ++index) {
        const std::uint32_t result =
            ApplyRop3(static_cast<BYTE>(index), 0xF0F0F0F0u, 0xCCCCCCCCu, 0xAAAAAAAAu);
        EXPECT_EQ(result, index * 0x01010101u) << "operation " << index;
    }
}

TEST(TRop3, TellsWhichOperandsMatter) {
    struct TCase {
        const char* name;
        DWORD rop;
        bool pattern, source, destination;
    };
    const TCase cases[] = {
        {"SRCCOPY", 0x00CC0020, false, true, false},
        {"PATCOPY", 0x00F00021, true, false, false},
        {"DSTINVERT", 0x00550009, false, false, true},
        {"BLACKNESS", 0x00000042, false, false, false},
        {"MERGECOPY", 0x00C000CA, true, true, false},
        {"PSDPxax", 0x00B8074A, true, true, true},
        {"SRCAND", 0x008800C6, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Rop3UsesPattern(c.rop), c.pattern);
        EXPECT_EQ(Rop3UsesSource(c.rop), c.source);
        EXPECT_EQ(Rop3UsesDestination(c.rop), c.destination);
    }
}

std::string Samples(int source, int destination, bool rows) {
    const TAxisMap map(source, destination, rows);
    std::string out;
    for (int i = 0; i < destination; ++i)
        out += (i ? " " : "") + std::to_string(map.At(i));
    return out;
}

// The sample positions GDI uses, read off pictures it stretched.
TEST(TAxisMap, SamplesTheSourcePixelsGdiSamples) {
    EXPECT_EQ(Samples(8, 4, false), "1 3 5 7"); // 2:1 across: second of each pair
    EXPECT_EQ(Samples(8, 4, true), "0 2 4 6");  // 2:1 down: counted from the bottom
    EXPECT_EQ(Samples(9, 3, false), "2 5 8");   // 3:1 across: last of each three
    EXPECT_EQ(Samples(9, 3, true), "0 3 6");
    EXPECT_EQ(Samples(4, 6, false), "0 0 1 2 2 3"); // 2:3 stretch
    EXPECT_EQ(Samples(5, 5, false), "0 1 2 3 4");
    EXPECT_EQ(Samples(5, 5, true), "0 1 2 3 4");
    EXPECT_EQ(Samples(1, 3, false), "0 0 0");
    // An exact tie of a long stretch rounds down: 32 pixels over 190.
    EXPECT_EQ(TAxisMap(32, 190, false).At(47), 7);
}

TEST(TAxisMap, ShrinkBoxesCoverEverySourcePixelOnce) {
    for (const bool rows : {false, true}) {
        for (const auto& [source, destination] : std::vector<std::pair<int, int>>{
                 {8, 4}, {9, 3}, {72, 60}, {96, 32}, {7, 5}, {100, 1}}) {
            SCOPED_TRACE(std::to_string(source) + " to " + std::to_string(destination));
            const TAxisMap map(source, destination, rows);
            std::vector<int> hits(static_cast<std::size_t>(source), 0);
            for (int i = 0; i < destination; ++i) {
                ASSERT_LT(map.First(i), map.Last(i));
                EXPECT_GE(map.At(i), map.First(i));
                EXPECT_LT(map.At(i), map.Last(i));
                for (int s = map.First(i); s < map.Last(i); ++s)
                    ++hits[static_cast<std::size_t>(s)];
            }
            for (int s = 0; s < source; ++s)
                EXPECT_LE(hits[static_cast<std::size_t>(s)], 1) << "pixel " << s;
        }
    }
}

TImage Column(std::initializer_list<std::uint32_t> values) {
    TImage image;
    image.Resize(1, static_cast<int>(values.size()));
    std::copy(values.begin(), values.end(), image.pixels.begin());
    return image;
}

// A one-pixel-wide column of `from` rows stretched over `to` rows, all of it wanted.
TStretch ColumnStretch(int from, int to, int mode) {
    TStretch stretch;
    stretch.srcWidth = 1;
    stretch.srcHeight = from;
    stretch.dstWidth = 1;
    stretch.dstHeight = to;
    stretch.visible = RECT{0, 0, 1, to};
    stretch.mode = mode;
    return stretch;
}

TEST(TStretchImage, CombinesDroppedRowsByMode) {
    // Four rows shrunk to two: rows 0-1 and 2-3 fold together.
    const TImage source = Column({0xFFFFFF, 0x000000, 0xFFFFFF, 0xFF0000});
    TStretch stretch = ColumnStretch(4, 2, kStretchAndScans);
    TImage out = StretchImage(source, stretch);
    EXPECT_EQ(out.At(0, 0), 0x000000u);
    EXPECT_EQ(out.At(0, 1), 0xFF0000u);
    stretch.mode = kStretchOrScans;
    out = StretchImage(source, stretch);
    EXPECT_EQ(out.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(out.At(0, 1), 0xFFFFFFu);
    stretch.mode = kStretchDeleteScans;
    out = StretchImage(source, stretch);
    EXPECT_EQ(out.At(0, 0), 0xFFFFFFu);
    EXPECT_EQ(out.At(0, 1), 0xFFFFFFu);
    // Mirrored, and a source rectangle reaching past the picture leaves pixels undefined.
    stretch.mirrorY = true;
    stretch.srcY = 2;
    out = StretchImage(source, stretch);
    EXPECT_FALSE(out.IsDefined(0, 0));
    EXPECT_TRUE(out.IsDefined(0, 1));
}

// HALFTONE mixes the two source pixels around d * source / destination, enlarging as well as
// shrinking: two rows stretched over four give the first, a half-way mix, the second and the
// second again (the last position has no pixel after it).
TEST(TStretchImage, HalftoneMixesNeighboursEitherWay) {
    const TImage source = Column({0x000000, 0xFFFFFF});
    TImage out = StretchImage(source, ColumnStretch(2, 4, kStretchHalftone));
    EXPECT_EQ(out.At(0, 0), 0x000000u);
    EXPECT_EQ(out.At(0, 1), 0x808080u);
    EXPECT_EQ(out.At(0, 2), 0xFFFFFFu);
    EXPECT_EQ(out.At(0, 3), 0xFFFFFFu);

    const TImage four = Column({0x000000, 0x404040, 0x808080, 0xC0C0C0});
    out = StretchImage(four, ColumnStretch(4, 2, kStretchHalftone));
    EXPECT_EQ(out.At(0, 0), 0x000000u);
    EXPECT_EQ(out.At(0, 1), 0x808080u);
}

} // namespace
} // namespace gdi
