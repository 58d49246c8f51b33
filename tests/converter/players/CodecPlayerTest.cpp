// Behaviour the JPEG and GIF players share, checked on both.
#include "converter/players/CodecPlayer.h"

#include "CodecPlayerFixture.h"
#include "converter/players/PlayerGIF.h"
#include "converter/players/PlayerJPG.h"

namespace {

using namespace codec_test;

template <typename TPlayerType> class CodecPlayerTest : public CodecPlayerFixture {
protected:
    static std::string Extension() {
        return std::is_same_v<TPlayerType, TPlayerJPG> ? ".jpg" : ".gif";
    }
};

using CodecPlayers = testing::Types<TPlayerJPG, TPlayerGIF>;
TYPED_TEST_SUITE(CodecPlayerTest, CodecPlayers);

TYPED_TEST(CodecPlayerTest, EncodedSizeIsTheSizeOfTheFileWrittenUnderItsOwnExtension) {
    TypeParam player(nullptr);
    ASSERT_TRUE(this->RenderPage(player));
    EXPECT_EQ(player.GetWidth(), 80);
    EXPECT_EQ(player.GetHeight(), 50);
    EXPECT_FALSE(player.IsPartial());
    ASSERT_TRUE(player.SaveToFile((this->m_dir / "page.emf").string()));
    const fs::path written = this->m_dir / ("page" + this->Extension());
    ASSERT_TRUE(fs::exists(written));
    EXPECT_EQ(static_cast<std::int32_t>(fs::file_size(written)), player.GetEncodedSize());
}

TYPED_TEST(CodecPlayerTest, NewPlayerHasNothingToSaveOrCopy) {
    TypeParam player(nullptr);
    EXPECT_EQ(player.GetEncodedSize(), 0);
    EXPECT_EQ(player.GetWidth(), 0);
    EXPECT_FALSE(player.SaveToFile((this->m_dir / "none").string()));
    EXPECT_FALSE(player.SaveToBitmapFile((this->m_dir / "none").string()));
    EXPECT_FALSE(player.CopyToClipboard());
    EXPECT_FALSE(player.LoadFromHandle(nullptr));
    EXPECT_FALSE(player.Render(nullptr, kPage, nullptr, Bands(), kPage));
    EXPECT_FALSE(fs::exists(this->m_dir / ("none" + this->Extension())));
    EXPECT_FALSE(fs::exists(this->m_dir / "none.bmp"));
}

TYPED_TEST(CodecPlayerTest, RenderWithoutDrawingStillEncodes) {
    TypeParam player(nullptr);
    EXPECT_FALSE(player.Render(this->m_dc, {0, 0, 15, 15}, nullptr, nullptr, {0, 0, 15, 15}));
    EXPECT_GT(player.GetEncodedSize(), 0);
    EXPECT_EQ(player.GetWidth(), 16);
}

TYPED_TEST(CodecPlayerTest, ClearForgetsTheSizeAndTheFileName) {
    TypeParam player(nullptr);
    player.FileName = "page.emf";
    ASSERT_TRUE(this->RenderPage(player));
    EXPECT_TRUE(player.Clear());
    EXPECT_EQ(player.GetEncodedSize(), -1);
    EXPECT_TRUE(player.FileName.empty());
    EXPECT_EQ(player.State().BitmapWidth, 0);
    EXPECT_EQ(player.State().Bitmap.Width(), 1);

    player.FileName = "other.emf";
    const std::unique_ptr<TPlayer> copy = player.Clone();
    ASSERT_NE(dynamic_cast<TypeParam*>(copy.get()), nullptr);
    EXPECT_EQ(copy->FileName, "other.emf");
    EXPECT_EQ(copy->GetEncodedSize(), 0);
}

TYPED_TEST(CodecPlayerTest, BitmapFileAndClipboardCarryTheDecodedPicture) {
    TypeParam player(nullptr);
    ASSERT_TRUE(this->RenderPage(player));
    const std::uint32_t shown = BitmapColour(player.State(), 45, 25);
    ASSERT_TRUE(player.SaveToBitmapFile((this->m_dir / "page.emf").string()));
    TRasterBitmap written;
    const std::vector<std::uint8_t> bytes = ReadFile(this->m_dir / "page.bmp");
    ASSERT_TRUE(written.DecodeBmp(bytes.data(), bytes.size()));
    EXPECT_EQ(written.Width(), 80);

    ASSERT_TRUE(player.CopyToClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    TypeParam other(nullptr);
    ASSERT_TRUE(other.LoadFromClipboard());
    EXPECT_EQ(other.GetWidth(), 80);
    EXPECT_GT(other.GetEncodedSize(), 0);
    // A second generation of a lossy code may drift, but not away from the band's colour.
    const std::uint32_t again = BitmapColour(other.State(), 45, 25);
    for (int shift : {0, 8, 16}) {
        EXPECT_NEAR(static_cast<int>((again >> shift) & 0xFF),
                    static_cast<int>((shown >> shift) & 0xFF), 8);
    }
}

TYPED_TEST(CodecPlayerTest, LoadsItsOwnFileWithoutTouchingTheBitmap) {
    TypeParam writer(nullptr);
    ASSERT_TRUE(this->RenderPage(writer));
    ASSERT_TRUE(writer.SaveToFile((this->m_dir / "page").string()));
    TypeParam reader(nullptr);
    ASSERT_TRUE(reader.LoadFromFile((this->m_dir / ("page" + this->Extension())).string()));
    EXPECT_EQ(reader.GetWidth(), 80);
    EXPECT_EQ(reader.GetEncodedSize(), 0);
    EXPECT_TRUE(reader.State().Bitmap.Empty());
    EXPECT_FALSE(reader.LoadFromFile((this->m_dir / "missing").string()));
    std::ofstream(this->m_dir / "junk") << "not a picture";
    EXPECT_FALSE(reader.LoadFromFile((this->m_dir / "junk").string()));
}

TYPED_TEST(CodecPlayerTest, PageTheCodecRefusesLeavesNothingStaleToSave) {
    TypeParam player(nullptr);
    ASSERT_TRUE(this->RenderPage(player));
    // Wider than either format allows (JPEG stops at 65500, GIF at 65535).
    TRasterBitmap wide;
    ASSERT_TRUE(wide.SetSize(65536, 1));
    EXPECT_FALSE(player.LoadFromHandle(wide.Release()));
    EXPECT_EQ(player.GetEncodedSize(), -1);
    EXPECT_FALSE(player.SaveToFile((this->m_dir / "wide").string()));

    ASSERT_TRUE(this->RenderPage(player));
    // Through Render the refusal reaches the caller, and the page rendered before is gone.
    EXPECT_THROW(player.Render(this->m_dc, {0, 0, 65535, 0}, nullptr, Bands(), {0, 0, 99, 0}),
                 std::exception);
    EXPECT_EQ(player.GetEncodedSize(), -1);
    EXPECT_FALSE(player.SaveToFile((this->m_dir / "wide").string()));
    EXPECT_FALSE(player.CopyToClipboard());
    EXPECT_FALSE(fs::exists(this->m_dir / ("wide" + this->Extension())));
}

} // namespace
