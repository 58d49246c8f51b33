// Playing the records that carry bitmaps (blits, DIB transfers, alpha and transparent blends),
// gradient fills and text.
//
// A blit record stores its source as a DIB inside the record: a BITMAPINFO at offBmi and the
// pixel rows at offBits. The player rebuilds it as a DIB section in a memory DC and replays the
// blit from there, so the record's source coordinates keep their top-down meaning.
#include <algorithm>
#include <cmath>

#include "platform/metafile/EnhMetafilePlay_p.h"

namespace tallyvane::metafile {

std::vector<BYTE> PackedDibFromRecord(TRecordReader& rec, DWORD offBmi, DWORD cbBmi, DWORD offBits,
                                      DWORD cbBits, DWORD usage) {
    if (cbBmi < sizeof(BITMAPCOREHEADER) || !rec.has(offBmi, cbBmi) || !rec.has(offBits, cbBits))
        return {};
    const BYTE* bmi = rec.data() + offBmi;
    DWORD headerSize;
    std::memcpy(&headerSize, bmi, 4);
    BITMAPINFOHEADER head{};
    head.biSize = sizeof(BITMAPINFOHEADER);
    size_t tableAt;
    size_t entrySize = 4;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        BITMAPCOREHEADER core;
        std::memcpy(&core, bmi, sizeof core);
        head.biWidth = core.bcWidth;
        head.biHeight = core.bcHeight;
        head.biPlanes = 1;
        head.biBitCount = core.bcBitCount;
        head.biCompression = BI_RGB;
        tableAt = sizeof core;
        entrySize = 3;
    } else if (headerSize >= sizeof(BITMAPINFOHEADER) && headerSize <= cbBmi) {
        std::memcpy(&head, bmi, sizeof head);
        head.biSize = sizeof(BITMAPINFOHEADER);
        tableAt = headerSize;
    } else {
        return {};
    }
    const LONG width = head.biWidth;
    const LONG height =
        head.biHeight < 0
            ? -LONGLONG(head.biHeight) > kMaxBitmapSide ? kMaxBitmapSide + 1 : -head.biHeight
            : head.biHeight;
    const WORD bpp = head.biBitCount;
    if (width <= 0 || height <= 0 || width > kMaxBitmapSide || height > kMaxBitmapSide ||
        ULONGLONG(width) * ULONGLONG(height) > kMaxBitmapPixels)
        return {};
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        return {};
    const DWORD compression = head.biCompression;
    if (compression == BI_RLE8        ? bpp != 8
        : compression == BI_RLE4      ? bpp != 4
        : compression == BI_BITFIELDS ? (bpp != 16 && bpp != 32)
                                      : compression != BI_RGB)
        return {};

    // Bit-field masks: after a 40-byte header, or inside the larger headers at the same place.
    DWORD masks[3] = {0, 0, 0};
    if (compression == BI_BITFIELDS) {
        if (headerSize == sizeof(BITMAPINFOHEADER)) {
            if (cbBmi < sizeof(BITMAPINFOHEADER) + 12)
                return {};
            tableAt += 12;
        }
        std::memcpy(masks, bmi + sizeof(BITMAPINFOHEADER), 12);
    }

    // Colour table: complete, or made up where the record has none (monochrome masks and
    // patterns stored with DIB_PAL_INDICES, or palette indices with nothing to index).
    std::vector<RGBQUAD> colours;
    if (bpp <= 8) {
        const DWORD full = 1u << bpp;
        DWORD count = head.biClrUsed && head.biClrUsed < full ? head.biClrUsed : full;
        colours.resize(count);
        const size_t available = tableAt <= cbBmi ? (cbBmi - tableAt) / entrySize : 0;
        if (usage == DIB_RGB_COLORS && available >= 1) {
            for (DWORD i = 0; i < count && i < available; ++i) {
                const BYTE* e = bmi + tableAt + i * entrySize;
                colours[i] = RGBQUAD{e[0], e[1], e[2], 0};
            }
        } else {
            for (DWORD i = 0; i < count; ++i) {
                const BYTE v = count > 1 ? BYTE(i * 255 / (count - 1)) : 0;
                colours[i] = RGBQUAD{v, v, v, 0};
            }
        }
        head.biClrUsed = count;
    } else {
        head.biClrUsed = 0;
    }

    const size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
    const size_t imageSize = compression == BI_RGB || compression == BI_BITFIELDS
                                 ? stride * size_t(height)
                                 : size_t(cbBits);
    head.biSizeImage = DWORD(imageSize);
    const size_t prefix = sizeof head + (compression == BI_BITFIELDS ? 12 : 0) + colours.size() * 4;
    std::vector<BYTE> dib(prefix + imageSize, 0);
    std::memcpy(dib.data(), &head, sizeof head);
    size_t at = sizeof head;
    if (compression == BI_BITFIELDS) {
        std::memcpy(dib.data() + at, masks, 12);
        at += 12;
    }
    if (!colours.empty())
        std::memcpy(dib.data() + at, colours.data(), colours.size() * 4);
    // Rows missing at the end of a cut-short record stay zero.
    std::memcpy(dib.data() + prefix, rec.data() + offBits, std::min<size_t>(cbBits, imageSize));
    return dib;
}

namespace {

// A DIB rebuilt as a DIB section selected into its own memory DC; both freed on destruction.
class TDibSource {
public:
    TDibSource(HDC reference, const std::vector<BYTE>& dib) {
        if (dib.empty())
            return;
        auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const BITMAPINFOHEADER& head = info->bmiHeader;
        const size_t prefix = dib.size() - head.biSizeImage;
        m_dc = CreateCompatibleDC(reference);
        if (!m_dc)
            return;
        if (head.biCompression == BI_RLE8 || head.biCompression == BI_RLE4) {
            std::vector<BYTE> plain(dib.begin(), dib.begin() + long(prefix));
            auto* plainInfo = reinterpret_cast<BITMAPINFO*>(plain.data());
            plainInfo->bmiHeader.biCompression = BI_RGB;
            plainInfo->bmiHeader.biSizeImage = 0;
            void* bits = nullptr;
            m_bitmap = CreateDIBSection(m_dc, plainInfo, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (m_bitmap)
                SetDIBits(m_dc, m_bitmap, 0, UINT(std::abs(head.biHeight)), dib.data() + prefix,
                          info, DIB_RGB_COLORS);
        } else {
            void* bits = nullptr;
            m_bitmap = CreateDIBSection(m_dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
            if (m_bitmap && bits)
                std::memcpy(bits, dib.data() + prefix, head.biSizeImage);
        }
        if (m_bitmap)
            m_old = SelectObject(m_dc, m_bitmap);
    }
    ~TDibSource() {
        if (m_dc && m_old)
            SelectObject(m_dc, m_old);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_dc)
            DeleteDC(m_dc);
    }
    TDibSource(const TDibSource&) = delete;
    TDibSource& operator=(const TDibSource&) = delete;

    HDC dc() const { return m_bitmap ? m_dc : nullptr; }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
};

// A monochrome bitmap (a blit mask) from a DIB: 1 bits pass, 0 bits mask out.
HBITMAP maskFromDib(const std::vector<BYTE>& dib) {
    if (dib.empty())
        return nullptr;
    BITMAPINFOHEADER head;
    std::memcpy(&head, dib.data(), sizeof head);
    if (head.biBitCount != 1 || head.biCompression != BI_RGB)
        return nullptr;
    const LONG width = head.biWidth, height = std::abs(head.biHeight);
    const size_t dibStride = ((size_t(width) + 31) / 32) * 4;
    const size_t ddbStride = ((size_t(width) + 15) / 16) * 2;
    const BYTE* bits = dib.data() + dib.size() - head.biSizeImage;
    std::vector<BYTE> rows(ddbStride * size_t(height));
    for (LONG y = 0; y < height; ++y) {
        const LONG src = head.biHeight > 0 ? height - 1 - y : y;
        std::memcpy(rows.data() + ddbStride * size_t(y), bits + dibStride * size_t(src), ddbStride);
    }
    return CreateBitmap(width, height, 1, 1, rows.data());
}

bool playBlit(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    HDC dc = p.dc;
    switch (type) {
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
    case EMR_MASKBLT: {
        const LONG x = rec.i32(24), y = rec.i32(28), cx = rec.i32(32), cy = rec.i32(36);
        const DWORD rop = rec.u32(40);
        const LONG xSrc = rec.i32(44), ySrc = rec.i32(48);
        const DWORD usage = rec.u32(80), offBmi = rec.u32(84), cbBmi = rec.u32(88),
                    offBits = rec.u32(92), cbBits = rec.u32(96);
        if (!rec.ok())
            return false;
        if (cbBmi == 0) {
            // No source: a pattern operation.
            return type != EMR_ALPHABLEND && type != EMR_TRANSPARENTBLT &&
                   PatBlt(dc, x, y, cx, cy, type == EMR_MASKBLT ? (rop & 0x00FFFFFF) : rop);
        }
        TDibSource source(dc, PackedDibFromRecord(rec, offBmi, cbBmi, offBits, cbBits, usage));
        if (!source.dc())
            return false;
        if (type == EMR_BITBLT)
            return BitBlt(dc, x, y, cx, cy, source.dc(), xSrc, ySrc, rop);
        if (type == EMR_MASKBLT) {
            const LONG xMask = rec.i32(100), yMask = rec.i32(104);
            const DWORD maskUsage = rec.u32(108), offMask = rec.u32(112), cbMask = rec.u32(116),
                        offMaskBits = rec.u32(120), cbMaskBits = rec.u32(124);
            if (!rec.ok())
                return false;
            HBITMAP mask = cbMask ? maskFromDib(PackedDibFromRecord(
                                        rec, offMask, cbMask, offMaskBits, cbMaskBits, maskUsage))
                                  : nullptr;
            BOOL done = MaskBlt(dc, x, y, cx, cy, source.dc(), xSrc, ySrc, mask, xMask, yMask, rop);
            if (mask)
                DeleteObject(mask);
            return done;
        }
        const LONG cxSrc = rec.i32(100), cySrc = rec.i32(104);
        if (!rec.ok())
            return false;
        if (type == EMR_STRETCHBLT)
            return StretchBlt(dc, x, y, cx, cy, source.dc(), xSrc, ySrc, cxSrc, cySrc, rop);
        if (type == EMR_TRANSPARENTBLT)
            return TransparentBlt(dc, x, y, cx, cy, source.dc(), xSrc, ySrc, cxSrc, cySrc, rop);
        BLENDFUNCTION blend{BYTE(rop), BYTE(rop >> 8), BYTE(rop >> 16), BYTE(rop >> 24)};
        return AlphaBlend(dc, x, y, cx, cy, source.dc(), xSrc, ySrc, cxSrc, cySrc, blend);
    }
    case EMR_PLGBLT: {
        POINT pts[3] = {rec.pointl(24), rec.pointl(32), rec.pointl(40)};
        const LONG xSrc = rec.i32(48), ySrc = rec.i32(52), cxSrc = rec.i32(56), cySrc = rec.i32(60);
        const DWORD usage = rec.u32(92), offBmi = rec.u32(96), cbBmi = rec.u32(100),
                    offBits = rec.u32(104), cbBits = rec.u32(108);
        const LONG xMask = rec.i32(112), yMask = rec.i32(116);
        const DWORD maskUsage = rec.u32(120), offMask = rec.u32(124), cbMask = rec.u32(128),
                    offMaskBits = rec.u32(132), cbMaskBits = rec.u32(136);
        if (!rec.ok())
            return false;
        TDibSource source(dc, PackedDibFromRecord(rec, offBmi, cbBmi, offBits, cbBits, usage));
        if (!source.dc())
            return false;
        HBITMAP mask = cbMask ? maskFromDib(PackedDibFromRecord(rec, offMask, cbMask, offMaskBits,
                                                                cbMaskBits, maskUsage))
                              : nullptr;
        BOOL done = PlgBlt(dc, pts, source.dc(), xSrc, ySrc, cxSrc, cySrc, mask, xMask, yMask);
        if (mask)
            DeleteObject(mask);
        return done;
    }
    case EMR_STRETCHDIBITS:
    case EMR_SETDIBITSTODEVICE: {
        const LONG x = rec.i32(24), y = rec.i32(28), xSrc = rec.i32(32), ySrc = rec.i32(36),
                   cxSrc = rec.i32(40), cySrc = rec.i32(44);
        const DWORD offBmi = rec.u32(48), cbBmi = rec.u32(52), offBits = rec.u32(56),
                    cbBits = rec.u32(60), usage = rec.u32(64);
        if (!rec.ok())
            return false;
        std::vector<BYTE> dib = PackedDibFromRecord(rec, offBmi, cbBmi, offBits, cbBits, usage);
        if (dib.empty())
            return false;
        auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const BYTE* bits = dib.data() + dib.size() - info->bmiHeader.biSizeImage;
        if (type == EMR_STRETCHDIBITS) {
            const DWORD rop = rec.u32(68);
            const LONG cx = rec.i32(72), cy = rec.i32(76);
            if (!rec.ok())
                return false;
            return StretchDIBits(dc, x, y, cx, cy, xSrc, ySrc, cxSrc, cySrc, bits, info,
                                 DIB_RGB_COLORS, rop) != 0;
        }
        const DWORD startScan = rec.u32(68), scans = rec.u32(72);
        if (!rec.ok())
            return false;
        return SetDIBitsToDevice(dc, x, y, DWORD(cxSrc), DWORD(cySrc), xSrc, ySrc, startScan, scans,
                                 bits, info, DIB_RGB_COLORS) != 0;
    }
    case EMR_GRADIENTFILL: {
        const DWORD vertices = rec.u32(24), meshes = rec.u32(28), mode = rec.u32(32);
        if (!rec.ok() || vertices > kMaxPoints || meshes > kMaxPoints)
            return false;
        const size_t meshSize = mode == GRADIENT_FILL_TRIANGLE ? 12 : 8;
        const BYTE* vtx = rec.span(36, vertices, sizeof(TRIVERTEX));
        const BYTE* mesh = rec.span(36 + size_t{vertices} * sizeof(TRIVERTEX), meshes, meshSize);
        // A fill with no vertices or no meshes draws nothing (and has nothing to copy).
        if (!vtx || !mesh || vertices == 0 || meshes == 0)
            return false;
        std::vector<TRIVERTEX> v(vertices);
        std::memcpy(v.data(), vtx, vertices * sizeof(TRIVERTEX));
        std::vector<ULONG> m(meshes * meshSize / 4);
        std::memcpy(m.data(), mesh, meshes * meshSize);
        for (ULONG index : m)
            if (index >= vertices)
                return false;
        return GradientFill(dc, v.data(), vertices, m.data(), meshes, mode);
    }
    }
    return false;
}

// Text records: one EMRTEXT at offset `at` of the record.
bool playText(TEmfPlayer& p, TRecordReader& rec, size_t at, DWORD graphicsMode, bool wide) {
    const POINT ref = rec.pointl(at);
    const DWORD count = rec.u32(at + 8), offString = rec.u32(at + 12), options = rec.u32(at + 16);
    const RECT box = rec.rectl(at + 20);
    const DWORD offDx = rec.u32(at + 36);
    if (!rec.ok() || count > kMaxPoints)
        return false;
    const BYTE* chars = rec.span(offString, count, wide ? 2 : 1);
    if (count && !chars)
        return false;
    std::u16string text(count, u'\0');
    for (DWORD i = 0; i < count; ++i) {
        if (wide)
            std::memcpy(&text[i], chars + i * 2, 2);
        else
            text[i] = chars[i];
    }
    const DWORD dxCount = options & ETO_PDY ? count * 2 : count;
    std::vector<INT> dx;
    if (offDx && count) {
        const BYTE* dxBytes = rec.span(offDx, dxCount, 4);
        if (dxBytes) {
            dx.resize(dxCount);
            std::memcpy(dx.data(), dxBytes, dxCount * 4);
        }
    }
    constexpr UINT kNoRect = 0x100; // the record holds no rectangle
    const UINT callOptions = options & ~kNoRect & (dx.empty() ? ~ETO_PDY : ~0u);
    const RECT* rect =
        (options & (ETO_OPAQUE | ETO_CLIPPED)) && !(options & kNoRect) ? &box : nullptr;
    HDC dc = p.dc;

    if (graphicsMode != GM_ADVANCED && TurnsText(p)) {
        const void* units = wide ? static_cast<const void*>(text.data()) : chars;
        const TTurnedText turned{
            ref, callOptions, rect, units, count, wide, (callOptions & ETO_PDY) != 0, dx};
        if (std::optional<BOOL> done = PlayTurnedCompatibleText(p, turned))
            return *done;
    }
    // A compatible-mode record was drawn upright under whatever mapping was in force; with the
    // DC in GM_ADVANCED a flipped axis would mirror it. Rebuild the mapping as a mapping mode.
    const bool compatible = graphicsMode != GM_ADVANCED && p.enterCompatibleMapping(true);
    // ANSI text goes through the A call, which reads it in the selected font's code page.
    BOOL done =
        !wide && !(callOptions & ETO_GLYPH_INDEX)
            ? ExtTextOutA(dc, ref.x, ref.y, callOptions, rect, reinterpret_cast<LPCSTR>(chars),
                          count, dx.empty() ? nullptr : dx.data())
            : ExtTextOutW(dc, ref.x, ref.y, callOptions, rect, count ? text.data() : nullptr, count,
                          dx.empty() ? nullptr : dx.data());
    if (compatible)
        p.leaveCompatibleMapping();
    return done;
}

} // namespace

bool PlayEmfBitmapRecord(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    switch (type) {
    case EMR_BITBLT:
    case EMR_STRETCHBLT:
    case EMR_MASKBLT:
    case EMR_PLGBLT:
    case EMR_SETDIBITSTODEVICE:
    case EMR_STRETCHDIBITS:
    case EMR_ALPHABLEND:
    case EMR_TRANSPARENTBLT:
    case EMR_GRADIENTFILL:
        return playBlit(p, type, rec);
    }
    return false;
}

bool PlayEmfTextRecord(TEmfPlayer& p, DWORD type, TRecordReader& rec) {
    switch (type) {
    case EMR_EXTTEXTOUTA:
    case EMR_EXTTEXTOUTW: {
        const DWORD mode = rec.u32(24);
        return rec.ok() && playText(p, rec, 36, mode, type == EMR_EXTTEXTOUTW);
    }
    case EMR_POLYTEXTOUTA:
    case EMR_POLYTEXTOUTW: {
        const DWORD mode = rec.u32(24), strings = rec.u32(36);
        if (!rec.ok() || !rec.span(40, strings, 40))
            return false;
        bool all = true;
        for (DWORD i = 0; i < strings; ++i)
            all = playText(p, rec, 40 + size_t{i} * 40, mode, type == EMR_POLYTEXTOUTW) && all;
        return all;
    }
    case EMR_SMALLTEXTOUT: {
        constexpr DWORD kNoRect = 0x100, kSmallChars = 0x200;
        const LONG x = rec.i32(8), y = rec.i32(12);
        const DWORD count = rec.u32(16), options = rec.u32(20), mode = rec.u32(24);
        if (!rec.ok() || count > kMaxPoints)
            return false;
        const size_t textAt = options & kNoRect ? 36 : 52;
        const bool wide = !(options & kSmallChars);
        if (!rec.span(textAt, count, wide ? 2 : 1))
            return false;
        // Rebuild it as an EMRTEXT-shaped record so one routine plays all text.
        std::vector<BYTE> copy(76 + size_t{count} * 2, 0);
        auto put = [&](size_t at, DWORD v) { std::memcpy(copy.data() + at, &v, 4); };
        put(0, x);
        put(4, y);
        put(8, count);
        put(12, 76);
        put(16, (options & ~(kNoRect | kSmallChars)) | (options & kNoRect));
        if (!(options & kNoRect))
            std::memcpy(copy.data() + 20, rec.data() + 36, 16);
        for (DWORD i = 0; i < count; ++i) {
            WORD c = wide ? rec.u16(textAt + i * 2) : rec.u8(textAt + i);
            std::memcpy(copy.data() + 76 + i * 2, &c, 2);
        }
        TRecordReader synthetic(copy.data(), copy.size());
        return playText(p, synthetic, 0, mode, true);
    }
    }
    return false;
}

} // namespace tallyvane::metafile
