// Recording enhanced metafiles: CreateEnhMetaFile, the recording driver, CloseEnhMetaFile.
//
// A recording DC is a GDI DC of kind Metafile whose driver writes every call as the record
// Windows writes for it. GDI keeps the DC's state (mapping, current position, selections) as
// for any DC, so the driver reads it to compute bounds in reference-device pixels. Boxes of
// rectangles, ellipses and arcs made in GM_COMPATIBLE are stored inclusive: right and bottom
// taken in by one logical unit (see `box` for the other cases).
#include <algorithm>
#include <cmath>
#include <memory>

#include "platform/gdi/DeviceContext_p.h"
#include "platform/metafile/EnhMetafileWriter_p.h"

namespace tallyvane::metafile {
namespace {

using gdi::TDeviceContext;

bool fitsShort(const POINT* points, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (points[i].x < -32768 || points[i].x > 32767 || points[i].y < -32768 ||
            points[i].y > 32767)
            return false;
    return true;
}

class TEmfRecorder : public gdi::TGdiDriver {
public:
    TEmfRecorder(std::string file, std::optional<RECT> frame, std::u16string description)
        : m_file(std::move(file)), m_frame(frame), m_description(std::move(description)) {
        m_observer = gdi::GdiAddDeleteObserver([this](gdi::TGdiObject& object) { forget(object); });
    }
    ~TEmfRecorder() override { gdi::GdiRemoveDeleteObserver(m_observer); }

    TEmfWriter m_out;
    std::string m_file;
    std::optional<RECT> m_frame;
    std::u16string m_description;
    std::unordered_map<const gdi::TGdiObject*, DWORD> m_objects;
    int m_observer = 0;
    bool m_cornerBounds = false; // bounds by points and box corners alone (conversion)

    // --- helpers -------------------------------------------------------------------------

    void forget(gdi::TGdiObject& object) {
        auto it = m_objects.find(&object);
        if (it == m_objects.end())
            return;
        m_out.record(EMR_DELETEOBJECT, {it->second});
        m_out.releaseIndex(it->second);
        m_objects.erase(it);
    }

    double penPad(TDeviceContext& dc) {
        gdi::TPen* pen = dc.State().m_pen.Get();
        if (m_cornerBounds || !pen || pen->IsNull() || !pen->IsGeometric())
            return 0.0;
        const gdi::TPointD v = dc.State().m_toDevice.ApplyVector(pen->m_width, pen->m_width);
        return std::max(std::fabs(v.x), std::fabs(v.y)) / 2.0;
    }
    void bound(TDeviceContext& dc, double x, double y, double pad = 0) {
        const gdi::TPointD p = dc.ToDevice(x, y);
        if (m_cornerBounds) {
            m_out.addBounds(RoundToDevicePixel(p.x), RoundToDevicePixel(p.y));
            return;
        }
        m_out.addBoundsRect(p.x - pad, p.y - pad, p.x + pad, p.y + pad);
    }
    void boundBox(TDeviceContext& dc, double l, double t, double r, double b, double pad) {
        bound(dc, l, t, pad);
        bound(dc, r, t, pad);
        bound(dc, l, b, pad);
        bound(dc, r, b, pad);
    }
    void boundPoints(TDeviceContext& dc, const POINT* pts, size_t n, double pad) {
        for (size_t i = 0; i < n; ++i)
            bound(dc, pts[i].x, pts[i].y, pad);
    }

    // Bounds of a shape by the pixels it covers: the call's own box, exclusive at the right
    // and bottom, except a rectangle in GM_ADVANCED.
    void boundShape(TDeviceContext& dc, DWORD type, int l, int t, int r, int b) {
        if (m_cornerBounds) {
            // The corners of the stored inclusive box, taken to device pixels as they are.
            const RECT in = box(dc, type, l, t, r, b);
            bound(dc, in.left, in.top);
            bound(dc, in.right, in.bottom);
            return;
        }
        const bool advanced = type == EMR_RECTANGLE && dc.State().m_graphicsMode == GM_ADVANCED;
        const double right = std::max(l, r) + (advanced ? 1 : 0);
        const double bottom = std::max(t, b) + (advanced ? 1 : 0);
        const double left = std::min(l, r), top = std::min(t, b);
        const double pad = penPad(dc);
        double x0 = 1e300, y0 = 1e300, x1 = -1e300, y1 = -1e300;
        for (auto [x, y] : {std::pair{left, top}, {right, top}, {left, bottom}, {right, bottom}}) {
            const gdi::TPointD p = dc.ToDevice(x, y);
            x0 = std::min(x0, p.x);
            y0 = std::min(y0, p.y);
            x1 = std::max(x1, p.x);
            y1 = std::max(y1, p.y);
        }
        m_out.addBoundsRect(std::round(x0 - pad), std::round(y0 - pad), std::round(x1 + pad) - 1,
                            std::round(y1 + pad) - 1);
    }

    // The box a shape call is stored with.
    RECT box(TDeviceContext& dc, DWORD type, int l, int t, int r, int b) {
        RECT box{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
        // A rectangle made in GM_ADVANCED is drawn inclusive and stored as called. So is a
        // curved shape drawn under a world transform, right and bottom left out; players tell
        // it by that transform.
        const bool advanced = dc.State().m_graphicsMode == GM_ADVANCED;
        const bool asCalled =
            advanced && (type == EMR_RECTANGLE || !dc.State().m_world.IsIdentity());
        if (!asCalled) {
            box.right -= 1;
            box.bottom -= 1;
        }
        return box;
    }

    // The handle index of an object, written out on first use; 0 when it cannot be.
    DWORD objectIndex(gdi::TGdiObject& object) {
        auto it = m_objects.find(&object);
        if (it != m_objects.end())
            return it->second;
        const DWORD index = m_out.allocateIndex();
        if (!index)
            return 0;
        if (!writeObject(object, index)) {
            m_out.releaseIndex(index);
            return 0;
        }
        m_objects[&object] = index;
        return index;
    }

    bool writeObject(gdi::TGdiObject& object, DWORD index) {
        switch (object.Type()) {
        case OBJ_PEN: {
            auto& pen = static_cast<gdi::TPen&>(object);
            m_out.record(EMR_CREATEPEN, {index, pen.m_style, pen.m_width, 0, pen.m_color});
            return true;
        }
        case OBJ_EXTPEN: {
            auto& pen = static_cast<gdi::TPen&>(object);
            const UINT brushStyle = pen.m_brushStyle == BS_SOLID || pen.m_brushStyle == BS_NULL ||
                                            pen.m_brushStyle == BS_HATCHED
                                        ? pen.m_brushStyle
                                        : BS_SOLID;
            m_out.begin(EMR_EXTCREATEPEN);
            m_out.put32(index);
            for (int i = 0; i < 4; ++i)
                m_out.put32(0); // no pattern bitmap
            m_out.put32(pen.m_style);
            m_out.put32(pen.m_width);
            m_out.put32(brushStyle);
            m_out.put32(pen.m_color);
            m_out.put32(DWORD(pen.m_hatch));
            m_out.put32(DWORD(pen.m_styleEntries.size()));
            for (DWORD entry : pen.m_styleEntries)
                m_out.put32(entry);
            m_out.end();
            return true;
        }
        case OBJ_BRUSH: {
            auto& brush = static_cast<gdi::TBrush&>(object);
            if (!brush.m_packedDib.empty()) {
                writeDibBrush(EMR_CREATEDIBPATTERNBRUSHPT, index, brush.m_dibUsage,
                              brush.m_packedDib);
                return true;
            }
            if (brush.m_pattern && brush.m_style != BS_HATCHED) {
                writePatternBrush(index, *brush.m_pattern);
                return true;
            }
            m_out.record(EMR_CREATEBRUSHINDIRECT,
                         {index, brush.m_style, brush.m_color, DWORD(brush.m_hatch)});
            return true;
        }
        case OBJ_FONT: {
            auto& font = static_cast<gdi::TFont&>(object);
            // LOGFONTW and the rest of the 320-byte form with full name, style and PANOSE.
            m_out.begin(EMR_EXTCREATEFONTINDIRECTW);
            m_out.put32(index);
            m_out.putBytes(&font.Log(), sizeof(LOGFONTW));
            const std::vector<BYTE> rest(320 - sizeof(LOGFONTW), 0);
            m_out.putBytes(rest.data(), rest.size());
            m_out.end();
            return true;
        }
        case OBJ_PAL: {
            // The LOGPALETTE as it stands when first selected; entry flags are not kept.
            const auto& palette = static_cast<gdi::TPalette&>(object);
            const size_t entries = std::min<size_t>(palette.m_entries.size(), 0xFFFF);
            m_out.begin(EMR_CREATEPALETTE);
            m_out.put32(index);
            m_out.put32(0x300 | DWORD(entries) << 16);
            for (size_t i = 0; i < entries; ++i) {
                const PALETTEENTRY& e = palette.m_entries[i];
                m_out.put32(DWORD(e.peRed) | DWORD(e.peGreen) << 8 | DWORD(e.peBlue) << 16);
            }
            m_out.end();
            return true;
        }
        }
        return false;
    }

    void writeDibBrush(DWORD type, DWORD index, UINT usage, const std::vector<std::uint8_t>& dib) {
        BITMAPINFOHEADER head{};
        std::memcpy(&head, dib.data(), std::min(dib.size(), sizeof head));
        size_t colours = 0;
        if (head.biBitCount <= 8)
            colours = head.biClrUsed ? head.biClrUsed : (size_t{1} << head.biBitCount);
        size_t bmi = head.biSize + colours * (usage == DIB_PAL_COLORS ? 2 : 4);
        if (head.biCompression == BI_BITFIELDS && head.biSize == sizeof head)
            bmi += 12;
        bmi = std::min(bmi, dib.size());
        const size_t bmiPadded = (bmi + 3) & ~size_t{3};
        m_out.begin(type);
        m_out.put32(index);
        m_out.put32(usage);
        m_out.put32(32);                      // offBmi
        m_out.put32(DWORD(bmi));              // cbBmi
        m_out.put32(DWORD(32 + bmiPadded));   // offBits
        m_out.put32(DWORD(dib.size() - bmi)); // cbBits
        m_out.putBytes(dib.data(), bmi);
        for (size_t i = bmi; i < bmiPadded; ++i)
            m_out.putBytes("", 1);
        m_out.putBytes(dib.data() + bmi, dib.size() - bmi);
        m_out.end();
    }

    void writePatternBrush(DWORD index, const gdi::TPattern& pattern) {
        std::vector<std::uint8_t> dib;
        BITMAPINFOHEADER head{};
        head.biSize = sizeof head;
        head.biWidth = pattern.width;
        head.biHeight = -pattern.height;
        head.biPlanes = 1;
        head.biBitCount = pattern.monochrome ? 1 : 32;
        head.biCompression = BI_RGB;
        head.biClrUsed = pattern.monochrome ? 2 : 0;
        dib.resize(sizeof head);
        std::memcpy(dib.data(), &head, sizeof head);
        if (pattern.monochrome) {
            const BYTE table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
            dib.insert(dib.end(), table, table + 8);
            const size_t stride = ((size_t(pattern.width) + 31) / 32) * 4;
            for (int y = 0; y < pattern.height; ++y) {
                std::vector<BYTE> row(stride, 0);
                for (int x = 0; x < pattern.width; ++x)
                    if (pattern.At(x, y))
                        row[size_t(x) / 8] |= BYTE(0x80 >> (x % 8));
                dib.insert(dib.end(), row.begin(), row.end());
            }
            writeDibBrush(EMR_CREATEMONOBRUSH, index, DIB_RGB_COLORS, dib);
            return;
        }
        for (int y = 0; y < pattern.height; ++y)
            for (int x = 0; x < pattern.width; ++x) {
                const std::uint32_t v = pattern.At(x, y);
                const BYTE px[4] = {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), 0};
                dib.insert(dib.end(), px, px + 4);
            }
        writeDibBrush(EMR_CREATEDIBPATTERNBRUSHPT, index, DIB_RGB_COLORS, dib);
    }

    void writeRegionData(const gdi::TPixRegion& region) {
        const auto boxes = region.Boxes();
        const RECT box = region.Box();
        m_out.put32(32);
        m_out.put32(RDH_RECTANGLES);
        m_out.put32(DWORD(boxes.size()));
        m_out.put32(DWORD(boxes.size() * 16));
        m_out.putRect(box);
        for (const auto& b : boxes)
            m_out.putRect(RECT{b.x1, b.y1, b.x2, b.y2});
    }

    void writePoly(TDeviceContext& dc, DWORD type32, DWORD type16, const POINT* pts, size_t n) {
        const bool small = fitsShort(pts, n);
        boundPoints(dc, pts, n, penPad(dc));
        m_out.begin(small ? type16 : type32);
        m_out.putRect(m_out.bounds());
        m_out.put32(DWORD(n));
        writePoints(pts, n, small);
        m_out.end();
    }
    void writePoints(const POINT* pts, size_t n, bool small) {
        for (size_t i = 0; i < n; ++i) {
            if (small) {
                m_out.put32(DWORD(WORD(SHORT(pts[i].x))) | DWORD(WORD(SHORT(pts[i].y))) << 16);
            } else {
                m_out.puti(pts[i].x);
                m_out.puti(pts[i].y);
            }
        }
    }

    // The source pixels of a blit as a 32-bpp top-down DIB (header then bits); the source
    // rectangle is read in the source DC's device pixels, outside pixels black.
    bool sourceDib(TDeviceContext& src, int x, int y, int w, int h, std::vector<BYTE>& bmi,
                   std::vector<BYTE>& bits) {
        gdi::TSurface* surface = src.Surface();
        if (!surface || w == 0 || h == 0)
            return false;
        const POINT p0 = src.ToDevicePoint(x, y);
        const int width = std::abs(w), height = std::abs(h);
        if (ULONGLONG(width) * ULONGLONG(height) > kMaxBitmapPixels)
            return false;
        BITMAPINFOHEADER head{};
        head.biSize = sizeof head;
        head.biWidth = width;
        head.biHeight = -height;
        head.biPlanes = 1;
        head.biBitCount = 32;
        head.biCompression = BI_RGB;
        head.biSizeImage = DWORD(width * height * 4);
        bmi.assign(reinterpret_cast<BYTE*>(&head), reinterpret_cast<BYTE*>(&head) + sizeof head);
        bits.assign(size_t(width) * size_t(height) * 4, 0);
        src.BeginDraw();
        for (int row = 0; row < height; ++row) {
            const int sy = p0.y + row;
            if (sy < 0 || sy >= surface->m_height)
                continue;
            const std::uint32_t* line = surface->Row(sy);
            for (int col = 0; col < width; ++col) {
                const int sx = p0.x + col;
                if (sx < 0 || sx >= surface->m_width)
                    continue;
                std::memcpy(bits.data() + (size_t(row) * size_t(width) + size_t(col)) * 4,
                            &line[sx], 4);
            }
        }
        src.EndDraw();
        return true;
    }

    // The common tail of the blit records: source fields and the DIB itself.
    void writeBlitSource(const std::vector<BYTE>& bmi, const std::vector<BYTE>& bits,
                         size_t recordFixedSize, bool withSize, int cxSrc, int cySrc) {
        // xformSrc identity, background colour white, DIB_RGB_COLORS.
        m_out.putf(1);
        m_out.putf(0);
        m_out.putf(0);
        m_out.putf(1);
        m_out.putf(0);
        m_out.putf(0);
        m_out.put32(RGB(255, 255, 255));
        m_out.put32(DIB_RGB_COLORS);
        const bool has = !bmi.empty();
        m_out.put32(has ? DWORD(recordFixedSize) : 0);
        m_out.put32(DWORD(bmi.size()));
        m_out.put32(has ? DWORD(recordFixedSize + bmi.size()) : 0);
        m_out.put32(DWORD(bits.size()));
        if (withSize) {
            m_out.puti(cxSrc);
            m_out.puti(cySrc);
        }
    }

    // --- the seam --------------------------------------------------------------------------

    bool SaveDC(TDeviceContext&) override {
        m_out.record(EMR_SAVEDC, {});
        return true;
    }
    bool RestoreDC(TDeviceContext& dc, int saved) override {
        const int level = int(dc.m_saved.size());
        const int relative = saved < 0 ? saved : saved - level - 1;
        if (relative >= 0 || -relative > level)
            return true;
        m_out.record(EMR_RESTOREDC, {DWORD(relative)});
        return true;
    }
    bool SelectObject(TDeviceContext&, gdi::TGdiObject& object) override {
        if (object.Type() == OBJ_BITMAP)
            return true;
        const int stock = StockIndexOf(object);
        if (stock >= 0) {
            m_out.record(EMR_SELECTOBJECT, {ENHMETA_STOCK_OBJECT | DWORD(stock)});
            return true;
        }
        const DWORD index = objectIndex(object);
        if (index)
            m_out.record(EMR_SELECTOBJECT, {index});
        return true;
    }
    bool SelectPalette(TDeviceContext&, gdi::TPalette& palette, BOOL) override {
        const int stock = StockIndexOf(palette);
        const DWORD index = stock >= 0 ? ENHMETA_STOCK_OBJECT | DWORD(stock) : objectIndex(palette);
        if (index)
            m_out.record(EMR_SELECTPALETTE, {index});
        return true;
    }
    bool RealizePalette(TDeviceContext&) override {
        m_out.record(EMR_REALIZEPALETTE, {});
        return true;
    }
    bool SetMapMode(TDeviceContext&, int mode) override {
        m_out.record(EMR_SETMAPMODE, {DWORD(mode)});
        return true;
    }
    bool SetWindowOrgEx(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_SETWINDOWORGEX, {DWORD(x), DWORD(y)});
        return true;
    }
    bool SetWindowExtEx(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_SETWINDOWEXTEX, {DWORD(x), DWORD(y)});
        return true;
    }
    bool SetViewportOrgEx(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_SETVIEWPORTORGEX, {DWORD(x), DWORD(y)});
        return true;
    }
    bool SetViewportExtEx(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_SETVIEWPORTEXTEX, {DWORD(x), DWORD(y)});
        return true;
    }
    bool OffsetWindowOrgEx(TDeviceContext& dc, int x, int y) override {
        const POINT o = dc.State().m_windowOrg;
        m_out.record(EMR_SETWINDOWORGEX, {DWORD(o.x + x), DWORD(o.y + y)});
        return true;
    }
    bool OffsetViewportOrgEx(TDeviceContext& dc, int x, int y) override {
        const POINT o = dc.State().m_viewportOrg;
        m_out.record(EMR_SETVIEWPORTORGEX, {DWORD(o.x + x), DWORD(o.y + y)});
        return true;
    }
    bool ScaleWindowExtEx(TDeviceContext&, int xn, int xd, int yn, int yd) override {
        m_out.record(EMR_SCALEWINDOWEXTEX, {DWORD(xn), DWORD(xd), DWORD(yn), DWORD(yd)});
        return true;
    }
    bool ScaleViewportExtEx(TDeviceContext&, int xn, int xd, int yn, int yd) override {
        m_out.record(EMR_SCALEVIEWPORTEXTEX, {DWORD(xn), DWORD(xd), DWORD(yn), DWORD(yd)});
        return true;
    }
    bool SetWorldTransform(TDeviceContext&, const XFORM& x) override {
        m_out.begin(EMR_SETWORLDTRANSFORM);
        for (FLOAT f : {x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy})
            m_out.putf(f);
        m_out.end();
        return true;
    }
    bool ModifyWorldTransform(TDeviceContext&, const XFORM* x, DWORD mode) override {
        const XFORM id{1, 0, 0, 1, 0, 0};
        const XFORM& xf = x ? *x : id;
        m_out.begin(EMR_MODIFYWORLDTRANSFORM);
        for (FLOAT f : {xf.eM11, xf.eM12, xf.eM21, xf.eM22, xf.eDx, xf.eDy})
            m_out.putf(f);
        m_out.put32(mode);
        m_out.end();
        return true;
    }
    bool SetLayout(TDeviceContext&, DWORD layout) override {
        m_out.record(EMR_SETLAYOUT, {layout});
        return true;
    }
    bool SetBkColor(TDeviceContext&, COLORREF c) override { return one(EMR_SETBKCOLOR, c); }
    bool SetBkMode(TDeviceContext&, int m) override { return one(EMR_SETBKMODE, DWORD(m)); }
    bool SetTextColor(TDeviceContext&, COLORREF c) override { return one(EMR_SETTEXTCOLOR, c); }
    bool SetTextAlign(TDeviceContext&, UINT a) override { return one(EMR_SETTEXTALIGN, a); }
    bool SetTextJustification(TDeviceContext&, int extra, int breaks) override {
        m_out.record(EMR_SETTEXTJUSTIFICATION, {DWORD(extra), DWORD(breaks)});
        return true;
    }
    bool SetMapperFlags(TDeviceContext&, DWORD f) override { return one(EMR_SETMAPPERFLAGS, f); }
    bool SetROP2(TDeviceContext&, int r) override { return one(EMR_SETROP2, DWORD(r)); }
    bool SetPolyFillMode(TDeviceContext&, int m) override {
        return one(EMR_SETPOLYFILLMODE, DWORD(m));
    }
    bool SetStretchBltMode(TDeviceContext&, int m) override {
        return one(EMR_SETSTRETCHBLTMODE, DWORD(m));
    }
    bool SetArcDirection(TDeviceContext&, int d) override {
        return one(EMR_SETARCDIRECTION, DWORD(d));
    }
    bool SetMiterLimit(TDeviceContext&, FLOAT limit) override {
        m_out.begin(EMR_SETMITERLIMIT);
        m_out.putf(limit);
        m_out.end();
        return true;
    }
    bool SetBrushOrgEx(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_SETBRUSHORGEX, {DWORD(x), DWORD(y)});
        return true;
    }
    bool SetICMMode(TDeviceContext&, int m) override { return one(EMR_SETICMMODE, DWORD(m)); }
    bool one(DWORD type, DWORD value) {
        m_out.record(type, {value});
        return true;
    }

    bool ExtSelectClipRgn(TDeviceContext&, const gdi::TRegion* region, int mode) override {
        m_out.begin(EMR_EXTSELECTCLIPRGN);
        if (!region) {
            m_out.put32(0);
            m_out.put32(DWORD(mode));
        } else {
            m_out.put32(DWORD(32 + region->m_region.Boxes().size() * 16));
            m_out.put32(DWORD(mode));
            writeRegionData(region->m_region);
        }
        m_out.end();
        return true;
    }
    bool IntersectClipRect(TDeviceContext&, int l, int t, int r, int b) override {
        m_out.record(EMR_INTERSECTCLIPRECT, {DWORD(l), DWORD(t), DWORD(r), DWORD(b)});
        return true;
    }
    bool ExcludeClipRect(TDeviceContext&, int l, int t, int r, int b) override {
        m_out.record(EMR_EXCLUDECLIPRECT, {DWORD(l), DWORD(t), DWORD(r), DWORD(b)});
        return true;
    }
    bool OffsetClipRgn(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_OFFSETCLIPRGN, {DWORD(x), DWORD(y)});
        return true;
    }
    bool SetMetaRgn(TDeviceContext&) override { return one0(EMR_SETMETARGN); }
    bool SelectClipPath(TDeviceContext&, int mode) override {
        return one(EMR_SELECTCLIPPATH, DWORD(mode));
    }
    bool one0(DWORD type) {
        m_out.record(type, {});
        return true;
    }

    bool BeginPath(TDeviceContext&) override { return one0(EMR_BEGINPATH); }
    bool EndPath(TDeviceContext&) override { return one0(EMR_ENDPATH); }
    bool AbortPath(TDeviceContext&) override { return one0(EMR_ABORTPATH); }
    bool CloseFigure(TDeviceContext&) override { return one0(EMR_CLOSEFIGURE); }
    bool FillPath(TDeviceContext&) override { return pathDraw(EMR_FILLPATH); }
    bool StrokePath(TDeviceContext&) override { return pathDraw(EMR_STROKEPATH); }
    bool StrokeAndFillPath(TDeviceContext&) override { return pathDraw(EMR_STROKEANDFILLPATH); }
    bool FlattenPath(TDeviceContext&) override { return one0(EMR_FLATTENPATH); }
    bool WidenPath(TDeviceContext&) override { return one0(EMR_WIDENPATH); }
    bool pathDraw(DWORD type) {
        m_out.begin(type);
        m_out.putRect(m_out.bounds());
        m_out.end();
        return true;
    }

    bool MoveToEx(TDeviceContext&, int x, int y) override {
        m_out.record(EMR_MOVETOEX, {DWORD(x), DWORD(y)});
        return true;
    }
    bool LineTo(TDeviceContext& dc, int x, int y) override {
        const POINT cp = dc.State().m_currentPos;
        const double pad = penPad(dc);
        bound(dc, cp.x, cp.y, pad);
        bound(dc, x, y, pad);
        m_out.record(EMR_LINETO, {DWORD(x), DWORD(y)});
        return true;
    }
    bool Polyline(TDeviceContext& dc, const POINT* p, int n) override {
        writePoly(dc, EMR_POLYLINE, EMR_POLYLINE16, p, size_t(std::max(n, 0)));
        return true;
    }
    bool PolylineTo(TDeviceContext& dc, const POINT* p, DWORD n) override {
        const POINT cp = dc.State().m_currentPos;
        bound(dc, cp.x, cp.y, penPad(dc));
        writePoly(dc, EMR_POLYLINETO, EMR_POLYLINETO16, p, n);
        return true;
    }
    bool Polygon(TDeviceContext& dc, const POINT* p, int n) override {
        writePoly(dc, EMR_POLYGON, EMR_POLYGON16, p, size_t(std::max(n, 0)));
        return true;
    }
    bool PolyBezier(TDeviceContext& dc, const POINT* p, DWORD n) override {
        writePoly(dc, EMR_POLYBEZIER, EMR_POLYBEZIER16, p, n);
        return true;
    }
    bool PolyBezierTo(TDeviceContext& dc, const POINT* p, DWORD n) override {
        const POINT cp = dc.State().m_currentPos;
        bound(dc, cp.x, cp.y, penPad(dc));
        writePoly(dc, EMR_POLYBEZIERTO, EMR_POLYBEZIERTO16, p, n);
        return true;
    }
    bool PolyPolyline(TDeviceContext& dc, const POINT* p, const DWORD* counts,
                      DWORD polys) override {
        size_t total = 0;
        for (DWORD i = 0; i < polys; ++i)
            total += counts[i];
        writePolyPoly(dc, EMR_POLYPOLYLINE, EMR_POLYPOLYLINE16, p, counts, polys, total);
        return true;
    }
    bool PolyPolygon(TDeviceContext& dc, const POINT* p, const INT* counts, int polys) override {
        std::vector<DWORD> c(counts, counts + std::max(polys, 0));
        size_t total = 0;
        for (DWORD v : c)
            total += v;
        writePolyPoly(dc, EMR_POLYPOLYGON, EMR_POLYPOLYGON16, p, c.data(), DWORD(c.size()), total);
        return true;
    }
    void writePolyPoly(TDeviceContext& dc, DWORD type32, DWORD type16, const POINT* p,
                       const DWORD* counts, DWORD polys, size_t total) {
        const bool small = fitsShort(p, total);
        boundPoints(dc, p, total, penPad(dc));
        m_out.begin(small ? type16 : type32);
        m_out.putRect(m_out.bounds());
        m_out.put32(polys);
        m_out.put32(DWORD(total));
        for (DWORD i = 0; i < polys; ++i)
            m_out.put32(counts[i]);
        writePoints(p, total, small);
        m_out.end();
    }
    bool PolyDraw(TDeviceContext& dc, const POINT* p, const BYTE* types, int n) override {
        const size_t count = size_t(std::max(n, 0));
        const bool small = fitsShort(p, count);
        boundPoints(dc, p, count, penPad(dc));
        m_out.begin(small ? EMR_POLYDRAW16 : EMR_POLYDRAW);
        m_out.putRect(m_out.bounds());
        m_out.put32(DWORD(count));
        writePoints(p, count, small);
        m_out.putBytes(types, count);
        m_out.end();
        return true;
    }
    bool shape(TDeviceContext& dc, DWORD type, int l, int t, int r, int b) {
        const RECT bx = box(dc, type, l, t, r, b);
        boundShape(dc, type, l, t, r, b);
        m_out.record(type, {DWORD(bx.left), DWORD(bx.top), DWORD(bx.right), DWORD(bx.bottom)});
        return true;
    }
    bool Rectangle(TDeviceContext& dc, int l, int t, int r, int b) override {
        return shape(dc, EMR_RECTANGLE, l, t, r, b);
    }
    bool Ellipse(TDeviceContext& dc, int l, int t, int r, int b) override {
        return shape(dc, EMR_ELLIPSE, l, t, r, b);
    }
    bool RoundRect(TDeviceContext& dc, int l, int t, int r, int b, int w, int h) override {
        const RECT bx = box(dc, EMR_ROUNDRECT, l, t, r, b);
        boundShape(dc, EMR_ROUNDRECT, l, t, r, b);
        m_out.record(EMR_ROUNDRECT, {DWORD(bx.left), DWORD(bx.top), DWORD(bx.right),
                                     DWORD(bx.bottom), DWORD(w), DWORD(h)});
        return true;
    }
    bool arc(TDeviceContext& dc, DWORD type, int l, int t, int r, int b, int xs, int ys, int xe,
             int ye) {
        const RECT bx = box(dc, type, l, t, r, b);
        if (m_cornerBounds) {
            const RECT covered = ArcConversionBounds(type, bx, POINT{xs, ys}, POINT{xe, ye},
                                                     dc.State().m_currentPos);
            bound(dc, covered.left, covered.top);
            bound(dc, covered.right, covered.bottom);
        } else {
            boundShape(dc, type, l, t, r, b);
        }
        m_out.record(type, {DWORD(bx.left), DWORD(bx.top), DWORD(bx.right), DWORD(bx.bottom),
                            DWORD(xs), DWORD(ys), DWORD(xe), DWORD(ye)});
        return true;
    }
    bool Arc(TDeviceContext& dc, int l, int t, int r, int b, int xs, int ys, int xe,
             int ye) override {
        return arc(dc, EMR_ARC, l, t, r, b, xs, ys, xe, ye);
    }
    bool ArcTo(TDeviceContext& dc, int l, int t, int r, int b, int xs, int ys, int xe,
               int ye) override {
        return arc(dc, EMR_ARCTO, l, t, r, b, xs, ys, xe, ye);
    }
    bool Chord(TDeviceContext& dc, int l, int t, int r, int b, int xs, int ys, int xe,
               int ye) override {
        return arc(dc, EMR_CHORD, l, t, r, b, xs, ys, xe, ye);
    }
    bool Pie(TDeviceContext& dc, int l, int t, int r, int b, int xs, int ys, int xe,
             int ye) override {
        return arc(dc, EMR_PIE, l, t, r, b, xs, ys, xe, ye);
    }
    bool AngleArc(TDeviceContext& dc, int x, int y, DWORD radius, FLOAT start,
                  FLOAT sweep) override {
        const double rr = double(radius);
        boundBox(dc, x - rr, y - rr, x + rr, y + rr, penPad(dc));
        m_out.begin(EMR_ANGLEARC);
        m_out.puti(x);
        m_out.puti(y);
        m_out.put32(radius);
        m_out.putf(start);
        m_out.putf(sweep);
        m_out.end();
        return true;
    }
    bool SetPixel(TDeviceContext& dc, int x, int y, COLORREF color) override {
        bound(dc, x, y);
        m_out.record(EMR_SETPIXELV, {DWORD(x), DWORD(y), color});
        return true;
    }
    bool regionRecord(TDeviceContext& dc, DWORD type, gdi::TRegion& region, gdi::TBrush* brush,
                      int w = 0, int h = 0) {
        const RECT box = region.m_region.Box();
        boundBox(dc, box.left, box.top, box.right - 1, box.bottom - 1, 0);
        const DWORD brushIndex =
            brush ? (StockIndexOf(*brush) >= 0 ? ENHMETA_STOCK_OBJECT | DWORD(StockIndexOf(*brush))
                                               : objectIndex(*brush))
                  : 0;
        m_out.begin(type);
        m_out.putRect(m_out.bounds());
        m_out.put32(DWORD(32 + region.m_region.Boxes().size() * 16));
        if (type == EMR_FILLRGN || type == EMR_FRAMERGN)
            m_out.put32(brushIndex);
        if (type == EMR_FRAMERGN) {
            m_out.puti(w);
            m_out.puti(h);
        }
        writeRegionData(region.m_region);
        m_out.end();
        return true;
    }
    bool FillRgn(TDeviceContext& dc, gdi::TRegion& r, gdi::TBrush& b) override {
        return regionRecord(dc, EMR_FILLRGN, r, &b);
    }
    bool FrameRgn(TDeviceContext& dc, gdi::TRegion& r, gdi::TBrush& b, int w, int h) override {
        return regionRecord(dc, EMR_FRAMERGN, r, &b, w, h);
    }
    bool InvertRgn(TDeviceContext& dc, gdi::TRegion& r) override {
        return regionRecord(dc, EMR_INVERTRGN, r, nullptr);
    }
    bool PaintRgn(TDeviceContext& dc, gdi::TRegion& r) override {
        return regionRecord(dc, EMR_PAINTRGN, r, nullptr);
    }
    bool rectRecord(TDeviceContext& dc, DWORD type, const RECT& rect, gdi::TBrush* brush, int w) {
        gdi::TRegion region;
        region.m_region = gdi::TPixRegion(rect);
        return regionRecord(dc, type, region, brush, w, w);
    }
    bool FillRect(TDeviceContext& dc, const RECT& r, gdi::TBrush& b) override {
        return rectRecord(dc, EMR_FILLRGN, r, &b, 0);
    }
    bool FrameRect(TDeviceContext& dc, const RECT& r, gdi::TBrush& b) override {
        return rectRecord(dc, EMR_FRAMERGN, r, &b, 1);
    }
    bool InvertRect(TDeviceContext& dc, const RECT& r) override {
        return rectRecord(dc, EMR_INVERTRGN, r, nullptr, 0);
    }
    bool ExtFloodFill(TDeviceContext& dc, int x, int y, COLORREF c, UINT mode) override {
        bound(dc, x, y);
        m_out.record(EMR_EXTFLOODFILL, {DWORD(x), DWORD(y), c, mode});
        return true;
    }

    bool ExtTextOutW(TDeviceContext& dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text,
                     UINT count, const INT* dx) override {
        writeText(dc, x, y, options, rect, text, count, dx);
        return true;
    }
    bool PolyTextOutW(TDeviceContext& dc, const POLYTEXTW* texts, int n) override {
        for (int i = 0; i < n; ++i)
            writeText(dc, texts[i].x, texts[i].y, texts[i].uiFlags, &texts[i].rcl, texts[i].lpstr,
                      texts[i].n, texts[i].pdx);
        return true;
    }
    void writeText(TDeviceContext& dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text,
                   UINT count, const INT* dx) {
        if (count > kMaxPoints)
            return;
        HDC hdc = dc.Hdc();
        // Every text record carries its spacing: measure it when the caller gave none.
        const UINT pairs = options & ETO_PDY ? 2 : 1;
        std::vector<INT> spacing(size_t{count} * pairs, 0);
        // The cell height the bounds count with: the text's extent.
        LONG cellHeight = 0;
        if (dx) {
            std::copy(dx, dx + size_t{count} * pairs, spacing.begin());
            SIZE extent{};
            if (m_cornerBounds && GetTextExtentPoint32W(hdc, text, int(count), &extent))
                cellHeight = extent.cy;
        } else if (m_cornerBounds && count && !(options & ETO_GLYPH_INDEX)) {
            // A converted page measures each character on its own, in logical units.
            for (UINT i = 0; i < count; ++i) {
                SIZE one{};
                if (GetTextExtentPoint32W(hdc, text + i, 1, &one)) {
                    spacing[i] = one.cx;
                    cellHeight = std::max(cellHeight, one.cy);
                }
            }
        } else if (count) {
            std::vector<INT> cumulative(count, 0);
            SIZE extent{};
            if (options & ETO_GLYPH_INDEX) {
                for (UINT i = 0; i < count; ++i) {
                    SIZE one{};
                    WORD glyph = WORD(text[i]);
                    GetTextExtentPointI(hdc, &glyph, 1, &one);
                    spacing[i] = one.cx;
                    cellHeight = std::max(cellHeight, one.cy);
                }
            } else if (GetTextExtentExPointW(hdc, text, int(count), 0, nullptr, cumulative.data(),
                                             &extent)) {
                for (UINT i = 0; i < count; ++i)
                    spacing[i] = cumulative[i] - (i ? cumulative[i - 1] : 0);
            }
        }
        // Bounds, which become the frame of a page converted from a Windows metafile: the text
        // cell placed by the alignment at the call's own point (also under TA_UPDATECP), a unit
        // wider on its open sides, reaching a whole cell height above a baseline. Neither the
        // escapement nor the opaque rectangle widens it; a converted page counts even a call
        // with no characters, by its point.
        TEXTMETRICW tm{};
        GetTextMetricsW(hdc, &tm);
        if (!m_cornerBounds)
            cellHeight = tm.tmHeight;
        LONG width = 0;
        for (UINT i = 0; i < count; ++i)
            width += spacing[i * pairs];
        const UINT align = dc.State().m_textAlign;
        double left, right, top, bottom;
        if ((align & TA_CENTER) == TA_CENTER) {
            left = x - width / 2 - 1;
            right = x + width / 2 + 1;
        } else if (align & TA_RIGHT) {
            left = x - width - 1;
            right = x;
        } else {
            left = x;
            right = x + width + 1;
        }
        if ((align & TA_BASELINE) == TA_BASELINE) {
            top = y - cellHeight - 1;
            bottom = y + tm.tmDescent + 1;
        } else if (align & TA_BOTTOM) {
            top = y - cellHeight - 1;
            bottom = y;
        } else {
            top = y;
            bottom = y + cellHeight + 1;
        }
        if (count || m_cornerBounds)
            boundBox(dc, left, top, right, bottom, 0);

        const bool hasRect = rect && (options & (ETO_OPAQUE | ETO_CLIPPED));
        const size_t stringAt = 76;
        const size_t stringBytes = (size_t{count} * 2 + 3) & ~size_t{3};
        m_out.begin(EMR_EXTTEXTOUTW);
        m_out.putRect(m_out.bounds());
        m_out.put32(DWORD(dc.State().m_graphicsMode));
        m_out.putf(1.0f);
        m_out.putf(1.0f);
        m_out.puti(x);
        m_out.puti(y);
        m_out.put32(count);
        m_out.put32(DWORD(stringAt));
        m_out.put32(options);
        m_out.putRect(hasRect ? *rect : RECT{0, 0, -1, -1});
        m_out.put32(DWORD(stringAt + stringBytes));
        for (UINT i = 0; i < count; ++i) {
            const BYTE c[2] = {BYTE(text[i]), BYTE(text[i] >> 8)};
            m_out.putBytes(c, 2);
        }
        for (size_t i = size_t{count} * 2; i < stringBytes; ++i)
            m_out.putBytes("", 1);
        for (INT v : spacing)
            m_out.puti(v);
        m_out.end();
    }

    // Blits: the destination box for the bounds, the source as a DIB.
    bool blit(TDeviceContext& dc, DWORD type, int x, int y, int w, int h, TDeviceContext* src,
              int xs, int ys, int ws, int hs, DWORD rop, bool withSize) {
        boundBox(dc, x, y, x + w - 1, y + h - 1, 0);
        std::vector<BYTE> bmi, bits;
        const bool usesSource = src && (type != EMR_BITBLT || ((rop >> 2) ^ rop) & 0x330000);
        if (usesSource)
            sourceDib(*src, xs, ys, withSize ? ws : w, withSize ? hs : h, bmi, bits);
        const size_t fixed = withSize ? 108 : 100;
        m_out.begin(type);
        m_out.putRect(m_out.bounds());
        m_out.puti(x);
        m_out.puti(y);
        m_out.puti(w);
        m_out.puti(h);
        m_out.put32(rop);
        m_out.puti(bmi.empty() ? xs : 0);
        m_out.puti(bmi.empty() ? ys : 0);
        writeBlitSource(bmi, bits, fixed, withSize, ws, hs);
        m_out.putBytes(bmi.data(), bmi.size());
        m_out.putBytes(bits.data(), bits.size());
        m_out.end();
        return true;
    }
    bool BitBlt(TDeviceContext& dc, int x, int y, int w, int h, TDeviceContext* src, int xs, int ys,
                DWORD rop) override {
        return blit(dc, EMR_BITBLT, x, y, w, h, src, xs, ys, w, h, rop, false);
    }
    bool StretchBlt(TDeviceContext& dc, int x, int y, int w, int h, TDeviceContext* src, int xs,
                    int ys, int ws, int hs, DWORD rop) override {
        return blit(dc, EMR_STRETCHBLT, x, y, w, h, src, xs, ys, ws, hs, rop, true);
    }
    bool PatBlt(TDeviceContext& dc, int x, int y, int w, int h, DWORD rop) override {
        return blit(dc, EMR_BITBLT, x, y, w, h, nullptr, 0, 0, w, h, rop, false);
    }
    bool TransparentBlt(TDeviceContext& dc, int x, int y, int w, int h, TDeviceContext& src, int xs,
                        int ys, int ws, int hs, UINT colour) override {
        return blit(dc, EMR_TRANSPARENTBLT, x, y, w, h, &src, xs, ys, ws, hs, colour, true);
    }
    bool AlphaBlend(TDeviceContext& dc, int x, int y, int w, int h, TDeviceContext& src, int xs,
                    int ys, int ws, int hs, BLENDFUNCTION f) override {
        const DWORD packed = DWORD(f.BlendOp) | DWORD(f.BlendFlags) << 8 |
                             DWORD(f.SourceConstantAlpha) << 16 | DWORD(f.AlphaFormat) << 24;
        return blit(dc, EMR_ALPHABLEND, x, y, w, h, &src, xs, ys, ws, hs, packed, true);
    }
    // A blit mask as a 1-bpp DIB (white pixels are 1) of w x h pixels from (x, y).
    static void maskDib(gdi::TBitmap* mask, int x, int y, int w, int h, std::vector<BYTE>& bmi,
                        std::vector<BYTE>& bits) {
        bmi.clear();
        bits.clear();
        if (!mask || w <= 0 || h <= 0 || ULONGLONG(w) * ULONGLONG(h) > kMaxBitmapPixels)
            return;
        BITMAPINFOHEADER head{};
        head.biSize = sizeof head;
        head.biWidth = w;
        head.biHeight = -h;
        head.biPlanes = 1;
        head.biBitCount = 1;
        head.biCompression = BI_RGB;
        head.biClrUsed = 2;
        const size_t stride = ((size_t(w) + 31) / 32) * 4;
        head.biSizeImage = DWORD(stride * size_t(h));
        bmi.assign(reinterpret_cast<BYTE*>(&head), reinterpret_cast<BYTE*>(&head) + sizeof head);
        const BYTE table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
        bmi.insert(bmi.end(), table, table + 8);
        bits.assign(stride * size_t(h), 0);
        // A mask smaller than the rectangle repeats, as GDI applies it.
        const gdi::TSurface& surface = mask->m_surface;
        if (surface.m_width <= 0 || surface.m_height <= 0)
            return;
        auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
        for (int row = 0; row < h; ++row) {
            const int sy = wrap(y + row, surface.m_height);
            for (int col = 0; col < w; ++col) {
                const int sx = wrap(x + col, surface.m_width);
                if (surface.Get(sx, sy) & 0xFFFFFF)
                    bits[size_t(row) * stride + size_t(col) / 8] |= BYTE(0x80 >> (col % 8));
            }
        }
    }
    bool MaskBlt(TDeviceContext& dc, int x, int y, int w, int h, TDeviceContext* src, int xs,
                 int ys, gdi::TBitmap* mask, int xm, int ym, DWORD rop) override {
        if (!mask)
            return blit(dc, EMR_BITBLT, x, y, w, h, src, xs, ys, w, h, rop & 0x00FFFFFF, false);
        boundBox(dc, x, y, x + w - 1, y + h - 1, 0);
        std::vector<BYTE> bmi, bits, maskBmi, maskBits;
        if (src)
            sourceDib(*src, xs, ys, w, h, bmi, bits);
        maskDib(mask, xm, ym, std::abs(w), std::abs(h), maskBmi, maskBits);
        const size_t fixed = 128;
        m_out.begin(EMR_MASKBLT);
        m_out.putRect(m_out.bounds());
        for (int v : {x, y, w, h})
            m_out.puti(v);
        m_out.put32(rop);
        m_out.puti(bmi.empty() ? xs : 0);
        m_out.puti(bmi.empty() ? ys : 0);
        writeBlitSource(bmi, bits, fixed, false, 0, 0);
        writeMask(maskBmi, maskBits, fixed + bmi.size() + bits.size());
        m_out.putBytes(bmi.data(), bmi.size());
        m_out.putBytes(bits.data(), bits.size());
        m_out.putBytes(maskBmi.data(), maskBmi.size());
        m_out.putBytes(maskBits.data(), maskBits.size());
        m_out.end();
        return true;
    }
    void writeMask(const std::vector<BYTE>& bmi, const std::vector<BYTE>& bits, size_t at) {
        m_out.puti(0); // xMask
        m_out.puti(0); // yMask
        m_out.put32(DIB_RGB_COLORS);
        m_out.put32(bmi.empty() ? 0 : DWORD(at));
        m_out.put32(DWORD(bmi.size()));
        m_out.put32(bmi.empty() ? 0 : DWORD(at + bmi.size()));
        m_out.put32(DWORD(bits.size()));
    }
    bool PlgBlt(TDeviceContext& dc, const POINT* pts, TDeviceContext& src, int xs, int ys, int w,
                int h, gdi::TBitmap* mask, int xm, int ym) override {
        // The fourth corner completes the parallelogram.
        const POINT fourth{pts[1].x + pts[2].x - pts[0].x, pts[1].y + pts[2].y - pts[0].y};
        boundPoints(dc, pts, 3, 0);
        bound(dc, fourth.x, fourth.y);
        std::vector<BYTE> bmi, bits, maskBmi, maskBits;
        sourceDib(src, xs, ys, w, h, bmi, bits);
        maskDib(mask, xm, ym, std::abs(w), std::abs(h), maskBmi, maskBits);
        const size_t fixed = 140;
        m_out.begin(EMR_PLGBLT);
        m_out.putRect(m_out.bounds());
        for (int i = 0; i < 3; ++i) {
            m_out.puti(pts[i].x);
            m_out.puti(pts[i].y);
        }
        m_out.puti(bmi.empty() ? xs : 0);
        m_out.puti(bmi.empty() ? ys : 0);
        m_out.puti(w);
        m_out.puti(h);
        writeBlitSource(bmi, bits, fixed, false, 0, 0);
        writeMask(maskBmi, maskBits, fixed + bmi.size() + bits.size());
        m_out.putBytes(bmi.data(), bmi.size());
        m_out.putBytes(bits.data(), bits.size());
        m_out.putBytes(maskBmi.data(), maskBmi.size());
        m_out.putBytes(maskBits.data(), maskBits.size());
        m_out.end();
        return true;
    }
    bool GradientFill(TDeviceContext& dc, const TRIVERTEX* v, ULONG nv, const void* mesh, ULONG nm,
                      ULONG mode) override {
        for (ULONG i = 0; i < nv; ++i)
            bound(dc, v[i].x, v[i].y);
        const size_t meshSize = mode == GRADIENT_FILL_TRIANGLE ? 12 : 8;
        m_out.begin(EMR_GRADIENTFILL);
        m_out.putRect(m_out.bounds());
        m_out.put32(nv);
        m_out.put32(nm);
        m_out.put32(mode);
        m_out.putBytes(v, size_t{nv} * sizeof(TRIVERTEX));
        m_out.putBytes(mesh, size_t{nm} * meshSize);
        m_out.end();
        return true;
    }
    static size_t dibHeaderSize(const BITMAPINFO* info, UINT usage) {
        const BITMAPINFOHEADER& h = info->bmiHeader;
        size_t size = h.biSize;
        if (h.biBitCount <= 8)
            size += (h.biClrUsed ? h.biClrUsed : (size_t{1} << h.biBitCount)) *
                    (usage == DIB_PAL_COLORS ? 2 : 4);
        else if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER))
            size += 12;
        return size;
    }
    static size_t dibBitsSize(const BITMAPINFO* info) {
        const BITMAPINFOHEADER& h = info->bmiHeader;
        if ((h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) && h.biSizeImage)
            return h.biSizeImage;
        return ((size_t(std::abs(h.biWidth)) * h.biBitCount + 31) / 32) * 4 *
               size_t(std::abs(h.biHeight));
    }
    void writeDibRecord(const BITMAPINFO* info, const void* bits, UINT usage, size_t fixed) {
        const size_t bmi = dibHeaderSize(info, usage);
        const size_t bmiPadded = (bmi + 3) & ~size_t{3};
        const size_t bitsSize = bits ? dibBitsSize(info) : 0;
        m_out.put32(DWORD(fixed));
        m_out.put32(DWORD(bmi));
        m_out.put32(DWORD(fixed + bmiPadded));
        m_out.put32(DWORD(bitsSize));
        m_out.put32(usage);
    }
    bool StretchDIBits(TDeviceContext& dc, int x, int y, int w, int h, int xs, int ys, int ws,
                       int hs, const void* bits, const BITMAPINFO* info, UINT usage,
                       DWORD rop) override {
        if (!info)
            return true;
        boundBox(dc, x, y, x + w - 1, y + h - 1, 0);
        m_out.begin(EMR_STRETCHDIBITS);
        m_out.putRect(m_out.bounds());
        for (int v : {x, y, xs, ys, ws, hs})
            m_out.puti(v);
        writeDibRecord(info, bits, usage, 80);
        m_out.put32(rop);
        m_out.puti(w);
        m_out.puti(h);
        appendDib(info, bits, usage);
        m_out.end();
        return true;
    }
    bool SetDIBitsToDevice(TDeviceContext& dc, int x, int y, DWORD w, DWORD h, int xs, int ys,
                           UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
                           UINT usage) override {
        if (!info)
            return true;
        boundBox(dc, x, y, x + LONG(w) - 1, y + LONG(h) - 1, 0);
        m_out.begin(EMR_SETDIBITSTODEVICE);
        m_out.putRect(m_out.bounds());
        for (int v : {x, y, xs, ys, int(w), int(h)})
            m_out.puti(v);
        writeDibRecord(info, bits, usage, 76);
        m_out.put32(start);
        m_out.put32(lines);
        appendDib(info, bits, usage);
        m_out.end();
        return true;
    }
    void appendDib(const BITMAPINFO* info, const void* bits, UINT usage) {
        const size_t bmi = dibHeaderSize(info, usage);
        m_out.putBytes(info, bmi);
        for (size_t i = bmi; i % 4; ++i)
            m_out.putBytes("", 1);
        if (bits)
            m_out.putBytes(bits, dibBitsSize(info));
    }
};

TEmfRecorder* recorderOf(HDC hdc) {
    TDeviceContext* dc = gdi::GdiLookupDC(hdc);
    if (!dc || dc->m_kind != gdi::TDcKind::Metafile || !dc->m_driver)
        return nullptr;
    return dynamic_cast<TEmfRecorder*>(dc->m_driver.get());
}

HDC createRecordingDC(HDC reference, LPCSTR file, const RECT* frame, std::u16string description) {
    auto dc = std::make_unique<TDeviceContext>(gdi::TDcKind::Metafile, OBJ_ENHMETADC);
    if (reference) {
        TDeviceContext* ref = gdi::GdiLookupDC(reference);
        if (!ref) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        dc->m_caps = ref->m_caps;
    } else {
        dc->m_caps = gdi::DisplayCaps();
    }
    dc->m_caps.technology = DT_METAFILE;
    dc->m_driver = std::make_unique<TEmfRecorder>(
        file ? std::string(file) : std::string(),
        frame ? std::optional<RECT>(*frame) : std::nullopt, std::move(description));
    return gdi::GdiCreateDC(std::move(dc));
}

} // namespace

void UseConversionBounds(HDC recording) {
    if (TEmfRecorder* recorder = recorderOf(recording)) {
        recorder->m_cornerBounds = true;
        recorder->m_out.frameFromSpan();
    }
}

void LimitRecordingBounds(HDC recording, const RECT& limit) {
    if (TEmfRecorder* recorder = recorderOf(recording)) {
        recorder->m_out.limitBounds(limit);
    }
}

} // namespace tallyvane::metafile

using namespace tallyvane::metafile;

HDC CreateEnhMetaFileW(HDC hdc, LPCSTR lpFilename, const RECT* lprc, LPCWSTR lpDesc) {
    return createRecordingDC(hdc, lpFilename, lprc, DescriptionFromWide(lpDesc));
}

HDC CreateEnhMetaFile(HDC hdc, LPCSTR lpFilename, const RECT* lprc, LPCWSTR lpDesc) {
    return CreateEnhMetaFileW(hdc, lpFilename, lprc, lpDesc);
}

HDC CreateEnhMetaFileA(HDC hdc, LPCSTR lpFilename, const RECT* lprc, LPCSTR lpDesc) {
    return createRecordingDC(hdc, lpFilename, lprc, DescriptionFromNarrow(lpDesc));
}

HENHMETAFILE CloseEnhMetaFile(HDC hdc) {
    TEmfRecorder* recorder = recorderOf(hdc);
    TDeviceContext* dc = gdi::GdiLookupDC(hdc);
    if (!recorder || !dc) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const SIZE pixels{dc->m_caps.horzRes, dc->m_caps.vertRes};
    const SIZE millimetres{dc->m_caps.horzSizeMM, dc->m_caps.vertSizeMM};
    std::vector<BYTE> bits =
        recorder->m_out.finish(recorder->m_frame ? &*recorder->m_frame : nullptr, pixels,
                               millimetres, recorder->m_description);
    const std::string file = recorder->m_file;
    DeleteDC(hdc);
    if (!file.empty() && !WriteWholeFile(file.c_str(), bits)) {
        SetLastError(ERROR_CANTWRITE);
        return nullptr;
    }
    return NewEnhMetaFile(std::move(bits));
}

BOOL GdiComment(HDC hdc, UINT nSize, const BYTE* lpData) {
    TEmfRecorder* recorder = recorderOf(hdc);
    if (!recorder)
        return TRUE;
    if (!lpData && nSize)
        return FALSE;
    recorder->m_out.begin(EMR_GDICOMMENT);
    recorder->m_out.put32(nSize);
    recorder->m_out.putBytes(lpData, nSize);
    recorder->m_out.end();
    return TRUE;
}
