#include <functional>

#include "tests/converter/app/AppTestSupport.h"

namespace {

class ReadJobSettingsTest : public AppTest {
protected:
    // Runs ReadJobSettings over a fresh parse of arguments.
    bool Read(const std::vector<std::string>& arguments) {
        ResetCommandLine();
        ResetJobSettings();
        m_boxes.clear();
        Parse(arguments);
        return ReadJobSettings();
    }
};

TEST_F(ReadJobSettingsTest, DefaultsWhenNoKeyIsGiven) {
    EXPECT_TRUE(Read({"nothing"}));
    const TJobSettings& job = JobSettings;
    EXPECT_EQ(job.ReportLevel, 0);
    EXPECT_EQ(job.Action, kActionNone);
    EXPECT_EQ(job.PreviewMode, kPreviewNone);
    EXPECT_EQ(job.Source, kPlaceNone);
    EXPECT_EQ(job.Destination, kPlaceNone);
    EXPECT_FALSE(job.InputIsWmf);
    EXPECT_EQ(job.InputDir, m_dir.string());
    EXPECT_EQ(job.InputName, "");
    EXPECT_EQ(job.InputExt, ".emf");
    EXPECT_EQ(job.OutputFormat, kOutputEMF);
    EXPECT_EQ(job.OutputDir, m_dir.string());
    EXPECT_EQ(job.OutputName, "etalon");
    EXPECT_EQ(job.OutputExt, ".emf");
    EXPECT_EQ(job.SizeUnit, kSizePixels);
    EXPECT_EQ(job.Percent, 100);
    EXPECT_FALSE(job.PercentGiven || job.ScaleGiven || job.WidthGiven || job.HeightGiven);
    EXPECT_EQ(job.Scale, 1.0f);
    EXPECT_EQ(job.Width, -1);
    EXPECT_EQ(job.Height, -1);
    EXPECT_EQ(job.PresetNumber, -1);
    EXPECT_FALSE(job.KeepSources);
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(ReadJobSettingsTest, WordsIgnoreCaseAndUnknownWordsLeaveDefaults) {
    using Check = std::function<void(const TJobSettings&)>;
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        Check check;
    } cases[] = {
        {"words in lower case",
         {"at:convertlist", "cem:savetofile", "st:clp", "dt:file"},
         [](const TJobSettings& j) {
             EXPECT_EQ(j.Action, kActionConvertList);
             EXPECT_EQ(j.PreviewMode, kPreviewSaveToFile);
             EXPECT_EQ(j.Source, kPlaceClipboard);
             EXPECT_EQ(j.Destination, kPlaceFile);
         }},
        {"every job word",
         {"at:ADDTOLIST", "cem:SENDTOMAIL"},
         [](const TJobSettings& j) {
             EXPECT_EQ(j.Action, kActionAddToList);
             EXPECT_EQ(j.PreviewMode, kPreviewSendToMail);
         }},
        {"splash", {"at:SplashScreen"}, [](const TJobSettings& j) { EXPECT_EQ(j.Action, 4); }},
        {"unknown or padded words",
         {"at:CONVERTX", "st: FILE", "cem:MAIL"},
         [](const TJobSettings& j) {
             EXPECT_EQ(j.Action, kActionNone);
             EXPECT_EQ(j.Source, kPlaceNone);
             EXPECT_EQ(j.PreviewMode, kPreviewNone);
         }},
        {"key inside an argument",
         {"xat:CONVERT"},
         [](const TJobSettings& j) { EXPECT_EQ(j.Action, kActionConvert); }},
        {"upper-case key",
         {"AT:CONVERT"},
         [](const TJobSettings& j) { EXPECT_EQ(j.Action, kActionNone); }},
        {"report levels", {"dbg:2"}, [](const TJobSettings& j) { EXPECT_EQ(j.ReportLevel, 2); }},
        {"other report level",
         {"dbg:3"},
         [](const TJobSettings& j) { EXPECT_EQ(j.ReportLevel, 0); }},
        {"units", {"isu:mm"}, [](const TJobSettings& j) { EXPECT_EQ(j.SizeUnit, kSizeMM); }},
        {"inches", {"isu:In"}, [](const TJobSettings& j) { EXPECT_EQ(j.SizeUnit, kSizeInches); }},
        {"unknown unit",
         {"isu:cm"},
         [](const TJobSettings& j) { EXPECT_EQ(j.SizeUnit, kSizePixels); }},
        {"delete mode off", {"dlm:oFf"}, [](const TJobSettings& j) { EXPECT_TRUE(j.KeepSources); }},
        {"delete mode on", {"dlm:ON"}, [](const TJobSettings& j) { EXPECT_FALSE(j.KeepSources); }},
        {"delete mode empty", {"dlm:"}, [](const TJobSettings& j) { EXPECT_FALSE(j.KeepSources); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Read(c.arguments));
        c.check(JobSettings);
        EXPECT_TRUE(m_boxes.empty());
    }
}

TEST_F(ReadJobSettingsTest, FileNamesSetTypesAndExtensions) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        bool inputIsWmf;
        const char* inputName;
        const char* inputExt;
        std::uint8_t outputFormat;
        const char* outputName;
        const char* outputExt;
    } cases[] = {
        {"wmf type", {"ift:wmf"}, true, "", ".wmf", kOutputEMF, "etalon", ".emf"},
        {"emf name beats wmf type",
         {"ift:WMF", "ifn:/a/page.EMF"},
         false,
         "page.EMF",
         ".EMF",
         kOutputEMF,
         "etalon",
         ".emf"},
        {"wmf name",
         {"ifn:C:\\Work\\page.wmf"},
         true,
         "page.wmf",
         ".wmf",
         kOutputEMF,
         "etalon",
         ".emf"},
        {"other input extension keeps the type",
         {"ift:WMF", "ifn:page.txt"},
         true,
         "page.txt",
         ".txt",
         kOutputEMF,
         "etalon",
         ".emf"},
        {"input without extension", {"ifn:page"}, false, "page", "", kOutputEMF, "etalon", ".emf"},
        {"output type", {"oft:jpg"}, false, "", ".emf", kOutputJPG, "etalon", ".jpg"},
        {"unknown output extension keeps the type",
         {"oft:JPG", "ofn:page.txt"},
         false,
         "",
         ".emf",
         kOutputJPG,
         "page.txt",
         ".txt"},
        {"output extension beats the type",
         {"oft:GIF", "ofn:/x/y/Page.BMP"},
         false,
         "",
         ".emf",
         kOutputBMP,
         "Page.BMP",
         ".BMP"},
        {"output without extension",
         {"oft:BMP", "ofn:page"},
         false,
         "",
         ".emf",
         kOutputBMP,
         "page",
         ""},
        {"unknown output type is EMF",
         {"oft:PNG"},
         false,
         "",
         ".emf",
         kOutputEMF,
         "etalon",
         ".emf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Read(c.arguments));
        EXPECT_EQ(JobSettings.InputIsWmf, c.inputIsWmf);
        EXPECT_EQ(JobSettings.InputName, c.inputName);
        EXPECT_EQ(JobSettings.InputExt, c.inputExt);
        EXPECT_EQ(JobSettings.OutputFormat, c.outputFormat);
        EXPECT_EQ(JobSettings.OutputName, c.outputName);
        EXPECT_EQ(JobSettings.OutputExt, c.outputExt);
        EXPECT_EQ(JobSettings.InputDir, m_dir.string()) << "the name's directory has no effect";
        EXPECT_EQ(JobSettings.OutputDir, m_dir.string());
    }
}

TEST_F(ReadJobSettingsTest, DirectoriesMustExist) {
    std::filesystem::create_directories(m_dir / "in");
    std::filesystem::create_directories(m_dir / "out");
    EXPECT_TRUE(Read({"idn:" + (m_dir / "in/").string(), "odn:" + (m_dir / "out").string()}));
    EXPECT_EQ(JobSettings.InputDir, (m_dir / "in").string()) << "one trailing separator goes";
    EXPECT_EQ(JobSettings.OutputDir, (m_dir / "out").string());
    EXPECT_TRUE(Read({"idn:/"}));
    EXPECT_EQ(JobSettings.InputDir, "");

    // A missing input directory fails the job; with reporting it says so.
    EXPECT_FALSE(Read({"idn:/no/such", "ifn:/a/b/page.emf"}));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_EQ(JobSettings.InputDir, "/a/b/") << "kept from the input name";
    EXPECT_FALSE(Read({"dbg:1", "idn:/no/such"}));
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Tallyvane!: Input Directory /no/such not exist! ."});
    EXPECT_EQ(m_boxes[0].caption, "Error");
    EXPECT_EQ(m_boxes[0].type & MB_ICONMASK, MB_ICONERROR);

    // A missing output directory falls back to the current one.
    EXPECT_TRUE(Read({"dbg:1", "odn:/no/out"}));
    EXPECT_EQ(Texts(),
              std::vector<std::string>{"Tallyvane!: Output Directory /no/out not exist! ."});
    EXPECT_EQ(JobSettings.OutputDir, m_dir.string());
    EXPECT_TRUE(Read({"odn:/no/out"}));
    EXPECT_TRUE(m_boxes.empty());

    // The output step's fallback does not cover up a missing input directory.
    EXPECT_FALSE(Read({"idn:/no/such", "odn:/no/out"}));
    EXPECT_FALSE(Read({"idn:/no/such", "odn:" + (m_dir / "out").string()}));
}

TEST_F(ReadJobSettingsTest, UnreadableCurrentDirectoryFailsWithASystemBox) {
    std::filesystem::create_directories(m_dir / "gone");
    std::filesystem::current_path(m_dir / "gone");
    std::filesystem::remove(m_dir / "gone");
    bool result = Read({"at:CONVERT"});
    std::filesystem::current_path(m_dir);
    EXPECT_FALSE(result);
    // Both directory steps read it, and each failure shows its box.
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Application Error", "Application Error"}));
    EXPECT_EQ(m_boxes[0].type & MB_ICONMASK, MB_ICONERROR);
}

TEST_F(ReadJobSettingsTest, ScaleOptionsAndTheirMessages) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        bool result;
        std::vector<std::string> messages;
        bool percentGiven;
        int percent;
        bool scaleGiven;
        float scale;
        bool widthGiven;
        int width;
        bool heightGiven;
        int height;
    } cases[] = {
        {"percent",
         {"osp:50", "os:2", "plx:9"},
         true,
         {},
         true,
         50,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"percent wins over a bad divisor",
         {"dbg:1", "osp:50", "os:abc", "plx:x"},
         true,
         {},
         true,
         50,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"percent zero, silent mode",
         {"osp:0"},
         true,
         {"Incorrect Scale.\nSet to 100%."},
         true,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"negative percent",
         {"osp:-5"},
         true,
         {"Incorrect Scale.\nSet to 100%."},
         true,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"percent not a number, silent",
         {"osp:abc"},
         false,
         {},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"percent not a number",
         {"dbg:1", "osp:12x"},
         false,
         {"Tallyvane!: Incorrect Percent Scale!"},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"percent with a bad fallback read",
         {"dbg:1", "osp:5.5", "os:2"},
         false,
         {"Tallyvane!: Incorrect Percent Scale!"},
         false,
         100,
         true,
         2,
         false,
         -1,
         false,
         -1},
        {"divisor", {"os:0.5", "plx:100"}, true, {}, false, 100, true, 0.5f, false, -1, false, -1},
        {"divisor with exponent",
         {"os:2.5e1"},
         true,
         {},
         false,
         100,
         true,
         25,
         false,
         -1,
         false,
         -1},
        {"divisor zero",
         {"os:0"},
         true,
         {"Incorrect Scale.\nSet to 1."},
         false,
         100,
         true,
         1,
         false,
         -1,
         false,
         -1},
        {"divisor below float range",
         {"os:1e-60"},
         true,
         {"Incorrect Scale.\nSet to 1."},
         false,
         100,
         true,
         1,
         false,
         -1,
         false,
         -1},
        {"divisor not a number",
         {"dbg:1", "os:abc"},
         false,
         {"Tallyvane!: Incorrect Scale!"},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"divisor beyond float range",
         {"dbg:1", "os:1e60"},
         false,
         {"Tallyvane!: Incorrect Scale!"},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"width and height",
         {"plx:100", "ply:-7"},
         true,
         {},
         false,
         100,
         false,
         1,
         true,
         100,
         true,
         -7},
        {"width and height not numbers",
         {"dbg:1", "plx:1O0", "ply:"},
         false,
         {"Tallyvane!: Incorrect PlWidth!"},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"height not a number",
         {"dbg:2", "ply:big"},
         false,
         {"Tallyvane!: Incorrect PlHeight!"},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
        {"width overflowing 32 bits",
         {"dbg:1", "plx:4294967296"},
         false,
         {"Tallyvane!: Incorrect PlWidth!"},
         false,
         100,
         false,
         1,
         false,
         -1,
         false,
         -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Read(c.arguments), c.result);
        EXPECT_EQ(Texts(), c.messages);
        EXPECT_EQ(JobSettings.PercentGiven, c.percentGiven);
        EXPECT_EQ(JobSettings.Percent, c.percent);
        EXPECT_EQ(JobSettings.ScaleGiven, c.scaleGiven);
        EXPECT_FLOAT_EQ(JobSettings.Scale, c.scale);
        EXPECT_EQ(JobSettings.WidthGiven, c.widthGiven);
        EXPECT_EQ(JobSettings.Width, c.width);
        EXPECT_EQ(JobSettings.HeightGiven, c.heightGiven);
        EXPECT_EQ(JobSettings.Height, c.height);
        for (const TShownBox& box : m_boxes)
            EXPECT_EQ(box.caption, "Error");
    }
}

TEST_F(ReadJobSettingsTest, PresetNumber) {
    EXPECT_TRUE(Read({"psn:3"}));
    EXPECT_EQ(JobSettings.PresetNumber, 3);
    EXPECT_FALSE(Read({"psn:x"}));
    EXPECT_TRUE(m_boxes.empty());
    EXPECT_FALSE(Read({"dbg:1", "psn:3x"}));
    EXPECT_EQ(JobSettings.PresetNumber, -1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Tallyvane!: Incorrect Preset Number!"});
}

} // namespace
