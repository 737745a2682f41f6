// pinoractl check-share over a share made in memory that breaks one promise at a time, as the
// clients and servers that were measured break them, and the real tool on a local folder.
#include "json_check.h"
#include "tool.h"

#include "cli/pinoractl.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

using namespace pinora;
using namespace pinora::test;

namespace {

const std::string kFolder = "/srv/notices/";
const std::string kPeer = "/mnt/second/notices";

// The folder in memory as a share shows it to this workstation (and through kPeer to a second
// client), with one way of breaking what the program relies on switched on at a time. Calls
// from two threads (the race of two clients) are taken one at a time.
class FakeShare : public FileSystem {
  public:
    explicit FakeShare(MemoryFileSystem& mem) : mem_(mem) {}

    bool truncatingCreate = false;     // an exclusive create of a taken name empties it
    // smbnetfs: each client refuses a taken name it has looked at (the kernel knows it), and
    // empties one it has not, though the other client made it.
    bool clientsTruncateUnseen = false;
    bool refuseAsEperm = false;        // a taken name is refused with EPERM (sshfs)
    bool renameCopies = false;         // a rename leaves the old name in place
    bool removeKeeps = false;          // a remove says done and keeps the file
    bool corruptLargeWrites = false;   // a byte of a large write lands changed
    std::size_t maxFileBytes = 0;      // a write that would grow a file beyond: ENOSPC
    bool ignoreCase = false;           // names in any letter case are one name

    int info(const std::string& path, EntryInfo& out) override {
        std::lock_guard<std::mutex> g(m_);
        see(path);
        return mem_.info(map(path), out);
    }
    int openRead(const std::string& path, int& handle, EntryInfo& info) override {
        std::lock_guard<std::mutex> g(m_);
        see(path);
        return mem_.openRead(map(path), handle, info);
    }
    long read(int handle, void* buf, std::size_t size) override {
        std::lock_guard<std::mutex> g(m_);
        return mem_.read(handle, buf, size);
    }
    int createExclusive(const std::string& path, int& handle) override {
        std::lock_guard<std::mutex> g(m_);
        const std::string p = map(path);
        const bool unseen = !seen_.count(path);
        see(path);
        if (mem_.exists(p)) {
            if (truncatingCreate || (clientsTruncateUnseen && unseen)) {
                mem_.remove(p);
            } else if (refuseAsEperm) {
                return EPERM;
            }
        }
        const int err = mem_.createExclusive(p, handle);
        if (err == 0) written_[handle] = 0;
        return err;
    }
    long write(int handle, const void* data, std::size_t size) override {
        std::lock_guard<std::mutex> g(m_);
        std::size_t& sofar = written_[handle];
        if (maxFileBytes && sofar + size > maxFileBytes) return -ENOSPC;
        std::string bytes(static_cast<const char*>(data), size);
        if (corruptLargeWrites && size > 65536) bytes[size / 2] = static_cast<char>(bytes[size / 2] ^ 1);
        const long n = mem_.write(handle, bytes.data(), size);
        if (n > 0) sofar += static_cast<std::size_t>(n);
        return n;
    }
    int flush(int handle) override {
        std::lock_guard<std::mutex> g(m_);
        return mem_.flush(handle);
    }
    int close(int handle) override {
        std::lock_guard<std::mutex> g(m_);
        written_.erase(handle);
        return mem_.close(handle);
    }
    int rename(const std::string& from, const std::string& to) override {
        std::lock_guard<std::mutex> g(m_);
        if (renameCopies) {
            const auto bytes = mem_.readFile(map(from));
            if (!bytes) return ENOENT;
            mem_.writeFile(map(to), *bytes);
            return 0;
        }
        return mem_.rename(map(from), map(to));
    }
    int link(const std::string& from, const std::string& to) override {
        std::lock_guard<std::mutex> g(m_);
        return mem_.link(map(from), map(to));
    }
    int remove(const std::string& path) override {
        std::lock_guard<std::mutex> g(m_);
        if (removeKeeps && mem_.exists(map(path))) return 0;
        for (const std::string& client : {kFolder.substr(0, kFolder.size() - 1), kPeer})
            seen_.erase(client + map(path).substr(kFolder.size() - 1));
        return mem_.remove(map(path));
    }
    int makeFolder(const std::string& path) override {
        std::lock_guard<std::mutex> g(m_);
        return mem_.makeFolder(map(path));
    }
    int list(const std::string& path, std::vector<FolderEntry>& out) override {
        std::lock_guard<std::mutex> g(m_);
        return mem_.list(map(path), out);
    }
    int flushFolder(const std::string& path) override {
        std::lock_guard<std::mutex> g(m_);
        return mem_.flushFolder(map(path));
    }

  private:
    void see(const std::string& path) { seen_.insert(path); }

    // The second client's path leads to the same folder; without letter case, one name.
    std::string map(const std::string& path) const {
        std::string p = path;
        if (p.rfind(kPeer, 0) == 0) p = kFolder.substr(0, kFolder.size() - 1) + p.substr(kPeer.size());
        if (ignoreCase) {
            const std::size_t slash = p.rfind('/');
            for (std::size_t i = slash + 1; i < p.size(); ++i)
                p[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(p[i])));
        }
        return p;
    }

    MemoryFileSystem& mem_;
    std::mutex m_;
    std::map<int, std::size_t> written_;
    std::set<std::string> seen_; // by the path each client uses
};

struct Outcome {
    int status = -1;
    std::string out, err;
    // check -> its line, "ok    rename: ..."
    std::map<std::string, std::string> lines;
    std::string verdict(const std::string& check) const {
        const auto it = lines.find(check);
        return it == lines.end() ? "(none)" : it->second.substr(0, it->second.find(' '));
    }
    std::string text(const std::string& check) const {
        const auto it = lines.find(check);
        return it == lines.end() ? "" : it->second;
    }
};

class CheckShare : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(kFolder, unowned(mem));
        mem.makeFolders("/mnt/second");
        mem.syncAll();
        // The server stamps files by the same clock as this workstation's.
        mem.setTime(cli::localToEpoch(services.clock->t));
        before = mem.snapshot("/");
    }

    Outcome run(bool json = false, const std::string& peer = {}, const std::string& type = {}) {
        cli::ShareCheckOptions o;
        o.json = json;
        o.peer = peer;
        o.raceRounds = 5;
        if (!type.empty()) o.mountType = [type](const std::string&) { return type; };
        std::ostringstream out, err;
        Outcome r;
        r.status = cli::checkShare(db, o, out, err);
        r.out = out.str();
        r.err = err.str();
        std::istringstream lines(r.out);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t colon = line.find(':');
            const std::size_t start = line.find_first_not_of(' ', line.find(' '));
            if (colon == std::string::npos || start == std::string::npos || start > colon) continue;
            r.lines[line.substr(start, colon - start)] = line;
        }
        return r;
    }

    // Nothing of the check's own is left, and nothing else was touched.
    void expectLeftAsItWas() {
        EXPECT_EQ(mem.snapshot("/"), before);
        EXPECT_EQ(mem.openHandles(), 0u);
    }

    MemoryFileSystem mem;
    FakeShare share{mem};
    FaultFileSystem faults{share};
    FakeServices services;
    Database db{kFolder, (services.files = unowned(faults), services.services())};
    std::vector<std::pair<std::string, std::string>> before;
};

} // namespace

TEST_F(CheckShare, AShareThatKeepsEveryPromisePassesAndLeavesNothingBehind) {
    const Outcome r = run();
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    for (const char* check : {"writable", "clock", "exclusive-create", "rename", "remove", "room",
                              "read-back"})
        EXPECT_EQ(r.verdict(check), "ok") << check << "\n" << r.out;
    EXPECT_EQ(r.verdict("letter-case"), "note");
    EXPECT_NE(r.out.find("the folder gives what the program relies on"), std::string::npos);
    EXPECT_EQ(r.err, "");
    expectLeftAsItWas();

    // The same as one JSON document for scripts.
    const Outcome j = run(true);
    EXPECT_EQ(j.status, 0);
    Json doc;
    ASSERT_NO_THROW(doc = parseJson(j.out)) << j.out;
    EXPECT_TRUE(doc["ok"].b);
    EXPECT_EQ(doc["failed"].num, 0);
    EXPECT_EQ(doc["clockDifferenceSeconds"].num, 0);
    ASSERT_GE(doc["checks"].items.size(), 8u);
    EXPECT_EQ(doc["checks"][2]["check"].str, "exclusive-create");
    EXPECT_EQ(doc["checks"][2]["result"].str, "ok");
    expectLeftAsItWas();
}

TEST_F(CheckShare, AnExclusiveCreateThatEmptiesATakenNameFailsAndSaysWhatItCosts) {
    share.truncatingCreate = true;
    const Outcome r = run(true);
    EXPECT_EQ(r.status, 1);
    Json doc;
    ASSERT_NO_THROW(doc = parseJson(r.out)) << r.out;
    EXPECT_FALSE(doc["ok"].b);
    bool found = false;
    for (const Json& c : doc["checks"].items) {
        if (c["check"].str != "exclusive-create") continue;
        found = true;
        EXPECT_EQ(c["result"].str, "fail");
        EXPECT_NE(c["text"].str.find("emptied the file"), std::string::npos) << c["text"].str;
        EXPECT_NE(c["text"].str.find("both take a lock"), std::string::npos) << c["text"].str;
    }
    EXPECT_TRUE(found);
    expectLeftAsItWas();
}

TEST_F(CheckShare, ATakenNameRefusedAsEpermCountsAsRefused) {
    // sshfs says EPERM where Linux says EEXIST; the program reads it as taken.
    share.refuseAsEperm = true;
    const Outcome r = run();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.verdict("exclusive-create"), "ok");
    EXPECT_NE(r.text("exclusive-create").find("Operation not permitted"), std::string::npos);
}

TEST_F(CheckShare, ARenameThatLeavesTheOldNameOrIsRefusedFails) {
    share.renameCopies = true;
    Outcome r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("rename"), "FAIL");
    EXPECT_NE(r.text("rename").find("left the old name in place"), std::string::npos);
    share.renameCopies = false;
    expectLeftAsItWas();

    // A server that refuses to replace a file.
    faults.onCall = [](const std::string& call) {
        return call.rfind("rename ", 0) == 0 && call.find("-a.tmp") != std::string::npos ? EACCES
                                                                                           : 0;
    };
    r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("rename"), "FAIL");
    EXPECT_NE(r.text("rename").find("refused (Permission denied)"), std::string::npos) << r.out;
    expectLeftAsItWas();
}

TEST_F(CheckShare, ARemovedFileThatStaysIsALockThatStaysHeld) {
    share.removeKeeps = true;
    const Outcome r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("remove"), "FAIL");
    EXPECT_NE(r.text("remove").find("released lock"), std::string::npos);
    // Its own files that would not go are named, for removal by hand.
    EXPECT_EQ(r.verdict("clean-up"), "FAIL");
}

TEST_F(CheckShare, AFullFolderAndBytesThatComeBackChangedFail) {
    share.maxFileBytes = 1000000;
    Outcome r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("room"), "FAIL");
    EXPECT_NE(r.text("room").find("No space left on device"), std::string::npos) << r.out;
    EXPECT_NE(r.text("room").find("one more copy"), std::string::npos) << r.out;
    share.maxFileBytes = 0;
    expectLeftAsItWas();

    share.corruptLargeWrites = true;
    r = run();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("room"), "(none)");
    EXPECT_EQ(r.verdict("read-back"), "FAIL");
    EXPECT_NE(r.text("read-back").find("with other bytes"), std::string::npos) << r.out;
    share.corruptLargeWrites = false;
    expectLeftAsItWas();

    // A folder without NOTICE.DB needs room for the file and its copy.
    mem.remove(kFolder + "/NOTICE.DB");
    share.maxFileBytes = 1000000;
    r = run();
    EXPECT_NE(r.text("room").find("the file and a copy of it"), std::string::npos) << r.out;
}

TEST_F(CheckShare, LetterCaseIsToldEitherWayAndAWindowsLikeShareStillRefusesTheOtherCase) {
    Outcome r = run();
    EXPECT_EQ(r.verdict("letter-case"), "note");
    EXPECT_NE(r.text("letter-case").find("different files"), std::string::npos);
    EXPECT_EQ(r.verdict("exclusive-create-case"), "(none)");

    share.ignoreCase = true;
    r = run();
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.verdict("letter-case"), "note");
    EXPECT_NE(r.text("letter-case").find("name one file"), std::string::npos);
    EXPECT_EQ(r.verdict("exclusive-create-case"), "ok");
    expectLeftAsItWas();
}

TEST_F(CheckShare, AServerClockMoreThanAFewSecondsAwayFails) {
    mem.setTime(cli::localToEpoch(services.clock->t) + 3);
    Outcome r = run();
    EXPECT_EQ(r.verdict("clock"), "ok") << r.out;

    mem.setTime(cli::localToEpoch(services.clock->t) - 90);
    r = run(true);
    EXPECT_EQ(r.status, 1);
    Json doc;
    ASSERT_NO_THROW(doc = parseJson(r.out));
    EXPECT_EQ(doc["clockDifferenceSeconds"].num, -90);
    EXPECT_EQ(doc["checks"][1]["result"].str, "fail");
    EXPECT_NE(doc["checks"][1]["text"].str.find("90 s behind"), std::string::npos);
    EXPECT_NE(doc["checks"][1]["text"].str.find("deadlines"), std::string::npos);
}

TEST_F(CheckShare, AFolderThatCannotBeWrittenFailsAtOnceAndWritesNothing) {
    faults.onCall = [](const std::string& call) {
        return call.rfind("createExclusive", 0) == 0 ? EACCES : 0;
    };
    const Outcome r = run(false, {}, "fuse.sshfs");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("writable"), "FAIL");
    EXPECT_NE(r.text("writable").find("Permission denied"), std::string::npos);
    EXPECT_EQ(r.verdict("rename"), "(none)");
    EXPECT_EQ(r.verdict("client"), "note");
    EXPECT_NE(r.err.find("do not share the database folder this way"), std::string::npos);
    expectLeftAsItWas();
}

TEST_F(CheckShare, TwoClientsThatBothMakeOneNewNameAreCaught) {
    // A second client that keeps POSIX's promise.
    Outcome r = run(false, kPeer);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.verdict("peer"), "ok");
    EXPECT_EQ(r.verdict("peer-exclusive-create"), "ok");
    EXPECT_EQ(r.verdict("peer-race"), "ok");
    expectLeftAsItWas();

    // smbnetfs: a name that one client makes while the other has not looked is emptied and
    // taken again by the other; each alone refuses a name it knows.
    share.clientsTruncateUnseen = true;
    r = run(false, kPeer, "fuse.smbnetfs");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.verdict("exclusive-create"), "ok");
    EXPECT_EQ(r.verdict("peer-exclusive-create"), "ok");
    EXPECT_EQ(r.verdict("peer-race"), "FAIL");
    EXPECT_NE(r.text("peer-race").find("in 5 of 5 tries"), std::string::npos) << r.out;
    EXPECT_EQ(r.verdict("client"), "FAIL");
    EXPECT_NE(r.text("client").find("cifs"), std::string::npos);
    expectLeftAsItWas();

    // A second path that is not the same folder.
    mem.makeFolders("/elsewhere");
    r = run(false, "/elsewhere");
    EXPECT_EQ(r.verdict("peer"), "FAIL");
    EXPECT_NE(r.text("peer").find("not the same folder"), std::string::npos);
}

TEST(CheckShareMounts, TheMountThatHoldsTheFolderIsTheLongestThatContainsIt) {
    TempFolder dir;
    const std::string d = dir.path().string();
    const std::string info = "22 1 0:21 / / rw - ext4 /dev/sda1 rw\n"
                             "40 22 0:40 / " + d + " rw,nosuid - fuse.sshfs a@b:/x rw\n"
                             "41 22 0:41 / " + d + "x rw - fuse.smbnetfs smbnetfs rw\n";
    EXPECT_EQ(cli::mountTypeOf(d, info), "fuse.sshfs");
    EXPECT_EQ(cli::mountTypeOf("/", info), "ext4");
    EXPECT_EQ(cli::mountTypeOf(d + "/no-such-folder", info), "");
}

TEST(CheckShareTool, RunsOnARealFolderAndIsListedInTheHelp) {
    TempFolder dir;
    ToolRun r = pinoractl({"--folder", dir.str(), "check-share", "--json", "--peer", dir.str()});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    Json doc;
    ASSERT_NO_THROW(doc = parseJson(r.out)) << r.out;
    EXPECT_TRUE(doc["ok"].b);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"MSG", "TEMP"}));

    r = pinoractl({"--help"});
    EXPECT_NE(r.out.find("check-share [--json] [--peer DIR]"), std::string::npos);
    r = pinoractl({"--folder", dir.str(), "check-share", "--peer", dir.str() + "/none"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no folder"), std::string::npos);
    r = pinoractl({"--folder", dir.str(), "check-share", "--fast"});
    EXPECT_EQ(r.status, 2);
}
