// Regions and clipping.
#include "GdiTestUtil.h"

#include <gtest/gtest.h>

#include <vector>

using namespace gdi::test;

TEST(Region, CombineModesAndTheirComplexity) {
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 0, 15, 10);
    HRGN c = CreateRectRgn(100, 100, 101, 101);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    struct {
        const char* name;
        HRGN second;
        int mode;
        int result;
        RECT box;
    } cases[] = {
        {"and", b, RGN_AND, SIMPLEREGION, {5, 0, 10, 10}},
        {"or", b, RGN_OR, SIMPLEREGION, {0, 0, 15, 10}},
        {"xor", b, RGN_XOR, COMPLEXREGION, {0, 0, 15, 10}},
        {"diff", b, RGN_DIFF, SIMPLEREGION, {0, 0, 5, 10}},
        {"copy", nullptr, RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}},
        {"disjoint and", c, RGN_AND, NULLREGION, {0, 0, 0, 0}},
        {"disjoint or", c, RGN_OR, COMPLEXREGION, {0, 0, 101, 101}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(CombineRgn(out, a, t.second, t.mode), t.result);
        RECT box{};
        EXPECT_EQ(GetRgnBox(out, &box), t.result);
        EXPECT_TRUE(box == t.box);
    }
    EXPECT_EQ(CombineRgn(out, a, b, 6), ERROR);
    EXPECT_EQ(CombineRgn(out, a, nullptr, RGN_OR), ERROR);
    for (HRGN r : {a, b, c, out}) {
        DeleteObject(r);
    }
}

TEST(Region, DataRoundTripsAndShortDataIsRefused) {
    HRGN a = CreateEllipticRgn(0, 0, 21, 13);
    const DWORD size = GetRegionData(a, 0, nullptr);
    ASSERT_GT(size, sizeof(RGNDATAHEADER));
    std::vector<std::uint8_t> bytes(size);
    auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
    EXPECT_EQ(GetRegionData(a, size - 1, data), 0u);
    ASSERT_EQ(GetRegionData(a, size, data), size);
    EXPECT_EQ(data->rdh.nCount, (size - sizeof(RGNDATAHEADER)) / sizeof(RECT));
    HRGN b = ExtCreateRegion(nullptr, size, data);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(EqualRgn(a, b));
    // A count larger than the data holds is refused rather than read past the end.
    data->rdh.nCount += 1;
    EXPECT_EQ(ExtCreateRegion(nullptr, size, data), nullptr);
    data->rdh.nCount -= 1;
    EXPECT_EQ(ExtCreateRegion(nullptr, sizeof(RGNDATAHEADER) - 1, data), nullptr);
    // A scaling transform scales every rectangle.
    const XFORM twice{2, 0, 0, 2, 0, 0};
    HRGN big = ExtCreateRegion(&twice, size, data);
    RECT box{};
    GetRgnBox(big, &box);
    EXPECT_TRUE(box == (RECT{0, 0, 40, 24}));
    for (HRGN r : {a, b, big}) {
        DeleteObject(r);
    }
}

TEST(Region, ShapesAreSymmetricAndQueriesAgree) {
    HRGN e = CreateEllipticRgn(0, 0, 10, 10);
    RECT box{};
    EXPECT_EQ(GetRgnBox(e, &box), COMPLEXREGION);
    EXPECT_TRUE(box == (RECT{0, 0, 9, 9})); // round regions leave out the right and bottom
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, 8 - x, y)) << x << "," << y;
            EXPECT_EQ(PtInRegion(e, x, y), PtInRegion(e, x, 8 - y)) << x << "," << y;
        }
    }
    EXPECT_TRUE(PtInRegion(e, 5, 5));
    EXPECT_FALSE(PtInRegion(e, 0, 0));
    const RECT corner{0, 0, 1, 1}, middle{4, 4, 6, 6};
    EXPECT_FALSE(RectInRegion(e, &corner));
    EXPECT_TRUE(RectInRegion(e, &middle));
    EXPECT_EQ(OffsetRgn(e, 5, -5), COMPLEXREGION);
    GetRgnBox(e, &box);
    EXPECT_TRUE(box == (RECT{5, -5, 14, 4}));
    // A polygon region follows the top-left rule: right and bottom edges stay out.
    const POINT square[4] = {{0, 0}, {4, 0}, {4, 4}, {0, 4}};
    HRGN p = CreatePolygonRgn(square, 4, ALTERNATE);
    GetRgnBox(p, &box);
    EXPECT_TRUE(box == (RECT{0, 0, 4, 4}));
    EXPECT_EQ(CreatePolygonRgn(square, 1, ALTERNATE), nullptr);
    EXPECT_EQ(CreatePolygonRgn(square, 4, 3), nullptr);
    DeleteObject(e);
    DeleteObject(p);
}

TEST(Clipping, RectanglesClipInLogicalUnitsRegionsInDeviceUnits) {
    TCanvas canvas(40, 40);
    HDC dc = canvas.Dc();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 1, 1, nullptr);
    SetViewportExtEx(dc, 2, 2, nullptr);
    EXPECT_EQ(IntersectClipRect(dc, 2, 2, 10, 10), SIMPLEREGION); // device 4..20
    EXPECT_EQ(ExcludeClipRect(dc, 4, 4, 6, 6), COMPLEXREGION);    // device 8..12 out
    RECT box{};
    EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
    EXPECT_TRUE(box == (RECT{2, 2, 10, 10}));
    RECT all{0, 0, 40, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_TRUE(canvas.Bounds() == (RECT{4, 4, 20, 20}));
    EXPECT_EQ(canvas.At(9, 9), RGB(255, 255, 255));
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 0));
    // The offset is logical too: 3 units are 6 pixels.
    EXPECT_NE(OffsetClipRgn(dc, 3, 0), ERROR);
    GetClipBox(dc, &box);
    EXPECT_TRUE(box == (RECT{5, 2, 13, 10}));

    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, region), 1);
    GetRgnBox(region, &box);
    EXPECT_TRUE(box == (RECT{10, 4, 26, 20}));
    EXPECT_EQ(SelectClipRgn(dc, nullptr), SIMPLEREGION);
    EXPECT_EQ(GetClipRgn(dc, region), 0);
    EXPECT_EQ(ExtSelectClipRgn(dc, nullptr, RGN_AND), ERROR);
    DeleteObject(region);
}

TEST(Clipping, MetaRegionBoundsEveryLaterClip) {
    TCanvas canvas(20, 20);
    HDC dc = canvas.Dc();
    IntersectClipRect(dc, 0, 0, 10, 10);
    EXPECT_EQ(SetMetaRgn(dc), SIMPLEREGION);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, region), 1); // the meta region shows through
    HRGN wide = CreateRectRgn(5, 5, 20, 20);
    EXPECT_EQ(SelectClipRgn(dc, wide), SIMPLEREGION);
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_TRUE(box == (RECT{5, 5, 10, 10}));
    // RGN_OR with no clip of its own combines with the whole device, inside the meta region.
    SelectClipRgn(dc, nullptr);
    EXPECT_EQ(ExtSelectClipRgn(dc, wide, RGN_OR), SIMPLEREGION);
    GetClipBox(dc, &box);
    EXPECT_TRUE(box == (RECT{0, 0, 10, 10}));
    DeleteObject(region);
    DeleteObject(wide);
}

TEST(Region, HugeShapesStayBounded) {
    // Shapes far larger than any page are cut off, not scanned line by line for ever.
    const POINT huge[3] = {{-2000000000, -2000000000}, {2000000000, 0}, {0, 2000000000}};
    HRGN polygon = CreatePolygonRgn(huge, 3, WINDING);
    ASSERT_NE(polygon, nullptr);
    EXPECT_TRUE(PtInRegion(polygon, 0, 0));
    HRGN ellipse = CreateEllipticRgn(-2000000000, -2000000000, 2000000000, 2000000000);
    ASSERT_NE(ellipse, nullptr);
    EXPECT_TRUE(PtInRegion(ellipse, 0, 0));
    HRGN moved = CreateRectRgn(0, 0, 10, 10);
    OffsetRgn(moved, 2000000000, 2000000000);
    RECT box{};
    GetRgnBox(moved, &box);
    EXPECT_GT(box.right, box.left); // clamped, not wrapped
    DeleteObject(polygon);
    DeleteObject(ellipse);
    DeleteObject(moved);
}
