// The logon decision: which dialog, if any, the settings, the switch and the system user call for.
#include "support/stationtest.h"
#include "users/logon.h"

using namespace pinora;
using namespace pinora::test;

namespace {

// Beside ADMIN (who must type a password), Teacher, who need not.
class LogonTest : public StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        storeUser("Teacher", "apple", [](UserRecord& u) {
            u.fullName = "Teacher";
            u.securityLevel = 100;
        });
    }
    void mode(bool useOsName, bool askPassword) {
        st->db.config.authUseOsName = useOsName;
        st->db.config.authAskPassword = askPassword;
        st->db.config.authDialogFlag = askPassword;
    }
};

TEST_F(LogonTest, DecisionFollowsTheSettingsTheSwitchAndTheSystemUser) {
    Database& db = st->db;
    mode(false, true);
    EXPECT_EQ(chooseLogon(db, false, "teacher").mode, LogonMode::FullDialog);
    mode(true, true);
    EXPECT_EQ(chooseLogon(db, true, "teacher").mode, LogonMode::FullDialog);
    LogonChoice c = chooseLogon(db, false, "TEACHER");
    EXPECT_EQ(c.mode, LogonMode::PasswordPrompt);
    EXPECT_EQ(c.slot, 2);
    EXPECT_EQ(c.name, "TEACHER"); // as the system gave it
    mode(true, false);
    EXPECT_EQ(chooseLogon(db, false, "teacher").mode, LogonMode::Automatic);
    EXPECT_EQ(chooseLogon(db, false, "admin").mode, LogonMode::PasswordPrompt); // forcePassword
    EXPECT_EQ(chooseLogon(db, false, "stranger").mode, LogonMode::UnknownUser);
    EXPECT_EQ(chooseLogon(db, false, "").mode, LogonMode::UnknownUser);
    EXPECT_EQ(chooseLogon(db, true, "stranger").mode, LogonMode::FullDialog);

    fakes.osUser = std::string(200, 'x');
    EXPECT_EQ(osUserNameForLogon(st->services()).size(), 128u);
}

} // namespace
