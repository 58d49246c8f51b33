// The two programs as processes: started without a switch they change nothing, and an
// installation by the setup, Dotferry and Dotsweep leaves nothing of the product behind but the
// type library.
#include "common/RegistryStrings.h"
#include "tests/common/Sandbox.h"

#include <sys/wait.h>

#include <cstdio>

namespace {

using namespace sandbox;

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs a command without a display, answering its exit status; standard output goes to *out.
int RunCommand(const std::string& command, std::string* out = nullptr) {
    std::string line = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " + command;
    std::FILE* pipe = ::popen(line.c_str(), "r");
    if (!pipe)
        return -1;
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    int status = ::pclose(pipe);
    if (out)
        *out = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string Program(const char* name) {
    return Quote(std::string(TALLYVANE_BIN_DIR) + "/" + name);
}

TEST(Programs, WithoutSwitchOnlyShowTheVersion) {
    struct Case {
        const char* program;
        const char* arguments;
        const char* firstLine;
    };
    const Case cases[] = {{"Dotferry", "", "Dotferry\u2122 v1.1.2"},
                          {"Dotferry", "install", "Dotferry\u2122 v1.1.2"},
                          {"Dotsweep", "", "Dotsweep\u2122 v1.1.1"},
                          {"Dotsweep", "pause", "Dotsweep\u2122 v1.1.1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " " + c.arguments);
        TSandbox box;
        fs::path install = box.Root() / "install";
        fs::path startup = box.Root() / "Startup";
        WriteFile(startup / "sTallyvaneXP.dot", "template");
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", install.string());
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", startup.string());
        TSandbox::CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\10.0\\Word\\Options");
        std::string registry = ReadFile(box.Registry());

        std::string out;
        EXPECT_EQ(RunCommand(Program(c.program) + " " + c.arguments, &out), 0);
        EXPECT_EQ(SplitLines(out), (std::vector<std::string>{
                                       c.firstLine, "Integrated part of Tallyvane!\u2122 v1.0.0",
                                       "http://www.orvan.com"}));
        EXPECT_EQ(ReadFile(box.Registry()), registry);
        EXPECT_FALSE(fs::exists(install / "Dotferry.log"));
        EXPECT_TRUE(fs::exists(startup / "sTallyvaneXP.dot"));
        EXPECT_FALSE(fs::exists(box.Messages()));
    }
}

TEST(Programs, DebugModePrintsTheResultsWithoutADisplay) {
    TSandbox box;
    std::string out;
    EXPECT_EQ(RunCommand(Program("Dotsweep") + " DEBUG", &out), 0);
    std::vector<std::string> lines = SplitLines(out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "debug : YES;");
    EXPECT_EQ(lines.back(), "lResDelDotsweep[1]  = 0;");
}

// The installation folder as the product's setup leaves it, with InstallPath recorded. Uses the
// setup script when there is one, else places the same files itself.
std::optional<std::string> PlaceProduct(const TSandbox& box) {
    const fs::path prefix = box.Root() / "Program Files" / "Tallyvane!";
    const fs::path setup = fs::path(TALLYVANE_SOURCE_DIR) / "scripts" / "setup-product";
    if (fs::exists(setup)) {
        EXPECT_EQ(RunCommand(Quote(setup.string()) + " --prefix " + Quote(prefix.string()) +
                             " >/dev/null"),
                  0);
    } else {
        for (const char* name : {"sTallyvane97.dot", "sTallyvane2k.dot", "sTallyvaneXP.dot",
                                 "MSOUTL8.OL_", "MSOUTL9.OL_", "MSOUTL.OL_"})
            WriteFile(prefix / name, name);
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", prefix.string());
    }
    return TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath");
}

TEST(Programs, SetupInstallAndRemoveLeaveOnlyTheLibrary) {
    // Headless, and with the status windows shown on an off-screen display.
    for (const char* display : {"", "QT_QPA_PLATFORM=offscreen "}) {
        SCOPED_TRACE(*display ? "window" : "headless");
        TSandbox box;
        auto install = PlaceProduct(box);
        ASSERT_TRUE(install.has_value());

        // The user's office: XP, with its start-up folder's parent in place and an office folder
        // without the mail client's library; a start-up folder recorded by an earlier install; the
        // values the product keeps.
        const fs::path word = box.Root() / "Word";
        const fs::path startup = word / "Startup";
        const fs::path earlier = box.Root() / "Earlier";
        const fs::path office = box.Root() / "Office";
        fs::create_directories(word);
        fs::create_directories(office);
        WriteFile(earlier / "sTallyvane2k.dot", "earlier template");
        WriteFile(earlier / "~$allyvane2k.dot", "owner");
        TSandbox::SetValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\10.0\\Word\\Options",
                           "STARTUP-PATH", startup.string());
        TSandbox::SetValue(HKEY_LOCAL_MACHINE,
                           "Software\\Microsoft\\Office\\10.0\\Common\\InstallRoot", "Path",
                           office.string());
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", earlier.string());
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "Version", "1.0.0");
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "SavePath", "/pictures");

        std::string out;
        ASSERT_EQ(RunCommand(display + Program("Dotferry") + " pause", &out), 0);
        EXPECT_EQ(out, "");
        EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath2"), startup.string());
        EXPECT_TRUE(fs::exists(startup / "sTallyvaneXP.dot"));
        EXPECT_TRUE(fs::exists(office / "MSOUTL.OLB"));
        EXPECT_NE(ReadFile(fs::path(*install) / "Dotferry.log").find("lResultSave   = True\n"),
                  std::string::npos);
        WriteFile(startup / "~$allyvaneXP.dot", "owner");

        ASSERT_EQ(RunCommand(display + Program("Dotsweep") + " maxpause", &out), 0);
        EXPECT_EQ(out, "");
        for (int k = 1; k <= 41; ++k)
            EXPECT_EQ(
                TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath" + std::to_string(k)),
                std::nullopt)
                << k;
        for (const char* name : {"InstallPath", "SavePath", "Version"})
            EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, name), std::nullopt) << name;
        for (const auto& folder : {startup, earlier})
            for (const auto& entry : fs::directory_iterator(folder))
                ADD_FAILURE() << "left behind: " << entry.path();
        EXPECT_FALSE(fs::exists(fs::path(*install) / "Dotferry.log"));
        EXPECT_FALSE(fs::exists(fs::path(*install) / "Dotsweep.log"));
        EXPECT_TRUE(fs::exists(office / "MSOUTL.OLB"));
    }
}

} // namespace
