// The driver seam, window DCs and drawing state that reaches pixels: styled pens, caps,
// DC colours, monochrome surfaces, current-position calls.
#include "GdiTestUtil.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace gdi;
using namespace gdi::test;

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Records the calls offered to it and refuses LineTo.
class TLogDriver : public TGdiDriver {
public:
    explicit TLogDriver(std::vector<std::string>& log) : m_log(log) {}
    bool SetMapMode(TDeviceContext&, int mode) override {
        m_log.push_back("SetMapMode " + std::to_string(mode));
        return true;
    }
    bool Rectangle(TDeviceContext&, int l, int t, int r, int b) override {
        m_log.push_back("Rectangle " + std::to_string(l) + " " + std::to_string(t) + " " +
                        std::to_string(r) + " " + std::to_string(b));
        return true;
    }
    bool LineTo(TDeviceContext&, int, int) override {
        m_log.push_back("LineTo refused");
        return false;
    }
    bool SelectObject(TDeviceContext&, TGdiObject& object) override {
        m_log.push_back("SelectObject " + std::to_string(object.m_type));
        return true;
    }

private:
    std::vector<std::string>& m_log;
};

} // namespace

TEST(Driver, SeesCallsInLogicalUnitsAndCanRefuseThem) {
    std::vector<std::string> log;
    auto dc = std::make_unique<TDeviceContext>(TDcKind::Metafile, OBJ_ENHMETADC);
    dc->m_caps = DisplayCaps();
    dc->m_driver = std::make_unique<TLogDriver>(log);
    HDC hdc = GdiCreateDC(std::move(dc));
    ASSERT_NE(hdc, nullptr);
    EXPECT_EQ(GetObjectType(hdc), OBJ_ENHMETADC);
    SetMapMode(hdc, MM_LOMETRIC);
    EXPECT_TRUE(Rectangle(hdc, 10, -10, 200, -300));
    MoveToEx(hdc, 5, 5, nullptr);
    EXPECT_FALSE(LineTo(hdc, 50, 50));
    POINT cp{};
    GetCurrentPositionEx(hdc, &cp);
    EXPECT_EQ(cp.x, 5); // a refused call changes nothing
    SelectObject(hdc, GetStockObject(GRAY_BRUSH));
    const std::vector<std::string> expected = {"SetMapMode 2", "Rectangle 10 -10 200 -300",
                                               "LineTo refused", "SelectObject 2"};
    EXPECT_EQ(log, expected);
    // The common part still keeps the state a recorder relies on.
    EXPECT_EQ(GetMapMode(hdc), MM_LOMETRIC);
    EXPECT_EQ(GetDeviceCaps(hdc, TECHNOLOGY), DT_METAFILE);
    EXPECT_TRUE(DeleteDC(hdc));
}

TEST(Driver, WindowDcsDrawOnTheSurfaceTheWindowCodeProvides) {
    TSurface surface;
    ASSERT_TRUE(surface.Allocate(6, 6, 0xFFFFFF));
    HWND window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x1234));
    GdiSetWindowSurfaceProvider([&](HWND w) { return w == window ? &surface : nullptr; });
    EXPECT_EQ(GetDC(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x99))), nullptr);
    HDC dc = GetDC(window);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(WindowFromDC(dc), window);
    SetPixelV(dc, 2, 3, RGB(255, 0, 0));
    EXPECT_EQ(surface.Get(2, 3) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(GetPixel(dc, 2, 3), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 7, 7), CLR_INVALID);
    EXPECT_EQ(ReleaseDC(window, dc), 1);
    GdiSetWindowSurfaceProvider(nullptr);
}

TEST(PenStyles, CosmeticDashesAndTheirGaps) {
    struct {
        const char* name;
        int style;
        int bkMode;
        int on;  // pixels in the pen colour over 48
        int gap; // pixels in the background colour over 48
    } cases[] = {
        {"dash opaque", PS_DASH, OPAQUE, 36, 12},
        {"dash transparent", PS_DASH, TRANSPARENT, 36, 0},
        {"dot opaque", PS_DOT, OPAQUE, 24, 24},
        {"dash-dot", PS_DASHDOT, OPAQUE, 24, 24},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TCanvas canvas(60, 4);
        HDC dc = canvas.Dc();
        HPEN pen = CreatePen(c.style, 0, kBlack);
        SelectObject(dc, pen);
        SetBkMode(dc, c.bkMode);
        SetBkColor(dc, RGB(255, 255, 0));
        MoveToEx(dc, 0, 1, nullptr);
        LineTo(dc, 48, 1);
        EXPECT_EQ(canvas.Count(kBlack), c.on);
        EXPECT_EQ(canvas.Count(RGB(255, 255, 0)), c.gap);
        SelectObject(dc, GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
}

TEST(PenStyles, AlternateLeavesGapsAloneEvenWhenOpaque) {
    TCanvas canvas(30, 4);
    LOGBRUSH brush{BS_SOLID, kBlack, 0};
    HPEN pen = ExtCreatePen(PS_COSMETIC | PS_ALTERNATE, 1, &brush, 0, nullptr);
    ASSERT_NE(pen, nullptr);
    SelectObject(canvas.Dc(), pen);
    SetBkColor(canvas.Dc(), RGB(255, 0, 0));
    MoveToEx(canvas.Dc(), 0, 1, nullptr);
    LineTo(canvas.Dc(), 20, 1);
    EXPECT_EQ(canvas.Count(kBlack), 10);
    EXPECT_EQ(canvas.Count(RGB(255, 0, 0)), 0);
    EXPECT_EQ(canvas.At(0, 1), kBlack);
    EXPECT_EQ(canvas.At(1, 1), kWhite);
    SelectObject(canvas.Dc(), GetStockObject(BLACK_PEN));
    DeleteObject(pen);
}

TEST(PenStyles, GeometricCapsReachFurtherInOrder) {
    // Flat ends stop at the end points; round and square ends go half the width past them.
    int lengths[3] = {};
    const DWORD caps[3] = {PS_ENDCAP_FLAT, PS_ENDCAP_ROUND, PS_ENDCAP_SQUARE};
    for (int i = 0; i < 3; ++i) {
        TCanvas canvas(60, 30);
        LOGBRUSH brush{BS_SOLID, kBlack, 0};
        HPEN pen = ExtCreatePen(PS_GEOMETRIC | caps[i], 10, &brush, 0, nullptr);
        SelectObject(canvas.Dc(), pen);
        MoveToEx(canvas.Dc(), 15, 15, nullptr);
        LineTo(canvas.Dc(), 45, 15);
        const RECT box = canvas.Bounds();
        lengths[i] = box.right - box.left;
        EXPECT_NEAR(box.bottom - box.top, 10, 1);
        SelectObject(canvas.Dc(), GetStockObject(BLACK_PEN));
        DeleteObject(pen);
    }
    EXPECT_NEAR(lengths[0], 30, 1);
    EXPECT_NEAR(lengths[1], 40, 1);
    EXPECT_NEAR(lengths[2], 40, 1);
}

TEST(DcColours, DcBrushAndPenTakeTheirColourAtDrawTime) {
    TCanvas canvas(10, 10);
    HDC dc = canvas.Dc();
    SelectObject(dc, GetStockObject(DC_BRUSH));
    SelectObject(dc, GetStockObject(DC_PEN));
    SetDCBrushColor(dc, RGB(0, 0, 200));
    EXPECT_EQ(SetDCPenColor(dc, RGB(200, 0, 0)), kBlack);
    Rectangle(dc, 0, 0, 10, 10);
    EXPECT_EQ(canvas.At(0, 0), RGB(200, 0, 0));
    EXPECT_EQ(canvas.At(5, 5), RGB(0, 0, 200));
}

TEST(DcColours, MonochromeSurfacesTakeTheNearerOfBlackAndWhite) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP mono = static_cast<HBITMAP>(GdiAddObject(MakeBitmap(8, 1, true)));
    SelectObject(dc, mono);
    const COLORREF colours[4] = {RGB(200, 200, 200), RGB(100, 100, 100), RGB(255, 0, 0),
                                 RGB(128, 128, 127)};
    const COLORREF expected[4] = {kWhite, kBlack, kBlack, kWhite};
    for (int i = 0; i < 4; ++i) {
        SetPixelV(dc, i, 0, colours[i]);
        EXPECT_EQ(GetPixel(dc, i, 0), expected[i]) << i;
    }
    SelectObject(dc, GetStockObject(DEFAULT_PALETTE)); // not selectable this way
    DeleteDC(dc);
    DeleteObject(mono);
}

TEST(CurrentPosition, ArcToAngleArcAndPolyDrawLeaveItAtTheirEnd) {
    TCanvas canvas(60, 60);
    HDC dc = canvas.Dc();
    MoveToEx(dc, 0, 30, nullptr);
    ASSERT_TRUE(ArcTo(dc, 10, 10, 50, 50, 50, 30, 30, 10)); // quarter from the right to the top
    POINT cp{};
    GetCurrentPositionEx(dc, &cp);
    EXPECT_NEAR(cp.x, 30, 1);
    EXPECT_NEAR(cp.y, 10, 1);
    EXPECT_EQ(canvas.At(0, 30), kBlack); // the joining line starts at the old position

    ASSERT_TRUE(AngleArc(dc, 30, 30, 20, 0, 90));
    GetCurrentPositionEx(dc, &cp);
    EXPECT_NEAR(cp.x, 30, 1);
    EXPECT_NEAR(cp.y, 10, 1);

    const POINT points[3] = {{5, 5}, {20, 5}, {20, 20}};
    const BYTE types[3] = {PT_MOVETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE};
    canvas.Clear(kWhite);
    ASSERT_TRUE(PolyDraw(dc, points, types, 3));
    GetCurrentPositionEx(dc, &cp);
    EXPECT_EQ(cp.x, 5);
    EXPECT_EQ(canvas.At(12, 12), kBlack); // the closing diagonal is drawn
}
