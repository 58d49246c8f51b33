// A scratch world for job-control tests: a temporary directory that is also the current
// directory, the clipboard, registry and message log inside it, message boxes captured instead
// of shown, and the key store and job settings back at their start.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "converter/app/CmdParam.h"
#include "converter/app/JobSettings.h"
#include "platform/WinUser.h"

struct TShownBox {
    std::string caption;
    std::string text;
    UINT type;
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_saved = std::filesystem::current_path();
        m_dir = std::filesystem::temp_directory_path() /
                ("app-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_dir = std::filesystem::canonical(m_dir);
        std::filesystem::current_path(m_dir);
        ::setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
        ::setenv("TALLYVANE_REGISTRY", (m_dir / "registry.reg").c_str(), 1);
        ::unsetenv("TALLYVANE_MESSAGES");
        ::unsetenv("TALLYVANE_ANSWERS");
        tallyvane::user::ResetMessageBoxAnswers();
        tallyvane::user::SetMessageBoxPresenter(
            [this](const tallyvane::user::MessageBoxRequest& box) {
                m_boxes.push_back({box.caption, box.text, box.type});
                return IDOK;
            });
        ResetCommandLine();
        ResetJobSettings();
    }
    void TearDown() override {
        tallyvane::user::SetMessageBoxPresenter(nullptr);
        std::filesystem::current_path(m_saved);
        std::filesystem::remove_all(m_dir);
        ::unsetenv("TALLYVANE_CLIPBOARD");
        ::unsetenv("TALLYVANE_REGISTRY");
    }

    // Parses a command line (without the program) into the key store with the job keys.
    void Parse(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{"Vantrel"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        SetCommandLineArguments(all);
        SetKeys(JobKeys());
        ParseCommandLine();
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TShownBox& box : m_boxes)
            texts.push_back(box.text);
        return texts;
    }

    void Touch(const std::filesystem::path& path, const std::string& text = "x") {
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }

    std::string Read(const std::filesystem::path& path) const {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::filesystem::path m_dir;
    std::filesystem::path m_saved;
    std::vector<TShownBox> m_boxes;
};
