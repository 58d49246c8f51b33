#include "remover/Dotsweep.h"

#include "common/RegistryStrings.h"
#include "common/RunMode.h"
#include "tests/common/Sandbox.h"

namespace {

using namespace sandbox;

using Results = std::array<BOOL, kSweepFilesPerFolder>;

class DotsweepTest : public ::testing::Test {
protected:
    void SetUp() override { ResetSweep(kRunModeDebug); }

    static void Record(int k, const fs::path& folder) {
        TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath" + std::to_string(k),
                           folder.string());
    }

    // A folder with every template and owner file the remover knows, plus one of the user's.
    static fs::path FullFolder(const fs::path& folder) {
        for (const char* name : kSweepFileNames)
            WriteFile(folder / name, name);
        WriteFile(folder / "Normal.dot", "the user's own");
        return folder;
    }

    static std::optional<std::string> Slot(int k) {
        return TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "UserPath" + std::to_string(k));
    }
};

TEST_F(DotsweepTest, CleansRecordedFoldersUpToTheFirstMissingSlot) {
    TSandbox box;
    fs::path one = FullFolder(box.Root() / "one");
    fs::path two = FullFolder(box.Root() / "two");
    fs::path four = FullFolder(box.Root() / "four");
    Record(1, one);
    Record(2, two);
    Record(4, four);
    RunRemovalSteps();

    ASSERT_EQ(Sweep.Entries.size(), 2u);
    for (const auto& folder : {one, two}) {
        SCOPED_TRACE(folder.string());
        for (const char* name : kSweepFileNames)
            EXPECT_FALSE(fs::exists(folder / name)) << name;
        EXPECT_TRUE(fs::exists(folder / "Normal.dot"));
    }
    for (const auto& entry : Sweep.Entries) {
        EXPECT_EQ(entry.ValueDeleted, "True");
        EXPECT_EQ(entry.FilesDeleted, (Results{1, 1, 1, 1, 1, 1}));
    }
    EXPECT_EQ(Slot(1), std::nullopt);
    EXPECT_EQ(Slot(2), std::nullopt);
    EXPECT_EQ(Slot(4), four.string());
    EXPECT_TRUE(fs::exists(four / "sTallyvaneXP.dot"));
}

TEST_F(DotsweepTest, RecordsEachFileDeletionOnItsOwn) {
    struct Case {
        const char* name;
        std::vector<const char*> files;
        Results expected;
    };
    const Case cases[] = {
        {"only the 2k template", {"sTallyvane2k.dot"}, {0, 0, 1, 0, 0, 0}},
        {"97 template with its owner file",
         {"sTallyvane97.dot", "~$allyvane97.dot"},
         {1, 1, 0, 0, 0, 0}},
        {"empty folder", {}, {0, 0, 0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSandbox box;
        fs::path folder = box.Root() / "Startup";
        fs::create_directories(folder);
        for (const char* name : c.files)
            WriteFile(folder / name, name);
        Record(1, folder);
        ResetSweep(kRunModeDebug);
        RunRemovalSteps();
        ASSERT_EQ(Sweep.Entries.size(), 1u);
        EXPECT_EQ(Sweep.Entries[0].FilesDeleted, c.expected);
        EXPECT_TRUE(fs::is_empty(folder));
    }
}

TEST_F(DotsweepTest, HandlesAllFortyOneSlotsAndNoMore) {
    TSandbox box;
    for (int k = 1; k <= 42; ++k)
        Record(k, FullFolder(box.Root() / std::to_string(k)));
    RunRemovalSteps();
    ASSERT_EQ(Sweep.Entries.size(), 41u);
    for (int k = 1; k <= 41; ++k) {
        EXPECT_EQ(Slot(k), std::nullopt) << k;
        EXPECT_FALSE(fs::exists(box.Root() / std::to_string(k) / "sTallyvaneXP.dot")) << k;
    }
    EXPECT_EQ(Slot(42), (box.Root() / "42").string());
    EXPECT_TRUE(fs::exists(box.Root() / "42" / "sTallyvaneXP.dot"));
}

TEST_F(DotsweepTest, ReportsProductValuesAndLogFiles) {
    struct Case {
        const char* name;
        bool installPath;
        bool otherValues;
        bool userSavePath; // the converter's own save folder, under the current user
        LONG expectedVersion;
        LONG expectedSavePath;
    };
    const Case cases[] = {
        {"everything present", true, true, true, 0, 0},
        {"saved path and version missing", true, false, false, 2, 2},
        {"saved path only for the user", true, false, true, 2, 0},
        {"install path missing", false, false, false, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSandbox box;
        fs::path install = box.Root() / "install";
        WriteFile(install / "Dotferry.log", "report");
        WriteFile(install / "Dotsweep.log", "report");
        if (c.installPath)
            TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", install.string());
        if (c.otherValues) {
            TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "SavePath", "/saved");
            TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "Version", "1.0.0");
        }
        if (c.userSavePath)
            TSandbox::SetValue(HKEY_CURRENT_USER, kProductKey, "SavePath", "/pictures");
        fs::path folder = FullFolder(box.Root() / "Startup");
        Record(1, folder);
        ResetSweep(kRunModeDebug);
        RunRemovalSteps();
        DeleteLogFiles();

        EXPECT_EQ(Sweep.ResDelInstallPath, c.installPath ? 0 : 2);
        EXPECT_EQ(Sweep.ResDelSavePath, c.expectedSavePath);
        EXPECT_EQ(Sweep.ResDelVersion, c.expectedVersion);
        EXPECT_EQ(TSandbox::Value(HKEY_CURRENT_USER, kProductKey, "SavePath"), std::nullopt);
        // The recorded folder is cleaned whether or not the install path is known.
        EXPECT_FALSE(fs::exists(folder / "sTallyvaneXP.dot"));
        EXPECT_EQ(Sweep.LogsDeleted, (std::array<BOOL, 2>{c.installPath, c.installPath}));
        EXPECT_EQ(fs::exists(install / "Dotferry.log"), !c.installPath);
        EXPECT_EQ(TSandbox::Value(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath"), std::nullopt);
    }
}

TEST_F(DotsweepTest, EmptyRecordedFolderDeletesNothing) {
    TSandbox box;
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "UserPath1", "");
    RunRemovalSteps();
    ASSERT_EQ(Sweep.Entries.size(), 1u);
    EXPECT_EQ(Sweep.Entries[0].ValueDeleted, "True");
    EXPECT_EQ(Sweep.Entries[0].FilesDeleted, (Results{0, 0, 0, 0, 0, 0}));
}

TEST_F(DotsweepTest, DebugViewListsEightLinesPerFolderAndTheStatusCodes) {
    TSandbox box;
    fs::path install = box.Root() / "install";
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", install.string());
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "Version", "1.0.0");
    fs::path one = box.Root() / "one";
    fs::create_directories(one);
    WriteFile(one / "sTallyvane2k.dot", "2k");
    Record(1, one);
    Record(2, FullFolder(box.Root() / "two"));
    RunRemovalSteps();
    DeleteLogFiles();

    std::vector<std::string> lines = SweepPage().TextLines();
    const std::vector<std::string> expected = {
        "debug : YES;",
        "lvrPathExe = " + install.string() + ";",
        "Exist Path's :",
        "lvPathMacro[numUser] = " + one.string() + ";",
        "lResultDelVal[numUser] = True;",
        "lResultDelFile97[numUser]  = 0;",
        "lResultDel972[numUser] = 0;",
        "lResultDelFile2k[numUser]  = 1;",
        "lResultDel2k2[numUser] = 0;",
        "lResultDelFileXP[numUser]  = 0;",
        "lResultDelXP2[numUser] = 0;",
        "lvPathMacro[numUser] = " + (box.Root() / "two").string() + ";",
        "lResultDelVal[numUser] = True;",
        "lResultDelFile97[numUser]  = 1;",
        "lResultDel972[numUser] = 1;",
        "lResultDelFile2k[numUser]  = 1;",
        "lResultDel2k2[numUser] = 1;",
        "lResultDelFileXP[numUser]  = 1;",
        "lResultDelXP2[numUser] = 1;",
        "lResDelInstallPath = 0;",
        "lResDelSavePath    = 2;",
        "lResDelVersion     = 0;",
        "lResDelDotsweep[0]  = 0;",
        "lResDelDotsweep[1]  = 0;",
    };
    EXPECT_EQ(lines, expected);

    // The closing rows: a rule, an empty row, the three codes; a rule, an empty row, the logs.
    TStatusPage page = SweepPage();
    const auto& items = page.Items();
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items.back().y, 10 + (5 + 16 + 1 + 3 + 1 + 1) * 17);
}

TEST_F(DotsweepTest, VersionWindowsShowTheirLines) {
    ResetSweep(kRunModeNormal);
    EXPECT_EQ(SweepPage().TextLines(),
              (std::vector<std::string>{"Dotsweep\u2122 v1.1.1",
                                        "Integrated part of Tallyvane!\u2122 v1.0.0",
                                        "http://www.orvan.com"}));
    ResetSweep(kRunModePause);
    auto items = SweepPage().Items();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].text, "Uninstall information in <Dotsweep.log>.");
    EXPECT_TRUE(items[0].defaultColour);
    EXPECT_EQ(std::vector<int>({items[0].y, items[1].y, items[2].y, items[3].y}),
              std::vector<int>({30, 64, 98, 149}));
    EXPECT_EQ(items[1].colour, kStatusRed);
    EXPECT_EQ(items[2].colour, kStatusBlue);
}

} // namespace
