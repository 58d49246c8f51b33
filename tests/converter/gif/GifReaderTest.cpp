#include "converter/gif/GifError.h"
#include "converter/gif/GifImage.h"
#include "converter/gif/GifLzw.h"
#include "tests/converter/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A 2 x 2 87a file with a 4-colour global table; `blocks` go between the table and the image.
Bytes SmallGif(const Bytes& blocks, std::uint16_t w = 2, std::uint16_t h = 2) {
    Bytes g = {'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x81, 0, 0};
    g.insert(g.end(), {10, 0, 0, 0, 20, 0, 0, 0, 30, 40, 50, 60});
    g.insert(g.end(), blocks.begin(), blocks.end());
    g.insert(g.end(), {0x2C, 0, 0, 0, 0, static_cast<std::uint8_t>(w), 0,
                       static_cast<std::uint8_t>(h), 0, 0});
    // Indices 0 1 2 3 with minimum code size 2: clear(4) 0 1 2 3 end(5), 3 bits each
    // until the table reaches 8 entries.
    g.insert(g.end(), {2, 3, 0x44, 0x34, 0x05, 0, 0x3B});
    return g;
}

TEST(GifReader, ReadsTheSmallFileItIsGiven) {
    TGIFImage image;
    const Bytes g = SmallGif({});
    image.LoadGIF(g.data(), g.size(), true);
    ASSERT_EQ(image.Frames().size(), 1u);
    const TDibImage* picture = image.Picture();
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->IndexAt(0, 0), 0);
    EXPECT_EQ(picture->IndexAt(1, 0), 1);
    EXPECT_EQ(picture->IndexAt(0, 1), 2);
    EXPECT_EQ(picture->IndexAt(1, 1), 3);
    EXPECT_EQ(picture->ColorAt(1, 1), 0x28323Cu); // entry 3: 40, 50, 60
    EXPECT_FALSE(image.Frames()[0]->IsCorrupted());
    EXPECT_EQ(image.FormatVersion(), 2);
    EXPECT_EQ(image.BackgroundColor(), GifColor(10, 0, 0));
}

TEST(GifReader, RoundTripsKeepSizePaletteAndIndices) {
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {11, 13}, {301, 301}};
    for (int bits : {1, 4, 8}) {
        for (auto [w, h] : sizes) {
            SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << bits << " bits");
            const TDibImage picture = giftest::RandomIndexed(w, h, bits, w * 31 + h);
            TGIFImage writer;
            writer.SetFromBitmap(picture);
            const Bytes gif = writer.SaveGIF(false);
            TGIFImage reader;
            reader.LoadGIF(gif.data(), gif.size(), true);
            ASSERT_EQ(reader.Width(), w);
            ASSERT_EQ(reader.Height(), h);
            const TDibImage* back = reader.Picture();
            ASSERT_NE(back, nullptr);
            EXPECT_FALSE(reader.Frames()[0]->IsCorrupted());
            for (int i = 0; i < (1 << bits); ++i)
                ASSERT_EQ(back->Palette[i], picture.Palette[i]) << "entry " << i;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(back->IndexAt(x, y), picture.IndexAt(x, y)) << x << "," << y;
        }
    }
}

TEST(GifReader, TrueColourRoundTripShowsTheReducedColours) {
    const TDibImage picture = giftest::RandomTrueColor(47, 33, 200, 12, 32);
    TGIFImage image;
    image.SetFromBitmap(picture);
    image.EncodePendingFrames(true);
    const TDibImage* decoded = image.Frames()[0]->Bitmap();
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->BitsPerPixel, 8);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 47; ++x)
            ASSERT_EQ(decoded->ColorAt(x, y), picture.ColorAt(x, y));
}

TEST(GifReader, LongRunsCrossEveryWidthAndTheTableClear) {
    // Smooth data builds long strings; noise fills the table quickly. Both must come back.
    TDibImage picture = TDibImage::Create(640, 480, 8);
    std::mt19937 rng(3);
    for (TRgbQuad& q : picture.Palette)
        q = TRgbQuad{static_cast<std::uint8_t>(rng()), 1, 2, 0};
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            giftest::SetIndex(picture, x, y, y < 240 ? (x / 40 + y / 30) % 256 : rng() % 256);
    TGIFImage writer;
    writer.SetFromBitmap(picture);
    const Bytes gif = writer.SaveGIF(false);
    TGIFImage reader;
    reader.LoadGIF(gif.data(), gif.size(), true);
    const TDibImage* back = reader.Picture();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Bits, picture.Bits);
}

TEST(GifReader, AcceptsLowerCaseSignatureAndRejectsUnknownVersions) {
    Bytes g = SmallGif({});
    std::copy_n("gif87a", 6, g.begin());
    TGIFImage image;
    image.LoadGIF(g.data(), g.size(), true);
    EXPECT_EQ(image.FormatVersion(), 1);

    for (const char* bad : {"GIF88a", "JIF87a"}) {
        std::copy_n(bad, 6, g.begin());
        try {
            image.LoadGIF(g.data(), g.size(), true);
            FAIL() << bad;
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_STREQ(e.what(), "Неизвестная версия изображения GIF");
        }
        EXPECT_TRUE(image.Frames().empty());
    }
}

TEST(GifReader, ZeroSizeDescriptorTakesTheScreenSize) {
    TGIFImage image;
    const Bytes g = SmallGif({}, 0, 0);
    image.LoadGIF(g.data(), g.size(), true);
    EXPECT_EQ(image.Width(), 2);
    EXPECT_EQ(image.Height(), 2);
}

Bytes LoopBlock(std::uint16_t count) {
    Bytes b = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1};
    b.insert(b.end(), {static_cast<std::uint8_t>(count), static_cast<std::uint8_t>(count >> 8), 0});
    return b;
}

TEST(GifReader, LoopingBlockSetsLoopCountCappedAt30000) {
    for (auto [count, expected] : {std::pair<int, int>{0, 0}, {5, 5}, {40000, 30000}}) {
        SCOPED_TRACE(count);
        TGIFImage image;
        const Bytes g = SmallGif(LoopBlock(static_cast<std::uint16_t>(count)));
        image.LoadGIF(g.data(), g.size(), true);
        EXPECT_TRUE(image.LoopAnimation());
        EXPECT_EQ(image.LoopCount(), expected);
        EXPECT_TRUE(image.Frames()[0]->Extensions().empty());
    }
}

TEST(GifReader, GraphicControlGivesDelayTransparencyAndDisposal) {
    TGIFImage image;
    const Bytes g = SmallGif({0x21, 0xF9, 4, 0x09, 5, 0, 3, 0});
    image.LoadGIF(g.data(), g.size(), true);
    const TGIFFrame& frame = *image.Frames()[0];
    EXPECT_EQ(frame.FrameDelay(), 50);
    EXPECT_EQ(frame.TransparentColor(), GifColor(40, 50, 60));
    EXPECT_EQ(frame.DisposalCode(), 2);

    const Bytes outOfRange = SmallGif({0x21, 0xF9, 4, 0x01, 5, 0, 9, 0});
    image.LoadGIF(outOfRange.data(), outOfRange.size(), true);
    EXPECT_EQ(image.Frames()[0]->TransparentColor(), NoColor);
}

TEST(GifReader, TruncatedDataKeepsCompleteBlocksAndMarksTheFrame) {
    const TDibImage picture = giftest::RandomIndexed(40, 40, 8, 21);
    TGIFImage writer;
    writer.SetFromBitmap(picture);
    Bytes gif = writer.SaveGIF(false);
    // Keep the first sub-block whole and cut the second one short.
    const std::size_t data = 13 + 768 + 10 + 1;
    ASSERT_EQ(gif[data], 255);
    gif.resize(data + 256 + 100);
    TGIFImage reader;
    reader.LoadGIF(gif.data(), gif.size(), true);
    const TGIFFrame& frame = *reader.Frames()[0];
    EXPECT_TRUE(frame.IsCorrupted());
    ASSERT_EQ(frame.CodeStream()->size(), 1u + 256u);
    const TDibImage* back = reader.Picture();
    EXPECT_EQ(back->IndexAt(0, 0), picture.IndexAt(0, 0));
    EXPECT_EQ(back->IndexAt(39, 39), 0);

    // Cut inside the header: no picture at all.
    gif.resize(9);
    EXPECT_THROW(reader.LoadGIF(gif.data(), gif.size(), true), EInvalidGraphicOperation);
}

TEST(GifReader, UnknownExtensionLabelNamesIt) {
    TGIFImage image;
    const Bytes g = SmallGif({0x21, 0x02, 0});
    try {
        image.LoadGIF(g.data(), g.size(), true);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Неопределенное расширение GIF: 02");
    }
    EXPECT_TRUE(image.Frames().empty());
}

TEST(GifReader, CommentsBeforeTheTrailerBecomeLineGroups) {
    Bytes g = SmallGif({});
    g.pop_back();
    g.insert(g.end(), {0x21, 0xFE, 2, 'h', 'i', 0, 0x21, 0xFE, 3, 'y', 'o', 'u', 0, 0x3B});
    TGIFImage image;
    image.LoadGIF(g.data(), g.size(), true);
    const std::vector<std::string> expected = {"hi", "\r\n\r\n", "you"};
    EXPECT_EQ(image.Data().CommentLines, expected);
}

TEST(GifReader, ByteThatStartsNoBlockEndsTheParse) {
    // After an extension, a stray byte ends reading instead of looping on it.
    Bytes g = SmallGif({});
    g.pop_back();
    g.insert(g.end(), {0x21, 0xFE, 1, 'x', 0, 0x55, 0x3B});
    TGIFImage image;
    image.LoadGIF(g.data(), g.size(), true);
    EXPECT_EQ(image.Frames().size(), 1u);
}

TEST(GifReader, DamagedCodeDataIsRepairedNotRejected) {
    struct Case {
        const char* Name;
        Bytes Code;
    };
    const Case cases[] = {
        {"code size 12", {12, 2, 0xFF, 0xFF, 0}},
        {"code size 0", {0, 2, 0x00, 0x00, 0}},
        {"no data", {2}},
        {"ends before the end code", {2, 1, 0x44, 0}},
        {"block longer than data", {2, 40, 0x44}},
        // A code above the next free one points into entries never filled.
        {"forward codes", {2, 4, 0x7C, 0xFF, 0xFF, 0xFF, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Bytes g = {'G', 'I', 'F', '8', '7', 'a', 2, 0, 2, 0, 0x81, 0, 0};
        g.insert(g.end(), 12, 7);
        g.insert(g.end(), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0});
        g.insert(g.end(), c.Code.begin(), c.Code.end());
        TGIFImage image;
        ASSERT_NO_THROW(image.LoadGIF(g.data(), g.size(), true));
        ASSERT_EQ(image.Frames().size(), 1u);
        EXPECT_NE(image.Picture(), nullptr);
    }
}

TEST(GifReader, DecoderNeverReadsPastTheData) {
    // The buffer ends right after a length byte that promises more.
    std::vector<std::uint8_t> pixels(4 * 4, 0xEE);
    const std::uint8_t code[] = {2, 200, 0x44};
    EXPECT_TRUE(LzwDecodeImage(code, sizeof code, 4, 4, 8, false, 2, pixels.data()));
    EXPECT_EQ(pixels[3 * 4], 0); // first image row, bottom-up storage
}

TEST(GifReader, InterlacedRowsLandInTheirPasses) {
    // 1 x 10, pixel value = image row. Coded in pass order 0,8 | 4 | 2,6 | 1,3,5,7,9.
    const std::vector<std::uint8_t> order = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    TDibImage coded = TDibImage::Create(10, 1, 8);
    std::copy(order.begin(), order.end(), coded.Bits.begin());
    Bytes code;
    LzwEncodeImage(code, 10, 1, 8, false, coded.Bits.data());
    TDibImage picture = TDibImage::Create(1, 10, 8);
    ASSERT_FALSE(LzwDecodeImage(code.data(), code.size(), 1, 10, 8, true, 8, picture.Bits.data()));
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(picture.IndexAt(0, y), y);
}

TEST(GifReader, HugeDeclaredFrameIsRefusedBeforeDecoding) {
    // 65535 x 65535 at 8 bits would be 4 GB of indices for a few bytes of file.
    Bytes g = {'G', 'I', 'F', '8', '7', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0x87, 0, 0};
    g.insert(g.end(), 768, 9);
    g.insert(g.end(), {0x2C, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 8, 1, 0x44, 0, 0x3B});
    TGIFImage image;
    try {
        image.LoadGIF(g.data(), g.size(), true);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), GifMessages::kDecodeTooLarge);
    }
    EXPECT_TRUE(image.Frames().empty());
    // Without decoding, the size is still known.
    image.LoadGIF(g.data(), g.size(), false);
    EXPECT_EQ(image.Width(), 65535);
}

TEST(GifReader, PropertyLayoutIsTheLengthPrefixedSave) {
    TGIFImage writer;
    writer.SetFromBitmap(giftest::RandomIndexed(5, 3, 4, 2));
    const Bytes property = writer.SaveGIF(true);
    TGIFImage reader;
    reader.ReadGIFProperty(property.data(), property.size());
    EXPECT_EQ(reader.Width(), 5);
    Bytes cut(property.begin(), property.end() - 1);
    EXPECT_THROW(reader.ReadGIFProperty(cut.data(), cut.size()), EInvalidGraphicOperation);
}

// ---------------------------------------------------------------------------------------------
// An independent decoder reads what we write
// ---------------------------------------------------------------------------------------------

TEST(GifReader, IndependentDecoderSeesTheSamePixels) {
    if (std::system("convert -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick convert is not installed";
    const auto dir =
        std::filesystem::temp_directory_path() / ("gifjpeg-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {11, 13}, {301, 301}};
    for (auto [w, h] : sizes) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        const TDibImage picture = giftest::RandomTrueColor(w, h, w * h > 400 ? 3000 : 50, w + h);
        TGIFImage image;
        image.SetFromBitmap(picture);
        image.EncodePendingFrames(true);
        const std::string gifPath = (dir / "out.gif").string();
        const std::string rgbPath = (dir / "out.rgb").string();
        image.SaveGIFFile(gifPath);
        ASSERT_EQ(std::system(("convert " + gifPath + " -depth 8 rgb:" + rgbPath).c_str()), 0);
        std::ifstream in(rgbPath, std::ios::binary);
        const Bytes rgb{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_EQ(rgb.size(), static_cast<std::size_t>(w * h * 3));
        const TDibImage* ours = image.Picture();
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::size_t at = static_cast<std::size_t>(y * w + x) * 3;
                const std::uint32_t theirs = (std::uint32_t{rgb[at]} << 16) |
                                             (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
                ASSERT_EQ(theirs, ours->ColorAt(x, y)) << x << "," << y;
            }
        }
    }
    // Indexed pictures keep their depth: 2- and 16-colour tables, minimum code sizes 2 and 4.
    for (int bits : {1, 4}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        const TDibImage picture = giftest::RandomIndexed(37, 23, bits, 40 + bits);
        TGIFImage image;
        image.SetFromBitmap(picture);
        const std::string gifPath = (dir / "indexed.gif").string();
        const std::string rgbPath = (dir / "indexed.rgb").string();
        image.SaveGIFFile(gifPath);
        ASSERT_EQ(std::system(("convert " + gifPath + " -depth 8 rgb:" + rgbPath).c_str()), 0);
        std::ifstream in(rgbPath, std::ios::binary);
        const Bytes rgb{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_EQ(rgb.size(), 37u * 23u * 3u);
        for (int y = 0; y < 23; ++y) {
            for (int x = 0; x < 37; ++x) {
                const std::size_t at = static_cast<std::size_t>(y * 37 + x) * 3;
                const std::uint32_t theirs = (std::uint32_t{rgb[at]} << 16) |
                                             (std::uint32_t{rgb[at + 1]} << 8) | rgb[at + 2];
                ASSERT_EQ(theirs, picture.ColorAt(x, y)) << x << "," << y;
            }
        }
    }
    std::filesystem::remove_all(dir);
}

} // namespace
