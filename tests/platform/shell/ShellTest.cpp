#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/ShellApi.h"
#include "platform/WinBase.h"

namespace {

namespace fs = std::filesystem;

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("shell-test-" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override {
        ::unsetenv("TALLYVANE_APPDATA");
        ::unsetenv("TALLYVANE_OPENER");
        fs::remove_all(m_dir);
    }
    fs::path m_dir;
};

TEST_F(Shell, AppDataFolderFollowsTheOverrideAndCanBeCreated) {
    ::setenv("TALLYVANE_APPDATA", (m_dir / "appdata/").c_str(), 1);
    char path[MAX_PATH];
    EXPECT_EQ(SHGetFolderPath(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path), S_FALSE);
    EXPECT_EQ(std::string(path), (m_dir / "appdata").string());
    EXPECT_EQ(SHGetFolderPath(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path), S_OK);
    EXPECT_TRUE(fs::is_directory(m_dir / "appdata"));
    EXPECT_EQ(SHGetFolderPath(nullptr, 0x7777, nullptr, 0, path), E_INVALIDARG);
}

TEST_F(Shell, OpenHandsTheTargetToTheOpener) {
    // The opener is a script that records what it was asked to open.
    fs::path opener = m_dir / "opener";
    std::ofstream(opener) << "#!/bin/sh\necho \"$1\" > " << (m_dir / "opened").string() << "\n";
    fs::permissions(opener, fs::perms::owner_all);
    ::setenv("TALLYVANE_OPENER", opener.c_str(), 1);

    auto code = [](HINSTANCE result) { return reinterpret_cast<INT_PTR>(result); };
    EXPECT_GT(code(ShellExecute(nullptr, "open", "https://example.org/", nullptr, nullptr,
                                SW_SHOWNORMAL)),
              32);
    for (int i = 0; i < 200 && !fs::exists(m_dir / "opened"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(m_dir / "opened");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "https://example.org/");

    EXPECT_EQ(code(ShellExecute(nullptr, "open", (m_dir / "missing.txt").c_str(), nullptr, nullptr,
                                SW_SHOWNORMAL)),
              2);
    EXPECT_LE(code(ShellExecute(nullptr, "print", "https://example.org/", nullptr, nullptr, 0)),
              32);
}

} // namespace
