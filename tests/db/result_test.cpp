// What the shared files' operations hand back: each kind of outcome with its facts, and the
// words the user used to be shown, now carried by the result for a presenter.
#include "db/database.h"
#include "db/station.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace pinora;
using namespace pinora::test;

namespace {

const std::string kFolder = "/school/notices/";

class Results : public ::testing::Test {
  protected:
    void SetUp() override { writeFreshDatabase(kFolder, unowned(mem)); }

    MemoryFileSystem mem;
    FaultFileSystem fault{mem};
    FakeServices fs = [this] {
        FakeServices f;
        f.files = unowned(fault);
        return f;
    }();
    Database db{kFolder, fs.services()};

    // Fails every call whose log words start with one of prefixes.
    void failCalls(std::vector<std::string> prefixes) {
        fault.onCall = [prefixes](const std::string& call) {
            for (const std::string& p : prefixes)
                if (call.rfind(p, 0) == 0) return EIO;
            return 0;
        };
    }
};

TEST_F(Results, EachKindCarriesItsFactsAndTheWordsShownBefore) {
    // Missing: a plain load says nothing; inside a change the missing-file message.
    mem.remove(kFolder + "USER.DB");
    const Result plain = db.loadUsers();
    EXPECT_EQ(plain, Result::Missing);
    EXPECT_EQ(plain.file(), "USER.DB");
    EXPECT_TRUE(plain.messages().empty());
    const Result inFrame = db.changeUsers("ANN", "Update User", [] { return true; });
    EXPECT_EQ(inFrame, Result::Missing);
    EXPECT_EQ(inFrame.messages(), std::vector<std::string>{missingFileMessage("USER.DB")});

    // Unreadable: what was found, and the broken-file message quoting it.
    mem.writeFile(kFolder + "NOTICE.DB", std::string(1000, 'x'));
    const Result broken = db.loadNotices();
    EXPECT_EQ(broken, Result::Unreadable);
    EXPECT_EQ(broken.file(), "NOTICE.DB");
    const std::string found =
        "it holds 1000 bytes, " + std::to_string(Database::kNoticeFileSize) + " expected";
    EXPECT_EQ(broken.detail(), found);
    EXPECT_EQ(broken.messages(), std::vector<std::string>{brokenFileMessage("NOTICE.DB", found)});

    // Refused: who holds the lock and for what; the caller says it in its own words.
    mem.writeFile(kFolder + "DB-U.LCK", "TRUE\r\nBOB\r\nCreate New User\r\n");
    const Result refused = db.acquireLock('U', "ANN", "Update User");
    EXPECT_EQ(refused, Result::Refused);
    EXPECT_EQ(refused.file(), "DB-U.LCK");
    EXPECT_EQ(refused.lock().holder, "BOB");
    EXPECT_EQ(refused.lock().task, "Create New User");
    EXPECT_TRUE(refused.messages().empty());

    // Failed: the system's words, and the unsaved-file message.
    failCalls({"rename CONFIG.DB"});
    const Result unsaved = db.saveConfig();
    EXPECT_EQ(unsaved, Result::Failed);
    EXPECT_EQ(unsaved.file(), "CONFIG.DB");
    EXPECT_FALSE(unsaved.detail().empty());
    EXPECT_EQ(unsaved.messages(), std::vector<std::string>{unsavedFileMessage("CONFIG.DB")});

    // A lock file that cannot be read: the lock-file message.
    failCalls({"openRead DB-N.LCK"});
    mem.writeFile(kFolder + "DB-N.LCK", "FALSE\r\n\r\n\r\n");
    const Result unusable = db.acquireLock('N', "ANN", "Creating Notice");
    EXPECT_EQ(unusable, Result::Failed);
    EXPECT_EQ(unusable.messages(), std::vector<std::string>{lockFileMessage('N')});
}

// The change frame used to answer false both when the user said no and when the save failed:
// a window could not tell "nothing to do" from "your change is lost".
TEST_F(Results, ADeclinedChangeIsToldApartFromAFailedSave) {
    const std::string before = *mem.readFile(kFolder + "NOTICE.DB");
    const Result declined = db.changeNotices("ANN", "Delete Notice", [] { return false; });
    EXPECT_EQ(declined, Result::Declined);
    EXPECT_TRUE(declined.messages().empty());

    failCalls({"rename NOTICE.DB"});
    const Result failed = db.changeNotices("ANN", "Delete Notice", [&] {
        db.markNoticeFree(1);
        return true;
    });
    EXPECT_EQ(failed, Result::Failed);
    EXPECT_EQ(failed.file(), "NOTICE.DB");
    EXPECT_EQ(failed.messages(), std::vector<std::string>{unsavedFileMessage("NOTICE.DB")});

    // Either way the file is as it was and the lock is gone.
    fault.onCall = nullptr;
    EXPECT_EQ(*mem.readFile(kFolder + "NOTICE.DB"), before);
    EXPECT_FALSE(mem.readFile(kFolder + "DB-N.LCK"));
    EXPECT_EQ(db.changeConfig([] { return false; }), Result::Declined);
}

// A change that was stored is still Ok when its lock could not be removed afterwards; the
// lock-left message comes with it, after anything the load had to tell.
TEST_F(Results, WhatALaterStepTellsComesAfterAndKeepsTheOutcome) {
    const Result r = db.changeNotices("ANN", "Update Notice Dates", [&] {
        failCalls({"remove DB-N.LCK", "rename DB-N.LCK"});
        db.notice(1).endDate = 46500;
        return true;
    });
    EXPECT_EQ(r, Result::Ok);
    EXPECT_EQ(r.messages(), std::vector<std::string>{lockLeftMessage('N')});
    fault.onCall = nullptr;
    ASSERT_TRUE(db.loadNotices());
    EXPECT_EQ(db.notice(1).endDate, 46500);

    Result first = Result::unreadable("USER.DB", "it is empty").tell("one");
    first.also(Result::failed("DB-U.LCK", "EIO").tell("two")).after(Result().tell("zero"));
    EXPECT_EQ(first, Result::Unreadable);
    EXPECT_EQ(first.detail(), "it is empty");
    EXPECT_EQ(first.messages(), (std::vector<std::string>{"zero", "one", "two"}));
}

TEST_F(Results, StationStepsSayWhyTheyDidNothing) {
    Station st(kFolder, fs.services());
    int n = 0;
    // Nobody logged on, a notice number out of range: nothing to tell, and no slot taken.
    EXPECT_EQ(st.allocateNotice(46000, 46001, {true}, n), Result::Failed);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(st.freeNotice(0, "Delete Notice"), Result::Declined);
    ASSERT_TRUE(st.db.loadUsers());
    st.currentUserName = "ADMIN";
    st.currentUserSlot = st.db.findUser("ADMIN");
    // The message file that cannot be written is named, with the slot already taken.
    failCalls({"createExclusive 1.MSG"});
    const Result r = st.allocateNotice(46000, 46001, {true}, n);
    EXPECT_EQ(r, Result::Failed);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(r.file(), st.db.messageFilePath(1));
    EXPECT_FALSE(r.detail().empty());
    EXPECT_TRUE(r.messages().empty());
}

} // namespace
