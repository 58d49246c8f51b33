#include "converter/players/PlayerJPG.h"

#include <charconv>

#include "converter/players/RasterDib.h"

namespace {

// A signed decimal integer and nothing else.
bool ParseInteger(const std::string& text, int& value) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') {
        ++first;
    }
    int parsed = 0;
    const auto [end, error] = std::from_chars(first, last, parsed);
    if (error != std::errc{} || end != last || first == last) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace

std::int32_t TPlayerJPG::EncodePicture(const TDibImage& picture, TRasterBitmap& shown) {
    m_jpeg.Compress(picture);
    if (!DibToRaster(m_jpeg.Picture(), shown)) {
        throw EJpegError("JPEG: no memory for the decoded picture");
    }
    return static_cast<std::int32_t>(m_jpeg.Stream().size());
}

bool TPlayerJPG::SetOption(const std::string& name, const std::string& value) {
    if (name == "ProgressiveEncoding") {
        m_jpeg.Progressive = value == "TRUE";
        return true;
    }
    if (name == "CompressionQuality") {
        // Out-of-range values are kept; the encoder treats them as 1 or 100.
        return ParseInteger(value, m_jpeg.Quality);
    }
    if (name == "GrayScale") {
        m_jpeg.GrayScale = value == "TRUE";
        return true;
    }
    return false;
}

std::unique_ptr<TPlayer> TPlayerJPG::Clone() const {
    auto copy = std::make_unique<TPlayerJPG>(GetOwner());
    copy->FileName = FileName;
    return copy;
}
