// Runs the built program the way a template macro does and reads the boxes it logged.
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/converter/VantrelProcess.h"

namespace {

namespace fs = std::filesystem;

class Vantrel : public vantrel_test::VantrelProcess {
protected:
    // Runs the job with every box answered OK and the offscreen toolkit at hand; headless
    // takes the display away. Answers the exit status.
    int RunJob(const std::vector<std::string>& arguments, bool headless = false) {
        std::map<std::string, std::string> environment{
            {"TALLYVANE_ANSWERS", "OK,OK,OK,OK,OK,OK,OK,OK"},
            // Every shared object the dynamic linker maps, dlopen included, to loaded.<pid>.
            {"LD_DEBUG", "files"},
            {"LD_DEBUG_OUTPUT", (m_dir / "loaded").string()},
        };
        if (!headless)
            environment["QT_QPA_PLATFORM"] = "offscreen";
        return Run(arguments, environment).status;
    }

    // Whether the last runs mapped a shared object whose name holds part.
    bool Loaded(const std::string& part) const {
        for (const auto& entry : fs::directory_iterator(m_dir)) {
            if (entry.path().filename().string().rfind("loaded.", 0) != 0)
                continue;
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);)
                if (line.find("calling init: ") != std::string::npos &&
                    line.find(part) != std::string::npos)
                    return true;
        }
        return false;
    }
};

using Lines = std::vector<std::string>;

TEST_F(Vantrel, MessageScenarios) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        Lines logged;
    } cases[] = {
        {"no arguments ends silently", {}, {}},
        {"percent zero always warns",
         {"at:CONVERT", "osp:0"},
         {"error\tError\tIncorrect Scale.\\nSet to 100%.\tOK\tOK"}},
        {"bad percent stops the job",
         {"dbg:1", "osp:abc"},
         {"error\tError\tTallyvane!: Incorrect Percent Scale!\tOK\tOK"}},
        {"no job word",
         {"dbg:1", "at:NOPE"},
         {"information\tInformation\tTallyvane!: Job is completed.\tOK\tOK"}},
        {"missing input directory",
         {"dbg:1", "idn:/no/such", "at:CONVERT"},
         {"error\tError\tTallyvane!: Input Directory /no/such not exist! .\tOK\tOK"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(m_dir / "messages.log");
        EXPECT_EQ(RunJob(c.arguments), 0);
        EXPECT_EQ(Logged(), c.logged);
    }
}

TEST_F(Vantrel, MissingInstallationRunsNoJob) {
    fs::remove_all(m_dir / "install");
    EXPECT_EQ(RunJob({"dbg:1", "at:NOPE"}), 0);
    EXPECT_EQ(Logged(), Lines{"information\tInformation\tTallyvane! is damaged!\\nTry reinstall "
                              "Tallyvane!. \tOK\tOK"});

    fs::remove(m_dir / "messages.log");
    fs::remove(m_dir / "registry.reg");
    EXPECT_EQ(RunJob({"dbg:1", "at:NOPE"}), 0);
    EXPECT_EQ(Logged(), (Lines{"error\tError\tCan't open Key Software\\Orvan\\Tallyvane!!\tOK\tOK",
                               "information\tInformation\tTallyvane! is damaged!\\nTry reinstall "
                               "Tallyvane!. \tOK\tOK"}));
}

// The toolkit stays out of jobs that show nothing and comes in with the first window; the
// windows then share the program's message boxes (the box below is logged by the program).
TEST_F(Vantrel, WindowsLoadOnlyWhenShown) {
    fs::copy_file(fs::path(TALLYVANE_SHARED_DIR) / "corpus" / "emf" / "e2s-test-001.emf",
                  m_dir / "page.emf");
    EXPECT_EQ(RunJob({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "oft:BMP"}),
              0);
    EXPECT_TRUE(fs::exists(m_dir / "page.bmp"));
    EXPECT_FALSE(Loaded("VantrelWindows"));
    EXPECT_FALSE(Loaded("libQt6"));

    EXPECT_EQ(RunJob({"at:SPLASHSCREEN"}, true), 0);
    EXPECT_TRUE(Loaded("VantrelWindows"));
    EXPECT_EQ(Logged(), Lines{"error\tError\tThe about window needs a display, and there is none "
                              "(DISPLAY is not set).\tOK\tOK"});
}

// A program without its windows module still converts and says why a window cannot be shown.
TEST_F(Vantrel, RunsWithoutTheWindowsModule) {
    const fs::path alone = m_dir / "alone";
    fs::create_directories(alone);
    fs::copy_file(fs::path(TALLYVANE_BIN_DIR) / "Vantrel", alone / "Vantrel");
    fs::copy_file(fs::path(TALLYVANE_SHARED_DIR) / "corpus" / "emf" / "e2s-test-001.emf",
                  m_dir / "page.emf");
    m_program = alone / "Vantrel";

    EXPECT_EQ(RunJob({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "oft:BMP"}),
              0);
    EXPECT_TRUE(fs::exists(m_dir / "page.bmp"));

    EXPECT_EQ(RunJob({"at:SPLASHSCREEN"}), 0);
    EXPECT_EQ(Logged(), Lines{"error\tError\tThe about window cannot be shown: the windows are "
                              "not installed.\tOK\tOK"});
}

} // namespace
