#include "converter/players/RasterDib.h"

#include <cstring>
#include <stdexcept>

TDibImage RasterToDib(TRasterBitmap& bitmap) {
    if (bitmap.Empty())
        return TDibImage{};
    if (!bitmap.MakeDIB())
        throw std::runtime_error("The bitmap's pixels cannot be read");
    TDibImage picture = TDibImage::Create(bitmap.Width(), bitmap.Height(), 32);
    const auto rowBytes = static_cast<std::size_t>(bitmap.Stride());
    // The raster bitmap is top-down, the DIB bottom-up.
    for (std::int32_t y = 0; y < bitmap.Height(); ++y)
        std::memcpy(picture.Row(bitmap.Height() - 1 - y),
                    bitmap.Bits() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
    return picture;
}

bool DibToRaster(const TDibImage& picture, TRasterBitmap& bitmap) {
    if (!bitmap.SetSize(picture.Width, picture.Height))
        return false;
    if (picture.IsEmpty())
        return true;
    for (std::int32_t y = 0; y < picture.Height; ++y) {
        BYTE* out = bitmap.Bits() + static_cast<std::size_t>(y) * bitmap.Stride();
        const std::uint8_t* in = picture.Row(picture.Height - 1 - y);
        switch (picture.BitsPerPixel) {
        case 32:
            std::memcpy(out, in, static_cast<std::size_t>(bitmap.Stride()));
            break;
        case 24:
            for (std::int32_t x = 0; x < picture.Width; ++x) {
                out[4 * x] = in[3 * x];
                out[4 * x + 1] = in[3 * x + 1];
                out[4 * x + 2] = in[3 * x + 2];
                out[4 * x + 3] = 0;
            }
            break;
        default:
            for (std::int32_t x = 0; x < picture.Width; ++x) {
                const std::uint32_t c = picture.ColorAt(x, y);
                out[4 * x] = static_cast<BYTE>(c);
                out[4 * x + 1] = static_cast<BYTE>(c >> 8);
                out[4 * x + 2] = static_cast<BYTE>(c >> 16);
                out[4 * x + 3] = 0;
            }
            break;
        }
    }
    return true;
}
