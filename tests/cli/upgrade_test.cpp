// pinoractl upgrade and import, run as an administrator would run them.
#include "tool.h"

#include "db/database.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <filesystem>
#include <map>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

std::string oldHeader(std::int32_t version) {
    std::string h = kHeaderBytes;
    put32(h, 12, version);
    return h;
}

TEST(PinoractlUpgrade, ConvertsOldFilesOnceAndInfoPointsAtIt) {
    TempFolder dir;
    writeFreshDatabase(dir.str());
    const std::string users = readBytes(dir / "USER.DB");
    writeBytes(dir / "USER.DB", oldHeader(2400) + users.substr(16));
    writeBytes(dir / "NOTICE.DB", std::string(1040000, '\0')); // 2.0: no header

    ToolRun r = pinoractl({"--folder", dir.str(), "info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pinoractl: USER.DB is in the format of Pinora 2.4; run 'pinoractl upgrade' "
                     "to convert it\n"
                     "pinoractl: NOTICE.DB is in the format of Pinora 2.0; run 'pinoractl "
                     "upgrade' to convert it\n");
    EXPECT_EQ(readBytes(dir / "USER.DB").substr(0, 16), oldHeader(2400)) << "info converts nothing";

    r = pinoractl({"--folder", dir.str(), "upgrade"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "Upgraded Version 2.4 User Database to version 2.5. You must restart notices. (the "
              "original is kept as USER.DB.2.4.bak)\n"
              "Upgraded Version 2.0 Notice Database to version 2.5. You must restart notices. "
              "(the original is kept as NOTICE.DB.2.0.bak)\n");
    EXPECT_EQ(readBytes(dir / "USER.DB"), users);

    r = pinoractl({"--folder", dir.str(), "upgrade"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Every file is in the current format; nothing to upgrade\n");
    EXPECT_EQ(pinoractl({"--folder", dir.str(), "info"}).status, 0);
}

// Every file below the folder, with its bytes.
std::map<std::string, std::string> snapshot(const std::filesystem::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir))
        files[e.path().lexically_relative(dir).string()] =
            e.is_regular_file() ? readBytes(e.path()) : "(folder)";
    return files;
}

// The commands that only read name an older file and stop; converting is upgrade's work.
TEST(PinoractlReadOnly, PagePublishAndMailNameAnOlderFormatAndChangeNothing) {
    for (const char* name : {"NOTICE.DB", "USER.DB", "CONFIG.DB"}) {
        TempFolder dir, elsewhere;
        writeFreshDatabase(dir.str());
        const std::string now = readBytes(dir / name);
        writeBytes(dir / name, oldHeader(2400) + (std::string(name) == "CONFIG.DB"
                                                      ? std::string(1232, '\0')
                                                      : now.substr(16)));
        const auto before = snapshot(dir.path());
        const std::string page = (elsewhere / "page.htm").string();
        const std::vector<std::vector<std::string>> commands = {
            {"page", "--set", "Students", "--day", "2026-12-07", "--out", page},
            {"publish", "--set", "Students", "--day", "2026-12-07"},
            {"mail", "--set", "Students", "--day", "2026-12-07", "--to", "office@example.org",
             "--smtp", "smtp://127.0.0.1:1"},
        };
        for (std::vector<std::string> args : commands) {
            args.insert(args.begin(), {"--folder", dir.str()});
            const ToolRun r = pinoractl(args);
            EXPECT_EQ(r.status, 1) << name << " " << args[2];
            EXPECT_EQ(r.err, std::string("pinoractl: ") + name +
                                 " is in the format of Pinora 2.4; run 'pinoractl upgrade' to "
                                 "convert it\n")
                << args[2];
            EXPECT_EQ(snapshot(dir.path()), before) << name << " " << args[2];
        }
        EXPECT_FALSE(std::filesystem::exists(page));
    }
}

// A file of today's size with a damaged header is broken, not a file of 2.0: info says what
// it found, and upgrade leaves it for the administrator.
TEST(PinoractlUpgrade, ABrokenFileIsNotTakenForAnOlderFormat) {
    TempFolder dir;
    writeFreshDatabase(dir.str());
    std::string notices = readBytes(dir / "NOTICE.DB");
    put32(notices, 12, 0);
    writeBytes(dir / "NOTICE.DB", notices);
    const auto before = snapshot(dir.path());
    const std::string broken = "The NOTICE.DB File is broken, or there is a DISK or NETWORK error "
                               "(its header is damaged). It has been left as it is. See the "
                               "Notice Administrator";
    for (const char* command : {"info", "upgrade"}) {
        const ToolRun r = pinoractl({"--folder", dir.str(), command});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.err, "pinoractl: " + broken + "\n") << command;
        EXPECT_EQ(snapshot(dir.path()), before) << command;
    }
}

TEST(PinoractlImport, ImportsPrintsTheLogAndRefusesWhileTheLockIsHeld) {
    TempFolder dir, old;
    writeFreshDatabase(dir.str());
    std::string dat(720000, '\0');
    for (int i = 0; i < 15000; ++i)
        putText(dat, 48 * static_cast<std::size_t>(i), "[NULL]");
    dat.replace(48, 7, std::string(7, '\0'));
    putText(dat, 48, "JONES");
    put64(dat, 48 + 24, 46000);
    put64(dat, 48 + 32, 46001);
    writeBytes(old / "NOTICES.DAT", dat);
    writeBytes(old / "MSG" / "2.MSG", "{\\rtf1 Hello\\par world}");

    FakeServices fs;
    Database db(dir.str(), fs.services());
    ASSERT_EQ(db.acquireLock('N', "ANN", "Creating Notice"), Result::Ok);
    const std::vector<std::string> args = {"--folder",    dir.str(), "import",        "--from",
                                           old.str(),     "--staff-set", "students",
                                           "--student-set", "Students"};
    ToolRun r = pinoractl(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pinoractl: NOTICE.DB is locked by ANN for Creating Notice; try again later\n");
    EXPECT_EQ(r.out, "");
    ASSERT_TRUE(db.releaseLock('N'));

    r = pinoractl(args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 JONES 2025-12-09 2025-12-10 STUDENT\nImport Complete\n");
    EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), "Hello\r\nworld\r\n");
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.noticeOwner(1), "ADMIN");

    r = pinoractl({"--folder", dir.str(), "import", "--from", old.str(), "--staff-set", "Nope",
                   "--student-set", "Students"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("there is no notice set named 'Nope'"), std::string::npos) << r.err;
}

} // namespace
