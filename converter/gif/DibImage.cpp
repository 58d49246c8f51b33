#include "converter/gif/DibImage.h"

#include <stdexcept>

namespace {

void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

} // namespace

TDibImage TDibImage::Create(std::int32_t width, std::int32_t height, int bitsPerPixel) {
    if (width < 0 || height < 0)
        throw std::invalid_argument("negative picture size");
    TDibImage picture;
    picture.Width = width;
    picture.Height = height;
    picture.BitsPerPixel = static_cast<std::uint16_t>(bitsPerPixel);
    if (bitsPerPixel <= 8)
        picture.Palette.resize(std::size_t{1} << bitsPerPixel);
    picture.Bits.assign(static_cast<std::size_t>(picture.Stride() * height), 0);
    return picture;
}

int TDibImage::IndexAt(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* row = Row(Height - 1 - y);
    switch (BitsPerPixel) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (x % 2 == 0) ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
    case 8:
        return row[x];
    default:
        return -1;
    }
}

std::uint32_t TDibImage::ColorAt(std::int32_t x, std::int32_t y) const {
    if (BitsPerPixel <= 8) {
        const int index = IndexAt(x, y);
        if (index < 0 || static_cast<std::size_t>(index) >= Palette.size())
            return 0;
        const TRgbQuad& q = Palette[static_cast<std::size_t>(index)];
        return (std::uint32_t{q.Red} << 16) | (std::uint32_t{q.Green} << 8) | q.Blue;
    }
    const std::uint8_t* p = Row(Height - 1 - y) + x * (BitsPerPixel / 8);
    return (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) | p[0];
}

TDibImage ConvertTo24Bit(const TDibImage& picture) {
    if (picture.BitsPerPixel == 24)
        return picture;
    TDibImage out = TDibImage::Create(picture.Width, picture.Height, 24);
    for (std::int32_t y = 0; y < picture.Height; ++y) {
        std::uint8_t* dst = out.Row(picture.Height - 1 - y);
        for (std::int32_t x = 0; x < picture.Width; ++x) {
            const std::uint32_t c = picture.ColorAt(x, y);
            dst[3 * x] = static_cast<std::uint8_t>(c);
            dst[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            dst[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
        }
    }
    return out;
}

std::vector<std::uint8_t> WriteBmpImage(const TDibImage& picture) {
    const std::uint32_t paletteBytes =
        picture.BitsPerPixel <= 8 ? static_cast<std::uint32_t>(picture.Palette.size() * 4) : 0;
    const std::uint32_t offset = 14 + 40 + paletteBytes;
    const auto imageSize = static_cast<std::uint32_t>(picture.Bits.size());
    std::vector<std::uint8_t> out;
    out.reserve(offset + imageSize);
    // File header.
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, offset + imageSize);
    PutLe32(out, 0);
    PutLe32(out, offset);
    // Info header.
    PutLe32(out, 40);
    PutLe32(out, static_cast<std::uint32_t>(picture.Width));
    PutLe32(out, static_cast<std::uint32_t>(picture.Height));
    PutLe16(out, 1);
    PutLe16(out, picture.BitsPerPixel);
    PutLe32(out, 0);
    PutLe32(out, imageSize);
    for (int i = 0; i < 4; ++i)
        PutLe32(out, 0);
    if (paletteBytes != 0) {
        for (const TRgbQuad& q : picture.Palette) {
            out.push_back(q.Blue);
            out.push_back(q.Green);
            out.push_back(q.Red);
            out.push_back(q.Reserved);
        }
    }
    out.insert(out.end(), picture.Bits.begin(), picture.Bits.end());
    return out;
}
