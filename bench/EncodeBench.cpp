// bench-encode: for each page picture, the time and size of our JPEG encodings at the preset
// qualities (70 and 90, progressive) and of our GIF encoding (colour reduction + LZW), next to
// the same pixels encoded by cjpeg and by ImageMagick. The page pixels are the reference
// renderings of the corpus at the pages' own size (100 %).
//
//   bench-encode [page-count] [picture-dir]
//
// The external tools run as processes: their times include start-up and reading a PPM file,
// so they are an upper bound for the encoding alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <png.h>
#include <unistd.h>

#include "converter/gif/GifImage.h"
#include "converter/players/JpegCodec.h"

namespace fs = std::filesystem;

namespace {

bool ReadPng(const fs::path& path, TDibImage& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_BGR;
    picture = TDibImage::Create(static_cast<std::int32_t>(image.width),
                                static_cast<std::int32_t>(image.height), 24);
    // A negative row stride stores the rows bottom-up, the DIB's own order.
    const auto stride = static_cast<png_int_32>(picture.Stride());
    if (!png_image_finish_read(&image, nullptr, picture.Bits.data(), -stride, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

void WritePpm(const TDibImage& picture, const fs::path& path) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << picture.Width << " " << picture.Height << "\n255\n";
    std::vector<char> row(static_cast<std::size_t>(picture.Width) * 3);
    for (std::int32_t y = 0; y < picture.Height; ++y) {
        const std::uint8_t* in = picture.Row(picture.Height - 1 - y);
        for (std::int32_t x = 0; x < picture.Width; ++x) {
            row[3 * x] = static_cast<char>(in[3 * x + 2]);
            row[3 * x + 1] = static_cast<char>(in[3 * x + 1]);
            row[3 * x + 2] = static_cast<char>(in[3 * x]);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

double Millis(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// Runs a shell command; answers its wall time in ms and the size of `output`, or -1.
std::pair<double, long> RunTool(const std::string& command, const fs::path& output) {
    const auto start = std::chrono::steady_clock::now();
    const int rc = std::system(command.c_str());
    const double ms = Millis(start);
    if (rc != 0 || !fs::exists(output))
        return {-1, -1};
    return {ms, static_cast<long>(fs::file_size(output))};
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20;
    const fs::path dir =
        argc > 2 ? fs::path(argv[2]) : fs::path(TALLYVANE_SHARED_DIR) / "refs" / "corpus" / "emf";
    const fs::path work =
        fs::temp_directory_path() / ("bench-encode-" + std::to_string(::getpid()));
    fs::create_directories(work);

    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() == ".png")
            pages.push_back(entry.path());
    }
    std::sort(pages.begin(), pages.end());
    if (pages.size() > count)
        pages.resize(count);

    std::printf("%-44s %11s | %-25s | %-25s | %-25s\n", "page", "size", "JPEG q70 ours / cjpeg",
                "JPEG q90 ours / cjpeg", "GIF ours / ImageMagick");
    std::printf("%-44s %11s | %-25s | %-25s | %-25s\n", "", "", "ms, bytes", "ms, bytes",
                "ms, bytes");
    double sums[6] = {};
    long bytes[6] = {};
    for (const fs::path& page : pages) {
        TDibImage picture;
        if (!ReadPng(page, picture))
            continue;
        const fs::path ppm = work / "page.ppm";
        WritePpm(picture, ppm);
        double ms[6] = {};
        long size[6] = {};
        for (int k = 0; k < 2; ++k) {
            const int quality = k == 0 ? 70 : 90;
            auto start = std::chrono::steady_clock::now();
            const std::vector<std::uint8_t> jpeg = JpegCompress(picture, quality, true, false);
            ms[2 * k] = Millis(start);
            size[2 * k] = static_cast<long>(jpeg.size());
            const fs::path out = work / "cjpeg.jpg";
            fs::remove(out);
            std::tie(ms[2 * k + 1], size[2 * k + 1]) =
                RunTool("cjpeg -quality " + std::to_string(quality) + " -progressive -outfile " +
                            out.string() + " " + ppm.string(),
                        out);
        }
        {
            auto start = std::chrono::steady_clock::now();
            TGIFImage gif;
            gif.SetFromBitmap(picture);
            const std::vector<std::uint8_t> stream = gif.SaveGIF(false);
            ms[4] = Millis(start);
            size[4] = static_cast<long>(stream.size());
            const fs::path out = work / "magick.gif";
            fs::remove(out);
            std::tie(ms[5], size[5]) =
                RunTool("convert " + ppm.string() + " +dither -colors 256 " + out.string(), out);
        }
        const std::string name = page.filename().string().substr(0, 44);
        const std::string dims =
            std::to_string(picture.Width) + "x" + std::to_string(picture.Height);
        std::printf("%-44s %11s | %6.1f %8ld / %6.1f %8ld | %6.1f %8ld / %6.1f %8ld | %6.1f %8ld / "
                    "%6.1f %8ld\n",
                    name.c_str(), dims.c_str(), ms[0], size[0], ms[1], size[1], ms[2], size[2],
                    ms[3], size[3], ms[4], size[4], ms[5], size[5]);
        for (int i = 0; i < 6; ++i) {
            sums[i] += ms[i];
            bytes[i] += size[i];
        }
    }
    std::printf("%-44s %11s | %6.0f %8ld / %6.0f %8ld | %6.0f %8ld / %6.0f %8ld | %6.0f %8ld / "
                "%6.0f %8ld\n",
                "total", "", sums[0], bytes[0], sums[1], bytes[1], sums[2], bytes[2], sums[3],
                bytes[3], sums[4], bytes[4], sums[5], bytes[5]);
    fs::remove_all(work);
    return 0;
}
