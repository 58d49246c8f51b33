// Vantrel with its real windows on a virtual X display: the preview is shown by the xcb platform,
// its buttons are pressed through TALLYVANE_PRESS, and the pictures land where they should.
#include "tests/converter/VantrelProcess.h"

namespace {

using namespace vantrel_test;

// Each test gets its own virtual display of 1280 x 1024; the server picks a free display number
// itself, so tests may run side by side.
class LivePreview : public VantrelProcess {
protected:
    void SetUp() override {
        if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "Xvfb (xvfb-run) is not installed";
        }
        VantrelProcess::SetUp();
        WritePage("page.emf");
        ASSERT_TRUE(StartServer());
    }
    void TearDown() override {
        if (m_server > 0) {
            ::kill(m_server, SIGTERM);
            ::waitpid(m_server, nullptr, 0);
        }
        VantrelProcess::TearDown();
    }

    bool StartServer() {
        int pipe[2];
        if (::pipe(pipe) != 0) {
            return false;
        }
        m_server = ::fork();
        if (m_server == 0) {
            ::close(pipe[0]);
            const std::string fd = std::to_string(pipe[1]);
            if (!std::freopen("/dev/null", "w", stderr)) {
                ::_exit(126);
            }
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipe[1]);
        // The server writes its display number once it accepts connections.
        std::string number;
        char c = 0;
        while (::read(pipe[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(pipe[0]);
        m_display = ":" + number;
        return m_server > 0 && !number.empty();
    }

    TRun RunLive(const std::vector<std::string>& arguments, const std::string& presses) {
        return Run(
            arguments,
            {{"DISPLAY", m_display}, {"QT_QPA_PLATFORM", "xcb"}, {"TALLYVANE_PRESS", presses}},
            std::chrono::seconds(90));
    }

    pid_t m_server = -1;
    std::string m_display;
};

const std::vector<std::string> kSendJob = {"at:CONVERT", "st:FILE", "dt:FILE",       "ifn:page.emf",
                                           "ofn:page",   "psn:3",   "cem:SENDTOMAIL"};

TEST_F(LivePreview, SendWritesThePicture) {
    const TRun run = RunLive(kSendJob, "Send");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.errors.find("Pressed \"Send\" in \"Tallyvane!  Preview\" (xcb)"),
              std::string::npos)
        << run.errors;
    EXPECT_TRUE(fs::exists(m_dir / "page.jpg"));
    EXPECT_TRUE(Logged().empty());
}

TEST_F(LivePreview, CancelWritesNothing) {
    const TRun run = RunLive(kSendJob, "Cancel");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.errors.find("Pressed \"Cancel\""), std::string::npos) << run.errors;
    EXPECT_FALSE(fs::exists(m_dir / "page.jpg"));
}

TEST_F(LivePreview, SaveGoesThroughTheChooserAndRemembersTheDirectory) {
    fs::create_directories(m_dir / "config");
    const TRun run = RunLive({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page",
                              "oft:BMP", "cem:SAVETOFILE"},
                             "Save,Ok");
    ASSERT_EQ(run.status, 0) << run.errors;
    EXPECT_NE(run.errors.find("Pressed \"Ok\" in \"Tallyvane!  Directory\" (xcb)"),
              std::string::npos)
        << run.errors;
    // The chooser opens on the directory of the target.
    EXPECT_TRUE(fs::exists(m_dir / "page.bmp"));
    const std::string registry = ReadText(m_dir / "registry.reg");
    EXPECT_NE(registry.find("\"SavePath\"=\"" + m_dir.string() + "/\""), std::string::npos)
        << registry;
}

} // namespace
