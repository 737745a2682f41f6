// What a share that fails now and then must not cost: a lock left held for ever, a notice freed
// because its text could not be looked at, an import that brings notices in without their
// texts. Each failure is made by the file system that the station uses, as a share makes it.
#include "db/fileio.h"
#include "db/formats/release14.h"
#include "db/import14.h"
#include "db/integritycheck.h"
#include "db/station.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace pinora;
using namespace pinora::test;

namespace {

const std::string kFolder = "/share/notices/";

std::shared_ptr<FileSystem> borrowed(FileSystem& fs) {
    return std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &fs);
}

class Faults : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(kFolder, borrowed(mem));
        mem.syncAll();
        ASSERT_EQ(fa.told(a.db.loadUsers()), Result::Ok);
        a.currentUserName = "ADMIN";
        a.currentUserSlot = a.db.findUser("ADMIN");
    }
    // Notices 1 and 2 of ADMIN with their texts.
    void twoNotices() {
        const std::array<bool, kSetCount> sets{true};
        for (int k = 0; k < 2; ++k) {
            int n = 0;
            ASSERT_EQ(fa.told(a.allocateNotice(46000, 46400, sets, n)), Result::Ok);
            ASSERT_TRUE(a.db.writeMessageFile(n, "Text " + std::to_string(n)));
        }
    }

    MemoryFileSystem mem;
    FaultFileSystem share{mem}; // what station a sees of the folder
    FakeServices fa, fb;
    Station a{kFolder, (fa.files = borrowed(share), fa.services())};
    Station b{kFolder, (fb.files = borrowed(mem), fb.services())};
};

} // namespace

TEST_F(Faults, ALockIsNeverLeftHeldByAStationThatCouldNotRemoveIt) {
    // The share refuses to remove the lock file while another client reads it.
    share.onCall = [](const std::string& call) { return call == "remove DB-N.LCK" ? EBUSY : 0; };
    ASSERT_EQ(fa.told(a.db.acquireLock('N', "ADMIN", "Creating Notice")), Result::Ok);
    fa.tell(a.db.releaseLock('N'));
    EXPECT_EQ(mem.readFile(kFolder + "DB-N.LCK"), "FALSE\r\n\r\n\r\n") << "marked free instead";
    EXPECT_EQ(fb.told(b.db.acquireLock('N', "BOB", "Creating Notice")), Result::Ok);
    fb.tell(b.db.releaseLock('N'));
    EXPECT_TRUE(fa.reporter->messages.empty());

    // Taken, but its read-back fails: the lock this station made still goes.
    int linked = 0;
    share.onCall = [&](const std::string& call) {
        if (call.starts_with("link ") && call.ends_with(" DB-U.LCK")) ++linked;
        if (linked && call == "openRead DB-U.LCK") return EIO;
        return call == "remove DB-U.LCK" && linked++ == 1 ? EBUSY : 0;
    };
    EXPECT_EQ(fa.told(a.db.acquireLock('U', "ADMIN", "Add User")), Result::Failed);
    EXPECT_FALSE(b.db.readLock('U').held);
    EXPECT_EQ(fa.reporter->messages, std::vector<std::string>{lockFileMessage('U')});

    // Neither removed nor marked free: the user is told what to do.
    fa.reporter->messages.clear();
    share.onCall = nullptr;
    ASSERT_EQ(fa.told(a.db.acquireLock('N', "ADMIN", "Creating Notice")), Result::Ok);
    share.onCall = [](const std::string& call) {
        return call == "remove DB-N.LCK" || call.starts_with("createExclusive DB-N.LCK") ? EACCES
                                                                                          : 0;
    };
    fa.tell(a.db.releaseLock('N'));
    EXPECT_EQ(fa.reporter->messages, std::vector<std::string>{lockLeftMessage('N')});
}

TEST_F(Faults, TheCheckKeepsANoticeWhoseTextCannotBeLookedAt) {
    twoNotices();
    mem.remove(kFolder + "MSG/2.MSG");
    share.onCall = [](const std::string& call) { return call == "info 1.MSG" ? EIO : 0; };
    class Quiet : public CheckObserver {
        void logLine(const std::string&) override {}
    } quiet;
    const CheckResult r =
        runIntegrityCheck(a, CheckOptions{}, quiet, [](TDateTime) { return std::string(); });
    ASSERT_EQ(r.outcome, CheckOutcome::Completed);
    ASSERT_EQ(fb.told(b.db.loadNotices()), Result::Ok);
    EXPECT_TRUE(b.db.noticeInUse(1)) << "an input/output error is not a missing file";
    EXPECT_FALSE(b.db.noticeInUse(2)) << "a missing text still frees its notice";
}

TEST_F(Faults, TheImportBringsNoNoticeInWithoutTheTextItCouldNotRead) {
    const std::string old = "/share/pinora14";
    std::string dat(formats::kRelease14FileSize, '\0');
    for (int i = 0; i < formats::kRelease14Records; ++i)
        putText(dat, 48 * static_cast<std::size_t>(i), i == 0 ? "Old" : "[NULL]");
    put64(dat, 24, 46000);
    put64(dat, 32, 46400);
    mem.writeFile(old + "/NOTICES.DAT", dat);
    mem.writeFile(old + "/MSG/1.MSG", "Old words\r\n");
    Release14Import rq;
    rq.folder = old;
    rq.staffSet = rq.studentSet = 1;
    rq.user = "ADMIN";
    const std::string notices = mem.readFile(kFolder + "NOTICE.DB").value();

    share.onCall = [](const std::string& call) { return call == "list MSG" ? EIO : 0; };
    const ImportOutcome refused = importRelease14(a.db, rq);
    EXPECT_EQ(refused.status, ImportStatus::Refused);
    EXPECT_EQ(refused.message, "Read error: " + old + "/MSG: " + systemErrorText(EIO));
    EXPECT_EQ(mem.readFile(kFolder + "NOTICE.DB"), notices);
    EXPECT_FALSE(mem.exists(kFolder + "DB-N.LCK"));

    // A read of the old text that fails once is repeated, as the database's own loads are.
    bool failed = false;
    share.onCall = [&](const std::string& call) {
        if (call != "openRead 1.MSG" || failed) return 0;
        failed = true;
        return EIO;
    };
    const ImportOutcome done = importRelease14(a.db, rq);
    ASSERT_EQ(done.status, ImportStatus::Done) << done.message;
    EXPECT_TRUE(failed);
    EXPECT_EQ(mem.readFile(kFolder + "MSG/1.MSG"), "Old words\r\n");
}

TEST_F(Faults, WhatAShareSaysWhileAnotherClientWorksIsWaitedOutNotTakenForAnAnswer) {
    // NOTICE.DB seems missing for a moment while another station replaces it.
    int hidden = 2;
    share.onCall = [&](const std::string& call) {
        return call == "openRead NOTICE.DB" && hidden-- > 0 ? ENOENT : 0;
    };
    EXPECT_EQ(fa.told(a.db.loadNotices()), Result::Ok);

    // Defaults never replace a file that appeared meanwhile.
    share.onCall = nullptr;
    const std::string notices = mem.readFile(kFolder + "NOTICE.DB").value();
    a.db.initNotices();
    bool created = true;
    EXPECT_EQ(fa.told(a.db.createNotices(created)), Result::Ok);
    EXPECT_FALSE(created) << "another station made it first";
    EXPECT_EQ(mem.readFile(kFolder + "NOTICE.DB"), notices);
    mem.remove(kFolder + "CONFIG.DB");
    a.db.setConfigDefaults();
    EXPECT_EQ(fa.told(a.db.createConfig(created)), Result::Ok);
    EXPECT_TRUE(created);
    mem.cutPower();
    EXPECT_EQ(fb.told(b.db.loadConfig()), Result::Ok) << "made to survive a power cut";

    // A rename over a file another client holds open is refused for a while, then goes.
    int busy = 15;
    share.onCall = [&](const std::string& call) {
        return call.starts_with("rename ") && call.ends_with(" NOTICE.DB") && busy-- > 0 ? EEXIST
                                                                                       : 0;
    };
    EXPECT_TRUE(fa.told(a.db.saveNotices()));
    EXPECT_TRUE(fa.reporter->messages.empty());

    // sshfs refuses a taken name with EPERM, both to link and to an exclusive create: held.
    ASSERT_EQ(fb.told(b.db.acquireLock('N', "BOB", "Creating Notice")), Result::Ok);
    share.onCall = [](const std::string& call) {
        const bool toLock = call.ends_with(" DB-N.LCK") || call == "createExclusive DB-N.LCK";
        return toLock && (call.starts_with("link ") || call.starts_with("createExclusive")) ? EPERM
                                                                                           : 0;
    };
    // The lock file read as free for a moment: this station tries to create it.
    mem.writeFile(kFolder + "DB-N.LCK", "TRUE\r\nBOB\r\nCreating Notice\r\n");
    int reads = 0, looks = 0;
    share.onCall = [&, inner = share.onCall](const std::string& call) {
        if (call == "openRead DB-N.LCK" && reads++ == 0) return ENOENT;
        if (call == "info DB-N.LCK" && looks++ == 0) return ENOENT;
        return inner(call);
    };
    EXPECT_EQ(fa.told(a.db.acquireLock('N', "ADMIN", "Creating Notice")), Result::Refused);
    EXPECT_EQ(looks, 2) << "the refused name was looked at";
    EXPECT_TRUE(fa.reporter->messages.empty());
}
