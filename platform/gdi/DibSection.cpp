// DIB sections and the DIB transfers to and from bitmaps: CreateDIBSection, CreateDIBitmap,
// GetDIBits, SetDIBits and the colour table of a selected section.
//
// A DIB section's pixels are the caller's: drawing goes through the 32-bpp surface, which is
// either those very bits (32 bpp, BI_RGB: a bottom-up section is drawn on through a negative
// stride) or a copy refreshed before every drawing call and written back after it.
#include "platform/gdi/Bitmap_p.h"

#include <algorithm>
#include <cstring>

namespace gdi {
namespace {

bool IsPlain32(const TDibFormat& format) {
    return format.bitCount == 32 && (format.compression == kBiRgb ||
                                     (format.masks[0] == 0xFF0000 && format.masks[1] == 0x00FF00 &&
                                      format.masks[2] == 0x0000FF));
}

// The parsed header and colour table of a BITMAPINFO that comes without a length.
bool ParseInfo(const BITMAPINFO* info, UINT usage, TDeviceContext* dc, TDibFormat& format) {
    if (info == nullptr)
        return false;
    const auto* bytes = reinterpret_cast<const BYTE*>(info);
    const std::size_t size = DibInfoSizeFromHeader(bytes, usage);
    if (size == 0)
        return false;
    const auto palette = dc != nullptr ? PaletteColors(*dc) : std::vector<std::uint32_t>{};
    return ParseDibFormat(std::span<const BYTE>(bytes, size), usage, palette, format);
}

void SectionToSurface(TBitmap& bitmap) {
    auto& data = *bitmap.m_dib;
    TImage image;
    if (!DecodeDib(data.format, data.bits, image))
        return;
    const bool mono = bitmap.IsMonochrome();
    for (int y = 0; y < image.height; ++y) {
        std::uint32_t* row = bitmap.m_surface.Row(y);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t p = image.At(x, y) & 0xFFFFFF;
            // Monochrome sections draw in indices: the second table colour is white.
            row[x] = mono ? (data.format.colors.size() > 1 && p == data.format.colors[1] &&
                                     p != data.format.colors[0]
                                 ? 0xFFFFFFu
                                 : 0u)
                          : p;
        }
    }
}

void SurfaceToSection(TBitmap& bitmap) {
    auto& data = *bitmap.m_dib;
    TImage image;
    image.Resize(bitmap.Width(), bitmap.Height());
    for (int y = 0; y < image.height; ++y)
        std::copy_n(bitmap.m_surface.Row(y), image.width,
                    image.pixels.begin() + static_cast<std::ptrdiff_t>(y) * image.width);
    TDibFormat format = data.format;
    if (bitmap.IsMonochrome())
        format.colors = {0x000000, 0xFFFFFF}; // write indices, not nearest colours
    EncodeDib(image, format, 0, format.height, data.bits);
}

HBITMAP MakeDibSection(const TDibFormat& source) {
    if (source.compression != kBiRgb && source.compression != kBiBitfields)
        return nullptr;
    auto data = std::make_shared<TDibSectionData>();
    data->format = source;
    data->bits.assign(source.DataBytes(), 0);
    auto bitmap = std::make_unique<TBitmap>();
    const bool plain = IsPlain32(source);
    if (plain) {
        const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(source.Stride());
        BYTE* top = data->bits.data() +
                    (source.topDown ? 0 : stride * static_cast<std::ptrdiff_t>(source.height - 1));
        bitmap->m_surface.Borrow(top, source.topDown ? stride : -stride, source.width,
                                 source.height);
        data->surfaceIsBits = true;
    } else {
        if (!bitmap->m_surface.Allocate(source.width, source.height, 0))
            return nullptr;
        bitmap->m_surface.m_monochrome = source.bitCount == 1;
        bitmap->m_beforeDraw = SectionToSurface;
        bitmap->m_afterDraw = SurfaceToSection;
    }
    bitmap->m_bitsPixel = source.bitCount;
    bitmap->m_isDibSection = true;
    BITMAPINFOHEADER& header = bitmap->m_dibHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = source.width;
    header.biHeight = source.topDown ? -source.height : source.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(source.bitCount);
    header.biCompression = source.compression;
    header.biSizeImage = static_cast<DWORD>(source.DataBytes());
    header.biClrUsed = static_cast<DWORD>(source.colors.size());
    if (source.compression == kBiBitfields)
        std::copy(std::begin(source.masks), std::end(source.masks), bitmap->m_bitfields);
    for (std::uint32_t c : source.colors)
        bitmap->m_colorTable.push_back(RGBQUAD{static_cast<BYTE>(c), static_cast<BYTE>(c >> 8),
                                               static_cast<BYTE>(c >> 16), 0});
    bitmap->m_dibBits = data->bits.data();
    bitmap->m_dib = std::move(data);
    if (!plain)
        SectionToSurface(*bitmap);
    return static_cast<HBITMAP>(GdiAddObject(std::move(bitmap)));
}

// Decodes DIB rows into a bitmap; returns the number of rows given, 0 on failure.
int WriteDibToBitmap(TBitmap& bitmap, const TDibFormat& format, const BYTE* bits, UINT start,
                     UINT lines) {
    if (bits == nullptr || start >= static_cast<UINT>(format.height))
        return 0;
    const int rows = static_cast<int>(std::min<UINT>(lines, format.height - start));
    const bool compressed = format.compression != kBiRgb && format.compression != kBiBitfields;
    const std::size_t size =
        compressed ? format.sizeImage : format.Stride() * static_cast<std::size_t>(rows);
    TImage image;
    if (!DecodeDib(format, std::span<const BYTE>(bits, size), static_cast<int>(start), rows, image))
        return 0;
    RefreshBitmap(bitmap);
    const bool mono = bitmap.IsMonochrome();
    // The DIB's bottom row lands on the bitmap's bottom row.
    const int shift = bitmap.Height() - format.height;
    for (int y = 0; y < image.height; ++y) {
        const int ty = y + shift;
        if (ty < 0 || ty >= bitmap.Height())
            continue;
        std::uint32_t* row = bitmap.m_surface.Row(ty);
        for (int x = 0; x < std::min(image.width, bitmap.Width()); ++x) {
            if (!image.IsDefined(x, y))
                continue;
            const std::uint32_t p = image.At(x, y) & 0xFFFFFF;
            row[x] = mono ? ToMonochrome(p) : p;
        }
    }
    CommitBitmap(bitmap);
    return compressed ? format.height : rows;
}

} // namespace
} // namespace gdi

using namespace gdi;

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
    if (bits != nullptr)
        *bits = nullptr;
    TDeviceContext* dc = hdc != nullptr ? GdiLookupDC(hdc) : nullptr;
    // A section holds plain rows: a compressed header is refused before its colour table is
    // read, since no table makes it acceptable.
    const bool compressed = info != nullptr && info->bmiHeader.biSize >= sizeof(BITMAPINFOHEADER) &&
                            info->bmiHeader.biCompression != BI_RGB &&
                            info->bmiHeader.biCompression != BI_BITFIELDS;
    TDibFormat format;
    if (usage > DIB_PAL_COLORS || compressed || !ParseInfo(info, usage, dc, format)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HBITMAP handle = MakeDibSection(format);
    if (handle == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (bits != nullptr)
        *bits = GdiLookupBitmap(handle)->m_dibBits;
    return handle;
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
    if (header == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    LONG width = 0;
    LONG height = 0;
    if (header->biSize == sizeof(BITMAPCOREHEADER)) {
        const auto* core = reinterpret_cast<const BITMAPCOREHEADER*>(header);
        width = core->bcWidth;
        height = core->bcHeight;
    } else if (header->biSize >= sizeof(BITMAPINFOHEADER)) {
        width = header->biWidth;
        height = header->biHeight == INT32_MIN ? 0 : std::abs(header->biHeight);
    }
    if (width <= 0 || height <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // Without a DC the bitmap is monochrome, as on Windows.
    HBITMAP handle = hdc != nullptr ? CreateCompatibleBitmap(hdc, width, height)
                                    : CreateBitmap(width, height, 1, 1, nullptr);
    if (handle != nullptr && (init & CBM_INIT) != 0 && bits != nullptr && info != nullptr)
        SetDIBits(hdc, handle, 0, static_cast<UINT>(height), bits, info, usage);
    return handle;
}

int SetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, const void* bits,
              const BITMAPINFO* info, UINT usage) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    TDeviceContext* dc = hdc != nullptr ? GdiLookupDC(hdc) : nullptr;
    TDibFormat format;
    if (bitmap == nullptr || bitmap->IsStock() || usage > DIB_PAL_COLORS ||
        !ParseInfo(info, usage, dc, format))
        return 0;
    if (format.compression == kBiJpeg || format.compression == kBiPng)
        return 0; // compressed images go to devices only
    return WriteDibToBitmap(*bitmap, format, static_cast<const BYTE*>(bits), start, lines);
}

int GetDIBits(HDC hdc, HBITMAP handle, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
    TBitmap* bitmap = GdiLookupBitmap(handle);
    if (bitmap == nullptr || info == nullptr || usage > DIB_PAL_COLORS ||
        (hdc != nullptr && GdiLookupDC(hdc) == nullptr))
        return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER))
        return 0; // FIXME: core headers are not filled in
    if (header.biBitCount == 0) {
        // The query: describe the bitmap, nothing else.
        header.biWidth = bitmap->Width();
        header.biHeight = bitmap->Height();
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(bitmap->m_bitsPixel);
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(
            ((static_cast<std::size_t>(bitmap->Width()) * header.biBitCount + 31) / 32) * 4 *
            static_cast<std::size_t>(bitmap->Height()));
        header.biClrUsed = 0;
        header.biClrImportant = 0;
        return bitmap->Height();
    }
    if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)
        return 0;
    const WORD depth = header.biBitCount;
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return 0;
    if (header.biCompression == BI_BITFIELDS && depth != 16 && depth != 32)
        return 0;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == INT32_MIN)
        return 0;
    header.biPlanes = 1;
    header.biClrUsed = 0;
    // The colour table handed out: a section's own at its own depth, black and white for a
    // monochrome bitmap, else the default table of the depth.
    std::vector<std::uint32_t> table;
    if (depth <= 8) {
        if (bitmap->m_isDibSection && bitmap->m_bitsPixel == depth && bitmap->m_dib)
            table = bitmap->m_dib->format.colors;
        else
            table = DefaultColorTable(depth);
        table.resize(std::size_t{1} << depth, 0);
    }
    auto* colors = reinterpret_cast<BYTE*>(info) + header.biSize;
    DWORD masks[3] = {0, 0, 0};
    if (header.biCompression == BI_BITFIELDS) {
        if (depth == 16) {
            masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
        } else {
            masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
        }
        std::memcpy(colors, masks, sizeof masks);
    } else if (usage == DIB_RGB_COLORS) {
        for (std::size_t i = 0; i < table.size(); ++i) {
            const RGBQUAD q{static_cast<BYTE>(table[i]), static_cast<BYTE>(table[i] >> 8),
                            static_cast<BYTE>(table[i] >> 16), 0};
            std::memcpy(colors + 4 * i, &q, 4);
        }
    } else {
        for (std::size_t i = 0; i < table.size(); ++i) {
            const WORD index = static_cast<WORD>(i);
            std::memcpy(colors + 2 * i, &index, 2);
        }
    }
    TDibFormat format;
    format.headerSize = sizeof(BITMAPINFOHEADER);
    format.width = header.biWidth;
    format.height = std::abs(header.biHeight);
    format.topDown = header.biHeight < 0;
    format.bitCount = depth;
    format.compression = header.biCompression;
    if (depth == 16 && header.biCompression == BI_RGB)
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    else if (header.biCompression == BI_RGB)
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    std::copy(std::begin(masks), std::end(masks), format.masks);
    format.colors = table;
    if (static_cast<std::uint64_t>(format.width) * format.height > kMaxDibPixels)
        return 0;
    header.biSizeImage = static_cast<DWORD>(format.DataBytes());
    if (bits == nullptr)
        return bitmap->Height();
    if (start >= static_cast<UINT>(format.height))
        return 0;
    const int rows = static_cast<int>(std::min<UINT>(lines, format.height - start));
    // The DIB's bottom row is the bitmap's bottom row.
    RECT area{0, bitmap->Height() - format.height, format.width, bitmap->Height()};
    TImage image = ReadSurfaceImage(bitmap, bitmap->m_surface, area);
    for (auto& p : image.pixels)
        p &= 0xFFFFFF;
    const auto out =
        std::span<BYTE>(static_cast<BYTE*>(bits), format.Stride() * static_cast<std::size_t>(rows));
    return EncodeDib(image, format, static_cast<int>(start), rows, out);
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TBitmap* bitmap = dc != nullptr ? dc->State().m_bitmap.Get() : nullptr;
    if (bitmap == nullptr || !bitmap->m_isDibSection || colors == nullptr)
        return 0;
    const auto& table = bitmap->m_colorTable;
    if (start >= table.size())
        return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
    std::copy_n(table.begin() + start, n, colors);
    return n;
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TBitmap* bitmap = dc != nullptr ? dc->State().m_bitmap.Get() : nullptr;
    if (bitmap == nullptr || !bitmap->m_isDibSection || !bitmap->m_dib || colors == nullptr)
        return 0;
    auto& table = bitmap->m_colorTable;
    if (start >= table.size())
        return 0;
    const UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
    for (UINT i = 0; i < n; ++i) {
        table[start + i] = colors[i];
        bitmap->m_dib->format.colors[start + i] =
            static_cast<std::uint32_t>(colors[i].rgbRed) << 16 |
            static_cast<std::uint32_t>(colors[i].rgbGreen) << 8 | colors[i].rgbBlue;
    }
    RefreshBitmap(*bitmap);
    return n;
}
