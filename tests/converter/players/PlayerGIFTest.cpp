// What is the GIF player's own; the behaviour it shares with the JPEG player is in
// CodecPlayerTest.
#include "converter/players/PlayerGIF.h"

#include "CodecPlayerFixture.h"

namespace {

using namespace codec_test;

using PlayerGIFTest = CodecPlayerFixture;

TEST_F(PlayerGIFTest, WritesGif87aAndShowsTheFourColoursExactly) {
    TPlayerGIF player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    ASSERT_TRUE(player.SaveToFile((m_dir / "page").string()));
    const std::vector<std::uint8_t> bytes = ReadFile(m_dir / "page.gif");
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF87a");
    for (int i = 0; i < 4; ++i) {
        const COLORREF c = kBandColors[i];
        EXPECT_EQ(BitmapColour(player.State(), i * 20 + 5, 25),
                  (std::uint32_t{GetRValue(c)} << 16) | (GetGValue(c) << 8) | GetBValue(c))
            << i;
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
}

TEST_F(PlayerGIFTest, ClipboardGetsABitmapButNoGifData) {
    TPlayerGIF player(nullptr);
    ASSERT_TRUE(RenderPage(player));
    ASSERT_TRUE(player.CopyToClipboard());
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormat("GIF Image")));
    // The reduced picture survives a second reduction unchanged.
    TPlayerGIF other(nullptr);
    ASSERT_TRUE(other.LoadFromClipboard());
    EXPECT_EQ(other.GetEncodedSize(), player.GetEncodedSize());
}

} // namespace
