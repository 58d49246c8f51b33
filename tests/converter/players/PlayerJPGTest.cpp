#include "converter/players/PlayerJPG.h"

#include "platform/WinUser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct DcHolder {
    HDC dc = CreateCompatibleDC(nullptr);
    ~DcHolder() { DeleteDC(dc); }
};

// A page of four coloured bands: red, green, blue and a dark grey.
DrawCallback Bands() {
    return [](HDC dc, HRGN&) {
        const COLORREF colors[] = {RGB(200, 30, 30), RGB(30, 160, 40), RGB(20, 40, 220),
                                   RGB(60, 60, 60)};
        for (int i = 0; i < 4; ++i) {
            HBRUSH brush = CreateSolidBrush(colors[i]);
            const RECT band{i * 20, 0, i * 20 + 20, 50};
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
    };
}

// Start-up registers the bitmap clipboard codec in the program; the tests register one.
void RegisterBitmapClipboardCodec() {
    static const bool registered = [] {
        tallyvane::user::RegisterClipboardHandleCodec(
            CF_BITMAP,
            [](HANDLE handle, std::vector<BYTE>& bytes) {
                TRasterBitmap bitmap;
                if (!bitmap.TakeOver(static_cast<HBITMAP>(handle)))
                    return false;
                const bool ok = bitmap.EncodeBmp(bytes);
                bitmap.Release();
                return ok;
            },
            [](const std::vector<BYTE>& bytes) -> HANDLE {
                TRasterBitmap bitmap;
                return bitmap.DecodeBmp(bytes.data(), bytes.size()) ? bitmap.Release() : nullptr;
            },
            [](HANDLE handle) { DeleteObject(handle); });
        return true;
    }();
    (void)registered;
}

class PlayerJPGTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("playerjpg-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
        RegisterBitmapClipboardCodec();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    bool RenderPage(TPlayerJPG& player) {
        return player.Render(m_holder.dc, {0, 0, 79, 49}, nullptr, Bands(), {0, 0, 79, 49});
    }

    fs::path m_dir;
    DcHolder m_holder;
};

TEST_F(PlayerJPGTest, EncodedSizeIsTheSizeOfTheWrittenFile) {
    TPlayerJPG player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    EXPECT_EQ(player.GetWidth(), 80);
    EXPECT_EQ(player.GetHeight(), 50);
    ASSERT_TRUE(player.SaveToFile((m_dir / "page.emf").string()));
    const fs::path written = m_dir / "page.jpg";
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(static_cast<std::int32_t>(fs::file_size(written)), player.GetEncodedSize());

    // The bitmap shows the decoded stream, compression losses included.
    TJpegImage reread;
    reread.LoadFromFile(written.string());
    const TRasterState& state = player.State();
    for (int x : {5, 25, 45, 65}) {
        const BYTE* p = state.Bitmap.Bits() + 25 * state.Bitmap.Stride() + 4 * x;
        const std::uint32_t ours = (std::uint32_t{p[2]} << 16) | (p[1] << 8) | p[0];
        EXPECT_EQ(ours, reread.Picture().ColorAt(x, 25)) << x;
    }
}

TEST_F(PlayerJPGTest, OptionsFollowTheirExactNamesAndValues) {
    TPlayerJPG player(nullptr);
    EXPECT_FALSE(player.SetOption("CompressionQuality", "high"));
    EXPECT_EQ(player.JpegImage().Quality, 90);
    EXPECT_TRUE(player.SetOption("CompressionQuality", "150"));
    EXPECT_EQ(player.JpegImage().Quality, 150);
    EXPECT_TRUE(player.SetOption("CompressionQuality", "-3"));
    EXPECT_EQ(player.JpegImage().Quality, -3);
    EXPECT_FALSE(player.SetOption("compressionquality", "50"));

    EXPECT_TRUE(player.SetOption("GrayScale", "TRUE"));
    EXPECT_TRUE(player.JpegImage().GrayScale);
    EXPECT_TRUE(player.SetOption("GrayScale", "true"));
    EXPECT_FALSE(player.JpegImage().GrayScale);
    EXPECT_TRUE(player.SetOption("ProgressiveEncoding", "TRUE"));
    EXPECT_TRUE(player.JpegImage().Progressive);
    EXPECT_TRUE(player.SetOption("ProgressiveEncoding", "FALSE"));
    EXPECT_FALSE(player.JpegImage().Progressive);
    EXPECT_FALSE(player.SetOption("Quality", "90"));
}

TEST_F(PlayerJPGTest, QualityAbove100EncodesAs100) {
    TPlayerJPG atMost(nullptr), over(nullptr);
    atMost.SetOption("CompressionQuality", "100");
    over.SetOption("CompressionQuality", "150");
    ASSERT_TRUE(RenderPage(atMost));
    ASSERT_TRUE(RenderPage(over));
    EXPECT_EQ(over.JpegImage().Stream(), atMost.JpegImage().Stream());
}

TEST_F(PlayerJPGTest, GreyScaleShowsGreyInTheBitmap) {
    TPlayerJPG player(nullptr);
    player.SetOption("GrayScale", "TRUE");
    ASSERT_TRUE(RenderPage(player));
    const TRasterState& state = player.State();
    for (int x = 0; x < 80; x += 7) {
        const BYTE* p = state.Bitmap.Bits() + 10 * state.Bitmap.Stride() + 4 * x;
        EXPECT_EQ(p[0], p[1]);
        EXPECT_EQ(p[1], p[2]);
    }
}

TEST_F(PlayerJPGTest, EmptyAndClearedPlayersReportTheirStates) {
    TPlayerJPG player(nullptr);
    EXPECT_EQ(player.GetEncodedSize(), 0);
    EXPECT_FALSE(player.SaveToFile((m_dir / "none").string()));
    EXPECT_FALSE(player.SaveToBitmapFile((m_dir / "none").string()));
    EXPECT_FALSE(player.CopyToClipboard());
    EXPECT_FALSE(player.Render(nullptr, {0, 0, 9, 9}, nullptr, Bands(), {0, 0, 9, 9}));

    player.SetOption("CompressionQuality", "40");
    ASSERT_TRUE(RenderPage(player));
    player.Clear();
    EXPECT_EQ(player.GetEncodedSize(), -1);
    EXPECT_EQ(player.JpegImage().Quality, 40);
    EXPECT_EQ(player.GetFormatName(), "JPG");
}

TEST_F(PlayerJPGTest, RenderWithoutDrawingStillEncodes) {
    TPlayerJPG player(nullptr);
    EXPECT_FALSE(player.Render(m_holder.dc, {0, 0, 15, 15}, nullptr, nullptr, {0, 0, 15, 15}));
    EXPECT_GT(player.GetEncodedSize(), 0);
    EXPECT_EQ(player.GetWidth(), 16);
}

TEST_F(PlayerJPGTest, BitmapFileAndClipboardCarryTheDecodedPicture) {
    TPlayerJPG player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    ASSERT_TRUE(player.SaveToBitmapFile((m_dir / "page.jpg").string()));
    EXPECT_TRUE(fs::exists(m_dir / "page.bmp"));

    ASSERT_TRUE(player.CopyToClipboard());
    TPlayerJPG other(nullptr);
    ASSERT_TRUE(other.LoadFromClipboard());
    EXPECT_EQ(other.GetWidth(), 80);
    EXPECT_GT(other.GetEncodedSize(), 0);
}

} // namespace
