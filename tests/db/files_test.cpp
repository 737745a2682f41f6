// The three files byte by byte: sizes, header, and every field at its offset.
#include "db/database.h"
#include "db/fileio.h"
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

class Files : public ::testing::Test {
  protected:
    TempFolder dir;
    FakeServices fs;
    Database db{dir.str(), fs.services()};
};

constexpr std::size_t kNoticeBase = 16; // file offset of notice 1
constexpr std::size_t noticeAt(int n) {
    return kNoticeBase + 104 * static_cast<std::size_t>(n - 1);
}
constexpr std::size_t userAt(int n) {
    return 16 + 160 * static_cast<std::size_t>(n - 1);
}

} // namespace

TEST_F(Files, FreshFilesHaveExactSizesAndHeader) {
    db.setConfigDefaults();
    db.initUsers();
    db.initNotices();
    ASSERT_TRUE(db.saveConfig());
    ASSERT_TRUE(db.saveUsers());
    ASSERT_TRUE(db.saveNotices());
    const std::string users = readBytes(dir / "USER.DB");
    const std::string notices = readBytes(dir / "NOTICE.DB");
    const std::string config = readBytes(dir / "CONFIG.DB");
    EXPECT_EQ(users.size(), 32016u);
    EXPECT_EQ(notices.size(), 1040016u);
    EXPECT_EQ(config.size(), 1368u);
    EXPECT_EQ(users.substr(0, 16), kHeaderBytes);
    EXPECT_EQ(notices.substr(0, 16), kHeaderBytes);
    EXPECT_EQ(config.substr(0, 16), kHeaderBytes);
    for (int n = 1; n <= 200; ++n)
        ASSERT_EQ(unscrambleText(text(users, userAt(n))), "[NONE]") << "user " << n;
    for (int n = 1; n <= 10000; ++n)
        ASSERT_EQ(unscrambleText(text(notices, noticeAt(n))), "[NONE]") << "notice " << n;
    // Nothing but the files themselves is left in the folder.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 5); // three files, MSG, TEMP
}

TEST_F(Files, ConfigDefaultsSitAtTheirOffsets) {
    ASSERT_TRUE((db.setConfigDefaults(), db.saveConfig()));
    const std::string f = readBytes(dir / "CONFIG.DB");
    ASSERT_EQ(f.size(), 1368u);
    auto at = [](std::size_t recordOffset) { return 16 + recordOffset; };
    // The template for new users.
    for (std::size_t off : {0u, 17u, 34u, 75u})
        EXPECT_EQ(u8(f, at(off)), 0) << off;
    EXPECT_EQ(i32(f, at(136)), 0);
    EXPECT_EQ(u8(f, at(140)), 100);
    EXPECT_EQ(u8(f, at(141)), 0); // allowEdit
    EXPECT_EQ(u8(f, at(142)), 0); // allowDelete
    EXPECT_EQ(u8(f, at(143)), 1); // allowPublish
    EXPECT_EQ(u8(f, at(144)), 0);
    EXPECT_EQ(u8(f, at(145)), 0);
    EXPECT_EQ(u8(f, at(146)), 0);
    for (std::size_t k = 0; k < 8; ++k)
        EXPECT_EQ(u8(f, at(147 + k)), 0);
    EXPECT_EQ(u8(f, at(155)), 0);
    EXPECT_EQ(u8(f, at(156)), 0);
    EXPECT_EQ(u8(f, at(157)), 0);
    // FTP.
    EXPECT_EQ(u8(f, at(160)), 0);
    EXPECT_EQ(u16(f, at(242)), 21);
    EXPECT_EQ(u8(f, at(244)), 0);
    EXPECT_EQ(u8(f, at(245)), 0);
    EXPECT_EQ(u8(f, at(501)), 0);
    EXPECT_EQ(u8(f, at(532)), 0);
    EXPECT_EQ(i32(f, at(564)), 0);
    // The eight sets.
    for (std::size_t k = 0; k < 8; ++k) {
        const std::size_t s = at(568 + 48 * k);
        EXPECT_EQ(u8(f, s), 0) << "set " << k + 1;
        EXPECT_DOUBLE_EQ(f64(f, s + 32), 19.0 / 24.0) << "set " << k + 1;
        EXPECT_EQ(i32(f, s + 40), 2) << "set " << k + 1;
        EXPECT_EQ(u8(f, s + 44), 0);
        EXPECT_EQ(u8(f, s + 45), 0);
    }
    EXPECT_EQ(u8(f, at(952)), 0);
    EXPECT_EQ(u8(f, at(1113)), 0);
    // Logon and sign-up.
    EXPECT_EQ(u8(f, at(1274)), 0);
    EXPECT_EQ(u8(f, at(1275)), 1);
    EXPECT_EQ(u8(f, at(1276)), 1);
    EXPECT_EQ(u8(f, at(1277)), 0);
    EXPECT_EQ(u8(f, at(1278)), 0);
    // Page format.
    EXPECT_EQ(u8(f, at(1280)), 1);
    EXPECT_EQ(u8(f, at(1281)), 1);
    EXPECT_EQ(i32(f, at(1284)), 0);
    EXPECT_EQ(text(f, at(1288)), "Times New Roman");
    EXPECT_EQ(i32(f, at(1320)), 4);
    EXPECT_EQ(i32(f, at(1324)), 2);
    EXPECT_EQ(i32(f, at(1328)), 2);
    EXPECT_EQ(i32(f, at(1332)), 2);
    EXPECT_EQ(i32(f, at(1336)), 7);
    EXPECT_EQ(i32(f, at(1340)), 4);
    EXPECT_EQ(u8(f, at(1344)), 1);
}

TEST_F(Files, DefaultsOverwriteEverythingButForcePassword) {
    std::memset(static_cast<void*>(&db.config), 0xFF, sizeof db.config);
    db.setConfigDefaults();
    EXPECT_TRUE(db.config.newUserTemplate.forcePassword); // keeps its value
    EXPECT_EQ(db.config.newUserTemplate.loginName.len, 0);
    EXPECT_EQ(db.config.ftpPort, 21);
    EXPECT_EQ(db.config.reserved564, 0);
    for (const NoticeSetConfig& s : db.config.noticeSets) {
        EXPECT_TRUE(s.name.empty());
        EXPECT_FALSE(s.deadlineEnabled);
        EXPECT_FALSE(s.maxDaysEnabled);
    }
    EXPECT_FALSE(db.config.authUseOsName);
    EXPECT_EQ(db.config.fontName.str(), "Times New Roman");
    EXPECT_EQ(db.config.subtitlePointSize, 4);
}

TEST_F(Files, NoticeRecordBuiltByteByByteReadsBack) {
    db.initNotices();
    ASSERT_TRUE(db.saveNotices());
    std::string f = readBytes(dir / "NOTICE.DB");
    const std::size_t r = noticeAt(17);
    putText(f, r, std::string{'\x05', 'A' + 5, 'N' + 5, 'N' + 5}); // ANN under key 5
    put8(f, r + 9, 150);
    put64(f, r + 16, 46363.0);
    putText(f, r + 24, "Mrs \xE9l\xE8ve"); // bytes above 127 stay as they are
    put64(f, r + 88, 46365.75);
    const std::uint8_t sets[8] = {1, 0, 0, 2, 0, 0, 0, 1}; // any non-zero is true
    for (std::size_t k = 0; k < 8; ++k)
        put8(f, r + 96 + k, sets[k]);
    writeBytes(dir / "NOTICE.DB", f);

    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.noticeOwner(17), "ANN");
    EXPECT_EQ(db.notice(17).authorLevel, 150);
    EXPECT_DOUBLE_EQ(db.notice(17).startDate, 46363.0);
    EXPECT_EQ(db.notice(17).signature.str(), "Mrs \xE9l\xE8ve");
    EXPECT_DOUBLE_EQ(db.notice(17).endDate, 46365.75);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(db.notice(17).inSet[k], sets[k] != 0) << k;
    EXPECT_EQ(db.countNoticesInUse(), 1);
    EXPECT_EQ(db.findFreeNotice(), 1);

    // Written back, the record keeps its bytes.
    ASSERT_TRUE(db.saveNotices());
    EXPECT_EQ(readBytes(dir / "NOTICE.DB").substr(r, 104), f.substr(r, 104));
}

TEST_F(Files, NoticeFieldsLandAtTheirOffsets) {
    db.initNotices();
    fs.chance->queue = {9};
    NoticeRecord& n = db.notice(10000);
    n.owner = db.scramble("BOB");
    n.authorLevel = 7;
    n.startDate = 46000.5;
    n.signature = "Head of Year";
    n.endDate = 46002.0;
    n.inSet[2] = true;
    ASSERT_TRUE(db.saveNotices());
    const std::string f = readBytes(dir / "NOTICE.DB");
    const std::size_t r = noticeAt(10000);
    ASSERT_EQ(r + 104, f.size());
    EXPECT_EQ(text(f, r), std::string({'\x09', 'B' + 9, 'O' + 9, 'B' + 9}));
    EXPECT_EQ(u8(f, r + 9), 7);
    EXPECT_DOUBLE_EQ(f64(f, r + 16), 46000.5);
    EXPECT_EQ(text(f, r + 24), "Head of Year");
    EXPECT_DOUBLE_EQ(f64(f, r + 88), 46002.0);
    for (std::size_t k = 0; k < 8; ++k)
        EXPECT_EQ(u8(f, r + 96 + k), k == 2 ? 1 : 0);
}

TEST_F(Files, UserRecordBuiltByteByByteReadsBack) {
    db.initUsers();
    ASSERT_TRUE(db.saveUsers());
    std::string f = readBytes(dir / "USER.DB");
    const std::size_t r = userAt(9);
    putText(f, r, "\x7F\xC9\xCE"); // JO under key 127
    putText(f, r + 17, std::string{'\x01', 'p' + 1, 'w' + 1});
    putText(f, r + 34, "Jo Smith");
    putText(f, r + 75, "Year 7 tutor");
    put32(f, r + 136, 123456);
    put8(f, r + 140, 200);
    for (std::size_t off = 141; off <= 157; ++off)
        put8(f, r + off, off % 2 ? 1 : 0);
    writeBytes(dir / "USER.DB", f);

    ASSERT_EQ(db.loadUsers(), Result::Ok);
    const UserRecord& u = db.user(9);
    EXPECT_EQ(db.userLoginName(9), "JO");
    EXPECT_EQ(db.userPassword(9), "pw");
    EXPECT_EQ(u.fullName.str(), "Jo Smith");
    EXPECT_EQ(u.signature.str(), "Year 7 tutor");
    EXPECT_EQ(u.postCount, 123456);
    EXPECT_EQ(u.securityLevel, 200);
    EXPECT_TRUE(u.allowEdit);       // 141
    EXPECT_FALSE(u.allowDelete);    // 142
    EXPECT_TRUE(u.allowPublish);    // 143
    EXPECT_FALSE(u.adminMenu);      // 144
    EXPECT_TRUE(u.superUser);       // 145
    EXPECT_FALSE(u.extraHelp);      // 146
    EXPECT_TRUE(u.denySet[0]);      // 147
    EXPECT_FALSE(u.denySet[1]);     // 148
    EXPECT_FALSE(u.denySet[7]);     // 154
    EXPECT_TRUE(u.forcePassword);   // 155
    EXPECT_FALSE(u.bypassDeadline); // 156
    EXPECT_TRUE(u.bypassMaxDays);   // 157
    EXPECT_EQ(db.findUser("jo"), 9);
    EXPECT_EQ(db.authenticateUser("JO", "PW"), 9);
}

TEST_F(Files, ConfigFieldsLandAtTheirOffsets) {
    db.setConfigDefaults();
    db.config.ftpServer = "ftp.example.org";
    db.config.ftpPort = 2121;
    db.config.ftpPassive = true;
    db.config.ftpUploadDir = "/htdocs/notices";
    db.config.ftpUser = "web";
    db.config.ftpPassword = "pa55";
    for (int k = 0; k < 8; ++k)
        db.config.noticeSets[k].name = "Set " + std::to_string(k + 1);
    db.config.noticeSets[2].deadline = 0.5;
    db.config.noticeSets[2].maxDays = 9;
    db.config.noticeSets[2].deadlineEnabled = true;
    db.config.schoolName = "Hillside School";
    db.config.schoolCopyright = "(c) Hillside";
    db.config.signatureStyle = 2;
    db.config.fontName = "Arial";
    ASSERT_TRUE(db.saveConfig());
    const std::string f = readBytes(dir / "CONFIG.DB");
    EXPECT_EQ(text(f, 16 + 160), "ftp.example.org");
    EXPECT_EQ(u16(f, 16 + 242), 2121);
    EXPECT_EQ(u8(f, 16 + 244), 1);
    EXPECT_EQ(text(f, 16 + 245), "/htdocs/notices");
    EXPECT_EQ(text(f, 16 + 501), "web");
    EXPECT_EQ(text(f, 16 + 532), "pa55");
    const std::size_t names[8] = {568, 616, 664, 712, 760, 808, 856, 904};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(text(f, 16 + names[k]), "Set " + std::to_string(k + 1));
    EXPECT_DOUBLE_EQ(f64(f, 16 + 664 + 32), 0.5);
    EXPECT_EQ(i32(f, 16 + 664 + 40), 9);
    EXPECT_EQ(u8(f, 16 + 664 + 44), 1);
    EXPECT_EQ(text(f, 16 + 952), "Hillside School");
    EXPECT_EQ(text(f, 16 + 1113), "(c) Hillside");
    EXPECT_EQ(i32(f, 16 + 1284), 2);
    EXPECT_EQ(text(f, 16 + 1288), "Arial");

    Database other(dir.str(), fs.services());
    ASSERT_EQ(other.loadConfig(), Result::Ok);
    EXPECT_EQ(std::memcmp(&other.config, &db.config, sizeof db.config), 0);
}

TEST_F(Files, LongTextsAreCutToTheirCapacity) {
    db.config.fontName = std::string(40, 'x');
    EXPECT_EQ(db.config.fontName.len, 30);
    EXPECT_EQ(db.config.fontName.str(), std::string(30, 'x'));
    db.config.fontName = "Arial";
    EXPECT_EQ(db.config.fontName.str(), "Arial");
    EXPECT_EQ(db.config.fontName.chars[5], 0); // a shorter text leaves no old bytes behind
}

TEST_F(Files, EverySaveWritesTheCurrentHeader) {
    db.initNotices();
    ASSERT_TRUE(db.saveNotices());
    std::string f = readBytes(dir / "NOTICE.DB");
    put32(f, 12, 2600);
    put8(f, 9, 0x55); // unused signature capacity
    writeBytes(dir / "NOTICE.DB", f);
    ASSERT_EQ(db.loadNotices(), Result::Ok);
    EXPECT_EQ(db.header.version, 2600); // the header read is kept
    ASSERT_TRUE(db.saveNotices());
    EXPECT_EQ(readBytes(dir / "NOTICE.DB").substr(0, 16), kHeaderBytes);
}

TEST_F(Files, PathsKeepTwoSeparatorsBetweenFolderAndName) {
    EXPECT_EQ(db.folder(), dir.str());
    EXPECT_EQ(db.path("NOTICE.DB"), dir.str() + "/NOTICE.DB");
    EXPECT_EQ(db.messageFilePath(17), dir.str() + "/MSG/17.MSG");
    EXPECT_EQ(db.lockPath('U'), dir.str() + "/DB-U.LCK");
}

TEST_F(Files, RegularFileReadRefusesWhatItCannotHoldWhole) {
    std::string out;
    std::string error;
    writeBytes(dir / "five", "12345");
    EXPECT_EQ(readRegularFile(*systemFileSystem(), (dir / "five").string(), out, 5, &error), ReadStatus::Ok);
    EXPECT_EQ(out, "12345");
    EXPECT_EQ(readRegularFile(*systemFileSystem(), (dir / "five").string(), out, 4, &error), ReadStatus::TooLarge);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(error, "The file is larger than 4 bytes");
    // A folder, or a name under a plain file, is no file at all.
    EXPECT_EQ(readRegularFile(*systemFileSystem(), (dir / "MSG").string(), out, 4), ReadStatus::Missing);
    EXPECT_EQ(readRegularFile(*systemFileSystem(), (dir / "five" / "x").string(), out, 4), ReadStatus::Missing);
    // The cutting read keeps its old way for the lock files.
    EXPECT_EQ(readWholeFile(*systemFileSystem(), (dir / "five").string(), out, 4), ReadStatus::Ok);
    EXPECT_EQ(out, "1234");
    // A buffer that held more is read over and cut, never shown past the file's end.
    out = "a much longer text than five";
    EXPECT_EQ(readWholeFile(*systemFileSystem(), (dir / "five").string(), out, 100), ReadStatus::Ok);
    EXPECT_EQ(out, "12345");
    EXPECT_EQ(readWholeFile(*systemFileSystem(), (dir / "none").string(), out, 100), ReadStatus::Missing);
    EXPECT_TRUE(out.empty());
}

// A load's read of a file of the wrong length stops at the header; the size it was opened with
// is told either way.
TEST_F(Files, PartsReadStopsAfterTheFirstForAFileOfAnotherSize) {
    writeBytes(dir / "ten", "0123456789");
    const std::string path = (dir / "ten").string();
    char head[4] = {}, rest[8] = {};
    std::size_t got[2] = {9, 9};
    std::uint64_t size = 0;
    EXPECT_EQ(readFileParts(*systemFileSystem(), path, {MutableSpan{head, 4}, MutableSpan{rest, 8}},
                            got, nullptr, &size, 11),
              ReadStatus::Ok);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::string(head, got[0]), "0123");
    EXPECT_EQ(got[1], 0u);
    EXPECT_EQ(readFileParts(*systemFileSystem(), path, {MutableSpan{head, 4}, MutableSpan{rest, 8}},
                            got, nullptr, &size, 10),
              ReadStatus::Ok);
    EXPECT_EQ(std::string(rest, got[1]), "456789");
    EXPECT_EQ(readFileParts(*systemFileSystem(), path, {MutableSpan{head, 4}, MutableSpan{rest, 8}},
                            got),
              ReadStatus::Ok);
    EXPECT_EQ(got[1], 6u);
}
