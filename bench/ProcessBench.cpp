// bench-process: the programs as a user starts them, one whole process per conversion, start to
// file written.
//
//   bench-process [ROUNDS]
//
// Runs, next to this program in the build's bin directory:
// - Vantrel and mfrender with nothing to do (the cost of starting alone);
// - mfrender on every corpus file at the size of its reference picture, and Vantrel CONVERT of
//   every corpus .emf to BMP at 100 %: the median over the corpus;
// - both on emf/e2s-test-145.emf (the median page of docs/fidelity.md) ROUNDS times;
// - Vantrel on generated pages: an A4 page at 300 DPI ("plx:2480", peak memory), the same page
//   at "plx:3000" and a page of 20000 x 20000 pixels at "osp:10" (the size written).
// Times are medians of wall time and of the process's CPU time (user + system); the CPU time
// counts only the process itself, so other work on a shared machine weighs less on it.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/WinMetafile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path kShared = TALLYVANE_SHARED_DIR;

struct TRun {
    double wallMs = 0;
    double cpuMs = 0;
    double peakMB = 0;
    bool ok = false;
};

// One whole process in directory, its output thrown away.
TRun Spawn(const std::vector<std::string>& argv, const fs::path& directory) {
    std::vector<char*> args;
    for (const std::string& argument : argv)
        args.push_back(const_cast<char*>(argument.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const std::string previous = fs::current_path();
    fs::current_path(directory);
    TRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
    fs::current_path(previous);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    run.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    run.peakMB = usage.ru_maxrss / 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

double Median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// failures: whether a run that did not end with status 0 is worth a mention.
void Report(const char* what, const std::vector<TRun>& runs, bool failures = true) {
    std::vector<double> wall, cpu;
    int failed = 0;
    for (const TRun& run : runs) {
        wall.push_back(run.wallMs);
        cpu.push_back(run.cpuMs);
        failed += run.ok ? 0 : 1;
    }
    std::printf("%-44s wall %7.1f ms  CPU %7.1f ms  (%zu runs", what, Median(wall), Median(cpu),
                runs.size());
    if (failed && failures)
        std::printf(", %d failed", failed);
    std::printf(")\n");
}

// Width and height of a BMP file; 0 x 0 when it is missing or no BMP.
std::pair<long, long> BmpSize(const fs::path& path) {
    unsigned char header[26] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header), sizeof header) || header[0] != 'B')
        return {0, 0};
    auto le32 = [&](int at) {
        return static_cast<std::int32_t>(header[at] | header[at + 1] << 8 | header[at + 2] << 16 |
                                         static_cast<std::uint32_t>(header[at + 3]) << 24);
    };
    return {le32(18), std::labs(le32(22))};
}

// A page recorded on the screen as reference device whose picture at 100 % is width x height
// pixels: a grid of boxes and lines of text over the whole page.
bool WritePage(const fs::path& path, int width, int height) {
    HDC ic = CreateIC("DISPLAY", nullptr, nullptr, nullptr);
    const double mmPerPixelX = double(GetDeviceCaps(ic, HORZSIZE)) / GetDeviceCaps(ic, HORZRES);
    const double mmPerPixelY = double(GetDeviceCaps(ic, VERTSIZE)) / GetDeviceCaps(ic, VERTRES);
    DeleteDC(ic);
    const RECT frame{0, 0, LONG(std::lround(width * 100.0 * mmPerPixelX)) - 1,
                     LONG(std::lround(height * 100.0 * mmPerPixelY)) - 1};
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    if (!dc)
        return false;
    HFONT font =
        CreateFontA(height / 120, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
    HGDIOBJ oldFont = SelectObject(dc, font);
    for (int row = 0; row < 40; ++row) {
        const int y = row * height / 40;
        Rectangle(dc, width / 20, y, width / 3, y + height / 50);
        const char text[] = "The quick brown fox jumps over the lazy dog 0123456789";
        TextOutA(dc, width / 2.5, y, text, int(std::strlen(text)));
    }
    SelectObject(dc, oldFont);
    DeleteObject(font);
    HENHMETAFILE emf = CloseEnhMetaFile(dc);
    DeleteEnhMetaFile(emf);
    return emf != nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
    const std::string vantrel = (bin / "Vantrel").string();
    const std::string mfrender = (bin / "mfrender").string();
    const fs::path work = fs::temp_directory_path() / ("bench-process-" + std::to_string(getpid()));
    fs::create_directories(work / "install");

    // Vantrel runs only with an installation; the overrides keep it out of the user's files.
    std::ofstream(work / "registry.reg")
        << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\Tallyvane!]\n\"InstallPath\"=\""
        << (work / "install").string() << "\"\n";
    setenv("TALLYVANE_REGISTRY", (work / "registry.reg").c_str(), 1);
    setenv("TALLYVANE_CLIPBOARD", (work / "clipboard").c_str(), 1);
    setenv("TALLYVANE_APPDATA", work.c_str(), 1);
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "TALLYVANE_MESSAGES"})
        unsetenv(name);

    const auto convert = [&](const fs::path& page, std::vector<std::string> options) {
        fs::copy_file(page, work / "page.emf", fs::copy_options::overwrite_existing);
        std::vector<std::string> args{vantrel,        "at:CONVERT", "st:FILE", "dt:FILE",
                                      "ifn:page.emf", "ofn:page",   "oft:BMP"};
        args.insert(args.end(), options.begin(), options.end());
        return Spawn(args, work);
    };

    std::vector<TRun> runs;
    for (int i = 0; i < rounds; ++i)
        runs.push_back(Spawn({vantrel}, work));
    Report("Vantrel, no job", runs);
    runs.clear();
    for (int i = 0; i < rounds; ++i)
        runs.push_back(Spawn({mfrender}, work));
    Report("mfrender, no arguments", runs, false); // ends with its usage line

    // The corpus, each file once.
    std::vector<TRun> rendered, converted;
    std::ifstream sizes(kShared / "refs" / "corpus" / "SIZES.tsv");
    std::string header, name;
    int width = 0, height = 0;
    std::getline(sizes, header);
    while (sizes >> name >> width >> height) {
        const fs::path file = kShared / "corpus" / name;
        rendered.push_back(Spawn({mfrender, file.string(), (work / "out.bmp").string(),
                                  std::to_string(width), std::to_string(height)},
                                 work));
        if (name.rfind("emf/", 0) == 0)
            converted.push_back(convert(file, {"osp:100"}));
    }
    Report("mfrender, corpus at reference sizes", rendered);
    Report("Vantrel CONVERT, corpus .emf at 100 %", converted);

    const fs::path median = kShared / "corpus" / "emf" / "e2s-test-145.emf";
    runs.clear();
    for (int i = 0; i < rounds; ++i)
        runs.push_back(
            Spawn({mfrender, median.string(), (work / "out.bmp").string(), "563", "422"}, work));
    Report("mfrender, e2s-test-145 at 563 x 422", runs);
    runs.clear();
    for (int i = 0; i < rounds; ++i)
        runs.push_back(convert(median, {"osp:100"}));
    Report("Vantrel CONVERT, e2s-test-145 at 100 %", runs);

    // Large pictures: whole processes, so the peak memory is the conversion's own.
    const fs::path a4 = work / "a4.emf", huge = work / "huge.emf";
    if (!WritePage(a4, 794, 1123) || !WritePage(huge, 20000, 20000)) {
        std::printf("could not record the generated pages\n");
        return 1;
    }
    const TRun dpi300 = convert(a4, {"plx:2480"});
    const auto [w300, h300] = BmpSize(work / "page.bmp");
    std::printf("A4 at plx:2480: %ld x %ld, CPU %.0f ms, peak memory %.1f MB%s\n", w300, h300,
                dpi300.cpuMs, dpi300.peakMB, dpi300.ok ? "" : " (failed)");
    fs::remove(work / "page.bmp");
    const TRun wide = convert(a4, {"plx:3000"});
    const auto [w3000, h3000] = BmpSize(work / "page.bmp");
    std::printf("A4 at plx:3000: %ld x %ld, peak memory %.1f MB%s\n", w3000, h3000, wide.peakMB,
                wide.ok ? "" : " (failed)");
    fs::remove(work / "page.bmp");
    const TRun tenth = convert(huge, {"osp:10"});
    const auto [wHuge, hHuge] = BmpSize(work / "page.bmp");
    std::printf("20000 x 20000 at osp:10: %ld x %ld, peak memory %.1f MB%s\n", wHuge, hHuge,
                tenth.peakMB, tenth.ok ? "" : " (failed)");

    fs::remove_all(work);
    return 0;
}
