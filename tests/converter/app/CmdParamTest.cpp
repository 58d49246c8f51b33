#include "converter/app/CmdParam.h"

#include <gtest/gtest.h>

namespace {

class CmdParam : public ::testing::Test {
protected:
    void SetUp() override { ResetCommandLine(); }
    void TearDown() override { ResetCommandLine(); }
};

TEST_F(CmdParam, KeysMatchCaseSensitivelyAnywhereInsideAnArgument) {
    SetCommandLineArguments({"/opt/at:X/Vantrel", "AT:CONVERT", "xat:convert", "at:SECOND",
                             "ifn:/tmp/a b.emf", "dbg:"});
    ASSERT_TRUE(SetKeys({"at:", "ifn:", "dbg:", "odn:", "st:"}));
    ASSERT_TRUE(ParseCommandLine());
    EXPECT_EQ(ParsedParamCount(), 5);
    EXPECT_EQ(GetKeyValue(0), "convert") << "first argument holding the key wins; argument 0 "
                                            "and upper-case AT: are not matched";
    EXPECT_EQ(GetKeyValue(1), "/tmp/a b.emf");
    EXPECT_EQ(GetKeyValue(2), "");
    EXPECT_EQ(GetKeyValue(3), "");
    EXPECT_EQ(GetKeyValue(4), "");
    EXPECT_EQ(GetKeyValue(5), "");
    EXPECT_EQ(GetKeyValue(-1), "");

    std::string value;
    EXPECT_FALSE(FindKeyValue("", value)) << "the empty key is never searched";
    EXPECT_TRUE(FindKeyValue("dbg:", value));
    EXPECT_EQ(value, "");
    EXPECT_FALSE(FindKeyValue("psn:", value));
}

TEST_F(CmdParam, ParseRunsOnceAndValuesNeedIt) {
    SetCommandLineArguments({"Vantrel", "at:CONVERT"});
    EXPECT_FALSE(SetKeys({})) << "no keys: refused";
    ASSERT_TRUE(SetKeys({"at:"}));
    EXPECT_EQ(ParsedParamCount(), -1);
    EXPECT_EQ(GetKeyValue(0), "") << "no values before a parse";
    EXPECT_TRUE(ParseCommandLine());
    SetCommandLineArguments({"Vantrel", "at:OTHER"});
    EXPECT_FALSE(ParseCommandLine());
    EXPECT_EQ(GetKeyValue(0), "CONVERT");
}

TEST_F(CmdParam, NoArgumentsCountZero) {
    SetCommandLineArguments({"Vantrel", ""});
    SetKeys({"at:"});
    ParseCommandLine();
    EXPECT_EQ(ParsedParamCount(), 0) << "an empty argument counts as none";
}

TEST_F(CmdParam, CommandLineSplitsOnBlanksOutsideQuotes) {
    const struct {
        const char* line;
        std::vector<std::string> arguments;
    } cases[] = {
        {"Vantrel at:CONVERT  st:FILE", {"Vantrel", "at:CONVERT", "st:FILE"}},
        {"Vantrel \"ifn:C:\\My Docs\\p.emf\" x", {"Vantrel", "ifn:C:\\My Docs\\p.emf", "x"}},
        {"Vantrel \"\" a\tb", {"Vantrel", "a", "b"}},
        {"Vantrel ab\"c d\"e", {"Vantrel", "abc de"}},
        {"Vantrel \"unterminated run", {"Vantrel", "unterminated run"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(SplitCommandLine(c.line), c.arguments);
    }
}

} // namespace
