// Vantrel on a machine without a display: the jobs that need a window say so once and write
// nothing; the others run as they always do and never start the window system.
#include "tests/converter/VantrelProcess.h"

namespace {

using namespace vantrel_test;

using Lines = std::vector<std::string>;
using NoDisplay = VantrelProcess;

const std::map<std::string, std::string> kNoDisplay;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(NoDisplay, APreviewSaysSoOnceAndConvertsNothing) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        const char* unwritten;
    } cases[] = {
        {"send mode",
         {"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "psn:3",
          "cem:SENDTOMAIL"},
         "page.jpg"},
        {"save mode",
         {"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "oft:BMP",
          "cem:SAVETOFILE"},
         "page.bmp"},
        {"a batch",
         {"at:CONVERTLIST", "idn:.", "odn:out", "ift:EMF", "oft:BMP", "cem:SENDTOMAIL"},
         "out/page.bmp"},
    };
    fs::create_directories(m_dir / "out");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WritePage("page.emf");
        fs::remove(m_dir / "messages.log");
        const TRun run = Run(c.arguments, kNoDisplay);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_FALSE(fs::exists(m_dir / c.unwritten));
        EXPECT_TRUE(fs::exists(m_dir / "page.emf")) << "nobody saw the page: its source stays";
        const Lines logged = Logged();
        ASSERT_EQ(logged.size(), 1u) << run.errors;
        EXPECT_EQ(logged[0],
                  "error\tError\tThe preview needs a display, and there is none (DISPLAY is not "
                  "set).\\nNothing has been converted.\tOK\tOK");
        // The one box is the one line on stderr; the window system was never asked.
        EXPECT_EQ(Count(run.errors, "needs a display"), 1u) << run.errors;
        EXPECT_EQ(run.errors.find("qt."), std::string::npos) << run.errors;
    }
}

TEST_F(NoDisplay, ADisplayThatDoesNotAnswerIsNoDisplay) {
    // Starting the window system there would end the program before it could say anything.
    WritePage("page.emf");
    const TRun run = Run(
        {"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "psn:3", "cem:SENDTOMAIL"},
        {{"DISPLAY", ":9999"}});
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_FALSE(fs::exists(m_dir / "page.jpg"));
    EXPECT_EQ(Logged(), Lines{"error\tError\tThe preview needs a display, and there is none (the "
                              "display :9999 cannot be reached).\\nNothing has been "
                              "converted.\tOK\tOK"});
}

TEST_F(NoDisplay, TheAboutWindowSaysSo) {
    const TRun run = Run({"at:SPLASHSCREEN"}, kNoDisplay);
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_EQ(Logged(), Lines{"error\tError\tThe about window needs a display, and there is none "
                              "(DISPLAY is not set).\tOK\tOK"});
}

TEST_F(NoDisplay, AJobWithoutAPreviewRunsAndNeverStartsTheWindowSystem) {
    // A display that cannot be reached: starting the window system there would end the
    // program, so a written picture shows it was never started.
    const std::map<std::string, std::string> unreachable = {{"DISPLAY", ":9999"}};
    for (const auto* display : {&kNoDisplay, &unreachable}) {
        SCOPED_TRACE(display->empty() ? "no display" : "unreachable display");
        WritePage("page.emf");
        fs::remove(m_dir / "page.jpg");
        fs::remove(m_dir / "messages.log");
        const TRun run =
            Run({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "psn:3", "osp:50"},
                *display);
        EXPECT_EQ(run.status, 0) << run.errors;
        EXPECT_TRUE(fs::exists(m_dir / "page.jpg"));
        EXPECT_EQ(Logged(), Lines{});
    }
}

} // namespace
