// A true-colour image written as uncompressed DIB rows, the formats GetDIBits hands out.
#include "platform/gdi/Dib_p.h"

#include <algorithm>
#include <bit>

namespace gdi {
namespace {

// Finds the colour-table entry nearest to a colour (squared distance over the three channels;
// the lowest index wins a tie). The last answer is kept: pictures repeat colours in runs.
class TNearestColor {
public:
    explicit TNearestColor(const std::vector<std::uint32_t>& table) : m_table(table) {}

    unsigned operator()(std::uint32_t color) {
        color &= 0xFFFFFF;
        if (m_hasLast && color == m_lastColor)
            return m_lastIndex;
        unsigned best = 0;
        long bestDistance = -1;
        for (unsigned i = 0; i < m_table.size(); ++i) {
            const long dr = static_cast<long>((color >> 16) & 0xFF) - ((m_table[i] >> 16) & 0xFF);
            const long dg = static_cast<long>((color >> 8) & 0xFF) - ((m_table[i] >> 8) & 0xFF);
            const long db = static_cast<long>(color & 0xFF) - (m_table[i] & 0xFF);
            const long distance = dr * dr + dg * dg + db * db;
            if (bestDistance < 0 || distance < bestDistance) {
                best = i;
                bestDistance = distance;
                if (distance == 0)
                    break;
            }
        }
        m_hasLast = true;
        m_lastColor = color;
        m_lastIndex = best;
        return best;
    }

private:
    const std::vector<std::uint32_t>& m_table; // borrowed from the format
    bool m_hasLast = false;
    std::uint32_t m_lastColor = 0;
    unsigned m_lastIndex = 0;
};

// Places an eight-bit channel value into a mask, keeping its top bits.
std::uint32_t PutChannel(std::uint32_t value, std::uint32_t mask) {
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = 32 - std::countl_zero(mask) - shift;
    const std::uint32_t v = bits >= 8 ? value << (bits - 8) : value >> (8 - bits);
    return (v << shift) & mask;
}

void EncodeRow(const TImage& image, const TDibFormat& format, int y, BYTE* row,
               TNearestColor& nearest) {
    const int width = format.width;
    auto pixel = [&](int x) { return x < image.width && y < image.height ? image.At(x, y) : 0u; };
    switch (format.bitCount) {
    case 1:
    case 4:
    case 8: {
        const int bpp = format.bitCount;
        const int perByte = 8 / bpp;
        for (int x = 0; x < width; ++x) {
            const unsigned index = nearest(pixel(x));
            const int shift = (perByte - 1 - (x % perByte)) * bpp;
            row[x / perByte] = static_cast<BYTE>(row[x / perByte] | (index << shift));
        }
        break;
    }
    case 16:
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x);
            const std::uint32_t p = PutChannel((c >> 16) & 0xFF, format.masks[0]) |
                                    PutChannel((c >> 8) & 0xFF, format.masks[1]) |
                                    PutChannel(c & 0xFF, format.masks[2]);
            row[2 * x] = static_cast<BYTE>(p);
            row[2 * x + 1] = static_cast<BYTE>(p >> 8);
        }
        break;
    case 24:
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x);
            row[3 * x] = static_cast<BYTE>(c);
            row[3 * x + 1] = static_cast<BYTE>(c >> 8);
            row[3 * x + 2] = static_cast<BYTE>(c >> 16);
        }
        break;
    case 32:
        for (int x = 0; x < width; ++x) {
            const std::uint32_t c = pixel(x);
            const std::uint32_t p = format.compression == kBiBitfields
                                        ? PutChannel((c >> 16) & 0xFF, format.masks[0]) |
                                              PutChannel((c >> 8) & 0xFF, format.masks[1]) |
                                              PutChannel(c & 0xFF, format.masks[2])
                                        : c;
            row[4 * x] = static_cast<BYTE>(p);
            row[4 * x + 1] = static_cast<BYTE>(p >> 8);
            row[4 * x + 2] = static_cast<BYTE>(p >> 16);
            row[4 * x + 3] = static_cast<BYTE>(p >> 24);
        }
        break;
    default:
        break;
    }
}

} // namespace

int EncodeDib(const TImage& image, const TDibFormat& format, int firstRow, int rowCount,
              std::span<BYTE> bits) {
    if (format.compression != kBiRgb && format.compression != kBiBitfields)
        return 0;
    if (format.bitCount <= 8 && format.colors.empty())
        return 0;
    if (firstRow < 0 || rowCount <= 0 || firstRow >= format.height)
        return 0;
    rowCount = std::min(rowCount, format.height - firstRow);
    const std::size_t stride = format.Stride();
    if (static_cast<std::size_t>(rowCount) * stride > bits.size())
        return 0;
    TNearestColor nearest(format.colors);
    for (int r = 0; r < rowCount; ++r) {
        const int stored = firstRow + r;
        const int y = format.topDown ? stored : format.height - 1 - stored;
        BYTE* row = bits.data() + static_cast<std::size_t>(r) * stride;
        std::fill(row, row + stride, BYTE{0});
        EncodeRow(image, format, y, row, nearest);
    }
    return rowCount;
}

} // namespace gdi
