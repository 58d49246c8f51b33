#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/WinUser.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class User : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("user-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "clip");
        ::setenv("TALLYVANE_CLIPBOARD", (m_dir / "clip").c_str(), 1);
        ::setenv("TALLYVANE_MESSAGES", (m_dir / "messages.log").c_str(), 1);
        ::unsetenv("TALLYVANE_ANSWERS");
        tallyvane::user::ResetMessageBoxAnswers();
    }
    void TearDown() override {
        ::unsetenv("TALLYVANE_CLIPBOARD");
        ::unsetenv("TALLYVANE_MESSAGES");
        ::unsetenv("TALLYVANE_ANSWERS");
        tallyvane::user::SetMessageBoxPresenter(nullptr);
        fs::remove_all(m_dir);
    }

    static HGLOBAL Text(const char* text) {
        size_t size = std::strlen(text) + 1;
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
        std::memcpy(GlobalLock(block), text, size);
        GlobalUnlock(block);
        return block;
    }

    fs::path m_dir;
};

TEST_F(User, HeadlessBoxesTakeTheSafeAnswerAndAreLogged) {
    const struct {
        UINT type;
        int answer;
        const char* logged;
    } cases[] = {
        {MB_OK | MB_ICONINFORMATION, IDOK, "information\tInformation\ta\\nb\tOK\tOK\n"},
        {MB_OKCANCEL | MB_ICONQUESTION, IDCANCEL,
         "confirmation\tInformation\ta\\nb\tOK,CANCEL\tCANCEL\n"},
        {MB_YESNO | MB_ICONWARNING, IDNO, "warning\tInformation\ta\\nb\tYES,NO\tNO\n"},
        {MB_YESNOCANCEL | MB_ICONERROR, IDCANCEL,
         "error\tInformation\ta\\nb\tYES,NO,CANCEL\tCANCEL\n"},
    };
    std::string expected;
    for (const auto& c : cases) {
        EXPECT_EQ(MessageBox(nullptr, "a\nb", "Information", c.type), c.answer);
        expected += c.logged;
    }
    EXPECT_EQ(ReadAll(m_dir / "messages.log"), expected);
}

TEST_F(User, GivenAnswersAreTakenInOrderBeforeThePresenter) {
    ::setenv("TALLYVANE_ANSWERS", "yes,CLOSE", 1);
    int presented = 0;
    tallyvane::user::SetMessageBoxPresenter([&](const tallyvane::user::MessageBoxRequest& request) {
        ++presented;
        EXPECT_EQ(request.caption, "Confirm");
        return IDRETRY;
    });
    EXPECT_EQ(MessageBox(nullptr, "Replace?", "Confirm", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBox(nullptr, "Replace?", "Confirm", MB_OK), IDCANCEL)
        << "closing a box dismisses it as a cancel";
    EXPECT_EQ(presented, 0);
    EXPECT_EQ(MessageBox(nullptr, "Replace?", "Confirm", MB_OK), IDRETRY);
    EXPECT_EQ(presented, 1);
    std::string log = ReadAll(m_dir / "messages.log");
    EXPECT_NE(log.find("\tYES\n"), std::string::npos);
    EXPECT_NE(log.find("\tRETRY\n"), std::string::npos);
}

TEST_F(User, ClipboardTextRoundTripsThroughItsFile) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(EmptyClipboard());
    ASSERT_NE(SetClipboardData(CF_TEXT, Text(".jpg")), nullptr);
    EXPECT_TRUE(CloseClipboard());

    EXPECT_EQ(ReadAll(m_dir / "clip" / "CF_TEXT"), std::string(".jpg\0", 5));
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(data)), ".jpg");
    GlobalUnlock(data);
    EXPECT_EQ(GetClipboardData(CF_ENHMETAFILE), nullptr);
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_TRUE(fs::is_empty(m_dir / "clip") ||
                fs::directory_iterator(m_dir / "clip")->path().filename() == ".lock");
}

TEST_F(User, ClipboardRefusesWorkWhileClosed) {
    EXPECT_FALSE(EmptyClipboard());
    EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
    HGLOBAL block = Text("x");
    EXPECT_EQ(SetClipboardData(CF_TEXT, block), nullptr);
    GlobalFree(block);
    EXPECT_EQ(GetClipboardData(CF_TEXT), nullptr);
    EXPECT_FALSE(CloseClipboard());
}

TEST_F(User, RegisteredFormatsAreStoredUnderTheirName) {
    UINT gif = RegisterClipboardFormat("GIF Image");
    EXPECT_GE(gif, 0xC000u);
    EXPECT_EQ(RegisterClipboardFormat("gif image"), gif);
    EXPECT_EQ(RegisterClipboardFormat("../escape"), 0u);
    EXPECT_EQ(RegisterClipboardFormat(""), 0u);
    char name[32];
    EXPECT_EQ(GetClipboardFormatName(gif, name, sizeof name), 9);
    EXPECT_STREQ(name, "GIF Image");
    ASSERT_TRUE(OpenClipboard(nullptr));
    ASSERT_NE(SetClipboardData(gif, Text("GIF87a")), nullptr);
    CloseClipboard();
    EXPECT_TRUE(fs::exists(m_dir / "clip" / "GIF Image"));
}

TEST_F(User, HandleFormatsGoThroughTheRegisteredCodec) {
    // A stand-in handle type: the handle points at a string that is the whole file image.
    static std::vector<std::string*> made;
    tallyvane::user::RegisterClipboardHandleCodec(
        CF_ENHMETAFILE,
        [](HANDLE handle, std::vector<BYTE>& bytes) {
            auto* text = static_cast<std::string*>(handle);
            bytes.assign(text->begin(), text->end());
            return true;
        },
        [](const std::vector<BYTE>& bytes) -> HANDLE {
            made.push_back(new std::string(bytes.begin(), bytes.end()));
            return made.back();
        },
        [](HANDLE handle) {
            std::erase(made, static_cast<std::string*>(handle));
            delete static_cast<std::string*>(handle);
        });
    std::string page = "EMF bytes";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(SetClipboardData(CF_ENHMETAFILE, &page), &page);
    EXPECT_EQ(SetClipboardData(CF_BITMAP, &page), nullptr) << "no codec registered for bitmaps";
    CloseClipboard();
    EXPECT_EQ(ReadAll(m_dir / "clip" / "CF_ENHMETAFILE"), page);

    ASSERT_TRUE(OpenClipboard(nullptr));
    auto* back = static_cast<std::string*>(GetClipboardData(CF_ENHMETAFILE));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*back, page);
    CloseClipboard();
    EXPECT_TRUE(made.empty()) << "handles handed out are freed when the clipboard closes";
}

} // namespace
