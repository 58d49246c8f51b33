// Device-dependent bitmaps of Windows metafiles.
//
// The oldest bitmap records (META_BITBLT and META_STRETCHBLT with a bitmap,
// META_CREATEPATTERNBRUSH) carry a 16-bit BITMAP: type, width, height, bytes per row, planes and
// bits per pixel, then the rows, top row first. GDI pads rows to 16 bits; some writers pad them
// further, which the bytes per row tell. Such a bitmap has no colour table: a monochrome one takes
// the text and background colours of the DC it is drawn on, a colour one the system's default
// colours.
#include <cstring>
#include <vector>

#include "platform/metafile/Metafile_p.h"

namespace tallyvane::metafile {

HBITMAP DeviceBitmapAt(TRecordReader& rec, size_t at, size_t rowsAt) {
    const SHORT width = rec.i16(at + 2), height = rec.i16(at + 4);
    const SHORT rowBytes = rec.i16(at + 6);
    const BYTE planes = rec.u8(at + 8), bitsPixel = rec.u8(at + 9);
    if (!rec.ok() || width <= 0 || height <= 0 || planes != 1 || rowBytes <= 0)
        return nullptr;
    if (bitsPixel != 1 && bitsPixel != 4 && bitsPixel != 8 && bitsPixel != 16 && bitsPixel != 24 &&
        bitsPixel != 32)
        return nullptr;
    // A record whose rows are shorter than GDI's, or that holds fewer bytes than its rows
    // need, is damaged.
    const size_t stride = ((size_t(width) * bitsPixel + 15) / 16) * 2;
    if (size_t(rowBytes) < stride || ULONGLONG(width) * ULONGLONG(height) > kMaxBitmapPixels)
        return nullptr;
    const BYTE* rows = rec.span(rowsAt, size_t(height), size_t(rowBytes));
    if (!rows)
        return nullptr;
    if (size_t(rowBytes) == stride)
        return CreateBitmap(width, height, 1, bitsPixel, rows);
    std::vector<BYTE> packed(stride * size_t(height));
    for (size_t y = 0; y < size_t(height); ++y)
        std::memcpy(packed.data() + y * stride, rows + y * size_t(rowBytes), stride);
    return CreateBitmap(width, height, 1, bitsPixel, packed.data());
}

} // namespace tallyvane::metafile
