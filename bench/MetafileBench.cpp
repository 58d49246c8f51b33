// bench-metafile: metafile playback speed and memory.
//
//   bench-metafile [ROUNDS]
//
// Renders every corpus file (enhanced and Windows metafiles) in one process at the size of its
// reference picture, then two named pages many times:
// - emf/e2s-test-001.emf at 600 x 450: a mixed page (text, clipping, wide pens, 2485 records);
// - emf/lo-bug3.emf at 2000 x 1000: a chart of 90,425 records.
// Prints pages per second, milliseconds per page and the peak resident memory. Times are the
// process's CPU time, so other work on a shared machine does not count against the figures.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/TopDownDib.h"
#include "platform/WinMetafile.h"

namespace {

// Milliseconds of CPU time this process has used.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

const std::string kCorpus = std::string(TALLYVANE_SHARED_DIR) + "/corpus";

std::vector<BYTE> readFile(const std::string& path) {
    std::vector<BYTE> bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        BYTE chunk[65536];
        size_t got;
        while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
            bytes.insert(bytes.end(), chunk, chunk + got);
        std::fclose(f);
    }
    return bytes;
}

HENHMETAFILE open(const std::vector<BYTE>& b) {
    if (b.size() >= 88 && b[0] == 1 && std::memcmp(b.data() + 40, " EMF", 4) == 0)
        return SetEnhMetaFileBits(UINT(b.size()), b.data());
    DWORD key = 0;
    if (b.size() > 22)
        std::memcpy(&key, b.data(), 4);
    if (key == META_PLACEABLE_KEY) {
        SHORT box[4];
        WORD inch;
        std::memcpy(box, b.data() + 6, 8);
        std::memcpy(&inch, b.data() + 14, 2);
        if (!inch)
            inch = 1440;
        METAFILEPICT p{MM_ANISOTROPIC, LONG(std::abs(box[2] - box[0]) * 2540 / inch),
                       LONG(std::abs(box[3] - box[1]) * 2540 / inch), nullptr};
        return SetWinMetaFileBits(UINT(b.size() - 22), b.data() + 22, nullptr, &p);
    }
    return b.empty() ? nullptr : SetWinMetaFileBits(UINT(b.size()), b.data(), nullptr, nullptr);
}

// Milliseconds to play `emf` once onto a fresh white picture of the given size.
double renderOnce(HENHMETAFILE emf, int width, int height) {
    const double start = cpuMs();
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info = TopDownDib32(width, height);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    RECT all{0, 0, width, height};
    FillRect(dc, &all, HBRUSH(GetStockObject(WHITE_BRUSH)));
    PlayEnhMetaFile(dc, emf, &all);
    GdiFlush();
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return cpuMs() - start;
}

void named(const char* file, int width, int height, int rounds) {
    const std::vector<BYTE> bytes = readFile(kCorpus + "/" + file);
    HENHMETAFILE emf = open(bytes);
    if (!emf) {
        std::printf("%-28s missing\n", file);
        return;
    }
    renderOnce(emf, width, height); // fonts and caches warm
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i)
        times.push_back(renderOnce(emf, width, height));
    std::sort(times.begin(), times.end());
    std::printf("%-28s %4d x %-4d  median %8.2f ms  best %8.2f ms  (%d rounds)\n", file, width,
                height, times[times.size() / 2], times.front(), rounds);
    DeleteEnhMetaFile(emf);
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::map<std::string, std::pair<int, int>> sizes;
    {
        std::ifstream in(std::string(TALLYVANE_SHARED_DIR) + "/refs/corpus/SIZES.tsv");
        std::string header, name;
        int w, h;
        std::getline(in, header);
        while (in >> name >> w >> h)
            sizes[name] = {w, h};
    }
    std::vector<double> times;
    double total = 0;
    for (const char* folder : {"emf", "wmf"}) {
        DIR* dir = opendir((kCorpus + "/" + folder).c_str());
        if (!dir)
            continue;
        std::vector<std::string> names;
        while (dirent* e = readdir(dir))
            if (e->d_name[0] != '.')
                names.push_back(std::string(folder) + "/" + e->d_name);
        closedir(dir);
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const double start = cpuMs();
            HENHMETAFILE emf = open(readFile(kCorpus + "/" + name));
            if (!emf)
                continue;
            auto size = sizes.count(name) ? sizes[name] : std::pair<int, int>{800, 600};
            renderOnce(emf, size.first, size.second);
            DeleteEnhMetaFile(emf);
            const double ms = cpuMs() - start;
            times.push_back(ms);
            total += ms;
        }
    }
    std::sort(times.begin(), times.end());
    if (!times.empty())
        std::printf("corpus: %zu pages in %.0f ms: %.1f pages/s, median %.2f ms, slowest %.1f ms\n",
                    times.size(), total, times.size() * 1000.0 / total, times[times.size() / 2],
                    times.back());
    named("emf/e2s-test-001.emf", 600, 450, rounds);
    named("emf/lo-bug3.emf", 2000, 1000, std::max(1, rounds / 4));
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
