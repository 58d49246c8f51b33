// JPEG and PNG streams handed to StretchDIBits and SetDIBitsToDevice (BI_JPEG, BI_PNG).
//
// libjpeg reports a fatal error through its error_exit hook, which must not return; the hook
// here jumps back to the setjmp of the function that started the library call. Those
// functions hold only plain C data, so the jump skips no destructor: the C++ picture is sized
// and allocated between the two library passes, outside any jump's reach.
#include "platform/gdi/Dib_p.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>
#include <png.h>

namespace gdi {
namespace {

struct TJpegError {
    jpeg_error_mgr manager; // first, so the library's pointer is also ours
    std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr info) {
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    std::longjmp(error->jump, 1);
}

void JpegSilence(j_common_ptr) {}

// Reads the stream's size; false when its header is damaged.
bool ReadJpegSize(const BYTE* data, std::size_t size, int* width, int* height) {
    jpeg_decompress_struct info;
    TJpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    error.manager.output_message = JpegSilence;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    *width = static_cast<int>(info.image_width);
    *height = static_cast<int>(info.image_height);
    const bool convertible = info.jpeg_color_space != JCS_CMYK && info.jpeg_color_space != JCS_YCCK;
    jpeg_destroy_decompress(&info);
    return convertible;
}

// Decodes the stream into width * height words of B, G, R, X bytes; false on damage.
bool ReadJpegPixels(const BYTE* data, std::size_t size, std::uint32_t* pixels, int width,
                    int height) {
    jpeg_decompress_struct info;
    TJpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    error.manager.output_message = JpegSilence;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if (static_cast<int>(info.image_width) != width ||
        static_cast<int>(info.image_height) != height) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGRX;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row =
            reinterpret_cast<JSAMPROW>(pixels + static_cast<std::size_t>(info.output_scanline) *
                                                    static_cast<std::size_t>(width));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool SizeAllowed(int width, int height) {
    return width > 0 && height > 0 &&
           static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) <= kMaxDibPixels;
}

} // namespace

bool DecodeJpegImage(std::span<const BYTE> data, TImage& image) {
    int width = 0;
    int height = 0;
    if (data.empty() || !ReadJpegSize(data.data(), data.size(), &width, &height) ||
        !SizeAllowed(width, height))
        return false;
    image.Resize(width, height);
    return ReadJpegPixels(data.data(), data.size(), image.pixels.data(), width, height);
}

// libpng's simplified interface keeps its own error recovery inside the library.
bool DecodePngImage(std::span<const BYTE> data, TImage& image) {
    if (data.empty())
        return false;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.data(), data.size()))
        return false;
    const int width = static_cast<int>(png.width);
    const int height = static_cast<int>(png.height);
    if (png.width > 0x7FFFFFFF || png.height > 0x7FFFFFFF || !SizeAllowed(width, height)) {
        png_image_free(&png);
        return false;
    }
    png.format = PNG_FORMAT_BGRA;
    image.Resize(width, height);
    if (!png_image_finish_read(&png, nullptr, image.pixels.data(), width * 4, nullptr)) {
        png_image_free(&png);
        image.Resize(0, 0);
        return false;
    }
    return true;
}

} // namespace gdi
