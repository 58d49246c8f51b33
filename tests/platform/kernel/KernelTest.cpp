#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/WinBase.h"

namespace {

namespace fs = std::filesystem;

class Kernel : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("kernel-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(m_dir / name, std::ios::binary) << text;
    }
    std::string Read(const std::string& name) {
        std::ifstream in(m_dir / name, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string At(const std::string& name) { return (m_dir / name).string(); }

    std::vector<std::string> Search(const std::string& pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATA data;
        HANDLE search = FindFirstFile((m_dir.string() + "\\" + pattern).c_str(), &data);
        if (search == INVALID_HANDLE_VALUE) {
            EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
            return names;
        }
        do
            names.push_back(data.cFileName);
        while (FindNextFile(search, &data));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
        EXPECT_TRUE(FindClose(search));
        return names;
    }

    fs::path m_dir;
};

TEST(Paths, SplitAndJoinTreatBackslashAsSeparator) {
    using namespace tallyvane::path;
    const struct {
        const char* path;
        const char* name;
        const char* dir;
        const char* ext;
    } cases[] = {
        {"C:\\Work\\page.emf", "page.emf", "C:/Work/", ".emf"},
        {"/tmp/a.b/page", "page", "/tmp/a.b/", ""},
        {"page.tar.gz", "page.tar.gz", "", ".gz"},
        {"dir/", "", "dir/", ""},
        {".hidden", ".hidden", "", ".hidden"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ExtractFileName(c.path), c.name);
        EXPECT_EQ(ExtractFilePath(c.path), c.dir);
        EXPECT_EQ(ExtractFileExt(c.path), c.ext);
    }
    EXPECT_EQ(ChangeFileExt("/tmp/a.b/page", ".jpg"), "/tmp/a.b/page.jpg");
    EXPECT_EQ(ChangeFileExt("/tmp/page.emf", ".jpg"), "/tmp/page.jpg");
    EXPECT_EQ(ChangeFileExt("/tmp/page.emf", ""), "/tmp/page");
    EXPECT_EQ(Join("/tmp/", "\\x"), "/tmp/x");
    EXPECT_EQ(Join("C:\\Work", "x.emf"), "C:/Work/x.emf");
    EXPECT_EQ(ExcludeTrailingDelimiter("/"), "/");
    EXPECT_EQ(IncludeTrailingDelimiter(""), "");
}

TEST(Paths, PatternsMatchWithoutCase) {
    using tallyvane::path::MatchesPattern;
    EXPECT_TRUE(MatchesPattern("Page1.EMF", "*.emf"));
    EXPECT_TRUE(MatchesPattern("a.emf", "?.emf"));
    EXPECT_FALSE(MatchesPattern("ab.emf", "?.emf"));
    EXPECT_FALSE(MatchesPattern("page.emf.bak", "*.emf"));
    EXPECT_TRUE(MatchesPattern("x", "*"));
    EXPECT_TRUE(MatchesPattern("", "*"));
    EXPECT_TRUE(MatchesPattern("abcabcabd", "*abc*abd"));
    EXPECT_FALSE(MatchesPattern(std::string(200, 'a'), std::string(60, '*') + "b"));
}

TEST_F(Kernel, SearchReturnsOrdinaryFilesOnlyInNameOrder) {
    Write("b.emf", "b");
    Write("A.EMF", "a");
    Write(".hidden.emf", "h");
    Write("c.wmf", "c");
    Write("noext", "n");
    fs::create_directory(m_dir / "dir.emf");
    fs::create_symlink(m_dir / "dir.emf", m_dir / "link.emf");
    EXPECT_EQ(Search("*.emf"), (std::vector<std::string>{"A.EMF", "b.emf"}));
    EXPECT_EQ(Search("*"), (std::vector<std::string>{"A.EMF", "b.emf", "c.wmf", "noext"}));
    EXPECT_TRUE(Search("*.gif").empty());

    WIN32_FIND_DATA data;
    EXPECT_EQ(FindFirstFile((m_dir.string() + "/missing/*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindClose(reinterpret_cast<HANDLE>(&data)));
}

TEST_F(Kernel, SearchReportsFileSize) {
    Write("page.emf", std::string(1234, 'x'));
    WIN32_FIND_DATA data;
    HANDLE search = FindFirstFile(At("*.emf").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 1234u);
    EXPECT_EQ(data.dwFileAttributes, FILE_ATTRIBUTE_NORMAL);
    FindClose(search);
}

TEST_F(Kernel, AttributesTellFilesFromDirectories) {
    Write("f", "x");
    EXPECT_EQ(GetFileAttributes(At("f").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(GetFileAttributes(m_dir.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_NE(GetFileAttributes((m_dir.string() + "/").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributes(At("missing").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributes(""), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Kernel, CopyHonoursFailIfExistsAndNeverLeavesHalfFiles) {
    Write("src", "new");
    Write("dst", "old");
    EXPECT_FALSE(CopyFile(At("src").c_str(), At("dst").c_str(), TRUE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(Read("dst"), "old");
    EXPECT_TRUE(CopyFile(At("src").c_str(), At("dst").c_str(), FALSE));
    EXPECT_EQ(Read("dst"), "new");
    EXPECT_TRUE(CopyFile(At("src").c_str(), At("fresh").c_str(), TRUE));
    EXPECT_EQ(Read("fresh"), "new");

    EXPECT_FALSE(CopyFile(At("missing").c_str(), At("dst2").c_str(), FALSE));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CopyFile(At("src").c_str(), At("no/such/dir/x").c_str(), FALSE));
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir))
        names.insert(entry.path().filename());
    EXPECT_EQ(names, (std::set<std::string>{"dst", "fresh", "src"}));
}

TEST_F(Kernel, DeleteAndDirectories) {
    Write("f", "x");
    EXPECT_TRUE(DeleteFile(At("f").c_str()));
    EXPECT_FALSE(DeleteFile(At("f").c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(CreateDirectory(At("d").c_str(), nullptr));
    EXPECT_FALSE(CreateDirectory(At("d").c_str(), nullptr));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(DeleteFile(At("d").c_str())) << "DeleteFile does not remove directories";
    EXPECT_TRUE(RemoveDirectory(At("d").c_str()));
}

TEST_F(Kernel, CurrentDirectoryWithBufferSizes) {
    std::string saved = fs::current_path();
    ASSERT_TRUE(SetCurrentDirectory(m_dir.c_str()));
    std::string expected = fs::canonical(m_dir);
    DWORD needed = GetCurrentDirectory(0, nullptr);
    EXPECT_EQ(needed, expected.size() + 1);
    std::vector<char> buffer(needed);
    EXPECT_EQ(GetCurrentDirectory(needed - 1, buffer.data()), needed) << "too small: size needed";
    EXPECT_EQ(GetCurrentDirectory(needed, buffer.data()), needed - 1);
    EXPECT_EQ(std::string(buffer.data()), expected);
    fs::current_path(saved);
}

TEST(Time, LocalTimeIsPlausible) {
    SYSTEMTIME time{};
    GetLocalTime(&time);
    EXPECT_GE(time.wYear, 2024);
    EXPECT_GE(time.wMonth, 1);
    EXPECT_LE(time.wMonth, 12);
    EXPECT_LE(time.wHour, 23);
    EXPECT_LE(time.wMilliseconds, 999);
}

TEST(GlobalMemory, LockSizeAndFreeCheckTheirHandle) {
    HGLOBAL block = GlobalAlloc(GHND, 10);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GlobalSize(block), 10u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(bytes[i], 0);
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_EQ(GlobalFree(block), nullptr);
    int local = 0;
    EXPECT_EQ(GlobalSize(&local), 0u);
    EXPECT_EQ(GlobalLock(&local), nullptr);
    EXPECT_EQ(GlobalFree(&local), &local);
}

} // namespace
