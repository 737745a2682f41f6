// Files that cannot be read or written: a message naming the file, a bounded number of
// attempts, nothing overwritten and memory left as it was.
#include "db/database.h"
#include "db/fileio.h"
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/filesizelimit.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>
#include <map>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace pinora;
using namespace pinora::test;

namespace {

struct FileCase {
    const char* name;
    std::size_t size;
};
const FileCase kFiles[] = {{"NOTICE.DB", 1040016}, {"USER.DB", 32016}, {"CONFIG.DB", 1368}};

class BadFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(fs.told(db.loadNotices()), Result::Ok);
        ASSERT_EQ(fs.told(db.loadUsers()), Result::Ok);
        ASSERT_EQ(fs.told(db.loadConfig()), Result::Ok);
        // Marks in memory that a failed load must leave alone.
        db.notice(1).owner = db.scramble("KEEP");
        db.notice(1).authorLevel = 77;
        db.user(9).postCount = 99;
        db.config.pointSize = 6;
        db.header.version = 1234;
    }
    void expectMemoryUnchanged() {
        EXPECT_EQ(db.noticeOwner(1), "KEEP");
        EXPECT_EQ(db.notice(1).authorLevel, 77);
        EXPECT_EQ(db.user(9).postCount, 99);
        EXPECT_EQ(db.config.pointSize, 6);
        EXPECT_EQ(db.header.version, 1234);
    }
    Result load(const std::string& name) {
        if (name == "NOTICE.DB") return fs.told(db.loadNotices());
        if (name == "USER.DB") return fs.told(db.loadUsers());
        return fs.told(db.loadConfig());
    }
    Result save(const std::string& name) {
        if (name == "NOTICE.DB") return fs.told(db.saveNotices());
        if (name == "USER.DB") return fs.told(db.saveUsers());
        return fs.told(db.saveConfig());
    }
    // One message, naming the file.
    void expectOneMessageNaming(const std::string& name) {
        ASSERT_EQ(fs.reporter->messages.size(), 1u);
        EXPECT_NE(fs.reporter->messages[0].find(name), std::string::npos)
            << fs.reporter->messages[0];
    }
    std::vector<std::string> tempFiles() {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(dir.path()))
            if (e.path().extension() == ".tmp") out.push_back(e.path().filename().string());
        return out;
    }
    // Runs body as an ordinary user: root reads and writes whatever the permissions say, so
    // a test run as root checks permission failures in a child that gave up its rights.
    void asOrdinaryUser(const std::function<void()>& body) {
        if (::geteuid() != 0) {
            body();
            return;
        }
        const uid_t nobody = 65534;
        for (const auto& e : std::filesystem::recursive_directory_iterator(dir.path()))
            ASSERT_EQ(::chown(e.path().c_str(), nobody, nobody), 0);
        ASSERT_EQ(::chown(dir.path().c_str(), nobody, nobody), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) ::_exit(3);
            body();
            ::_exit(::testing::Test::HasFailure() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the checks failed as an ordinary user";
    }
    // Whether this process can still create files in a folder that has no write permission
    // (it can when it runs as root).
    bool canWriteDespite(const std::filesystem::path& folder) {
        const auto probe = folder / "probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT, 0666);
        if (fd < 0) return false;
        ::close(fd);
        ::unlink(probe.c_str());
        return true;
    }

    TempFolder dir;
    FakeServices fs;
    Database db{dir.str(), fs.services()};
};

} // namespace

TEST_F(BadFiles, CurrentAndNewerHeadersLoad) {
    for (const FileCase& fc : kFiles) {
        for (std::int32_t version : {2500, 2600, 999999}) {
            std::string f = readBytes(dir / fc.name);
            put32(f, 12, version);
            put8(f, 9, 0x44); // the unused capacity and the padding are not compared
            put8(f, 11, 0x45);
            writeBytes(dir / fc.name, f);
            EXPECT_EQ(load(fc.name), Result::Ok) << fc.name << " " << version;
            EXPECT_EQ(db.header.version, version);
        }
    }
    EXPECT_TRUE(fs.reporter->messages.empty());
    EXPECT_TRUE(fs.sleeper->sleeps.empty());
}

TEST_F(BadFiles, ChangedSignatureIsRejectedAndLeftAlone) {
    for (const FileCase& fc : kFiles) {
        const std::string good = readBytes(dir / fc.name);
        for (std::size_t i = 0; i <= 8; ++i) {
            std::string f = good;
            f[i] = static_cast<char>(f[i] ^ 0x01);
            writeBytes(dir / fc.name, f);
            fs.reporter->messages.clear();
            EXPECT_EQ(load(fc.name), Result::Unreadable) << fc.name << " byte " << i;
            expectOneMessageNaming(fc.name);
            EXPECT_EQ(readBytes(dir / fc.name), f);
            expectMemoryUnchanged();
        }
        writeBytes(dir / fc.name, good);
    }
}

// A header of an older version is no damage: the load converts the file, keeps the original
// beside it and reads the converted file, without waiting.
TEST_F(BadFiles, OlderVersionIsConvertedByTheLoadAndTheOriginalKept) {
    const std::map<std::string, std::string> words = {
        {"NOTICE.DB", "Notice Database"}, {"USER.DB", "User Database"},
        {"CONFIG.DB", "Configuration"}};
    for (const FileCase& fc : kFiles) {
        std::string f = readBytes(dir / fc.name);
        if (fc.name == std::string("CONFIG.DB")) f.resize(16 + 1232); // a 2.4 record
        put32(f, 12, 2400);
        writeBytes(dir / fc.name, f);
        fs.reporter->messages.clear();
        fs.sleeper->sleeps.clear();
        EXPECT_EQ(load(fc.name), Result::Ok) << fc.name;
        EXPECT_EQ(fs.reporter->messages,
                  std::vector<std::string>{"Upgraded Version 2.4 " + words.at(fc.name) +
                                           " to version 2.5. You must restart notices."});
        EXPECT_TRUE(fs.sleeper->sleeps.empty());
        EXPECT_EQ(readBytes(dir / (std::string(fc.name) + ".2.4.bak")), f);
        EXPECT_EQ(readBytes(dir / fc.name).size(), fc.size);
        EXPECT_EQ(db.header.version, 2500);
    }
}

TEST_F(BadFiles, TruncatedOrTooLongFilesFailAfterTenAttempts) {
    for (const FileCase& fc : kFiles) {
        const std::string good = readBytes(dir / fc.name);
        for (const std::string& f : {good.substr(0, fc.size - 1), good + '\0', good.substr(0, 16),
                                     good.substr(0, 5), std::string()}) {
            writeBytes(dir / fc.name, f);
            fs.reporter->messages.clear();
            fs.sleeper->sleeps.clear();
            EXPECT_EQ(load(fc.name), Result::Unreadable) << fc.name << " size " << f.size();
            expectOneMessageNaming(fc.name);
            EXPECT_EQ(fs.sleeper->sleeps, std::vector<int>(9, db.ioPauseMs));
            EXPECT_EQ(readBytes(dir / fc.name), f);
            expectMemoryUnchanged();
        }
        writeBytes(dir / fc.name, good);
    }
}

namespace {
// A share that tells a size from its cache when a file is opened, not the size it then reads.
class StaleSizes : public FaultFileSystem {
  public:
    using FaultFileSystem::FaultFileSystem;
    int openRead(const std::string& path, int& handle, EntryInfo& info) override {
        const int err = FaultFileSystem::openRead(path, handle, info);
        if (!err) info.size = 1000;
        return err;
    }
};
} // namespace

// The loads read only the header of a file opened at the wrong size, but their last attempt
// reads it whole whatever size it was opened with.
TEST_F(BadFiles, TheLastAttemptReadsAFileWholeWhateverSizeWasToldAtItsOpening) {
    StaleSizes stale(*systemFileSystem());
    db.services().files = std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &stale);
    for (const FileCase& fc : kFiles) {
        fs.sleeper->sleeps.clear();
        EXPECT_EQ(load(fc.name), Result::Ok) << fc.name;
        EXPECT_EQ(fs.sleeper->sleeps.size(), static_cast<std::size_t>(db.ioAttempts - 1));
    }
    db.services().files = systemFileSystem();
    EXPECT_TRUE(fs.reporter->messages.empty());
    EXPECT_EQ(db.noticeOwner(1), "[NONE]");
}

TEST_F(BadFiles, BrokenConfigGivesItsOwnMessageOnce) {
    std::string f = readBytes(dir / "CONFIG.DB");
    f.resize(1000);
    writeBytes(dir / "CONFIG.DB", f);
    EXPECT_NE(fs.told(db.loadConfig()), Result::Ok);
    EXPECT_EQ(fs.reporter->messages,
              std::vector<std::string>{"The CONFIG.DB File is broken, or the is a DISK or NETWORK "
                                       "error. See the Notice Administrator"});
    EXPECT_EQ(fs.sleeper->sleeps.size(), 9u);
}

TEST_F(BadFiles, MissingFilesAreReportedToTheCallerOnly) {
    for (const FileCase& fc : kFiles)
        std::filesystem::remove(dir / fc.name);
    EXPECT_EQ(fs.told(db.loadNotices()), Result::Missing);
    EXPECT_EQ(fs.told(db.loadUsers()), Result::Missing);
    EXPECT_EQ(fs.told(db.loadConfig()), Result::Missing);
    EXPECT_NE(fs.told(db.loadConfig()), Result::Ok);
    EXPECT_NE(fs.told(db.loadNotices(HeaderCheck::Skip)), Result::Ok);
    EXPECT_TRUE(fs.reporter->messages.empty());
    // Each load looks twice more, as a share may hide a file while another station replaces it.
    EXPECT_EQ(fs.sleeper->sleeps,
              std::vector<int>(5 * (Database::kMissingAttempts - 1), db.ioPauseMs));
    expectMemoryUnchanged();
}

TEST_F(BadFiles, FileThatHeldStillDuringRepeatsLoadsOnceWhole) {
    // Another copy of the program rewrites the file in place: the first reads see it short.
    const std::string good = readBytes(dir / "NOTICE.DB");
    writeBytes(dir / "NOTICE.DB", good.substr(0, 1000));
    fs.sleeper->onSleep = [&] {
        if (fs.sleeper->sleeps.size() == 2) writeBytes(dir / "NOTICE.DB", good);
    };
    EXPECT_EQ(fs.told(db.loadNotices()), Result::Ok);
    EXPECT_EQ(fs.sleeper->sleeps.size(), 2u);
    EXPECT_TRUE(fs.reporter->messages.empty());
    EXPECT_EQ(db.noticeOwner(1), "[NONE]");
}

TEST_F(BadFiles, FolderWhereAFileShouldBe) {
    for (const FileCase& fc : kFiles) {
        std::filesystem::remove(dir / fc.name);
        std::filesystem::create_directory(dir / fc.name);
        fs.reporter->messages.clear();
        fs.sleeper->sleeps.clear();
        EXPECT_EQ(load(fc.name), Result::Unreadable) << fc.name;
        expectOneMessageNaming(fc.name);
        EXPECT_EQ(fs.sleeper->sleeps.size(), 9u);
        expectMemoryUnchanged();

        fs.reporter->messages.clear();
        fs.sleeper->sleeps.clear();
        EXPECT_FALSE(save(fc.name)) << fc.name;
        expectOneMessageNaming(fc.name);
        EXPECT_EQ(fs.reporter->messages[0], unsavedFileMessage(fc.name));
        EXPECT_EQ(fs.sleeper->sleeps.size(), 9u);
        EXPECT_TRUE(std::filesystem::is_directory(dir / fc.name));
    }
    EXPECT_TRUE(tempFiles().empty());
}

TEST_F(BadFiles, FullDiskLeavesTheOldFileAndNoTemporaryFile) {
    const std::string before = readBytes(dir / "NOTICE.DB");
    db.initNotices();
    bool saved = true;
    {
        FileSizeLimit limit(100000);
        saved = fs.told(db.saveNotices()).isOk();
    }
    EXPECT_FALSE(saved);
    expectOneMessageNaming("NOTICE.DB");
    EXPECT_EQ(fs.sleeper->sleeps, std::vector<int>(9, db.ioPauseMs));
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), before);
    EXPECT_TRUE(tempFiles().empty());
}

TEST_F(BadFiles, FailedSaveInsideTheFrameStillReleasesTheLock) {
    const std::string before = readBytes(dir / "NOTICE.DB");
    bool ok = true;
    {
        FileSizeLimit limit(100000);
        ok = fs.told(db.changeNotices("ANN", "Delete Notice", [&] {
                       db.markNoticeFree(1);
                       return true;
                   })).isOk();
    }
    EXPECT_FALSE(ok);
    expectOneMessageNaming("NOTICE.DB");
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), before);
}

TEST_F(BadFiles, FailedReloadInsideTheFrameChangesNothing) {
    std::string f = readBytes(dir / "USER.DB");
    f.resize(20000);
    writeBytes(dir / "USER.DB", f);
    bool changed = false;
    EXPECT_FALSE(fs.told(db.changeUsers("ANN", "Update User", [&] { return changed = true; })));
    EXPECT_FALSE(changed);
    expectOneMessageNaming("USER.DB");
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-U.LCK"));
    EXPECT_EQ(readBytes(dir / "USER.DB"), f);
    expectMemoryUnchanged();
}

TEST_F(BadFiles, UnreadableFile) {
    ASSERT_EQ(::chmod((dir / "NOTICE.DB").c_str(), 0), 0);
    asOrdinaryUser([&] {
        EXPECT_EQ(fs.told(db.loadNotices()), Result::Unreadable);
        expectOneMessageNaming("NOTICE.DB");
        EXPECT_EQ(fs.sleeper->sleeps.size(), 9u);
        expectMemoryUnchanged();
    });
}

TEST_F(BadFiles, ReadOnlyFolder) {
    const std::string before = readBytes(dir / "USER.DB");
    ASSERT_EQ(::chmod(dir.path().c_str(), 0555), 0);
    asOrdinaryUser([&] {
        ASSERT_FALSE(canWriteDespite(dir.path()));
        EXPECT_FALSE(fs.told(db.saveUsers()));
        expectOneMessageNaming("USER.DB");
        EXPECT_EQ(fs.sleeper->sleeps.size(), 9u);
    });
    ::chmod(dir.path().c_str(), 0755);
    EXPECT_EQ(readBytes(dir / "USER.DB"), before);
}

// One message that says what was found, so that the administrator knows what to mend.
TEST_F(BadFiles, EachFailedLoadSaysWhatItFound) {
    for (const FileCase& fc : {kFiles[0], kFiles[1]}) {
        const std::string name = fc.name;
        const std::string good = readBytes(dir / name);
        const std::string expected = std::to_string(fc.size) + " expected";
        std::string old24 = good.substr(0, 500);
        put32(old24, 12, 2400);
        const std::size_t size24 = name == "NOTICE.DB" ? 1040016 : 32016;
        std::string damaged = good;
        damaged[3] = 'X'; // the signature, under today's version
        const std::vector<std::pair<std::string, std::string>> cases = {
            {good.substr(0, 1000), "it holds 1000 bytes, " + expected},
            {good + "tail", "it holds " + std::to_string(fc.size + 4) + " bytes, " + expected},
            {good.substr(0, 5), "it holds 5 bytes, " + expected},
            {std::string(), "it is empty"},
            {std::string(100, '\0'), "it holds 100 bytes, " + expected},
            {old24, "it is of version 2.4 but holds only 500 bytes, " +
                        std::to_string(size24) + " expected"},
            {damaged, "its header is damaged"},
        };
        for (const auto& [bytes, found] : cases) {
            writeBytes(dir / name, bytes);
            fs.reporter->messages.clear();
            EXPECT_EQ(load(name), Result::Unreadable) << found;
            EXPECT_EQ(fs.reporter->messages,
                      std::vector<std::string>{brokenFileMessage(name, found)});
            EXPECT_EQ(readBytes(dir / name), bytes);
            expectMemoryUnchanged();
        }
        std::filesystem::remove(dir / name);
        std::filesystem::create_directory(dir / name);
        fs.reporter->messages.clear();
        EXPECT_EQ(load(name), Result::Unreadable);
        EXPECT_EQ(fs.reporter->messages,
                  std::vector<std::string>{brokenFileMessage(name, "it is a folder")});
        std::filesystem::remove(dir / name);
        writeBytes(dir / name, good);
    }
    EXPECT_EQ(brokenFileMessage("USER.DB", "it is empty"),
              "The USER.DB File is broken, or there is a DISK or NETWORK error (it is empty). It "
              "has been left as it is. See the Notice Administrator");
}

// A pipe or a device copied in under a file's name must not hang the station that reads it:
// every reader refuses it at once, with its message. Run in a child with an alarm, so that a
// reader that waits fails the test instead of holding up the run.
TEST_F(BadFiles, PipesUnderTheNamesOfSharedFilesAreRefusedWithoutWaiting) {
    for (const char* name : {"NOTICE.DB", "USER.DB", "CONFIG.DB", "DB-N.LCK", "DB-U.LCK",
                             "MSG/3.MSG"}) {
        if (std::filesystem::exists(dir / name)) std::filesystem::remove(dir / name);
        ASSERT_EQ(::mkfifo((dir / name).c_str(), 0666), 0) << name;
    }
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::alarm(120); // far beyond the few milliseconds this takes
        for (const FileCase& fc : kFiles) {
            fs.reporter->messages.clear();
            EXPECT_EQ(load(fc.name), Result::Unreadable) << fc.name;
            if (fc.name != std::string("CONFIG.DB")) {
                EXPECT_EQ(fs.reporter->messages,
                          std::vector<std::string>{
                              brokenFileMessage(fc.name, "it is not a regular file")});
            }
        }
        for (char letter : {'N', 'U'}) {
            fs.reporter->messages.clear();
            bool ok = true;
            db.readLock(letter, &ok);
            EXPECT_FALSE(ok);
            EXPECT_EQ(fs.told(db.acquireLock(letter, "ANN", "Creating Notice")), Result::Failed);
            EXPECT_EQ(fs.reporter->messages, std::vector<std::string>{lockFileMessage(letter)});
        }
        std::string text;
        const Result read = db.readMessageFile(3, text);
        EXPECT_FALSE(read);
        EXPECT_EQ(read.detail(), "Not a regular file");
        std::string out;
        EXPECT_EQ(readWholeFile(*systemFileSystem(), db.messageFilePath(3), out, 100), ReadStatus::NotAFile);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "a reader waited on a pipe until the alarm";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the checks failed in the child";
    for (const char* name : {"NOTICE.DB", "DB-N.LCK", "MSG/3.MSG"}) // left for the administrator
        EXPECT_TRUE(std::filesystem::is_fifo(dir / name)) << name;
}
