#include "converter/players/PlayerGIF.h"

#include <stdexcept>

#include "converter/players/RasterDib.h"

std::int32_t TPlayerGIF::EncodePicture(const TDibImage& picture, TRasterBitmap& shown) {
    m_gif.SetFromBitmap(picture);
    m_gif.EncodePendingFrames(true);
    const std::vector<std::uint8_t> stream = m_gif.SaveGIF(false);
    m_gif.LoadGIF(stream.data(), stream.size(), true);
    const TDibImage* reduced = m_gif.Picture();
    if (reduced == nullptr || !DibToRaster(*reduced, shown)) {
        throw std::runtime_error("GIF: no memory for the reduced picture");
    }
    return static_cast<std::int32_t>(stream.size());
}

bool TPlayerGIF::SetOption(const std::string& name, const std::string& value) {
    if (name != "GrayScale") {
        return false;
    }
    GrayScale = value == "TRUE";
    return true;
}

std::unique_ptr<TPlayer> TPlayerGIF::Clone() const {
    auto copy = std::make_unique<TPlayerGIF>(GetOwner());
    copy->FileName = FileName;
    return copy;
}
