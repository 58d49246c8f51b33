#include "common/RegistryStrings.h"

#include "tests/common/Sandbox.h"

namespace {

using namespace sandbox;

TEST(RegistryStrings, ReadsWritesAndDeletesOnlyUnderExistingKeys) {
    TSandbox box;
    TSandbox::SetValue(HKEY_LOCAL_MACHINE, kProductKey, "InstallPath", "/opt/tv");
    TSandbox::CreateKey(HKEY_CURRENT_USER, "Software\\Existing");

    EXPECT_EQ(ReadMachineString(kProductKey, "InstallPath"), "/opt/tv");
    EXPECT_EQ(ReadMachineString(kProductKey, "Missing"), std::nullopt);
    EXPECT_EQ(ReadMachineString("Software\\Nowhere", "InstallPath"), std::nullopt);
    EXPECT_EQ(ReadUserString(kProductKey, "InstallPath"), std::nullopt); // other root

    EXPECT_EQ(WriteUserString("Software\\Existing", "Name", "value"), ERROR_SUCCESS);
    EXPECT_EQ(ReadUserString("Software\\Existing", "Name"), "value");
    EXPECT_EQ(WriteUserString("Software\\Existing", "Empty", ""), ERROR_SUCCESS);
    EXPECT_EQ(ReadUserString("Software\\Existing", "Empty"), "");
    // Keys are never created.
    EXPECT_NE(WriteUserString("Software\\Nowhere", "Name", "value"), ERROR_SUCCESS);
    EXPECT_FALSE(UserKeyExists("Software\\Nowhere"));
    EXPECT_TRUE(UserKeyExists("Software\\Existing"));

    EXPECT_EQ(WriteMachineString(kProductKey, "UserPath1", "/a/b"), ERROR_SUCCESS);
    EXPECT_EQ(DeleteMachineValue(kProductKey, "UserPath1"), ERROR_SUCCESS);
    EXPECT_EQ(DeleteMachineValue(kProductKey, "UserPath1"),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(DeleteMachineValue("Software\\Nowhere", "UserPath1"),
              static_cast<LONG>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadMachineString(kProductKey, "UserPath1"), std::nullopt);
}

} // namespace
