// Playing the records that make objects (pens, brushes, fonts) and the records that draw lines,
// shapes, polygons and paths.
#include <algorithm>
#include <cmath>

#include "platform/metafile/EnhMetafilePlay_p.h"

namespace tallyvane::metafile {
namespace {

// Stores a new object in slot index, dropping whatever the slot held.
bool storeObject(TEmfPlayer& p, DWORD index, HGDIOBJ object) {
    if (!object)
        return false;
    if (index == 0 || index >= p.handleCount) {
        DeleteObject(object);
        return false;
    }
    if (p.handles[index])
        DeleteObject(p.handles[index]);
    p.handles[index] = object;
    return true;
}

// A monochrome pattern from a DIB: a 1-bpp bitmap, so the brush draws in the DC's text and
// background colours as a mono pattern brush does.
HBRUSH monoBrushFromDib(const std::vector<BYTE>& dib) {
    BITMAPINFOHEADER head;
    std::memcpy(&head, dib.data(), sizeof head);
    if (head.biBitCount != 1 || head.biCompression != BI_RGB) {
        return CreateDIBPatternBrushPt(dib.data(), DIB_RGB_COLORS);
    }
    const LONG width = head.biWidth;
    const LONG height = head.biHeight < 0 ? -head.biHeight : head.biHeight;
    const size_t dibStride = ((size_t(width) + 31) / 32) * 4;
    const size_t ddbStride = ((size_t(width) + 15) / 16) * 2;
    const size_t colours = head.biClrUsed ? head.biClrUsed : 2;
    const BYTE* bits = dib.data() + head.biSize + colours * 4;
    std::vector<BYTE> rows(ddbStride * size_t(height));
    for (LONG y = 0; y < height; ++y) {
        const LONG srcRow = head.biHeight > 0 ? height - 1 - y : y;
        std::memcpy(rows.data() + ddbStride * size_t(y), bits + dibStride * size_t(srcRow),
                    ddbStride);
    }
    // A colour table whose first entry is white inverts the sense of the bits.
    RGBQUAD first;
    std::memcpy(&first, dib.data() + head.biSize, sizeof first);
    if (first.rgbRed == 255 && first.rgbGreen == 255 && first.rgbBlue == 255)
        for (BYTE& b : rows)
            b = BYTE(~b);
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, rows.data());
    if (!bitmap)
        return nullptr;
    HBRUSH brush = CreatePatternBrush(bitmap);
    DeleteObject(bitmap);
    return brush;
}

// Where the style entry count lies for a pen description at `at`: the 64-bit layout (at 32)
// also widens the hatch field to eight bytes.
size_t ExtPenCountAt(size_t at) {
    return at == 32 ? at + 24 : at + 20;
}

// Whether the pen description of an EMR_EXTCREATEPEN read at `at` makes sense: a style with
// no stray bits, a brush style GDI knows, a cosmetic pen solid and no wider than one unit, and
// the style entries inside the record.
// The reader is a copy: a probe that runs off the record must not fail the real reading.
bool PlausibleExtPen(TRecordReader rec, size_t at) {
    const DWORD style = rec.u32(at), width = rec.u32(at + 4), brushStyle = rec.u32(at + 8);
    const DWORD entries = rec.u32(ExtPenCountAt(at));
    if (!rec.ok())
        return false;
    const DWORD known = PS_STYLE_MASK | PS_ENDCAP_MASK | PS_JOIN_MASK | PS_TYPE_MASK;
    const bool geometric = (style & PS_TYPE_MASK) == PS_GEOMETRIC;
    return (style & ~known) == 0 && (style & PS_STYLE_MASK) <= PS_ALTERNATE &&
           brushStyle <= BS_MONOPATTERN && (geometric || (width <= 1 && brushStyle == BS_SOLID)) &&
           entries <= 16 && rec.span(ExtPenCountAt(at) + 4, entries, 4) != nullptr;
}

// The published layout puts the pen description right after the bitmap fields, at offset 28.
// Recorders built for 64-bit systems align it to 8 bytes and write it at 32 with four bytes
// of padding; those files are read at 32 when the published reading makes no sense.
size_t ExtPenOffset(const TRecordReader& rec) {
    if (PlausibleExtPen(rec, 28))
        return 28;
    TRecordReader padding = rec;
    return PlausibleExtPen(rec, 32) && padding.u32(28) == 0 ? 32 : 28;
}

bool playObject(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    const DWORD index = rec.u32(8);
    if (!rec.ok())
        return false;
    switch (type) {
    case EMR_CREATEPEN: {
        LOGPEN pen{rec.u32(12), POINT{rec.i32(16), rec.i32(20)}, rec.u32(24)};
        return rec.ok() && storeObject(p, index, CreatePenIndirect(&pen));
    }
    case EMR_EXTCREATEPEN: {
        const DWORD offBmi = rec.u32(12), cbBmi = rec.u32(16), offBits = rec.u32(20),
                    cbBits = rec.u32(24);
        const size_t at = ExtPenOffset(rec);
        const DWORD style = rec.u32(at), width = rec.u32(at + 4);
        LOGBRUSH brush{rec.u32(at + 8), rec.u32(at + 12), rec.u32(at + 16)};
        DWORD entries = rec.u32(ExtPenCountAt(at));
        if (!rec.ok())
            return false;
        const BYTE* styleBytes = entries ? rec.span(ExtPenCountAt(at) + 4, entries, 4) : nullptr;
        if (entries && (!styleBytes || entries > 16))
            entries = 0;
        std::vector<DWORD> dashes(entries);
        if (entries)
            std::memcpy(dashes.data(), styleBytes, entries * 4);
        std::vector<BYTE> dib;
        if (brush.lbStyle == BS_DIBPATTERN || brush.lbStyle == BS_DIBPATTERNPT) {
            dib = PackedDibFromRecord(rec, offBmi, cbBmi, offBits, cbBits, brush.lbColor);
            if (dib.empty()) {
                brush = LOGBRUSH{BS_SOLID, 0, 0};
            } else {
                brush.lbStyle = BS_DIBPATTERNPT;
                brush.lbColor = DIB_RGB_COLORS;
                brush.lbHatch = reinterpret_cast<ULONG_PTR>(dib.data());
            }
        } else if (brush.lbStyle == BS_PATTERN) {
            brush = LOGBRUSH{BS_SOLID, 0, 0};
        }
        if ((style & PS_USERSTYLE) != PS_USERSTYLE && (style & PS_STYLE_MASK) != PS_USERSTYLE)
            entries = 0;
        return storeObject(
            p, index,
            ExtCreatePen(style, width, &brush, entries, entries ? dashes.data() : nullptr));
    }
    case EMR_CREATEBRUSHINDIRECT: {
        LOGBRUSH brush{rec.u32(12), rec.u32(16), rec.u32(20)};
        if (!rec.ok())
            return false;
        // Only the plain styles can be described without a bitmap.
        if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_NULL && brush.lbStyle != BS_HATCHED)
            brush.lbStyle = BS_SOLID;
        // The stored hatch styles past the six patterns (6 to 11) are solid and dithered
        // colours: they paint the brush's colour.
        if (brush.lbStyle == BS_HATCHED && brush.lbHatch > HS_DIAGCROSS &&
            brush.lbHatch < HS_API_MAX)
            brush.lbStyle = BS_SOLID;
        return storeObject(p, index, CreateBrushIndirect(&brush));
    }
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT: {
        const DWORD usage = rec.u32(12), offBmi = rec.u32(16), cbBmi = rec.u32(20),
                    offBits = rec.u32(24), cbBits = rec.u32(28);
        if (!rec.ok())
            return false;
        std::vector<BYTE> dib = PackedDibFromRecord(rec, offBmi, cbBmi, offBits, cbBits, usage);
        if (dib.empty())
            return false;
        HBRUSH brush = type == EMR_CREATEMONOBRUSH
                           ? monoBrushFromDib(dib)
                           : CreateDIBPatternBrushPt(dib.data(), DIB_RGB_COLORS);
        return storeObject(p, index, brush);
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
        const BYTE* bytes = rec.span(12, 1, sizeof(LOGFONTW));
        if (!bytes)
            return false;
        LOGFONTW font;
        std::memcpy(&font, bytes, sizeof font);
        font.lfFaceName[LF_FACESIZE - 1] = 0;
        return storeObject(p, index, CreateFontIndirectW(&font));
    }
    case EMR_CREATEPALETTE: {
        // A LOGPALETTE: version, entry count, the entries. A palette changes no pixel on a
        // true-colour device, but colours given as palette indices are looked up in it.
        const WORD entries = rec.u16(14);
        const BYTE* data = rec.span(16, entries, sizeof(PALETTEENTRY));
        if (!rec.ok() || !data || entries == 0)
            return false;
        return storeObject(p, index, PaletteFromEntries(data, entries));
    }
    case EMR_SELECTOBJECT: {
        HGDIOBJ object = nullptr;
        if (index & ENHMETA_STOCK_OBJECT) {
            const DWORD stock = index & ~ENHMETA_STOCK_OBJECT;
            if (stock > DWORD(STOCK_LAST))
                return false;
            object = GetStockObject(int(stock));
        } else {
            object = p.object(index);
        }
        return object && SelectObject(p.dc, object) != nullptr;
    }
    case EMR_DELETEOBJECT: {
        HGDIOBJ object = p.object(index);
        if (!object)
            return false;
        p.handles[index] = nullptr;
        return DeleteObject(object);
    }
    case EMR_SELECTPALETTE: {
        // Selected as a background palette, as a player does; the stock flag names the
        // default palette.
        HGDIOBJ object = index & ENHMETA_STOCK_OBJECT
                             ? (index & ~ENHMETA_STOCK_OBJECT) == DWORD(DEFAULT_PALETTE)
                                   ? GetStockObject(DEFAULT_PALETTE)
                                   : nullptr
                             : p.object(index);
        return object && GetObjectType(object) == OBJ_PAL &&
               SelectPalette(p.dc, HPALETTE(object), TRUE) != nullptr;
    }
    }
    return false;
}

// Points of a poly record: 32-bit (POINTL) or 16-bit (POINTS) pairs.
bool readPoints(TRecordReader& rec, size_t offset, DWORD count, bool small,
                std::vector<POINT>& points) {
    if (count > kMaxPoints)
        return false;
    const BYTE* data = rec.span(offset, count, small ? 4 : 8);
    if (!data)
        return false;
    points.resize(count);
    for (DWORD i = 0; i < count; ++i) {
        if (small) {
            SHORT xy[2];
            std::memcpy(xy, data + i * 4, 4);
            points[i] = POINT{xy[0], xy[1]};
        } else {
            LONG xy[2];
            std::memcpy(xy, data + i * 8, 8);
            points[i] = POINT{xy[0], xy[1]};
        }
    }
    return true;
}

bool playPoly(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    const bool small = type >= EMR_POLYBEZIER16;
    // The 16-bit records run parallel to the first seven 32-bit ones; EMR_POLYDRAW stands apart.
    const DWORD base = type == EMR_POLYDRAW16 ? EMR_POLYDRAW
                       : small                ? type - EMR_POLYBEZIER16 + EMR_POLYBEZIER
                                              : type;
    HDC dc = p.dc;
    std::vector<POINT> points;
    if (base == EMR_POLYPOLYLINE || base == EMR_POLYPOLYGON) {
        const DWORD polys = rec.u32(24), total = rec.u32(28);
        if (!rec.ok() || polys == 0 || polys > kMaxPolys || total > kMaxPoints)
            return false;
        const BYTE* countBytes = rec.span(32, polys, 4);
        if (!countBytes)
            return false;
        std::vector<DWORD> counts(polys);
        std::memcpy(counts.data(), countBytes, polys * 4);
        ULONGLONG sum = 0;
        for (DWORD c : counts)
            sum += c;
        if (sum != total)
            return false;
        if (!readPoints(rec, 32 + size_t{polys} * 4, total, small, points))
            return false;
        if (base == EMR_POLYPOLYLINE)
            return PolyPolyline(dc, points.data(), counts.data(), polys);
        std::vector<INT> ints(counts.begin(), counts.end());
        return PolyPolygon(dc, points.data(), ints.data(), int(polys));
    }
    const DWORD count = rec.u32(24);
    if (!rec.ok() || !readPoints(rec, 28, count, small, points))
        return false;
    switch (base) {
    case EMR_POLYBEZIER:
        return PolyBezier(dc, points.data(), count);
    case EMR_POLYGON:
        return Polygon(dc, points.data(), int(count));
    case EMR_POLYLINE:
        return Polyline(dc, points.data(), int(count));
    case EMR_POLYBEZIERTO:
        return PolyBezierTo(dc, points.data(), count);
    case EMR_POLYLINETO:
        return PolylineTo(dc, points.data(), count);
    case EMR_POLYDRAW: {
        const BYTE* types = rec.span(28 + size_t{count} * (small ? 4 : 8), count, 1);
        return types && PolyDraw(dc, points.data(), types, int(count));
    }
    }
    return false;
}

// The shapes whose records hold an inclusive box. Recorded in GM_COMPATIBLE, they are played
// the same way when the transform scales, the box widened back to the call's exclusive corner
// (the taken-in unit is less than a pixel under a scaling mapping mode); else in GM_ADVANCED,
// which draws a rectangle's box inclusive and a curved shape's without right and bottom.
bool playBox(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    // Box, then the corner size (EMR_ROUNDRECT) or the start and end points (the arcs).
    const size_t fields = type == EMR_RECTANGLE || type == EMR_ELLIPSE ? 16
                          : type == EMR_ROUNDRECT                      ? 24
                                                                       : 32;
    if (!rec.has(8, fields))
        return false;
    RECT r = rec.rectl(8);
    const LONG a = fields > 16 ? rec.i32(24) : 0, b = fields > 16 ? rec.i32(28) : 0;
    const LONG c = fields > 24 ? rec.i32(32) : 0, d = fields > 24 ? rec.i32(36) : 0;
    const XFORM& world = p.mapping.world;
    const bool recordedCompatible = world.eM11 == 1 && world.eM12 == 0 && world.eM21 == 0 &&
                                    world.eM22 == 1 && world.eDx == 0 && world.eDy == 0;
    const bool compatible = recordedCompatible && type != EMR_ARCTO && p.enterCompatibleMapping();
    // GDI leaves out the right and bottom edge of a curved shape in either mode and of a
    // rectangle in the compatible one. A curved box recorded under a world transform (so in
    // GM_ADVANCED) is stored as called, without its edge; else it is inclusive and gets its
    // edge back here.
    const bool curved = type != EMR_RECTANGLE;
    if (compatible || (curved && recordedCompatible)) {
        r.right = r.right < INT32_MAX ? r.right + 1 : r.right;
        r.bottom = r.bottom < INT32_MAX ? r.bottom + 1 : r.bottom;
    }
    HDC dc = p.dc;
    BOOL done = FALSE;
    switch (type) {
    case EMR_RECTANGLE:
        done = Rectangle(dc, r.left, r.top, r.right, r.bottom);
        break;
    case EMR_ELLIPSE:
        done = Ellipse(dc, r.left, r.top, r.right, r.bottom);
        break;
    case EMR_ROUNDRECT:
        done = RoundRect(dc, r.left, r.top, r.right, r.bottom, a, b);
        break;
    case EMR_ARC:
        done = Arc(dc, r.left, r.top, r.right, r.bottom, a, b, c, d);
        break;
    case EMR_ARCTO:
        done = ArcTo(dc, r.left, r.top, r.right, r.bottom, a, b, c, d);
        break;
    case EMR_CHORD:
        done = Chord(dc, r.left, r.top, r.right, r.bottom, a, b, c, d);
        break;
    case EMR_PIE:
        done = Pie(dc, r.left, r.top, r.right, r.bottom, a, b, c, d);
        break;
    }
    if (compatible)
        p.leaveCompatibleMapping();
    return done;
}

} // namespace

bool PlayEmfObjectRecord(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    switch (type) {
    case EMR_CREATEPEN:
    case EMR_EXTCREATEPEN:
    case EMR_CREATEBRUSHINDIRECT:
    case EMR_CREATEMONOBRUSH:
    case EMR_CREATEDIBPATTERNBRUSHPT:
    case EMR_EXTCREATEFONTINDIRECTW:
    case EMR_CREATEPALETTE:
    case EMR_SELECTOBJECT:
    case EMR_DELETEOBJECT:
    case EMR_SELECTPALETTE:
        return playObject(p, type, rec);
    }
    return false;
}

bool PlayEmfDrawRecord(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    HDC dc = p.dc;
    switch (type) {
    case EMR_POLYBEZIER:
    case EMR_POLYGON:
    case EMR_POLYLINE:
    case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
    case EMR_POLYPOLYLINE:
    case EMR_POLYPOLYGON:
    case EMR_POLYDRAW:
    case EMR_POLYBEZIER16:
    case EMR_POLYGON16:
    case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
    case EMR_POLYPOLYLINE16:
    case EMR_POLYPOLYGON16:
    case EMR_POLYDRAW16:
        return playPoly(p, type, rec);
    case EMR_RECTANGLE:
    case EMR_ELLIPSE:
    case EMR_ROUNDRECT:
    case EMR_ARC:
    case EMR_ARCTO:
    case EMR_CHORD:
    case EMR_PIE:
        return playBox(p, type, rec);
    case EMR_ANGLEARC: {
        const POINT c = rec.pointl(8);
        const DWORD radius = rec.u32(16);
        const FLOAT start = rec.f32(20), sweep = rec.f32(24);
        if (!rec.ok() || !std::isfinite(start) || !std::isfinite(sweep))
            return false;
        return AngleArc(dc, c.x, c.y, radius, start, sweep);
    }
    case EMR_LINETO: {
        const POINT pt = rec.pointl(8);
        return rec.ok() && LineTo(dc, pt.x, pt.y);
    }
    case EMR_SETPIXELV: {
        const POINT pt = rec.pointl(8);
        const COLORREF color = rec.u32(16);
        return rec.ok() && SetPixelV(dc, pt.x, pt.y, color);
    }
    case EMR_EXTFLOODFILL: {
        const POINT pt = rec.pointl(8);
        const COLORREF color = rec.u32(16);
        const DWORD mode = rec.u32(20);
        return rec.ok() && ExtFloodFill(dc, pt.x, pt.y, color, mode);
    }
    case EMR_BEGINPATH:
        return BeginPath(dc);
    case EMR_ENDPATH:
        return EndPath(dc);
    case EMR_CLOSEFIGURE:
        return CloseFigure(dc);
    case EMR_FILLPATH:
        return FillPath(dc);
    case EMR_STROKEANDFILLPATH:
        return StrokeAndFillPath(dc);
    case EMR_STROKEPATH:
        return StrokePath(dc);
    case EMR_FLATTENPATH:
        return FlattenPath(dc);
    case EMR_WIDENPATH:
        return WidenPath(dc);
    case EMR_ABORTPATH:
        return AbortPath(dc);
    case EMR_FILLRGN:
    case EMR_FRAMERGN:
    case EMR_INVERTRGN:
    case EMR_PAINTRGN: {
        // Regions drawn by these records are in logical units.
        const DWORD size = rec.u32(24);
        const size_t dataAt = type == EMR_FILLRGN ? 32 : type == EMR_FRAMERGN ? 40 : 28;
        if (!rec.ok() || !rec.has(dataAt, size))
            return false;
        HRGN rgn = p.regionFromRecord(rec, dataAt, size, false);
        if (!rgn)
            return false;
        BOOL done = FALSE;
        if (type == EMR_INVERTRGN) {
            done = InvertRgn(dc, rgn);
        } else if (type == EMR_PAINTRGN) {
            done = PaintRgn(dc, rgn);
        } else {
            HGDIOBJ brush = p.object(rec.u32(28));
            const DWORD ihBrush = rec.u32(28);
            if (ihBrush & ENHMETA_STOCK_OBJECT)
                brush = GetStockObject(int(ihBrush & 0xFF));
            if (brush && type == EMR_FILLRGN)
                done = FillRgn(dc, rgn, HBRUSH(brush));
            if (brush && type == EMR_FRAMERGN)
                done = FrameRgn(dc, rgn, HBRUSH(brush), rec.i32(32), rec.i32(36));
        }
        DeleteObject(rgn);
        return done;
    }
    }
    return false;
}

} // namespace tallyvane::metafile
