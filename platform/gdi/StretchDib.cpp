// StretchDIBits and SetDIBitsToDevice: a DIB in memory drawn onto a DC.
//
// The source rectangle of a bottom-up DIB is counted from its bottom row: ySrc = 0 with
// srcHeight = 10 is the bottom ten rows. Pixels an RLE bitmap skips, and rows outside the band
// SetDIBitsToDevice is given, leave the destination as it was.
#include "platform/gdi/StretchDib_p.h"

#include "platform/gdi/Bitmap_p.h"
#include "platform/gdi/Blit_p.h"

#include <algorithm>
#include <limits>

namespace gdi {
namespace {

// A coordinate summed from a caller's values, which may be anything: taken in 64 bits and
// clamped, so that a rectangle far outside the picture stays outside it.
int Clamped(long long value) {
    constexpr long long kLimit = std::numeric_limits<int>::max() / 2;
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

// The source rectangle's top row in the decoded (top-down) picture.
int TopRow(const TDibFormat& format, int ySrc, int srcHeight) {
    const long long end = static_cast<long long>(ySrc) + srcHeight;
    if (format.topDown)
        return Clamped(srcHeight < 0 ? end : ySrc);
    // Bottom-up: rows [ySrc, ySrc + srcHeight) counted from the bottom.
    return Clamped(format.height - std::max<long long>(ySrc, end));
}

bool DataSizes(const BYTE* info, UINT usage, std::size_t& infoSize, std::size_t& bitsSize) {
    infoSize = DibInfoSizeFromHeader(info, usage);
    bitsSize = infoSize != 0 ? DibDataSizeFromHeader(info, usage) : 0;
    return infoSize != 0 && bitsSize != 0;
}

} // namespace

int StretchDIBitsChecked(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc,
                         int ySrc, int srcWidth, int srcHeight, std::span<const BYTE> bits,
                         std::span<const BYTE> info, UINT usage, DWORD rop) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TDibFormat format;
    // An extent of INT_MIN has no size that can be mirrored; GDI fails the call.
    constexpr int kNoExtent = std::numeric_limits<int>::min();
    if (dc == nullptr || usage > DIB_PAL_COLORS || srcWidth == kNoExtent ||
        srcHeight == kNoExtent || destWidth == kNoExtent || destHeight == kNoExtent ||
        !ParseDibFormat(info, usage, PaletteColors(*dc), format))
        return 0;
    TBlitRequest request;
    TImage image;
    if (Rop3UsesSource(rop)) {
        if (bits.size() < format.DataBytes() || !DecodeDib(format, bits, image))
            return 0;
        request.source = &image;
        request.srcX = srcWidth < 0 ? Clamped(static_cast<long long>(xSrc) + srcWidth) : xSrc;
        request.srcY = TopRow(format, ySrc, srcHeight);
        request.srcWidth = std::abs(srcWidth);
        request.srcHeight = std::abs(srcHeight);
        // A negative source extent mirrors like a negative destination extent.
        if (srcWidth < 0)
            destWidth = -destWidth;
        if (srcHeight < 0)
            destHeight = -destHeight;
        request.sourceIsDib = true;
        // Skipped RLE pixels show the destination only at 1:1; a stretched RLE picture is
        // expanded first, its skipped pixels taking the first colour of the table.
        const bool rle = format.compression == kBiRle4 || format.compression == kBiRle8;
        if (rle && !image.defined.empty() &&
            (std::abs(destWidth) != std::abs(srcWidth) ||
             std::abs(destHeight) != std::abs(srcHeight))) {
            const std::uint32_t first = format.colors.empty() ? 0 : format.colors[0];
            for (std::size_t i = 0; i < image.pixels.size(); ++i)
                if (image.defined[i] == 0)
                    image.pixels[i] = first;
            image.defined.clear();
        }
    }
    if (!dc->Driver().StretchDIBits(*dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                                    srcHeight, bits.data(),
                                    reinterpret_cast<const BITMAPINFO*>(info.data()), usage, rop))
        return 0;
    const TDeviceBox box = ToDeviceBox(*dc, xDest, yDest, destWidth, destHeight);
    request.dstX = box.x;
    request.dstY = box.y;
    request.dstWidth = box.width;
    request.dstHeight = box.height;
    request.rop = rop;
    request.stretchMode = dc->State().m_stretchBltMode;
    if (box.width != 0 && box.height != 0)
        DrawBlit(*dc, request);
    return format.height;
}

int SetDIBitsToDeviceChecked(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc,
                             int ySrc, UINT startScan, UINT lines, std::span<const BYTE> bits,
                             std::span<const BYTE> info, UINT usage) {
    TDeviceContext* dc = GdiLookupDC(hdc);
    TDibFormat format;
    if (dc == nullptr || usage > DIB_PAL_COLORS ||
        !ParseDibFormat(info, usage, PaletteColors(*dc), format))
        return 0;
    if (width > 0x7FFFFFFF || height > 0x7FFFFFFF)
        return 0;
    const bool compressed = format.compression != kBiRgb && format.compression != kBiBitfields;
    if (!compressed && startScan >= static_cast<UINT>(format.height))
        return 0;
    const int rows = compressed
                         ? format.height
                         : static_cast<int>(std::min<UINT>(lines, format.height - startScan));
    const std::size_t needed =
        compressed ? format.sizeImage : format.Stride() * static_cast<std::size_t>(rows);
    TImage image;
    if (bits.size() < needed ||
        !DecodeDib(format, bits.first(needed), compressed ? 0 : static_cast<int>(startScan), rows,
                   image))
        return 0;
    if (!dc->Driver().SetDIBitsToDevice(*dc, xDest, yDest, width, height, xSrc, ySrc, startScan,
                                        lines, bits.data(),
                                        reinterpret_cast<const BITMAPINFO*>(info.data()), usage))
        return 0;
    // The destination corner is logical; the size is in pixels whatever the mapping.
    const POINT corner = dc->ToDevicePoint(xDest, yDest);
    TBlitRequest request;
    request.dstX = corner.x;
    request.dstY = corner.y;
    request.dstWidth = static_cast<int>(width);
    request.dstHeight = static_cast<int>(height);
    request.source = &image;
    request.srcX = xSrc;
    request.srcY = TopRow(format, ySrc, static_cast<int>(height));
    request.srcWidth = static_cast<int>(width);
    request.srcHeight = static_cast<int>(height);
    request.sourceIsDib = true;
    request.rop = SRCCOPY;
    if (width != 0 && height != 0)
        DrawBlit(*dc, request);
    return rows;
}

} // namespace gdi

using namespace gdi;

int StretchDIBits(HDC dc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop) {
    std::size_t infoSize = 0;
    std::size_t bitsSize = 0;
    const auto* header = reinterpret_cast<const BYTE*>(info);
    if (info == nullptr || !DataSizes(header, usage, infoSize, bitsSize))
        return 0;
    if (bits == nullptr) {
        if (Rop3UsesSource(rop))
            return 0;
        bitsSize = 0;
    }
    return StretchDIBitsChecked(dc, xDest, yDest, destWidth, destHeight, xSrc, ySrc, srcWidth,
                                srcHeight,
                                std::span<const BYTE>(static_cast<const BYTE*>(bits), bitsSize),
                                std::span<const BYTE>(header, infoSize), usage, rop);
}

int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT lines, const void* bits, const BITMAPINFO* info,
                      UINT usage) {
    std::size_t infoSize = 0;
    std::size_t bitsSize = 0;
    const auto* header = reinterpret_cast<const BYTE*>(info);
    if (info == nullptr || bits == nullptr || !DataSizes(header, usage, infoSize, bitsSize))
        return 0;
    // The caller's buffer holds the band of lines asked for (or the compressed stream).
    TDibFormat format;
    if (!ParseDibFormat(std::span<const BYTE>(header, infoSize), usage, {}, format))
        return 0;
    if (format.compression == kBiRgb || format.compression == kBiBitfields)
        bitsSize =
            format.Stride() * std::min<std::size_t>(lines, static_cast<std::size_t>(format.height));
    return SetDIBitsToDeviceChecked(dc, xDest, yDest, width, height, xSrc, ySrc, startScan, lines,
                                    std::span<const BYTE>(static_cast<const BYTE*>(bits), bitsSize),
                                    std::span<const BYTE>(header, infoSize), usage);
}
