// Importing a release-1.4 folder: notices under ADMIN in the chosen sets, texts converted,
// and every refusal writing nothing.
#include "db/import14.h"
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace pinora;
using namespace pinora::test;

namespace {

// A NOTICES.DAT with every record unused except the ones given.
struct OldRecord {
    int number;
    std::string name;
    double start, end;
    bool staff;
};
std::string noticesDat(const std::vector<OldRecord>& used) {
    std::string b(720000, '\0');
    for (int i = 0; i < 15000; ++i)
        putText(b, 48 * static_cast<std::size_t>(i), "[NULL]");
    for (const OldRecord& r : used) {
        const std::size_t at = 48 * static_cast<std::size_t>(r.number - 1);
        b.replace(at, 24, std::string(24, '\0'));
        putText(b, at, r.name);
        put64(b, at + 24, r.start);
        put64(b, at + 32, r.end);
        put8(b, at + 40, r.staff ? 7 : 0);
    }
    return b;
}

class Import14 : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        db.config.noticeSets[2].name = "Staff";
        ASSERT_TRUE(db.saveConfig());
        ASSERT_EQ(db.loadNotices(), Result::Ok);
    }
    Release14Import request(std::string folder) {
        Release14Import r;
        r.folder = std::move(folder);
        r.staffSet = db.findNoticeSet("staff");
        r.studentSet = db.findNoticeSet("STUDENTS");
        r.user = "teacher";
        r.log = [this](const std::string& l) { log.push_back(l); };
        return r;
    }
    std::string noticeFile() const { return readBytes(dir / "NOTICE.DB"); }

    TempFolder dir, old;
    FakeServices fs;
    Database db{dir.str(), fs.services()};
    std::vector<std::string> log;
};

TEST_F(Import14, UsedRecordsBecomeAdminNoticesInTheChosenSets) {
    // Letter case as a folder copied from another system may have it.
    writeBytes(old / "notices.dat", noticesDat({{1, "JONES", 46000, 46002, true},
                                                {3, "SMITH", 46010, 46011, false},
                                                {5, "BROWN", 46020, 46021, true}}));
    std::filesystem::rename(old / "MSG", old / "msg");
    writeBytes(old / "msg" / "1.msg", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}Staff meeting\\par at caf\\'e9\\par}");
    writeBytes(old / "msg" / "3.MSG", "Plain line\r\nsecond\r\n");
    // Slot 2 held a deleted notice in every set, and its text is still there.
    db.notice(1).owner = db.scramble("ANN");
    for (Flag& f : db.notice(2).inSet)
        f = true;
    ASSERT_TRUE(db.saveNotices());
    writeBytes(dir / "MSG" / "2.MSG", "old deleted text\r\n");
    writeBytes(dir / "MSG" / "3.MSG", "another leftover\r\n");

    const ImportOutcome o = importRelease14(db, request(old.str()));
    ASSERT_EQ(o.status, ImportStatus::Done);
    EXPECT_EQ(o.message, "Import Complete");
    EXPECT_EQ(o.imported, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"1 JONES 2025-12-09 2025-12-11 STAFF",
                                             "3 SMITH 2025-12-19 2025-12-20 STUDENT",
                                             "5 BROWN 2025-12-29 2025-12-30 STAFF"}));

    Database other(dir.str(), fs.services());
    ASSERT_EQ(other.loadNotices(), Result::Ok);
    EXPECT_EQ(other.noticeOwner(1), "ANN") << "a notice in use is left alone";
    const int admin = other.loadUsers() == Result::Ok ? other.findUser("ADMIN") : -1;
    ASSERT_GT(admin, 0);
    const int slots[3] = {2, 3, 4};
    const double starts[3] = {46000, 46010, 46020};
    const int sets[3] = {3, 1, 3};
    for (int k = 0; k < 3; ++k) {
        const NoticeRecord& r = other.notice(slots[k]);
        EXPECT_EQ(other.noticeOwner(slots[k]), "ADMIN");
        EXPECT_EQ(r.authorLevel, other.user(admin).securityLevel);
        EXPECT_EQ(r.signature.str(), "Notice Administrator");
        EXPECT_DOUBLE_EQ(r.startDate, starts[k]);
        EXPECT_DOUBLE_EQ(r.endDate, starts[k] + (k == 0 ? 2 : 1));
        for (int s = 1; s <= 8; ++s)
            EXPECT_EQ(bool(r.inSet[s - 1]), s == sets[k]) << "notice " << slots[k] << " set " << s;
    }
    EXPECT_EQ(readBytes(dir / "MSG" / "2.MSG"), "Staff meeting\r\nat caf\xE9\r\n");
    EXPECT_EQ(readBytes(dir / "MSG" / "3.MSG"), "Plain line\r\nsecond\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "MSG" / "4.MSG")) << "no text: no message file";
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
}

// Only a name that is exactly the marker marks an unused record; a second import by the same
// database reads the file again as the first did.
TEST_F(Import14, OnlyTheExactMarkerMarksAnUnusedRecord) {
    std::string dat = noticesDat({{2, "[null]", 46000, 46001, false},
                                  {4, "[NULL] ", 46000, 46001, false},
                                  {15000, "[NULL]", 46000, 46001, true}});
    put8(dat, 48 * 14999, 30); // a length past the 23 characters a name holds
    writeBytes(old / "NOTICES.DAT", dat);
    for (int round = 1; round <= 2; ++round) {
        log.clear();
        const ImportOutcome o = importRelease14(db, request(old.str()));
        ASSERT_EQ(o.status, ImportStatus::Done) << round;
        EXPECT_EQ(o.imported, 3) << round;
        ASSERT_EQ(log.size(), 3u) << round;
        EXPECT_EQ(log[0].substr(0, 9), "2 [null] ");
        EXPECT_EQ(log[1].substr(0, 10), "4 [NULL]  ");
        EXPECT_EQ(log[2].substr(0, 12), "15000 [NULL]");
    }
    Database other(dir.str(), fs.services());
    ASSERT_EQ(other.loadNotices(), Result::Ok);
    EXPECT_EQ(other.countNoticesInUse(), 6);
}

TEST_F(Import14, RecordsBeyondTheLastFreeSlotAreLogged) {
    for (int n = 1; n < kNoticeCount; ++n)
        db.notice(n).owner = db.scramble("ANN");
    ASSERT_TRUE(db.saveNotices());
    writeBytes(old / "NOTICES.DAT",
               noticesDat({{1, "A", 46000, 46001, true}, {2, "B", 46000, 46001, false}}));
    Release14Import r = request(old.str().substr(0, old.str().size() - 1)); // no final separator
    r.shortDate = [](TDateTime t) { return "d" + std::to_string(static_cast<int>(t)); };
    const ImportOutcome o = importRelease14(db, r);
    EXPECT_EQ(o.status, ImportStatus::Done);
    EXPECT_EQ(log, (std::vector<std::string>{"1 A d46000 d46001 STAFF", "2 B d46000 d46001 STUDENT",
                                             "Not enough DB Space available to import record"}));
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.noticeOwner(kNoticeCount), "ADMIN");
    EXPECT_TRUE(db.notice(kNoticeCount).inSet[2]);
}

TEST_F(Import14, RefusalsWriteNothing) {
    const std::string before = noticeFile();
    auto refused = [&](const Release14Import& r) {
        const ImportOutcome o = importRelease14(db, r);
        EXPECT_EQ(o.status, ImportStatus::Refused);
        EXPECT_EQ(noticeFile(), before);
        EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
        return o.message;
    };
    writeBytes(old / "NOTICES.DAT", noticesDat({{1, "A", 46000, 46001, true}}));
    Release14Import r = request(old.str());
    r.staffSet = -1;
    EXPECT_EQ(refused(r), "You must specify all fields");
    r = request("");
    EXPECT_EQ(refused(r), "You must specify all fields");
    EXPECT_EQ(refused(request(dir.str() + "MSG")), "The Path to Pinora 1.4 is incorrect");
    writeBytes(old / "NOTICES.DAT", std::string(719999, '\0'));
    EXPECT_EQ(refused(request(old.str())), "Read error: NOTICES.DAT holds 719999 of 720000 bytes");

    // Without ADMIN nobody can own the notices.
    writeBytes(old / "NOTICES.DAT", noticesDat({{1, "A", 46000, 46001, true}}));
    ASSERT_EQ(db.loadUsers(), Result::Ok);
    db.setUserName(db.findUser("ADMIN"), "BOSS");
    ASSERT_TRUE(db.saveUsers());
    EXPECT_EQ(refused(request(old.str())),
              "There is no ADMIN user to own the imported notices. Create the user ADMIN in User "
              "Management, then import again");
    EXPECT_TRUE(log.empty());
}

TEST_F(Import14, ALockHeldElsewhereRefusesOrIsWaitedFor) {
    writeBytes(old / "NOTICES.DAT", noticesDat({{1, "A", 46000, 46001, true}}));
    ASSERT_EQ(db.acquireLock('N', "ANN", "Creating Notice"), Result::Ok);
    const std::string before = noticeFile();

    Release14Import r = request(old.str());
    r.waitForLock = false;
    ImportOutcome o = importRelease14(db, r);
    EXPECT_EQ(o.status, ImportStatus::LockHeld);
    EXPECT_EQ(o.lock.holder, "ANN");
    EXPECT_EQ(o.lock.task, "Creating Notice");
    EXPECT_EQ(noticeFile(), before);

    // A window waits; the holder lets go on the first pause.
    std::vector<std::string> shown;
    db.onLockWait = [&](char, const LockInfo& l) { shown.push_back(l.holder + "/" + l.task); };
    fs.sleeper->onSleep = [&] { EXPECT_TRUE(db.releaseLock('N')); };
    o = importRelease14(db, request(old.str()));
    EXPECT_EQ(o.status, ImportStatus::Done);
    EXPECT_EQ(shown, std::vector<std::string>{"ANN/Creating Notice"});
    EXPECT_EQ(fs.sleeper->sleeps.front(), 3000);
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.noticeOwner(1), "ADMIN");
}

} // namespace

// What the import cannot read is told, and nothing is written: a folder without USER.DB used to
// end the import without a word.
TEST_F(Import14, UnusableDatabaseFilesAreToldAndLeaveNoLock) {
    writeBytes(old / "NOTICES.DAT", noticesDat({{1, "A", 46000, 46001, true}}));
    const std::string users = readBytes(dir / "USER.DB");
    std::filesystem::remove(dir / "USER.DB");
    ImportOutcome o = importRelease14(db, request(old.str()));
    EXPECT_EQ(o.status, ImportStatus::Failed);
    EXPECT_EQ(o.result, Result::Missing);
    EXPECT_EQ(o.message, "The USER.DB File is missing. Nothing has been imported. See the Notice "
                         "Administrator");

    writeBytes(dir / "USER.DB", users);
    writeBytes(dir / "NOTICE.DB", "half a file");
    o = importRelease14(db, request(old.str()));
    EXPECT_EQ(o.status, ImportStatus::Failed);
    EXPECT_EQ(o.result, Result::Unreadable);
    EXPECT_TRUE(o.message.empty()) << "the broken-file words say it all";
    EXPECT_EQ(o.result.messages(),
              std::vector<std::string>{brokenFileMessage(
                  "NOTICE.DB",
                  "it holds 11 bytes, " + std::to_string(Database::kNoticeFileSize) + " expected")});
    EXPECT_EQ(noticeFile(), "half a file");
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    EXPECT_TRUE(log.empty());
}
