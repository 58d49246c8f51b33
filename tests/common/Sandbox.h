// A private registry file, application-data folder and message log for one test, so the
// installer and the remover run without touching the user's own files.
#pragma once

#include "platform/WinReg.h"
#include "platform/WinUser.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace sandbox {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class TSandbox {
public:
    TSandbox() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = "tallyvane-" + std::to_string(::getpid()) + "-" +
                           info->test_suite_name() + "-" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_root = fs::temp_directory_path() / name;
        fs::remove_all(m_root);
        fs::create_directories(AppData());
        ::setenv("TALLYVANE_REGISTRY", Registry().c_str(), 1);
        ::setenv("TALLYVANE_APPDATA", AppData().c_str(), 1);
        ::setenv("TALLYVANE_MESSAGES", Messages().c_str(), 1);
        ::setenv("TALLYVANE_ANSWERS", "OK,OK,OK,OK", 1);
        tallyvane::user::ResetMessageBoxAnswers();
    }
    TSandbox(const TSandbox&) = delete;
    TSandbox& operator=(const TSandbox&) = delete;
    ~TSandbox() {
        for (const char* name :
             {"TALLYVANE_REGISTRY", "TALLYVANE_APPDATA", "TALLYVANE_MESSAGES", "TALLYVANE_ANSWERS"})
            ::unsetenv(name);
        fs::remove_all(m_root);
    }

    const fs::path& Root() const { return m_root; }
    fs::path Registry() const { return m_root / "registry.reg"; }
    fs::path AppData() const { return m_root / "appdata"; }
    fs::path Messages() const { return m_root / "messages.log"; }

    // Creates the key (and its parents) under root.
    static void CreateKey(HKEY root, const std::string& key) {
        HKEY opened = nullptr;
        ASSERT_EQ(
            RegCreateKeyEx(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr),
            ERROR_SUCCESS)
            << key;
        RegCloseKey(opened);
    }

    // Creates the key when needed and sets a string value in it.
    static void SetValue(HKEY root, const std::string& key, const std::string& name,
                         const std::string& text) {
        HKEY opened = nullptr;
        ASSERT_EQ(
            RegCreateKeyEx(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr),
            ERROR_SUCCESS)
            << key;
        EXPECT_EQ(RegSetValueEx(opened, name.c_str(), 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(text.c_str()),
                                static_cast<DWORD>(text.size() + 1)),
                  ERROR_SUCCESS);
        RegCloseKey(opened);
    }

    static std::optional<std::string> Value(HKEY root, const std::string& key,
                                            const std::string& name) {
        HKEY opened = nullptr;
        if (RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
            return std::nullopt;
        char buffer[1024] = {};
        DWORD size = sizeof buffer - 1;
        DWORD type = 0;
        LONG result = RegQueryValueEx(opened, name.c_str(), nullptr, &type,
                                      reinterpret_cast<BYTE*>(buffer), &size);
        RegCloseKey(opened);
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        return std::string(buffer);
    }

private:
    fs::path m_root;
};

} // namespace sandbox
