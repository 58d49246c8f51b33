// DIB headers and colour tables: what they say and whether their span holds it.
#include "platform/gdi/Dib_p.h"

#include <algorithm>
#include <iterator>

namespace gdi {
namespace {

constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kLargestHeaderSize = 124; // BITMAPV5HEADER

std::uint16_t ReadWord(const BYTE* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t ReadDword(const BYTE* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The fields of either header kind that the rest of the code needs.
struct THeaderFields {
    std::size_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // signed: negative is top-down
    int planes = 0;
    int bitCount = 0;
    DWORD compression = kBiRgb;
    DWORD sizeImage = 0;
    DWORD colorsUsed = 0;
};

// Reads the header proper; `available` bytes may be read from `info`.
bool ReadHeader(const BYTE* info, std::size_t available, THeaderFields& fields) {
    if (info == nullptr || available < 4)
        return false;
    const std::size_t size = ReadDword(info);
    if (size == kCoreHeaderSize) {
        if (available < kCoreHeaderSize)
            return false;
        fields.headerSize = size;
        fields.width = ReadWord(info + 4);
        fields.height = ReadWord(info + 6); // unsigned: core DIBs are always bottom-up
        fields.planes = ReadWord(info + 8);
        fields.bitCount = ReadWord(info + 10);
        return true;
    }
    if (size < kInfoHeaderSize || size > kLargestHeaderSize || available < size)
        return false;
    fields.headerSize = size;
    fields.width = static_cast<std::int32_t>(ReadDword(info + 4));
    fields.height = static_cast<std::int32_t>(ReadDword(info + 8));
    fields.planes = ReadWord(info + 12);
    fields.bitCount = ReadWord(info + 14);
    fields.compression = ReadDword(info + 16);
    fields.sizeImage = ReadDword(info + 20);
    fields.colorsUsed = ReadDword(info + 32);
    return true;
}

bool BitCountFitsCompression(int bitCount, DWORD compression) {
    switch (compression) {
    case kBiRgb:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
               bitCount == 24 || bitCount == 32;
    case kBiRle8:
        return bitCount == 8;
    case kBiRle4:
        return bitCount == 4;
    case kBiBitfields:
        return bitCount == 16 || bitCount == 32;
    case kBiJpeg:
    case kBiPng:
        return true; // the stream carries its own depth
    default:
        return false;
    }
}

// Entries of the colour table that follow the header.
std::size_t ColorTableEntries(const THeaderFields& fields) {
    if (fields.bitCount > 8 || fields.bitCount == 0)
        return 0;
    const std::size_t full = std::size_t{1} << fields.bitCount;
    if (fields.headerSize == kCoreHeaderSize || fields.colorsUsed == 0)
        return full;
    return std::min<std::size_t>(fields.colorsUsed, full);
}

std::size_t EntrySize(const THeaderFields& fields, UINT usage) {
    if (usage == kDibPalColors)
        return 2;
    if (usage == kDibPalIndices)
        return 0;
    return fields.headerSize == kCoreHeaderSize ? 3 : 4;
}

// Bytes of masks that follow a 40-byte header with BI_BITFIELDS; longer headers hold them.
std::size_t TrailingMaskBytes(const THeaderFields& fields) {
    return fields.compression == kBiBitfields && fields.headerSize == kInfoHeaderSize ? 12 : 0;
}

std::size_t InfoSize(const THeaderFields& fields, UINT usage) {
    return fields.headerSize + TrailingMaskBytes(fields) +
           ColorTableEntries(fields) * EntrySize(fields, usage);
}

bool CheckFields(const THeaderFields& fields) {
    if (fields.planes != 1 || !BitCountFitsCompression(fields.bitCount, fields.compression))
        return false;
    if (fields.width <= 0 || fields.height == 0)
        return false;
    const std::int64_t height = fields.height < 0 ? -fields.height : fields.height;
    if (static_cast<std::uint64_t>(fields.width) * static_cast<std::uint64_t>(height) >
        kMaxDibPixels)
        return false;
    const bool compressed = fields.compression == kBiRle4 || fields.compression == kBiRle8 ||
                            fields.compression == kBiJpeg || fields.compression == kBiPng;
    if (compressed && fields.sizeImage == 0)
        return false;
    // Run-length data is defined bottom-up only.
    if ((fields.compression == kBiRle4 || fields.compression == kBiRle8) && fields.height < 0)
        return false;
    return true;
}

} // namespace

void TImage::Resize(int w, int h, std::uint32_t fill) {
    width = std::max(w, 0);
    height = std::max(h, 0);
    pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    defined.clear();
}

std::size_t TDibFormat::Stride() const {
    return ((static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32) * 4;
}

std::size_t TDibFormat::DataBytes() const {
    if (compression == kBiRgb || compression == kBiBitfields)
        return Stride() * static_cast<std::size_t>(height);
    return sizeImage;
}

bool ParseDibFormat(std::span<const BYTE> info, UINT usage, std::span<const std::uint32_t> palette,
                    TDibFormat& format) {
    if (usage > kDibPalIndices)
        return false;
    THeaderFields fields;
    if (!ReadHeader(info.data(), info.size(), fields) || !CheckFields(fields))
        return false;
    const std::size_t infoSize = InfoSize(fields, usage);
    if (infoSize > info.size())
        return false;

    format = TDibFormat{};
    format.headerSize = fields.headerSize;
    format.infoSize = infoSize;
    format.width = static_cast<int>(fields.width);
    format.topDown = fields.height < 0;
    format.height = static_cast<int>(fields.height < 0 ? -fields.height : fields.height);
    format.bitCount = fields.bitCount;
    format.compression = fields.compression;
    format.sizeImage = fields.sizeImage;

    const BYTE* const base = info.data();
    if (fields.compression == kBiBitfields) {
        // 40-byte headers are followed by the masks; V2 and later headers hold them at 40.
        const BYTE* masks = base + kInfoHeaderSize;
        if (fields.headerSize < kInfoHeaderSize + 12 && TrailingMaskBytes(fields) == 0)
            return false;
        for (int i = 0; i < 3; ++i)
            format.masks[i] = ReadDword(masks + 4 * i);
    } else if (fields.bitCount == 16) {
        format.masks[0] = 0x7C00;
        format.masks[1] = 0x03E0;
        format.masks[2] = 0x001F;
    } else if (fields.bitCount == 24 || fields.bitCount == 32) {
        format.masks[0] = 0xFF0000;
        format.masks[1] = 0x00FF00;
        format.masks[2] = 0x0000FF;
    }

    const std::size_t entries = ColorTableEntries(fields);
    const BYTE* table = base + fields.headerSize + TrailingMaskBytes(fields);
    format.colors.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        std::uint32_t color = 0;
        if (usage == kDibPalColors) {
            const std::uint16_t index = ReadWord(table + 2 * i);
            color = index < palette.size() ? palette[index] & 0xFFFFFF : 0;
        } else if (usage == kDibPalIndices) {
            // No table: a two-colour picture reads as black and white, deeper ones as the
            // indices of the DC's palette.
            if (entries == 2)
                color = i == 0 ? 0x000000 : 0xFFFFFF;
            else
                color = i < palette.size() ? palette[i] & 0xFFFFFF : 0;
        } else if (fields.headerSize == kCoreHeaderSize) {
            const BYTE* e = table + 3 * i;
            color = e[0] | (e[1] << 8) | (e[2] << 16);
        } else {
            const BYTE* e = table + 4 * i;
            color = e[0] | (e[1] << 8) | (e[2] << 16);
        }
        format.colors.push_back(color);
    }
    return true;
}

std::size_t DibInfoSizeFromHeader(const BYTE* info, UINT usage) {
    THeaderFields fields;
    const std::size_t available =
        info != nullptr && ReadDword(info) <= kLargestHeaderSize ? ReadDword(info) : 0;
    if (!ReadHeader(info, available, fields) || usage > kDibPalIndices)
        return 0;
    return InfoSize(fields, usage);
}

std::size_t DibDataSizeFromHeader(const BYTE* info, UINT usage) {
    const std::size_t infoSize = DibInfoSizeFromHeader(info, usage);
    if (infoSize == 0)
        return 0;
    TDibFormat format;
    if (!ParseDibFormat(std::span<const BYTE>(info, infoSize), usage, {}, format))
        return 0;
    return format.DataBytes();
}

std::vector<std::uint32_t> DefaultColorTable(int bitCount) {
    std::vector<std::uint32_t> table;
    if (bitCount == 1) {
        table = {0x000000, 0xFFFFFF};
    } else if (bitCount == 4) {
        table = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
                 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    } else if (bitCount == 8) {
        // The twenty static colours at both ends, a 6 x 6 x 6 colour cube and a grey ramp
        // between them.
        const auto vga = DefaultColorTable(4);
        const std::uint32_t low[10] = {vga[0], vga[1], vga[2], vga[3],   vga[4],
                                       vga[5], vga[6], vga[8], 0xC0DCC0, 0xA6CAF0};
        const std::uint32_t high[10] = {0xFFFBF0, 0xA0A0A4, vga[7],  vga[9],  vga[10],
                                        vga[11],  vga[12],  vga[13], vga[14], vga[15]};
        table.assign(std::begin(low), std::end(low));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table.push_back(
                        static_cast<std::uint32_t>((r * 51) << 16 | (g * 51) << 8 | (b * 51)));
        for (int i = 0; table.size() < 246; ++i) {
            const std::uint32_t v = static_cast<std::uint32_t>(8 + i * 12) & 0xFF;
            table.push_back(v << 16 | v << 8 | v);
        }
        table.insert(table.end(), std::begin(high), std::end(high));
    }
    return table;
}

} // namespace gdi
