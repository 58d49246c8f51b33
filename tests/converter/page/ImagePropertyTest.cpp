#include "converter/page/ImageProperty.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// 800 x 600 pixels on 200 x 150 mm: 101.6 ppi on both axes.
bool Screen800x600(TDisplayMetrics& metrics) {
    metrics = {800, 600, 200, 150};
    return true;
}

bool NoScreen(TDisplayMetrics&) {
    return false;
}

bool ScreenWithoutSize(TDisplayMetrics& metrics) {
    metrics = {800, 600, 0, 0};
    return true;
}

// A page that measures pxW x pxH screen pixels at 101.6 ppi: one bounds unit per screen pixel.
TPageGeometry PageOfScreenPixels(int pxW, int pxH) {
    TPageGeometry page;
    page.mmPerPixelX = page.mmPerPixelY = static_cast<float>(25.4 / 101.6);
    page.width = pxW;
    page.height = pxH;
    page.frameWidthMM = static_cast<float>(pxW * 25.4 / 101.6);
    page.frameHeightMM = static_cast<float>(pxH * 25.4 / 101.6);
    return page;
}

class ImgPropertyTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = TImgProperty::SetDisplayQuery(&Screen800x600); }
    void TearDown() override { TImgProperty::SetDisplayQuery(m_previous); }

    TImgProperty m_props;
    TImgProperty::DisplayQuery m_previous = nullptr;
};

TEST_F(ImgPropertyTest, ResetDefaultsTakesTheScreenInPixels) {
    m_props.ResetDefaults();
    EXPECT_EQ(m_props.GetFormat(), kFormatBMP);
    EXPECT_EQ(m_props.GetUnit(), kUnitPixels);
    EXPECT_FLOAT_EQ(m_props.GetDisplayResolution().first, 101.6f);
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(800, 600));
    EXPECT_FLOAT_EQ(m_props.GetMMSize().first, 200.0f);
    EXPECT_FLOAT_EQ(m_props.GetMMSize().second, 150.0f);
    EXPECT_FLOAT_EQ(m_props.GetInchSize().first, static_cast<float>(800 / 101.6));
}

TEST_F(ImgPropertyTest, PercentScaleGivesHalfTheSize) {
    m_props.ResetDefaults();
    m_props.SetPercentScale(50);
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().first, 2.0f);
    const TPageGeometry page = PageOfScreenPixels(1000, 700);
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_EQ(m_props.GetMetafilePixelSize(), std::make_pair(1000, 700));
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(500, 350));
    EXPECT_FLOAT_EQ(m_props.GetPercentScale(), 50.0f);
    EXPECT_FLOAT_EQ(m_props.GetScaleFactor(), 2.0f);

    m_props.SetScaleFactor(4);
    EXPECT_FLOAT_EQ(m_props.GetPercentScale(), 25.0f);
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(250, 175));
}

TEST_F(ImgPropertyTest, NonPositiveScalesChangeNothing) {
    m_props.ResetDefaults();
    m_props.SetPercentScale(50);
    m_props.SetPercentScale(-5);
    m_props.SetScaleFactor(0);
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().first, 2.0f);
    EXPECT_EQ(m_props.GetScaleMode(), kScaleFactor);
}

TEST_F(ImgPropertyTest, FitKeepsTheBoxAndTakesTheLargerRatio) {
    m_props.ResetDefaults();
    const TPageGeometry page = PageOfScreenPixels(1600, 900);
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().first, 2.0f);
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().second, 2.0f);
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(800, 600));
}

TEST_F(ImgPropertyTest, ByWidthRoundsTheHeightTiesToEven) {
    struct Case {
        const char* name;
        int pageW, pageH;
        float width;
        int expectedH;
    } cases[] = {
        {"worked example", 1000, 701, 600, 421},
        {"tie rounds down to even", 1000, 5, 500, 2}, // 2.5
        {"tie rounds up to even", 1000, 7, 500, 4},   // 3.5
        {"1 x 1 page", 1, 1, 7, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImgProperty props;
        props.ResetDefaults();
        const TPageGeometry page = PageOfScreenPixels(c.pageW, c.pageH);
        props.SetWidthPixels(c.width);
        ASSERT_TRUE(props.AssignMetafile(&page));
        EXPECT_EQ(props.GetPixelSize().first, static_cast<int>(c.width));
        EXPECT_EQ(props.GetPixelSize().second, c.expectedH);
        EXPECT_FLOAT_EQ(props.GetScaleFactors().first,
                        static_cast<float>(c.pageW / double(c.width)));
        EXPECT_FLOAT_EQ(props.GetWidthPixels(), c.width);
        EXPECT_FLOAT_EQ(props.GetHeightPixels(), 0.0f);
    }
}

TEST_F(ImgPropertyTest, ByHeightKeepsTheAspect) {
    m_props.ResetDefaults();
    m_props.SetHeightPixels(350);
    const TPageGeometry page = PageOfScreenPixels(1000, 700);
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(500, 350));
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().second, 2.0f);
    EXPECT_FLOAT_EQ(m_props.GetHeightPixels(), 350.0f);
    EXPECT_FLOAT_EQ(m_props.GetWidthPixels(), 0.0f);
}

TEST_F(ImgPropertyTest, WidthInMillimetresWaitsForThePage) {
    m_props.ResetDefaults();
    m_props.SetWidthMM(100);
    EXPECT_EQ(m_props.GetScaleMode(), kScaleByWidth);
    EXPECT_EQ(m_props.GetUnit(), kUnitMM);
    EXPECT_FLOAT_EQ(m_props.GetMMSize().first, 100.0f);
    EXPECT_FLOAT_EQ(m_props.GetWidthPixels(), 0.0f);

    // A page 200 x 100 mm: half its width gives 100 x 50 mm and factor 2.
    TPageGeometry page = PageOfScreenPixels(1016, 508);
    page.frameWidthMM = 200;
    page.frameHeightMM = 100;
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_FLOAT_EQ(m_props.GetMMSize().second, 50.0f);
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().first, 2.0f);
    // 100 mm at 101.6 ppi is 400 pixels.
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(400, 200));
}

// Every mode in every unit on one page: 2032 x 1016 screen pixels = 508 x 254 mm = 20 x 10 in.
TEST_F(ImgPropertyTest, EveryModeInEveryUnitDescribesTheSameBox) {
    struct Case {
        const char* name;
        void (*apply)(TImgProperty&);
        float factor;
        int pxW, pxH;
    } cases[] = {
        {"fit px", [](TImgProperty& p) { p.SetPixelSize(1016, 1016); }, 2, 1016, 1016},
        {"fit mm", [](TImgProperty& p) { p.SetMMSize(127, 127); }, 4, 508, 508},
        {"fit in", [](TImgProperty& p) { p.SetInchSize(10, 10); }, 2, 1016, 1016},
        {"scale px", [](TImgProperty& p) { p.SetScaleFactor(4); }, 4, 508, 254},
        {"scale mm",
         [](TImgProperty& p) {
             p.SetMMSize(1, 1);
             p.SetPercentScale(50);
         },
         2, 1016, 508},
        {"scale in",
         [](TImgProperty& p) {
             p.SetInchSize(1, 1);
             p.SetScaleFactor(8);
         },
         8, 254, 127},
        {"width px", [](TImgProperty& p) { p.SetWidthPixels(1016); }, 2, 1016, 508},
        {"width mm", [](TImgProperty& p) { p.SetWidthMM(254); }, 2, 1016, 508},
        {"width in", [](TImgProperty& p) { p.SetWidthInches(5); }, 4, 508, 254},
        {"height px", [](TImgProperty& p) { p.SetHeightPixels(254); }, 4, 508, 254},
        {"height mm", [](TImgProperty& p) { p.SetHeightMM(127); }, 2, 1016, 508},
        {"height in", [](TImgProperty& p) { p.SetHeightInches(10); }, 1, 2032, 1016},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TImgProperty props;
        props.ResetDefaults();
        c.apply(props);
        TPageGeometry page = PageOfScreenPixels(2032, 1016);
        page.frameWidthMM = 508;
        page.frameHeightMM = 254;
        ASSERT_TRUE(props.AssignMetafile(&page));
        EXPECT_FLOAT_EQ(props.GetScaleFactors().first, c.factor);
        EXPECT_FLOAT_EQ(props.GetScaleFactors().second, c.factor);
        EXPECT_EQ(props.GetPixelSize(), std::make_pair(c.pxW, c.pxH));
        EXPECT_NEAR(props.GetMMSize().first, c.pxW * 0.25, 1e-3);
        EXPECT_NEAR(props.GetInchSize().second, c.pxH / 101.6, 1e-5);
    }
}

TEST_F(ImgPropertyTest, AssignWithoutPageResetsToTheScreen) {
    m_props.ResetDefaults();
    m_props.SetFormat(kFormatGIF);
    m_props.SetPixelSize(10, 10);
    const TPageGeometry page = PageOfScreenPixels(100, 100);
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_FALSE(m_props.AssignMetafile(static_cast<const TPageGeometry*>(nullptr)));
    EXPECT_FALSE(m_props.HasMetafile());
    EXPECT_EQ(m_props.GetFormat(), kFormatBMP);
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(800, 600));
}

TEST_F(ImgPropertyTest, SelectingAUnitKeepsTheScreenBox) {
    m_props.ResetDefaults();
    m_props.SelectUnit(kUnitMM);
    EXPECT_EQ(m_props.GetUnit(), kUnitMM);
    const TPageGeometry page = PageOfScreenPixels(1600, 900);
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().first, 2.0f);
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(800, 600));
}

TEST_F(ImgPropertyTest, ZeroDivisorsKeepTargetAndFactors) {
    // Width setter given zero, page assigned later: by-width would divide by the zero width.
    m_props.ResetDefaults();
    m_props.SetPercentScale(50);
    m_props.SetWidthPixels(0);
    const TPageGeometry page = PageOfScreenPixels(1000, 700);
    ASSERT_TRUE(m_props.AssignMetafile(&page));
    EXPECT_FLOAT_EQ(m_props.GetScaleFactors().first, 2.0f);
    EXPECT_EQ(m_props.GetPixelSize().second, 600);
    EXPECT_TRUE(std::isfinite(m_props.GetScaleFactors().second));

    // A page of zero height in by-height mode.
    TImgProperty props;
    props.ResetDefaults();
    props.SetHeightPixels(100);
    TPageGeometry flat = PageOfScreenPixels(100, 0);
    ASSERT_TRUE(props.AssignMetafile(&flat));
    EXPECT_EQ(props.GetPixelSize(), std::make_pair(800, 100));
    EXPECT_FLOAT_EQ(props.GetScaleFactors().first, 0.0f);
}

TEST_F(ImgPropertyTest, MissingScreenLeavesFieldsUnchanged) {
    TImgProperty::SetDisplayQuery(&NoScreen);
    m_props.ResetDefaults();
    EXPECT_EQ(m_props.GetFormat(), kFormatBMP);
    EXPECT_EQ(m_props.GetUnit(), kUnitNone);
    EXPECT_EQ(m_props.GetPixelSize(), std::make_pair(0, 0));

    // A screen that reports no physical size: pixels stored, no infinite millimetres.
    TImgProperty::SetDisplayQuery(&ScreenWithoutSize);
    TImgProperty props;
    props.ResetDefaults();
    EXPECT_EQ(props.GetPixelSize(), std::make_pair(800, 600));
    EXPECT_FLOAT_EQ(props.GetMMSize().first, 0.0f);
    props.SetPercentScale(50);
    const TPageGeometry page = PageOfScreenPixels(1000, 700);
    ASSERT_TRUE(props.AssignMetafile(&page));
    EXPECT_EQ(props.GetPixelSize(), std::make_pair(800, 600));
}

} // namespace
