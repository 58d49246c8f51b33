// Loads arbitrary bytes as a JPEG the way the JPEG player loads a file, and encodes what was
// decoded again. Errors are expected; crashes, leaks and sanitizer reports are not.
#include "converter/players/JpegCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Keeps each run fast; the limit itself is what is under test, not its size.
    MaxJpegPictureBytes = std::int64_t{1} << 22;
    TJpegImage image;
    try {
        image.LoadFromBytes(data, size);
        if (image.Width() * static_cast<std::int64_t>(image.Height()) <= 256 * 256) {
            image.GrayScale = (size & 1) != 0;
            image.Progressive = (size & 2) != 0;
            image.Compress(image.Picture());
        }
    } catch (const EJpegError&) {
    }
    return 0;
}
