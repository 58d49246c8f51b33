// Drawing conventions: which pixels each call covers, the raster operations, pens, brushes,
// paths and flood fill.
#include "GdiTestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

using namespace gdi;
using namespace gdi::test;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

void Select(HDC dc, HGDIOBJ pen, HGDIOBJ brush) {
    SelectObject(dc, pen);
    SelectObject(dc, brush);
}

} // namespace

TEST(Draw, RectangleLeavesOutRightAndBottomEdges) {
    TCanvas canvas(20, 20);
    HDC dc = canvas.Dc();
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    Select(dc, GetStockObject(NULL_PEN), black);
    Rectangle(dc, 2, 2, 12, 12);
    EXPECT_TRUE(canvas.Bounds() == (RECT{2, 2, 11, 11})) << canvas.Picture(0, 0, 14, 14);
    EXPECT_EQ(canvas.Count(kBlack), 81);

    canvas.Clear(kWhite);
    Select(dc, GetStockObject(BLACK_PEN), GetStockObject(NULL_BRUSH));
    Rectangle(dc, 12, 12, 2, 2); // corners in any order
    EXPECT_TRUE(canvas.Bounds() == (RECT{2, 2, 12, 12})) << canvas.Picture(0, 0, 14, 14);
    EXPECT_EQ(canvas.Count(kBlack), 36); // the one-pixel frame only

    canvas.Clear(kWhite);
    Rectangle(dc, 5, 5, 6, 6); // a 1 x 1 box is one pixel
    EXPECT_EQ(canvas.Count(kBlack), 1);
}

TEST(Draw, PolygonFollowsTheTopLeftRule) {
    TCanvas canvas(20, 20);
    HDC dc = canvas.Dc();
    Select(dc, GetStockObject(NULL_PEN), GetStockObject(BLACK_BRUSH));
    const POINT left[4] = {{0, 0}, {5, 0}, {5, 5}, {0, 5}};
    const POINT right[4] = {{5, 0}, {10, 0}, {10, 5}, {5, 5}};
    SetROP2(dc, R2_NOT);
    Polygon(dc, left, 4);
    Polygon(dc, right, 4);
    // Two squares sharing an edge: every pixel inverted exactly once.
    EXPECT_EQ(canvas.Count(kBlack), 50) << canvas.Picture(0, 0, 12, 7);
    EXPECT_TRUE(canvas.Bounds() == (RECT{0, 0, 10, 5}));
}

TEST(Draw, FractionalWorldTransformRoundsVerticesToWholePixels) {
    // A world transform moving everything by (0.4, 0.6) pixels: each vertex goes to the
    // nearest pixel, for polygons and paths alike, so the square lands at (2, 3)-(8, 9).
    const POINT square[4] = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
    const XFORM shift{1, 0, 0, 1, 0.4f, 0.6f};
    for (bool path : {false, true}) {
        SCOPED_TRACE(path ? "FillPath" : "Polygon");
        TCanvas canvas(12, 12);
        HDC dc = canvas.Dc();
        SetGraphicsMode(dc, GM_ADVANCED);
        SetWorldTransform(dc, &shift);
        Select(dc, GetStockObject(NULL_PEN), GetStockObject(BLACK_BRUSH));
        if (path) {
            BeginPath(dc);
            Polygon(dc, square, 4);
            EndPath(dc);
            FillPath(dc);
        } else {
            Polygon(dc, square, 4);
        }
        EXPECT_TRUE(canvas.Bounds() == (RECT{2, 3, 8, 9})) << canvas.Picture(0, 0, 12, 12);
        EXPECT_EQ(canvas.Count(kBlack), 36);
    }
}

TEST(Draw, ColoursWithThePaletteBitAreIndices) {
    // The top byte of a colour is tested bit by bit: 0xFF carries the palette-index bit, so
    // 0xFF0000FF is entry 255 of the 20-entry default palette, past its end: black. A
    // PALETTERGB colour (0x02) and an index into the palette draw as their colours.
    const struct {
        COLORREF color, expected;
    } cases[] = {
        {0xFF0000FFu, kBlack},
        {0xFF00FF00u, kBlack},
        {PALETTERGB(0, 0, 255), RGB(0, 0, 255)},
        {RGB(0, 0, 255), RGB(0, 0, 255)},
        {PALETTEINDEX(4), RGB(0, 0, 128)}, // dark blue in the default palette
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.color);
        TCanvas canvas(8, 8);
        HBRUSH brush = CreateSolidBrush(c.color);
        Select(canvas.Dc(), GetStockObject(NULL_PEN), brush);
        Rectangle(canvas.Dc(), 0, 0, 9, 9);
        EXPECT_EQ(canvas.At(3, 3), c.expected);
        SelectObject(canvas.Dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(brush);
    }
}

TEST(Draw, PolygonFillModes) {
    // A pentagram: the centre is out with ALTERNATE and in with WINDING.
    const POINT star[5] = {{20, 2}, {32, 38}, {2, 15}, {38, 15}, {8, 38}};
    for (int mode : {ALTERNATE, WINDING}) {
        TCanvas canvas(40, 40);
        Select(canvas.Dc(), GetStockObject(NULL_PEN), GetStockObject(BLACK_BRUSH));
        SetPolyFillMode(canvas.Dc(), mode);
        Polygon(canvas.Dc(), star, 5);
        EXPECT_EQ(canvas.At(20, 22), mode == WINDING ? kBlack : kWhite);
        EXPECT_EQ(canvas.At(20, 8), kBlack);
    }
}

TEST(Draw, LinesLeaveOutTheirLastPixelAndJoinWithoutGaps) {
    TCanvas canvas(20, 20);
    HDC dc = canvas.Dc();
    MoveToEx(dc, 2, 2, nullptr);
    LineTo(dc, 10, 2);
    EXPECT_EQ(canvas.Count(kBlack), 8);
    EXPECT_EQ(canvas.At(10, 2), kWhite);
    POINT cp{};
    GetCurrentPositionEx(dc, &cp);
    EXPECT_EQ(cp.x, 10);

    // Every segment leaves out its last pixel, so R2_NOT, which shows a pixel drawn twice,
    // covers as many pixels as a plain copy.
    const POINT zigzag[5] = {{0, 0}, {7, 3}, {9, 12}, {16, 14}, {17, 1}};
    canvas.Clear(kWhite);
    Polyline(dc, zigzag, 5);
    const int copied = canvas.Count(kBlack);
    canvas.Clear(kWhite);
    SetROP2(dc, R2_NOT);
    Polyline(dc, zigzag, 5);
    EXPECT_EQ(canvas.Count(kBlack), copied) << canvas.Picture(0, 0, 14, 18);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(canvas.At(zigzag[i].x, zigzag[i].y), kBlack) << i;
    }
    EXPECT_EQ(canvas.At(17, 1), kWhite);
}

TEST(Draw, AllSixteenBinaryRasterOperations) {
    // Pen 0b11001100 against destination 0b10101010 meets every pen and destination bit pair.
    const BYTE pen = 0xCC, dst = 0xAA;
    for (int rop = R2_BLACK; rop <= R2_WHITE; ++rop) {
        SCOPED_TRACE(rop);
        TCanvas canvas(4, 4);
        canvas.Clear(RGB(dst, dst, dst));
        SetROP2(canvas.Dc(), rop);
        HBRUSH brush = CreateSolidBrush(RGB(pen, pen, pen));
        Select(canvas.Dc(), GetStockObject(NULL_PEN), brush);
        Rectangle(canvas.Dc(), 0, 0, 5, 5);
        BYTE expected = 0;
        for (int bit = 0; bit < 8; ++bit) {
            const int p = (pen >> bit) & 1, d = (dst >> bit) & 1;
            const int index = (p << 1) | d; // R2_x - 1 is a truth table indexed by (P, D)
            expected |= static_cast<BYTE>((((rop - 1) >> index) & 1) << bit);
        }
        EXPECT_EQ(canvas.At(1, 1), RGB(expected, expected, expected));
        SelectObject(canvas.Dc(), GetStockObject(WHITE_BRUSH));
        DeleteObject(brush);
    }
}

TEST(Draw, HatchBrushesFollowBackgroundModeAndBrushOrigin) {
    TCanvas canvas(16, 16);
    HDC dc = canvas.Dc();
    HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 0, 255));
    Select(dc, GetStockObject(NULL_PEN), hatch);
    SetBkColor(dc, RGB(255, 255, 0));
    Rectangle(dc, 0, 0, 17, 17);
    EXPECT_EQ(canvas.At(5, 3), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(5, 11), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(5, 4), RGB(255, 255, 0));

    canvas.Clear(kWhite);
    SetBkMode(dc, TRANSPARENT);
    SetBrushOrgEx(dc, 0, 2, nullptr);
    Rectangle(dc, 0, 0, 17, 17);
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 255));
    EXPECT_EQ(canvas.At(5, 4), kWhite);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(hatch);
    EXPECT_EQ(CreateHatchBrush(6, 0), nullptr);
}

TEST(Draw, MonochromePatternTakesTextAndBackgroundColours) {
    TCanvas canvas(8, 8);
    HDC dc = canvas.Dc();
    auto mono = MakeBitmap(2, 1, true);
    mono->m_surface.Set(1, 0, 0xFFFFFF); // pixel 0 black (bit 0), pixel 1 white (bit 1)
    HBITMAP bitmap = static_cast<HBITMAP>(GdiAddObject(std::move(mono)));
    HBRUSH brush = CreatePatternBrush(bitmap);
    ASSERT_NE(brush, nullptr);
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 255, 0));
    SetBkMode(dc, TRANSPARENT); // no effect on pattern brushes
    RECT r{0, 0, 8, 8};
    FillRect(dc, &r, brush);
    EXPECT_EQ(canvas.At(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(canvas.At(1, 0), RGB(0, 255, 0));
    DeleteObject(brush);
    DeleteObject(bitmap);
}

TEST(Draw, CosmeticPensStayOnePixelWideWhateverTheScale) {
    TCanvas canvas(40, 40);
    HDC dc = canvas.Dc();
    SetMapMode(dc, MM_ANISOTROPIC);
    SetViewportExtEx(dc, 4, 4, nullptr);
    HPEN thin = CreatePen(PS_SOLID, 0, kBlack);
    HPEN wide = CreatePen(PS_SOLID, 1, kBlack);
    SelectObject(dc, thin);
    MoveToEx(dc, 1, 2, nullptr);
    LineTo(dc, 8, 2);
    EXPECT_EQ(canvas.Count(kBlack), 28);
    canvas.Clear(kWhite);
    SelectObject(dc, wide);
    MoveToEx(dc, 2, 2, nullptr);
    LineTo(dc, 2, 8);
    const RECT box = canvas.Bounds();
    EXPECT_EQ(box.right - box.left, 4) << canvas.Picture(0, 0, 14, 36);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(thin);
    DeleteObject(wide);
}

TEST(Draw, InsideFramePenKeepsTheShapeInsideItsBox) {
    TCanvas canvas(40, 40);
    HDC dc = canvas.Dc();
    HPEN frame = CreatePen(PS_INSIDEFRAME, 6, kBlack);
    Select(dc, frame, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 5, 5, 30, 30);
    EXPECT_TRUE(canvas.Bounds() == (RECT{5, 5, 30, 30})) << canvas.Picture(0, 0, 35, 35);
    canvas.Clear(kWhite);
    Ellipse(dc, 5, 5, 30, 30);
    const RECT box = canvas.Bounds();
    EXPECT_GE(box.left, 5);
    EXPECT_LE(box.right, 30);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(frame);
}

TEST(Draw, EllipseIsSymmetricAndFillsItsBox) {
    {
        TCanvas canvas(4, 4);
        Ellipse(canvas.Dc(), 1, 1, 2, 2); // a one-pixel box draws nothing
        EXPECT_EQ(canvas.Count(kWhite), 16);
    }
    for (int size : {2, 3, 7, 10, 23}) {
        SCOPED_TRACE(size);
        TCanvas canvas(30, 30);
        Select(canvas.Dc(), GetStockObject(BLACK_PEN), GetStockObject(BLACK_BRUSH));
        Ellipse(canvas.Dc(), 2, 3, 2 + size, 3 + size);
        EXPECT_TRUE(canvas.Bounds() == (RECT{2, 3, 2 + size, 3 + size}))
            << canvas.Picture(0, 0, 28, 28);
        for (int y = 3; y < 3 + size; ++y) {
            for (int x = 2; x < 2 + size; ++x) {
                ASSERT_EQ(canvas.At(x, y), canvas.At(2 + size - 1 - (x - 2), y));
                ASSERT_EQ(canvas.At(x, y), canvas.At(x, 3 + size - 1 - (y - 3)));
            }
        }
    }
}

// Only a rectangle is inclusive in the advanced mode: curved shapes cover the pixels they
// cover in the compatible mode, right and bottom edge left out.
TEST(Draw, AdvancedModeLeavesOutTheEdgeOfCurvedShapesOnly) {
    const auto draw = [](int mode, const std::function<void(HDC)>& shape) {
        auto canvas = std::make_unique<TCanvas>(48, 48);
        SetGraphicsMode(canvas->Dc(), mode);
        Select(canvas->Dc(), GetStockObject(BLACK_PEN), GetStockObject(BLACK_BRUSH));
        shape(canvas->Dc());
        return canvas;
    };
    const struct {
        const char* name;
        std::function<void(HDC)> shape;
    } shapes[] = {
        {"ellipse", [](HDC dc) { Ellipse(dc, 16, 16, 34, 34); }},
        {"round rect", [](HDC dc) { RoundRect(dc, 4, 6, 40, 30, 12, 10); }},
        {"arc", [](HDC dc) { Arc(dc, 4, 6, 40, 30, 40, 6, 4, 30); }},
        {"chord", [](HDC dc) { Chord(dc, 4, 6, 40, 30, 40, 6, 4, 30); }},
        {"pie", [](HDC dc) { Pie(dc, 4, 6, 40, 30, 40, 6, 4, 30); }},
        {"arc to",
         [](HDC dc) {
             MoveToEx(dc, 2, 2, nullptr);
             ArcTo(dc, 4, 6, 40, 30, 40, 6, 4, 30);
         }},
    };
    for (const auto& shape : shapes) {
        SCOPED_TRACE(shape.name);
        const auto compatible = draw(GM_COMPATIBLE, shape.shape);
        const auto advanced = draw(GM_ADVANCED, shape.shape);
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 48; ++x) {
                ASSERT_EQ(advanced->At(x, y), compatible->At(x, y))
                    << x << "," << y << "\n"
                    << advanced->Picture(0, 0, 48, 48);
            }
        }
    }
    const auto ellipse = draw(GM_ADVANCED, [](HDC dc) { Ellipse(dc, 16, 16, 34, 34); });
    EXPECT_TRUE(ellipse->Bounds() == (RECT{16, 16, 34, 34})) << "18 pixels across";
    const auto rect = draw(GM_ADVANCED, [](HDC dc) { Rectangle(dc, 16, 16, 34, 34); });
    EXPECT_TRUE(rect->Bounds() == (RECT{16, 16, 35, 35})) << "19 pixels across";
}

TEST(Draw, SmallCirclesTakeGdisPixels) {
    // Boxes of three to eight pixels: the integer ellipse walk rounds the corners off.
    const struct {
        int size;
        const char* picture;
    } cases[] = {
        {3, ".#.\n###\n.#.\n"},
        {4, ".##.\n####\n####\n.##.\n"},
        {5, ".###.\n#####\n#####\n#####\n.###.\n"},
        {6, "..##..\n.####.\n######\n######\n.####.\n..##..\n"},
        {7, "..###..\n.#####.\n#######\n#######\n#######\n.#####.\n..###..\n"},
        {8, "..####..\n.######.\n########\n########\n########\n########\n.######.\n"
            "..####..\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        TCanvas canvas(12, 12);
        Select(canvas.Dc(), GetStockObject(BLACK_PEN), GetStockObject(BLACK_BRUSH));
        Ellipse(canvas.Dc(), 2, 2, 2 + c.size, 2 + c.size);
        EXPECT_EQ(canvas.Picture(2, 2, 2 + c.size, 2 + c.size), c.picture);
    }
}

TEST(Draw, EllipseOutlineIsOnePixelAroundTheFill) {
    TCanvas canvas(30, 30);
    Select(canvas.Dc(), GetStockObject(BLACK_PEN), GetStockObject(WHITE_BRUSH));
    Ellipse(canvas.Dc(), 3, 3, 27, 20);
    // Every row crosses the outline exactly twice on its way through the shape, and the pen
    // takes the whole top and bottom rows.
    for (int y = 4; y < 18; ++y) {
        int crossings = 0;
        for (int x = 1; x < 29; ++x) {
            crossings += canvas.At(x, y) != canvas.At(x - 1, y);
        }
        EXPECT_EQ(crossings, 4) << y << "\n" << canvas.Picture(0, 0, 30, 22);
    }
    EXPECT_EQ(canvas.Picture(3, 3, 27, 4), canvas.Picture(3, 19, 27, 20));
    // A region of the same box is one pixel smaller at the right and bottom.
    HRGN region = CreateEllipticRgn(3, 3, 27, 20);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_TRUE(box == (RECT{3, 3, 26, 19}));
    DeleteObject(region);
}

TEST(Draw, ArcFollowsTheEllipseOutlinePixels) {
    // With both radials through the same point an arc goes once round the ellipse Ellipse
    // draws and leaves out only its last pixel, just before where it started.
    const struct {
        int direction;
        POINT missing;
    } cases[] = {{AD_COUNTERCLOCKWISE, {23, 10}}, {AD_CLOCKWISE, {23, 9}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.direction);
        TCanvas ellipse(30, 30), arc(30, 30);
        SelectObject(ellipse.Dc(), GetStockObject(NULL_BRUSH));
        Ellipse(ellipse.Dc(), 4, 3, 24, 17);
        SetArcDirection(arc.Dc(), c.direction);
        Arc(arc.Dc(), 4, 3, 24, 17, 40, 10, 40, 10);
        int differ = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 30; ++x) {
                if (ellipse.At(x, y) != arc.At(x, y)) {
                    ++differ;
                    EXPECT_TRUE(x == c.missing.x && y == c.missing.y) << x << "," << y;
                }
            }
        }
        EXPECT_EQ(differ, 1) << arc.Picture(0, 0, 30, 20);
    }
}

TEST(Draw, AngleArcIsArcToOnTheCirclesBox) {
    for (const float sweep : {90.0f, -135.0f, 360.0f}) {
        SCOPED_TRACE(sweep);
        TCanvas angle(40, 40), arcTo(40, 40);
        MoveToEx(angle.Dc(), 2, 30, nullptr);
        AngleArc(angle.Dc(), 20, 20, 12, 30, sweep);
        const double end = (30 + sweep) * std::numbers::pi / 180;
        const POINT to{static_cast<LONG>(std::lround(20 + 12 * std::cos(end))),
                       static_cast<LONG>(std::lround(20 - 12 * std::sin(end)))};
        MoveToEx(arcTo.Dc(), 2, 30, nullptr);
        SetArcDirection(arcTo.Dc(), sweep > 0 ? AD_COUNTERCLOCKWISE : AD_CLOCKWISE);
        ArcTo(arcTo.Dc(), 8, 8, 32, 32, 30, 14, to.x, to.y);
        EXPECT_EQ(angle.Picture(0, 0, 40, 40), arcTo.Picture(0, 0, 40, 40));
        POINT at{};
        GetCurrentPositionEx(angle.Dc(), &at);
        EXPECT_EQ(at.x, to.x);
        EXPECT_EQ(at.y, to.y);
    }
}

TEST(Draw, FlattenedCurvesStayWithinAPixel) {
    TCanvas canvas(10, 10);
    HDC dc = canvas.Dc();
    const POINT curve[4] = {{10, 200}, {10, 10}, {300, 10}, {300, 150}};
    BeginPath(dc);
    MoveToEx(dc, curve[0].x, curve[0].y, nullptr);
    PolyBezierTo(dc, curve + 1, 3);
    EndPath(dc);
    ASSERT_TRUE(FlattenPath(dc));
    const int count = GetPath(dc, nullptr, nullptr, 0);
    ASSERT_GT(count, 8);
    std::vector<POINT> points(count);
    std::vector<BYTE> types(count);
    ASSERT_EQ(GetPath(dc, points.data(), types.data(), count), count);
    EXPECT_LT(count, 80); // a pixel of tolerance, not a segment per pixel
    EXPECT_EQ(points.back().x, 300);
    EXPECT_EQ(points.back().y, 150);
    // Every vertex and every chord's middle lies near the curve.
    auto distance = [&](double x, double y) {
        double best = 1e9;
        for (int i = 0; i <= 2000; ++i) {
            const double t = i / 2000.0, u = 1 - t;
            const double bx = u * u * u * curve[0].x + 3 * u * u * t * curve[1].x +
                              3 * u * t * t * curve[2].x + t * t * t * curve[3].x;
            const double by = u * u * u * curve[0].y + 3 * u * u * t * curve[1].y +
                              3 * u * t * t * curve[2].y + t * t * t * curve[3].y;
            best = std::min(best, std::hypot(bx - x, by - y));
        }
        return best;
    };
    for (int i = 0; i < count; ++i) {
        EXPECT_LE(distance(points[i].x, points[i].y), 1.0) << i;
        if (i > 0) {
            const double mx = (points[i - 1].x + points[i].x) / 2.0;
            const double my = (points[i - 1].y + points[i].y) / 2.0;
            EXPECT_LE(distance(mx, my), 1.5) << i;
        }
    }
}

TEST(Draw, ArcDirectionPicksTheComplementaryArc) {
    TCanvas ccw(30, 30), cw(30, 30);
    Arc(ccw.Dc(), 0, 0, 30, 30, 30, 15, 0, 15); // upper half, counter-clockwise
    SetArcDirection(cw.Dc(), AD_CLOCKWISE);
    Arc(cw.Dc(), 0, 0, 30, 30, 30, 15, 0, 15); // lower half
    EXPECT_EQ(ccw.Bounds().bottom <= 16, true) << ccw.Picture(0, 0, 30, 30);
    EXPECT_EQ(cw.Bounds().top >= 14, true) << cw.Picture(0, 0, 30, 30);
    EXPECT_EQ(SetArcDirection(cw.Dc(), 3), 0);
}

// A path holds an arc as Bezier pieces cut where it crosses the ellipse's axes, with whole
// pixels for points: the pieces, and so the flattened outline, are those of the full ellipse.
TEST(Draw, ArcInAPathIsCutAtTheEllipsesAxes) {
    TCanvas canvas(10, 10);
    HDC dc = canvas.Dc();
    BeginPath(dc);
    // From 45 degrees counter-clockwise to 225 on the circle of radius 50 about (50, 50).
    Arc(dc, 0, 0, 101, 101, 100, 0, 0, 100);
    EndPath(dc);
    const int count = GetPath(dc, nullptr, nullptr, 0);
    ASSERT_EQ(count, 10); // a move and three pieces: 45-90, 90-180, 180-225
    std::vector<POINT> points(count);
    std::vector<BYTE> types(count);
    ASSERT_EQ(GetPath(dc, points.data(), types.data(), count), count);
    EXPECT_EQ(types[0], PT_MOVETO);
    EXPECT_EQ(points[3].x, 50); // the top of the circle
    EXPECT_EQ(points[3].y, 0);
    EXPECT_EQ(points[6].x, 0); // its left
    EXPECT_EQ(points[6].y, 50);
}

TEST(Draw, FillPathMatchesPolygonAndPathsReadBack) {
    const POINT tri[3] = {{2, 2}, {25, 8}, {6, 20}};
    TCanvas direct(30, 30), path(30, 30);
    Select(direct.Dc(), GetStockObject(NULL_PEN), GetStockObject(BLACK_BRUSH));
    Polygon(direct.Dc(), tri, 3);

    HDC dc = path.Dc();
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_FALSE(FillPath(dc)); // no path yet
    ASSERT_TRUE(BeginPath(dc));
    MoveToEx(dc, tri[0].x, tri[0].y, nullptr);
    LineTo(dc, tri[1].x, tri[1].y);
    LineTo(dc, tri[2].x, tri[2].y);
    EXPECT_TRUE(CloseFigure(dc));
    EXPECT_EQ(GetPath(dc, nullptr, nullptr, 0), -1); // still open
    ASSERT_TRUE(EndPath(dc));
    ASSERT_EQ(GetPath(dc, nullptr, nullptr, 0), 3);
    POINT points[3];
    BYTE types[3];
    EXPECT_EQ(GetPath(dc, points, types, 2), -1);
    ASSERT_EQ(GetPath(dc, points, types, 3), 3);
    EXPECT_EQ(types[0], PT_MOVETO);
    EXPECT_EQ(types[2], PT_LINETO | PT_CLOSEFIGURE);
    EXPECT_EQ(points[1].x, 25);
    ASSERT_TRUE(FillPath(dc));
    EXPECT_EQ(GetPath(dc, nullptr, nullptr, 0), -1); // consumed
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(direct.At(x, y), path.At(x, y)) << x << "," << y;
        }
    }
}

TEST(Draw, WidenedPathFillsWhatTheStrokeDraws) {
    TCanvas stroked(40, 40), widened(40, 40);
    HPEN pen = CreatePen(PS_SOLID, 5, kBlack);
    for (TCanvas* canvas : {&stroked, &widened}) {
        HDC dc = canvas->Dc();
        Select(dc, pen, GetStockObject(BLACK_BRUSH));
        BeginPath(dc);
        MoveToEx(dc, 5, 5, nullptr);
        LineTo(dc, 30, 12);
        LineTo(dc, 10, 32);
        EndPath(dc);
    }
    StrokePath(stroked.Dc());
    ASSERT_TRUE(WidenPath(widened.Dc()));
    SelectObject(widened.Dc(), GetStockObject(NULL_PEN));
    SetPolyFillMode(widened.Dc(), WINDING);
    FillPath(widened.Dc());
    const int a = stroked.Count(kBlack), b = widened.Count(kBlack);
    EXPECT_GT(a, 100);
    // The stamped nib and the stroker may disagree on a few edge pixels.
    EXPECT_NEAR(a, b, a / 10);
    for (TCanvas* canvas : {&stroked, &widened}) {
        SelectObject(canvas->Dc(), GetStockObject(BLACK_PEN));
    }
    DeleteObject(pen);
}

TEST(Draw, WidenedPathKeepsThePensEndWhereThePathTurnsBack) {
    // A line that runs out and straight back: with a round join the widened outline, like
    // the stroke, reaches half the pen's width beyond the turning point; a bevel (and a miter,
    // whose tip would lie at infinity) ends square across it.
    for (DWORD join : {PS_JOIN_ROUND, PS_JOIN_BEVEL, PS_JOIN_MITER}) {
        SCOPED_TRACE(join);
        TCanvas canvas(50, 30);
        HDC dc = canvas.Dc();
        const LOGBRUSH black{BS_SOLID, kBlack, 0};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_ENDCAP_FLAT | join, 10, &black, 0, nullptr);
        Select(dc, pen, GetStockObject(BLACK_BRUSH));
        BeginPath(dc);
        MoveToEx(dc, 10, 15, nullptr);
        LineTo(dc, 30, 15);
        LineTo(dc, 10, 15);
        EndPath(dc);
        ASSERT_TRUE(WidenPath(dc));
        SelectObject(dc, GetStockObject(NULL_PEN));
        SetPolyFillMode(dc, WINDING);
        FillPath(dc);
        EXPECT_EQ(canvas.At(28, 15), kBlack) << canvas.Picture(0, 0, 50, 30);
        EXPECT_EQ(canvas.At(33, 15), join == PS_JOIN_ROUND ? kBlack : kWhite)
            << canvas.Picture(0, 0, 50, 30);
        EXPECT_EQ(canvas.At(38, 15), kWhite);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
}

TEST(Draw, SelectClipPathAndPathToRegion) {
    TCanvas canvas(30, 30);
    HDC dc = canvas.Dc();
    BeginPath(dc);
    Rectangle(dc, 5, 5, 15, 15);
    EndPath(dc);
    HRGN region = PathToRegion(dc);
    ASSERT_NE(region, nullptr);
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_TRUE(box == (RECT{5, 5, 14, 14}));
    EXPECT_EQ(PathToRegion(dc), nullptr);

    BeginPath(dc);
    Ellipse(dc, 0, 0, 20, 20);
    EndPath(dc);
    ASSERT_TRUE(SelectClipPath(dc, RGN_COPY));
    RECT all{0, 0, 30, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(canvas.At(10, 10), kBlack);
    EXPECT_EQ(canvas.At(1, 1), kWhite);
    EXPECT_EQ(canvas.At(25, 25), kWhite);
    DeleteObject(region);
}

TEST(Draw, FloodFillStopsAtTheBorderOrFollowsTheSurface) {
    TCanvas canvas(20, 20);
    HDC dc = canvas.Dc();
    Select(dc, GetStockObject(BLACK_PEN), GetStockObject(NULL_BRUSH));
    Rectangle(dc, 2, 2, 12, 12);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    SelectObject(dc, red);
    EXPECT_FALSE(ExtFloodFill(dc, 2, 2, kBlack, FLOODFILLBORDER)); // starts on the border
    EXPECT_TRUE(ExtFloodFill(dc, 5, 5, kBlack, FLOODFILLBORDER));
    EXPECT_EQ(canvas.Count(RGB(255, 0, 0)), 64);
    EXPECT_TRUE(ExtFloodFill(dc, 0, 0, kWhite, FLOODFILLSURFACE));
    EXPECT_EQ(canvas.Count(kWhite), 0);
    EXPECT_EQ(canvas.Count(kBlack), 36);
    EXPECT_FALSE(ExtFloodFill(dc, 0, 0, kWhite, 7));
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(red);
}

TEST(Draw, RegionPaintingMapsLogicalRegionsAndFrames) {
    TCanvas canvas(30, 30);
    HDC dc = canvas.Dc();
    HRGN region = CreateRectRgn(2, 2, 10, 10);
    HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(FrameRgn(dc, region, black, 2, 1));
    EXPECT_EQ(canvas.Count(kBlack), 64 - 4 * 6);
    canvas.Clear(kWhite);
    SetViewportOrgEx(dc, 10, 10, nullptr);
    EXPECT_TRUE(FillRgn(dc, region, black));
    EXPECT_TRUE(canvas.Bounds() == (RECT{12, 12, 20, 20}));
    EXPECT_TRUE(InvertRgn(dc, region));
    EXPECT_EQ(canvas.Count(kBlack), 0);
    EXPECT_FALSE(FrameRgn(dc, region, black, 0, 1));
    DeleteObject(region);
}

TEST(Draw, BadArgumentsFailWithoutDrawing) {
    TCanvas canvas(10, 10);
    HDC dc = canvas.Dc();
    const POINT pts[4] = {{0, 0}, {5, 5}, {9, 0}, {3, 3}};
    const BYTE badTypes[2] = {PT_MOVETO, PT_BEZIERTO};
    const INT negative[1] = {-3};
    const DWORD one[1] = {1};
    EXPECT_FALSE(Polyline(dc, pts, 1));
    EXPECT_FALSE(Polyline(dc, nullptr, 4));
    EXPECT_FALSE(Polygon(dc, pts, -1));
    EXPECT_FALSE(PolyPolygon(dc, pts, negative, 1));
    EXPECT_FALSE(PolyPolyline(dc, pts, one, 1));
    EXPECT_FALSE(PolyBezier(dc, pts, 3));
    EXPECT_FALSE(PolyBezierTo(dc, pts, 2));
    EXPECT_FALSE(PolyDraw(dc, pts, badTypes, 2));
    EXPECT_EQ(SetROP2(dc, 0), 0);
    EXPECT_EQ(SetBkMode(dc, 3), 0);
    EXPECT_FALSE(SetMiterLimit(dc, 0.5f, nullptr));
    EXPECT_EQ(canvas.Count(kWhite), 100);
    // Huge coordinates are clamped, not overflowed.
    EXPECT_TRUE(Rectangle(dc, -2000000000, -2000000000, 2000000000, 2000000000));
    EXPECT_TRUE(Ellipse(dc, -1000000, -1000000, 1000000, 1000000));
}
