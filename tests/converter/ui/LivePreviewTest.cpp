// Vantrel with its real windows on a virtual X display: the preview is shown by the xcb platform,
// its buttons are pressed through TALLYVANE_PRESS or by the server's own mouse, and the pictures
// land where they should.
#include "tests/converter/VantrelProcess.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <future>
#include <optional>
#include <utility>

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
        StopServer();
        VantrelProcess::TearDown();
    }

    // Ends the server, and with it every client still connected.
    void StopServer() {
        if (m_server > 0) {
            ::kill(m_server, SIGTERM);
            ::waitpid(m_server, nullptr, 0);
            m_server = -1;
        }
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
            // Without -noreset the server starts over whenever its last client leaves, and a
            // client connecting at that moment is refused: a short-lived xdotool could then keep
            // Vantrel from ever reaching the display.
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
                     "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
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

    // Runs an X client on the virtual display and answers what it printed; empty on failure.
    std::string OnDisplay(const std::string& command) const {
        const std::string line = "DISPLAY=" + m_display + " " + command + " 2>/dev/null";
        std::string output;
        if (FILE* pipe = ::popen(line.c_str(), "r")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
                output.append(buffer, n);
            }
            if (::pclose(pipe) != 0) {
                output.clear();
            }
        }
        return output;
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

// The mouse of the X server, moved and pressed by xdotool, pans the picture; ImageMagick's import
// reads the screen back. The page is strewn with small boxes of uneven sizes and spacing, so that
// every part of it shows something and no two places look alike: how far the picture moved can
// be read off two pictures of the view.
class LiveMouse : public LivePreview {
protected:
    void SetUp() override {
        for (const std::string tool : {"xdotool", "import"}) {
            if (std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) != 0) {
                GTEST_SKIP() << tool << " is not installed";
            }
        }
        LivePreview::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        EmfBuilder page({0, 0, 399, 199}, {0, 0, 9999, 4999});
        for (int row = 0; row < 10; ++row) {
            for (int column = 0; column < 20; ++column) {
                const int left = column * 20 + (row * 7 + column * 3) % 9;
                const int top = row * 20 + (row * 3 + column * 5) % 7;
                page.Rectangle(left, top, std::min(left + 4 + (row + 2 * column) % 9, 398),
                               std::min(top + 3 + (2 * row + column) % 8, 198));
            }
        }
        const std::vector<std::uint8_t> bytes = page.Bytes();
        std::ofstream(m_dir / "page.emf", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // A part of the screen, in screen pixels.
    struct TArea {
        int x = 0, y = 0, width = 0, height = 0;
    };

    // Where the window of that title lies once it is shown.
    std::optional<TArea> FindWindow(const std::string& title) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string id =
                OnDisplay("xdotool search --onlyvisible --name '^" + title + "$'");
            TArea area;
            if (!id.empty() && std::sscanf(OnDisplay("xdotool getwindowgeometry --shell " +
                                                     id.substr(0, id.find('\n')))
                                               .c_str(),
                                           "WINDOW=%*d X=%d Y=%d WIDTH=%d HEIGHT=%d", &area.x,
                                           &area.y, &area.width, &area.height) == 4) {
                return area;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return std::nullopt;
    }

    // Runs xdotool with actions; true when it did them all.
    bool Xdo(const std::string& actions) const {
        return OnDisplay("xdotool " + actions + " && echo done") == "done\n";
    }

    // The xdotool actions of a drag from (x, y) by (dx, dy) with button, in steps moves, with
    // key held down throughout.
    static std::string Drag(int x, int y, int dx, int dy, int button, int steps = 2,
                            const char* key = nullptr) {
        const std::string b = std::to_string(button);
        std::string actions;
        if (key) {
            actions += std::string("keydown ") + key + " ";
        }
        actions += "mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown " + b;
        for (int step = 1; step <= steps; ++step) {
            actions += " sleep 0.1 mousemove " + std::to_string(x + dx * step / steps) + " " +
                       std::to_string(y + dy * step / steps);
        }
        actions += " sleep 0.1 mouseup " + b;
        if (key) {
            actions += std::string(" keyup ") + key;
        }
        return actions;
    }

    // The pixels of area, three bytes (red, green, blue) each, row by row; empty on failure.
    std::string Grab(const TArea& area) const {
        std::string shot =
            OnDisplay("import -window root -crop " + std::to_string(area.width) + "x" +
                      std::to_string(area.height) + "+" + std::to_string(area.x) + "+" +
                      std::to_string(area.y) + " -depth 8 rgb:-");
        if (shot.size() != static_cast<std::size_t>(area.width) * area.height * 3) {
            shot.clear();
        }
        return shot;
    }

    // Grabs area until a grab satisfies condition, for at most a minute; that grab, or empty.
    std::string WaitForShot(const TArea& area,
                            const std::function<bool(const std::string&)>& condition) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            const std::string shot = Grab(area);
            if (!shot.empty() && condition(shot)) {
                return shot;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return {};
    }

    // The picture of area once it satisfies condition and then holds still for over a second.
    std::string Settled(const TArea& area,
                        const std::function<bool(const std::string&)>& condition) const {
        std::string last = WaitForShot(area, condition);
        for (int same = 0; !last.empty() && same < 4;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const std::string shot = Grab(area);
            same = shot == last ? same + 1 : 0;
            last = shot;
        }
        return last;
    }

    // The pan from before to after, two pictures of a view width pixels wide: the (dx, dy)
    // within slack of (expectX, expectY) for which after shows at (x, y) what before showed at
    // (x + dx, y + dy). Only the page's drawing counts, the pixels dark in either picture, as
    // the paper between looks the same wherever it is; none when no shift matches 95 % of them
    // or the overlap holds too little drawing to tell.
    static std::optional<std::pair<int, int>> FindShift(const std::string& before,
                                                        const std::string& after, int width,
                                                        int expectX, int expectY, int slack) {
        const int height = static_cast<int>(after.size() / 3) / width;
        const auto pixel = [width](const std::string& shot, int x, int y) {
            return shot.data() + (static_cast<std::size_t>(y) * width + x) * 3;
        };
        const auto dark = [](const char* rgb) {
            return static_cast<unsigned char>(rgb[0]) < 160 ||
                   static_cast<unsigned char>(rgb[1]) < 160 ||
                   static_cast<unsigned char>(rgb[2]) < 160;
        };
        std::optional<std::pair<int, int>> best;
        double bestMismatch = 0.05;
        for (int dy = expectY - slack; dy <= expectY + slack; ++dy) {
            for (int dx = expectX - slack; dx <= expectX + slack; ++dx) {
                int drawn = 0, mismatches = 0;
                for (int y = std::max(0, -dy); y < std::min(height, height - dy); y += 2) {
                    for (int x = std::max(0, -dx); x < std::min(width, width - dx); ++x) {
                        const char* now = pixel(after, x, y);
                        const char* then = pixel(before, x + dx, y + dy);
                        if (dark(now) || dark(then)) {
                            ++drawn;
                            mismatches += std::memcmp(now, then, 3) != 0;
                        }
                    }
                }
                const double mismatch = drawn ? double(mismatches) / drawn : 1.0;
                if (drawn >= 200 && mismatch < bestMismatch) {
                    bestMismatch = mismatch;
                    best = std::make_pair(dx, dy);
                }
            }
        }
        return best;
    }
};

// Runs action when the scope ends, however it ends.
struct TAtExit {
    std::function<void()> action;
    ~TAtExit() { action(); }
};

TEST_F(LiveMouse, OnlyTheLeftButtonAlonePansAndPanningStopsAtTheEdges) {
    // At 400 % the page is 1600 x 800 pixels, larger than the view both ways.
    auto job = std::async(std::launch::async, [this] {
        return Run({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "psn:3",
                    "osp:400", "cem:SENDTOMAIL"},
                   {{"DISPLAY", m_display}, {"QT_QPA_PLATFORM", "xcb"}}, std::chrono::seconds(240));
    });
    // A test that stops early takes the display away, which ends the job at once.
    const TAtExit stop{[this] { StopServer(); }};

    const std::optional<TArea> window = FindWindow("Tallyvane!  Preview");
    ASSERT_TRUE(window) << "the preview was never shown";
    // The page view: the window left of the 89 pixels wide column, less a margin for the bevel.
    const TArea view{window->x + 8, window->y + 8, window->width - 89 - 16, window->height - 16};
    ASSERT_GT(view.width, 200);
    ASSERT_GT(view.height, 200);
    const int middleX = view.x + view.width / 2;
    const int middleY = view.y + view.height / 2;

    // The first picture shows the page's top-left corner: mostly paper.
    const std::string first = Settled(view, [](const std::string& shot) {
        std::size_t paper = 0;
        for (std::size_t i = 0; i < shot.size(); i += 3) {
            paper += static_cast<unsigned char>(shot[i]) > 200 &&
                     static_cast<unsigned char>(shot[i + 2]) > 200;
        }
        return paper > shot.size() / 3 / 2;
    });
    ASSERT_FALSE(first.empty()) << "the view never showed the page";

    // The right button, and the left one with a modifier key held, leave the picture alone.
    // Each is compared with the picture before it, so that a failure names the drag that moved.
    std::string before = first;
    for (const auto& [button, key] :
         {std::pair<int, const char*>{3, nullptr}, {1, "ctrl"}, {1, "shift"}, {1, "alt"}}) {
        SCOPED_TRACE("button " + std::to_string(button) + (key ? std::string(" with ") + key : ""));
        ASSERT_TRUE(Xdo(Drag(middleX, middleY, -120, -100, button, 2, key)));
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const std::string after = Grab(view);
        EXPECT_TRUE(after == before) << "the picture moved";
        before = after.empty() ? before : after;
    }

    // The left button alone moves the picture with the mouse. Had any drag above moved it too,
    // it would now be twice as far.
    ASSERT_TRUE(Xdo(Drag(middleX, middleY, -120, -100, 1)));
    EXPECT_FALSE(
        WaitForShot(view,
                    [&](const std::string& shot) {
                        return FindShift(first, shot, view.width, 120, 100, 15).has_value();
                    })
            .empty())
        << "the picture did not follow the mouse";

    // Dragged far beyond the page's start, the view stops at its first pixel, where it began.
    ASSERT_TRUE(Xdo(Drag(view.x + 10, view.y + 10, view.width - 20, view.height - 20, 1)));
    EXPECT_FALSE(WaitForShot(view, [&](const std::string& shot) { return shot == first; }).empty())
        << "the view did not come back to the page's start";

    // Dragged up by more than the page has left below, the view stops at the page's foot:
    // dragging on shows nothing new. One step each, so that the first picture that holds still
    // is the last one.
    ASSERT_TRUE(Xdo(Drag(middleX, view.y + view.height - 10, 0, -(view.height - 20), 1, 1)));
    const std::string foot = Settled(view, [&](const std::string& shot) { return shot != first; });
    ASSERT_FALSE(foot.empty());
    ASSERT_TRUE(Xdo(Drag(middleX, middleY, 0, -100, 1, 1)));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_TRUE(Grab(view) == foot) << "the view went past the page's foot";

    // Cancel, in the column at the foot of the window, ends the job without a picture.
    const int cancelX = window->x + window->width - 89 + 7 + 38;
    const int cancelY = window->y + window->height - (431 - 336) + 11;
    ASSERT_TRUE(
        Xdo("mousemove " + std::to_string(cancelX) + " " + std::to_string(cancelY) + " click 1"));
    const TRun run = job.get();
    EXPECT_EQ(run.status, 0) << run.errors;
    EXPECT_FALSE(fs::exists(m_dir / "page.jpg"));
    EXPECT_TRUE(Logged().empty());
}

} // namespace
