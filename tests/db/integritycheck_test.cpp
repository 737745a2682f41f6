// The data integrity check over planted folders: what it repairs, what it keeps, and that it
// never leaves a lock behind.
#include "db/datetime.h"
#include "db/integritycheck.h"
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <chrono>
#include <filesystem>
#include <map>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
namespace fs = std::filesystem;

namespace {

struct Log : CheckObserver {
    std::vector<std::string> lines;
    std::vector<CheckStep> steps;
    int idles = 0;
    void logLine(const std::string& l) override { lines.push_back(l); }
    void stepDone(CheckStep s) override { steps.push_back(s); }
    void idle() override { ++idles; }
};

std::string timeText(TDateTime t) {
    const CivilDate d = decodeDate(t);
    return std::to_string(d.day) + "/" + std::to_string(d.month) + "/" + std::to_string(d.year);
}

class IntegrityCheck : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(st.db.loadUsers(), Result::Ok);
        ASSERT_EQ(st.db.loadNotices(), Result::Ok);
        st.currentUserName = "ADMIN";
        st.currentUserSlot = st.db.findUser("ADMIN");
    }

    int addUser(const std::string& name, const std::string& fullName, int posts = 0,
                const char* password = "pw") {
        const int slot = st.db.findFreeUser();
        st.db.setUserCredentials(slot, name, password);
        st.db.user(slot).fullName = fullName;
        st.db.user(slot).postCount = posts;
        EXPECT_TRUE(st.db.saveUsers());
        return slot;
    }
    int addNotice(const std::string& owner, TDateTime end, bool withText = true) {
        const int n = st.db.findFreeNotice();
        NoticeRecord& r = st.db.notice(n);
        r.owner = st.db.scramble(owner);
        r.startDate = end - 1;
        r.endDate = end;
        EXPECT_TRUE(st.db.saveNotices());
        if (withText) {
            EXPECT_TRUE(st.db.writeMessageFile(n, "Text of " + owner));
        }
        return n;
    }
    CheckResult run(CheckOptions o = {}) { return runIntegrityCheck(st, o, log, timeText); }
    Database onDisk() {
        FakeServices other;
        Database d(dir.str(), other.services());
        EXPECT_EQ(d.loadUsers(), Result::Ok);
        EXPECT_EQ(d.loadNotices(), Result::Ok);
        return d;
    }
    bool noLocks() const { return !fs::exists(dir / "DB-N.LCK") && !fs::exists(dir / "DB-U.LCK"); }

    TempFolder dir;
    FakeServices fsv;
    Station st{dir.str(), fsv.services()};
    Log log;
};

TEST_F(IntegrityCheck, RepairsUsersAndNoticesAndLogsEachRepair) {
    const TDateTime today = fsv.clock->t;
    const int broken = addUser("ANN", "", 0, "");
    const int negative = addUser("BOB", "Bob Brown", -3);
    const int longName = addUser("MARGARET", "Margaret Long");
    // A stored password is never empty, even for an empty one: it holds the key.
    const int emptyPassword = addUser("CAROL", "Carol C", 0, "");
    const int widowed = addNotice("GONE", today);
    const int longAuthor = addNotice("MARGARE", today);
    const int noText = addNotice("BOB", today, false);
    const int old = addNotice("BOB", today - 31);
    const int recent = addNotice("BOB", today - 29);
    // The stored password field of ANN emptied by damage.
    ASSERT_EQ(st.db.loadUsers(), Result::Ok);
    st.db.user(broken).password = "";
    ASSERT_TRUE(st.db.saveUsers());

    const CheckResult r = run();
    ASSERT_EQ(r.outcome, CheckOutcome::Completed);
    const std::string annName = "Record " + std::to_string(broken) + " ANN";
    EXPECT_EQ(log.lines, (std::vector<std::string>{
                             "Check started: 7/12/2026",
                             annName + " : Full Name missing. Record is corrupt. Deleted",
                             annName + " : Password missing. Record is corrupt. Deleted",
                             "Record " + std::to_string(negative) +
                                 " BOB : Post Count inaccurate. Post Count reset",
                             "Record " + std::to_string(widowed) +
                                 " GONE : not in Notices. Notice will be delete",
                             "Record " + std::to_string(noText) +
                                 " BOB : has no notice entry. Index Freed.",
                             "Check Completed: 7/12/2026"}));
    EXPECT_EQ(log.steps.size(), static_cast<std::size_t>(kCheckStepCount));
    EXPECT_GT(log.idles, 0);
    EXPECT_EQ(r.counts.usersFreed, 1);
    EXPECT_EQ(r.counts.postCountsReset, 1);
    EXPECT_EQ(r.counts.noticesFreed, 2);
    EXPECT_EQ(r.counts.oldNoticesRemoved, 1);

    Database d = onDisk();
    EXPECT_TRUE(d.userSlotFree(broken));
    EXPECT_EQ(d.user(negative).postCount, 0);
    EXPECT_FALSE(d.userSlotFree(longName));
    EXPECT_FALSE(d.userSlotFree(emptyPassword));
    EXPECT_FALSE(d.noticeInUse(widowed));
    EXPECT_TRUE(d.noticeInUse(longAuthor)) << "the author's login name is longer than 7";
    EXPECT_FALSE(d.noticeInUse(noText));
    EXPECT_FALSE(d.noticeInUse(old));
    EXPECT_TRUE(d.noticeInUse(recent));
    EXPECT_TRUE(fs::exists(dir / "MSG" / (std::to_string(widowed) + ".MSG")))
        << "message files of freed notices stay";
    EXPECT_TRUE(noLocks());
    // Each user in use pauses 10 to 29 ms, each notice 0 to 19 ms, all through the sleeper.
    for (int ms : fsv.sleeper->sleeps) {
        EXPECT_GE(ms, 0);
        EXPECT_LT(ms, 30);
    }
}

// Each step visits what the steps before it left in use, the last slot included: a notice freed
// by one step is not counted again by the next.
TEST_F(IntegrityCheck, ANoticeFreedByOneStepIsNotVisitedByTheNext) {
    const TDateTime today = fsv.clock->t;
    addUser("BOB", "Bob Brown");
    const auto place = [&](int n, const std::string& owner, TDateTime end, bool withText) {
        NoticeRecord& r = st.db.notice(n);
        r.owner = st.db.scramble(owner);
        r.startDate = end - 1;
        r.endDate = end;
        if (withText) {
            EXPECT_TRUE(st.db.writeMessageFile(n, "Text"));
        }
    };
    place(kNoticeCount, "GONE", today - 40, false); // widowed, without text, and old
    place(kNoticeCount - 1, "BOB", today - 40, false); // without text, and old
    place(5000, "BOB", today - 40, true);              // only old
    place(2, "BOB", today, true);                      // kept
    ASSERT_TRUE(st.db.saveNotices());

    const CheckResult r = run();
    ASSERT_EQ(r.outcome, CheckOutcome::Completed);
    EXPECT_EQ(r.counts.noticesFreed, 2);
    EXPECT_EQ(r.counts.oldNoticesRemoved, 1);
    Database d = onDisk();
    EXPECT_EQ(d.countNoticesInUse(), 1);
    EXPECT_TRUE(d.noticeInUse(2));

    // Given to ADMIN, the widowed notice stays in use for the steps after it.
    place(kNoticeCount, "GONE", today, true);
    ASSERT_TRUE(st.db.saveNotices());
    CheckOptions toAdmin;
    toAdmin.widowedToAdmin = true;
    const CheckResult again = run(toAdmin);
    ASSERT_EQ(again.outcome, CheckOutcome::Completed);
    EXPECT_EQ(again.counts.noticesToAdmin, 1);
    EXPECT_EQ(again.counts.noticesFreed, 0);
    EXPECT_EQ(onDisk().noticeOwner(kNoticeCount), "ADMIN");
}

TEST_F(IntegrityCheck, WidowedNoticesGoToAdminAndOldOnesStayWhenAsked) {
    const TDateTime today = fsv.clock->t;
    const int widowed = addNotice("GONE", today - 40);
    CheckOptions o;
    o.widowedToAdmin = true;
    o.removeOld = false;
    ASSERT_EQ(run(o).outcome, CheckOutcome::Completed);
    EXPECT_EQ(log.lines.at(1), "Record " + std::to_string(widowed) +
                                   " GONE : not in Notices. Notice will be assigned to ADMIN");
    Database d = onDisk();
    ASSERT_TRUE(d.noticeInUse(widowed));
    EXPECT_EQ(d.noticeOwner(widowed), "ADMIN");
}

TEST_F(IntegrityCheck, NeverFreesAdminNorTheUserRunningIt) {
    const int admin = st.db.findUser("ADMIN");
    const int me = addUser("HEAD", "");
    st.db.user(admin).fullName = "";
    ASSERT_TRUE(st.db.saveUsers());
    st.currentUserName = "head";
    st.currentUserSlot = me;
    ASSERT_EQ(run().outcome, CheckOutcome::Completed);
    ASSERT_EQ(log.lines.size(), 4u);
    for (const std::string& l : {log.lines[1], log.lines[2]}) {
        EXPECT_NE(l.find(" : Full Name missing. Record is corrupt. Kept"), std::string::npos) << l;
    }
    Database d = onDisk();
    EXPECT_FALSE(d.userSlotFree(admin));
    EXPECT_FALSE(d.userSlotFree(me));
}

TEST_F(IntegrityCheck, TemporaryFilesGoButNotFoldersLinkTargetsOrFreshSaves) {
    writeBytes(dir / "TEMP" / "~123.HTM", "page");
    writeBytes(dir / "TEMP" / "logo.gif", "gif");
    fs::create_directory(dir / "TEMP" / "keep");
    writeBytes(dir / "TEMP" / "keep" / "inner.txt", "inner");
    writeBytes(dir / "target.txt", "must stay");
    fs::create_symlink(dir / "target.txt", dir / "TEMP" / "link");
    // Left by stations killed while saving: one long ago, one that may still be saving.
    const auto stale = dir / "NOTICE.DB.~host-1-1.tmp";
    const auto fresh = dir / "USER.DB.~host-2-1.tmp";
    const auto staleMsg = dir / "MSG" / "4.MSG.~host-1-2.tmp";
    for (const auto& p : {stale, fresh, staleMsg})
        writeBytes(p, "partial");
    const auto twoHoursAgo = fs::file_time_type::clock::now() - std::chrono::hours(2);
    fs::last_write_time(stale, twoHoursAgo);
    fs::last_write_time(staleMsg, twoHoursAgo);

    EXPECT_EQ(removeTemporaryFiles(st.db, false), 5);
    EXPECT_TRUE(fs::exists(dir / "TEMP" / "~123.HTM")) << "counting removes nothing";

    const CheckResult r = run();
    EXPECT_EQ(r.counts.temporaryFilesRemoved, 5);
    EXPECT_FALSE(fs::exists(dir / "TEMP" / "~123.HTM"));
    EXPECT_FALSE(fs::exists(dir / "TEMP" / "logo.gif"));
    EXPECT_FALSE(fs::is_symlink(dir / "TEMP" / "link"));
    EXPECT_EQ(readBytes(dir / "target.txt"), "must stay");
    EXPECT_TRUE(fs::exists(dir / "TEMP" / "keep" / "inner.txt"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_FALSE(fs::exists(staleMsg));
    EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(IntegrityCheck, RefusedWhileAnotherStationHoldsALockAndLeavesNoLockOfItsOwn) {
    addUser("ANN", "");
    const std::string users = readBytes(dir / "USER.DB");
    for (const char letter : {'U', 'N'}) {
        const std::string lock = letter == 'U' ? "DB-U.LCK" : "DB-N.LCK";
        writeBytes(dir / lock, "TRUE\r\nBOB\r\nCreating Notice\r\n");
        log.lines.clear();
        const CheckResult r = run();
        EXPECT_EQ(r.outcome, CheckOutcome::LockRefused);
        EXPECT_EQ(r.refusedLock, letter);
        EXPECT_EQ(r.holder.holder, "BOB");
        EXPECT_EQ(r.holder.task, "Creating Notice");
        EXPECT_EQ(log.lines.size(), 1u) << "only the start line";
        EXPECT_EQ(readBytes(dir / "USER.DB"), users);
        EXPECT_EQ(readBytes(dir / lock), "TRUE\r\nBOB\r\nCreating Notice\r\n");
        fs::remove(dir / lock);
        EXPECT_TRUE(noLocks()) << letter;
    }
}

TEST_F(IntegrityCheck, AFailedSaveIsLoggedAndReleasesBothLocks) {
    addUser("ANN", "");
    // Once the tables are read, USER.DB becomes a folder, so its save cannot replace it.
    fsv.sleeper->onSleep = [&] {
        if (fs::is_directory(dir / "USER.DB")) return;
        fs::remove(dir / "USER.DB");
        fs::create_directory(dir / "USER.DB");
    };
    const CheckResult r = run();
    EXPECT_EQ(r.outcome, CheckOutcome::SaveFailed);
    ASSERT_FALSE(log.lines.empty());
    EXPECT_EQ(log.lines.back().rfind("Check Failed: USER.DB could not be saved", 0), 0u)
        << log.lines.back();
    for (const std::string& l : log.lines)
        EXPECT_EQ(l.find("Check Completed"), std::string::npos);
    EXPECT_TRUE(noLocks());
}

TEST_F(IntegrityCheck, ADryRunWritesNothingAndTakesNoLock) {
    addUser("ANN", "");
    addNotice("GONE", fsv.clock->t);
    writeBytes(dir / "TEMP" / "~1.HTM", "page");
    std::map<std::string, std::string> before;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        if (e.is_regular_file()) before[e.path().string()] = readBytes(e.path());
    // Another station's lock does not stop a run that only reads.
    writeBytes(dir / "DB-N.LCK", "TRUE\r\nBOB\r\nCreating Notice\r\n");
    before[(dir / "DB-N.LCK").string()] = readBytes(dir / "DB-N.LCK");

    CheckOptions o;
    o.repair = false;
    const CheckResult r = run(o);
    EXPECT_EQ(r.outcome, CheckOutcome::Completed);
    EXPECT_EQ(r.counts.usersFreed, 1);
    EXPECT_EQ(r.counts.noticesFreed, 1);
    EXPECT_EQ(r.counts.temporaryFilesRemoved, 1);
    std::map<std::string, std::string> after;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        if (e.is_regular_file()) after[e.path().string()] = readBytes(e.path());
    EXPECT_EQ(after, before);
}

} // namespace
