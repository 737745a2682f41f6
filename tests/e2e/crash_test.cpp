// A station killed at random moments while it saves never leaves a file that fails to load.
#include "db/database.h"
#include "processes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <random>
#include <thread>

using namespace pinora;
using namespace pinora::test;

// The writer reports each round it finishes; it is killed at a random moment after its first
// round, so the test neither depends on how fast the disk flushes nor kills it before it did
// anything.
TEST(Crashes, KilledWriterLeavesFilesThatLoad) {
    TempFolder dir;
    writeFreshDatabase(dir.str());
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayUs(0, 30000);
    const int kills = 60;
    for (int k = 0; k < kills; ++k) {
        const std::string progress = (dir / "TEMP" / "rounds").string();
        const pid_t pid = startProcess(toolPath("station_writer"),
                                       {dir.str(), "CRASHER", "0", "5", "churn"}, progress);
        ASSERT_GT(pid, 0);
        ASSERT_TRUE(waitForLines(pid, progress, 1)) << "the writer stopped in round " << k;
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(pid, SIGKILL);
        const int status = waitStatus(pid);
        // It must still have been running: a writer that stopped on its own had a failure.
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << k;

        FakeServices fs;
        Database db(dir.str(), fs.services());
        ASSERT_EQ(fs.told(db.loadNotices()), Result::Ok) << "round " << k;
        ASSERT_EQ(fs.told(db.loadUsers()), Result::Ok) << "round " << k;
        ASSERT_EQ(fs.told(db.loadConfig()), Result::Ok) << "round " << k;
        ASSERT_TRUE(fs.reporter->messages.empty());
        ASSERT_TRUE(fs.sleeper->sleeps.empty()) << "a load had to repeat in round " << k;
    }

    // Every run finished a round, and so counted a post, before it was killed.
    FakeServices fs;
    Database db(dir.str(), fs.services());
    ASSERT_EQ(db.loadUsers(), Result::Ok);
    const int slot = db.findUser("CRASHER");
    ASSERT_GT(slot, 0);
    EXPECT_GE(db.user(slot).postCount, kills);
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_GT(db.countNoticesInUse(), 0);
}
