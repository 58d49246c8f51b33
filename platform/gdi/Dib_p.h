// Device-independent bitmaps inside the GDI stand-in: reading a DIB header and its pixels into
// a true-colour image, and writing an image back in any format GetDIBits hands out.
//
// A DIB is three parts: a header (BITMAPCOREHEADER, 12 bytes; BITMAPINFOHEADER, 40 bytes, or
// one of its longer successors up to BITMAPV5HEADER, 124 bytes), an optional colour table
// (RGBTRIPLE or RGBQUAD entries, WORD palette indices for DIB_PAL_COLORS, or three DWORD masks
// after a 40-byte header with BI_BITFIELDS) and the pixel rows, each padded to four bytes.
// Rows are stored bottom-up; a negative height means top-down. Every length here comes with
// the bytes it describes: nothing is read past a span.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace gdi {

// A true-colour picture in memory, rows top-down, one 32-bit word per pixel holding
// 0xAARRGGBB (bytes B, G, R, A in memory), the layout of the raster back end's surfaces.
// The top byte is only meaningful where a caller asks for per-pixel alpha. `defined` is empty
// when every pixel is defined; otherwise it holds one byte per pixel, 0 where an RLE bitmap
// skipped the pixel, so the destination shows through there.
struct TImage {
    int width = 0;                     // pixels, >= 0
    int height = 0;                    // pixels, >= 0
    std::vector<std::uint32_t> pixels; // width * height words, row after row, top row first
    std::vector<std::uint8_t> defined; // empty, or width * height flags

    std::uint32_t At(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
    bool IsDefined(int x, int y) const {
        return defined.empty() ||
               defined[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)] != 0;
    }
    void Resize(int w, int h, std::uint32_t fill = 0);
};

// Compression codes and colour-table usages, as the public header spells them.
constexpr DWORD kBiRgb = 0;
constexpr DWORD kBiRle8 = 1;
constexpr DWORD kBiRle4 = 2;
constexpr DWORD kBiBitfields = 3;
constexpr DWORD kBiJpeg = 4;
constexpr DWORD kBiPng = 5;
constexpr UINT kDibRgbColors = 0;
constexpr UINT kDibPalColors = 1;
constexpr UINT kDibPalIndices = 2; // no colour table; two-colour data reads as black and white

// The largest picture a DIB may describe, in pixels: an RLE or JPEG header can claim far more
// than its data holds, and the decoded picture is allocated whole.
constexpr std::uint64_t kMaxDibPixels = std::uint64_t{1} << 26;

// Everything the header and colour table of a DIB say, checked against their span.
struct TDibFormat {
    std::size_t headerSize = 0;        // bytes of the header proper: 12, 40 .. 124
    std::size_t infoSize = 0;          // header plus colour table or masks, in bytes
    int width = 0;                     // pixels, > 0
    int height = 0;                    // rows, > 0 (the sign of the stored height is in topDown)
    bool topDown = false;              // rows stored top row first
    int bitCount = 0;                  // 1, 4, 8, 16, 24 or 32; 0 for JPEG and PNG data
    DWORD compression = kBiRgb;        // kBi*
    DWORD sizeImage = 0;               // biSizeImage as stored; the data length for compressed data
    DWORD masks[3] = {0, 0, 0};        // red, green, blue masks of 16 and 32 bpp data
    std::vector<std::uint32_t> colors; // colour table as 0x00RRGGBB, <= 256 entries

    std::size_t Stride() const;    // bytes per stored row of uncompressed data
    std::size_t DataBytes() const; // bytes the pixel data must hold
};

// Reads and checks a DIB header and its colour table from `info`. `palette` resolves the WORD
// indices of DIB_PAL_COLORS (0x00RRGGBB entries; an index past its end reads as black).
// Returns false for anything GDI would refuse: unknown header size, planes other than 1, a
// bit count or compression that do not go together, a zero width or height, an RLE or JPEG
// picture stored top-down, a colour table the span does not hold, a picture too large.
bool ParseDibFormat(std::span<const BYTE> info, UINT usage, std::span<const std::uint32_t> palette,
                    TDibFormat& format);

// Bytes a header at `info` says its header plus colour table take, read from the header alone
// (for callers that hold a BITMAPINFO pointer and no length); 0 when the header is unreadable.
std::size_t DibInfoSizeFromHeader(const BYTE* info, UINT usage);

// Bytes of pixel data the header at `info` asks for (for callers without a length); 0 when
// the header is refused.
std::size_t DibDataSizeFromHeader(const BYTE* info, UINT usage);

// Decodes rows [firstRow, firstRow + rowCount) of the picture, counted from the first stored
// row, from `bits` (which holds exactly those rows for uncompressed data, the whole stream for
// RLE, JPEG and PNG) into `image`, which becomes width x height, top-down. Rows outside the
// band stay undefined. Returns false when the data is shorter than the rows need, or when the
// JPEG or PNG stream does not decode.
bool DecodeDib(const TDibFormat& format, std::span<const BYTE> bits, int firstRow, int rowCount,
               TImage& image);
inline bool DecodeDib(const TDibFormat& format, std::span<const BYTE> bits, TImage& image) {
    return DecodeDib(format, bits, 0, format.height, image);
}

// Writes `image` rows [firstRow, firstRow + rowCount) (counted in the output's stored order) in
// the uncompressed format `format` describes (1, 4, 8, 16, 24 or 32 bpp, BI_RGB or
// BI_BITFIELDS) into `bits`. Colours map to the nearest colour-table entry for <= 8 bpp.
// Returns the number of rows written, 0 when the format is not writable or `bits` too short.
int EncodeDib(const TImage& image, const TDibFormat& format, int firstRow, int rowCount,
              std::span<BYTE> bits);

// The colour table GetDIBits hands out for a picture of `bitCount` <= 8 bits per pixel on a
// true-colour device: black and white, the sixteen VGA colours, or the 256-colour halftone
// palette.
std::vector<std::uint32_t> DefaultColorTable(int bitCount);

// JPEG and PNG payloads (BI_JPEG, BI_PNG) decoded to a top-down image. False when the
// stream is damaged or larger than kMaxDibPixels.
bool DecodeJpegImage(std::span<const BYTE> data, TImage& image);
bool DecodePngImage(std::span<const BYTE> data, TImage& image);

} // namespace gdi
