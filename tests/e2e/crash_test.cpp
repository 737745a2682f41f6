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

TEST(Crashes, KilledWriterLeavesFilesThatLoad) {
    TempFolder dir;
    writeFreshDatabase(dir.str());
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> delayUs(500, 30000);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int kills = 0;
    for (; kills < 60 && std::chrono::steady_clock::now() < deadline; ++kills) {
        const pid_t pid =
            startProcess(toolPath("station_writer"), {dir.str(), "CRASHER", "0", "5", "churn"});
        ASSERT_GT(pid, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(pid, SIGKILL);
        const int status = waitStatus(pid);
        // It must still have been running: a writer that stopped on its own had a failure.
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "round " << kills;

        FakeServices fs;
        Database db(dir.str(), fs.services());
        ASSERT_EQ(db.loadNotices(), LoadResult::Ok) << "round " << kills;
        ASSERT_EQ(db.loadUsers(), LoadResult::Ok) << "round " << kills;
        ASSERT_EQ(db.loadConfig(), LoadResult::Ok) << "round " << kills;
        ASSERT_TRUE(fs.reporter->messages.empty());
        ASSERT_TRUE(fs.sleeper->sleeps.empty()) << "a load had to repeat in round " << kills;
    }
    EXPECT_GE(kills, 50);

    // The writer got on with its work between the kills.
    FakeServices fs;
    Database db(dir.str(), fs.services());
    ASSERT_EQ(db.loadUsers(), LoadResult::Ok);
    const int slot = db.findUser("CRASHER");
    ASSERT_GT(slot, 0);
    EXPECT_GT(db.user(slot).postCount, 0);
    ASSERT_EQ(db.loadNotices(), LoadResult::Ok);
    EXPECT_GT(db.countNoticesInUse(), 0);
}
