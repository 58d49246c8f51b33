#include "converter/gif/GifError.h"
#include "converter/gif/GifImage.h"
#include "converter/gif/GifLzw.h"
#include "tests/converter/gif/GifTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// Reads the codes of a code stream back with the decoder's own width rule, independently of
// the encoder: returns each code with the width it was read at.
struct TCode {
    int Code;
    int Width;
};

std::vector<TCode> ReadCodes(const Bytes& stream) {
    Bytes data;
    std::size_t at = 1;
    while (at < stream.size() && stream[at] != 0) {
        data.insert(data.end(), stream.begin() + at + 1, stream.begin() + at + 1 + stream[at]);
        at += stream[at] + 1;
    }
    const int m = stream[0];
    const int clear = 1 << m, end = clear + 1;
    int width = m + 1, next = clear + 2;
    bool first = true;
    std::vector<TCode> codes;
    std::size_t bit = 0;
    while (bit + width <= data.size() * 8) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        codes.push_back({code, width});
        if (code == end)
            break;
        if (code == clear) {
            width = m + 1;
            next = clear + 2;
            first = true;
            continue;
        }
        if (first) {
            first = false;
            continue;
        }
        if (next < 4096 && ++next == (1 << width) && width < 12)
            ++width;
    }
    return codes;
}

Bytes EncodeIndices(const std::vector<std::uint8_t>& indices) {
    TDibImage picture = TDibImage::Create(static_cast<std::int32_t>(indices.size()), 1, 8);
    std::copy(indices.begin(), indices.end(), picture.Bits.begin());
    Bytes out;
    LzwEncodeImage(out, picture.Width, 1, 8, false, picture.Bits.data());
    return out;
}

TEST(GifWriter, OnePixelTrueColourFileIsByteExact) {
    TDibImage picture = TDibImage::Create(1, 1, 24);
    giftest::SetRgb(picture, 0, 0, 0x102030);
    TGIFImage image;
    image.SetFromBitmap(picture);
    const Bytes out = image.SaveGIF(false);

    Bytes expected = {'G', 'I', 'F', '8', '7', 'a', 1, 0, 1, 0, 0xF7, 0, 0, 0x10, 0x20, 0x30};
    for (int i = 1; i < 256; ++i)
        expected.insert(expected.end(), {128, 128, 128});
    expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0});
    // Minimum code size 8; codes 256, 0, 257 at 9 bits = 0x04040100.
    expected.insert(expected.end(), {8, 4, 0x00, 0x01, 0x04, 0x04, 0, 0x3B});
    EXPECT_EQ(out, expected);
}

TEST(GifWriter, IndexedDepthsSetCodeSizeAndScreenFlags) {
    struct Case {
        int Bits;
        std::uint8_t Packed;
        int TableBytes;
        std::uint8_t MinCodeSize;
    };
    for (const Case& c : {Case{1, 0x80, 6, 2}, Case{4, 0xB3, 48, 4}, Case{8, 0xF7, 768, 8}}) {
        SCOPED_TRACE(c.Bits);
        const TDibImage picture = giftest::RandomIndexed(9, 5, c.Bits, 3);
        TGIFImage image;
        image.SetFromBitmap(picture);
        const Bytes out = image.SaveGIF(false);
        EXPECT_EQ(out[10], c.Packed);
        EXPECT_EQ(out[13], picture.Palette[0].Red);
        EXPECT_EQ(out[13 + c.TableBytes], 0x2C);
        EXPECT_EQ(out[13 + c.TableBytes + 9], 0x00); // descriptor flags: global table
        EXPECT_EQ(out[13 + c.TableBytes + 10], c.MinCodeSize);
    }
}

TEST(GifWriter, FullTableSendsThePendingPixelAndAClearAt12Bits) {
    std::mt19937 rng(5);
    std::vector<std::uint8_t> pixels(30000);
    for (auto& p : pixels)
        p = static_cast<std::uint8_t>(rng());
    const Bytes stream = EncodeIndices(pixels);
    const std::vector<TCode> codes = ReadCodes(stream);
    // Clear, then 3837 codes that assign 258..4094, then the single pixel and a clear.
    ASSERT_GT(codes.size(), 3845u);
    EXPECT_EQ(codes[0].Code, 256);
    EXPECT_EQ(codes[0].Width, 9);
    for (std::size_t i = 1; i <= 3837; ++i)
        ASSERT_NE(codes[i].Code, 256) << i;
    EXPECT_EQ(codes[3838].Width, 12);
    EXPECT_LT(codes[3838].Code, 256);
    EXPECT_EQ(codes[3839].Code, 256);
    EXPECT_EQ(codes[3839].Width, 12);
    EXPECT_EQ(codes[3840].Width, 9);
    EXPECT_EQ(codes.back().Code, 257);
}

TEST(GifWriter, CodeWidthGrowsWhenCode512IsAssigned) {
    std::mt19937 rng(6);
    std::vector<std::uint8_t> pixels(2000);
    for (auto& p : pixels)
        p = static_cast<std::uint8_t>(rng());
    const std::vector<TCode> codes = ReadCodes(EncodeIndices(pixels));
    ASSERT_GT(codes.size(), 300u);
    // codes[k] (k >= 1) assigns code 257 + k; 512 is assigned by codes[255].
    EXPECT_EQ(codes[255].Width, 9);
    EXPECT_EQ(codes[256].Width, 10);
}

TEST(GifWriter, ExactlyFullSubBlockEndsWithTheTerminatorOnly) {
    Bytes out;
    TCodePacker packer(out);
    for (int i = 0; i < 170; ++i) // 170 x 12 bits = 255 bytes
        packer.AppendCode(0xABC, 12);
    packer.FinishCodeBlocks();
    ASSERT_EQ(out.size(), 257u);
    EXPECT_EQ(out[0], 255);
    EXPECT_EQ(out[1], 0xBC);
    EXPECT_EQ(out[2], 0xCA);
    EXPECT_EQ(out[3], 0xAB);
    EXPECT_EQ(out[256], 0);

    Bytes longer;
    TCodePacker packer2(longer);
    for (int i = 0; i < 171; ++i)
        packer2.AppendCode(0xABC, 12);
    packer2.FinishCodeBlocks();
    ASSERT_EQ(longer.size(), 1u + 255u + 1u + 2u + 1u);
    EXPECT_EQ(longer[256], 2);
    EXPECT_EQ(longer[257], 0xBC);
    EXPECT_EQ(longer[258], 0x0A);
}

TEST(GifWriter, SavingTwiceGivesTheSameBytesAndPrefixCarriesTheLength) {
    TGIFImage image;
    image.SetFromBitmap(giftest::RandomTrueColor(31, 17, 300, 8));
    const Bytes first = image.SaveGIF(false);
    EXPECT_EQ(image.SaveGIF(false), first);
    const Bytes prefixed = image.SaveGIF(true);
    ASSERT_EQ(prefixed.size(), first.size() + 4);
    EXPECT_EQ(prefixed[0] | (prefixed[1] << 8) | (prefixed[2] << 16) | (prefixed[3] << 24),
              static_cast<int>(first.size()));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), prefixed.begin() + 4));
}

TEST(GifWriter, ErrorsCarryTheirFixedTexts) {
    TGIFImage empty;
    try {
        empty.SaveGIF(false);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Нет данных для записи в формате GIF");
    }
    try {
        ColorCountToBits(3);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Неверное число цветов; должно быть степенью числа 2");
    }
    TGIFImage image;
    image.SetFromBitmap(TDibImage::Create(2, 2, 24));
    Bytes sixteenBit(54, 0);
    sixteenBit[28] = 16;
    try {
        image.Frames()[0]->EncodeIndexedImage(sixteenBit);
        FAIL();
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_STREQ(e.what(), "Ошибка кодировки данных в формат GIF");
    }
}

TEST(GifWriter, RefusesPicturesTooWideForTheSizeFields) {
    for (auto [w, h] : {std::pair{65536, 1}, std::pair{1, 65536}}) {
        SCOPED_TRACE(w);
        TGIFImage image;
        image.SetFromBitmap(TDibImage::Create(w, h, 8));
        EXPECT_THROW(image.SaveGIF(false), EInvalidGraphicOperation);
        EXPECT_FALSE(image.Frames()[0]->HasCode());
    }
    TGIFImage widest;
    widest.SetFromBitmap(TDibImage::Create(65535, 1, 8));
    const Bytes out = widest.SaveGIF(false);
    EXPECT_EQ(out[6], 0xFF);
    EXPECT_EQ(out[7], 0xFF);
}

TEST(GifWriter, FailedEncodeLeavesNoCodeForALaterSave) {
    TGIFImage image;
    const TDibImage picture = giftest::RandomIndexed(6, 6, 8, 4);
    image.SetFromBitmap(picture);
    image.SaveGIF(false);
    TGIFFrame& frame = *image.Frames()[0];
    ASSERT_TRUE(frame.HasCode());

    Bytes truncated = WriteBmpImage(picture);
    truncated.resize(truncated.size() - 10);
    EXPECT_THROW(frame.EncodeIndexedImage(truncated), EInvalidGraphicOperation);
    EXPECT_FALSE(frame.HasCode());
    // The next save encodes the bitmap again instead of writing a broken stream.
    const Bytes again = image.SaveGIF(false);
    TGIFImage reader;
    reader.LoadGIF(again.data(), again.size(), true);
    ASSERT_NE(reader.Picture(), nullptr);
    EXPECT_FALSE(reader.Frames()[0]->IsCorrupted());
    EXPECT_EQ(reader.Picture()->Bits, picture.Bits);
}

TEST(GifWriter, ClipboardDataIsTheLengthPrefixedGif) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("gifwriter-clipboard-" + std::to_string(::getpid()));
    setenv("TALLYVANE_CLIPBOARD", dir.c_str(), 1);
    TGIFImage image;
    image.SetFromBitmap(giftest::RandomTrueColor(4, 4, 3, 1));
    image.EncodePendingFrames(true);
    const TGifClipboardData data = image.ExportToClipboard();
    ASSERT_TRUE(data.Bitmap.has_value());
    EXPECT_EQ(data.Bitmap->Width, 4);
    EXPECT_EQ(data.GifData, image.SaveGIF(true));
    std::filesystem::remove_all(dir);
}

} // namespace
