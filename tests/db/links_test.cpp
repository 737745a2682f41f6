// Links planted in the shared folder by anyone who can write it: a station that saves, locks,
// reads, checks or empties folders there must never reach the files they point to.
#include "db/datetime.h"
#include "db/fileio.h"
#include "db/integritycheck.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/tempfolder.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
namespace fs = std::filesystem;

namespace {

struct QuietLog : CheckObserver {
    std::vector<std::string> lines;
    void logLine(const std::string& l) override { lines.push_back(l); }
};

class PlantedLinks : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(fsv.told(st.db.loadUsers()), Result::Ok);
        ASSERT_EQ(fsv.told(st.db.loadNotices()), Result::Ok);
        st.currentUserName = "ADMIN";
        st.currentUserSlot = st.db.findUser("ADMIN");
        writeBytes(outside / "secret", "the mail password\n");
        writeBytes(outside / "victim", "someone's file");
    }
    bool outsideUnchanged() const {
        return readBytes(outside / "secret") == "the mail password\n" &&
               readBytes(outside / "victim") == "someone's file";
    }

    TempFolder dir, outside;
    FakeServices fsv;
    Station st{dir.str(), fsv.services()};
};

TEST_F(PlantedLinks, SavesAndLocksReplaceOrRefuseLinksAndNeverWriteThroughThem) {
    // Links under the names the next saves and locks would take if their tag were the whole
    // name (it is the station and a counter), and under the files themselves.
    const std::string tag = st.db.tmpTag();
    const std::string stem = tag.substr(0, tag.rfind('-') + 1);
    const int next = std::stoi(tag.substr(tag.rfind('-') + 1)) + 1;
    for (const char* file : {"NOTICE.DB", "USER.DB", "CONFIG.DB", "DB-N.LCK", "DB-U.LCK"})
        for (int k = next; k < next + 20; ++k)
            fs::create_symlink(outside / "victim", dir / (std::string(file) + "." + stem +
                                                         std::to_string(k) + ".tmp"));
    fs::remove(dir / "USER.DB");
    fs::create_symlink(outside / "victim", dir / "USER.DB");

    EXPECT_EQ(fsv.told(st.db.acquireLock('N', "ADMIN", "Data Integrity Check")), Result::Ok);
    EXPECT_TRUE(fsv.told(st.db.saveNotices()));
    EXPECT_TRUE(fsv.told(st.db.saveUsers())) << "the link is replaced by the file, not written through";
    fsv.tell(st.db.releaseLock('N'));
    EXPECT_TRUE(outsideUnchanged());
    EXPECT_FALSE(fs::is_symlink(dir / "USER.DB"));
    EXPECT_EQ(fs::file_size(dir / "USER.DB"), Database::kUserFileSize);

    // A lock file that is a link is not free: nobody may take it, and it is never read.
    fs::create_symlink(outside / "secret", dir / "DB-U.LCK");
    EXPECT_NE(fsv.told(st.db.acquireLock('U', "ADMIN", "Update User")), Result::Ok);
    EXPECT_TRUE(outsideUnchanged());

    // A database file that is a link is never read.
    fs::remove(dir / "NOTICE.DB");
    fs::create_symlink(outside / "victim", dir / "NOTICE.DB");
    fsv.reporter->messages.clear();
    EXPECT_EQ(fsv.told(st.db.loadNotices()), Result::Unreadable);
    ASSERT_FALSE(fsv.reporter->messages.empty());
    EXPECT_NE(fsv.reporter->messages[0].find("NOTICE.DB"), std::string::npos);
}

TEST_F(PlantedLinks, MessageFilesAndTheMessageFolderAreNeverFollowed) {
    fs::create_symlink(outside / "secret", dir / "MSG" / "1.MSG");
    std::string text;
    Result read = st.db.readMessageFile(1, text);
    EXPECT_FALSE(read);
    EXPECT_EQ(read.detail(), kLinkRefused);
    EXPECT_TRUE(st.db.messageFileExists(1)) << "a link is not taken for a missing file";
    fs::create_symlink("/proc/self/environ", dir / "MSG" / "2.MSG");
    EXPECT_FALSE(st.db.readMessageFile(2, text));

    // MSG itself a link to another folder: nothing is read from it or written into it.
    fs::remove_all(dir / "MSG");
    fs::create_symlink(outside.path(), dir / "MSG");
    fs::copy_file(outside / "secret", outside / "3.MSG");
    read = st.db.readMessageFile(3, text);
    EXPECT_FALSE(read);
    EXPECT_EQ(read.detail(), kLinkRefused);
    EXPECT_FALSE(st.db.writeMessageFile(4, "planted?"));
    EXPECT_FALSE(fs::exists(outside / "4.MSG"));
    EXPECT_TRUE(outsideUnchanged());
}

TEST_F(PlantedLinks, TheCheckEmptiesNoLinkedFolderAndLogsIt) {
    fs::remove_all(dir / "TEMP");
    fs::create_symlink(outside.path(), dir / "TEMP");
    writeBytes(outside / "old.NOTICE.DB.~x.tmp", "left over");
    fs::create_symlink(outside / "victim", dir / "DataChk.txt");

    QuietLog log;
    CheckOptions o;
    const CheckResult r =
        runIntegrityCheck(st, o, log, [](TDateTime) { return std::string("now"); });
    EXPECT_EQ(r.outcome, CheckOutcome::Completed);
    EXPECT_EQ(r.counts.temporaryFilesRemoved, 0);
    EXPECT_TRUE(fs::exists(outside / "old.NOTICE.DB.~x.tmp"));
    EXPECT_TRUE(outsideUnchanged());
    bool logged = false;
    for (const std::string& l : log.lines)
        logged |= l.rfind("Folder TEMP : is a link.", 0) == 0;
    EXPECT_TRUE(logged);

    // The saved log replaces the link named DataChk.txt.
    const std::string text = "Check started\r\n";
    ASSERT_TRUE(writeFileAtomic(*systemFileSystem(), st.db.path("DataChk.txt"), text.data(), text.size(), "~t"));
    EXPECT_TRUE(outsideUnchanged());
    EXPECT_EQ(readBytes(dir / "DataChk.txt"), text);

    // Links inside a real TEMP go, but what they point to stays.
    fs::remove(dir / "TEMP");
    fs::create_directory(dir / "TEMP");
    fs::create_symlink(outside / "victim", dir / "TEMP" / "~1.HTM");
    EXPECT_EQ(removeTemporaryFiles(st.db, true), 1);
    EXPECT_FALSE(fs::is_symlink(dir / "TEMP" / "~1.HTM"));
    EXPECT_TRUE(outsideUnchanged());
}

TEST(TemporaryNames, AreUnguessableAndStillFoundByTheCleanup) {
    TempFolder dir;
    FakeServices fsv;
    writeFreshDatabase(dir.str());
    Database a(dir.str(), fsv.services());
    ASSERT_EQ(fsv.told(a.loadNotices()), Result::Ok);
    // Two saves with the same tag still take different names: each is created exclusively.
    std::set<std::string> seen;
    FaultFileSystem watch(*systemFileSystem());
    watch.recording = true;
    EXPECT_TRUE(writeFileAtomic(watch, a.path("X"), "1", 1, "~same"));
    EXPECT_TRUE(writeFileAtomic(watch, a.path("X"), "2", 1, "~same"));
    for (const std::string& call : watch.log)
        if (call.starts_with("rename ")) seen.insert(call.substr(7, call.find(' ', 7) - 7));
    ASSERT_EQ(seen.size(), 2u);
    for (const std::string& n : seen) {
        EXPECT_EQ(n.rfind("X.~same-", 0), 0u) << n;
        EXPECT_EQ(n.size(), std::string("X.~same-").size() + 16 + 4) << n;
    }
}

} // namespace
