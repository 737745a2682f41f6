// The login configuration's two groups of choices, and their save beside the other fields.
#include "support/bytes.h"
#include "support/stationtest.h"
#include "users/loginconfig.h"

#include <cstring>

using namespace pinora;
using namespace pinora::test;

namespace {

TEST(LoginConfig, ChoicesReadEveryFlagCombinationAndWriteTheNormalForm) {
    for (int bits = 0; bits < 4; ++bits) {
        ConfigRecord c{};
        c.authUseOsName = bits & 1;
        c.authAskPassword = bits & 2;
        EXPECT_EQ(authChoice(c), !(bits & 1) ? 2 : (bits & 2) ? 1 : 0) << bits;
        c.signupAllowed = bits & 1;
        c.signupAskName = bits & 2;
        EXPECT_EQ(newUserChoice(c), !(bits & 1) ? 2 : (bits & 2) ? 1 : 0) << bits;
    }
    const bool auth[3][3] = {{true, false, false}, {true, true, true}, {false, true, true}};
    const bool signup[3][2] = {{true, false}, {true, true}, {false, false}};
    for (int i = 0; i < 3; ++i) {
        ConfigRecord c{};
        std::memset(&c, 0xFF, sizeof c);
        applyAuthChoice(c, i);
        applyNewUserChoice(c, i);
        EXPECT_EQ(c.authUseOsName.v, auth[i][0]) << i;
        EXPECT_EQ(c.authAskPassword.v, auth[i][1]) << i;
        EXPECT_EQ(c.authDialogFlag.v, auth[i][2]) << i;
        EXPECT_EQ(c.signupAllowed.v, signup[i][0]) << i;
        EXPECT_EQ(c.signupAskName.v, signup[i][1]) << i;
        EXPECT_EQ(authChoice(c), i);
        EXPECT_EQ(newUserChoice(c), i);
    }
}

class LoginConfigSave : public StationTest {};

// A file another station broke stays as it is for the administrator; a missing one is
// written afresh with the choices.
TEST_F(LoginConfigSave, AnUnreadableFileIsLeftAndAMissingOneWrittenAfresh) {
    writeBytes(folder / "CONFIG.DB", "not a configuration");
    const Result refused = saveLoginConfig(st->db, 0, 1);
    EXPECT_EQ(refused, Result::Unreadable);
    EXPECT_EQ(refused.file(), "CONFIG.DB");
    EXPECT_FALSE(refused.messages().empty());
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), "not a configuration");

    std::filesystem::remove(folder / "CONFIG.DB");
    const Result written = saveLoginConfig(st->db, 0, 1);
    EXPECT_EQ(written, Result::Ok);
    EXPECT_TRUE(written.messages().empty());
    const ConfigRecord c = onDisk().config;
    EXPECT_EQ(authChoice(c), 0);
    EXPECT_EQ(newUserChoice(c), 1);
    // Nothing chosen keeps the flags as they are.
    ASSERT_EQ(saveLoginConfig(st->db, -1, -1), Result::Ok);
    EXPECT_EQ(authChoice(onDisk().config), 0);
    EXPECT_EQ(newUserChoice(onDisk().config), 1);
}

} // namespace
