// mfcompare: the difference figure between a picture drawn here and a reference picture.
//
//   mfcompare A B
//
// A and B are PNG or BMP files (24- or 32-bit BMP, any PNG). Prints the percent of pixels whose
// value differs by more than 32 in any of red, green and blue, over the whole picture; 100 when
// the sizes differ. Exit status 2 when a picture cannot be read.
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct TPicture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

bool readPng(const char* path, TPicture& out) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path))
        return false;
    image.format = PNG_FORMAT_RGB;
    out.width = int(image.width);
    out.height = int(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) != 0;
}

unsigned le(const std::vector<unsigned char>& b, size_t at, int bytes) {
    unsigned v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = v << 8 | b[at + size_t(i)];
    return v;
}

bool readBmp(const char* path, TPicture& out) {
    std::vector<unsigned char> b;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return false;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        b.insert(b.end(), chunk, chunk + got);
    std::fclose(f);
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return false;
    const unsigned offset = le(b, 10, 4);
    const int width = int(le(b, 18, 4));
    int height = int(le(b, 22, 4));
    const unsigned bpp = le(b, 28, 2);
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || (bpp != 24 && bpp != 32))
        return false;
    const size_t stride = ((size_t(width) * bpp + 31) / 32) * 4;
    if (offset + stride * size_t(height) > b.size())
        return false;
    out.width = width;
    out.height = height;
    out.rgb.resize(size_t(width) * size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        const unsigned char* row =
            b.data() + offset + stride * size_t(topDown ? y : height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = row + size_t(x) * (bpp / 8);
            unsigned char* q = out.rgb.data() + (size_t(y) * size_t(width) + size_t(x)) * 3;
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    }
    return true;
}

bool readPicture(const char* path, TPicture& out) {
    const std::string name(path);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".bmp") == 0)
        return readBmp(path, out);
    return readPng(path, out) || readBmp(path, out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: mfcompare A B\n");
        return 2;
    }
    TPicture a, b;
    if (!readPicture(argv[1], a) || !readPicture(argv[2], b)) {
        std::fprintf(stderr, "mfcompare: cannot read a picture\n");
        return 2;
    }
    if (a.width != b.width || a.height != b.height) {
        std::printf("100.000\n");
        return 0;
    }
    size_t off = 0;
    const size_t pixels = size_t(a.width) * size_t(a.height);
    for (size_t i = 0; i < pixels; ++i) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(int(a.rgb[i * 3 + c]) - int(b.rgb[i * 3 + c])) > 32) {
                ++off;
                break;
            }
        }
    }
    std::printf("%.3f\n", 100.0 * double(off) / double(pixels));
    return 0;
}
