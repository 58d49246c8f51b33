// Runs the built Vantrel in a scratch directory the way a template macro does, with a chosen
// environment for its display, and reads back what it wrote and reported.
#pragma once

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/converter/players/EmfBuilder.h"

namespace vantrel_test {

namespace fs = std::filesystem;

// How a run ended: the exit status, or -1 for a signal, or -2 when it had to be killed.
struct TRun {
    int status = -1;
    std::string errors; // what the program wrote on stderr
};

class VantrelProcess : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("vantrel-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir / "install");
        std::ofstream(m_dir / "registry.reg")
            << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\Tallyvane!]\n\"InstallPath\"=\""
            << (m_dir / "install").string() << "\"\n";
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A 400 x 200 pixel page with one rectangle, written as name in the scratch directory.
    void WritePage(const std::string& name) {
        const std::vector<std::uint8_t> bytes =
            EmfBuilder({0, 0, 399, 199}, {0, 0, 9999, 4999}).Rectangle(10, 10, 200, 100).Bytes();
        std::ofstream(m_dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    // Runs m_program with arguments, behind wrapper when one is given (a program and its
    // arguments that start the rest of the command line). The TALLYVANE_* overrides point into
    // the scratch directory; the display variables are all removed, then those of environment
    // are set; boxes are logged and not answered unless environment gives the answers. A run
    // longer than timeout is killed.
    TRun Run(const std::vector<std::string>& arguments,
             const std::map<std::string, std::string>& environment,
             std::chrono::seconds timeout = std::chrono::seconds(60),
             const std::vector<std::string>& wrapper = {}) {
        const fs::path errors = m_dir / "stderr.txt";
        const pid_t child = ::fork();
        if (child == 0) {
            ::setpgid(0, 0);
            fs::current_path(m_dir);
            ::setenv("TALLYVANE_REGISTRY", (m_dir / "registry.reg").c_str(), 1);
            ::setenv("TALLYVANE_MESSAGES", (m_dir / "messages.log").c_str(), 1);
            ::setenv("TALLYVANE_CLIPBOARD", (m_dir / "clipboard").c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", (m_dir / "config").c_str(), 1);
            ::unsetenv("TALLYVANE_ANSWERS");
            for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
                ::unsetenv(name);
            }
            for (const auto& [name, value] : environment) {
                ::setenv(name.c_str(), value.c_str(), 1);
            }
            if (!std::freopen(errors.c_str(), "w", stderr)) {
                ::_exit(126);
            }
            std::vector<std::string> words = wrapper;
            words.push_back(m_program.string());
            words.insert(words.end(), arguments.begin(), arguments.end());
            std::vector<char*> argv;
            for (std::string& word : words) {
                argv.push_back(word.data());
            }
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        TRun run;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(-child, SIGKILL);
                ::waitpid(child, &status, 0);
                run.status = -2;
                run.errors = ReadText(errors);
                return run;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.errors = ReadText(errors);
        return run;
    }

    static std::string ReadText(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The boxes the run logged, one line each.
    std::vector<std::string> Logged() const {
        std::vector<std::string> lines;
        std::ifstream in(m_dir / "messages.log");
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    fs::path m_dir;
    fs::path m_program = fs::path(TALLYVANE_BIN_DIR) / "Vantrel";
};

} // namespace vantrel_test
