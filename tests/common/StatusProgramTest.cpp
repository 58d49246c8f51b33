#include "common/StatusProgram.h"
#include "common/RunMode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(RunMode, WholeArgumentStringSelectsTheModeIgnoringCase) {
    struct Case {
        const char* line;
        int installer; // pause switch "pause"
        int remover;   // pause switch "maxpause"
    };
    const Case cases[] = {
        {"", 0, 0},       {"debug", 1, 1},    {"DeBuG", 1, 1},    {"pause", 2, 0},
        {"PAUSE", 2, 0},  {"maxpause", 0, 2}, {"MaxPause", 0, 2}, {"debug pause", 0, 0},
        {"pause ", 0, 0}, {"debugx", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.line + "\"");
        EXPECT_EQ(ParseRunMode(c.line, "pause"), c.installer);
        EXPECT_EQ(ParseRunMode(c.line, "maxpause"), c.remover);
    }
    char program[] = "Dotferry", debug[] = "debug", pause[] = "pause";
    char* argv[] = {program, debug, pause};
    EXPECT_EQ(JoinCommandLine(3, argv), "debug pause");
    EXPECT_EQ(JoinCommandLine(1, argv), "");
}

TEST(StatusProgram, PlacesTheWindowByModeAndCharacterWidth) {
    struct Case {
        const char* name;
        int mode;
        int debugHeight;
        TStatusPlacement expected;
    };
    // Average width 7 on a 1024 x 768 screen; lines are 17 pixels.
    const Case cases[] = {
        {"normal", kRunModeNormal, 31, {(1024 - 350) / 2, (768 - 187) / 2, 350, 187}},
        {"pause", kRunModePause, 31, {(1024 - 350) / 2, (768 - 221) / 2, 350, 221}},
        {"installer debug", kRunModeDebug, 31, {(1024 - 770) / 2, (768 - 459) / 2, 770, 527}},
        {"remover debug", kRunModeDebug, 35, {(1024 - 770) / 2, (768 - 459) / 2, 770, 595}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TStatusProgram program;
        program.runMode = c.mode;
        program.debugHeightLines = c.debugHeight;
        TStatusPlacement got = PlaceStatusProgram(program, 7, 1024, 768);
        EXPECT_EQ(got.left, c.expected.left);
        EXPECT_EQ(got.top, c.expected.top);
        EXPECT_EQ(got.width, c.expected.width);
        EXPECT_EQ(got.height, c.expected.height);
    }
    // A window wider than the screen: the halves truncate toward zero.
    TStatusProgram wide;
    wide.runMode = kRunModeDebug;
    EXPECT_EQ(PlaceStatusProgram(wide, 10, 1001, 300).left, -49);
}

TEST(StatusProgram, HeadlessRunPrintsWhatItWouldPaint) {
    struct Case {
        int mode;
        bool works;
        bool prints;
    };
    const Case cases[] = {
        {kRunModeNormal, false, true}, {kRunModeDebug, true, true}, {kRunModePause, true, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        int worked = 0;
        TStatusProgram program;
        program.runMode = c.mode;
        program.work = [&] { ++worked; };
        program.page = [&] {
            TStatusPage page;
            page.AddText(10, 10, kStatusBlue, "worked " + std::to_string(worked) + " \x99");
            page.AddRule(10, 650, 27);
            return page;
        };
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        EXPECT_EQ(RunStatusProgramHeadless(program, out), 0);
        std::rewind(out);
        char buffer[256] = {};
        std::size_t size = std::fread(buffer, 1, sizeof buffer - 1, out);
        std::fclose(out);
        EXPECT_EQ(worked, c.works ? 1 : 0);
        std::string expected = c.prints ? "worked " + std::to_string(worked) + " \u2122\n" : "";
        EXPECT_EQ(std::string(buffer, size), expected);
    }
}

TEST(StatusPage, ConvertsWindows1252ToUtf8) {
    EXPECT_EQ(Cp1252ToUtf8("plain"), "plain");
    EXPECT_EQ(Cp1252ToUtf8("\x80\x99\xE9\xFF"), "\u20AC\u2122\u00E9\u00FF");
    EXPECT_EQ(Cp1252ToUtf8("\x81\x8D"), "\uFFFD\uFFFD");
    EXPECT_EQ(Cp1252ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

} // namespace
