#include "converter/players/PlayerBMP.h"
#include "platform/TopDownDib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct DcHolder {
    HDC dc = CreateCompatibleDC(nullptr);
    ~DcHolder() { DeleteDC(dc); }
};

TEST(RasterHelpers, WindowCoversCountsPictureEdgesAsCovered) {
    const TRect full{0, 0, 999, 999};
    struct Case {
        const char* name;
        TRect window, visible;
        bool covers;
        TRect intersection;
    } cases[] = {
        {"visible inside window",
         {100, 100, 500, 500},
         {200, 200, 300, 300},
         true,
         {200, 200, 300, 300}},
        {"visible crosses the left edge",
         {100, 100, 500, 500},
         {50, 200, 300, 300},
         false,
         {100, 200, 300, 300}},
        {"equal edge is not inside",
         {100, 100, 500, 500},
         {100, 200, 300, 300},
         false,
         {100, 200, 300, 300}},
        {"window at the picture's left edge",
         {0, 100, 500, 500},
         {-20, 200, 300, 300},
         true,
         {0, 200, 300, 300}},
        {"window at every picture edge", full, {-5, -5, 2000, 2000}, true, full},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRect out;
        EXPECT_EQ(WindowCovers(full, c.window, c.visible, out), c.covers);
        EXPECT_EQ(out, c.intersection);
    }
}

TEST(RasterHelpers, StrictlyInsideNeedsAllFourSidesInside) {
    const TRect outer{0, 0, 99, 99};
    struct Case {
        const char* name;
        TRect inner;
        bool inside;
        TRect intersection;
    } cases[] = {
        {"inside", {1, 1, 98, 98}, true, {1, 1, 98, 98}},
        {"touching the left", {0, 1, 98, 98}, false, {0, 1, 98, 98}},
        {"crossing the bottom", {10, 10, 50, 150}, false, {10, 10, 50, 99}},
        {"all of it", {-10, -10, 200, 200}, false, outer},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRect out;
        EXPECT_EQ(StrictlyInside(outer, c.inner, out), c.inside);
        EXPECT_EQ(out, c.intersection);
    }
}

TEST(RasterHelpers, MeasuresTheScaledExtentExactly) {
    DcHolder holder;
    SetMapMode(holder.dc, MM_ANISOTROPIC);
    SetWindowExtEx(holder.dc, 20000, 20000, nullptr);
    SetViewportExtEx(holder.dc, 2000, 2000, nullptr);
    const TDeviceMeasure m = MeasureDeviceRect(holder.dc, {0, 0, 19999, 19999});
    EXPECT_EQ(m.width, 2000);
    EXPECT_EQ(m.height, 2000);
    EXPECT_EQ(m.bytes, 2000ull * 2000 * 4);
    EXPECT_EQ(DeviceRectToLogical(holder.dc, m.device), (TRect{0, 0, 19999, 19999}));
}

DrawCallback FillWith(COLORREF color) {
    return [color](HDC dc, HRGN&) {
        HBRUSH brush = CreateSolidBrush(color);
        const RECT all{-100000, -100000, 100000, 100000};
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    };
}

TEST(RasterRender, RendersWholeUpToTheBudgetAndAWindowBeyond) {
    DcHolder holder;
    struct Case {
        const char* name;
        TRect full, visible;
        bool whole;
        bool partial;
        std::int32_t width, height;
    } cases[] = {
        {"exactly 4,194,304 pixels", {0, 0, 2047, 2047}, {0, 0, 99, 99}, false, false, 2048, 2048},
        {"one row more", {0, 0, 2047, 2048}, {0, 0, 99, 99}, false, true, 1050, 1050},
        {"window centred and clamped",
         {0, 0, 2047, 2048},
         {1000, 1000, 1099, 1099},
         false,
         true,
         1998,
         1999},
        {"visible alone over budget: k = 0",
         {0, 0, 2047, 2048},
         {0, 0, 2047, 2048},
         false,
         true,
         0,
         1},
        {"whole picture asked for", {0, 0, 2047, 2048}, {0, 0, 99, 99}, true, false, 2048, 2049},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPlayerBMP player(nullptr);
        player.RenderWhole = c.whole;
        EXPECT_TRUE(player.Render(holder.dc, c.full, {}, FillWith(RGB(1, 2, 3)), c.visible));
        EXPECT_EQ(player.IsPartial(), c.partial);
        EXPECT_EQ(player.State().BitmapWidth, c.width);
        EXPECT_EQ(player.State().BitmapHeight, c.height);
        EXPECT_EQ(player.GetWidth(), c.width > 0 && c.height > 0 ? c.width : 0);
    }
}

TEST(RasterRender, WithoutDrawingOnlySizesTheBitmap) {
    DcHolder holder;
    TPlayerBMP player(nullptr);
    EXPECT_EQ(player.GetEncodedSize(), 0);
    EXPECT_FALSE(player.Render(holder.dc, {0, 0, 9, 4}, {}, {}, {0, 0, 9, 4}));
    EXPECT_EQ(player.GetWidth(), 10);
    EXPECT_EQ(player.GetHeight(), 5);
    EXPECT_FALSE(player.Render(nullptr, {0, 0, 9, 4}, {}, FillWith(0), {0, 0, 9, 4}));
    player.Clear();
    EXPECT_EQ(player.GetEncodedSize(), -1);
}

TEST(RasterPaint, ReportsThePaintedPartOnlyAtThePictureEdge) {
    DcHolder holder;
    // A colour target: a memory DC's own compatible bitmap would be monochrome.
    TRasterBitmap target;
    ASSERT_TRUE(target.SetSize(200, 200));
    HGDIOBJ old = SelectObject(holder.dc, target.Handle());
    TPlayerBMP player(nullptr);
    ASSERT_TRUE(
        player.Render(holder.dc, {0, 0, 99, 99}, {}, FillWith(RGB(9, 8, 7)), {0, 0, 99, 99}));

    HRGN region = nullptr;
    ASSERT_TRUE(player.Paint(holder.dc, {}, {}, {}, {10, 10, 50, 50}, {}, region));
    EXPECT_EQ(region, nullptr);
    EXPECT_EQ(GetPixel(holder.dc, 30, 30), RGB(9, 8, 7));

    ASSERT_TRUE(player.Paint(holder.dc, {}, {}, {}, {50, 50, 150, 150}, {}, region));
    ASSERT_NE(region, nullptr);
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 50);
    EXPECT_EQ(box.right, 100);
    EXPECT_EQ(box.bottom, 100);
    DeleteObject(region);
    SelectObject(holder.dc, old);
}

class BmpFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("playerbmp-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(BmpFiles, WrittenFilesReadBackAsTheSamePicture) {
    DcHolder holder;
    std::mt19937 random(47);
    const std::pair<int, int> sizes[] = {{1, 1}, {1, 7}, {7, 1}, {11, 13}, {301, 5}};
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        TPlayerBMP player(nullptr);
        std::vector<COLORREF> colors(static_cast<std::size_t>(width * height));
        for (COLORREF& color : colors) {
            color = random() & 0xFFFFFF;
        }
        ASSERT_TRUE(player.Render(holder.dc, {0, 0, width - 1, height - 1}, {},
                                  [&](HDC dc, HRGN&) {
                                      for (int y = 0; y < height; ++y) {
                                          for (int x = 0; x < width; ++x) {
                                              SetPixelV(dc, x, y, colors[y * width + x]);
                                          }
                                      }
                                  },
                                  {0, 0, width - 1, height - 1}));
        const std::string base = (m_dir / "picture.jpg").string();
        ASSERT_TRUE(player.SaveToFile(base));
        const fs::path written = m_dir / "picture.bmp";
        ASSERT_TRUE(fs::exists(written));
        EXPECT_EQ(static_cast<std::int64_t>(fs::file_size(written)), player.GetEncodedSize());

        TPlayerBMP reader(nullptr);
        ASSERT_TRUE(reader.LoadFromFile(written.string()));
        ASSERT_EQ(reader.GetWidth(), width);
        ASSERT_EQ(reader.GetHeight(), height);
        const BYTE* bits = reader.State().Bitmap.Bits();
        ASSERT_NE(bits, nullptr);
        for (int i = 0; i < width * height; ++i) {
            const COLORREF read = RGB(bits[i * 4 + 2], bits[i * 4 + 1], bits[i * 4]);
            ASSERT_EQ(read, colors[i]) << "pixel " << i;
        }
    }
}

// Rows are written in bands of some 64 KB: these sizes give many bands with a short last one,
// few rows per band, and a row wider than a band. A bitmap that is no DIB section is read
// through GetDIBits, which must give every row, not only the bottom band's. Every row must
// land bottom-up with its padding zeroed, in the file as in memory.
TEST_F(BmpFiles, RowsOfManyBandsLandInOrderWithZeroPadding) {
    const std::pair<int, int> sizes[] = {{5, 9001}, {4097, 11}, {22000, 3}};
    std::mt19937 random(11);
    for (bool device : {false, true}) {
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) +
                         (device ? " device bitmap" : " DIB section"));
            std::vector<BYTE> pixels(static_cast<std::size_t>(width) * height * 4);
            for (BYTE& byte : pixels) {
                byte = static_cast<BYTE>(random());
            }
            TRasterBitmap bitmap;
            if (device) {
                DcHolder holder;
                HBITMAP handle = CreateBitmap(width, height, 1, 32, nullptr);
                BITMAPINFO info = TopDownDib32(width, height);
                ASSERT_EQ(
                    SetDIBits(holder.dc, handle, 0, height, pixels.data(), &info, DIB_RGB_COLORS),
                    height);
                ASSERT_TRUE(bitmap.TakeOver(handle));
                ASSERT_EQ(bitmap.Bits(), nullptr);
            } else {
                ASSERT_TRUE(bitmap.SetSize(width, height));
                std::copy(pixels.begin(), pixels.end(), bitmap.Bits());
            }
            const fs::path path = m_dir / "bands.bmp";
            ASSERT_TRUE(bitmap.WriteBmpFile(path.string()));
            std::ifstream in(path, std::ios::binary);
            const std::vector<BYTE> file((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
            std::vector<BYTE> encoded;
            ASSERT_TRUE(bitmap.EncodeBmp(encoded));
            EXPECT_TRUE(file == encoded);

            const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~3u;
            ASSERT_EQ(file.size(), 54 + rowBytes * height);
            for (int y = 0; y < height; ++y) {
                const BYTE* row = file.data() + 54 + rowBytes * (height - 1 - y);
                const BYTE* source = pixels.data() + static_cast<std::size_t>(y) * width * 4;
                for (int x = 0; x < width; ++x) {
                    ASSERT_TRUE(row[3 * x] == source[4 * x] &&
                                row[3 * x + 1] == source[4 * x + 1] &&
                                row[3 * x + 2] == source[4 * x + 2])
                        << "pixel " << x << ", " << y;
                }
                for (std::size_t pad = 3 * static_cast<std::size_t>(width); pad < rowBytes; ++pad) {
                    ASSERT_EQ(row[pad], 0) << "padding of row " << y;
                }
            }
        }
    }
}

TEST_F(BmpFiles, DamagedFilesFailCleanly) {
    TRasterBitmap good;
    ASSERT_TRUE(good.SetSize(5, 3));
    std::vector<BYTE> bytes;
    ASSERT_TRUE(good.EncodeBmp(bytes));
    struct Case {
        const char* name;
        std::vector<BYTE> data;
    } cases[] = {
        {"empty", {}},
        {"signature only", {'B', 'M'}},
        {"truncated rows", std::vector<BYTE>(bytes.begin(), bytes.end() - 1)},
        {"header only", std::vector<BYTE>(bytes.begin(), bytes.begin() + 54)},
        {"bits offset past the end",
         [&] {
             auto d = bytes;
             d[10] = 0xFF;
             d[11] = 0xFF;
             return d;
         }()},
        {"huge width",
         [&] {
             auto d = bytes;
             d[18 + 3] = 0x7F;
             return d;
         }()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TRasterBitmap bitmap;
        EXPECT_FALSE(bitmap.DecodeBmp(c.data.data(), c.data.size()));
        EXPECT_TRUE(bitmap.Empty());
    }
    TPlayerBMP player(nullptr);
    EXPECT_FALSE(player.SaveToFile((m_dir / "empty").string()));
    EXPECT_FALSE(fs::exists(m_dir / "empty.bmp"));
}

} // namespace
