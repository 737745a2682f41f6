// pinoractl upgrade and import, run as an administrator would run them.
#include "tool.h"

#include "db/database.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

std::string oldHeader(std::int32_t version) {
    std::string h = kHeaderBytes;
    put32(h, 12, version);
    return h;
}

TEST(PinoractlUpgrade, ConvertsOldFilesOnceAndInfoPointsAtIt) {
    TempFolder dir;
    writeFreshDatabase(dir.str());
    const std::string users = readBytes(dir / "USER.DB");
    writeBytes(dir / "USER.DB", oldHeader(2400) + users.substr(16));
    writeBytes(dir / "NOTICE.DB", std::string(1040000, '\0')); // 2.0: no header

    ToolRun r = pinoractl({"--folder", dir.str(), "info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pinoractl: USER.DB is in the format of Pinora 2.4; run 'pinoractl upgrade' "
                     "to convert it\n"
                     "pinoractl: NOTICE.DB is in the format of Pinora 2.0; run 'pinoractl "
                     "upgrade' to convert it\n");
    EXPECT_EQ(readBytes(dir / "USER.DB").substr(0, 16), oldHeader(2400)) << "info converts nothing";

    r = pinoractl({"--folder", dir.str(), "upgrade"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Upgraded Version 2.4 User Database to version 2.5. You must restart notices. (the "
              "original is kept as USER.DB.2.4.bak)\n"
              "Upgraded Version 2.0 Notice Database to version 2.5. You must restart notices. "
              "(the original is kept as NOTICE.DB.2.0.bak)\n");
    EXPECT_EQ(readBytes(dir / "USER.DB"), users);

    r = pinoractl({"--folder", dir.str(), "upgrade"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Every file is in the current format; nothing to upgrade\n");
    EXPECT_EQ(pinoractl({"--folder", dir.str(), "info"}).status, 0);
}

TEST(PinoractlImport, ImportsPrintsTheLogAndRefusesWhileTheLockIsHeld) {
    TempFolder dir, old;
    writeFreshDatabase(dir.str());
    std::string dat(720000, '\0');
    for (int i = 0; i < 15000; ++i)
        putText(dat, 48 * static_cast<std::size_t>(i), "[NULL]");
    dat.replace(48, 7, std::string(7, '\0'));
    putText(dat, 48, "JONES");
    put64(dat, 48 + 24, 46000);
    put64(dat, 48 + 32, 46001);
    writeBytes(old / "NOTICES.DAT", dat);
    writeBytes(old / "MSG" / "2.MSG", "{\\rtf1 Hello\\par world}");

    FakeServices fs;
    Database db(dir.str(), fs.services());
    ASSERT_EQ(db.acquireLock('N', "ANN", "Creating Notice"), LockResult::Granted);
    const std::vector<std::string> args = {"--folder",    dir.str(), "import",        "--from",
                                           old.str(),     "--staff-set", "students",
                                           "--student-set", "Students"};
    ToolRun r = pinoractl(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pinoractl: NOTICE.DB is locked by ANN for Creating Notice; try again later\n");
    EXPECT_EQ(r.out, "");
    db.releaseLock('N');

    r = pinoractl(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 JONES 2025-12-09 2025-12-10 STUDENT\nImport Complete\n");
    EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), "Hello\r\nworld\r\n");
    ASSERT_EQ(db.loadNotices(), LoadResult::Ok);
    EXPECT_EQ(db.noticeOwner(1), "ADMIN");

    r = pinoractl({"--folder", dir.str(), "import", "--from", old.str(), "--staff-set", "Nope",
                   "--student-set", "Students"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("there is no notice set named 'Nope'"), std::string::npos) << r.err;
}

} // namespace
