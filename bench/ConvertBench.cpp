// bench-convert: converts every corpus page to BMP at 100 % in one process, the way a CONVERT
// job does, and prints pages per second and the process's peak memory. Pages per second and
// the per-page figures are in CPU time, which other work on a shared machine barely moves; the
// wall time of the whole run is printed beside them.
//
//   bench-convert [corpus-dir] [output-dir]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include "converter/page/ImageProperty.h"
#include "converter/ui/ImagePreview.h"

namespace fs = std::filesystem;

namespace {

// Milliseconds of CPU time this process has used.
double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    const fs::path corpus =
        argc > 1 ? fs::path(argv[1]) : fs::path(TALLYVANE_SHARED_DIR) / "corpus" / "emf";
    const fs::path output =
        argc > 2 ? fs::path(argv[2])
                 : fs::temp_directory_path() / ("bench-convert-" + std::to_string(::getpid()));
    fs::create_directories(output);

    std::vector<fs::path> pages;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.is_regular_file() && entry.path().extension() == ".emf") {
            pages.push_back(entry.path());
        }
    }
    std::sort(pages.begin(), pages.end());

    ImgProperty.ResetDefaults();
    ImgProperty.SetPercentScale(100);

    std::vector<double> times;
    int written = 0;
    std::uint64_t pixels = 0;
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuMs();
    for (const fs::path& page : pages) {
        const double begin = CpuMs();
        TfrmImagePreview form;
        const fs::path target = output / page.filename();
        if (form.OpenEmfPage(page.string()) && form.ConvertPage(target.string(), false, false) &&
            form.PageWritten(0)) {
            ++written;
            const auto [w, h] = ImgProperty.GetPixelSize();
            pixels += static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
        } else {
            std::printf("not written: %s\n", page.filename().c_str());
        }
        times.push_back(CpuMs() - begin);
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double seconds = (CpuMs() - cpuStart) / 1000.0;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? 0 : times[times.size() / 2];
    std::printf("pages: %zu, written: %d, megapixels: %.1f\n", pages.size(), written, pixels / 1e6);
    std::printf("CPU time: %.2f s (wall %.2f s), %.1f pages/s, median page %.1f ms, slowest "
                "%.1f ms\n",
                seconds, wall, seconds > 0 ? pages.size() / seconds : 0.0, median,
                times.empty() ? 0 : times.back());
    std::printf("peak memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    if (argc <= 2) {
        fs::remove_all(output);
    }
    return written == static_cast<int>(pages.size()) ? 0 : 1;
}
