// Lock files between stations: the three-line format, grants, refusals, waiting, and lock
// files that cannot be used.
#include "db/database.h"
#include "db/fileio.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

class Locks : public ::testing::Test {
  protected:
    void SetUp() override { writeFreshDatabase(dir.str()); }
    std::string lockText(char letter = 'N') {
        return readBytes(dir / (std::string("DB-") + letter + ".LCK"));
    }
    void writeLock(const std::string& content, char letter = 'N') {
        writeBytes(dir / (std::string("DB-") + letter + ".LCK"), content);
    }

    TempFolder dir;
    FakeServices fsA, fsB;
    Database a{dir.str(), fsA.services()}; // one station
    Database b{dir.str(), fsB.services()}; // another, on the same folder
};

} // namespace

TEST_F(Locks, FreeLockIsWrittenAndGranted) {
    EXPECT_EQ(fsA.told(a.acquireLock('N', "ANN", "Creating Notice")), Result::Ok);
    EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n");
    const LockInfo info = b.readLock('N');
    EXPECT_TRUE(info.held);
    EXPECT_EQ(info.holder, "ANN");
    EXPECT_EQ(info.task, "Creating Notice");
    EXPECT_FALSE(b.readLock('U').held); // the other letter is separate
    fsA.tell(a.releaseLock('N'));
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    fsA.tell(a.releaseLock('N')); // releasing a free lock is harmless
}

TEST_F(Locks, HeldLockIsGrantedOnlyUnderTheSameName) {
    ASSERT_EQ(fsA.told(a.acquireLock('N', "ANN", "Creating Notice")), Result::Ok);
    EXPECT_EQ(fsB.told(b.acquireLock('N', "ann", "Delete Notice")), Result::Ok);
    EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n"); // not rewritten
    EXPECT_EQ(fsB.told(b.acquireLock('N', "BOB", "Delete Notice")), Result::Refused);
    EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n");
    EXPECT_EQ(fsB.told(b.acquireLock('N', "ANNE", "Delete Notice")), Result::Refused);
    fsA.tell(a.releaseLock('N'));
    EXPECT_EQ(fsB.told(b.acquireLock('N', "BOB", "Delete Notice")), Result::Ok);
    EXPECT_EQ(lockText(), "TRUE\r\nBOB\r\nDelete Notice\r\n");
}

TEST_F(Locks, FirstLineFalseInAnyCaseMeansFree) {
    for (const char* first : {"false", "FALSE", "False"}) {
        writeLock(std::string(first) + "\r\nOLD\r\nold task\r\n");
        EXPECT_FALSE(a.readLock('N').held) << first;
        EXPECT_EQ(fsA.told(a.acquireLock('N', "BOB", "Creating Notice")), Result::Ok) << first;
        EXPECT_EQ(lockText(), "TRUE\r\nBOB\r\nCreating Notice\r\n");
    }
}

TEST_F(Locks, AnythingElseCountsAsHeld) {
    const std::string cases[] = {
        "",                                   // empty file
        std::string("\0\xFF\x13garbage", 10), // no line end at all
        " false\r\nANN\r\nx\r\n",             // not exactly FALSE
        "FALSE!\r\nANN\r\nx\r\n",
        "\r\nANN\r\nCreating Notice\r\n", // empty first line
    };
    for (const std::string& content : cases) {
        writeLock(content);
        EXPECT_TRUE(a.readLock('N').held) << content;
        EXPECT_EQ(fsA.told(a.acquireLock('N', "BOB", "Delete Notice")), Result::Refused) << content;
        EXPECT_EQ(lockText(), content);
    }
    // The holder and task are whatever the next lines hold.
    EXPECT_EQ(a.readLock('N').holder, "ANN");
    EXPECT_EQ(fsA.told(a.acquireLock('N', "ann", "Delete Notice")), Result::Ok);
}

TEST_F(Locks, LinesMayEndWithCrLfLfOrCr) {
    for (const char* content :
         {"TRUE\nANN\nCreating Notice\n", "TRUE\rANN\rCreating Notice\r",
          "TRUE\r\nANN\r\nCreating Notice", "TRUE\r\n\r\nCreating Notice\r\n"}) {
        writeLock(content);
        const LockInfo info = a.readLock('N');
        EXPECT_TRUE(info.held);
        EXPECT_EQ(info.task, "Creating Notice") << content;
    }
    EXPECT_EQ(a.readLock('N').holder, ""); // an empty second line
    writeLock("TRUE\nANN\nCreating Notice\n");
    EXPECT_EQ(a.readLock('N').holder, "ANN");
}

TEST_F(Locks, ExclusiveCreateNeverReplacesAnExistingFile) {
    writeLock("TRUE\r\nANN\r\nCreating Notice\r\n");
    bool exists = false;
    EXPECT_FALSE(createFileExclusive(*systemFileSystem(), a.lockPath('N'), "TRUE\r\nBOB\r\nx\r\n", "t1", exists));
    EXPECT_TRUE(exists);
    EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n");
    EXPECT_TRUE(createFileExclusive(*systemFileSystem(), a.lockPath('U'), "TRUE\r\nBOB\r\nx\r\n", "t2", exists));
    EXPECT_FALSE(exists);
    EXPECT_EQ(lockText('U'), "TRUE\r\nBOB\r\nx\r\n");
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

// Two stations that both find the lock file free (FALSE): the second must never take away the
// lock the first has just created, in whichever order their steps fall.
TEST_F(Locks, TwoStationsFindingAFreeFileNeverBothHoldTheLock) {
    for (const bool released : {false, true}) {
        SCOPED_TRACE(released ? "the first releases in the window" : "the first still holds");
        writeLock("FALSE\r\nOLD\r\nCreating Notice\r\n");
        Result::Kind first = Result::Failed;
        std::string during;
        int calls = 0;
        b.onFreeLockFound = [&](char letter) {
            if (++calls > 1) return;
            // b has read the free file; a takes the lock before b goes on.
            first = fsA.told(a.acquireLock(letter, "ANN", "Creating Notice")).kind();
            during = lockText();
            if (released) fsA.tell(a.releaseLock(letter));
        };
        const Result second = fsB.told(b.acquireLock('N', "BOB", "Delete Notice"));
        b.onFreeLockFound = nullptr;
        EXPECT_EQ(first, Result::Ok);
        EXPECT_EQ(during, "TRUE\r\nANN\r\nCreating Notice\r\n");
        if (released) {
            // The file b saw has gone and a's lock with it: b may take the lock now.
            EXPECT_EQ(second, Result::Ok);
            EXPECT_EQ(lockText(), "TRUE\r\nBOB\r\nDelete Notice\r\n");
        } else {
            EXPECT_EQ(second, Result::Refused);
            EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n");
        }
        EXPECT_TRUE(fsA.reporter->messages.empty());
        EXPECT_TRUE(fsB.reporter->messages.empty());
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            EXPECT_NE(e.path().extension(), ".tmp") << e.path();
        fsA.tell(a.releaseLock('N'));
    }
}

TEST_F(Locks, WaitingStationShowsTheHolderAndRetriesUntilReleased) {
    ASSERT_EQ(fsA.told(a.acquireLock('N', "ANN", "Creating Notice")), Result::Ok);
    std::vector<std::string> shown;
    int ended = 0;
    b.onLockWait = [&](char letter, const LockInfo& info) {
        shown.push_back(std::string(1, letter) + "|" + info.task + "|" + info.holder);
    };
    b.onLockWaitEnd = [&] { ++ended; };
    fsB.sleeper->onSleep = [&] {
        if (fsB.sleeper->sleeps.size() == 3) fsA.tell(a.releaseLock('N')); // the other station finishes
    };
    EXPECT_TRUE(fsB.told(b.waitForLock('N', "BOB", "Delete Notice")));
    EXPECT_EQ(shown, std::vector<std::string>(3, "N|Creating Notice|ANN"));
    EXPECT_EQ(fsB.sleeper->sleeps, std::vector<int>(3, 3000));
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(lockText(), "TRUE\r\nBOB\r\nDelete Notice\r\n");
}

TEST_F(Locks, RetryIntervalIsTheStationsAndNoWaitMeansNoWindow) {
    int shown = 0, ended = 0;
    b.onLockWait = [&](char, const LockInfo&) { ++shown; };
    b.onLockWaitEnd = [&] { ++ended; };
    EXPECT_TRUE(fsB.told(b.waitForLock('U', "BOB", "Update User")));
    EXPECT_EQ(shown + ended, 0);
    fsB.tell(b.releaseLock('U'));

    ASSERT_EQ(fsA.told(a.acquireLock('U', "ANN", "Create New User")), Result::Ok);
    b.lockRetryMs = 5;
    fsB.sleeper->onSleep = [&] { fsA.tell(a.releaseLock('U')); };
    EXPECT_TRUE(fsB.told(b.waitForLock('U', "BOB", "Update User")));
    EXPECT_EQ(fsB.sleeper->sleeps, std::vector<int>{5});
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(ended, 1);
}

TEST_F(Locks, ChangeFrameHoldsTheLockOnlyWhileChanging) {
    std::string during;
    EXPECT_TRUE(fsA.told(a.changeNotices("ANN", "Update Notice Dates", [&] {
        during = lockText();
        a.notice(3).endDate = 46100;
        return true;
    })));
    EXPECT_EQ(during, "TRUE\r\nANN\r\nUpdate Notice Dates\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    ASSERT_EQ(fsB.told(b.loadNotices()), Result::Ok);
    EXPECT_DOUBLE_EQ(b.notice(3).endDate, 46100);

    // A change that declines saves nothing and still releases.
    const std::string before = readBytes(dir / "NOTICE.DB");
    EXPECT_FALSE(fsA.told(a.changeNotices("ANN", "Delete Notice", [&] {
        a.markNoticeFree(3);
        a.notice(4).endDate = 1;
        return false;
    })));
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
}

// Inside one station a lock taken again under the same name is counted: an inner release
// never frees the outer hold, and another station stays refused until the outermost release.
TEST_F(Locks, ALockTakenAgainByTheSameStationIsFreedOnlyByTheOutermostRelease) {
    ASSERT_EQ(fsA.told(a.acquireLock('N', "ANN", "Creating Notice")), Result::Ok);
    ASSERT_EQ(fsA.told(a.acquireLock('N', "ann", "Delete Notice")), Result::Ok);
    EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n");
    fsA.tell(a.releaseLock('N'));
    EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nCreating Notice\r\n");
    EXPECT_EQ(fsB.told(b.acquireLock('N', "BOB", "Delete Notice")), Result::Refused);
    fsA.tell(a.releaseLock('N'));
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    ASSERT_EQ(fsB.told(b.acquireLock('N', "BOB", "Delete Notice")), Result::Ok);
    fsB.tell(b.releaseLock('N'));

    // A change made from within another change's callback.
    int inner = 0;
    EXPECT_TRUE(fsA.told(a.changeNotices("ANN", "Update Notice Dates", [&] {
        EXPECT_TRUE(a.changeNotices("ANN", "Delete Notice", [&] { return ++inner > 0; }));
        EXPECT_EQ(lockText(), "TRUE\r\nANN\r\nUpdate Notice Dates\r\n");
        EXPECT_EQ(b.acquireLock('N', "BOB", "Delete Notice"), Result::Refused);
        return true;
    })));
    EXPECT_EQ(inner, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));

    // Each letter is counted apart, and a refused acquire under another name counts nothing.
    ASSERT_EQ(fsA.told(a.acquireLock('U', "ANN", "Update User")), Result::Ok);
    ASSERT_EQ(fsA.told(a.acquireLock('N', "ANN", "Creating Notice")), Result::Ok);
    fsA.tell(a.releaseLock('U'));
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-U.LCK"));
    EXPECT_EQ(fsA.told(a.acquireLock('N', "BOB", "Delete Notice")), Result::Refused);
    fsA.tell(a.releaseLock('N'));
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
}

TEST_F(Locks, LockFileThatCannotBeReadStopsWithAMessage) {
    std::filesystem::create_directory(dir / "DB-N.LCK");
    EXPECT_EQ(fsA.told(a.acquireLock('N', "ANN", "Creating Notice")), Result::Failed);
    ASSERT_EQ(fsA.reporter->messages.size(), 1u);
    EXPECT_EQ(fsA.reporter->messages[0], lockFileMessage('N'));
    EXPECT_NE(fsA.reporter->messages[0].find("DB-N.LCK"), std::string::npos);
    EXPECT_EQ(fsA.sleeper->sleeps, std::vector<int>(9, a.ioPauseMs));

    fsA.reporter->messages.clear();
    fsA.sleeper->sleeps.clear();
    bool changed = false;
    int waits = 0;
    a.onLockWait = [&](char, const LockInfo&) { ++waits; };
    EXPECT_FALSE(fsA.told(a.changeNotices("ANN", "Creating Notice", [&] { return changed = true; })));
    EXPECT_FALSE(changed);
    EXPECT_EQ(waits, 0);
    EXPECT_EQ(fsA.reporter->messages.size(), 1u);
    EXPECT_LE(fsA.sleeper->sleeps.size(), 9u);                    // bounded, no endless wait
    EXPECT_TRUE(std::filesystem::is_directory(dir / "DB-N.LCK")); // left for the administrator
}
