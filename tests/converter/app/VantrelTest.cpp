// Runs the built program the way a template macro does and reads the boxes it logged.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Vantrel : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vantrel-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "install");
        std::ofstream(m_dir / "registry.reg")
            << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\Tallyvane!]\n\"InstallPath\"=\""
            << (m_dir / "install").string() << "\"\n";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs Vantrel with arguments in the scratch directory; answers the exit status. headless
    // takes the display away; program is another copy of the program to run.
    int Run(const std::vector<std::string>& arguments, bool headless = false,
            const std::string& program = std::string(TALLYVANE_BIN_DIR) + "/Vantrel") {
        pid_t child = ::fork();
        if (child == 0) {
            fs::current_path(m_dir);
            ::setenv("TALLYVANE_REGISTRY", (m_dir / "registry.reg").c_str(), 1);
            ::setenv("TALLYVANE_MESSAGES", (m_dir / "messages.log").c_str(), 1);
            ::setenv("TALLYVANE_ANSWERS", "OK,OK,OK,OK,OK,OK,OK,OK", 1);
            ::setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            if (headless) {
                for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
                    ::unsetenv(name);
            }
            // Every shared object the dynamic linker maps, dlopen included, to loaded.<pid>.
            ::setenv("LD_DEBUG", "files", 1);
            ::setenv("LD_DEBUG_OUTPUT", (m_dir / "loaded").c_str(), 1);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            std::vector<std::string> copies(arguments);
            for (std::string& argument : copies)
                argv.push_back(argument.data());
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

    std::vector<std::string> Logged() const {
        std::vector<std::string> lines;
        std::ifstream in(m_dir / "messages.log");
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    fs::path m_dir;
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
        EXPECT_EQ(Run(c.arguments), 0);
        EXPECT_EQ(Logged(), c.logged);
    }
}

TEST_F(Vantrel, MissingInstallationRunsNoJob) {
    fs::remove_all(m_dir / "install");
    EXPECT_EQ(Run({"dbg:1", "at:NOPE"}), 0);
    EXPECT_EQ(Logged(), Lines{"information\tInformation\tTallyvane! is damaged!\\nTry reinstall "
                              "Tallyvane!. \tOK\tOK"});

    fs::remove(m_dir / "messages.log");
    fs::remove(m_dir / "registry.reg");
    EXPECT_EQ(Run({"dbg:1", "at:NOPE"}), 0);
    EXPECT_EQ(Logged(), (Lines{"error\tError\tCan't open Key Software\\Orvan\\Tallyvane!!\tOK\tOK",
                               "information\tInformation\tTallyvane! is damaged!\\nTry reinstall "
                               "Tallyvane!. \tOK\tOK"}));
}

// The toolkit stays out of jobs that show nothing and comes in with the first window; the
// windows then share the program's message boxes (the box below is logged by the program).
TEST_F(Vantrel, WindowsLoadOnlyWhenShown) {
    fs::copy_file(fs::path(TALLYVANE_SHARED_DIR) / "corpus" / "emf" / "e2s-test-001.emf",
                  m_dir / "page.emf");
    EXPECT_EQ(Run({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "oft:BMP"}), 0);
    EXPECT_TRUE(fs::exists(m_dir / "page.bmp"));
    EXPECT_FALSE(Loaded("VantrelWindows"));
    EXPECT_FALSE(Loaded("libQt6"));

    EXPECT_EQ(Run({"at:SPLASHSCREEN"}, true), 0);
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
    const std::string program = (alone / "Vantrel").string();

    EXPECT_EQ(Run({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "oft:BMP"},
                  false, program),
              0);
    EXPECT_TRUE(fs::exists(m_dir / "page.bmp"));

    EXPECT_EQ(Run({"at:SPLASHSCREEN"}, false, program), 0);
    EXPECT_EQ(Logged(), Lines{"error\tError\tThe about window cannot be shown: the windows are "
                              "not installed.\tOK\tOK"});
}

} // namespace
