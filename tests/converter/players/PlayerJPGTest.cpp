// What is the JPEG player's own; the behaviour it shares with the GIF player is in
// CodecPlayerTest.
#include "converter/players/PlayerJPG.h"

#include "CodecPlayerFixture.h"

namespace {

using namespace codec_test;

using PlayerJPGTest = CodecPlayerFixture;

TEST_F(PlayerJPGTest, BitmapShowsTheStreamAsItDecodes) {
    TPlayerJPG player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    ASSERT_TRUE(player.SaveToFile((m_dir / "page").string()));
    // Compression losses included.
    TJpegImage reread;
    reread.LoadFromFile((m_dir / "page.jpg").string());
    for (int x : {5, 25, 45, 65}) {
        EXPECT_EQ(BitmapColour(player.State(), x, 25), reread.Picture().ColorAt(x, 25)) << x;
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

    // Clear keeps the settings.
    player.SetOption("CompressionQuality", "40");
    player.Clear();
    EXPECT_EQ(player.JpegImage().Quality, 40);
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
    for (int x = 0; x < 80; x += 7) {
        const std::uint32_t c = BitmapColour(player.State(), x, 10);
        EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
        EXPECT_EQ((c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
}

} // namespace
