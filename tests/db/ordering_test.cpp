// The orderings the protocol between stations relies on, recorded step by step through the
// file seam: a save is written, flushed, then renamed into place; a locked file is written
// while its lock names this station.
#include "db/database.h"
#include "db/fileio.h"
#include "db/station.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string_view>
#include <array>
#include <cerrno>

using namespace pinora;
using namespace pinora::test;

namespace {

enum class FileStep { Write, Flush, Rename };

// Called with the step, the file it acts on, and for a rename the name it takes.
std::function<void(FileStep, const std::string& file, const std::string& to)> onStep;

const FileSystemCalls systemCalls = fileSystemCalls;

// A share that refuses to replace the database files (lock files still come and go).
bool refuseDatabaseRenames = false;

std::string pathOf(int fd) {
    std::error_code ec;
    return std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
}

// The system's calls, each told to the test before it is made.
const FileSystemCalls recordingCalls = {
    [](int fd, const void* data, std::size_t size) {
        if (onStep) onStep(FileStep::Write, pathOf(fd), {});
        return systemCalls.write(fd, data, size);
    },
    [](int fd) {
        if (onStep) onStep(FileStep::Flush, pathOf(fd), {});
        return systemCalls.flush(fd);
    },
    [](const char* from, const char* to) {
        if (refuseDatabaseRenames && std::string_view(to).ends_with(".DB")) {
            errno = EIO;
            return -1;
        }
        if (onStep)
            onStep(FileStep::Rename, std::filesystem::weakly_canonical(from).string(),
                   std::filesystem::weakly_canonical(to).string());
        return systemCalls.rename(from, to);
    },
    [](int fd, void* buf, std::size_t size) { return systemCalls.read(fd, buf, size); },
};

class Ordering : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(st.db.loadConfig(), LoadResult::Ok);
        ASSERT_EQ(st.db.loadUsers(), LoadResult::Ok);
        ASSERT_EQ(st.db.loadNotices(), LoadResult::Ok);
        st.currentUserName = "ADMIN";
        st.currentUserSlot = st.db.findUser("ADMIN");
        fileSystemCalls = recordingCalls;
    }
    void TearDown() override {
        fileSystemCalls = systemCalls;
        onStep = nullptr;
        refuseDatabaseRenames = false;
    }

    TempFolder dir;
    FakeServices fs;
    Station st{dir.str(), fs.services()};
};

std::string stepName(FileStep s) {
    return s == FileStep::Write ? "write" : s == FileStep::Flush ? "flush" : "rename";
}

TEST_F(Ordering, AChangeWhoseSaveFailsLeavesMemoryAsTheFilesHoldIt) {
    const std::string notices = readBytes(dir / "NOTICE.DB");
    const std::string users = readBytes(dir / "USER.DB");
    refuseDatabaseRenames = true;
    int n = 0;
    std::array<bool, kSetCount> sets{};
    sets[0] = true;
    EXPECT_EQ(st.allocateNotice(fs.clock->t, fs.clock->t, sets, n), AllocStatus::Failed);
    EXPECT_FALSE(st.addPost());
    refuseDatabaseRenames = false;

    // Counts and lists read memory: they must not show what no other station can see.
    EXPECT_EQ(st.db.countNoticesInUse(), 0);
    EXPECT_EQ(st.currentUser().postCount, 0);
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), notices);
    EXPECT_EQ(readBytes(dir / "USER.DB"), users);
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-U.LCK"));
    EXPECT_EQ(fs.reporter->messages,
              (std::vector<std::string>{unsavedFileMessage("NOTICE.DB"),
                                        unsavedFileMessage("USER.DB")}));
}

} // namespace

TEST_F(Ordering, EachDatabaseSaveIsWrittenThenFlushedThenRenamed) {
    for (const char* name : {"NOTICE.DB", "USER.DB", "CONFIG.DB"}) {
        SCOPED_TRACE(name);
        std::vector<std::string> steps;
        const std::string target = std::filesystem::weakly_canonical(st.db.path(name)).string();
        std::string tmp;
        onStep = [&](FileStep s, const std::string& file, const std::string& to) {
            if (tmp.empty()) tmp = file;
            EXPECT_EQ(file, tmp) << "one temporary file throughout";
            if (s == FileStep::Rename) EXPECT_EQ(to, target);
            steps.push_back(stepName(s));
        };
        const bool saved = name == std::string("NOTICE.DB") ? st.db.saveNotices()
                           : name == std::string("USER.DB") ? st.db.saveUsers()
                                                            : st.db.saveConfig();
        ASSERT_TRUE(saved);
        // The header and the block, then the flush to disk, and only then the rename: a
        // crash leaves the old file or the whole new one, never a name over unflushed data.
        EXPECT_EQ(steps, (std::vector<std::string>{"write", "write", "flush", "rename"}));
        EXPECT_EQ(std::filesystem::path(tmp).parent_path(),
                  std::filesystem::path(target).parent_path())
            << "renamed within its folder";
        EXPECT_NE(tmp, target);
        EXPECT_FALSE(std::filesystem::exists(tmp));
    }
}

TEST_F(Ordering, ALockedFileIsWrittenWhileItsLockNamesThisStation) {
    const std::string lockN = "TRUE\r\nADMIN\r\n";
    struct Seen {
        int steps = 0;
        std::vector<std::string> wrong;
    };
    Seen notices, users;
    const std::string noticeFile = std::filesystem::weakly_canonical(st.db.path("NOTICE.DB"));
    const std::string userFile = std::filesystem::weakly_canonical(st.db.path("USER.DB"));
    onStep = [&](FileStep s, const std::string& file, const std::string&) {
        // The temporary file of a save is named after its file: "NOTICE.DB.~station-n.tmp".
        const bool isNotices = file.rfind(noticeFile + ".", 0) == 0;
        if (!isNotices && file.rfind(userFile + ".", 0) != 0) return;
        Seen& seen = isNotices ? notices : users;
        ++seen.steps;
        const std::string lock = readBytes(st.db.lockPath(isNotices ? 'N' : 'U'));
        if (lock.rfind(lockN, 0) != 0) seen.wrong.push_back(stepName(s) + ": '" + lock + "'");
    };
    const std::array<bool, kSetCount> sets{true};
    int n = -1;
    ASSERT_EQ(st.allocateNotice(46000, 46001, sets, n), AllocStatus::Ok);
    ASSERT_TRUE(st.updateNoticeDates(n, 46000, 46003));
    ASSERT_TRUE(st.updateNoticeSets(n, sets));
    ASSERT_TRUE(st.addPost());
    ASSERT_TRUE(st.freeNotice(n, "Delete Notice"));
    EXPECT_EQ(notices.steps, 4 * 4); // four changes of NOTICE.DB, four steps each
    EXPECT_EQ(users.steps, 4);
    EXPECT_EQ(notices.wrong, std::vector<std::string>{});
    EXPECT_EQ(users.wrong, std::vector<std::string>{});
    EXPECT_FALSE(std::filesystem::exists(st.db.lockPath('N')));
    EXPECT_FALSE(std::filesystem::exists(st.db.lockPath('U')));
}
