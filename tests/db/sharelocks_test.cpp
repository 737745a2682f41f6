// Locks on a network share, where what one call saw is already old by the next: the lock file
// another station released and a third took between two looks, and a share that says EPERM
// for a name that is taken. However the calls interleave, two stations never hold one lock.
#include "db/database.h"
#include "db/fileio.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/memoryfs.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <map>

using namespace pinora;
using namespace pinora::test;

namespace {

const std::string kFolder = "/share/notices/";

class ShareLocks : public ::testing::Test {
  protected:
    void SetUp() override { writeFreshDatabase(kFolder, unowned(mem)); }

    // Another station on the same folder, named NAME.
    Database& other(const std::string& name) {
        auto& slot = others[name];
        if (!slot) {
            slot = std::make_unique<FakeServices>();
            slot->files = unowned(mem);
            stations[name] = std::make_unique<Database>(kFolder, slot->services());
        }
        return *stations[name];
    }
    // Acts in the order given: each runs once, before the first call of the station under test
    // that starts with its prefix and comes after the act before it has run.
    void before(const std::string& prefix, std::function<void()> act) {
        steps.push_back({prefix, std::move(act)});
        share.recording = true;
        share.onCall = [this](const std::string& call) {
            if (next < steps.size() && call.rfind(steps[next].first, 0) == 0) steps[next++].second();
            return failWith ? failWith(call) : 0;
        };
    }
    std::optional<std::string> lockFile() { return mem.readFile(kFolder + "/DB-N.LCK"); }

    MemoryFileSystem mem;
    FaultFileSystem share{mem}; // what the station under test sees of the folder
    FakeServices fb;
    Database b{kFolder, (fb.files = unowned(share), fb.services())};
    std::map<std::string, std::unique_ptr<FakeServices>> others;
    std::map<std::string, std::unique_ptr<Database>> stations;
    std::vector<std::pair<std::string, std::function<void()>>> steps;
    std::size_t next = 0;
    std::function<int(const std::string&)> failWith;
};

} // namespace

TEST_F(ShareLocks, AStationThatFindsTheLockGoneNeverMovesALockTakenMeanwhile) {
    // As sshfs showed it: B finds the name empty, is then told the file is there (X took the
    // lock), reads nothing (X released it); by B's next step C has taken it, and D tries as
    // soon as anything leaves the name empty.
    std::map<std::string, Result::Kind> got;
    before("info DB-N.LCK", [&] {
        ASSERT_EQ(other("XAVIER").acquireLock('N', "XAVIER", "Creating Notice"),
                  Result::Ok);
    });
    before("openRead DB-N.LCK", [&] { EXPECT_TRUE(other("XAVIER").releaseLock('N')); });
    before("rename DB-N.LCK ", [&] {
        got["CAROL"] = other("CAROL").acquireLock('N', "CAROL", "Delete Notice").kind();
    });
    before("link ", [&] { got["DAVID"] = other("DAVID").acquireLock('N', "DAVID", "Update Notice Set").kind(); });
    got["BEN"] = fb.told(b.acquireLock('N', "BEN", "Creating Notice")).kind();

    int holders = 0;
    for (const auto& [name, result] : got)
        holders += result == Result::Ok;
    EXPECT_EQ(holders, 1) << "CAROL " << int(got["CAROL"]) << ", DAVID " << int(got["DAVID"])
                          << ", BEN " << int(got["BEN"]);
    // Only a file read as free is ever taken out of the way.
    for (const std::string& call : share.log)
        EXPECT_NE(call.rfind("rename DB-N.LCK ", 0), 0u) << call;
    // The one holder's file is in place.
    for (const auto& [name, result] : got)
        if (result == Result::Ok) {
            ASSERT_TRUE(lockFile());
            EXPECT_NE(lockFile()->find(name), std::string::npos) << *lockFile();
        }
}

TEST_F(ShareLocks, ALockMovedBackIsNeverRenamedOverOneTakenMeanwhile) {
    // A lock the share would not remove was left marked free. B reads it as free; before B
    // moves it aside C takes it, and while C's lock is aside D takes the empty name. The
    // share refuses B's link back with EPERM, as sshfs says for a name that is taken.
    mem.writeFile(kFolder + "/DB-N.LCK", "FALSE\r\n\r\n\r\n");
    std::map<std::string, Result::Kind> got;
    before("rename DB-N.LCK ", [&] {
        got["CAROL"] = other("CAROL").acquireLock('N', "CAROL", "Delete Notice").kind();
    });
    before("openRead DB-N.LCK.", [&] {
        got["DAVID"] = other("DAVID").acquireLock('N', "DAVID", "Update Notice Set").kind();
    });
    failWith = [this](const std::string& call) {
        const bool taken = mem.exists(kFolder + "/DB-N.LCK");
        return call.rfind("link ", 0) == 0 && call.find(" DB-N.LCK") != std::string::npos &&
                       taken
                   ? EPERM
                   : 0;
    };
    got["BEN"] = fb.told(b.acquireLock('N', "BEN", "Creating Notice")).kind();

    ASSERT_EQ(got["DAVID"], Result::Ok); // the name was empty while C's lock was aside
    EXPECT_EQ(got["BEN"], Result::Refused);
    // D's lock, which the name held when B came to put C's back, is never replaced.
    ASSERT_TRUE(lockFile());
    EXPECT_EQ(*lockFile(), "TRUE\r\nDAVID\r\nUpdate Notice Set\r\n");
    EXPECT_TRUE(mem.snapshot(kFolder).size() > 0);
    for (const auto& [path, bytes] : mem.snapshot(kFolder))
        EXPECT_EQ(path.find(".tmp"), std::string::npos) << path; // nothing left aside
}

TEST_F(ShareLocks, AReleaseRefusedWhileOthersReadTheLockIsTriedUntilTheLockGoes) {
    // Samba will not remove a file, nor rename over it, while another client has it open; the
    // stations waiting for the lock open it again and again to see who holds it.
    ASSERT_EQ(fb.told(b.acquireLock('N', "BEN", "Creating Notice")), Result::Ok);
    int removes = 0, renames = 0;
    share.onCall = [&](const std::string& call) {
        if (call == "remove DB-N.LCK" && ++removes <= 25) return EBUSY;
        if (call.starts_with("rename ") && call.ends_with(" DB-N.LCK") && ++renames <= 25)
            return EEXIST;
        return 0;
    };
    fb.tell(b.releaseLock('N'));
    EXPECT_FALSE(other("CAROL").readLock('N').held) << (lockFile() ? *lockFile() : "");
    EXPECT_TRUE(fb.reporter->messages.empty()) << fb.reporter->messages.front();
    EXPECT_EQ(other("CAROL").acquireLock('N', "CAROL", "Delete Notice"), Result::Ok);
}

TEST_F(ShareLocks, ALockMarkedFreeThatTheShareWillNotMoveYetIsTakenOnceItLetsGo) {
    // The last holder could only mark the lock free; while the other waiting stations still
    // read it, Samba refuses to move it aside.
    mem.writeFile(kFolder + "/DB-N.LCK", "FALSE\r\n\r\n\r\n");
    int moves = 0;
    share.onCall = [&](const std::string& call) {
        return call.starts_with("rename DB-N.LCK ") && ++moves <= 15 ? EBUSY : 0;
    };
    EXPECT_EQ(fb.told(b.acquireLock('N', "BEN", "Creating Notice")), Result::Ok);
    EXPECT_TRUE(fb.reporter->messages.empty()) << fb.reporter->messages.front();
    ASSERT_TRUE(lockFile());
    EXPECT_EQ(*lockFile(), "TRUE\r\nBEN\r\nCreating Notice\r\n");
}
