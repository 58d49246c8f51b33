// Decoding of the window pictures. The resource bytes come from the build's generated table;
// each picture is decoded once, frame by frame, into Qt images.
#include "converter/ui/AboutResources.h"

#include <array>
#include <exception>

#include "converter/gif/GifImage.h"

namespace {

struct TResource {
    const std::uint8_t* data;
    std::size_t size;
};

#include "AboutResourceData.inc" // defines kAboutResources[TAboutPicture::Count]

QImage ToQImage(const TDibImage& picture) {
    QImage image(picture.Width, picture.Height, QImage::Format_RGB32);
    for (std::int32_t y = 0; y < picture.Height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (std::int32_t x = 0; x < picture.Width; ++x) {
            row[x] = 0xFF000000u | picture.ColorAt(x, y);
        }
    }
    return image;
}

const std::vector<QImage>& Decoded(TAboutPicture picture) {
    static std::array<std::vector<QImage>, static_cast<std::size_t>(TAboutPicture::Count)> cache;
    static std::array<bool, static_cast<std::size_t>(TAboutPicture::Count)> done{};
    const auto index = static_cast<std::size_t>(picture);
    if (!done[index]) {
        done[index] = true;
        const TResource& resource = kAboutResources[index];
        cache[index] = DecodeGifResource(resource.data, resource.size);
    }
    return cache[index];
}

} // namespace

std::vector<QImage> DecodeGifResource(const std::uint8_t* data, std::size_t size) {
    std::vector<QImage> frames;
    try {
        TGIFImage gif;
        gif.ReadGIFProperty(data, size);
        for (auto& frame : gif.Frames()) {
            const TDibImage* bitmap = frame->Bitmap();
            if (bitmap && !bitmap->IsEmpty()) {
                frames.push_back(ToQImage(*bitmap));
            }
        }
    } catch (const std::exception&) {
        frames.clear();
    }
    return frames;
}

QImage AboutPicture(TAboutPicture picture, int frame) {
    if (picture >= TAboutPicture::Count) {
        return {};
    }
    const std::vector<QImage>& frames = Decoded(picture);
    if (frame < 0 || static_cast<std::size_t>(frame) >= frames.size()) {
        return {};
    }
    return frames[static_cast<std::size_t>(frame)];
}

int AboutPictureFrames(TAboutPicture picture) {
    return picture < TAboutPicture::Count ? static_cast<int>(Decoded(picture).size()) : 0;
}
