#include "converter/gif/GifLzw.h"

#include "converter/gif/GifError.h"

#include <algorithm>
#include <memory>

// ---------------------------------------------------------------------------------------------
// Row order shared by both directions
// ---------------------------------------------------------------------------------------------

namespace {

// Image rows in the order they are coded: top to bottom, or the four interlace passes (every
// 8th row from 0, every 8th from 4, every 4th from 2, every 2nd from 1).
class TRowOrder {
public:
    TRowOrder(std::int32_t height, bool interlaced) : m_Height(height), m_Interlaced(interlaced) {
        Settle();
    }
    bool Done() const { return m_Row >= m_Height; }
    std::int32_t Row() const { return m_Row; }
    void Next() {
        m_Row += m_Interlaced ? kStep[m_Pass] : 1;
        Settle();
    }

private:
    static constexpr std::int32_t kStart[4] = {0, 4, 2, 1};
    static constexpr std::int32_t kStep[4] = {8, 8, 4, 2};

    void Settle() {
        while (m_Interlaced && m_Row >= m_Height && m_Pass < 3) {
            ++m_Pass;
            m_Row = kStart[m_Pass];
        }
    }

    std::int32_t m_Height;
    bool m_Interlaced;
    int m_Pass = 0;
    std::int32_t m_Row = 0;
};

int ReadPixel(const std::uint8_t* row, std::int32_t x, int bits) {
    switch (bits) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    default:
        return row[x];
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Encoder
// ---------------------------------------------------------------------------------------------

void TCodePacker::AppendCode(int code, int width) {
    const int at = m_BitPos / 8;
    const std::uint32_t v = static_cast<std::uint32_t>(code) << (m_BitPos % 8);
    m_Buffer[at] = static_cast<std::uint8_t>(m_Buffer[at] | (v & 0xFF));
    m_Buffer[at + 1] = static_cast<std::uint8_t>(v >> 8);
    m_Buffer[at + 2] = static_cast<std::uint8_t>(v >> 16);
    m_BitPos += width;
    if (m_BitPos >= 255 * 8) {
        m_Out.push_back(255);
        m_Out.insert(m_Out.end(), m_Buffer.begin(), m_Buffer.begin() + 255);
        m_Buffer[0] = m_Buffer[255];
        m_Buffer[1] = m_Buffer[256];
        std::fill(m_Buffer.begin() + 2, m_Buffer.begin() + 257, std::uint8_t{0});
        m_BitPos -= 255 * 8;
    }
}

void TCodePacker::FinishCodeBlocks() {
    const int k = (m_BitPos + 7) / 8;
    if (k > 0) {
        m_Out.push_back(static_cast<std::uint8_t>(k));
        m_Out.insert(m_Out.end(), m_Buffer.begin(), m_Buffer.begin() + k);
    }
    m_Out.push_back(0);
    m_Buffer.fill(0);
    m_BitPos = 0;
}

namespace {

// One string of the table: the code of its prefix string plus one pixel.
struct TLzwRecord {
    std::uint16_t Prefix;
    std::uint16_t Code;
    std::uint8_t Suffix;
};

} // namespace

void LzwEncodeImage(std::vector<std::uint8_t>& out, std::int32_t width, std::int32_t height,
                    int bitsPerPixel, bool interlaced, const std::uint8_t* pixels) {
    const int initialWidth = bitsPerPixel == 1 ? 3 : bitsPerPixel + 1;
    out.push_back(static_cast<std::uint8_t>(initialWidth - 1));
    const int clearCode = 1 << (initialWidth - 1);
    const int endCode = clearCode + 1;
    int lastCode = endCode;
    int codeWidth = initialWidth;
    int limit = 1 << initialWidth;

    // Slots hold record numbers (= codes); -1 is empty.
    std::vector<std::int16_t> slots(kLzwHashSlots, -1);
    std::vector<TLzwRecord> records(kLzwMaxCode + 1);
    TCodePacker packer(out);
    packer.AppendCode(clearCode, codeWidth);

    const std::int64_t stride = ((std::int64_t{width} * bitsPerPixel + 31) / 32) * 4;
    int run = 0;
    int prefix = 0;
    std::int64_t hash = 0;
    for (TRowOrder order(height, interlaced); !order.Done(); order.Next()) {
        const std::uint8_t* row = pixels + (height - 1 - order.Row()) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const int p = ReadPixel(row, x, bitsPerPixel);
            ++run;
            if (run == 1) {
                prefix = p;
                hash = LzwStartHash(p);
                continue;
            }
            hash = ((p + run + 4) * hash) % kLzwHashSlots;
            int slot = static_cast<int>(hash);
            while (slots[slot] >= 0 &&
                   !(records[slots[slot]].Prefix == prefix && records[slots[slot]].Suffix == p))
                slot = (slot + 1) % kLzwHashSlots;
            if (slots[slot] >= 0) {
                prefix = records[slots[slot]].Code;
                continue;
            }
            packer.AppendCode(prefix, codeWidth);
            ++lastCode;
            records[lastCode] =
                TLzwRecord{static_cast<std::uint16_t>(prefix), static_cast<std::uint16_t>(lastCode),
                           static_cast<std::uint8_t>(p)};
            slots[slot] = static_cast<std::int16_t>(lastCode);
            prefix = p;
            hash = LzwStartHash(p);
            run = 1;
            if (lastCode >= limit) {
                limit *= 2;
                ++codeWidth;
            } else if (lastCode >= kLzwMaxCode - 1) {
                // The table is full: send the pending pixel on its own, then start afresh.
                packer.AppendCode(prefix, codeWidth);
                packer.AppendCode(clearCode, codeWidth);
                run = 0;
                lastCode = endCode;
                codeWidth = initialWidth;
                limit = 1 << initialWidth;
                std::fill(slots.begin(), slots.end(), std::int16_t{-1});
            }
        }
    }
    // A clear on the very last pixel has already sent it; sending it again would add a pixel.
    if (run > 0)
        packer.AppendCode(prefix, codeWidth);
    packer.AppendCode(endCode, codeWidth);
    packer.FinishCodeBlocks();
}

// ---------------------------------------------------------------------------------------------
// Decoder
// ---------------------------------------------------------------------------------------------

namespace {

// Reads codes from the sub-blocks, refilling one sub-block at a time. Stops at the
// terminator or at the end of the data, whichever comes first.
class TCodeReader {
public:
    TCodeReader(const std::uint8_t* data, std::size_t size, std::size_t pos)
        : m_Data(data), m_Size(size), m_Pos(pos) {}

    bool Read(int width, int& code) {
        while (m_Bits < width) {
            if (m_BlockLeft == 0) {
                if (m_Ended || m_Pos >= m_Size) {
                    m_Ended = true;
                    return false;
                }
                m_BlockLeft = m_Data[m_Pos++];
                if (m_BlockLeft == 0) {
                    m_Ended = true;
                    return false;
                }
            }
            if (m_Pos >= m_Size) {
                m_Ended = true;
                return false;
            }
            m_Buffer |= std::uint32_t{m_Data[m_Pos++]} << m_Bits;
            m_Bits += 8;
            --m_BlockLeft;
        }
        code = static_cast<int>(m_Buffer & ((1u << width) - 1));
        m_Buffer >>= width;
        m_Bits -= width;
        return true;
    }

private:
    const std::uint8_t* m_Data;
    std::size_t m_Size;
    std::size_t m_Pos;
    std::uint32_t m_Buffer = 0;
    int m_Bits = 0;
    int m_BlockLeft = 0;
    bool m_Ended = false;
};

// Writes pixels into the bottom-up buffer in coding order; ignores pixels after the last row.
class TPixelSink {
public:
    TPixelSink(std::uint8_t* pixels, std::int32_t width, std::int32_t height, int bits,
               bool interlaced)
        : m_Pixels(pixels), m_Width(width), m_Height(height), m_Bits(bits),
          m_Stride(((std::int64_t{width} * bits + 31) / 32) * 4), m_Order(height, interlaced) {}

    bool Done() const { return m_Order.Done() || m_Width <= 0; }

    void Put(int value) {
        if (Done())
            return;
        std::uint8_t* row = m_Pixels + (m_Height - 1 - m_Order.Row()) * m_Stride;
        const auto v = static_cast<std::uint8_t>(value);
        switch (m_Bits) {
        case 1:
            if (m_X % 8 == 0)
                row[m_X / 8] = static_cast<std::uint8_t>((v & 1) << 7);
            else
                row[m_X / 8] |= static_cast<std::uint8_t>((v & 1) << (7 - m_X % 8));
            break;
        case 4:
            if (m_X % 2 == 0)
                row[m_X / 2] = static_cast<std::uint8_t>((v & 0x0F) << 4);
            else
                row[m_X / 2] |= static_cast<std::uint8_t>(v & 0x0F);
            break;
        default:
            row[m_X] = v;
            break;
        }
        if (++m_X == m_Width) {
            m_X = 0;
            m_Order.Next();
        }
    }

private:
    std::uint8_t* m_Pixels;
    std::int32_t m_Width;
    std::int32_t m_Height;
    int m_Bits;
    std::int64_t m_Stride;
    TRowOrder m_Order;
    std::int32_t m_X = 0;
};

// A corrupt stream can chain entries into a loop; no genuine string is longer than the table.
constexpr int kMaxChain = 4096;

} // namespace

bool LzwDecodeImage(const std::uint8_t* data, std::size_t size, std::int32_t width,
                    std::int32_t height, int bitmapBits, bool interlaced, int frameBits,
                    std::uint8_t* pixels) {
    bool damaged = false;
    TPixelSink sink(pixels, width, height, bitmapBits, interlaced);
    if (size == 0)
        return !sink.Done();

    int minCodeSize = data[0];
    if (minCodeSize < 2 || minCodeSize > 9) {
        if (!AcceptDamagedData)
            throw EInvalidGraphicOperation(GifMessages::kBadCodeSize);
        minCodeSize = std::clamp(minCodeSize, 2, 9);
        damaged = true;
    }
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int pixelMask = (1 << frameBits) - 1;
    int nextCode = clearCode + 2;
    int codeWidth = minCodeSize + 1;
    int limit = 1 << codeWidth;
    bool tableFull = false;

    auto prefix = std::make_unique<std::uint16_t[]>(kLzwMaxCode + 1);
    auto suffix = std::make_unique<std::uint16_t[]>(kLzwMaxCode + 1);
    // The chain, the pixel pushed for a not-yet-known code and the root pixel.
    auto stack = std::make_unique<std::uint16_t[]>(kMaxChain + 2);
    std::fill(prefix.get(), prefix.get() + kLzwMaxCode + 1, std::uint16_t{0});
    std::fill(suffix.get(), suffix.get() + kLzwMaxCode + 1, std::uint16_t{0});

    TCodeReader reader(data, size, 1);
    int oldCode = 0;
    int firstPixel = 0;
    bool afterClear = false;
    int code = 0;
    while (!sink.Done()) {
        if (!reader.Read(codeWidth, code)) {
            // The data end before the picture does: the missing pixels stay 0.
            damaged = true;
            break;
        }
        if (code == endCode)
            break;
        if (code == clearCode) {
            codeWidth = minCodeSize + 1;
            limit = 1 << codeWidth;
            nextCode = clearCode + 2;
            tableFull = false;
            afterClear = true;
            continue;
        }
        if (afterClear) {
            afterClear = false;
            oldCode = code;
            firstPixel = code & pixelMask;
            sink.Put(firstPixel);
            continue;
        }

        const int inCode = code;
        int sp = 0;
        if (code >= nextCode) {
            stack[sp++] = static_cast<std::uint16_t>(firstPixel);
            code = oldCode;
        }
        int chain = 0;
        while (code > pixelMask) {
            if (++chain > kMaxChain) {
                if (!AcceptDamagedData)
                    throw EInvalidGraphicOperation(GifMessages::kBadData);
                return true;
            }
            stack[sp++] = suffix[code];
            code = prefix[code];
        }
        firstPixel = code & pixelMask;
        stack[sp++] = static_cast<std::uint16_t>(firstPixel);
        while (sp > 0)
            sink.Put(stack[--sp]);

        if (!tableFull) {
            prefix[nextCode] = static_cast<std::uint16_t>(oldCode);
            suffix[nextCode] = static_cast<std::uint16_t>(firstPixel);
            ++nextCode;
            if (nextCode >= limit) {
                if (codeWidth == 12) {
                    tableFull = true;
                } else {
                    ++codeWidth;
                    limit *= 2;
                }
            }
        }
        oldCode = inCode;
    }
    return damaged;
}
