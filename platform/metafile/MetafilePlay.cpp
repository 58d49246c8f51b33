// Playing Windows metafiles: EnumMetaFile, PlayMetaFile and PlayMetaFileRecord.
//
// Parameters of a record are 16-bit words, most of them in the reverse order of the call's
// arguments (META_RECTANGLE holds bottom, right, top, left). Objects go into the first free slot
// of the object table as they are created; records name them by slot. Regions are in device
// units of the DC played on. Escapes are never acted on: one could ask to run code
// (SETABORTPROC) or to start a print job, and none changes the picture.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/metafile/EnhMetafilePlay_p.h"

namespace tallyvane::metafile {
namespace {

struct TWmfRecord {
    TRecordReader rec;
    size_t words; // parameter words
    SHORT p(size_t i) { return rec.i16(6 + i * 2); }
    WORD u(size_t i) { return rec.u16(6 + i * 2); }
    DWORD u32(size_t i) { return rec.u32(6 + i * 2); }
};

// The first free slot for a new object, or none.
bool storeObject(HGDIOBJ* slots, UINT count, HGDIOBJ object) {
    if (!object)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (!slots[i]) {
            slots[i] = object;
            return true;
        }
    }
    DeleteObject(object);
    return false;
}

// A region from a META_CREATEREGION record: scans of (top, bottom, pairs of left/right).
HRGN regionFromRecord(TWmfRecord& r) {
    const WORD scans = r.u(5);
    if (!r.rec.ok())
        return nullptr;
    HRGN rgn = CreateRectRgn(0, 0, 0, 0);
    if (!rgn)
        return nullptr;
    std::vector<RECT> rects;
    size_t at = 11; // word index of the first scan
    for (WORD s = 0; s < scans; ++s) {
        const WORD count = r.u(at);
        const SHORT top = r.p(at + 1), bottom = r.p(at + 2);
        if (!r.rec.ok() || count % 2 || count > 4096)
            break;
        for (WORD i = 0; i < count / 2; ++i) {
            const SHORT left = r.p(at + 3 + i * 2), right = r.p(at + 4 + i * 2);
            if (!r.rec.ok())
                break;
            if (left < right && top < bottom)
                rects.push_back(RECT{left, top, right, bottom});
        }
        at += 3 + count + 1;
        if (!r.rec.ok() || rects.size() > kMaxPoints)
            break;
    }
    if (!rects.empty()) {
        std::vector<BYTE> data(32 + rects.size() * 16);
        RGNDATAHEADER head{32, RDH_RECTANGLES, DWORD(rects.size()), DWORD(rects.size() * 16), {}};
        std::memcpy(data.data(), &head, 32);
        std::memcpy(data.data() + 32, rects.data(), rects.size() * 16);
        DeleteObject(rgn);
        rgn = ExtCreateRegion(nullptr, DWORD(data.size()),
                              reinterpret_cast<const RGNDATA*>(data.data()));
    }
    return rgn;
}

// The DIB that ends a record, from byte offset `at` of the record, as a checked packed DIB.
std::vector<BYTE> dibAt(TRecordReader& rec, size_t at, UINT usage) {
    const DWORD headerSize = rec.u32(at);
    if (!rec.ok())
        return {};
    size_t tableSize = 0;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        const WORD bpp = rec.u16(at + 10);
        if (bpp <= 8)
            tableSize = (size_t{1} << bpp) * (usage == DIB_PAL_COLORS ? 2 : 3);
    } else if (headerSize >= sizeof(BITMAPINFOHEADER)) {
        const WORD bpp = rec.u16(at + 14);
        const DWORD compression = rec.u32(at + 16);
        const DWORD used = rec.u32(at + 32);
        if (bpp <= 8) {
            const DWORD full = 1u << bpp;
            tableSize =
                size_t(used && used < full ? used : full) * (usage == DIB_PAL_COLORS ? 2 : 4);
        } else if (compression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER)) {
            tableSize = 12;
        } else if (used && used <= 256) {
            tableSize = size_t(used) * 4; // a colour table kept for palette devices
        }
    } else {
        return {};
    }
    if (!rec.ok() || at > rec.size())
        return {};
    const size_t cbBmi = headerSize + tableSize;
    if (cbBmi > rec.size() - at)
        return {};
    const size_t offBits = at + cbBmi;
    return PackedDibFromRecord(rec, DWORD(at), DWORD(cbBmi), DWORD(offBits),
                               DWORD(rec.size() - offBits), usage);
}

bool playObjectRecord(HDC dc, HGDIOBJ* slots, UINT count, WORD function, TWmfRecord& r) {
    switch (function) {
    case META_CREATEPENINDIRECT: {
        LOGPEN pen{r.u(0), POINT{r.p(1), 0}, r.u32(3)};
        return r.rec.ok() && storeObject(slots, count, CreatePenIndirect(&pen));
    }
    case META_CREATEBRUSHINDIRECT: {
        LOGBRUSH brush{r.u(0), r.u32(1), r.u(3)};
        if (!r.rec.ok())
            return false;
        if (brush.lbStyle != BS_SOLID && brush.lbStyle != BS_NULL && brush.lbStyle != BS_HATCHED)
            brush.lbStyle = BS_SOLID;
        return storeObject(slots, count, CreateBrushIndirect(&brush));
    }
    case META_CREATEFONTINDIRECT: {
        LOGFONTW font{};
        font.lfHeight = r.p(0);
        font.lfWidth = r.p(1);
        font.lfEscapement = r.p(2);
        font.lfOrientation = r.p(3);
        font.lfWeight = r.p(4);
        if (!r.rec.ok())
            return false;
        const size_t base = 6 + 10;
        font.lfItalic = r.rec.u8(base);
        font.lfUnderline = r.rec.u8(base + 1);
        font.lfStrikeOut = r.rec.u8(base + 2);
        font.lfCharSet = r.rec.u8(base + 3);
        font.lfOutPrecision = r.rec.u8(base + 4);
        font.lfClipPrecision = r.rec.u8(base + 5);
        font.lfQuality = r.rec.u8(base + 6);
        font.lfPitchAndFamily = r.rec.u8(base + 7);
        if (!r.rec.ok())
            return false;
        // The face name is single-byte text; Windows-1252 and Latin-1 agree on face names.
        for (int i = 0; i < LF_FACESIZE - 1 && r.rec.has(base + 8 + i, 1); ++i) {
            const BYTE c = r.rec.u8(base + 8 + i);
            if (!c)
                break;
            font.lfFaceName[i] = c;
        }
        return storeObject(slots, count, CreateFontIndirectW(&font));
    }
    case META_DIBCREATEPATTERNBRUSH: {
        const UINT usage = r.u(1);
        std::vector<BYTE> dib = dibAt(r.rec, 10, usage);
        if (dib.empty())
            return storeObject(slots, count, CreateSolidBrush(0));
        return storeObject(slots, count, CreateDIBPatternBrushPt(dib.data(), DIB_RGB_COLORS));
    }
    case META_CREATEPATTERNBRUSH: {
        // A device-dependent pattern: the 16-bit BITMAP with its pointer field, 18 bytes of no
        // meaning in a file, then the rows.
        HBITMAP pattern = DeviceBitmapAt(r.rec, 6, 6 + 14 + 18);
        HBRUSH brush = pattern ? CreatePatternBrush(pattern) : nullptr;
        if (pattern)
            DeleteObject(pattern);
        return storeObject(slots, count, brush ? brush : CreateSolidBrush(RGB(128, 128, 128)));
    }
    case META_CREATEPALETTE: {
        // A LOGPALETTE. Palettes change no pixel on a true-colour device, but colours given as
        // palette indices are looked up in the selected one.
        const WORD entries = r.u(1);
        const BYTE* data = r.rec.span(10, entries, sizeof(PALETTEENTRY));
        if (!r.rec.ok() || !data || entries == 0) {
            // Still takes its slot, so the indices of later objects stay right.
            LOGPALETTE black{0x300, 1, {{0, 0, 0, 0}}};
            storeObject(slots, count, CreatePalette(&black));
            return false;
        }
        return storeObject(slots, count, PaletteFromEntries(data, entries));
    }
    case META_CREATEREGION:
        return storeObject(slots, count, regionFromRecord(r));
    case META_SELECTOBJECT:
    case META_DELETEOBJECT:
    case META_SELECTCLIPREGION:
    case META_SELECTPALETTE: {
        const WORD index = r.u(0);
        if (!r.rec.ok() || index >= count || !slots[index])
            return false;
        HGDIOBJ object = slots[index];
        if (function == META_DELETEOBJECT) {
            slots[index] = nullptr;
            return DeleteObject(object);
        }
        if (function == META_SELECTPALETTE)
            return GetObjectType(object) == OBJ_PAL &&
                   SelectPalette(dc, HPALETTE(object), TRUE) != nullptr;
        if (function == META_SELECTCLIPREGION || GetObjectType(object) == OBJ_REGION)
            return SelectClipRgn(dc, HRGN(object)) != ERROR;
        if (GetObjectType(object) == OBJ_PAL)
            return true; // a palette is not selected as an object
        return SelectObject(dc, object) != nullptr;
    }
    }
    return false;
}

bool playStateRecord(HDC dc, WORD function, TWmfRecord& r) {
    switch (function) {
    case META_SETBKMODE:
        return SetBkMode(dc, r.p(0)) != 0;
    case META_SETMAPMODE:
        return SetMapMode(dc, r.p(0)) != 0;
    case META_SETROP2:
        return SetROP2(dc, r.p(0)) != 0;
    case META_SETRELABS:
        return true;
    case META_SETPOLYFILLMODE:
        return SetPolyFillMode(dc, r.p(0)) != 0;
    case META_SETSTRETCHBLTMODE:
        return SetStretchBltMode(dc, r.p(0)) != 0;
    case META_SETTEXTCHAREXTRA:
        return r.rec.ok() && SetTextCharacterExtra(dc, r.p(0)) != INT(0x80000000);
    case META_SETTEXTALIGN:
        return r.rec.ok() && SetTextAlign(dc, r.u(0)) != UINT(GDI_ERROR);
    case META_SETBKCOLOR:
        return r.rec.ok() && SetBkColor(dc, r.u32(0)) != CLR_INVALID;
    case META_SETTEXTCOLOR:
        return r.rec.ok() && SetTextColor(dc, r.u32(0)) != CLR_INVALID;
    case META_SETMAPPERFLAGS:
        return r.rec.ok() && SetMapperFlags(dc, r.u32(0)) != DWORD(GDI_ERROR);
    case META_SETLAYOUT:
        return r.rec.ok() && SetLayout(dc, r.u32(0)) != DWORD(GDI_ERROR);
    case META_SETTEXTJUSTIFICATION:
        return r.rec.ok() && SetTextJustification(dc, r.p(1), r.p(0));
    case META_SETWINDOWORG:
        return r.rec.ok() && SetWindowOrgEx(dc, r.p(1), r.p(0), nullptr);
    case META_SETWINDOWEXT:
        return r.rec.ok() && SetWindowExtEx(dc, r.p(1), r.p(0), nullptr);
    case META_SETVIEWPORTORG:
        return r.rec.ok() && SetViewportOrgEx(dc, r.p(1), r.p(0), nullptr);
    case META_SETVIEWPORTEXT:
        return r.rec.ok() && SetViewportExtEx(dc, r.p(1), r.p(0), nullptr);
    case META_OFFSETWINDOWORG:
        return r.rec.ok() && OffsetWindowOrgEx(dc, r.p(1), r.p(0), nullptr);
    case META_OFFSETVIEWPORTORG:
        return r.rec.ok() && OffsetViewportOrgEx(dc, r.p(1), r.p(0), nullptr);
    case META_SCALEWINDOWEXT:
    case META_SCALEVIEWPORTEXT: {
        const SHORT yDenom = r.p(0), yNum = r.p(1), xDenom = r.p(2), xNum = r.p(3);
        if (!r.rec.ok() || !xDenom || !yDenom)
            return false;
        return function == META_SCALEWINDOWEXT
                   ? ScaleWindowExtEx(dc, xNum, xDenom, yNum, yDenom, nullptr)
                   : ScaleViewportExtEx(dc, xNum, xDenom, yNum, yDenom, nullptr);
    }
    case META_SAVEDC:
        return SaveDC(dc) != 0;
    case META_RESTOREDC:
        return r.rec.ok() && RestoreDC(dc, r.p(0));
    case META_EXCLUDECLIPRECT:
    case META_INTERSECTCLIPRECT: {
        const SHORT bottom = r.p(0), right = r.p(1), top = r.p(2), left = r.p(3);
        if (!r.rec.ok())
            return false;
        return (function == META_EXCLUDECLIPRECT
                    ? ExcludeClipRect(dc, left, top, right, bottom)
                    : IntersectClipRect(dc, left, top, right, bottom)) != ERROR;
    }
    case META_OFFSETCLIPRGN:
        return r.rec.ok() && OffsetClipRgn(dc, r.p(1), r.p(0)) != ERROR;
    case META_ESCAPE:
        return true;
    // Palette records act on the palette selected in the DC.
    case META_REALIZEPALETTE:
        return RealizePalette(dc) != UINT(GDI_ERROR);
    case META_RESIZEPALETTE:
        return r.rec.ok() && ResizePalette(HPALETTE(GetCurrentObject(dc, OBJ_PAL)), r.u(0));
    case META_SETPALENTRIES:
    case META_ANIMATEPALETTE: {
        // Start, count, then the entries.
        const WORD start = r.u(0), entries = r.u(1);
        const BYTE* data = r.rec.span(10, entries, sizeof(PALETTEENTRY));
        if (!r.rec.ok() || !data || entries == 0)
            return false;
        std::vector<PALETTEENTRY> copy(entries);
        std::memcpy(copy.data(), data, size_t{entries} * sizeof(PALETTEENTRY));
        HPALETTE palette = HPALETTE(GetCurrentObject(dc, OBJ_PAL));
        return function == META_SETPALENTRIES
                   ? SetPaletteEntries(palette, start, entries, copy.data()) != 0
                   : AnimatePalette(palette, start, entries, copy.data()) != FALSE;
    }
    }
    return false;
}

bool readPoints(TWmfRecord& r, size_t firstWord, size_t count, std::vector<POINT>& points) {
    if (count > kMaxPoints || !r.rec.span(6 + firstWord * 2, count, 4))
        return false;
    points.resize(count);
    for (size_t i = 0; i < count; ++i)
        points[i] = POINT{r.p(firstWord + i * 2), r.p(firstWord + i * 2 + 1)};
    return true;
}

bool playText(HDC dc, WORD function, TWmfRecord& r) {
    if (function == META_TEXTOUT) {
        const WORD count = r.u(0);
        const size_t padded = (size_t{count} + 1) / 2;
        const BYTE* chars = r.rec.span(8, count, 1);
        const SHORT y = r.p(1 + padded), x = r.p(2 + padded);
        if (!chars || !r.rec.ok())
            return false;
        return TextOutA(dc, x, y, reinterpret_cast<LPCSTR>(chars), count);
    }
    const SHORT y = r.p(0), x = r.p(1);
    const WORD count = r.u(2), options = r.u(3);
    if (!r.rec.ok())
        return false;
    RECT rect{};
    size_t at = 6 + 8;
    if (options & (ETO_OPAQUE | ETO_CLIPPED)) {
        rect = RECT{r.p(4), r.p(5), r.p(6), r.p(7)};
        at += 8;
    }
    const BYTE* chars = r.rec.span(at, count, 1);
    if (count && !chars) {
        // Some writers set the flags without a rectangle.
        at -= 8;
        chars = r.rec.span(at, count, 1);
        if (!chars)
            return false;
        r.rec = TRecordReader(r.rec.data(), r.rec.size());
    }
    std::u16string text(chars ? chars : reinterpret_cast<const BYTE*>(""),
                        chars ? chars + count : reinterpret_cast<const BYTE*>(""));
    std::vector<INT> dx;
    const size_t dxAt = at + ((size_t{count} + 1) & ~size_t{1});
    if (count && r.rec.has(dxAt, size_t{count} * 2)) {
        dx.resize(count);
        for (WORD i = 0; i < count; ++i)
            dx[i] = r.rec.i16(dxAt + i * 2);
    }
    const RECT* box = options & (ETO_OPAQUE | ETO_CLIPPED) ? &rect : nullptr;
    if (!(options & ETO_GLYPH_INDEX))
        return ExtTextOutA(dc, x, y, options & ~ETO_PDY, box,
                           count ? reinterpret_cast<LPCSTR>(chars) : nullptr, count,
                           dx.empty() ? nullptr : dx.data());
    return ExtTextOutW(dc, x, y, options & ~ETO_PDY, box, count ? text.data() : nullptr, count,
                       dx.empty() ? nullptr : dx.data());
}

// The source of a blit record, selected into a memory DC: a DIB rebuilt as a section, or a
// device-dependent bitmap.
class TWmfBlitSource {
public:
    TWmfBlitSource(HDC reference, HBITMAP deviceBitmap) : m_bitmap(deviceBitmap) {
        if (!m_bitmap)
            return;
        m_dc = CreateCompatibleDC(reference);
        BITMAP shape{};
        GetObjectW(m_bitmap, sizeof shape, &shape);
        m_height = shape.bmHeight;
        if (m_dc)
            m_old = SelectObject(m_dc, m_bitmap);
    }
    TWmfBlitSource(HDC reference, const std::vector<BYTE>& dib) {
        if (dib.empty())
            return;
        auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const BYTE* bits = dib.data() + dib.size() - info->bmiHeader.biSizeImage;
        m_dc = CreateCompatibleDC(reference);
        if (!m_dc)
            return;
        void* dst = nullptr;
        std::vector<BYTE> plain(dib.begin(), dib.end() - long(info->bmiHeader.biSizeImage));
        auto* plainInfo = reinterpret_cast<BITMAPINFO*>(plain.data());
        const bool rle =
            info->bmiHeader.biCompression == BI_RLE8 || info->bmiHeader.biCompression == BI_RLE4;
        if (rle) {
            plainInfo->bmiHeader.biCompression = BI_RGB;
            plainInfo->bmiHeader.biSizeImage = 0;
        }
        m_bitmap = CreateDIBSection(m_dc, plainInfo, DIB_RGB_COLORS, &dst, nullptr, 0);
        if (!m_bitmap)
            return;
        m_bottomUp = info->bmiHeader.biHeight > 0;
        m_height = std::abs(info->bmiHeader.biHeight);
        if (rle)
            SetDIBits(m_dc, m_bitmap, 0, UINT(std::abs(info->bmiHeader.biHeight)), bits, info,
                      DIB_RGB_COLORS);
        else if (dst)
            std::memcpy(dst, bits, info->bmiHeader.biSizeImage);
        m_old = SelectObject(m_dc, m_bitmap);
    }
    ~TWmfBlitSource() {
        if (m_dc && m_old)
            SelectObject(m_dc, m_old);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
    }
    TWmfBlitSource(const TWmfBlitSource&) = delete;
    TWmfBlitSource& operator=(const TWmfBlitSource&) = delete;
    HDC dc() const { return m_bitmap && m_old ? m_dc : nullptr; }
    // The top row, in the bitmap, of a source band whose y is counted as in StretchDIBits: from
    // the bottom of a bottom-up DIB. The DIB records carry the bitmap as a DIB and are played
    // like StretchDIBits, which is what makes an icon's mask half come from the right rows.
    int topOf(int ySrc, int rows) const { return m_bottomUp ? m_height - ySrc - rows : ySrc; }

private:
    bool m_bottomUp = false;
    int m_height = 0;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

bool playBitmap(HDC dc, WORD function, TWmfRecord& r) {
    const size_t paramWords = function >> 8;
    const bool withBitmap = r.words > paramWords;
    switch (function) {
    case META_DIBBITBLT: {
        const DWORD rop = r.u32(0);
        const SHORT ySrc = r.p(2), xSrc = r.p(3);
        const size_t k = withBitmap ? 4 : 5;
        const SHORT height = r.p(k), width = r.p(k + 1), yDest = r.p(k + 2), xDest = r.p(k + 3);
        if (!r.rec.ok())
            return false;
        if (!withBitmap)
            return PatBlt(dc, xDest, yDest, width, height, rop);
        TWmfBlitSource source(dc, dibAt(r.rec, 6 + 16, DIB_RGB_COLORS));
        return source.dc() && BitBlt(dc, xDest, yDest, width, height, source.dc(), xSrc,
                                     source.topOf(ySrc, height), rop);
    }
    case META_DIBSTRETCHBLT: {
        const DWORD rop = r.u32(0);
        const SHORT srcHeight = r.p(2), srcWidth = r.p(3), ySrc = r.p(4), xSrc = r.p(5);
        const size_t k = withBitmap ? 6 : 7;
        const SHORT height = r.p(k), width = r.p(k + 1), yDest = r.p(k + 2), xDest = r.p(k + 3);
        if (!r.rec.ok())
            return false;
        if (!withBitmap)
            return PatBlt(dc, xDest, yDest, width, height, rop);
        TWmfBlitSource source(dc, dibAt(r.rec, 6 + 20, DIB_RGB_COLORS));
        return source.dc() && StretchBlt(dc, xDest, yDest, width, height, source.dc(), xSrc,
                                         source.topOf(ySrc, srcHeight), srcWidth, srcHeight, rop);
    }
    case META_STRETCHDIB: {
        const DWORD rop = r.u32(0);
        const UINT usage = r.u(2);
        const SHORT srcHeight = r.p(3), srcWidth = r.p(4), ySrc = r.p(5), xSrc = r.p(6);
        const SHORT height = r.p(7), width = r.p(8), yDest = r.p(9), xDest = r.p(10);
        if (!r.rec.ok())
            return false;
        std::vector<BYTE> dib = dibAt(r.rec, 6 + 22, usage);
        if (dib.empty())
            return false;
        auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const BYTE* bits = dib.data() + dib.size() - info->bmiHeader.biSizeImage;
        return StretchDIBits(dc, xDest, yDest, width, height, xSrc, ySrc, srcWidth, srcHeight, bits,
                             info, DIB_RGB_COLORS, rop) != 0;
    }
    case META_SETDIBTODEV: {
        const UINT usage = r.u(0);
        const WORD scans = r.u(1), startScan = r.u(2);
        const SHORT ySrc = r.p(3), xSrc = r.p(4), height = r.p(5), width = r.p(6), yDest = r.p(7),
                    xDest = r.p(8);
        if (!r.rec.ok())
            return false;
        std::vector<BYTE> dib = dibAt(r.rec, 6 + 18, usage);
        if (dib.empty())
            return false;
        auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const BYTE* bits = dib.data() + dib.size() - info->bmiHeader.biSizeImage;
        return SetDIBitsToDevice(dc, xDest, yDest, DWORD(width), DWORD(height), xSrc, ySrc,
                                 startScan, scans, bits, info, DIB_RGB_COLORS) != 0;
    }
    case META_PATBLT: {
        const DWORD rop = r.u32(0);
        const SHORT height = r.p(2), width = r.p(3), y = r.p(4), x = r.p(5);
        return r.rec.ok() && PatBlt(dc, x, y, width, height, rop);
    }
    case META_BITBLT:
    case META_STRETCHBLT: {
        // The bitmap is a device-dependent one; without one the record is a pattern blit, whose
        // parameters hold one more (reserved) word.
        const bool stretch = function == META_STRETCHBLT;
        const DWORD rop = r.u32(0);
        const size_t k = (stretch ? 6 : 4) + (withBitmap ? 0 : 1);
        const SHORT height = r.p(k), width = r.p(k + 1), yDest = r.p(k + 2), xDest = r.p(k + 3);
        const SHORT ySrc = r.p(stretch ? 4 : 2), xSrc = r.p(stretch ? 5 : 3);
        const SHORT srcHeight = stretch ? r.p(2) : height, srcWidth = stretch ? r.p(3) : width;
        if (!r.rec.ok())
            return false;
        if (!withBitmap)
            return PatBlt(dc, xDest, yDest, width, height, rop);
        const size_t bitmapAt = 6 + (stretch ? 20 : 16);
        TWmfBlitSource source(dc, DeviceBitmapAt(r.rec, bitmapAt, bitmapAt + 10));
        if (!source.dc())
            return false;
        if (!stretch)
            return BitBlt(dc, xDest, yDest, width, height, source.dc(), xSrc, ySrc, rop);
        return StretchBlt(dc, xDest, yDest, width, height, source.dc(), xSrc, ySrc, srcWidth,
                          srcHeight, rop);
    }
    }
    return false;
}

bool playDrawRecord(HDC dc, HGDIOBJ* slots, UINT count, WORD function, TWmfRecord& r) {
    switch (function) {
    case META_LINETO:
        return r.rec.ok() && LineTo(dc, r.p(1), r.p(0));
    case META_MOVETO:
        return r.rec.ok() && MoveToEx(dc, r.p(1), r.p(0), nullptr);
    case META_RECTANGLE:
    case META_ELLIPSE: {
        const SHORT bottom = r.p(0), right = r.p(1), top = r.p(2), left = r.p(3);
        if (!r.rec.ok())
            return false;
        return function == META_RECTANGLE ? Rectangle(dc, left, top, right, bottom)
                                          : Ellipse(dc, left, top, right, bottom);
    }
    case META_ROUNDRECT: {
        const SHORT h = r.p(0), w = r.p(1), bottom = r.p(2), right = r.p(3), top = r.p(4),
                    left = r.p(5);
        return r.rec.ok() && RoundRect(dc, left, top, right, bottom, w, h);
    }
    case META_ARC:
    case META_CHORD:
    case META_PIE: {
        const SHORT ye = r.p(0), xe = r.p(1), ys = r.p(2), xs = r.p(3), bottom = r.p(4),
                    right = r.p(5), top = r.p(6), left = r.p(7);
        if (!r.rec.ok())
            return false;
        auto call = function == META_ARC ? Arc : function == META_CHORD ? Chord : Pie;
        return call(dc, left, top, right, bottom, xs, ys, xe, ye);
    }
    case META_SETPIXEL: {
        const COLORREF color = r.u32(0);
        const SHORT y = r.p(2), x = r.p(3);
        return r.rec.ok() && SetPixel(dc, x, y, color) != CLR_INVALID;
    }
    case META_FLOODFILL:
    case META_EXTFLOODFILL: {
        const size_t k = function == META_EXTFLOODFILL ? 1 : 0;
        const UINT mode = function == META_EXTFLOODFILL ? r.u(0) : FLOODFILLBORDER;
        const COLORREF color = r.u32(k);
        const SHORT y = r.p(k + 2), x = r.p(k + 3);
        return r.rec.ok() && ExtFloodFill(dc, x, y, color, mode);
    }
    case META_POLYGON:
    case META_POLYLINE: {
        const WORD n = r.u(0);
        std::vector<POINT> points;
        if (!r.rec.ok() || !readPoints(r, 1, n, points))
            return false;
        return function == META_POLYGON ? Polygon(dc, points.data(), n)
                                        : Polyline(dc, points.data(), n);
    }
    case META_POLYPOLYGON: {
        const WORD polys = r.u(0);
        if (!r.rec.ok() || polys == 0 || !r.rec.span(8, polys, 2))
            return false;
        std::vector<INT> counts(polys);
        size_t total = 0;
        for (WORD i = 0; i < polys; ++i)
            total += counts[i] = r.u(1 + i);
        std::vector<POINT> points;
        if (!readPoints(r, 1 + polys, total, points))
            return false;
        return PolyPolygon(dc, points.data(), counts.data(), polys);
    }
    case META_FILLREGION:
    case META_FRAMEREGION:
    case META_INVERTREGION:
    case META_PAINTREGION: {
        const WORD regionIndex = r.u(0);
        if (!r.rec.ok() || regionIndex >= count || !slots[regionIndex])
            return false;
        HRGN rgn = HRGN(slots[regionIndex]);
        if (function == META_INVERTREGION)
            return InvertRgn(dc, rgn);
        if (function == META_PAINTREGION)
            return PaintRgn(dc, rgn);
        const WORD brushIndex = r.u(1);
        if (!r.rec.ok() || brushIndex >= count || !slots[brushIndex])
            return false;
        HBRUSH brush = HBRUSH(slots[brushIndex]);
        if (function == META_FILLREGION)
            return FillRgn(dc, rgn, brush);
        const SHORT h = r.p(2), w = r.p(3);
        return r.rec.ok() && FrameRgn(dc, rgn, brush, w, h);
    }
    case META_TEXTOUT:
    case META_EXTTEXTOUT:
        return playText(dc, function, r);
    }
    return playBitmap(dc, function, r);
}

// One walk over a Windows metafile; the object table lives here for its length.
BOOL enumerate(HDC hdc, TWinMetaFile& wmf, MFENUMPROC proc, LPARAM param) {
    const std::vector<BYTE> bits(wmf.bits.begin(), wmf.bits.begin() + long(wmf.walkable));
    const bool sound = wmf.sound;
    TRecordReader file(bits.data(), bits.size());
    const UINT objects = std::min<UINT>(file.u16(10), kMaxHandles);
    const size_t headerBytes = size_t{file.u16(2)} * 2;
    std::vector<HGDIOBJ> slots(std::max<UINT>(objects, 1), nullptr);
    int saved = hdc ? SaveDC(hdc) : 0;
    bool stopped = false;
    std::vector<BYTE> copy;
    for (size_t offset = headerBytes; offset + 6 <= bits.size();) {
        const size_t size = size_t{file.u32(offset)} * 2;
        // Records are handed out writable; give each its own aligned copy.
        copy.assign(bits.begin() + long(offset), bits.begin() + long(offset + size));
        auto* record = reinterpret_cast<METARECORD*>(copy.data());
        if (!proc(hdc, reinterpret_cast<HANDLETABLE*>(slots.data()), record, int(objects), param)) {
            stopped = true;
            break;
        }
        if (file.u16(offset + 4) == META_EOF)
            break;
        offset += size;
    }
    if (hdc)
        RestoreDC(hdc, saved);
    for (HGDIOBJ object : slots)
        if (object)
            DeleteObject(object);
    return !stopped && sound;
}

int playOne(HDC hdc, HANDLETABLE* table, METARECORD* record, int objects, LPARAM) {
    PlayMetaFileRecord(hdc, table, record, UINT(objects));
    return 1;
}

} // namespace

bool PlayWmfRecord(HDC hdc, HGDIOBJ* slots, UINT count, const BYTE* data, size_t size) {
    TWmfRecord r{TRecordReader(data, size), size >= 6 ? (size - 6) / 2 : 0};
    const WORD function = r.rec.u16(4);
    if (!r.rec.ok())
        return false;
    return playObjectRecord(hdc, slots, count, function, r) || playStateRecord(hdc, function, r) ||
           playDrawRecord(hdc, slots, count, function, r);
}

} // namespace tallyvane::metafile

using namespace tallyvane::metafile;

BOOL EnumMetaFile(HDC hdc, HMETAFILE hmf, MFENUMPROC proc, LPARAM param) {
    TWinMetaFile* wmf = LookupWinMetaFile(hmf);
    if (!wmf || !proc) {
        SetLastError(wmf ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return enumerate(hdc, *wmf, proc, param);
}

BOOL PlayMetaFile(HDC hdc, HMETAFILE hmf) {
    if (!hdc)
        return FALSE;
    return EnumMetaFile(hdc, hmf, playOne, 0);
}

BOOL PlayMetaFileRecord(HDC hdc, LPHANDLETABLE lpHandleTable, LPMETARECORD lpMR, UINT noObjs) {
    if (!hdc || !lpHandleTable || !lpMR || lpMR->rdSize < 3)
        return FALSE;
    const size_t size = size_t{lpMR->rdSize} * 2;
    return PlayWmfRecord(hdc, lpHandleTable->objectHandle, std::min<UINT>(noObjs, kMaxHandles),
                         reinterpret_cast<const BYTE*>(lpMR), size);
}
