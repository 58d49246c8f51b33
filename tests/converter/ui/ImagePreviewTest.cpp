#include "converter/ui/ImagePreview.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "../page/MessageRecorder.h"
#include "../players/EmfBuilder.h"
#include "converter/page/ImageProperty.h"
#include "converter/players/PlayerBMP.h"

namespace {

namespace fs = std::filesystem;

// 400 x 200 reference pixels at 0.25 mm: 100 x 50 mm.
std::vector<std::uint8_t> PageBytes() {
    return EmfBuilder({0, 0, 399, 199}, {0, 0, 9999, 4999}).Rectangle(10, 10, 300, 150).Bytes();
}

class ImagePreviewTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("imagepreview-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
        ImgProperty = TImgProperty();
        ImgProperty.ResetDefaults();
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string WritePage(const std::string& name,
                          const std::vector<std::uint8_t>& bytes = PageBytes()) {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::int32_t BmpWidth(const fs::path& path) {
        TPlayerBMP reader(nullptr);
        return reader.LoadFromFile(path.string()) ? reader.GetWidth() : -1;
    }

    fs::path m_dir;
};

TEST_F(ImagePreviewTest, AsksBeforeReplacingAnEmfFile) {
    TfrmImagePreview form;
    ASSERT_TRUE(form.OpenEmfPage(WritePage("page.emf")));
    const std::string target = (m_dir / "copy.emf").string();
    std::ofstream(target) << "old";
    {
        MessageRecorder closed(IDCLOSE);
        EXPECT_FALSE(form.SavePageAsEmf(target));
        ASSERT_EQ(closed.texts.size(), 1u);
        EXPECT_EQ(closed.texts[0], "File " + target + " already exist!\nReplace?");
        EXPECT_EQ(closed.captions[0], "Confirm");
        EXPECT_EQ(fs::file_size(target), 3u);
    }
    {
        MessageRecorder ok(IDOK);
        EXPECT_TRUE(form.SavePageAsEmf(target));
        EXPECT_GT(fs::file_size(target), 3u);
    }
    TPlayerEMF reloaded(nullptr);
    ASSERT_TRUE(reloaded.LoadFromFile(target));
    EXPECT_EQ(reloaded.GetWidth(), 400);

    EXPECT_FALSE(form.SavePageAsEmf((m_dir / "copy.txt").string()));
    EXPECT_FALSE(fs::exists(m_dir / "copy.txt"));
}

TEST_F(ImagePreviewTest, ConvertsAtThePercentScaleOfTheImageProperties) {
    ImgProperty.SetPercentScale(50);
    TfrmImagePreview form;
    ASSERT_TRUE(form.OpenEmfPage(WritePage("page.emf")));
    ASSERT_TRUE(form.ConvertPage((m_dir / "page.emf").string(), false, false));
    ASSERT_TRUE(form.PageWritten(0));
    // The page measures 100 mm; at 50 % that is the target the image properties computed.
    const std::int32_t expected = ImgProperty.GetPixelSize().first;
    EXPECT_NEAR(BmpWidth(m_dir / "page.bmp"), expected, 1);
}

TEST_F(ImagePreviewTest, PlainConversionFitsThePageToTheScreen) {
    ImgProperty.SelectUnit(kUnitPixels);
    TfrmImagePreview form;
    ASSERT_TRUE(form.OpenEmfPage(WritePage("page.emf")));
    ASSERT_TRUE(form.ConvertPage((m_dir / "out.png").string(), false, false));
    const auto [screenW, screenH] = ImgProperty.GetPixelSize();
    const std::int32_t width = BmpWidth(m_dir / "out.bmp");
    EXPECT_NEAR(width, screenW, 1);
    EXPECT_LE(width / 2, screenH);
}

TEST_F(ImagePreviewTest, ListConversionTellsWhichPagesWereWritten) {
    const std::vector<std::string> sources = {WritePage("a.emf"), WritePage("b.emf", {1, 2, 3, 4}),
                                              WritePage("c.EMF")};
    const std::vector<std::string> targets = {
        (m_dir / "a.bmp").string(), (m_dir / "b.bmp").string(), (m_dir / "c.bmp").string()};
    TfrmImagePreview form;
    ASSERT_TRUE(form.ConvertPageList(sources, targets, false, false));
    EXPECT_TRUE(form.PageWritten(0));
    EXPECT_FALSE(form.PageWritten(1));
    EXPECT_TRUE(form.PageWritten(2));
    EXPECT_TRUE(fs::exists(m_dir / "a.bmp"));
    EXPECT_FALSE(fs::exists(m_dir / "b.bmp"));
    EXPECT_TRUE(fs::exists(m_dir / "c.bmp"));
}

TEST_F(ImagePreviewTest, SkipsTargetsWhoseDirectoryIsMissingAndHonoursACancelledPreview) {
    const std::vector<std::string> sources = {WritePage("a.emf")};
    TfrmImagePreview form;
    EXPECT_TRUE(
        form.ConvertPageList(sources, {(m_dir / "nowhere" / "a.bmp").string()}, false, false));
    EXPECT_FALSE(form.PageWritten(0));
    EXPECT_FALSE(fs::exists(m_dir / "nowhere"));

    form.PreviewDialog = [](TfrmImagePreview&, const std::string&, bool) {
        return TfrmImagePreview::TPreviewResult{false, "", true};
    };
    EXPECT_FALSE(form.ConvertPageList(sources, {(m_dir / "a.bmp").string()}, true, false));
    EXPECT_FALSE(fs::exists(m_dir / "a.bmp"));
    EXPECT_TRUE(form.PreviewSeen());

    // A preview that could not be shown is no answer of the user's.
    form.PreviewDialog = [](TfrmImagePreview&, const std::string&, bool) {
        return TfrmImagePreview::TPreviewResult{};
    };
    EXPECT_FALSE(form.ConvertPageList(sources, {(m_dir / "a.bmp").string()}, true, false));
    EXPECT_FALSE(form.PreviewSeen());
}

TEST_F(ImagePreviewTest, SaveModeWritesIntoTheChosenDirectory) {
    const fs::path chosen = m_dir / "chosen";
    fs::create_directories(chosen);
    TfrmImagePreview form;
    std::string offered;
    form.PreviewDialog = [&](TfrmImagePreview&, const std::string& directory, bool saveMode) {
        offered = directory;
        EXPECT_TRUE(saveMode);
        return TfrmImagePreview::TPreviewResult{true, chosen.string() + "/", true};
    };
    ASSERT_TRUE(form.OpenEmfPage(WritePage("page.emf")));
    ASSERT_TRUE(form.ConvertPage((m_dir / "page.emf").string(), true, true));
    EXPECT_EQ(offered, m_dir.string() + "/");
    EXPECT_TRUE(fs::exists(chosen / "page.bmp"));
}

TEST_F(ImagePreviewTest, WmfPagesThatCannotBeReadAreReported) {
    TfrmImagePreview form;
    MessageRecorder messages;
    EXPECT_FALSE(form.OpenWmfPage((m_dir / "missing.wmf").string()));
    EXPECT_TRUE(messages.texts.empty());

    EXPECT_TRUE(form.OpenWmfPage(
        WritePage("junk.wmf", {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9})));
    ASSERT_GE(messages.texts.size(), 2u);
    EXPECT_EQ(messages.texts[messages.texts.size() - 2], "Convertion error for WMF-file !");
    EXPECT_EQ(messages.texts.back(), "This is not metafile!");
    EXPECT_EQ(form.CurrentPage(), nullptr);
}

} // namespace

namespace {

// A page drawn on a reference device with the screen's own resolution, so that a bounds pixel
// is a screen pixel.
std::vector<std::uint8_t> ScreenPage(int width, int height) {
    HDC ic = CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    const int horzSize = GetDeviceCaps(ic, HORZSIZE), vertSize = GetDeviceCaps(ic, VERTSIZE);
    const int screenW = GetDeviceCaps(ic, HORZRES), screenH = GetDeviceCaps(ic, VERTRES);
    DeleteDC(ic);
    const RECT frame{0, 0, static_cast<LONG>(std::lround(width * 100.0 * horzSize / screenW)) - 1,
                     static_cast<LONG>(std::lround(height * 100.0 * vertSize / screenH)) - 1};
    return EmfBuilder({0, 0, width - 1, height - 1}, frame)
        .Device(screenW, screenH, horzSize, vertSize)
        .Rectangle(0, 0, width / 2, height / 2)
        .Bytes();
}

TEST_F(ImagePreviewTest, ConversionsWriteTheWholePictureBeyondThePreviewBudget) {
    struct Case {
        const char* name;
        int pageW, pageH;
        void (*scale)();
        std::int32_t width, height;
    } cases[] = {
        {"20000 x 20000 at 10 %", 20000, 20000, [] { ImgProperty.SetPercentScale(10); }, 2000,
         2000},
        {"3000 pixels wide", 2480, 3508, [] { ImgProperty.SetWidthPixels(3000); }, 3000, 4243},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImgProperty = TImgProperty();
        ImgProperty.ResetDefaults();
        c.scale();
        TfrmImagePreview form;
        ASSERT_TRUE(form.OpenEmfPage(WritePage("big.emf", ScreenPage(c.pageW, c.pageH))));
        ASSERT_TRUE(form.ConvertPage((m_dir / "big.emf").string(), false, false));
        ASSERT_TRUE(form.PageWritten(0));
        TPlayerBMP reader(nullptr);
        ASSERT_TRUE(reader.LoadFromFile((m_dir / "big.bmp").string()));
        EXPECT_NEAR(reader.GetWidth(), c.width, 1);
        EXPECT_NEAR(reader.GetHeight(), c.height, 1);
    }
}

TEST_F(ImagePreviewTest, APictureTooLargeToAllocateIsReportedAndNotWritten) {
    ImgProperty.SetPercentScale(100000);
    TfrmImagePreview form;
    MessageRecorder messages;
    ASSERT_TRUE(form.OpenEmfPage(WritePage("page.emf")));
    ASSERT_TRUE(form.ConvertPage((m_dir / "page.emf").string(), false, false));
    EXPECT_FALSE(form.PageWritten(0));
    EXPECT_FALSE(fs::exists(m_dir / "page.bmp"));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0].rfind("Not enough of memory!\nThe picture of ", 0), 0u);
}

} // namespace

namespace {

TEST_F(ImagePreviewTest, APageTheEncoderRefusesLeavesTheRestOfTheBatch) {
    TfrmImagePreview::Register();
    ImgProperty.SetFormat(5); // GIF: at most 65,535 pixels a side
    ImgProperty.SetPercentScale(100);
    const std::vector<std::string> sources = {WritePage("wide.emf", ScreenPage(70000, 2)),
                                              WritePage("page.emf", ScreenPage(40, 20))};
    const std::vector<std::string> targets = {(m_dir / "wide.gif").string(),
                                              (m_dir / "page.gif").string()};
    MessageRecorder messages;
    TfrmImagePreview form;
    ASSERT_TRUE(form.ConvertPageList(sources, targets, false, false));
    EXPECT_FALSE(form.PageWritten(0));
    EXPECT_FALSE(fs::exists(m_dir / "wide.gif"));
    EXPECT_TRUE(form.PageWritten(1));
    EXPECT_TRUE(fs::exists(m_dir / "page.gif"));
    ASSERT_EQ(messages.texts.size(), 1u) << "the refusal is reported once";
    EXPECT_NE(messages.texts[0].find("65535"), std::string::npos) << messages.texts[0];
}

} // namespace
