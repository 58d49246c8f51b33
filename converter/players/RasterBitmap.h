// The working bitmap of the raster players.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WinGdi.h"

// TRasterBitmap owns one GDI bitmap. Rendered bitmaps are 32-bit top-down DIB sections (rows of
// B, G, R, unused bytes, stride = 4 * width) whose pixels the encoders read through Bits();
// a bitmap taken over from a handle or read from a file may be any GDI bitmap, and Bits() is
// then null until it is converted with MakeDIB. A 0 x 0 bitmap has no handle.
class TRasterBitmap {
public:
    TRasterBitmap() = default;
    ~TRasterBitmap();
    TRasterBitmap(const TRasterBitmap&) = delete;
    TRasterBitmap& operator=(const TRasterBitmap&) = delete;

    // Replaces the picture with a new white-undefined DIB section; false (and an empty bitmap)
    // when it cannot be allocated. A size of zero in either direction gives an empty bitmap.
    bool SetSize(std::int32_t width, std::int32_t height);
    // Takes over handle (the bitmap owns it from now on); false for anything but a bitmap.
    bool TakeOver(HBITMAP handle);
    // Makes the bitmap a 32-bit DIB section with the same picture; false when that fails.
    bool MakeDIB();
    void Reset();
    // Gives up the handle without deleting it; the bitmap is then empty.
    HBITMAP Release();

    std::int32_t Width() const { return m_width; }
    std::int32_t Height() const { return m_height; }
    bool Empty() const { return m_handle == nullptr; }
    HBITMAP Handle() const { return m_handle; }
    // Pixels of a 32-bit DIB section, top row first; null otherwise.
    BYTE* Bits() const { return m_bits; }
    std::int32_t Stride() const { return m_width * 4; }

    // A new bitmap handle with a copy of the picture (for the clipboard); null when empty.
    HBITMAP CopyHandle() const;

    // The picture as a .bmp file image: 24 bits per pixel, rows bottom-up, padded to 4 bytes.
    bool EncodeBmp(std::vector<BYTE>& out) const;
    // The size EncodeBmp would produce, without producing it.
    std::uint64_t BmpFileSize() const;
    // Writes the .bmp file image to path, a band of rows at a time.
    bool WriteBmpFile(const std::string& path) const;
    // Reads a .bmp file image of any depth GDI accepts; false for a damaged file.
    bool DecodeBmp(const BYTE* data, std::size_t size);
    bool ReadBmpFile(const std::string& path);

private:
    template <typename Sink> bool EmitBmp(Sink&& sink) const;

    HBITMAP m_handle = nullptr;
    BYTE* m_bits = nullptr;
    std::int32_t m_width = 0;
    std::int32_t m_height = 0;
};
