#include "converter/app/JobControl.h"

#include <algorithm>
#include <memory>

#include "converter/page/ImageProperty.h"
#include "converter/presets/PresetHolder.h"
#include "converter/ui/PageJobs.h"
#include "tests/converter/app/AppTestSupport.h"

namespace {

namespace fs = std::filesystem;

// Records every call job control makes on its window; the list conversion answers as told and
// reports the pages named in notWritten as not written.
struct TWindowLog {
    std::vector<std::string> calls;
    int created = 0;
    int freed = 0;
    bool listResult = true;
    bool previewSeen = true;
    std::vector<size_t> notWritten;
    bool pageToClipboard = true;
    std::function<void(const std::vector<std::string>&)> duringList;
};

class TFakePageJobs : public TPageJobs {
public:
    explicit TFakePageJobs(TWindowLog& log) : m_log(log) { ++m_log.created; }
    ~TFakePageJobs() override { ++m_log.freed; }
    bool TakeClipboardPage() override { return Call("TakeClipboardPage"); }
    bool OpenEmfPage(const std::string& path) override { return Call("OpenEmfPage " + path); }
    bool OpenWmfPage(const std::string& path) override { return Call("OpenWmfPage " + path); }
    bool PageToClipboard() override {
        Call("PageToClipboard");
        return m_log.pageToClipboard;
    }
    bool SavePageAsEmf(const std::string& path) override { return Call("SavePageAsEmf " + path); }
    bool ConvertPage(const std::string& path, bool shown, bool saveMode) override {
        return Call("ConvertPage " + path + Flags(shown, saveMode));
    }
    bool ConvertPageList(const std::vector<std::string>& sources,
                         const std::vector<std::string>& targets, bool shown,
                         bool saveMode) override {
        std::string call = "ConvertPageList" + Flags(shown, saveMode);
        for (size_t i = 0; i < sources.size(); ++i)
            call += " " + sources[i] + ">" + targets[i];
        Call(call);
        if (m_log.duringList)
            m_log.duringList(sources);
        return m_log.listResult;
    }
    void ShowMinimized() override { Call("ShowMinimized"); }
    bool PageWritten(std::size_t index) const override {
        return std::find(m_log.notWritten.begin(), m_log.notWritten.end(), index) ==
               m_log.notWritten.end();
    }
    bool PreviewSeen() const override { return m_log.previewSeen; }

private:
    static std::string Flags(bool shown, bool saveMode) {
        return std::string(shown ? " shown" : "") + (saveMode ? " save" : "");
    }
    bool Call(const std::string& call) {
        m_log.calls.push_back(call);
        return true;
    }
    TWindowLog& m_log;
};

class RunJobTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        PresetList.LoadDefaults();
        ImgProperty.ResetDefaults();
        ImgProperty.SetFormat(OutputFormatOfPresetType(PresetList.Current()->PresetType()));
        SetPageJobsFactory([this] { return std::make_unique<TFakePageJobs>(m_window); });
    }
    void TearDown() override {
        SetPageJobsFactory(nullptr);
        AppTest::TearDown();
    }

    void Run(const std::vector<std::string>& arguments) {
        Parse(arguments);
        RunJob();
    }
    std::string At(const std::string& name) const { return (m_dir / name).string(); }
    fs::path Clipboard(const char* format) const { return m_dir / "clipboard" / format; }
    void PutTextOnClipboard() { Touch(Clipboard("CF_TEXT"), "old"); }

    TWindowLog m_window;
};

using Calls = std::vector<std::string>;

TEST_F(RunJobTest, ConvertFileToImageWithPresetAndPreview) {
    PutTextOnClipboard();
    Run({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "ofn:page", "psn:3", "osp:50",
         "cem:SENDTOMAIL"});
    EXPECT_EQ(m_window.calls,
              (Calls{"OpenEmfPage " + At("page.emf"), "ConvertPage " + At("page.jpg") + " shown"}));
    EXPECT_EQ(m_window.created, 1);
    EXPECT_EQ(m_window.freed, 1);
    EXPECT_EQ(PresetList.CurrentIndex(), 3);
    EXPECT_EQ(ImgProperty.GetFormat(), kFormatJPG);
    EXPECT_EQ(ImgProperty.GetScaleMode(), kScaleFactor);
    EXPECT_FLOAT_EQ(ImgProperty.GetPercentScale(), 50.0f);
    EXPECT_FALSE(fs::exists(Clipboard("CF_TEXT"))) << "the clipboard is emptied after the job";
    EXPECT_TRUE(m_boxes.empty());
}

TEST_F(RunJobTest, PresetNumbersAndOverrides) {
    const struct {
        const char* name;
        std::vector<std::string> arguments;
        Calls calls;
        int currentPreset;
        std::uint8_t format;
    } cases[] = {
        {"preset 0 is ignored",
         {"oft:BMP", "psn:0"},
         {"ConvertPage " + At("etalon.bmp")},
         1,
         kFormatBMP},
        {"preset equal to the count is ignored",
         {"oft:BMP", "psn:5"},
         {"ConvertPage " + At("etalon.bmp")},
         1,
         kFormatBMP},
        {"preset overrides the type and the name's extension",
         {"oft:BMP", "ofn:page.gif", "psn:2"},
         {"ConvertPage " + At("page.jpg")},
         2,
         kFormatJPG},
        {"a BMP preset turns an EMF output into an image",
         {"ofn:x.emf", "psn:4"},
         {"ConvertPage " + At("x.bmp")},
         4,
         kFormatBMP},
        {"no preset and no type: the start-up preset's format",
         {"ofn:x.gif"},
         {"ConvertPage " + At("x.gif")},
         1,
         kFormatGIF},
        {"EMF output is saved, never previewed",
         {"ofn:x.emf", "cem:SAVETOFILE"},
         {"SavePageAsEmf " + At("x.emf")},
         1,
         kFormatGIF},
        {"EMF output without extension", {"ofn:x"}, {"SavePageAsEmf " + At("x")}, 1, kFormatGIF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCommandLine();
        ResetJobSettings();
        PresetList.LoadDefaults();
        ImgProperty.SetFormat(kFormatGIF);
        m_window = TWindowLog();
        std::vector<std::string> arguments{"at:CONVERT", "dt:FILE", "cem:SENDTOMAIL"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        Run(arguments);
        ASSERT_EQ(m_window.calls.size(), 1u);
        EXPECT_EQ(m_window.calls[0].substr(0, c.calls[0].size()), c.calls[0]);
        EXPECT_EQ(PresetList.CurrentIndex(), c.currentPreset);
        EXPECT_EQ(ImgProperty.GetFormat(), c.format);
    }
}

TEST_F(RunJobTest, SourcesDestinationsAndTheMinimisedWindow) {
    Run({"at:CONVERT", "st:FILE", "ift:WMF", "ifn:/elsewhere/page", "dt:CLP"});
    EXPECT_EQ(m_window.calls,
              (Calls{"ShowMinimized", "OpenWmfPage " + At("page"), "PageToClipboard"}))
        << "a name without extension clears the input extension";
    m_window.calls.clear();
    ResetCommandLine();
    ResetJobSettings();
    PutTextOnClipboard();
    Run({"at:CONVERT", "st:CLP", "dt:FILE", "oft:JPG", "cem:SAVETOFILE",
         "odn:" + m_dir.string() + "/"});
    EXPECT_EQ(m_window.calls,
              (Calls{"TakeClipboardPage", "ConvertPage " + At("etalon.jpg") + " shown save"}));
    EXPECT_FALSE(fs::exists(Clipboard("CF_TEXT")));
}

TEST_F(RunJobTest, RootDirectoryGivenAsSlashStaysTheRoot) {
    Run({"at:CONVERT", "st:FILE", "dt:FILE", "idn:/", "odn:/", "ifn:page.emf", "ofn:x.emf"});
    EXPECT_EQ(m_window.calls,
              (Calls{"ShowMinimized", "OpenEmfPage /page.emf", "SavePageAsEmf /x.emf"}));
}

TEST_F(RunJobTest, PageSentToTheClipboardStaysThere) {
    PutTextOnClipboard();
    Run({"at:CONVERT", "st:FILE", "ifn:page.emf", "dt:CLP"});
    EXPECT_TRUE(fs::exists(Clipboard("CF_TEXT")));
    ResetCommandLine();
    ResetJobSettings();
    m_window.pageToClipboard = false;
    Run({"at:CONVERT", "st:FILE", "ifn:page.emf", "dt:CLP"});
    EXPECT_FALSE(fs::exists(Clipboard("CF_TEXT"))) << "nothing was put there: emptied as usual";
}

TEST_F(RunJobTest, AddToListAlwaysWritesEmf) {
    PutTextOnClipboard();
    fs::create_directories(m_dir / "out");
    Run({"at:ADDTOLIST", "st:CLP", "dt:CLP", "oft:GIF", "psn:2", "ofn:page.jpg", "cem:SENDTOMAIL",
         "odn:" + At("out")});
    EXPECT_EQ(m_window.calls, (Calls{"TakeClipboardPage", "SavePageAsEmf " + At("out/page.emf")}));
    EXPECT_TRUE(fs::exists(Clipboard("CF_TEXT"))) << "the clipboard is not touched";
}

TEST_F(RunJobTest, ScaleOptionsReachTheImageProperties) {
    Run({"at:CONVERT", "plx:300", "ply:200"});
    EXPECT_EQ(ImgProperty.GetScaleMode(), kScaleByWidth) << "the width wins over the height";
    EXPECT_FLOAT_EQ(ImgProperty.GetWidthPixels(), 300.0f);

    ResetCommandLine();
    ResetJobSettings();
    Run({"at:CONVERT", "isu:MM", "ply:50"});
    EXPECT_EQ(ImgProperty.GetScaleMode(), kScaleByHeight);
    EXPECT_EQ(ImgProperty.GetUnit(), kUnitMM);

    ResetCommandLine();
    ResetJobSettings();
    ImgProperty.ResetDefaults();
    Run({"at:CONVERT", "isu:IN"});
    EXPECT_EQ(ImgProperty.GetUnit(), kUnitInches);
    EXPECT_EQ(ImgProperty.GetPixelSize(), (std::pair<std::int32_t, std::int32_t>{1024, 768}))
        << "without a scale option the page fits the screen, not a one-unit box";
}

TEST_F(RunJobTest, ClosingMessageOnlyWhenTheSettingsAreGood) {
    Run({"dbg:1", "at:NOPE"});
    EXPECT_EQ(Texts(), std::vector<std::string>{"Tallyvane!: Job is completed."});
    EXPECT_EQ(m_boxes[0].caption, "Information");
    EXPECT_EQ(m_window.created, 0);

    ResetCommandLine();
    ResetJobSettings();
    m_boxes.clear();
    Run({"dbg:1", "at:CONVERT", "osp:abc"});
    EXPECT_EQ(Texts(), std::vector<std::string>{"Tallyvane!: Incorrect Percent Scale!"});
    EXPECT_EQ(m_window.created, 0);
}

TEST_F(RunJobTest, APageThatWasNotWrittenIsReportedBeforeTheClosingMessage) {
    m_window.notWritten = {0};
    Run({"dbg:1", "at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "oft:BMP"});
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Tallyvane!: Image has not been created.",
                                                 "Tallyvane!: Job is completed."}));

    ResetCommandLine();
    ResetJobSettings();
    m_boxes.clear();
    Run({"at:CONVERT", "st:FILE", "dt:FILE", "ifn:page.emf", "oft:BMP"});
    EXPECT_TRUE(Texts().empty()) << "without reporting the job stays silent, as before";
}

class ConvertListTest : public RunJobTest {
protected:
    void SetUp() override {
        RunJobTest::SetUp();
        for (const char* name : {"b.emf", "a.EMF", "c.emf", "skip.wmf", ".hidden.emf"})
            Touch(m_dir / "in" / name);
        fs::create_directories(m_dir / "in" / "dir.emf");
        fs::create_directories(m_dir / "out");
    }
    void RunList(std::vector<std::string> extra) {
        std::vector<std::string> arguments{"at:CONVERTLIST", "oft:JPG", "idn:" + At("in"),
                                           "odn:" + At("out")};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        Run(arguments);
    }
    std::vector<std::string> Left() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir / "in"))
            names.push_back(entry.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string Answer() const { return Read(Clipboard("CF_TEXT")); }
};

TEST_F(ConvertListTest, ConvertsEveryMatchThenDeletesAndAnswers) {
    RunList({});
    ASSERT_EQ(m_window.calls.size(), 2u);
    EXPECT_EQ(m_window.calls[0], "ShowMinimized");
    EXPECT_EQ(m_window.calls[1], "ConvertPageList " + At("in/a.EMF") + ">" + At("out/a.jpg") + " " +
                                     At("in/b.emf") + ">" + At("out/b.jpg") + " " + At("in/c.emf") +
                                     ">" + At("out/c.jpg"));
    EXPECT_EQ(Left(), (std::vector<std::string>{".hidden.emf", "dir.emf", "skip.wmf"}));
    EXPECT_EQ(Answer(), std::string(".jpg", 5));
    EXPECT_EQ(m_window.freed, 1);
}

TEST_F(ConvertListTest, DeleteModeOffKeepsTheSources) {
    RunList({"dlm:off", "psn:1"});
    EXPECT_EQ(Left().size(), 6u);
    EXPECT_EQ(Answer(), std::string(".gif", 5)) << "the preset decides the format answered";
}

// An enhanced metafile's first 44 bytes: EMR_HEADER and the " EMF" signature.
std::string EmfHead() {
    std::string head(44, '\0');
    head[0] = 1;
    head.replace(40, 4, " EMF");
    return head;
}

TEST_F(ConvertListTest, CancelledPreviewStillDeletesAndAnswersNone) {
    for (const char* name : {"b.emf", "a.EMF"})
        Touch(m_dir / "in" / name, EmfHead());
    m_window.listResult = false;
    RunList({"cem:SENDTOMAIL"});
    EXPECT_EQ(m_window.calls.size(), 1u) << "a shown preview is not minimised first";
    EXPECT_EQ(Left(), (std::vector<std::string>{".hidden.emf", "c.emf", "dir.emf", "skip.wmf"}))
        << "c.emf holds no metafile and nothing read it: it stays";
    EXPECT_EQ(Answer(), std::string("none", 5));
}

TEST_F(ConvertListTest, CancelledPreviewNeverDeletesFilesThatAreNoPages) {
    Touch(m_dir / "in" / "notes", "a letter");
    Touch(m_dir / "in" / "page", EmfHead());
    m_window.listResult = false;
    Run({"at:CONVERTLIST", "cem:SENDTOMAIL", "ifn:page", "idn:" + At("in"), "odn:" + At("out")});
    EXPECT_EQ(Left(), (std::vector<std::string>{".hidden.emf", "a.EMF", "b.emf", "c.emf", "dir.emf",
                                                "notes", "skip.wmf"}));
}

TEST_F(ConvertListTest, APreviewThatCouldNotBeShownDeletesNothing) {
    // No display, or no windows installed: the user never saw the pages, so nothing was decided.
    for (const char* name : {"b.emf", "a.EMF"})
        Touch(m_dir / "in" / name, EmfHead());
    m_window.listResult = false;
    m_window.previewSeen = false;
    RunList({"cem:SENDTOMAIL"});
    EXPECT_EQ(Left().size(), 6u);
    EXPECT_EQ(Answer(), std::string("none", 5));
}

TEST_F(ConvertListTest, SourcesStayWhenNothingWasConverted) {
    // A failed run without a preview is no decision of the user's.
    m_window.listResult = false;
    RunList({});
    EXPECT_EQ(Left().size(), 6u);
    EXPECT_EQ(Answer(), std::string("none", 5));

    // A page that was not written keeps its source, and says so when reporting.
    m_window = TWindowLog();
    m_window.notWritten = {1};
    ResetCommandLine();
    ResetJobSettings();
    m_boxes.clear();
    RunList({"dbg:1"});
    EXPECT_EQ(Left(), (std::vector<std::string>{".hidden.emf", "b.emf", "dir.emf", "skip.wmf"}));
    EXPECT_EQ(Answer(), std::string(".jpg", 5));
    ASSERT_EQ(m_boxes.size(), 2u);
    EXPECT_NE(m_boxes[0].text.find(At("in/b.emf")), std::string::npos);

    // No conversion window at all: nothing is converted and nothing deleted.
    for (const char* name : {"a.EMF", "c.emf"})
        Touch(m_dir / "in" / name);
    SetPageJobsFactory(nullptr);
    ResetCommandLine();
    ResetJobSettings();
    RunList({});
    EXPECT_EQ(Left().size(), 6u);
    EXPECT_EQ(Answer(), std::string("none", 5));
}

TEST_F(ConvertListTest, FailedDeletionIsReportedOnlyWhenReporting) {
    m_window.duringList = [](const std::vector<std::string>& sources) { fs::remove(sources[1]); };
    RunList({"dbg:1"});
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"File not deleted.", "Tallyvane!: Job is completed."}));
    EXPECT_EQ(Left(), (std::vector<std::string>{".hidden.emf", "dir.emf", "skip.wmf"}));
}

TEST_F(ConvertListTest, EmptyDirectoryConvertsNothing) {
    Touch(Clipboard("CF_TEXT"), "old");
    Run({"at:CONVERTLIST", "idn:" + At("out")});
    EXPECT_EQ(Texts(), std::vector<std::string>{"The page is empty.\nImage has not been created."});
    EXPECT_EQ(m_window.created, 0);
    EXPECT_EQ(Answer(), "old");
}

} // namespace
