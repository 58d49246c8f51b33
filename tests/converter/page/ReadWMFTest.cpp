#include "converter/page/ReadWMF.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include <unistd.h>

#include "MessageRecorder.h"

namespace {

namespace fs = std::filesystem;

// A plain metafile: header, one SetBkMode record, the end record.
std::vector<BYTE> PlainMetafile(WORD type = 1) {
    const std::vector<WORD> words = {
        type, 9, 0x0300,
        0,    0, 0,
        4,    0, 0, // header, size patched below
        4,    0, META_SETBKMODE,
        1,          // SetBkMode(OPAQUE... 1)
        3,    0, 0, // end
    };
    std::vector<BYTE> bytes(words.size() * 2);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    const DWORD size = static_cast<DWORD>(words.size());
    std::memcpy(bytes.data() + 6, &size, 4);
    return bytes;
}

std::vector<BYTE> Placeable(const std::vector<BYTE>& plain, WORD checksum = 0) {
    std::vector<BYTE> bytes(22 + plain.size(), 0);
    const DWORD key = META_PLACEABLE_KEY;
    std::memcpy(bytes.data(), &key, 4);
    const short box[4] = {0, 0, 1000, 500};
    std::memcpy(bytes.data() + 6, box, 8);
    const WORD inch = 1440;
    std::memcpy(bytes.data() + 14, &inch, 2);
    std::memcpy(bytes.data() + 20, &checksum, 2);
    std::copy(plain.begin(), plain.end(), bytes.begin() + 22);
    return bytes;
}

class ReadWMFTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("readwmf-" + std::to_string(::getpid()));
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const std::string& name, const std::vector<BYTE>& bytes) {
        const std::string path = (m_dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    fs::path m_dir;
};

TEST_F(ReadWMFTest, ReadsPlainAndPlaceableFiles) {
    const std::vector<BYTE> plain = PlainMetafile();
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        bool placeable;
    } cases[] = {
        {"plain", plain, false},
        {"placeable with a wrong checksum", Placeable(plain, 0xBEEF), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder messages;
        const std::string path = Write("page.wmf", c.bytes);
        BYTE placeableHeader[22];
        std::memset(placeableHeader, 0xAA, sizeof placeableHeader);
        BYTE header[18] = {};
        HMETAFILE handle = ReadWindowsMetafile(path.c_str(), placeableHeader, header);
        ASSERT_NE(handle, nullptr);
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_EQ(std::memcmp(header, plain.data(), 18), 0);
        if (c.placeable) {
            EXPECT_EQ(std::memcmp(placeableHeader, c.bytes.data(), 22), 0);
        } else {
            EXPECT_EQ(placeableHeader[0], 0xAA) << "a plain file leaves the placeable buffer";
        }
        // The metafile holds the plain part only.
        EXPECT_EQ(GetMetaFileBitsEx(handle, 0, nullptr), plain.size());
        DeleteMetaFile(handle);
    }
}

TEST_F(ReadWMFTest, ReportsEachFailureInItsOwnWords) {
    const std::vector<BYTE> plain = PlainMetafile();
    std::vector<BYTE> placeableShort = Placeable(plain);
    placeableShort.resize(30);
    std::vector<BYTE> placeableHeaderShort = Placeable(plain);
    placeableHeaderShort.resize(10);
    struct Case {
        const char* name;
        std::vector<BYTE> bytes;
        std::vector<std::string> expected;
        int handle; // 1 a handle, 0 none, -1 whatever the metafile layer makes of the bytes
    } cases[] = {
        {"three bytes", {1, 2, 3}, {"unable to read file\n@"}, 0},
        {"plain header short", {1, 0, 9, 0, 0, 3, 0}, {"unable to read metafile header"}, 0},
        {"placeable header short", placeableHeaderShort, {"Unable to read placeable header"}, 0},
        {"placeable metafile header short", placeableShort, {"Unable to read metafile header"}, 0},
        {"type word 3", PlainMetafile(3), {"This file is not a valid metafile"}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder messages;
        const std::string path = Write("bad.wmf", c.bytes);
        BYTE placeableHeader[22] = {};
        BYTE header[18] = {};
        HMETAFILE handle = ReadWindowsMetafile(path.c_str(), placeableHeader, header);
        if (c.handle >= 0) {
            EXPECT_EQ(handle != nullptr, c.handle == 1);
        }
        std::vector<std::string> expected = c.expected;
        for (std::string& text : expected) {
            if (const auto at = text.find('@'); at != std::string::npos) {
                text.replace(at, 1, path);
            }
        }
        EXPECT_EQ(messages.texts, expected);
        for (const std::string& caption : messages.captions) {
            EXPECT_EQ(caption, "Error");
        }
        if (handle) {
            DeleteMetaFile(handle);
        }
    }
}

TEST_F(ReadWMFTest, MissingFileNamesThePath) {
    MessageRecorder messages;
    const std::string path = (m_dir / "none.wmf").string();
    BYTE placeableHeader[22] = {};
    BYTE header[18] = {};
    EXPECT_EQ(ReadWindowsMetafile(path.c_str(), placeableHeader, header), nullptr);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Unable to open this file:\n" + path);
}

TEST_F(ReadWMFTest, PlaceableFileShorterThanItsHeaderSaysUsesOnlyWhatItHolds) {
    std::vector<BYTE> plain = PlainMetafile();
    const DWORD claimed = 4000; // words
    std::memcpy(plain.data() + 6, &claimed, 4);
    MessageRecorder messages;
    const std::string path = Write("short.wmf", Placeable(plain));
    BYTE placeableHeader[22] = {};
    BYTE header[18] = {};
    HMETAFILE handle = ReadWindowsMetafile(path.c_str(), placeableHeader, header);
    // Whatever the metafile layer makes of the bytes, nothing beyond the file reaches it.
    if (handle) {
        EXPECT_LE(GetMetaFileBitsEx(handle, 0, nullptr), plain.size());
        DeleteMetaFile(handle);
    } else {
        ASSERT_FALSE(messages.texts.empty());
        EXPECT_EQ(messages.texts[0], "Unable to create the windows metafile!");
    }
}

} // namespace

namespace {

TEST_F(ReadWMFTest, AHugeClaimedSizeAsksForNoMoreThanTheFileHolds) {
    std::vector<BYTE> plain = PlainMetafile();
    const DWORD claimed = 0xFFFFFFFFu; // words: 8 GB
    std::memcpy(plain.data() + 6, &claimed, 4);
    MessageRecorder messages;
    const std::string path = Write("huge.wmf", Placeable(plain));
    BYTE placeableHeader[22] = {};
    BYTE header[18] = {};
    HMETAFILE handle = ReadWindowsMetafile(path.c_str(), placeableHeader, header);
    for (const std::string& text : messages.texts) {
        EXPECT_NE(text, "Unable to allocate memory for metafile bits!");
    }
    if (handle) {
        DeleteMetaFile(handle);
    }
}

} // namespace
