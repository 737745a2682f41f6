// The in-memory file system behaves as Linux does where the program relies on it, keeps only
// what was flushed through a power cut, and the fault wrapper fails exactly the call chosen.
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

using namespace pinora;
using namespace pinora::test;

namespace {

using Fault = FaultFileSystem::Fault;

class MemoryFs : public ::testing::Test {
  protected:
    void SetUp() override {
        fs.writeFile("/db/OLD.DB", "old");
        fs.makeFolders("/db/MSG");
        fs.addLink("/db/LINK");
        fs.addPipe("/db/PIPE");
    }
    // A file made as a save makes it; the handle stays open when keepOpen.
    int create(const std::string& path, const std::string& bytes, bool keepOpen = false) {
        int w = -1;
        EXPECT_EQ(fs.createExclusive(path, w), 0) << path;
        EXPECT_EQ(fs.write(w, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
        if (!keepOpen) {
            EXPECT_EQ(fs.close(w), 0);
        }
        return w;
    }
    std::string readSome(int r, std::size_t size) {
        std::string s(size, '\0');
        const long n = fs.read(r, s.data(), size);
        s.resize(n < 0 ? 0 : n);
        return s;
    }

    MemoryFileSystem fs;
    EntryInfo info;
    std::vector<FolderEntry> entries;
    int h = -1;
};

} // namespace

TEST_F(MemoryFs, ExclusiveCreateIsRefusedForEveryTakenName) {
    for (const char* taken : {"/db/OLD.DB", "/db/MSG", "/db/LINK", "/db/PIPE", "/", "/db/MSG/.."})
        EXPECT_EQ(fs.createExclusive(taken, h), EEXIST) << taken;
    EXPECT_EQ(fs.createExclusive("/db/NONE/x", h), ENOENT);
    EXPECT_EQ(fs.readFile("/db/OLD.DB"), "old");

    // Each handle has its own position; the file starts empty.
    const int w = create("/db//NEW", "", true);
    EXPECT_EQ(fs.readFile("/db/NEW"), "");
    ASSERT_EQ(fs.openRead("/db/NEW", h, info), 0);
    EXPECT_EQ(fs.write(w, "abc", 3), 3);
    EXPECT_EQ(fs.write(w, "def", 3), 3);
    EXPECT_EQ(readSome(h, 4), "abcd");
    EXPECT_EQ(readSome(h, 4), "ef");
    EXPECT_EQ(readSome(h, 4), "");
}

TEST_F(MemoryFs, RenameReplacesAFileWhileOpenHandlesKeepTheirOwn) {
    ASSERT_EQ(fs.openRead("/db/OLD.DB", h, info), 0);
    EXPECT_EQ(readSome(h, 1), "o");
    const int w = create("/db/OLD.DB.tmp", "new", true);
    ASSERT_EQ(fs.rename("/db/OLD.DB.tmp", "/db/OLD.DB"), 0);
    EXPECT_EQ(fs.readFile("/db/OLD.DB"), "new");
    EXPECT_FALSE(fs.exists("/db/OLD.DB.tmp"));
    EXPECT_EQ(readSome(h, 10), "ld");   // the replaced file, still whole for its reader
    EXPECT_EQ(fs.write(w, "er", 2), 2); // and the writer writes on under the new name
    EXPECT_EQ(fs.readFile("/db/OLD.DB"), "newer");
    ASSERT_EQ(fs.remove("/db/OLD.DB"), 0);
    EXPECT_EQ(fs.write(w, "!", 1), 1); // removed, the handle still works

    fs.writeFile("/db/A", "a");
    EXPECT_EQ(fs.rename("/db/A", "/db/MSG"), EISDIR);
    EXPECT_EQ(fs.rename("/db/MISSING", "/db/B"), ENOENT);
    EXPECT_EQ(fs.rename("/db/A", "/db/NONE/B"), ENOENT);
    EXPECT_EQ(fs.rename("/db/A", "/db//A"), 0);
    ASSERT_EQ(fs.link("/db/A", "/db/B"), 0);
    EXPECT_EQ(fs.rename("/db/A", "/db/B"), 0); // two names of one file: both stay, as POSIX says
    EXPECT_TRUE(fs.exists("/db/A"));
    EXPECT_TRUE(fs.exists("/db/B"));

    // Folders move too, but never into themselves nor over a folder with anything in it.
    EXPECT_EQ(fs.rename("/db/MSG", "/db/MSG/SUB"), EINVAL);
    EXPECT_EQ(fs.rename("/db/MSG", "/db/A"), ENOTDIR);
    EXPECT_EQ(fs.rename("/db/MSG", "/"), EBUSY);
    EXPECT_EQ(fs.rename("/db/MSG", "/db/MAIL"), 0);
    fs.makeFolders("/db/MAIL/x");
    EXPECT_EQ(fs.rename("/db/MAIL/x", "/db/MAIL"), ENOTEMPTY);
}

TEST_F(MemoryFs, HardLinksAndRemoval) {
    const int w = create("/db/LOCK", "x", true);
    ASSERT_EQ(fs.link("/db/LOCK", "/db/MSG/LOCK2"), 0);
    EXPECT_EQ(fs.write(w, "y", 1), 1);
    EXPECT_EQ(fs.readFile("/db/MSG/LOCK2"), "xy"); // one file, two names
    for (const char* taken : {"/db/OLD.DB", "/db/MSG", "/db/LINK", "/db/PIPE"})
        EXPECT_EQ(fs.link("/db/LOCK", taken), EEXIST) << taken;
    EXPECT_EQ(fs.readFile("/db/OLD.DB"), "old");
    EXPECT_EQ(fs.link("/db/MSG", "/db/MSG2"), EPERM);
    EXPECT_EQ(fs.link("/db/NONE", "/db/X"), ENOENT);

    EXPECT_EQ(fs.remove("/db/LOCK"), 0);
    EXPECT_EQ(fs.remove("/db/LOCK"), ENOENT);
    EXPECT_EQ(fs.readFile("/db/MSG/LOCK2"), "xy");
    EXPECT_EQ(fs.remove("/db/MSG"), EISDIR);
    EXPECT_EQ(fs.makeFolder("/db/MSG"), EEXIST);
    EXPECT_EQ(fs.makeFolder("/db/OLD.DB"), EEXIST);
    EXPECT_EQ(fs.makeFolder("/db/NONE/X"), ENOENT);
}

TEST_F(MemoryFs, ASymbolicLinkIsNeverFollowed) {
    ASSERT_EQ(fs.info("/db/LINK", info), 0);
    EXPECT_EQ(info.type, EntryType::Link);
    EXPECT_EQ(fs.openRead("/db/LINK", h, info), ELOOP);
    EXPECT_EQ(fs.list("/db/LINK", entries), ELOOP);
    EXPECT_EQ(fs.flushFolder("/db/LINK"), ELOOP);
    EXPECT_EQ(fs.info("/db/LINK/", info), ELOOP);
    // A link on the way to a name.
    EXPECT_EQ(fs.info("/db/LINK/x", info), ELOOP);
    EXPECT_EQ(fs.openRead("/db/LINK/x", h, info), ELOOP);
    EXPECT_EQ(fs.createExclusive("/db/LINK/x", h), ELOOP);
    EXPECT_EQ(fs.makeFolder("/db/LINK/x"), ELOOP);
    EXPECT_EQ(fs.rename("/db/OLD.DB", "/db/LINK/x"), ELOOP);
    EXPECT_EQ(fs.link("/db/OLD.DB", "/db/LINK/x"), ELOOP);

    ASSERT_EQ(fs.list("/db/", entries), 0);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, "LINK");
    EXPECT_TRUE(entries[0].link);
    EXPECT_FALSE(entries[0].regular);
    EXPECT_TRUE(entries[2].regular);                     // OLD.DB
    EXPECT_FALSE(entries[3].regular || entries[3].link); // PIPE

    ASSERT_EQ(fs.link("/db/LINK", "/db/LINK2"), 0); // the link itself gets the second name
    ASSERT_EQ(fs.info("/db/LINK2", info), 0);
    EXPECT_EQ(info.type, EntryType::Link);
    EXPECT_EQ(fs.remove("/db/LINK"), 0);
    EXPECT_FALSE(fs.exists("/db/LINK"));
}

TEST_F(MemoryFs, PathsAreWalkedAsLinuxWalksThem) {
    EXPECT_EQ(fs.info("/db/NONE/x", info), ENOENT);
    EXPECT_EQ(fs.openRead("/nothing", h, info), ENOENT);
    EXPECT_EQ(fs.list("/db/NONE", entries), ENOENT);
    EXPECT_EQ(fs.info("", info), ENOENT);
    for (const char* through : {"/db/OLD.DB/x", "/db/OLD.DB/", "/db/OLD.DB/.", "/db/PIPE/x"})
        EXPECT_EQ(fs.info(through, info), ENOTDIR) << through;
    EXPECT_EQ(fs.createExclusive("/db/OLD.DB/x", h), ENOTDIR);
    EXPECT_EQ(fs.list("/db/OLD.DB", entries), ENOTDIR);
    EXPECT_EQ(fs.flushFolder("/db/OLD.DB"), ENOTDIR);

    for (const char* same :
         {"/db//OLD.DB", "//db/./OLD.DB", "db/OLD.DB", "/db/MSG/../OLD.DB", "/../db/OLD.DB"})
        EXPECT_EQ(fs.readFile(same), "old") << same;
    EXPECT_EQ(fs.info("/db/OLD.DB/..", info), ENOTDIR);
}

TEST_F(MemoryFs, FoldersPipesAndBadHandles) {
    ASSERT_EQ(fs.openRead("/db/MSG/", h, info), 0);
    EXPECT_EQ(info.type, EntryType::Folder);
    char c;
    EXPECT_EQ(fs.read(h, &c, 1), -EISDIR);
    EXPECT_EQ(fs.write(h, "x", 1), -EBADF);
    EXPECT_EQ(fs.close(h), 0);
    EXPECT_EQ(fs.close(h), EBADF);
    EXPECT_EQ(fs.read(h, &c, 1), -EBADF);
    EXPECT_EQ(fs.flush(h), EBADF);

    ASSERT_EQ(fs.openRead("/db/PIPE", h, info), 0);
    EXPECT_EQ(info.type, EntryType::Other);
    EXPECT_EQ(fs.read(h, &c, 1), 0); // no writer: the end at once, never a wait
    EXPECT_EQ(fs.close(h), 0);

    const int w = create("/db/W", "", true);
    EXPECT_EQ(fs.read(w, &c, 1), -EBADF); // created for writing only
    EXPECT_EQ(fs.write(12345, "x", 1), -EBADF);
    EXPECT_EQ(fs.close(w), 0);
    EXPECT_EQ(fs.openHandles(), 0u);

    std::string big(1 << 20, 'x');
    big[12345] = 'y';
    fs.writeFile("/db/BIG", big);
    ASSERT_EQ(fs.openRead("/db/BIG", h, info), 0);
    EXPECT_EQ(info.size, big.size());
    EXPECT_EQ(readSome(h, big.size() + 1), big);
}

TEST_F(MemoryFs, TimesHelpersAndSnapshot) {
    fs.setTime(1000);
    create("/db/MSG/1.MSG", "one");
    fs.setTime(2000);
    ASSERT_EQ(fs.info("/db/MSG/1.MSG", info), 0);
    EXPECT_EQ(info.modified, 1000);
    ASSERT_EQ(fs.list("/db/MSG", entries), 0);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].modified, 1000);
    ASSERT_EQ(fs.info("/db/MSG", info), 0);
    EXPECT_EQ(info.modified, 1000); // a folder changes with its entries

    EXPECT_EQ(fs.readFile("/db/MSG"), std::nullopt);
    EXPECT_EQ(fs.readFile("/db/NONE"), std::nullopt);
    EXPECT_TRUE(fs.exists("/db/PIPE"));
    EXPECT_THROW(fs.writeFile("/db/OLD.DB/x", "x"), std::invalid_argument);
    EXPECT_THROW(fs.writeFile("/db/MSG", "x"), std::invalid_argument);
    using Snapshot = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(
        fs.snapshot("/db/"),
        (Snapshot{
            {"LINK@", ""}, {"MSG/", ""}, {"MSG/1.MSG", "one"}, {"OLD.DB", "old"}, {"PIPE|", ""}}));

    ASSERT_EQ(fs.openRead("/db/OLD.DB", h, info), 0);
    fs.clear();
    EXPECT_EQ(fs.snapshot("/"), Snapshot{});
    EXPECT_EQ(fs.close(h), EBADF);
    EXPECT_EQ(fs.makeFolder("/db"), 0);
}

TEST_F(MemoryFs, PowerCutKeepsTheOldFileUntilTheFolderIsFlushed) {
    for (const bool flushFolder : {false, true}) {
        fs.writeFile("/db/NOTICE.DB", "old");
        const int w = create("/db//NOTICE.DB.~x.tmp", "new", true);
        ASSERT_EQ(fs.flush(w), 0);
        ASSERT_EQ(fs.close(w), 0);
        ASSERT_EQ(fs.rename("/db//NOTICE.DB.~x.tmp", "/db//NOTICE.DB"), 0);
        if (flushFolder) {
            ASSERT_EQ(fs.flushFolder("/db/"), 0);
        }
        fs.cutPower();
        EXPECT_EQ(fs.readFile("/db/NOTICE.DB"), flushFolder ? "new" : "old");
        EXPECT_FALSE(fs.exists("/db/NOTICE.DB.~x.tmp"));
    }
}

TEST_F(MemoryFs, PowerCutKeepsOnlyWhatWasFlushed) {
    const int w = create("/db/NEVER", "lost", true);
    const int r = create("/db/HALF", "kept", true);
    ASSERT_EQ(fs.flush(r), 0);
    EXPECT_EQ(fs.write(r, " not", 4), 4);
    ASSERT_EQ(fs.makeFolder("/db/NEWFOLDER"), 0);
    ASSERT_EQ(fs.makeFolder("/db/MSG/SUB"), 0);
    create("/db/MSG/SUB/F", "f");
    ASSERT_EQ(fs.remove("/db/OLD.DB"), 0);
    ASSERT_EQ(fs.flushFolder("/db"), 0);
    fs.cutPower();

    EXPECT_EQ(fs.readFile("/db/NEVER"), ""); // its name survived, its data did not
    EXPECT_EQ(fs.readFile("/db/HALF"), "kept");
    EXPECT_TRUE(fs.exists("/db/NEWFOLDER"));
    EXPECT_FALSE(fs.exists("/db/MSG/SUB")); // MSG itself was not flushed
    EXPECT_FALSE(fs.exists("/db/OLD.DB"));
    char c;
    EXPECT_EQ(fs.write(w, "x", 1), -EBADF);
    EXPECT_EQ(fs.read(r, &c, 1), -EBADF);
    EXPECT_EQ(fs.close(r), EBADF);

    create("/db/MSG/1.MSG", "one");
    fs.syncAll();
    fs.cutPower();
    EXPECT_EQ(fs.readFile("/db/MSG/1.MSG"), "one");
}

TEST_F(MemoryFs, PowerCutAfterFoldersMovedWithOneSideFlushedLeavesATree) {
    fs.makeFolders("/x/A/B");
    ASSERT_EQ(fs.rename("/x/A/B", "/x/B"), 0);
    ASSERT_EQ(fs.rename("/x/A", "/x/B/A"), 0);
    ASSERT_EQ(fs.flushFolder("/x/B"), 0); // durable: x holds A, A holds B, B holds A
    fs.cutPower();
    using Snapshot = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(fs.snapshot("/x"), (Snapshot{{"A/", ""}, {"A/B/", ""}}));
}

// Large files hand their buffers on to the next ones: none may show what another held, before
// or after a power cut.
TEST_F(MemoryFs, FilesOnBuffersOfRemovedOnesHoldOnlyTheirOwnBytes) {
    const std::string big(300000, 'B'), other(200000, 'o');
    for (int round = 0; round < 3; ++round) {
        create("/db/BIG", big);
        ASSERT_EQ(fs.remove("/db/BIG"), 0);
        fs.writeFile("/db/SET", other); // a helper's file, durable at once
        const int w = create("/db/NEW", "head", true);
        EXPECT_EQ(fs.readFile("/db/NEW"), "head");
        ASSERT_EQ(fs.flush(w), 0);
        EXPECT_EQ(fs.write(w, other.data(), other.size()), static_cast<long>(other.size()));
        EXPECT_EQ(fs.write(w, "!", 1), 1);
        ASSERT_EQ(fs.close(w), 0);
        EXPECT_EQ(fs.readFile("/db/NEW"), "head" + other + "!");
        EXPECT_EQ(fs.readFile("/db/SET"), other);
        ASSERT_EQ(fs.flushFolder("/db"), 0);
        fs.cutPower(); // NEW's data was flushed at "head" only
        EXPECT_EQ(fs.readFile("/db/NEW"), "head");
        EXPECT_EQ(fs.readFile("/db/SET"), other);
        fs.syncAll();
        ASSERT_EQ(fs.remove("/db/NEW"), 0);
        ASSERT_EQ(fs.remove("/db/SET"), 0);
    }
}

// The count of changes, by which a fuzz target tells a folder unchanged without reading it:
// every change moves it, no read does.
// Two names of one file tell the same inode, a new file another; overwrite changes every name
// in place and survives a power cut; shared bytes stay what they were once the name is saved
// over, as a save always does.
TEST_F(MemoryFs, InodesOverwriteAndSharedBytes) {
    create("/db/A", "0123456789");
    ASSERT_EQ(fs.link("/db/A", "/db/MSG/B"), 0);
    EntryInfo a, b;
    ASSERT_EQ(fs.info("/db/A", a), 0);
    ASSERT_EQ(fs.info("/db/MSG/B", b), 0);
    EXPECT_NE(a.inode, 0u);
    EXPECT_EQ(a.inode, b.inode);
    EXPECT_EQ(a.device, b.device);
    int r = -1;
    EntryInfo opened;
    ASSERT_EQ(fs.openRead("/db/A", r, opened), 0);
    EXPECT_EQ(opened.inode, a.inode);
    EXPECT_EQ(fs.close(r), 0);

    const auto shared = fs.shareFile("/db/A");
    ASSERT_TRUE(shared);
    EXPECT_EQ(*shared, "0123456789");
    EXPECT_EQ(fs.shareFile("/db/MSG"), nullptr);
    EXPECT_EQ(fs.shareFile("/db/LINK"), nullptr);
    EXPECT_EQ(fs.shareFile("/db/NONE"), nullptr);

    const auto before = fs.changes();
    fs.overwrite("/db/A", 2, "xy");
    EXPECT_NE(fs.changes(), before);
    EXPECT_EQ(fs.readFile("/db/MSG/B"), "01xy456789");
    fs.overwrite("/db/MSG/B", 9, "zz");
    EXPECT_EQ(fs.readFile("/db/A"), "01xy45678zz");
    fs.syncAll();
    fs.overwrite("/db/A", 0, "!");
    fs.cutPower();
    EXPECT_EQ(fs.readFile("/db/A"), "!1xy45678zz");
    EXPECT_THROW(fs.overwrite("/db/MSG", 0, "x"), std::invalid_argument);
    EXPECT_THROW(fs.overwrite("/db/NONE", 0, "x"), std::invalid_argument);

    const auto kept = fs.shareFile("/db/A");
    create("/db/A.tmp", "new");
    ASSERT_EQ(fs.rename("/db/A.tmp", "/db/A"), 0);
    ASSERT_EQ(fs.remove("/db/MSG/B"), 0);
    EXPECT_EQ(*kept, "!1xy45678zz");
    EntryInfo now;
    ASSERT_EQ(fs.info("/db/A", now), 0);
    EXPECT_NE(now.inode, a.inode);
    create("/db/C", "c"); // numbers of removed files are not given again
    ASSERT_EQ(fs.info("/db/C", now), 0);
    EXPECT_GT(now.inode, a.inode);
}

// A folder removed whole stays gone through a power cut, what was open in it stays readable, and
// only a folder can be removed so.
TEST_F(MemoryFs, ATreeIsRemovedWhole) {
    fs.makeFolders("/db/MSG/SUB/DEEP");
    fs.writeFile("/db/MSG/SUB/DEEP/1.MSG", "text");
    fs.syncAll();
    int r = -1;
    ASSERT_EQ(fs.openRead("/db/MSG/SUB/DEEP/1.MSG", r, info), 0);
    const auto before = fs.changes();
    fs.removeTree("/db/MSG/SUB");
    EXPECT_NE(fs.changes(), before);
    EXPECT_FALSE(fs.exists("/db/MSG/SUB"));
    EXPECT_TRUE(fs.exists("/db/MSG"));
    EXPECT_EQ(readSome(r, 10), "text");
    EXPECT_EQ(fs.close(r), 0);
    fs.cutPower();
    EXPECT_FALSE(fs.exists("/db/MSG/SUB"));
    for (const char* no : {"/db/OLD.DB", "/db/LINK", "/db/NONE", "/"})
        EXPECT_THROW(fs.removeTree(no), std::invalid_argument) << no;
}

TEST_F(MemoryFs, ChangesAreCountedAndReadsAreNot) {
    auto moves = [&](const char* what, const std::function<void()>& call) {
        const auto before = fs.changes();
        call();
        EXPECT_NE(fs.changes(), before) << what;
    };
    auto stays = [&](const char* what, const std::function<void()>& call) {
        const auto before = fs.changes();
        call();
        EXPECT_EQ(fs.changes(), before) << what;
    };
    int w = -1;
    moves("createExclusive", [&] { ASSERT_EQ(fs.createExclusive("/db/A", w), 0); });
    moves("write", [&] { EXPECT_EQ(fs.write(w, "a", 1), 1); });
    stays("flush", [&] { EXPECT_EQ(fs.flush(w), 0); });
    stays("close", [&] { EXPECT_EQ(fs.close(w), 0); });
    moves("rename", [&] { EXPECT_EQ(fs.rename("/db/A", "/db/B"), 0); });
    moves("link", [&] { EXPECT_EQ(fs.link("/db/B", "/db/C"), 0); });
    moves("remove", [&] { EXPECT_EQ(fs.remove("/db/C"), 0); });
    moves("makeFolder", [&] { EXPECT_EQ(fs.makeFolder("/db/F"), 0); });
    moves("writeFile", [&] { fs.writeFile("/db/B", "b"); });
    stays("reads", [&] {
        char c;
        ASSERT_EQ(fs.openRead("/db/B", h, info), 0);
        EXPECT_EQ(fs.read(h, &c, 1), 1);
        EXPECT_EQ(fs.close(h), 0);
        EXPECT_EQ(fs.info("/db/B", info), 0);
        EXPECT_EQ(fs.list("/db", entries), 0);
        EXPECT_EQ(fs.flushFolder("/db"), 0);
        fs.snapshot("/db");
    });
    moves("power cut", [&] { fs.cutPower(); });
    moves("clear", [&] { fs.clear(); });
}

// A fuzz target keeps its services for millions of runs; the counter behind the fake chance
// once overflowed there and gave a negative pause.
TEST(FakeChance, StaysInRangeHoweverLongItIsAsked) {
    test::QueuedChance chance;
    EXPECT_EQ(chance.below(20), 11);
    EXPECT_EQ(chance.below(20), 8); // (1 * 37 + 11) % 20
    chance.next = INT_MAX - 1;
    for (int i = 0; i < 4; ++i) {
        const int v = chance.below(20);
        EXPECT_GE(v, 0);
        EXPECT_LT(v, 20);
    }
    EXPECT_EQ(chance.next, 2); // wrapped to 0 and went on
}

TEST(FaultFs, EachErrorFailsExactlyTheChosenCallAndDoesNothing) {
    MemoryFileSystem mem;
    FaultFileSystem fs(mem);
    int h = -1;
    for (const Fault f : {Fault::Eio, Fault::Enospc, Fault::Eacces, Fault::Eintr}) {
        const int code = f == Fault::Eio      ? EIO
                         : f == Fault::Enospc ? ENOSPC
                         : f == Fault::Eacces ? EACCES
                                              : EINTR;
        mem.clear();
        fs.reset();
        fs.failAt(2, f);
        ASSERT_EQ(fs.makeFolder("/db"), 0);
        EXPECT_EQ(fs.createExclusive("/db/F", h), code) << FaultFileSystem::name(f);
        EXPECT_FALSE(mem.exists("/db/F"));
        EXPECT_TRUE(fs.fired());
        ASSERT_EQ(fs.createExclusive("/db/F", h), 0);
        EXPECT_EQ(fs.calls(), 3);

        fs.failAt(4, f);
        EXPECT_EQ(fs.write(h, "x", 1), -code);
        EXPECT_EQ(mem.readFile("/db/F"), "");
        fs.failAt(5, f);
        EXPECT_EQ(fs.close(h), code);
        EXPECT_EQ(mem.openHandles(), 0u); // closed all the same
    }
    EXPECT_STREQ(FaultFileSystem::name(Fault::ShortWrite), "short write");
}

TEST(FaultFs, ShortWriteWritesTheFirstHalfOfAWriteOnly) {
    MemoryFileSystem mem;
    FaultFileSystem fs(mem);
    int h = -1;
    fs.failAt(1, Fault::ShortWrite);
    ASSERT_EQ(fs.createExclusive("/F", h), 0); // not a write: nothing special
    EXPECT_FALSE(fs.fired());
    fs.failAt(2, Fault::ShortWrite);
    EXPECT_EQ(fs.write(h, "abcde", 5), 2);
    EXPECT_TRUE(fs.fired());
    EXPECT_EQ(fs.write(h, "cde", 3), 3);
    fs.failAt(4, Fault::ShortWrite);
    EXPECT_EQ(fs.write(h, "!", 1), 1);
    EXPECT_EQ(mem.readFile("/F"), "abcde!");
}

TEST(FaultFs, PowerCutCutsOnceAndFailsEveryLaterCallUntilReset) {
    MemoryFileSystem mem;
    FaultFileSystem fs(mem);
    int cuts = 0;
    fs.onPowerCut = [&] {
        ++cuts;
        mem.cutPower();
    };
    mem.writeFile("/db/N", "old");
    int h = -1;
    EntryInfo info;
    fs.failAt(4, Fault::PowerCut);
    ASSERT_EQ(fs.createExclusive("/db/N.tmp", h), 0);
    ASSERT_EQ(fs.write(h, "new", 3), 3);
    ASSERT_EQ(fs.close(h), 0);
    EXPECT_EQ(fs.rename("/db/N.tmp", "/db/N"), EIO);
    EXPECT_EQ(cuts, 1);
    EXPECT_EQ(fs.info("/db/N", info), EIO);
    char c;
    EXPECT_EQ(fs.read(3, &c, 1), -EIO);
    EXPECT_EQ(cuts, 1);
    EXPECT_EQ(mem.readFile("/db/N"), "old");
    EXPECT_FALSE(mem.exists("/db/N.tmp"));

    fs.reset();
    EXPECT_EQ(fs.calls(), 0);
    EXPECT_FALSE(fs.fired());
    EXPECT_EQ(fs.info("/db/N", info), 0);
}

TEST(FaultFs, FailFromFailsEveryCallFromThere) {
    MemoryFileSystem mem;
    FaultFileSystem fs(mem);
    fs.failFrom(2, Fault::Eacces);
    EXPECT_EQ(fs.makeFolder("/a"), 0);
    EXPECT_EQ(fs.makeFolder("/b"), EACCES);
    EXPECT_EQ(fs.makeFolder("/c"), EACCES);
    EXPECT_EQ(fs.remove("/a"), EACCES);
    EXPECT_EQ(mem.snapshot("/"), (std::vector<std::pair<std::string, std::string>>{{"a/", ""}}));
}

TEST(FaultFs, RecordsEachCallWithTheLastNamesOfItsPaths) {
    MemoryFileSystem mem;
    mem.writeFile("/tmp/db//DB-N.LCK", "TRUE");
    FaultFileSystem fs(mem);
    fs.recording = true;
    int h = -1;
    ASSERT_EQ(fs.createExclusive("/tmp/db//NOTICE.DB.~x.tmp", h), 0);
    fs.write(h, "x", 1);
    fs.flush(h);
    fs.close(h);
    fs.rename("/tmp/db//NOTICE.DB.~x.tmp", "/tmp/db//NOTICE.DB");
    fs.flushFolder("/tmp/db/");
    fs.remove("/tmp/db//DB-N.LCK");
    EXPECT_EQ(fs.log, (std::vector<std::string>{
                          "createExclusive NOTICE.DB.~x.tmp", "write", "flush", "close",
                          "rename NOTICE.DB.~x.tmp NOTICE.DB", "flushFolder", "remove DB-N.LCK"}));
    EXPECT_EQ(mem.readFile("/tmp/db/NOTICE.DB"), "x");
    fs.reset();
    EXPECT_TRUE(fs.log.empty());
}
