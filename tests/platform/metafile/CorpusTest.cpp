// Every file of the corpus, damaged ones included, opens and plays without a crash or a hang.
// Fidelity against the references is tracked by scripts/fidelity, not here.
#include <gtest/gtest.h>

#include <chrono>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>

#include "MetafileTestUtil.h"

namespace tallyvane::metafile::test {
namespace {

const std::string kCorpus = std::string(TALLYVANE_SHARED_DIR) + "/corpus";

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir((kCorpus + "/" + folder).c_str())) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.')
                names.push_back(folder + "/" + entry->d_name);
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::map<std::string, std::pair<int, int>> referenceSizes() {
    std::map<std::string, std::pair<int, int>> sizes;
    std::ifstream in(std::string(TALLYVANE_SHARED_DIR) + "/refs/corpus/SIZES.tsv");
    std::string name;
    int w, h;
    std::string header;
    std::getline(in, header);
    while (in >> name >> w >> h)
        sizes[name] = {w, h};
    return sizes;
}

class CorpusTest : public testing::TestWithParam<const char*> {};

TEST_P(CorpusTest, EveryFilePlaysToTheEnd) {
    const auto sizes = referenceSizes();
    const std::vector<std::string> files = filesIn(GetParam());
    ASSERT_FALSE(files.empty());
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        const auto start = std::chrono::steady_clock::now();
        HENHMETAFILE emf = OpenAsEnhanced(ReadBytes(kCorpus + "/" + file));
        if (!emf)
            continue; // not a metafile at all: refused cleanly
        int width = 0, height = 0;
        auto known = sizes.find(file);
        if (known != sizes.end()) {
            width = known->second.first;
            height = known->second.second;
        } else {
            DefaultSize(emf, width, height);
        }
        {
            TCanvas canvas(std::min(width, 2000), std::min(height, 2000));
            RECT all{0, 0, canvas.width(), canvas.height()};
            PlayEnhMetaFile(canvas.dc(), emf, &all);
        }
        DeleteEnhMetaFile(emf);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 20.0) << "far too slow: a loop that does not end?";
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, CorpusTest, testing::Values("emf", "wmf", "damaged"));

} // namespace
} // namespace tallyvane::metafile::test
