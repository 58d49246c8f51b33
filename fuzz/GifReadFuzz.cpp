// Reads arbitrary bytes as a GIF: parse, decode every frame, then write the image again.
// Errors are expected; crashes, leaks and sanitizer reports are not.
#include "converter/gif/GifError.h"
#include "converter/gif/GifImage.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Keeps each run fast; the limit itself is what is under test, not its size.
    MaxGifFrameBytes = std::int64_t{1} << 22;
    TGIFImage image;
    try {
        image.LoadGIF(data, size, true);
        for (auto& frame : image.Frames())
            frame->Bitmap();
        if (!image.Frames().empty())
            image.SaveGIF(false);
    } catch (const EInvalidGraphicOperation&) {
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
