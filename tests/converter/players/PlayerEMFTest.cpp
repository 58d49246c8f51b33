#include "converter/players/PlayerEMF.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "EmfBuilder.h"
#include "converter/players/PlayerList.h"
#include "platform/WinUser.h"

namespace {

namespace fs = std::filesystem;

TRect Bounds(const TPlayerEMF& player) {
    TRect r;
    player.GetHeaderBounds(r);
    return r;
}

TRect Unscaled(const TPlayerEMF& player) {
    TRect r;
    player.GetUnscaledBounds(r);
    return r;
}

// 400 x 200 reference pixels at 0.25 mm: a frame of 100 x 50 mm.
EmfBuilder Page() {
    return EmfBuilder({10, 20, 409, 219}, {250, 500, 10249, 5499});
}

TEST(TPlayerEMF, FitsTheBoundsToTheFrame) {
    struct Case {
        const char* name;
        RECT frame;
        TRect expected;
    } cases[] = {
        {"frame agrees", {250, 500, 10249, 5499}, {10, 20, 409, 219}},
        {"frame twice as wide", {500, 500, 20499, 5499}, {20, 20, 818, 219}},
        {"frame half as high", {250, 250, 10249, 2749}, {10, 10, 409, 110}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HENHMETAFILE handle =
            EmfBuilder({10, 20, 409, 219}, c.frame).Rectangle(10, 20, 100, 100).Handle();
        ASSERT_NE(handle, nullptr);
        TPlayerEMF player(nullptr);
        ASSERT_TRUE(player.LoadFromHandle(handle));
        EXPECT_EQ(Bounds(player), c.expected);
        DeleteEnhMetaFile(handle);
    }
}

TEST(TPlayerEMF, AnswersTheGeometryOfItsHeader) {
    HENHMETAFILE handle = Page().Rectangle(10, 20, 100, 100).Handle();
    TPlayerEMF player(nullptr);
    ASSERT_TRUE(player.LoadFromHandle(handle));
    DeleteEnhMetaFile(handle);
    EXPECT_EQ(player.GetWidth(), 400);
    EXPECT_EQ(player.GetHeight(), 200);
    EXPECT_FLOAT_EQ(player.GetFrameWidthMM(), 100.0f);
    EXPECT_FLOAT_EQ(player.GetFrameHeightMM(), 50.0f);
    EXPECT_FLOAT_EQ(player.GetMMPerPixelX(), 0.25f);
    EXPECT_EQ(player.RecordCount(), 3);
    ASSERT_NE(player.GetRecord(1), nullptr);
    EXPECT_EQ(player.GetRecord(1)->iType, EMR_RECTANGLE);
    EXPECT_EQ(player.GetRecord(3), nullptr);
    EXPECT_EQ(player.GetFormatName(), "EMF");
    EXPECT_EQ(player.GetEncodedSize(), -1);

    player.Clear();
    EXPECT_EQ(player.GetWidth(), 0);
    EXPECT_EQ(player.GetFileSize(), -1);
    EXPECT_EQ(player.GetDescription(), "");
    EXPECT_FALSE(player.HeaderValid());
}

TEST(TPlayerEMF, UndoesTheFirstScaleMarker) {
    struct Case {
        const char* name;
        EmfBuilder page;
        bool marker;
        TRect expected;
    } cases[] = {
        {"no marker", Page(), false, {10, 20, 409, 219}},
        {"one marker", Page().ScaleMarker(4, 2.0f, -10, 0.5f), true, {3, 60, 202, 458}},
        {"two markers",
         Page().ScaleMarker(4, 2.0f, -10, 0.5f).ScaleMarker(0, 10.0f, 0, 10.0f),
         true,
         {3, 60, 202, 458}},
        {"zero scale is no marker",
         Page().ScaleMarker(4, 0.0f, 0, 1.0f),
         false,
         {10, 20, 409, 219}},
        {"short comment is no marker",
         Page().Comment({0x70, 0x11, 1, 0, 0x71, 0x11, 1, 0}),
         false,
         {10, 20, 409, 219}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HENHMETAFILE handle = c.page.Handle();
        TPlayerEMF player(nullptr);
        ASSERT_TRUE(player.LoadFromHandle(handle));
        DeleteEnhMetaFile(handle);
        EXPECT_EQ(player.HasScaleMarker(), c.marker);
        // (10 - 4) / 2 = 3, (409 - 4) / 2 = 202.5 -> 202 (ties to even), (20 + 10) / 0.5 = 60.
        EXPECT_EQ(Unscaled(player), c.expected);
    }
}

class TPlayerEMFFiles : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("playeremf-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(TPlayerEMFFiles, SavesTheFittedCopyUnderTheVeryName) {
    HENHMETAFILE handle =
        EmfBuilder({0, 0, 399, 199}, {0, 0, 19999, 4999}).Rectangle(0, 0, 50, 50).Handle();
    TPlayerEMF player(nullptr);
    ASSERT_TRUE(player.LoadFromHandle(handle));
    DeleteEnhMetaFile(handle);
    const std::string path = (m_dir / "copy.jpg").string();
    ASSERT_TRUE(player.SaveToFile(path));
    ASSERT_TRUE(fs::exists(path));

    TPlayerEMF reloaded(nullptr);
    ASSERT_TRUE(reloaded.LoadFromFile(path));
    EXPECT_EQ(reloaded.FileName, path);
    EXPECT_EQ(Bounds(reloaded), (TRect{0, 0, 798, 199}));
    EXPECT_EQ(reloaded.GetFileSize(), player.GetFileSize());
}

TEST_F(TPlayerEMFFiles, FailedLoadsLeaveOrEmptyThePlayer) {
    HENHMETAFILE handle = Page().Handle();
    TPlayerEMF player(nullptr);
    ASSERT_TRUE(player.LoadFromHandle(handle));
    DeleteEnhMetaFile(handle);
    player.FileName = "kept";

    EXPECT_FALSE(player.LoadFromFile((m_dir / "missing.emf").string()));
    EXPECT_EQ(player.FileName, "kept");
    EXPECT_TRUE(player.HeaderValid());

    const std::string junk = (m_dir / "junk.emf").string();
    std::ofstream(junk) << "this is no metafile at all, not even close to one.....................";
    EXPECT_FALSE(player.LoadFromFile(junk));
    EXPECT_FALSE(player.HeaderValid());
    EXPECT_EQ(player.FileName, "");
    EXPECT_FALSE(player.SaveToFile((m_dir / "out.emf").string()));
    EXPECT_FALSE(player.LoadFromHandle(nullptr));
}

TEST(TPlayerEMF, RecordsWhatItIsGivenToDraw) {
    HDC reference = CreateCompatibleDC(nullptr);
    TPlayerEMF player(nullptr);
    EXPECT_FALSE(player.Render(reference, {}, {}, {}, {}));
    const bool rendered = player.Render(reference, {}, {},
                                        [](HDC dc, HRGN& region) {
                                            Rectangle(dc, 10, 10, 110, 60);
                                            region = CreateRectRgn(0, 0, 5, 5);
                                        },
                                        {});
    ASSERT_TRUE(rendered);
    EXPECT_EQ(player.GetDescription(), "TPlayerEMF#0Ver.1#0#0");
    EXPECT_EQ(player.FileName, "Created by diZuzavid");
    EXPECT_GT(player.GetWidth(), 0);
    DeleteDC(reference);
}

TEST(TPlayerEMF, PaintsOnWhiteIntoItsBoundsIgnoringADisabledTransform) {
    HENHMETAFILE handle = EmfBuilder({0, 0, 39, 19}, {0, 0, 999, 499}).Handle();
    TPlayerEMF player(nullptr);
    ASSERT_TRUE(player.LoadFromHandle(handle));
    DeleteEnhMetaFile(handle);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 64, 64);
    HGDIOBJ old = SelectObject(dc, bitmap);
    PlayTransform transform;
    transform.OffsetX = 1000;
    HRGN region = nullptr;
    ASSERT_TRUE(player.Paint(dc, {}, {}, {}, {}, transform, region));
    ASSERT_NE(region, nullptr);
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.right, 40);
    EXPECT_EQ(box.bottom, 20);
    EXPECT_EQ(GetPixel(dc, 39, 19), RGB(255, 255, 255));

    transform.Enabled = 1;
    transform.ScaleX = 2.0f;
    transform.OffsetX = 3;
    ASSERT_TRUE(player.Paint(dc, {}, {}, {}, {}, transform, region));
    GetRgnBox(region, &box);
    EXPECT_EQ(box.left, 3);
    EXPECT_EQ(box.right, 82);
    DeleteObject(region);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(TPlayEMFList, OwnsClonesOfItsPages) {
    HENHMETAFILE handle = Page().Handle();
    TPlayerEMF page(nullptr);
    ASSERT_TRUE(page.LoadFromHandle(handle));
    DeleteEnhMetaFile(handle);
    page.FileName = "page.emf";
    TPlayEMFList list;
    EXPECT_EQ(list.Add(page), 0);
    TPlayerEMF empty(nullptr);
    EXPECT_EQ(list.Add(empty), 1);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_NE(list.GetPlayer(0), &page);
    EXPECT_EQ(list.GetPlayer(0)->FileName, "page.emf");
    EXPECT_EQ(list.GetPlayer(0)->GetWidth(), 400);
    EXPECT_NE(list.GetMetafileHandle(0), page.Handle());
    EXPECT_EQ(list.GetMetafileHandle(1), nullptr);
    EXPECT_EQ(list.GetPlayer(2), nullptr);
}

} // namespace

namespace {

TEST_F(TPlayerEMFFiles, GoesThroughTheClipboardAndBack) {
    setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
    HENHMETAFILE handle = Page().Rectangle(10, 20, 100, 100).Handle();
    TPlayerEMF source(nullptr);
    ASSERT_TRUE(source.LoadFromHandle(handle));
    DeleteEnhMetaFile(handle);
    ASSERT_TRUE(source.CopyToClipboard());
    EXPECT_TRUE(source.HeaderValid()) << "the player keeps its own copy";

    TPlayerEMF target(nullptr);
    ASSERT_TRUE(target.LoadFromClipboard());
    EXPECT_EQ(target.FileName, "ClipBoard As Enhanced Metafile");
    EXPECT_EQ(target.GetWidth(), 400);
    EXPECT_EQ(target.RecordCount(), source.RecordCount());

    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    target.FileName = "kept";
    EXPECT_FALSE(target.LoadFromClipboard());
    EXPECT_EQ(target.FileName, "kept");
    unsetenv("TALLYVANE_CLIPBOARD");
}

} // namespace

namespace {

// Painting the page into its bounds must draw what a plain playback of the metafile onto the
// same pixels draws: the bounds' last column and row belong to the picture.
TEST(TPlayerEMF, PaintsLikeAPlaybackOntoItsBounds) {
    const std::vector<std::uint8_t> bytes = EmfBuilder({0, 0, 39, 19}, {0, 0, 999, 499})
                                                .Rectangle(0, 0, 40, 20)
                                                .Rectangle(10, 4, 31, 16)
                                                .Bytes();
    HENHMETAFILE handle = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
    TPlayerEMF player(nullptr);
    ASSERT_TRUE(player.LoadFromHandle(handle));
    HDC painted = CreateCompatibleDC(nullptr);
    HDC played = CreateCompatibleDC(nullptr);
    HBITMAP paintedBits = CreateCompatibleBitmap(painted, 48, 24);
    HBITMAP playedBits = CreateCompatibleBitmap(played, 48, 24);
    HGDIOBJ oldPainted = SelectObject(painted, paintedBits);
    HGDIOBJ oldPlayed = SelectObject(played, playedBits);
    const RECT all{0, 0, 48, 24};
    FillRect(played, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    FillRect(painted, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    const RECT bounds{0, 0, 40, 20};
    PlayEnhMetaFile(played, handle, &bounds);
    HRGN region = nullptr;
    ASSERT_TRUE(player.Paint(painted, {}, {}, {}, {}, PlayTransform{}, region));
    int differing = 0;
    for (int y = 0; y < 24; ++y) {
        for (int x = 0; x < 48; ++x) {
            differing += GetPixel(painted, x, y) != GetPixel(played, x, y);
        }
    }
    EXPECT_EQ(differing, 0);
    DeleteObject(region);
    SelectObject(painted, oldPainted);
    SelectObject(played, oldPlayed);
    DeleteObject(paintedBits);
    DeleteObject(playedBits);
    DeleteDC(painted);
    DeleteDC(played);
    DeleteEnhMetaFile(handle);
}

} // namespace
