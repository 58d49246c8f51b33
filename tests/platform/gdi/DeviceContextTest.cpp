// Device contexts and the object table: selection, deferred deletion, stock objects, the
// SaveDC stack, capabilities, and refusal of bad handles.
#include "GdiTestUtil.h"

#include <gtest/gtest.h>

using namespace gdi;
using namespace gdi::test;

TEST(DeviceContext, NewMemoryDcHoldsTheStockMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
    HGDIOBJ bitmap = GetCurrentObject(dc, OBJ_BITMAP);
    BITMAP bm{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(GetObjectType(dc), 0u);
}

TEST(DeviceContext, DeletingASelectedObjectIsDeferredUntilDeselected) {
    // The stock objects come into being with the first DC; count from after that.
    DeleteDC(CreateCompatibleDC(nullptr));
    const std::size_t before = GdiObjectCount();
    HDC dc = CreateCompatibleDC(nullptr);
    HPEN pen = CreatePen(PS_SOLID, 3, RGB(1, 2, 3));
    HGDIOBJ old = SelectObject(dc, pen);
    EXPECT_TRUE(DeleteObject(pen));
    // Still usable by the DC that holds it.
    EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
    // ... but no longer selectable anywhere else.
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, pen), nullptr);
    SelectObject(dc, old);
    EXPECT_EQ(GetObjectType(pen), 0u);
    DeleteDC(other);
    DeleteDC(dc);
    EXPECT_EQ(GdiObjectCount(), before);
}

TEST(DeviceContext, ObjectsHeldBySavedStatesSurviveDeletion) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(9, 9, 9));
    SelectObject(dc, brush);
    ASSERT_EQ(SaveDC(dc), 1);
    SelectObject(dc, GetStockObject(BLACK_BRUSH));
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(GetObjectType(brush), OBJ_BRUSH);
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(GetObjectType(brush), 0u);
    DeleteDC(dc);
}

TEST(DeviceContext, StockObjectsIgnoreDeletion) {
    for (int index : {WHITE_BRUSH, NULL_BRUSH, BLACK_PEN, NULL_PEN, SYSTEM_FONT, DEFAULT_PALETTE,
                      DC_BRUSH, DC_PEN}) {
        SCOPED_TRACE(index);
        HGDIOBJ object = GetStockObject(index);
        ASSERT_NE(object, nullptr);
        EXPECT_TRUE(DeleteObject(object));
        EXPECT_NE(GetObjectType(object), 0u);
        EXPECT_EQ(GetStockObject(index), object);
    }
    EXPECT_EQ(GetStockObject(9), nullptr);
    EXPECT_EQ(GetStockObject(STOCK_LAST + 1), nullptr);
}

TEST(DeviceContext, BitmapLivesInOneDcAtATime) {
    HBITMAP bitmap = static_cast<HBITMAP>(GdiAddObject(MakeBitmap(4, 4, false)));
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    EXPECT_NE(SelectObject(a, bitmap), nullptr);
    EXPECT_EQ(SelectObject(b, bitmap), nullptr);
    DeleteDC(a);
    EXPECT_NE(SelectObject(b, bitmap), nullptr);
    DeleteDC(b);
    EXPECT_TRUE(DeleteObject(bitmap));
}

TEST(DeviceContext, SaveAndRestoreRelativeAndAbsolute) {
    TCanvas canvas(8, 8);
    HDC dc = canvas.Dc();
    SetROP2(dc, R2_XORPEN);
    EXPECT_EQ(SaveDC(dc), 1);
    SetROP2(dc, R2_NOT);
    SetViewportOrgEx(dc, 5, 5, nullptr);
    EXPECT_EQ(SaveDC(dc), 2);
    SetROP2(dc, R2_BLACK);
    EXPECT_EQ(SaveDC(dc), 3);
    SetROP2(dc, R2_WHITE);

    EXPECT_FALSE(RestoreDC(dc, 4));
    EXPECT_FALSE(RestoreDC(dc, -4));
    EXPECT_FALSE(RestoreDC(dc, 0));
    EXPECT_TRUE(RestoreDC(dc, -1));
    EXPECT_EQ(GetROP2(dc), R2_BLACK);
    EXPECT_TRUE(RestoreDC(dc, 1));
    EXPECT_EQ(GetROP2(dc), R2_XORPEN);
    POINT org{};
    GetViewportOrgEx(dc, &org);
    EXPECT_EQ(org.x, 0);
    // Level 1 was consumed: nothing is left to restore.
    EXPECT_FALSE(RestoreDC(dc, -1));
}

TEST(DeviceContext, DisplayInformationContextReportsTheHeadlessScreen) {
    HDC ic = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    ASSERT_NE(ic, nullptr);
    EXPECT_EQ(GetDeviceCaps(ic, HORZRES), DisplayCaps().horzRes);
    EXPECT_EQ(GetDeviceCaps(ic, LOGPIXELSX), DisplayCaps().logPixelsX);
    EXPECT_EQ(GetDeviceCaps(ic, TECHNOLOGY), DT_RASDISPLAY);
    EXPECT_NE(GetDeviceCaps(ic, RASTERCAPS) & RC_STRETCHDIB, 0);
    EXPECT_NE(GetDeviceCaps(ic, CURVECAPS) & CC_ELLIPSES, 0);
    DeleteDC(ic);
    EXPECT_EQ(CreateDCA("PRINTER", nullptr, nullptr, nullptr), nullptr);
    const WCHAR display[] = u"display";
    HDC wide = CreateDCW(display, nullptr, nullptr, nullptr);
    EXPECT_NE(wide, nullptr);
    DeleteDC(wide);
}

TEST(DeviceContext, GetObjectDescribesPensBrushesAndPalettes) {
    HPEN pen = CreatePen(PS_DASH, 0, RGB(10, 20, 30));
    LOGPEN lp{};
    EXPECT_EQ(GetObjectW(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_DASH));
    EXPECT_EQ(lp.lopnColor, RGB(10, 20, 30));
    EXPECT_EQ(GetObjectW(pen, sizeof lp - 1, &lp), 0);

    LOGBRUSH brush{BS_SOLID, RGB(1, 2, 3), 0};
    const DWORD dashes[3] = {4, 2, 1};
    HPEN ext = ExtCreatePen(PS_GEOMETRIC | PS_USERSTYLE | PS_ENDCAP_FLAT, 5, &brush, 3, dashes);
    ASSERT_NE(ext, nullptr);
    EXPECT_EQ(GetObjectType(ext), OBJ_EXTPEN);
    const int size = GetObjectW(ext, 0, nullptr);
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size) + 8);
    ASSERT_EQ(GetObjectW(ext, size, buffer.data()), size);
    const auto* elp = reinterpret_cast<const EXTLOGPEN*>(buffer.data());
    EXPECT_EQ(elp->elpWidth, 5u);
    ASSERT_EQ(elp->elpNumEntries, 3u);
    EXPECT_EQ(elp->elpStyleEntry[2], 1u);

    HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(4, 5, 6));
    LOGBRUSH lb{};
    EXPECT_EQ(GetObjectW(hatch, sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbStyle, BS_HATCHED);
    EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_CROSS));

    WORD count = 0;
    EXPECT_EQ(GetObjectW(GetStockObject(DEFAULT_PALETTE), sizeof count, &count), 2);
    EXPECT_EQ(count, 20);
    DeleteObject(pen);
    DeleteObject(ext);
    DeleteObject(hatch);
}

TEST(DeviceContext, ExtCreatePenRefusesInconsistentDescriptions) {
    LOGBRUSH solid{BS_SOLID, 0, 0};
    LOGBRUSH hatched{BS_HATCHED, 0, HS_CROSS};
    const DWORD dashes[2] = {3, 1};
    const DWORD zeros[2] = {0, 0};
    struct {
        const char* name;
        DWORD style, width;
        const LOGBRUSH* brush;
        DWORD count;
        const DWORD* entries;
    } cases[] = {
        {"cosmetic wider than one", PS_COSMETIC | PS_SOLID, 2, &solid, 0, nullptr},
        {"cosmetic with a hatch", PS_COSMETIC | PS_SOLID, 1, &hatched, 0, nullptr},
        {"user style without entries", PS_GEOMETRIC | PS_USERSTYLE, 3, &solid, 0, nullptr},
        {"user style of zeros", PS_GEOMETRIC | PS_USERSTYLE, 3, &solid, 2, zeros},
        {"entries without user style", PS_GEOMETRIC | PS_DASH, 3, &solid, 2, dashes},
        {"geometric alternate", PS_GEOMETRIC | PS_ALTERNATE, 3, &solid, 0, nullptr},
        {"bad cap", PS_GEOMETRIC | 0x300, 3, &solid, 0, nullptr},
        {"no brush", PS_GEOMETRIC, 3, nullptr, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ExtCreatePen(c.style, c.width, c.brush, c.count, c.entries), nullptr);
    }
}

TEST(DeviceContext, BadHandlesFailWithoutHarm) {
    HDC bogus = reinterpret_cast<HDC>(static_cast<std::uintptr_t>(0xDEAD0));
    HPEN pen = CreatePen(PS_SOLID, 1, 0);
    HDC penAsDc = reinterpret_cast<HDC>(pen);
    for (HDC dc : {static_cast<HDC>(nullptr), bogus, penAsDc}) {
        EXPECT_FALSE(Rectangle(dc, 0, 0, 5, 5));
        EXPECT_FALSE(LineTo(dc, 1, 1));
        EXPECT_EQ(SetMapMode(dc, MM_TEXT), 0);
        EXPECT_EQ(SaveDC(dc), 0);
        EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), nullptr);
        EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
        EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
        EXPECT_EQ(GetClipBox(dc, nullptr), ERROR);
        EXPECT_FALSE(BeginPath(dc));
        EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 0);
        EXPECT_FALSE(DeleteDC(dc));
    }
    TCanvas canvas(4, 4);
    // A pen where a brush or region belongs.
    EXPECT_EQ(FillRect(canvas.Dc(), nullptr, reinterpret_cast<HBRUSH>(pen)), 0);
    RECT r{0, 0, 2, 2};
    EXPECT_EQ(FillRect(canvas.Dc(), &r, reinterpret_cast<HBRUSH>(pen)), 0);
    EXPECT_EQ(SelectClipRgn(canvas.Dc(), reinterpret_cast<HRGN>(pen)), ERROR);
    EXPECT_EQ(CombineRgn(reinterpret_cast<HRGN>(pen), nullptr, nullptr, RGN_OR), ERROR);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_FALSE(DeleteObject(canvas.Dc())); // DCs go through DeleteDC
    DeleteObject(pen);
    EXPECT_FALSE(DeleteObject(pen));
}

TEST(DeviceContext, PaletteIndexColoursDrawThroughTheSelectedPalette) {
    TCanvas canvas(4, 4);
    struct {
        LOGPALETTE head;
        PALETTEENTRY more[1];
    } lp{{0x300, 2, {{10, 20, 30, 0}}}, {{200, 100, 50, 0}}};
    HPALETTE palette = CreatePalette(&lp.head);
    ASSERT_NE(palette, nullptr);
    SelectPalette(canvas.Dc(), palette, FALSE);
    EXPECT_EQ(RealizePalette(canvas.Dc()), 0u);
    SetPixelV(canvas.Dc(), 1, 1, PALETTEINDEX(1));
    EXPECT_EQ(canvas.At(1, 1), RGB(200, 100, 50));
    SetPixelV(canvas.Dc(), 2, 2, PALETTERGB(7, 8, 9));
    EXPECT_EQ(canvas.At(2, 2), RGB(7, 8, 9));
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(190, 110, 40)), 1u);
    EXPECT_TRUE(ResizePalette(palette, 5));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 5u);
    SelectPalette(canvas.Dc(), static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
    DeleteObject(palette);
}
