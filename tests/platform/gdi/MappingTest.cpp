// Mapping modes, window and viewport, the isotropic adjustment and the world transform.
#include "GdiTestUtil.h"

#include <gtest/gtest.h>

using namespace gdi::test;

namespace {

POINT ToDevice(HDC dc, int x, int y) {
    POINT p{x, y};
    LPtoDP(dc, &p, 1);
    return p;
}

} // namespace

TEST(Mapping, FixedModesScaleByTheDeviceSizeAndPointYUp) {
    // The display is 1024 x 768 pixels on 271 x 203 mm.
    struct {
        int mode;
        POINT logical;
        POINT device;
    } cases[] = {
        {MM_TEXT, {100, 50}, {100, 50}},
        {MM_LOMETRIC, {2710, -2030}, {1024, 768}},
        {MM_HIMETRIC, {27100, -20300}, {1024, 768}},
        {MM_LOMETRIC, {271, 203}, {102, -77}},
        {MM_LOENGLISH, {1067, -799}, {1024, 768}},
        {MM_TWIPS, {1440, -1440}, {96, 96}},
    };
    TCanvas canvas(4, 4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        SetMapMode(canvas.Dc(), c.mode);
        const POINT p = ToDevice(canvas.Dc(), c.logical.x, c.logical.y);
        EXPECT_NEAR(p.x, c.device.x, 1);
        EXPECT_NEAR(p.y, c.device.y, 1);
    }
}

TEST(Mapping, ExtentsOnlyCountInTheScalableModes) {
    TCanvas canvas(4, 4);
    HDC dc = canvas.Dc();
    SIZE previous{};
    EXPECT_TRUE(SetWindowExtEx(dc, 10, 10, &previous)); // accepted and ignored in MM_TEXT
    EXPECT_EQ(ToDevice(dc, 5, 5).x, 5);
    SetMapMode(dc, MM_ANISOTROPIC);
    EXPECT_FALSE(SetWindowExtEx(dc, 0, 10, nullptr));
    EXPECT_FALSE(SetViewportExtEx(dc, 10, 0, nullptr));
    EXPECT_FALSE(ScaleWindowExtEx(dc, 1, 0, 1, 1, nullptr));
    EXPECT_TRUE(SetWindowExtEx(dc, 100, 200, nullptr));
    EXPECT_TRUE(SetViewportExtEx(dc, 50, -50, nullptr));
    EXPECT_TRUE(SetViewportOrgEx(dc, 10, 100, nullptr));
    const POINT p = ToDevice(dc, 100, 200);
    EXPECT_EQ(p.x, 60);
    EXPECT_EQ(p.y, 50);
    POINT back = p;
    EXPECT_TRUE(DPtoLP(dc, &back, 1));
    EXPECT_EQ(back.x, 100);
    EXPECT_EQ(back.y, 200);
}

TEST(Mapping, IsotropicShrinksTheLongerViewportAxisKeepingItsSign) {
    TCanvas canvas(4, 4);
    HDC dc = canvas.Dc();
    SetMapMode(dc, MM_ISOTROPIC);
    SetWindowExtEx(dc, 1000, 1000, nullptr);
    SetViewportExtEx(dc, 200, -150, nullptr);
    SIZE vp{};
    GetViewportExtEx(dc, &vp);
    // Square pixels: x shrinks to match y, y keeps its sign.
    EXPECT_EQ(vp.cx, 150);
    EXPECT_EQ(vp.cy, -150);
    // Setting the window extent again re-adjusts from the adjusted viewport.
    SetWindowExtEx(dc, 1000, 500, nullptr);
    GetViewportExtEx(dc, &vp);
    EXPECT_EQ(vp.cx, 150);
    EXPECT_EQ(vp.cy, -75);
}

TEST(Mapping, OffsetsAndScalesCompose) {
    TCanvas canvas(4, 4);
    HDC dc = canvas.Dc();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, 2, 2, nullptr);
    OffsetWindowOrgEx(dc, 10, 0, nullptr);
    OffsetViewportOrgEx(dc, 0, 7, nullptr);
    ScaleViewportExtEx(dc, 3, 1, 1, 2, nullptr);
    const POINT p = ToDevice(dc, 11, 4);
    EXPECT_EQ(p.x, 6);  // (11 - 10) * 6
    EXPECT_EQ(p.y, 11); // 4 * 1 + 7
}

TEST(Mapping, WorldTransformNeedsTheAdvancedModeAndComposesInOrder) {
    TCanvas canvas(4, 4);
    HDC dc = canvas.Dc();
    const XFORM scale{2, 0, 0, 2, 0, 0};
    const XFORM shift{1, 0, 0, 1, 10, 0};
    EXPECT_FALSE(SetWorldTransform(dc, &scale));
    ASSERT_EQ(SetGraphicsMode(dc, GM_ADVANCED), GM_COMPATIBLE);
    EXPECT_TRUE(SetWorldTransform(dc, &scale));
    EXPECT_TRUE(ModifyWorldTransform(dc, &shift, MWT_RIGHTMULTIPLY)); // scale, then shift
    EXPECT_EQ(ToDevice(dc, 1, 1).x, 12);
    EXPECT_TRUE(ModifyWorldTransform(dc, nullptr, MWT_IDENTITY));
    EXPECT_TRUE(SetWorldTransform(dc, &scale));
    EXPECT_TRUE(ModifyWorldTransform(dc, &shift, MWT_LEFTMULTIPLY)); // shift, then scale
    EXPECT_EQ(ToDevice(dc, 1, 1).x, 22);
    // A singular transform is refused and the old one kept.
    const XFORM flat{0, 0, 0, 0, 0, 0};
    EXPECT_FALSE(SetWorldTransform(dc, &flat));
    EXPECT_EQ(ToDevice(dc, 1, 1).x, 22);
    // Back to the compatible mode only with the identity.
    EXPECT_EQ(SetGraphicsMode(dc, GM_COMPATIBLE), 0);
    ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
    EXPECT_EQ(SetGraphicsMode(dc, GM_COMPATIBLE), GM_ADVANCED);

    XFORM combined{};
    ASSERT_TRUE(CombineTransform(&combined, &scale, &shift));
    EXPECT_FLOAT_EQ(combined.eM11, 2);
    EXPECT_FLOAT_EQ(combined.eDx, 10);
    ASSERT_TRUE(CombineTransform(&combined, &shift, &scale));
    EXPECT_FLOAT_EQ(combined.eDx, 20);
}
