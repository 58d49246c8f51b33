#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/WinReg.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kKey = "Software\\Orvan\\Tallyvane!";

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("registry-test-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_file = m_dir / "registry.reg";
        ::setenv("TALLYVANE_REGISTRY", m_file.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("TALLYVANE_REGISTRY");
        fs::remove_all(m_dir);
    }

    static LONG SetString(HKEY key, const char* name, const std::string& text) {
        return RegSetValueEx(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1));
    }
    // Reads a string the Win32 way: size first, then the data.
    static LONG GetString(HKEY key, const char* name, std::string& text) {
        DWORD size = 0;
        DWORD type = 0;
        LONG result = RegQueryValueEx(key, name, nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS)
            return result;
        std::string buffer(size, '\0');
        result = RegQueryValueEx(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                 &size);
        if (result == ERROR_SUCCESS)
            text = buffer.c_str();
        return result;
    }
    static HKEY Create(const char* path = kKey) {
        HKEY key = nullptr;
        EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr),
                  ERROR_SUCCESS);
        return key;
    }

    fs::path m_dir;
    fs::path m_file;
};

TEST_F(Registry, MissingKeyAndValueAnswerFileNotFound) {
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), 2);
    EXPECT_EQ(key, nullptr);
    EXPECT_FALSE(fs::exists(m_file)) << "opening must not create the file";

    key = Create();
    std::string text;
    EXPECT_EQ(GetString(key, "InstallPath", text), 2);
    EXPECT_EQ(RegDeleteValue(key, "InstallPath"), 2);
    RegCloseKey(key);
}

TEST_F(Registry, StringRoundTripsThroughTheFileWithSizeQueryFirst) {
    HKEY key = Create();
    const std::string path = "/opt/tally vane/\"quoted\"\\back\nline";
    ASSERT_EQ(SetString(key, "InstallPath", path), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "software\\ORVAN\\tallyvane!", 0, KEY_READ, &key),
              ERROR_SUCCESS)
        << "key names ignore case";
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueEx(key, "installpath", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, path.size() + 1);
    std::string small(4, '\0');
    DWORD smallSize = 4;
    EXPECT_EQ(RegQueryValueEx(key, "InstallPath", nullptr, nullptr,
                              reinterpret_cast<BYTE*>(small.data()), &smallSize),
              ERROR_MORE_DATA);
    EXPECT_EQ(smallSize, path.size() + 1);
    std::string text;
    ASSERT_EQ(GetString(key, "InstallPath", text), ERROR_SUCCESS);
    EXPECT_EQ(text, path);
    RegCloseKey(key);

    const std::string file = ReadAll(m_file);
    EXPECT_EQ(file.rfind("REGEDIT4\n", 0), 0u);
    EXPECT_NE(file.find("[HKEY_LOCAL_MACHINE\\Software\\Orvan\\Tallyvane!]"), std::string::npos);
}

TEST_F(Registry, ReadOnlyKeyRefusesChanges) {
    RegCloseKey(Create());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(SetString(key, "SavePath", "/tmp"), 5);
    EXPECT_EQ(RegDeleteValue(key, "SavePath"), 5);
    RegCloseKey(key);
}

TEST_F(Registry, RootsAreSeparateAndValuesCanBeDeleted) {
    HKEY machine = Create();
    HKEY user = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_WRITE | KEY_READ, nullptr,
                             &user, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(SetString(user, "SavePath", "/home/x"), ERROR_SUCCESS);
    std::string text;
    EXPECT_EQ(GetString(machine, "SavePath", text), 2);
    EXPECT_EQ(RegDeleteValue(user, "SAVEPATH"), ERROR_SUCCESS);
    EXPECT_EQ(GetString(user, "SavePath", text), 2);
    RegCloseKey(user);
    RegCloseKey(machine);
}

TEST_F(Registry, DeleteKeyRefusesKeysWithSubkeys) {
    RegCloseKey(Create("Software\\A\\B"));
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\A"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKey(HKEY_LOCAL_MACHINE, "Software\\A\\B"), ERROR_SUCCESS);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\A", 0, KEY_READ, &key), 2);
}

TEST_F(Registry, ConcurrentWritersAllKeepTheirValues) {
    constexpr int kWriters = 4;
    constexpr int kValuesEach = 25;
    RegCloseKey(Create());
    for (int writer = 0; writer < kWriters; ++writer) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            HKEY key = nullptr;
            if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
                ::_exit(2);
            for (int i = 0; i < kValuesEach; ++i) {
                std::string name = "UserPath" + std::to_string(writer * kValuesEach + i);
                if (SetString(key, name.c_str(), name + "-value") != ERROR_SUCCESS)
                    ::_exit(1);
            }
            ::_exit(0);
        }
    }
    for (int writer = 0; writer < kWriters; ++writer) {
        int status = 0;
        ::wait(&status);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    for (int i = 0; i < kWriters * kValuesEach; ++i) {
        std::string name = "UserPath" + std::to_string(i);
        std::string text;
        ASSERT_EQ(GetString(key, name.c_str(), text), ERROR_SUCCESS) << name;
        EXPECT_EQ(text, name + "-value");
    }
    RegCloseKey(key);
}

TEST_F(Registry, MalformedFileIsReportedAndNeverOverwritten) {
    const struct {
        const char* name;
        const char* text;
    } cases[] = {
        {"no header", "[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=\"b\"\n"},
        {"unknown root", "REGEDIT4\n[HKEY_NOWHERE\\Software]\n"},
        {"unterminated string", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=\"b\n"},
        {"value before key", "REGEDIT4\n\"A\"=\"b\"\n"},
        {"binary value", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=hex:01,02\n"},
        {"truncated", "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Softw"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            std::ofstream out(m_file, std::ios::binary | std::ios::trunc);
            out << c.text;
        }
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
        EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                 &key, nullptr),
                  ERROR_BADDB);
        EXPECT_EQ(ReadAll(m_file), c.text);
    }
}

TEST_F(Registry, UnreadableFileIsAnErrorNotAnEmptyRegistry) {
    fs::create_directory(m_file);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &key), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                             nullptr),
              ERROR_BADDB);
    EXPECT_TRUE(fs::is_directory(m_file));
}

TEST_F(Registry, HandEditedFileIsReadWithCommentsDwordsAndCrLf) {
    {
        std::ofstream out(m_file, std::ios::binary);
        out << "REGEDIT4\r\n\r\n; set up by "
               "hand\r\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\Tallyvane!]"
               "\r\n\"InstallPath\"=\"/opt/tv\"\r\n\"Version\"=dword:0000002a\r\n@=\"default\"\r\n";
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Orvan", 0, KEY_READ, &key), ERROR_SUCCESS)
        << "a parent of a key exists too";
    RegCloseKey(key);
    key = Create();
    std::string text;
    EXPECT_EQ(GetString(key, "InstallPath", text), ERROR_SUCCESS);
    EXPECT_EQ(text, "/opt/tv");
    EXPECT_EQ(GetString(key, nullptr, text), ERROR_SUCCESS);
    EXPECT_EQ(text, "default");
    DWORD number = 0, size = sizeof number, type = 0;
    EXPECT_EQ(
        RegQueryValueEx(key, "Version", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(number, 42u);
    // A change keeps everything else the file held.
    ASSERT_EQ(SetString(key, "SavePath", "/x"), ERROR_SUCCESS);
    EXPECT_NE(ReadAll(m_file).find("\"Version\"=dword:0000002a"), std::string::npos);
    RegCloseKey(key);
}

TEST_F(Registry, ClosedOrUnknownHandlesAreRejected) {
    HKEY key = Create();
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    std::string text;
    EXPECT_EQ(GetString(key, "InstallPath", text), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
}

} // namespace
