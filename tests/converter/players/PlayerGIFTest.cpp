#include "converter/players/PlayerGIF.h"

#include "converter/gif/GifError.h"
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

const COLORREF kBandColors[] = {RGB(200, 30, 30), RGB(30, 160, 40), RGB(20, 40, 220),
                                RGB(60, 60, 60)};

DrawCallback Bands() {
    return [](HDC dc, HRGN&) {
        for (int i = 0; i < 4; ++i) {
            HBRUSH brush = CreateSolidBrush(kBandColors[i]);
            const RECT band{i * 20, 0, i * 20 + 20, 50};
            FillRect(dc, &band, brush);
            DeleteObject(brush);
        }
    };
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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

class PlayerGIFTest : public testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("playergif-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
        RegisterBitmapClipboardCodec();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    bool RenderPage(TPlayerGIF& player) {
        return player.Render(m_holder.dc, {0, 0, 79, 49}, nullptr, Bands(), {0, 0, 79, 49});
    }

    fs::path m_dir;
    DcHolder m_holder;
};

TEST_F(PlayerGIFTest, EncodedSizeIsTheSizeOfTheWrittenFile) {
    TPlayerGIF player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    EXPECT_EQ(player.GetWidth(), 80);
    EXPECT_EQ(player.GetHeight(), 50);
    ASSERT_TRUE(player.SaveToFile((m_dir / "page").string()));
    const fs::path written = m_dir / "page.gif";
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(static_cast<std::int32_t>(fs::file_size(written)), player.GetEncodedSize());
    const std::vector<std::uint8_t> bytes = ReadFile(written);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");

    // Four colours survive the reduction exactly and the bitmap shows them.
    const TRasterState& state = player.State();
    for (int i = 0; i < 4; ++i) {
        const BYTE* p = state.Bitmap.Bits() + 25 * state.Bitmap.Stride() + 4 * (i * 20 + 5);
        EXPECT_EQ(RGB(p[2], p[1], p[0]), kBandColors[i]) << i;
    }
}

TEST_F(PlayerGIFTest, GreyScaleIsStoredButDoesNotChangeTheFile) {
    TPlayerGIF plain(nullptr), grey(nullptr);
    EXPECT_TRUE(grey.SetOption("GrayScale", "TRUE"));
    EXPECT_TRUE(grey.GrayScale);
    EXPECT_FALSE(grey.SetOption("CompressionQuality", "50"));
    ASSERT_TRUE(RenderPage(plain));
    ASSERT_TRUE(RenderPage(grey));
    ASSERT_TRUE(plain.SaveToFile((m_dir / "plain").string()));
    ASSERT_TRUE(grey.SaveToFile((m_dir / "grey").string()));
    EXPECT_EQ(ReadFile(m_dir / "plain.gif"), ReadFile(m_dir / "grey.gif"));

    grey.Clear();
    EXPECT_FALSE(grey.GrayScale);
    EXPECT_EQ(grey.GetEncodedSize(), -1);
}

TEST_F(PlayerGIFTest, NewPlayerHasNothingToSave) {
    TPlayerGIF player(nullptr);
    EXPECT_EQ(player.GetEncodedSize(), 0);
    EXPECT_EQ(player.GetWidth(), 0);
    EXPECT_FALSE(player.SaveToFile((m_dir / "none").string()));
    EXPECT_FALSE(player.CopyToClipboard());
    EXPECT_FALSE(fs::exists(m_dir / "none.gif"));
}

TEST_F(PlayerGIFTest, PageTooWideForGifIsRefusedAndWritesNothing) {
    TPlayerGIF player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    TRasterBitmap wide;
    ASSERT_TRUE(wide.SetSize(65536, 1));
    EXPECT_FALSE(player.LoadFromHandle(wide.Release()));
    EXPECT_FALSE(player.SaveToFile((m_dir / "wide").string()));
    EXPECT_FALSE(fs::exists(m_dir / "wide.gif"));
    // Through Render the refusal reaches the caller.
    EXPECT_THROW(player.Render(m_holder.dc, {0, 0, 65535, 0}, nullptr, Bands(), {0, 0, 99, 0}),
                 EInvalidGraphicOperation);
    // The picture rendered before is gone too: nothing stale is saved in its place.
    EXPECT_EQ(player.GetEncodedSize(), -1);
    EXPECT_FALSE(player.SaveToFile((m_dir / "wide").string()));
}

TEST_F(PlayerGIFTest, ClipboardHoldsTheReducedPictureAsABitmap) {
    TPlayerGIF player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    ASSERT_TRUE(player.CopyToClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormat("GIF Image")));
    TPlayerGIF other(nullptr);
    ASSERT_TRUE(other.LoadFromClipboard());
    EXPECT_EQ(other.GetEncodedSize(), player.GetEncodedSize());
}

TEST_F(PlayerGIFTest, LoadsAGifFileWithoutTouchingTheBitmap) {
    TPlayerGIF writer(nullptr);
    ASSERT_TRUE(RenderPage(writer));
    ASSERT_TRUE(writer.SaveToFile((m_dir / "page").string()));
    TPlayerGIF reader(nullptr);
    ASSERT_TRUE(reader.LoadFromFile((m_dir / "page.gif").string()));
    EXPECT_EQ(reader.GetWidth(), 80);
    EXPECT_EQ(reader.GetEncodedSize(), 0);
    EXPECT_FALSE(reader.LoadFromFile((m_dir / "missing.gif").string()));
}

} // namespace
