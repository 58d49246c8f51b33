#include "installer/Dotferry.h"

#include "common/RegistryStrings.h"
#include "common/RunMode.h"
#include "tests/common/Sandbox.h"

#include <regex>

namespace {

using namespace sandbox;

constexpr const char* kOffice = "Software\\Microsoft\\Office\\";

class DotferryTest : public ::testing::Test {
protected:
    void SetUp() override { ResetFerry(kRunModePause); }

    // The installation folder as the setup leaves it: three templates and three packed
    // libraries, named in the product key.
    fs::path Install(const TSandbox& box) {
        fs::path install = box.Root() / "Program Files" / "Tallyvane!";
        for (const char* name : {"sTallyvane97.dot", "sTallyvane2k.dot", "sTallyvaneXP.dot",
                                 "MSOUTL8.OL_", "MSOUTL9.OL_", "MSOUTL.OL_"})
            WriteFile(install / name, std::string("contents of ") + name);
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", install.string());
        return install;
    }

    // An office version with its options key; a start-up value and an office folder when given.
    static void Office(const std::string& version, const std::optional<fs::path>& startup,
                       const std::optional<fs::path>& officeFolder) {
        std::string options = kOffice + version + "\\Word\\Options";
        TSandbox::CreateKey(HKEY_CURRENT_USER, options);
        if (startup)
            TSandbox::SetValue(HKEY_CURRENT_USER, options, "STARTUP-PATH", startup->string());
        if (officeFolder) {
            std::string root = kOffice + version + "\\Common\\InstallRoot";
            TSandbox::SetValue(HKEY_LOCAL_MACHINE, root, version == "8.0" ? "OfficeBin" : "Path",
                               officeFolder->string());
        }
    }

    static std::string Log() {
        SYSTEMTIME time{};
        return FormatInstallLog(time);
    }

    static int CountLines(const std::string& text, const std::string& prefix) {
        int count = 0;
        for (const auto& line : SplitLines(text))
            count += line.rfind(prefix, 0) == 0;
        return count;
    }
};

TEST_F(DotferryTest, DetectsOfficeVersionFromNewestKey) {
    struct Case {
        const char* name;
        std::vector<std::string> keys;
        int number;
        const char* text;
        bool box;
    };
    const Case cases[] = {
        {"nothing installed", {}, 99, "99", true},
        {"2003 beside XP", {"11.0", "10.0"}, 99, "99", true},
        {"XP beside 2000", {"10.0", "9.0"}, 10, "10.0", false},
        {"2000", {"9.0"}, 9, "9.0", false},
        {"97", {"8.0"}, 8, "8.0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSandbox box;
        Install(box);
        for (const auto& key : c.keys)
            TSandbox::CreateKey(HKEY_CURRENT_USER, kOffice + key);
        ResetFerry(kRunModePause);
        RunInstallSteps();
        EXPECT_EQ(Ferry.OfficeVersionNumber, c.number);
        EXPECT_EQ(Ferry.OfficeVersionText, c.text);
        EXPECT_EQ(Ferry.OptionsKey, std::string(kOffice) + c.text + "\\Word\\Options");
        std::string messages = ReadFile(box.Messages());
        EXPECT_EQ(messages.find("Microsoft Office is not installed or it's version is not "
                                "supported.") != std::string::npos,
                  c.box)
            << messages;
        if (c.box) {
            EXPECT_TRUE(Ferry.TemplateName.empty());
            EXPECT_EQ(Ferry.LibraryCopied, 0);
            EXPECT_EQ(Ferry.TemplateCopied, 0);
        }
    }
}

TEST_F(DotferryTest, Office97WithoutStartupValueWritesTheDerivedFolder) {
    TSandbox box;
    fs::path install = Install(box);
    Office("8.0", std::nullopt, std::nullopt);
    RunInstallSteps();

    std::string expected =
        (box.Root() / "Program Files" / "Microsoft Office/Office/STARTUP").string();
    EXPECT_EQ(TSandbox::Value(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\8.0\\Word\\Options",
                              "STARTUP-PATH"),
              expected);
    EXPECT_EQ(Ferry.StartupFolder, expected);
    EXPECT_EQ(Ferry.StartupResult, "True");
    EXPECT_EQ(Ferry.SetStartup, 1);
    EXPECT_EQ(Ferry.ResultCreateStartUp, 1);
    EXPECT_EQ(CountLines(Log(), "lSpecialFolderTxt = "), 0);
    EXPECT_EQ(Ferry.TemplateName, "sTallyvane97.dot");
}

TEST_F(DotferryTest, Office97RuleFallsBackToApplicationData) {
    struct Case {
        const char* name;
        const char* installPath; // nullptr: the options key is missing, so the write fails
        BOOL setStartup;
        bool skippedNote;
    };
    const Case cases[] = {
        {"options key missing", nullptr, 1, false},
        {"install path too short", "/opt/tv", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSandbox box;
        Install(box);
        if (c.installPath) {
            TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", c.installPath);
            Office("8.0", std::nullopt, std::nullopt);
        } else {
            TSandbox::CreateKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Office\\8.0");
        }
        ResetFerry(kRunModePause);
        RunInstallSteps();
        EXPECT_EQ(Ferry.SetStartup, c.setStartup);
        EXPECT_EQ(Ferry.ResultCreateStartUp, 0);
        EXPECT_EQ(Ferry.StartupResult, "False");
        EXPECT_EQ(Ferry.StartupFolder, (box.AppData() / "Microsoft/Word/Startup").string());
        EXPECT_EQ(TSandbox::Value(HKEY_CURRENT_USER,
                                  "Software\\Microsoft\\Office\\8.0\\Word\\Options",
                                  "STARTUP-PATH"),
                  std::nullopt);
        std::string log = Log();
        EXPECT_EQ(CountLines(log, "lSpecialFolderTxt = " + box.AppData().string()), 1);
        EXPECT_EQ(CountLines(log, "Skipped : STARTUP-PATH not derived"), c.skippedNote ? 1 : 0);
    }
}

TEST_F(DotferryTest, Office2000NamesTheStartupFolderFromItsGeneralKey) {
    struct Case {
        const char* name;
        std::optional<std::string> startupName;
        const char* folder;
    };
    const Case cases[] = {{"named", "Autostart", "Autostart"},
                          {"unnamed", std::nullopt, "STARTUP"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSandbox box;
        Install(box);
        Office("9.0", std::nullopt, std::nullopt);
        if (c.startupName)
            TSandbox::SetValue(HKEY_CURRENT_USER,
                               "Software\\Microsoft\\Office\\9.0\\Common\\General", "Startup",
                               *c.startupName);
        ResetFerry(kRunModePause);
        RunInstallSteps();
        EXPECT_EQ(Ferry.StartupFolder, (box.AppData() / "Microsoft/Word" / c.folder).string());
        EXPECT_EQ(Ferry.TemplateName, "sTallyvane2k.dot");
    }
}

TEST_F(DotferryTest, RecordsTheFirstFreeSlotAndPlacesTheTemplate) {
    TSandbox box;
    fs::path install = Install(box);
    fs::create_directories(box.Root() / "Word");
    fs::path startup = box.Root() / "Word" / "Startup";
    Office("10.0", startup, std::nullopt);
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", "/elsewhere/one");
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath2", "/elsewhere/two");
    RunInstallSteps();

    EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath3"), startup.string());
    EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath4"), std::nullopt);
    EXPECT_EQ(Ferry.SaveResult, "True");
    EXPECT_EQ(Ferry.DirectoryCreated, 1);
    EXPECT_EQ(Ferry.TemplateCopied, 1);
    EXPECT_EQ(ReadFile(startup / "sTallyvaneXP.dot"), "contents of sTallyvaneXP.dot");
    EXPECT_EQ(CountLines(Log(), "lvPathMacro[numUser] = "), 2);
}

TEST_F(DotferryTest, SlotNamingTheFolderInOtherCaseRewritesTheTemplateOnly) {
    TSandbox box;
    Install(box);
    fs::path startup = box.Root() / "Startup";
    WriteFile(startup / "sTallyvaneXP.dot", "an older template");
    Office("10.0", startup, std::nullopt);
    std::string upper = startup.string();
    for (char& ch : upper)
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", "/elsewhere/one");
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath2", upper);
    std::string registryBefore = ReadFile(box.Registry());
    RunInstallSteps();

    EXPECT_EQ(ReadFile(box.Registry()), registryBefore);
    EXPECT_EQ(Ferry.SaveResult, "True(ReWrite)");
    EXPECT_EQ(Ferry.TemplateCopied, 1);
    EXPECT_EQ(Ferry.DirectoryCreated, 0); // it exists already
    EXPECT_EQ(ReadFile(startup / "sTallyvaneXP.dot"), "contents of sTallyvaneXP.dot");
    EXPECT_EQ(CountLines(Log(), "lvPathMacro[numUser] = "), 2);
}

TEST_F(DotferryTest, NeverReplacesAnExistingLibrary) {
    for (bool present : {true, false}) {
        SCOPED_TRACE(present ? "library present" : "library missing");
        TSandbox box;
        fs::path install = Install(box);
        fs::path office = box.Root() / "Office";
        fs::create_directories(office);
        if (present)
            WriteFile(office / "MSOUTL.OLB", "the mail client's own library");
        Office("10.0", box.Root() / "Startup", office);
        ResetFerry(kRunModePause);
        RunInstallSteps();
        EXPECT_EQ(Ferry.LibraryCopied, present ? 0 : 1);
        EXPECT_EQ(Ferry.LibrarySource, (install / "MSOUTL.OL_").string());
        EXPECT_EQ(ReadFile(office / "MSOUTL.OLB"),
                  present ? "the mail client's own library" : "contents of MSOUTL.OL_");
        EXPECT_NE(Log().find(present ? "lResultSaveOutlk = 0 (False)\n"
                                     : "lResultSaveOutlk = 1 (True)\n"),
                  std::string::npos);
    }
}

TEST_F(DotferryTest, WritesNothingWhenEverySlotNamesAnotherFolder) {
    TSandbox box;
    Install(box);
    fs::path startup = box.Root() / "Startup";
    Office("10.0", startup, std::nullopt);
    for (int k = 1; k <= 41; ++k)
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath" + std::to_string(k),
                           "/elsewhere/" + std::to_string(k));
    RunInstallSteps();
    EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath42"), std::nullopt);
    EXPECT_EQ(Ferry.UserPaths.size(), 41u);
    EXPECT_EQ(Ferry.SaveResult, "");
    EXPECT_EQ(Ferry.TemplateCopied, 0);
    EXPECT_FALSE(fs::exists(startup));
    EXPECT_EQ(CountLines(Log(), "lvPathMacro[numUser] = "), 41);
}

TEST_F(DotferryTest, WithoutApplicationDataRecordsNoFolder) {
    TSandbox box;
    Install(box);
    Office("10.0", std::nullopt, std::nullopt);
    ::setenv("TALLYVANE_APPDATA", (box.Root() / "no-such-folder").c_str(), 1);
    RunInstallSteps();
    EXPECT_EQ(Ferry.StartupFolder, std::nullopt);
    EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1"), std::nullopt);
    EXPECT_EQ(Ferry.SaveResult, "");
    EXPECT_EQ(Ferry.DirectoryCreated, 0);
    EXPECT_EQ(Ferry.TemplateCopied, 0);
    EXPECT_FALSE(fs::exists(fs::path("/Microsoft/Word/Startup")));
    std::string log = Log();
    EXPECT_EQ(CountLines(log, "Skipped : start-up folder unknown"), 1);
    EXPECT_EQ(CountLines(log, "Skipped : nothing recorded or copied"), 1);
}

TEST_F(DotferryTest, WithoutInstallPathSkipsCopiesSlotsAndLog) {
    TSandbox box;
    fs::path office = box.Root() / "Office";
    fs::create_directories(office);
    Office("10.0", box.Root() / "Startup", office);
    RunInstallSteps();
    EXPECT_EQ(Ferry.InstallPath, std::nullopt);
    EXPECT_TRUE(Ferry.UserPaths.empty());
    EXPECT_EQ(Ferry.LibraryCopied, 0);
    EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1"), std::nullopt);
    EXPECT_FALSE(WriteInstallLog());
    EXPECT_FALSE(fs::exists("/Dotferry.log"));
}

TEST_F(DotferryTest, SkipsTheLogWhenItCannotBeOpened) {
    TSandbox box;
    const fs::path missing = box.Root() / "removed install";
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", missing.string());
    Office("10.0", box.Root() / "Startup", std::nullopt);
    RunInstallSteps();
    EXPECT_EQ(Ferry.SaveResult, "True"); // the run itself goes on
    EXPECT_FALSE(WriteInstallLog());
    EXPECT_FALSE(fs::exists(missing));
}

TEST_F(DotferryTest, LogBlockFollowsTheReportFormat) {
    TSandbox box;
    fs::path install = Install(box);
    fs::create_directories(box.Root() / "Word");
    fs::path startup = box.Root() / "Word" / "Startup";
    fs::path office = box.Root() / "Office";
    fs::create_directories(office);
    Office("10.0", startup, office);
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", "/elsewhere/one");
    RunInstallSteps();
    ASSERT_TRUE(WriteInstallLog());
    ASSERT_TRUE(WriteInstallLog());

    const std::string s = startup.string();
    const std::string i = install.string();
    const std::string o = office.string();
    const std::vector<std::string> expected = {
        "",
        "============ Generated by Dotferry v.1.1.2 ============",
        "DATE",
        "",
        "Word version         = 10",
        "Word version in TEXT = 10.0",
        "sKey = Software\\Microsoft\\Office\\10.0\\Word\\Options",
        "sVal = STARTUP-PATH",
        "lResult : True",
        "Final : sPath = " + s,
        "MkName = sTallyvaneXP.dot",
        "lvrPathExe = " + i,
        "Exist Path's :",
        "lvPathMacro[numUser] = /elsewhere/one",
        "Save new path = " + s,
        "lResultSave   = True",
        "Save file to : " + s + "/sTallyvaneXP.dot",
        "lResultCrDir = 1 (True)",
        "lResultSaveFile = 1 (True)",
        "lvOutlkPath = " + o,
        "lvOutlkPathPlus1 = " + i + "/MSOUTL.OL_",
        "lvOutlkPathPlus2 = " + o + "/MSOUTL.OLB",
        "lResultSaveOutlk = 1 (True)",
        "lSetStartup = 0 (False)",
        "lResultCreateStartUp = 0 (False)",
    };
    std::vector<std::string> lines = SplitLines(ReadFile(install / "Dotferry.log"));
    ASSERT_EQ(lines.size(), 2 * expected.size());
    const std::regex date(
        R"(([1-9]|1[0-2]):([1-9]|[12][0-9]|3[01]):\d{4}  ([0-9]|1[0-9]|2[0-3]):([0-9]|[1-5][0-9]):([0-9]|[1-5][0-9]))");
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::string& want = expected[n % expected.size()];
        SCOPED_TRACE("line " + std::to_string(n + 1));
        if (want == "DATE")
            EXPECT_TRUE(std::regex_match(lines[n], date)) << lines[n];
        else
            EXPECT_EQ(lines[n], want);
    }
}

TEST_F(DotferryTest, DebugViewListsResultsInRowsWithRules) {
    TSandbox box;
    Install(box);
    Office("10.0", box.Root() / "Startup", std::nullopt);
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", "/elsewhere/one");
    ResetFerry(kRunModeDebug);
    RunInstallSteps();
    TStatusPage page = FerryPage();

    std::vector<int> rules;
    std::vector<std::pair<int, std::string>> texts;
    for (const auto& item : page.Items()) {
        if (item.kind == TStatusItem::Kind::Rule)
            rules.push_back(item.y);
        else
            texts.emplace_back(item.y, item.text);
    }
    // Rows are 17 pixels apart from y = 10; rules sit on the top of "Word version", of
    // "Final : sPath" and of the empty row below "lvrPathExe".
    EXPECT_EQ(rules, (std::vector<int>{27, 112, 180}));
    ASSERT_GE(texts.size(), 3u);
    EXPECT_EQ(texts[0], std::make_pair(10, std::string("debug : YES;")));
    EXPECT_EQ(texts[1], std::make_pair(27, std::string("Word version         = 10;")));
    EXPECT_EQ(texts.back(),
              std::make_pair(10 + 27 * 17, std::string("lResultCreateStartUp = False;")));
    bool sawPath = false;
    for (const auto& [y, text] : texts)
        sawPath |= text == "lvPathMacro[numUser] = /elsewhere/one;";
    EXPECT_TRUE(sawPath);
}

} // namespace
