// Playing the records that change DC state (attributes, mapping, transforms, clipping, saved
// levels) and those that create, select and delete objects.
#include <algorithm>
#include <cmath>

#include "platform/metafile/EnhMetafilePlay_p.h"

namespace tallyvane::metafile {
namespace {

XFORM readXform(TRecordReader& rec, size_t offset) {
    return XFORM{rec.f32(offset),      rec.f32(offset + 4),  rec.f32(offset + 8),
                 rec.f32(offset + 12), rec.f32(offset + 16), rec.f32(offset + 20)};
}

XFORM multiply(const XFORM& a, const XFORM& b) {
    XFORM r;
    r.eM11 = a.eM11 * b.eM11 + a.eM12 * b.eM21;
    r.eM12 = a.eM11 * b.eM12 + a.eM12 * b.eM22;
    r.eM21 = a.eM21 * b.eM11 + a.eM22 * b.eM21;
    r.eM22 = a.eM21 * b.eM12 + a.eM22 * b.eM22;
    r.eDx = a.eDx * b.eM11 + a.eDy * b.eM21 + b.eDx;
    r.eDy = a.eDx * b.eM12 + a.eDy * b.eM22 + b.eDy;
    return r;
}

// Mapping records: kept by the player while it emulates, else passed to the DC.
bool playMapping(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    // EMR_SETMAPMODE has one field, the others at least two.
    const LONG a = rec.i32(8), b = type == EMR_SETMAPMODE ? 0 : rec.i32(12);
    if (!rec.ok())
        return false;
    TEmfMapping& m = p.mapping;
    if (!p.emulate) {
        switch (type) {
        case EMR_SETMAPMODE:
            return SetMapMode(p.dc, a) != 0;
        case EMR_SETWINDOWEXTEX:
            return SetWindowExtEx(p.dc, a, b, nullptr);
        case EMR_SETWINDOWORGEX:
            return SetWindowOrgEx(p.dc, a, b, nullptr);
        case EMR_SETVIEWPORTEXTEX:
            return SetViewportExtEx(p.dc, a, b, nullptr);
        case EMR_SETVIEWPORTORGEX:
            return SetViewportOrgEx(p.dc, a, b, nullptr);
        case EMR_SCALEVIEWPORTEXTEX:
            return ScaleViewportExtEx(p.dc, a, b, rec.i32(16), rec.i32(20), nullptr);
        case EMR_SCALEWINDOWEXTEX:
            return ScaleWindowExtEx(p.dc, a, b, rec.i32(16), rec.i32(20), nullptr);
        }
        return false;
    }
    switch (type) {
    case EMR_SETMAPMODE:
        p.setMapMode(a);
        break;
    case EMR_SETWINDOWEXTEX:
        if (a == 0 || b == 0)
            return false;
        if (m.mode != MM_ISOTROPIC && m.mode != MM_ANISOTROPIC)
            return false;
        m.windowExt = SIZE{a, b};
        p.fixIsotropic();
        break;
    case EMR_SETVIEWPORTEXTEX:
        if (a == 0 || b == 0)
            return false;
        if (m.mode != MM_ISOTROPIC && m.mode != MM_ANISOTROPIC)
            return false;
        m.viewportExt = SIZE{a, b};
        p.fixIsotropic();
        break;
    case EMR_SETWINDOWORGEX:
        m.windowOrg = POINT{a, b};
        break;
    case EMR_SETVIEWPORTORGEX:
        m.viewportOrg = POINT{a, b};
        break;
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX: {
        // Fields: xNum, xDenom, yNum, yDenom. The player scales its own extents to the nearest
        // whole unit (where a DC cuts the fraction), and a scale to nothing leaves one unit.
        const LONG yNum = rec.i32(16), yDenom = rec.i32(20);
        if (!rec.ok() || a == 0 || b == 0 || yNum == 0 || yDenom == 0)
            return false;
        if (m.mode != MM_ISOTROPIC && m.mode != MM_ANISOTROPIC)
            return false;
        SIZE& ext = type == EMR_SCALEVIEWPORTEXTEX ? m.viewportExt : m.windowExt;
        auto scale = [](LONG value, LONG num, LONG denom) {
            const double v = std::round(double(value) * num / denom);
            const LONG r = LONG(std::clamp(v, -2147483647.0, 2147483647.0));
            return r == 0 ? 1 : r;
        };
        ext = SIZE{scale(ext.cx, a, b), scale(ext.cy, yNum, yDenom)};
        p.fixIsotropic();
        break;
    }
    default:
        return false;
    }
    p.apply();
    return true;
}

bool playWorldTransform(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    const XFORM xf = readXform(rec, 8);
    const DWORD mode = type == EMR_MODIFYWORLDTRANSFORM ? rec.u32(32) : MWT_SET;
    if (!rec.ok() || !IsFinite(xf))
        return false;
    if (!p.emulate) {
        if (mode == MWT_SET)
            return SetWorldTransform(p.dc, &xf);
        return ModifyWorldTransform(p.dc, &xf, mode);
    }
    XFORM& world = p.mapping.world;
    switch (mode) {
    case MWT_IDENTITY:
        world = XFORM{1, 0, 0, 1, 0, 0};
        break;
    case MWT_LEFTMULTIPLY:
        world = multiply(xf, world);
        break;
    case MWT_RIGHTMULTIPLY:
        world = multiply(world, xf);
        break;
    case MWT_SET:
        world = xf;
        break;
    default:
        return false;
    }
    p.apply();
    return true;
}

// Replaces the DC's clip region by rgn (null: none), never reaching outside the meta region.
void selectClip(TEmfPlayer& p, HRGN rgn, int mode) {
    if (mode == RGN_COPY && !rgn) {
        SelectClipRgn(p.dc, p.metaRegion);
        return;
    }
    ExtSelectClipRgn(p.dc, rgn, mode);
    if (p.metaRegion)
        ExtSelectClipRgn(p.dc, p.metaRegion, RGN_AND);
}

bool playClip(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    switch (type) {
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT: {
        const RECT r = rec.rectl(8);
        if (!rec.ok())
            return false;
        if (type == EMR_EXCLUDECLIPRECT)
            return ExcludeClipRect(p.dc, r.left, r.top, r.right, r.bottom) != ERROR;
        return IntersectClipRect(p.dc, r.left, r.top, r.right, r.bottom) != ERROR;
    }
    case EMR_OFFSETCLIPRGN: {
        const LONG x = rec.i32(8), y = rec.i32(12);
        if (!rec.ok())
            return false;
        if (!p.emulate)
            return OffsetClipRgn(p.dc, x, y) != ERROR;
        // The offset is logical: move the device region by its transformed vector.
        const XFORM xf = p.combined();
        const LONG dx = LONG(std::lround(x * xf.eM11 + y * xf.eM21));
        const LONG dy = LONG(std::lround(x * xf.eM12 + y * xf.eM22));
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        if (GetClipRgn(p.dc, clip) == 1) {
            OffsetRgn(clip, dx, dy);
            SelectClipRgn(p.dc, clip);
            if (p.metaRegion)
                ExtSelectClipRgn(p.dc, p.metaRegion, RGN_AND);
        }
        DeleteObject(clip);
        return true;
    }
    case EMR_EXTSELECTCLIPRGN: {
        const DWORD size = rec.u32(8);
        const DWORD mode = rec.u32(12);
        if (!rec.ok() || mode < RGN_AND || mode > RGN_COPY)
            return false;
        if (size == 0 || (mode == RGN_COPY && size < 32)) {
            if (mode != RGN_COPY)
                return false;
            selectClip(p, nullptr, RGN_COPY);
            return true;
        }
        if (!rec.has(16, size))
            return false;
        HRGN rgn = p.regionFromRecord(rec, 16, size, true);
        if (!rgn)
            return false;
        selectClip(p, rgn, int(mode));
        DeleteObject(rgn);
        return true;
    }
    case EMR_SETMETARGN: {
        if (!p.emulate)
            return SetMetaRgn(p.dc) != ERROR;
        // The meta region becomes the clip in force; the clip itself is reset to it.
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        if (GetClipRgn(p.dc, clip) == 1) {
            if (p.metaRegion)
                DeleteObject(p.metaRegion);
            p.metaRegion = clip;
        } else {
            DeleteObject(clip);
        }
        SelectClipRgn(p.dc, p.metaRegion);
        return true;
    }
    case EMR_SELECTCLIPPATH: {
        const DWORD mode = rec.u32(8);
        if (!rec.ok())
            return false;
        BOOL done = SelectClipPath(p.dc, int(mode));
        if (done && p.metaRegion)
            ExtSelectClipRgn(p.dc, p.metaRegion, RGN_AND);
        return done;
    }
    }
    return false;
}

} // namespace

bool PlayEmfStateRecord(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    HDC dc = p.dc;
    switch (type) {
    case EMR_HEADER:
    case EMR_EOF:
    case EMR_GDICOMMENT:
        return true;
    case EMR_SETMAPMODE:
    case EMR_SETWINDOWEXTEX:
    case EMR_SETWINDOWORGEX:
    case EMR_SETVIEWPORTEXTEX:
    case EMR_SETVIEWPORTORGEX:
    case EMR_SCALEVIEWPORTEXTEX:
    case EMR_SCALEWINDOWEXTEX:
        return playMapping(p, type, rec);
    case EMR_SETWORLDTRANSFORM:
    case EMR_MODIFYWORLDTRANSFORM:
        return playWorldTransform(p, type, rec);
    case EMR_EXCLUDECLIPRECT:
    case EMR_INTERSECTCLIPRECT:
    case EMR_OFFSETCLIPRGN:
    case EMR_EXTSELECTCLIPRGN:
    case EMR_SETMETARGN:
    case EMR_SELECTCLIPPATH:
        return playClip(p, type, rec);
    case EMR_SAVEDC:
        if (!p.emulate)
            return SaveDC(dc) != 0;
        p.saveState();
        return true;
    case EMR_RESTOREDC: {
        const LONG level = rec.i32(8);
        if (!rec.ok())
            return false;
        if (!p.emulate)
            return RestoreDC(dc, level);
        p.restoreState(level);
        return true;
    }
    case EMR_REALIZEPALETTE:
        // Maps nothing on a true-colour device.
        RealizePalette(dc);
        return true;
    }

    // Single-value attributes.
    const DWORD value = rec.u32(8);
    if (!rec.ok())
        return false;
    switch (type) {
    case EMR_SETBKMODE:
        return SetBkMode(dc, int(value)) != 0;
    case EMR_SETPOLYFILLMODE:
        return SetPolyFillMode(dc, int(value)) != 0;
    case EMR_SETROP2:
        return SetROP2(dc, int(value)) != 0;
    case EMR_SETSTRETCHBLTMODE:
        return SetStretchBltMode(dc, int(value)) != 0;
    case EMR_SETTEXTALIGN:
        return SetTextAlign(dc, value) != UINT(GDI_ERROR);
    case EMR_SETTEXTCOLOR:
        return SetTextColor(dc, value) != CLR_INVALID;
    case EMR_SETBKCOLOR:
        return SetBkColor(dc, value) != CLR_INVALID;
    case EMR_SETARCDIRECTION:
        return SetArcDirection(dc, int(value)) != 0;
    case EMR_SETMAPPERFLAGS:
        return SetMapperFlags(dc, value) != DWORD(GDI_ERROR);
    case EMR_SETLAYOUT:
        return SetLayout(dc, value) != DWORD(GDI_ERROR);
    case EMR_SETMITERLIMIT: {
        // Written as a FLOAT by the format; some writers store an integer.
        FLOAT limit = rec.f32(8);
        if (!std::isfinite(limit) || limit < 1.0f || limit > 1e6f)
            limit = FLOAT(value);
        return SetMiterLimit(dc, limit, nullptr);
    }
    case EMR_SETBRUSHORGEX: {
        // The brush origin is in device units of the reference device.
        const LONG x = LONG(value), y = rec.i32(12);
        if (!rec.ok())
            return false;
        if (!p.emulate)
            return SetBrushOrgEx(dc, x, y, nullptr);
        const XFORM& d = p.destination;
        return SetBrushOrgEx(dc, int(std::lround(x * d.eM11 + y * d.eM21 + d.eDx)),
                             int(std::lround(x * d.eM12 + y * d.eM22 + d.eDy)), nullptr);
    }
    case EMR_MOVETOEX: {
        const LONG y = rec.i32(12);
        return rec.ok() && MoveToEx(dc, LONG(value), y, nullptr);
    }
    // Attributes that do not change the picture on this device, and records that only carry
    // data for others: colour management, OpenGL, escapes, font mapping hints. The text
    // justification is already in the spacing arrays of the text records that follow.
    case EMR_SETICMMODE:
    case EMR_SETCOLORADJUSTMENT:
    case EMR_SETCOLORSPACE:
    case EMR_DELETECOLORSPACE:
    case EMR_CREATECOLORSPACE:
    case EMR_CREATECOLORSPACEW:
    case EMR_COLORMATCHTOTARGETW:
    case EMR_COLORCORRECTPALETTE:
    case EMR_SETICMPROFILEA:
    case EMR_SETICMPROFILEW:
    case EMR_GLSRECORD:
    case EMR_GLSBOUNDEDRECORD:
    case EMR_PIXELFORMAT:
    case EMR_DRAWESCAPE:
    case EMR_EXTESCAPE:
    case EMR_NAMEDESCAPE:
    case EMR_FORCEUFIMAPPING:
    case EMR_SETLINKEDUFIS:
    case EMR_SETTEXTJUSTIFICATION:
        return true;
    // Palettes: changed entries matter to the colours given as palette indices.
    case EMR_SETPALETTEENTRIES:
    case EMR_RESIZEPALETTE: {
        HGDIOBJ palette = p.object(value);
        if (!palette || GetObjectType(palette) != OBJ_PAL)
            return false;
        if (type == EMR_RESIZEPALETTE) {
            const DWORD count = rec.u32(12);
            return rec.ok() && ResizePalette(HPALETTE(palette), UINT(count));
        }
        // ihPal, iStart, cEntries, then the entries.
        const DWORD start = rec.u32(12), count = rec.u32(16);
        const BYTE* entries = rec.span(20, count, sizeof(PALETTEENTRY));
        if (!rec.ok() || !entries || count == 0)
            return false;
        std::vector<PALETTEENTRY> copy(count);
        std::memcpy(copy.data(), entries, size_t{count} * sizeof(PALETTEENTRY));
        return SetPaletteEntries(HPALETTE(palette), UINT(start), UINT(count), copy.data()) != 0;
    }
    }
    return false;
}

} // namespace tallyvane::metafile
