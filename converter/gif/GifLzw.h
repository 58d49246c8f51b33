#pragma once

// The variable-length-code LZW of GIF image data, both ways.
//
// Code data is the LZW minimum code size byte followed by data sub-blocks (a length byte,
// then that many bytes) and a zero-length terminator. Codes are packed least significant bit
// first. After a clear code the width is minimum code size + 1 bits; it grows by one bit each
// time the table reaches the next power of two, up to 12 bits.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Damaged image data is repaired and flagged rather than rejected. Set for the whole process.
inline bool AcceptDamagedData = true;

inline constexpr int kLzwHashSlots = 17777;
inline constexpr int kLzwMaxCode = 4095;

// First hash value of a string that starts with `pixel`.
inline std::int32_t LzwStartHash(int pixel) {
    return (pixel + 3) * 301;
}

// Packs codes into a 260-byte buffer and writes each full 255-byte run as a sub-block.
class TCodePacker {
public:
    explicit TCodePacker(std::vector<std::uint8_t>& out) : m_Out(out) {}
    void AppendCode(int code, int width);
    // Writes the last, shorter sub-block (if any bits are pending) and the terminator.
    void FinishCodeBlocks();

private:
    std::vector<std::uint8_t>& m_Out; // does not take ownership
    std::array<std::uint8_t, 260> m_Buffer{};
    int m_BitPos = 0;
};

// Appends the code data of a bottom-up indexed picture (1, 4 or 8 bits per pixel, rows padded
// to 4 bytes) to `out`, top image row first.
void LzwEncodeImage(std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
                    int bitsPerPixel, bool interlaced, const std::uint8_t* pixels);

// Decodes code data into a zero-filled bottom-up buffer of 1, 4 or 8 bits per pixel. Pixel
// values are masked to `frameBits`. Never reads past `size`. Returns true when the data were
// damaged and repaired (the missing pixels stay 0); raises EInvalidGraphicOperation for
// damage when AcceptDamagedData is off.
bool LzwDecodeImage(const std::uint8_t* data, std::size_t size, std::int32_t width,
                    std::int32_t height, int bitmapBits, bool interlaced, int frameBits,
                    std::uint8_t* pixels);
