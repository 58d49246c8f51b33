#include "converter/players/JpegCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A smooth gradient with some noise: a picture JPEG handles well but not trivially.
TDibImage TestPicture(std::int32_t width, std::int32_t height, int bits = 24, unsigned seed = 1) {
    std::mt19937 rng(seed);
    TDibImage picture = TDibImage::Create(width, height, bits);
    for (std::int32_t y = 0; y < height; ++y) {
        std::uint8_t* row = picture.Row(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint8_t* p = row + x * (bits / 8);
            p[0] = static_cast<std::uint8_t>(x * 255 / std::max(width, 1));
            p[1] = static_cast<std::uint8_t>(y * 255 / std::max(height, 1));
            p[2] = static_cast<std::uint8_t>(128 + static_cast<int>(rng() % 16));
        }
    }
    return picture;
}

// Offset of the first marker `code` (0xFFxx) in the stream's header part, or npos.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t code) {
    for (std::size_t i = 2; i + 1 < jpeg.size();) {
        if (jpeg[i] != 0xFF)
            return std::string::npos;
        if (jpeg[i + 1] == code)
            return i;
        if (jpeg[i + 1] == 0xDA) // start of scan: entropy data follows
            return std::string::npos;
        i += 2 + ((jpeg[i + 2] << 8) | jpeg[i + 3]);
    }
    return std::string::npos;
}

TEST(JpegCodec, WritesTheDefaultJfifHeaderWithoutResolution) {
    const Bytes jpeg = JpegCompress(TestPicture(16, 8), 90, false, false);
    ASSERT_GE(jpeg.size(), 20u);
    const Bytes expected = {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F',
                            0,    1,    1,    0,    0, 1,  0,   1,   0,   0};
    EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + 20), expected);
}

TEST(JpegCodec, SettingsChooseFrameTypeAndComponents) {
    struct Case {
        const char* Name;
        bool Progressive, Gray;
        std::uint8_t Frame;
        int Components;
    };
    for (const Case& c : {Case{"sequential colour", false, false, 0xC0, 3},
                          Case{"progressive colour", true, false, 0xC2, 3},
                          Case{"sequential grey", false, true, 0xC0, 1},
                          Case{"progressive grey", true, true, 0xC2, 1}}) {
        SCOPED_TRACE(c.Name);
        const Bytes jpeg = JpegCompress(TestPicture(33, 17), 75, c.Progressive, c.Gray);
        const std::size_t sof = FindMarker(jpeg, c.Frame);
        ASSERT_NE(sof, std::string::npos);
        EXPECT_EQ(jpeg[sof + 9], c.Components);
        EXPECT_EQ((jpeg[sof + 5] << 8) | jpeg[sof + 6], 17); // height
        EXPECT_EQ((jpeg[sof + 7] << 8) | jpeg[sof + 8], 33); // width
    }
}

TEST(JpegCodec, QualityIsClampedAndTablesStayBaseline) {
    const TDibImage picture = TestPicture(24, 24);
    EXPECT_EQ(JpegCompress(picture, 150, false, false), JpegCompress(picture, 100, false, false));
    EXPECT_EQ(JpegCompress(picture, 0, false, false), JpegCompress(picture, 1, false, false));
    EXPECT_EQ(JpegCompress(picture, -7, false, false), JpegCompress(picture, 1, false, false));
    // Quality 1 would scale entries past 255; baseline tables cap them at 8-bit precision.
    const Bytes low = JpegCompress(picture, 1, false, false);
    const std::size_t dqt = FindMarker(low, 0xDB);
    ASSERT_NE(dqt, std::string::npos);
    EXPECT_EQ(low[dqt + 4] >> 4, 0); // 8-bit precision
    EXPECT_EQ(low[dqt + 5], 255);    // first luminance entry 16 x 50 capped
    // Quality 50 uses the standard tables unscaled: first luminance entry 16.
    const Bytes mid = JpegCompress(picture, 50, false, false);
    EXPECT_EQ(mid[FindMarker(mid, 0xDB) + 5], 16);
}

TEST(JpegCodec, AllInputDepthsEncodeAlike) {
    const TDibImage picture24 = TestPicture(13, 7, 24);
    TDibImage picture32 = TDibImage::Create(13, 7, 32);
    for (std::int32_t y = 0; y < 7; ++y)
        for (std::int32_t x = 0; x < 13; ++x)
            for (int k = 0; k < 3; ++k)
                picture32.Row(y)[4 * x + k] = picture24.Row(y)[3 * x + k];
    EXPECT_EQ(JpegCompress(picture32, 90, false, false), JpegCompress(picture24, 90, false, false));
}

TEST(JpegCodec, DecodeBackStaysCloseToTheSource) {
    const TDibImage picture = TestPicture(64, 48);
    TJpegImage image;
    image.Compress(picture);
    ASSERT_EQ(image.Width(), 64);
    ASSERT_EQ(image.Height(), 48);
    long total = 0;
    for (std::size_t i = 0; i < picture.Bits.size(); ++i)
        total += std::abs(int{picture.Bits[i]} - int{image.Picture().Bits[i]});
    EXPECT_LT(static_cast<double>(total) / picture.Bits.size(), 4.0);

    image.GrayScale = true;
    image.Compress(picture);
    for (std::int32_t y = 0; y < 48; ++y) {
        const std::uint32_t c = image.Picture().ColorAt(5, y);
        ASSERT_EQ(c & 0xFF, (c >> 8) & 0xFF);
        ASSERT_EQ(c & 0xFF, (c >> 16) & 0xFF);
    }
}

TEST(JpegCodec, BrokenStreamsRaiseWithoutCrashing) {
    const Bytes good = JpegCompress(TestPicture(40, 40), 90, true, false);
    struct Case {
        const char* Name;
        Bytes Data;
    };
    Bytes huge = good;
    const std::size_t sof = FindMarker(huge, 0xC2);
    huge[sof + 5] = 0xFF; // 65000 x 65000
    huge[sof + 6] = 0xE8;
    huge[sof + 7] = 0xFF;
    huge[sof + 8] = 0xE8;
    const Case cases[] = {{"empty", {}},
                          {"not a JPEG", {'G', 'I', 'F', '8', '7', 'a'}},
                          {"header cut", Bytes(good.begin(), good.begin() + 30)},
                          {"no image", {0xFF, 0xD8, 0xFF, 0xD9}},
                          {"too large", huge}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TJpegImage image;
        EXPECT_THROW(image.LoadFromBytes(c.Data.data(), c.Data.size()), EJpegError);
        EXPECT_TRUE(image.IsEmpty());
    }
    // Data cut inside the scans decodes with a warning: the rest of the picture is grey.
    const Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(good.size() / 2));
    TJpegImage image;
    EXPECT_NO_THROW(image.LoadFromBytes(cut.data(), cut.size()));
    EXPECT_EQ(image.Width(), 40);
}

// ---------------------------------------------------------------------------------------------
// An independent decoder agrees with our decode-back
// ---------------------------------------------------------------------------------------------

// Reads a binary PNM (P5 grey or P6 colour) as 0xRRGGBB values, top row first.
std::vector<std::uint32_t> ReadPnm(const std::string& path, int& width, int& height) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();
    const bool grey = magic == "P5";
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    for (auto& p : pixels) {
        if (grey) {
            const auto v = static_cast<std::uint32_t>(in.get());
            p = v | (v << 8) | (v << 16);
        } else {
            const auto r = static_cast<std::uint32_t>(in.get());
            const auto g = static_cast<std::uint32_t>(in.get());
            const auto b = static_cast<std::uint32_t>(in.get());
            p = (r << 16) | (g << 8) | b;
        }
    }
    return pixels;
}

TEST(JpegCodec, DjpegDecodesToOurDecodeBackExactly) {
    if (std::system("command -v djpeg > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "djpeg is not installed";
    const auto dir =
        std::filesystem::temp_directory_path() / ("jpegcodec-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string jpgPath = (dir / "out.jpg").string();
    const std::string pnmPath = (dir / "out.pnm").string();
    struct Case {
        int Width, Height, Quality;
        bool Progressive, Gray;
    };
    for (const Case& c :
         {Case{1, 1, 90, false, false}, Case{7, 3, 90, true, false}, Case{64, 48, 75, false, true},
          Case{301, 211, 60, true, false}, Case{97, 61, 100, true, true}}) {
        SCOPED_TRACE(testing::Message()
                     << c.Width << "x" << c.Height << " q" << c.Quality
                     << (c.Progressive ? " progressive" : "") << (c.Gray ? " grey" : ""));
        TJpegImage image;
        image.Quality = c.Quality;
        image.Progressive = c.Progressive;
        image.GrayScale = c.Gray;
        image.Compress(TestPicture(c.Width, c.Height, 24, static_cast<unsigned>(c.Width)));
        image.SaveToFile(jpgPath);
        EXPECT_EQ(std::filesystem::file_size(jpgPath), image.Stream().size());
        ASSERT_EQ(std::system(("djpeg -pnm -outfile " + pnmPath + " " + jpgPath).c_str()), 0);
        int w = 0, h = 0;
        const std::vector<std::uint32_t> theirs = ReadPnm(pnmPath, w, h);
        ASSERT_EQ(w, c.Width);
        ASSERT_EQ(h, c.Height);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(theirs[static_cast<std::size_t>(y) * w + x],
                          image.Picture().ColorAt(x, y))
                    << x << "," << y;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
