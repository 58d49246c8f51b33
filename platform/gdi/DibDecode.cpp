// DIB pixel data to a true-colour image: packed rows of every depth, bit-field masks, and the
// two run-length encodings.
#include "platform/gdi/Dib_p.h"

#include <algorithm>
#include <bit>

namespace gdi {
namespace {

// One colour channel described by a bit mask, widened to eight bits by repeating its top bits
// (a five-bit 31 becomes 255, not 248).
struct TChannel {
    std::uint32_t mask = 0;
    int shift = 0; // position of the lowest mask bit
    int bits = 0;  // width of the mask from its lowest to its highest bit

    explicit TChannel(std::uint32_t m) : mask(m) {
        if (m != 0) {
            shift = std::countr_zero(m);
            bits = 32 - std::countl_zero(m) - shift;
        }
    }
    std::uint32_t Read(std::uint32_t pixel) const {
        if (bits == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return (v >> (bits - 8)) & 0xFF;
        std::uint32_t out = 0;
        int filled = 0;
        while (filled < 8) {
            out = (out << bits) | v;
            filled += bits;
        }
        return (out >> (filled - 8)) & 0xFF;
    }
};

std::size_t Index(const TImage& image, int x, int y) {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
           static_cast<std::size_t>(x);
}

std::uint32_t TableColor(const TDibFormat& format, unsigned index) {
    // Indices past a short colour table read as black, never past the table.
    return index < format.colors.size() ? format.colors[index] : 0;
}

void DecodeRow(const TDibFormat& format, const BYTE* row, TImage& image, int y) {
    std::uint32_t* out = image.pixels.data() + Index(image, 0, y);
    const int width = format.width;
    switch (format.bitCount) {
    case 1:
        for (int x = 0; x < width; ++x)
            out[x] = TableColor(format, (row[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            out[x] = TableColor(format, (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
        break;
    case 8:
        for (int x = 0; x < width; ++x)
            out[x] = TableColor(format, row[x]);
        break;
    case 16: {
        const TChannel r(format.masks[0]), g(format.masks[1]), b(format.masks[2]);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = row[2 * x] | (row[2 * x + 1] << 8);
            out[x] = r.Read(p) << 16 | g.Read(p) << 8 | b.Read(p);
        }
        break;
    }
    case 24:
        for (int x = 0; x < width; ++x) {
            const BYTE* p = row + 3 * x;
            out[x] = static_cast<std::uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16));
        }
        break;
    case 32:
        if (format.compression == kBiRgb) {
            // The fourth byte is kept for callers that ask for per-pixel alpha.
            for (int x = 0; x < width; ++x) {
                const BYTE* p = row + 4 * x;
                out[x] = static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
                         static_cast<std::uint32_t>(p[2]) << 16 |
                         static_cast<std::uint32_t>(p[3]) << 24;
            }
        } else {
            const TChannel r(format.masks[0]), g(format.masks[1]), b(format.masks[2]);
            for (int x = 0; x < width; ++x) {
                const BYTE* q = row + 4 * x;
                const std::uint32_t p =
                    static_cast<std::uint32_t>(q[0]) | static_cast<std::uint32_t>(q[1]) << 8 |
                    static_cast<std::uint32_t>(q[2]) << 16 | static_cast<std::uint32_t>(q[3]) << 24;
                out[x] = r.Read(p) << 16 | g.Read(p) << 8 | b.Read(p);
            }
        }
        break;
    default:
        break;
    }
}

bool DecodePacked(const TDibFormat& format, std::span<const BYTE> bits, int firstRow, int rowCount,
                  TImage& image) {
    const std::size_t stride = format.Stride();
    if (static_cast<std::size_t>(rowCount) * stride > bits.size())
        return false;
    for (int r = 0; r < rowCount; ++r) {
        const int stored = firstRow + r;
        const int y = format.topDown ? stored : format.height - 1 - stored;
        DecodeRow(format, bits.data() + static_cast<std::size_t>(r) * stride, image, y);
        for (int x = 0; x < format.width; ++x)
            image.defined[Index(image, x, y)] = 1;
    }
    return true;
}

// Run-length data: pairs of (count, colour) bytes, or an escape (0 followed by 0 end of line,
// 1 end of bitmap, 2 delta dx dy, or n >= 3 absolute pixels padded to a 16-bit boundary).
// Rows run bottom-up. Pixels past the right edge are dropped, pixels never reached stay
// undefined, and data that ends without an end-of-bitmap ends the picture there.
void DecodeRle(const TDibFormat& format, std::span<const BYTE> data, TImage& image) {
    const bool four = format.compression == kBiRle4;
    const std::size_t end = std::min<std::size_t>(data.size(), format.sizeImage);
    std::size_t pos = 0;
    int x = 0;
    int row = 0; // stored row, 0 at the bottom
    auto put = [&](unsigned index) {
        if (x < format.width && row < format.height) {
            const int y = format.height - 1 - row;
            image.pixels[Index(image, x, y)] = TableColor(format, index);
            image.defined[Index(image, x, y)] = 1;
        }
        ++x;
    };
    while (pos + 2 <= end && row < format.height) {
        const unsigned count = data[pos];
        const unsigned value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count && x < format.width; ++i)
                put(four ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta
            if (pos + 2 > end)
                break;
            x += data[pos];
            row += data[pos + 1];
            pos += 2;
        } else { // absolute run
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            if (pos + bytes > end)
                break;
            for (unsigned i = 0; i < value; ++i) {
                const unsigned b = data[pos + (four ? i / 2 : i)];
                put(four ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            pos += (bytes + 1) & ~std::size_t{1};
        }
    }
}

} // namespace

bool DecodeDib(const TDibFormat& format, std::span<const BYTE> bits, int firstRow, int rowCount,
               TImage& image) {
    if (format.compression == kBiJpeg || format.compression == kBiPng) {
        if (bits.size() < format.sizeImage)
            return false;
        const auto payload = bits.first(format.sizeImage);
        TImage decoded;
        const bool ok = format.compression == kBiJpeg ? DecodeJpegImage(payload, decoded)
                                                      : DecodePngImage(payload, decoded);
        if (!ok)
            return false;
        // The header's size rules; a stream of another size fills what overlaps.
        image.Resize(format.width, format.height);
        image.defined.assign(image.pixels.size(), 0);
        for (int y = 0; y < std::min(decoded.height, format.height); ++y)
            for (int x = 0; x < std::min(decoded.width, format.width); ++x) {
                image.pixels[Index(image, x, y)] = decoded.At(x, y);
                image.defined[Index(image, x, y)] = 1;
            }
        return true;
    }
    if (firstRow < 0 || rowCount < 0 || firstRow > format.height ||
        rowCount > format.height - firstRow)
        return false;
    image.Resize(format.width, format.height);
    image.defined.assign(image.pixels.size(), 0);
    if (format.compression == kBiRle4 || format.compression == kBiRle8) {
        if (bits.size() < format.sizeImage)
            return false;
        DecodeRle(format, bits, image);
    } else if (!DecodePacked(format, bits, firstRow, rowCount, image)) {
        return false;
    }
    if (std::all_of(image.defined.begin(), image.defined.end(), [](auto d) { return d != 0; }))
        image.defined.clear();
    return true;
}

} // namespace gdi
