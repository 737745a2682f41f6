#include "db/database.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

using namespace pinora;
using namespace pinora::test;

namespace {
std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
const std::string kHeader("\x08\x83PNR2DB\x83\0\0\0\xC4\x09\0\0", 16);
} // namespace

TEST(Files, FreshFilesHaveExactSizesAndHeader) {
    TempFolder dir;
    FakeServices fs;
    Database db(dir.str(), fs.services());
    db.setConfigDefaults();
    db.initUsers();
    db.initNotices();
    ASSERT_TRUE(db.saveConfig());
    ASSERT_TRUE(db.saveUsers());
    ASSERT_TRUE(db.saveNotices());
    const std::string users = readAll(dir / "USER.DB");
    const std::string notices = readAll(dir / "NOTICE.DB");
    const std::string config = readAll(dir / "CONFIG.DB");
    EXPECT_EQ(users.size(), 32016u);
    EXPECT_EQ(notices.size(), 1040016u);
    EXPECT_EQ(config.size(), 1368u);
    EXPECT_EQ(users.substr(0, 16), kHeader);
    EXPECT_EQ(notices.substr(0, 16), kHeader);
    EXPECT_EQ(config.substr(0, 16), kHeader);
}
