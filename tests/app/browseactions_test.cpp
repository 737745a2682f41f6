// The browse window's Edit and Delete without the window: the listed notice found again, the
// user's right to it, and the delete under lock N while other stations work on the folder.
#include "app/browseactions.h"
#include "db/datetime.h"
#include "support/faultfs.h"
#include "support/stationtest.h"

#include <cerrno>

using namespace pinora;
using namespace pinora::test;

namespace {

TDateTime day(int d) {
    return encodeDate(2026, 12, d);
}

// ME (level 100, no rights) and LOW (level 50), each with a notice; every file call goes
// through a file system that can fail the ones a test picks.
class BrowseSteps : public StationTest {
  protected:
    std::shared_ptr<FileSystem> disk = systemFileSystem();
    FaultFileSystem faults{*disk};
    const BrowseRow low{3, day(1), day(2), "LOW", "Low's"};
    const BrowseRow mine{5, day(1), day(2), "ME", "Mine"};

    void SetUp() override {
        fakes.files = unowned(faults);
        StationTest::SetUp();
        storeUser("ME", "pw", [](UserRecord& u) { u.securityLevel = 100; });
        storeUser("LOW", "pw", [](UserRecord& u) { u.securityLevel = 50; });
        storeNotice(3, "LOW", day(1), day(2), "Low's");
        storeNotice(5, "ME", day(1), day(2), "Mine");
    }
    void TearDown() override { st.reset(); } // before the file system it was given

    std::string notices() const { return readBytes(folder / "NOTICE.DB"); }
};

TEST_F(BrowseSteps, TheCheckFindsTheListedNoticeAndTheRightToItBeforeAnythingIsAsked) {
    logOnAs("ME");
    for (const NoticeRight right : {NoticeRight::Edit, NoticeRight::Delete}) {
        const ListedNoticeStep own = checkListedNotice(*st, mine, right);
        EXPECT_EQ(own.outcome, ListedNotice::Ok);
        EXPECT_EQ(own.result, Result::Ok);
        // A lower level's notice needs the edit or delete right.
        const ListedNoticeStep other = checkListedNotice(*st, low, right);
        EXPECT_EQ(other.outcome, ListedNotice::NotAllowed);
        EXPECT_EQ(other.result, Result::Declined);
        EXPECT_TRUE(other.result.messages().empty());
    }
    logOnAs("ADMIN");
    EXPECT_EQ(checkListedNotice(*st, low, NoticeRight::Delete).outcome, ListedNotice::Ok);

    // Moved to another day on another station: no longer the notice listed.
    FakeServices otherFakes;
    auto other = otherStation(otherFakes, "ME");
    ASSERT_EQ(other->updateNoticeDates(5, day(7), day(8)), Result::Ok);
    const ListedNoticeStep moved = checkListedNotice(*st, mine, NoticeRight::Edit);
    EXPECT_EQ(moved.outcome, ListedNotice::Changed);
    EXPECT_EQ(moved.result, Result::Declined);
    EXPECT_TRUE(moved.result.messages().empty());

    // A notice file that cannot be read says so, and nothing goes further.
    writeBytes(folder / "NOTICE.DB", "broken");
    const ListedNoticeStep unread = checkListedNotice(*st, low, NoticeRight::Delete);
    EXPECT_EQ(unread.outcome, ListedNotice::Failed);
    EXPECT_EQ(unread.result, Result::Unreadable);
    EXPECT_EQ(unread.result.messages().size(), 1u);
    EXPECT_EQ(notices(), "broken");
}

TEST_F(BrowseSteps, DeleteWaitsOutAnotherStationsLockAndFreesOnlyTheNoticeStillListed) {
    logOnAs("ADMIN");
    FakeServices otherFakes;
    auto other = otherStation(otherFakes, "LOW");
    std::vector<std::string> waits;
    st->db.onLockWait = [&](char letter, const LockInfo& l) {
        waits.push_back(std::string(1, letter) + " " + l.holder + " " + l.task);
    };
    // LOW holds lock N until this station has waited once, and does meanwhile what the test
    // asks before it lets go.
    std::function<void()> meanwhile;
    bool holding = false;
    fakes.sleeper->onSleep = [&] {
        if (!holding || fakes.sleeper->sleeps.back() != 3000) return;
        holding = false;
        if (meanwhile) meanwhile();
        ASSERT_TRUE(other->db.releaseLock('N'));
    };
    auto holdLock = [&](std::function<void()> then) {
        ASSERT_EQ(other->db.acquireLock('N', "LOW", "Update Notice Set"), Result::Ok);
        meanwhile = std::move(then);
        holding = true;
    };

    const std::string before = notices();
    holdLock({});
    const ListedNoticeStep freed = deleteListedNotice(*st, low);
    EXPECT_EQ(freed.outcome, ListedNotice::Ok);
    EXPECT_EQ(freed.result, Result::Ok);
    EXPECT_TRUE(freed.result.messages().empty());
    EXPECT_EQ(waits, std::vector<std::string>{"N LOW Update Notice Set"});
    const std::string after = notices();
    const std::size_t slot3 = 16 + 104 * 2;
    EXPECT_EQ(after.substr(0, slot3), before.substr(0, slot3));
    EXPECT_EQ(after.substr(slot3 + 9), before.substr(slot3 + 9));
    Database d = onDisk();
    EXPECT_FALSE(d.noticeInUse(3));
    EXPECT_TRUE(d.noticeInUse(5));
    EXPECT_EQ(readBytes(folder / "MSG" / "3.MSG"), "Low's");
    EXPECT_TRUE(noLockFiles());

    holdLock([&] { ASSERT_EQ(other->updateNoticeDates(5, day(7), day(8)), Result::Ok); });
    const ListedNoticeStep changed = deleteListedNotice(*st, mine);
    EXPECT_EQ(changed.outcome, ListedNotice::Changed);
    EXPECT_EQ(changed.result, Result::Declined);
    d = onDisk();
    EXPECT_TRUE(d.noticeInUse(5));
    EXPECT_EQ(d.notice(5).startDate, day(7));
    EXPECT_TRUE(noLockFiles());
}

TEST_F(BrowseSteps, ADeleteThatCannotBeSavedKeepsTheNoticeAndLeavesNoLock) {
    logOnAs("ADMIN");
    const std::string before = notices();
    faults.onCall = [](const std::string& call) {
        const std::string target = " NOTICE.DB";
        const bool replacing = call.rfind("rename ", 0) == 0 && call.size() > target.size() &&
                               call.compare(call.size() - target.size(), target.size(), target) == 0;
        return replacing ? EIO : 0;
    };
    const ListedNoticeStep failed = deleteListedNotice(*st, low);
    faults.onCall = nullptr;
    EXPECT_EQ(failed.outcome, ListedNotice::Failed);
    EXPECT_EQ(failed.result, Result::Failed);
    ASSERT_FALSE(failed.result.messages().empty());
    EXPECT_EQ(failed.result.messages().front(), unsavedFileMessage("NOTICE.DB"));
    EXPECT_EQ(notices(), before);
    EXPECT_TRUE(st->db.noticeInUse(3)); // memory holds what the file holds
    EXPECT_TRUE(noLockFiles());
}

} // namespace
