// Several stations as separate processes on one folder: nothing lost, no two notices in one
// slot, no lock left behind.
#include "db/database.h"
#include "db/text.h"
#include "processes.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

using namespace pinora;
using namespace pinora::test;

TEST(Stations, FourProcessesCreateTwoHundredNoticesInDistinctSlots) {
    TempFolder dir;
    writeFreshDatabase(dir.str());
    const std::vector<std::string> names = {"ann", "BOB", "Carmen", "DOMINIQUE"};
    const int perStation = 50;
    std::vector<pid_t> pids;
    for (const std::string& name : names) {
        pids.push_back(startProcess(toolPath("station_writer"),
                                    {dir.str(), name, std::to_string(perStation), "5"},
                                    (dir / ("out-" + name)).string()));
        ASSERT_GT(pids.back(), 0) << "cannot start " << toolPath("station_writer");
    }
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const int status = waitStatus(pids[i]);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << names[i] << " " << status;
    }

    FakeServices fs;
    Database db(dir.str(), fs.services());
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    ASSERT_EQ(db.loadUsers(), Result::Ok);
    EXPECT_EQ(db.countNoticesInUse(), 200);
    EXPECT_EQ(db.findFreeNotice(), 201); // the lowest slots, none skipped

    // Each station's own list of numbers agrees with the table.
    std::map<std::string, int> perOwner;
    std::set<int> reported;
    for (const std::string& name : names) {
        std::istringstream out(readBytes(dir / ("out-" + name)));
        int n = 0, lines = 0;
        while (out >> n) {
            ++lines;
            EXPECT_TRUE(reported.insert(n).second) << "slot " << n << " given twice";
            ASSERT_TRUE(n >= 1 && n <= 200);
            EXPECT_TRUE(ownerBelongsTo(db.noticeOwner(n), name)) << n << " " << db.noticeOwner(n);
            EXPECT_EQ(readBytes(dir / "MSG" / (std::to_string(n) + ".MSG"))
                          .rfind("Notice " + std::to_string(n) + " by " + name + "\r\n", 0),
                      0u)
                << n;
        }
        EXPECT_EQ(lines, perStation) << name;
    }
    for (int n = 1; n <= 200; ++n)
        ++perOwner[upperAscii(db.noticeOwner(n))];
    EXPECT_EQ(perOwner, (std::map<std::string, int>{
                            {"ANN", 50}, {"BOB", 50}, {"CARMEN", 50}, {"DOMINIQ", 50}}));

    // Each station added itself once, and counted its posts under lock U.
    for (const std::string& name : names) {
        const int slot = db.findUser(name);
        ASSERT_GT(slot, 0) << name;
        EXPECT_EQ(db.user(slot).postCount, perStation) << name;
        for (int n = slot + 1; n <= kUserCount; ++n)
            EXPECT_FALSE(equalsIgnoreCase(db.userLoginName(n), name)) << name << " twice";
    }

    int messageFiles = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir / "MSG"))
        ++messageFiles;
    EXPECT_EQ(messageFiles, 200);
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-U.LCK"));
}

TEST(Stations, NewUsersRegisteringAtOnceOnSeveralStationsGetSlotsOfTheirOwn) {
    // The registration lives with the windows: a build without them has no registrar.
    if (!std::filesystem::exists(toolPath("registrar")))
        GTEST_SKIP() << "registrar not built: " << toolPath("registrar");
    TempFolder tf;
    writeFreshDatabase(tf.str());
    const int kStations = 6;
    std::vector<pid_t> pids;
    for (int i = 0; i < kStations; ++i)
        pids.push_back(startProcess(toolPath("registrar"),
                                    {tf.str(), "newcomer" + std::to_string(i), "20"},
                                    (tf / ("reg" + std::to_string(i) + ".out")).string()));
    for (const pid_t pid : pids) {
        ASSERT_GT(pid, 0);
        const int status = waitStatus(pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FakeServices fs;
    Database db(tf.str(), fs.services());
    ASSERT_EQ(db.loadUsers(), Result::Ok);
    std::set<int> slots;
    for (int i = 0; i < kStations; ++i) {
        const int slot = db.findUser("newcomer" + std::to_string(i));
        EXPECT_GT(slot, 1) << i;
        EXPECT_EQ(std::atoi(readBytes(tf / ("reg" + std::to_string(i) + ".out")).c_str()), slot);
        EXPECT_EQ(db.user(slot).fullName.str(), "Full newcomer" + std::to_string(i));
        slots.insert(slot);
    }
    EXPECT_EQ(slots.size(), static_cast<std::size_t>(kStations));
    EXPECT_EQ(db.findUser("ADMIN"), 1);
    EXPECT_FALSE(std::filesystem::exists(tf / "DB-U.LCK"));
}
