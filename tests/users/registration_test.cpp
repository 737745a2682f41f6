// The rights every self-registered user starts with, saved without their window.
#include "support/bytes.h"
#include "support/stationtest.h"
#include "users/registration.h"

using namespace pinora;
using namespace pinora::test;

namespace {

class DefaultRightsSave : public StationTest {};

TEST_F(DefaultRightsSave, ABadLevelReadsNothingAndABrokenFileIsNeverSavedOver) {
    writeBytes(folder / "CONFIG.DB", "broken");
    DefaultRights d = defaultRightsOf(st->db.config);
    d.level = "201";
    const Result bad = saveDefaultRights(st->db, d);
    EXPECT_EQ(bad, Result::Declined);
    EXPECT_TRUE(bad.messages().empty()); // not even read

    d.level = "150";
    const Result broken = saveDefaultRights(st->db, d);
    EXPECT_EQ(broken, Result::Unreadable);
    EXPECT_EQ(broken.messages(), std::vector<std::string>{brokenFileMessage("CONFIG.DB")});
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), "broken");

    // A missing file is written afresh.
    std::filesystem::remove(folder / "CONFIG.DB");
    d.allowDelete = true;
    EXPECT_EQ(saveDefaultRights(st->db, d), Result::Ok);
    const UserRecord t = onDisk().config.newUserTemplate;
    EXPECT_EQ(t.securityLevel, 150);
    EXPECT_TRUE(t.allowDelete);
    EXPECT_EQ(defaultRightsOf(onDisk().config).level, "150");
}

} // namespace
