// pinoractl publish against a real FTP server on this machine.
#include "tool.h"

#include "db/datetime.h"
#include "output/page.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
namespace fs = std::filesystem;

namespace {

class PublishTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directory(site / "notices");
        if (server.port() == 0) GTEST_SKIP() << "the test FTP server did not start";
        writeFreshDatabase(dir.str());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        ASSERT_EQ(db.loadNotices(), Result::Ok);
        db.config.noticeSets[2].name = "Staff Notices";
        db.config.ftpServer = "127.0.0.1";
        db.config.ftpPort = static_cast<std::uint16_t>(server.port());
        db.config.ftpUser = "web";
        db.config.ftpPassword = "pw";
        db.config.ftpUploadDir = "notices";
        ASSERT_TRUE(db.saveConfig());
        NoticeRecord& r = db.notice(2);
        r.owner = db.scramble("ANN");
        r.startDate = r.endDate = encodeDate(2026, 12, 8);
        r.inSet[2] = true;
        r.signature = "Ann";
        ASSERT_TRUE(db.saveNotices());
        ASSERT_TRUE(db.writeMessageFile(2, "Staff briefing at 8:15."));
        writeBytes(dir / "logo.gif", "GIF89a-school");
    }

    ToolRun publish() {
        return pinoractl(
            {"--folder", dir.str(), "publish", "--set", "staff NOTICES", "--day", "2026-12-08"});
    }

    std::string expectedPage() {
        std::string error;
        EXPECT_TRUE(writeNoticePage(db, 3, "expected.htm", encodeDate(2026, 12, 8), &error))
            << error;
        return readBytes(dir / "expected.htm");
    }

    // Pages the tool left in TEMP.
    int tempPages() {
        int n = 0;
        for (const auto& e : fs::directory_iterator(dir / "TEMP"))
            if (e.path().extension() == ".HTM") ++n;
        return n;
    }

    TempFolder dir;
    TempFolder site;
    FtpServer server{FtpServerOptions{site.path(), "web", "pw"}};
    FakeServices fsv;
    Database db{dir.str(), fsv.services()};
};

} // namespace

TEST_F(PublishTest, PageAndLogoReplaceThoseOnTheServer) {
    for (bool passive : {true, false}) {
        db.config.ftpPassive = passive;
        ASSERT_TRUE(db.saveConfig());
        writeBytes(site / "notices/staff notices.htm", "yesterday's page");
        const ToolRun r = publish();
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_NE(r.out.find("staff notices.htm"), std::string::npos) << r.out;
        EXPECT_EQ(readBytes(site / "notices/staff notices.htm"), expectedPage()) << passive;
        EXPECT_EQ(readBytes(site / "notices/logo.gif"), "GIF89a-school");
        EXPECT_EQ(tempPages(), 0);
    }
}

TEST_F(PublishTest, FailuresShowTheClientsTextAndExitNonZero) {
    db.config.ftpPassword = "wrong";
    ASSERT_TRUE(db.saveConfig());
    ToolRun r = publish();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("pinoractl: publishing failed: "), std::string::npos) << r.err;
    EXPECT_GT(r.err.size(), std::string("pinoractl: publishing failed: \n").size());

    db.config.ftpPassword = "pw";
    db.config.ftpUploadDir = "no/such/folder";
    ASSERT_TRUE(db.saveConfig());
    r = publish();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("publishing failed"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(site / "notices/staff notices.htm"));
    EXPECT_EQ(tempPages(), 0);
}

TEST_F(PublishTest, RequireTlsRefusesAServerWithoutItAndAPlantedLogoIsNeverUploaded) {
    ToolRun r = pinoractl({"--folder", dir.str(), "publish", "--set", "staff notices", "--day",
                           "2026-12-08", "--require-tls"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("publishing failed"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(site / "notices/staff notices.htm"));

    // logo.gif linked to a private file of the user whose cron job publishes.
    TempFolder home;
    writeBytes(home / ".pinora-mail-password", "hunter2\n");
    fs::remove(dir / "logo.gif");
    fs::create_symlink(home / ".pinora-mail-password", dir / "logo.gif");
    r = publish();
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("logo.gif"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("link"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(site / "notices/logo.gif"));
    EXPECT_EQ(tempPages(), 0);
}
