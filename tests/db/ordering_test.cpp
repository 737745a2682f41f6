// The orderings the protocol between stations relies on, recorded call by call through the file
// system: a save is written, flushed, renamed into place and its folder flushed; a locked file
// is written while its lock names this station; and a save reported done survives a power cut.
#include "db/database.h"
#include "db/fileio.h"
#include "db/station.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <string_view>

using namespace pinora;
using namespace pinora::test;

namespace {

const std::string kFolder = "/share/notices/";

class Ordering : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(kFolder, std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &mem));
        mem.syncAll();
        st.db.services().files = std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &calls);
        ASSERT_EQ(fs.told(st.db.loadConfig()), Result::Ok);
        ASSERT_EQ(fs.told(st.db.loadUsers()), Result::Ok);
        ASSERT_EQ(fs.told(st.db.loadNotices()), Result::Ok);
        st.currentUserName = "ADMIN";
        st.currentUserSlot = st.db.findUser("ADMIN");
        calls.reset();
        calls.onPowerCut = [this] { mem.cutPower(); };
    }
    std::string file(const std::string& name) const {
        return mem.readFile(kFolder + name).value_or("(missing)");
    }

    MemoryFileSystem mem;
    FaultFileSystem calls{mem};
    FakeServices fs;
    Station st{kFolder, fs.services()};
};

// The calls that write, renamed to their kind alone, with temporary names shown as "tmp".
std::vector<std::string> writes(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (std::string c : log) {
        if (c.starts_with("openRead") || c == "read" || c.starts_with("info")) continue;
        for (std::size_t at; (at = c.find(".~")) != std::string::npos;) {
            const std::size_t end = c.find(".tmp", at);
            c.replace(at, end + 4 - at, ".tmp");
        }
        out.push_back(c);
    }
    return out;
}

} // namespace

TEST_F(Ordering, EachDatabaseSaveIsWrittenFlushedRenamedThenItsFolderFlushed) {
    for (const char* name : {"NOTICE.DB", "USER.DB", "CONFIG.DB"}) {
        SCOPED_TRACE(name);
        calls.reset();
        calls.recording = true;
        const Result saved = name == std::string("NOTICE.DB") ? fs.told(st.db.saveNotices())
                           : name == std::string("USER.DB") ? fs.told(st.db.saveUsers())
                                                            : fs.told(st.db.saveConfig());
        ASSERT_TRUE(saved);
        // The header and the block, the flush to disk, and only then the rename; the folder
        // last, so that a save reported done is still there after a power cut.
        const std::string n = name;
        EXPECT_EQ(writes(calls.log),
                  (std::vector<std::string>{"createExclusive " + n + ".tmp", "write", "write",
                                            "flush", "close", "rename " + n + ".tmp " + n,
                                            "flushFolder"}));
    }
}

TEST_F(Ordering, ASaveSurvivesAPowerCutOnceReportedAndLeavesTheOldFileWholeBeforeThat) {
    const std::string old = file("NOTICE.DB");
    calls.reset();
    st.db.notice(1).endDate = 46999;
    ASSERT_TRUE(fs.told(st.db.saveNotices()));
    const long total = calls.calls();
    mem.cutPower();
    const std::string saved = file("NOTICE.DB");
    EXPECT_NE(saved, old);
    EXPECT_EQ(saved.size(), Database::kNoticeFileSize);

    // A cut at any call of the save, the folder's flush included, brings back the old file
    // whole (and the save says it failed).
    for (long n = 1; n <= total; ++n) {
        SCOPED_TRACE(n);
        mem.writeFile(kFolder + "NOTICE.DB", old);
        mem.syncAll();
        calls.reset();
        calls.failAt(n, FaultFileSystem::Fault::PowerCut);
        EXPECT_FALSE(fs.told(st.db.saveNotices()));
        calls.reset();
        const std::string after = file("NOTICE.DB");
        EXPECT_TRUE(after == old) << after.size();
    }

    // A message file reported written is there after a cut too: a notice must not come back
    // without its words.
    calls.reset();
    ASSERT_TRUE(st.db.writeMessageFile(7, "Kept words"));
    mem.cutPower();
    EXPECT_EQ(file("MSG/7.MSG"), "Kept words\r\n");
}

TEST_F(Ordering, AChangeWhoseSaveFailsLeavesMemoryAsTheFilesHoldIt) {
    const std::string notices = file("NOTICE.DB");
    const std::string users = file("USER.DB");
    // A share that refuses to replace the database files (lock files still come and go).
    calls.onCall = [](const std::string& call) {
        return call.starts_with("rename") && call.ends_with(".DB") ? EIO : 0;
    };
    int n = 0;
    std::array<bool, kSetCount> sets{};
    sets[0] = true;
    EXPECT_EQ(fs.told(st.allocateNotice(fs.clock->t, fs.clock->t, sets, n)), Result::Failed);
    EXPECT_FALSE(fs.told(st.addPost()));
    calls.onCall = nullptr;

    // Counts and lists read memory: they must not show what no other station can see.
    EXPECT_EQ(st.db.countNoticesInUse(), 0);
    EXPECT_EQ(st.currentUser().postCount, 0);
    EXPECT_EQ(file("NOTICE.DB"), notices);
    EXPECT_EQ(file("USER.DB"), users);
    EXPECT_FALSE(mem.exists(kFolder + "DB-N.LCK"));
    EXPECT_FALSE(mem.exists(kFolder + "DB-U.LCK"));
    EXPECT_EQ(fs.reporter->messages,
              (std::vector<std::string>{unsavedFileMessage("NOTICE.DB"),
                                        unsavedFileMessage("USER.DB")}));
}

TEST_F(Ordering, ALockedFileIsWrittenWhileItsLockNamesThisStation) {
    const std::string lockN = "TRUE\r\nADMIN\r\n";
    struct Seen {
        int steps = 0;
        std::vector<std::string> wrong;
    };
    Seen notices, users;
    calls.onCall = [&](const std::string& call) {
        // The temporary file of a save is named after its file: "NOTICE.DB.~station-n.tmp".
        const bool isNotices = call.find("NOTICE.DB.~") != std::string::npos;
        if (!isNotices && call.find("USER.DB.~") == std::string::npos) return 0;
        Seen& seen = isNotices ? notices : users;
        ++seen.steps;
        const std::string lock = file(isNotices ? "DB-N.LCK" : "DB-U.LCK");
        if (lock.rfind(lockN, 0) != 0) seen.wrong.push_back(call + ": '" + lock + "'");
        return 0;
    };
    const std::array<bool, kSetCount> sets{true};
    int n = -1;
    ASSERT_EQ(fs.told(st.allocateNotice(46000, 46001, sets, n)), Result::Ok);
    ASSERT_TRUE(fs.told(st.updateNoticeDates(n, 46000, 46003)));
    ASSERT_TRUE(fs.told(st.updateNoticeSets(n, sets)));
    ASSERT_TRUE(fs.told(st.addPost()));
    ASSERT_TRUE(fs.told(st.freeNotice(n, "Delete Notice")));
    calls.onCall = nullptr;
    // Four changes of NOTICE.DB and one of USER.DB, each created and renamed by name.
    EXPECT_EQ(notices.steps, 4 * 2);
    EXPECT_EQ(users.steps, 2);
    EXPECT_EQ(notices.wrong, std::vector<std::string>{});
    EXPECT_EQ(users.wrong, std::vector<std::string>{});
    EXPECT_FALSE(mem.exists(kFolder + "DB-N.LCK"));
    EXPECT_FALSE(mem.exists(kFolder + "DB-U.LCK"));
}
