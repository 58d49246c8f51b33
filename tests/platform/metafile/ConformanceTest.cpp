// Plays every conformance scene and compares it with its reference picture.
//
// A scene passes when its figure is within its limit, or not worse than the committed baseline
// (conformance-baseline.tsv) by more than half a point: the baseline follows the GDI stand-in
// as it grows. TALLYVANE_UPDATE_BASELINE=1 rewrites the baseline from this run. Each EMF scene
// is also recorded again (played onto a recording DC) and the copy played back must give the
// picture the original gives.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "MetafileTestUtil.h"

namespace tallyvane::metafile::test {
namespace {

const std::string kShared = TALLYVANE_SHARED_DIR;
const std::string kBaseline =
    std::string(TALLYVANE_SOURCE_DIR) + "/tests/platform/metafile/conformance-baseline.tsv";

struct TScene {
    std::string file, group, kind;
    double limit = 0;
    int width = 0, height = 0;
};

std::vector<TScene> readScenes() {
    std::vector<TScene> scenes;
    std::ifstream in(kShared + "/conformance/scenes.tsv");
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::vector<std::string> cols;
        std::stringstream s(line);
        std::string col;
        while (std::getline(s, col, '\t'))
            cols.push_back(col);
        if (cols.size() < 7)
            continue;
        TScene scene{cols[0], cols[1], cols[2], std::atof(cols[3].c_str())};
        std::sscanf(cols[6].c_str(), "%dx%d", &scene.width, &scene.height);
        scenes.push_back(scene);
    }
    return scenes;
}

// scene -> {played figure, round-trip figure}
std::map<std::string, std::pair<double, double>> readBaseline() {
    std::map<std::string, std::pair<double, double>> baseline;
    std::ifstream in(kBaseline);
    std::string name;
    double played, again;
    while (in >> name >> played >> again)
        baseline[name] = {played, again};
    return baseline;
}

TImage play(HENHMETAFILE emf, int width, int height) {
    TCanvas canvas(width, height);
    RECT all{0, 0, width, height};
    PlayEnhMetaFile(canvas.dc(), emf, &all);
    return TImage{width, height, canvas.rgb()};
}

// The metafile played onto a recording DC with the same frame, then closed.
HENHMETAFILE recordAgain(HENHMETAFILE emf) {
    ENHMETAHEADER h{};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &h.rclFrame, nullptr);
    const double sx = double(h.szlDevice.cx) / (h.szlMillimeters.cx * 100.0);
    const double sy = double(h.szlDevice.cy) / (h.szlMillimeters.cy * 100.0);
    RECT onto{LONG(h.rclFrame.left * sx + 0.5), LONG(h.rclFrame.top * sy + 0.5),
              LONG(h.rclFrame.right * sx + 0.5), LONG(h.rclFrame.bottom * sy + 0.5)};
    PlayEnhMetaFile(dc, emf, &onto);
    return CloseEnhMetaFile(dc);
}

TEST(ConformanceTest, ScenesMatchTheirReferences) {
    const std::vector<TScene> scenes = readScenes();
    ASSERT_EQ(scenes.size(), 138u);
    const auto baseline = readBaseline();
    const bool update = std::getenv("TALLYVANE_UPDATE_BASELINE") != nullptr;
    std::ostringstream table, fresh;
    table << "scene\tlimit\tplayed\troundtrip\n";
    int within = 0;
    for (const TScene& scene : scenes) {
        SCOPED_TRACE(scene.file);
        HENHMETAFILE emf = OpenAsEnhanced(ReadBytes(kShared + "/conformance/" + scene.file));
        ASSERT_NE(emf, nullptr);
        TImage reference;
        const std::string base = scene.file.substr(scene.file.find('/') + 1);
        ASSERT_TRUE(ReadPng(
            kShared + "/refs/conformance/" + base.substr(0, base.rfind('.')) + ".png", reference));
        const TImage played = play(emf, reference.width, reference.height);
        const double figure = PercentOff(played, reference);
        double again = 0;
        if (scene.file.rfind("emf/", 0) == 0) {
            HENHMETAFILE copy = recordAgain(emf);
            ASSERT_NE(copy, nullptr);
            again = PercentOff(play(copy, reference.width, reference.height), played);
            DeleteEnhMetaFile(copy);
        }
        DeleteEnhMetaFile(emf);
        char row[256];
        std::snprintf(row, sizeof row, "%s\t%.1f\t%.3f\t%.3f\n", base.c_str(), scene.limit, figure,
                      again);
        table << row;
        std::snprintf(row, sizeof row, "%s\t%.3f\t%.3f\n", base.c_str(), figure, again);
        fresh << row;
        if (figure <= scene.limit)
            ++within;
        if (update)
            continue;
        auto known = baseline.find(base);
        const double allowedPlayed =
            std::max(scene.limit, known != baseline.end() ? known->second.first + 0.5 : 0.0);
        const double allowedAgain =
            std::max(scene.limit, known != baseline.end() ? known->second.second + 0.5 : 0.0);
        EXPECT_LE(figure, allowedPlayed) << "played picture against the reference";
        EXPECT_LE(again, allowedAgain) << "recorded copy against the original";
    }
    std::printf("%s%d of %zu scenes within their limits\n", table.str().c_str(), within,
                scenes.size());
    if (update)
        std::ofstream(kBaseline) << fresh.str();
}

} // namespace
} // namespace tallyvane::metafile::test
