// Files of the older formats, written byte by byte as those releases wrote them, converted in
// place: every field where it belongs, the original kept, nothing converted twice, and files
// that cannot be converted left exactly as they are.
#include "db/database.h"
#include "db/fileio.h"
#include "db/formats/formats.h"
#include "db/upgrade.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/faultfs.h"
#include "support/filesizelimit.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <unistd.h>
#include <map>

using namespace pinora;
using namespace pinora::test;

namespace {

std::string header(std::int32_t version) {
    std::string h = kHeaderBytes;
    put32(h, 12, version);
    return h;
}

struct OldFormat {
    Format format;
    std::int32_t version; // 0: no header
    const char* text;
};
const OldFormat kFormats[] = {
    {Format::V20, 0, "2.0"}, {Format::V21, 2100, "2.1,2.2,2.3"}, {Format::V24, 2400, "2.4"}};

// An old CONFIG.DB with a distinct value in every field the format has. Offsets are those of
// the old record; the headered formats put 16 header bytes before it.
std::string oldConfig(const OldFormat& f) {
    const bool v20 = f.format == Format::V20;
    std::string r(v20 ? 1160 : f.format == Format::V21 ? 1224 : 1232, '\0');
    putText(r, 0, "\x05XYZW");         // scrambled login name, copied as it is
    putText(r, 17, "\x03pqr");         // scrambled password
    putText(r, 34, "Template Person"); // fullName
    putText(r, 75, "Template Signature");
    put32(r, 136, 42);
    put8(r, 140, 120); // securityLevel
    put8(r, 141, 1);   // allowEdit
    put8(r, 142, 0);   // allowDelete
    put8(r, 143, 1);   // allowPublish
    put8(r, 144, 1);   // adminMenu
    put8(r, 145, 0);   // superUser
    put8(r, 146, 1);   // extraHelp
    put8(r, 148, 1);   // denySet 2
    put8(r, 154, 1);   // denySet 8
    put8(r, 155, 1);   // forcePassword
    const std::size_t d = v20 ? 4 : 0; // 2.0 has no bypass flags: the FTP fields sit 4 earlier
    if (!v20) {
        put8(r, 156, 1); // bypassDeadline
        put8(r, 157, 1); // bypassMaxDays
    }
    putText(r, 160 - d, "ftp.hillside.example");
    put8(r, 242 - d, 0x49); // port 2121
    put8(r, 243 - d, 0x08);
    put8(r, 244 - d, 1);
    putText(r, 245 - d, "/www/notices");
    putText(r, 501 - d, "webuser");
    putText(r, 532 - d, "webpass");
    putText(r, 568 - d, "Students");
    putText(r, 568 - d + 31, "Staff");
    putText(r, 816, "Hillside School");
    putText(r, 977, "(c) Hillside");
    put64(r, 1144, 0.75);
    put8(r, 1152, 1); // authUseOsName
    put8(r, 1153, 0); // authAskPassword
    put8(r, 1154, 0); // authDialogFlag
    put8(r, 1155, 1); // signupAllowed
    put8(r, 1156, 1); // signupAskName
    if (!v20) {
        put8(r, 1160, 0); // allowUserReturns
        put8(r, 1161, 0); // numberEachNotice
        put32(r, 1164, 2);
        putText(r, 1168, "Arial");
        put32(r, 1200, 5);
        put32(r, 1204, 6);
        put32(r, 1208, 8);
        put32(r, 1212, 3);
        put32(r, f.format == Format::V24 ? 1228 : 1216, 9);
    }
    return v20 ? r : header(f.version) + r;
}

class Upgrade : public ::testing::Test {
  protected:
    std::string file(const char* name) const { return readBytes(dir / name); }
    void write(const char* name, const std::string& bytes) { writeBytes(dir / name, bytes); }
    bool exists(const std::string& name) const { return std::filesystem::exists(dir / name); }

    TempFolder dir;
    FakeServices fs;
    Database db{dir.str(), fs.services()};
};

std::string formatName(const ::testing::TestParamInfo<OldFormat>& p) {
    return "V" + std::string(p.param.format == Format::V20 ? "20" : p.param.format == Format::V21 ? "21" : "24");
}

class ConfigUpgrade : public Upgrade, public ::testing::WithParamInterface<OldFormat> {};

TEST_P(ConfigUpgrade, EveryFieldLandsWhereItBelongsAndTheMessageNamesTheFormat) {
    const OldFormat f = GetParam();
    const bool v20 = f.format == Format::V20;
    const std::string old = oldConfig(f);
    write("CONFIG.DB", old);
    const UpgradeResult r = upgradeFile(db, DbFile::Config);
    ASSERT_EQ(r.status, UpgradeStatus::Upgraded) << r.message;
    EXPECT_EQ(r.message, std::string("Upgraded Version ") + f.text +
                             " Configuration to version 2.5. You must restart notices.");

    const std::string b = file("CONFIG.DB");
    ASSERT_EQ(b.size(), 1368u);
    EXPECT_EQ(b.substr(0, 16), kHeaderBytes);
    ASSERT_EQ(fs.told(db.loadConfig()), Result::Ok); // the converted file loads as a current one
    const ConfigRecord& c = db.config;
    const UserRecord& t = c.newUserTemplate;
    EXPECT_EQ(t.loginName.str(), "\x05XYZW") << "stored scrambled, as it was";
    EXPECT_EQ(t.password.str(), "\x03pqr");
    EXPECT_EQ(t.fullName.str(), "Template Person");
    EXPECT_EQ(t.signature.str(), "Template Signature");
    EXPECT_EQ(t.postCount, 42);
    EXPECT_EQ(t.securityLevel, 120);
    EXPECT_TRUE(t.allowEdit);
    EXPECT_FALSE(t.allowDelete);
    EXPECT_TRUE(t.allowPublish) << "byte 143 is carried over";
    EXPECT_TRUE(t.adminMenu);
    EXPECT_FALSE(t.superUser);
    EXPECT_TRUE(t.extraHelp);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(bool(t.denySet[k]), k == 1 || k == 7) << "denySet " << k + 1;
    EXPECT_TRUE(t.forcePassword);
    EXPECT_EQ(bool(t.bypassDeadline), !v20);
    EXPECT_EQ(bool(t.bypassMaxDays), !v20);

    EXPECT_EQ(c.ftpServer.str(), "ftp.hillside.example");
    EXPECT_EQ(c.ftpPort, 2121);
    EXPECT_TRUE(c.ftpPassive);
    EXPECT_EQ(c.ftpUploadDir.str(), "/www/notices");
    EXPECT_EQ(c.ftpUser.str(), "webuser");
    EXPECT_EQ(c.ftpPassword.str(), "webpass");
    EXPECT_EQ(c.reserved564, 0);
    const char* names[8] = {"Students", "Staff", "", "", "", "", "", ""};
    for (int k = 0; k < 8; ++k) {
        const NoticeSetConfig& s = c.noticeSets[k];
        EXPECT_EQ(s.name.str(), names[k]) << "set " << k + 1;
        EXPECT_DOUBLE_EQ(s.deadline, 0.75);
        EXPECT_EQ(s.maxDays, v20 ? 2 : 9);
        EXPECT_TRUE(s.deadlineEnabled);
        EXPECT_TRUE(s.maxDaysEnabled);
    }
    EXPECT_EQ(c.schoolName.str(), "Hillside School");
    EXPECT_EQ(c.schoolCopyright.str(), "(c) Hillside");
    EXPECT_TRUE(c.authUseOsName);
    EXPECT_FALSE(c.authAskPassword);
    EXPECT_FALSE(c.authDialogFlag);
    EXPECT_TRUE(c.signupAllowed);
    EXPECT_TRUE(c.signupAskName);
    EXPECT_EQ(bool(c.allowUserReturns), v20);
    EXPECT_EQ(bool(c.numberEachNotice), v20);
    EXPECT_EQ(c.signatureStyle, v20 ? 0 : 2);
    EXPECT_EQ(c.fontName.str(), v20 ? "Times New Roman" : "Arial");
    EXPECT_EQ(c.pointSize, v20 ? 3 : 5);
    EXPECT_EQ(c.reserved1324, v20 ? 2 : 6);
    EXPECT_EQ(c.reserved1328, v20 ? 3 : 8);
    EXPECT_EQ(c.borderSize, v20 ? 2 : 3);
    // 2.4 has no page sizes of its own: they get the values 2.1 gets, not zero.
    EXPECT_EQ(c.headerPointSize, 7);
    EXPECT_EQ(c.subtitlePointSize, 4);
    EXPECT_TRUE(c.crAfterNotice);
    for (std::size_t pad : {241u, 563u, 1279u, 1282u, 1283u, 1319u, 1345u, 1351u})
        EXPECT_EQ(u8(b, 16 + pad), 0) << "padding at " << pad;

    // The original is kept byte for byte beside the converted file.
    EXPECT_EQ(r.backup, std::string("CONFIG.DB.") + (v20 ? "2.0" : f.format == Format::V21 ? "2.1" : "2.4") + ".bak");
    EXPECT_EQ(file(r.backup.c_str()), old);

    // Converting again finds nothing to do and keeps no second copy.
    const std::string converted = file("CONFIG.DB");
    EXPECT_EQ(upgradeFile(db, DbFile::Config).status, UpgradeStatus::NotNeeded);
    EXPECT_EQ(file("CONFIG.DB"), converted);
    EXPECT_FALSE(exists(r.backup.substr(0, r.backup.size() - 4) + "(2).bak"));
}

INSTANTIATE_TEST_SUITE_P(Formats, ConfigUpgrade, ::testing::ValuesIn(kFormats),
                         formatName);

// A notice record in the layout every format shares.
void putNotice(std::string& b, std::size_t at, const std::string& owner, int level, double start,
               double end, const std::string& signature, int set) {
    putText(b, at, owner);
    put8(b, at + 9, static_cast<std::uint8_t>(level));
    put64(b, at + 16, start);
    putText(b, at + 24, signature);
    put64(b, at + 88, end);
    put8(b, at + 96 + static_cast<std::size_t>(set - 1), 1);
}

class NoticeUpgrade : public Upgrade, public ::testing::WithParamInterface<OldFormat> {};

TEST_P(NoticeUpgrade, RecordsKeepTheirFields) {
    const OldFormat f = GetParam();
    const std::size_t base = f.version ? 16 : 0;
    std::string old = (f.version ? header(f.version) : std::string()) + std::string(1040000, '\0');
    putNotice(old, base, "\x03" "DPR", 100, 46000.5, 46003, "Mrs Smith", 3);
    putNotice(old, base + 104 * 9999, "\x01" "B", 7, 46100, 46101, "Last", 8);
    // Bytes between the fields: 2.0 wrote nothing there, and its conversion clears them.
    std::string carried = old.substr(base, 1040000);
    for (const std::size_t pad : {10u, 15u, 85u, 87u}) {
        old[base + 104 + pad] = '\x5A';
        carried[104 + pad] = f.version ? '\x5A' : '\0';
    }
    write("NOTICE.DB", old);

    const UpgradeResult r = upgradeFile(db, DbFile::Notices);
    ASSERT_EQ(r.status, UpgradeStatus::Upgraded) << r.message;
    EXPECT_EQ(r.message, std::string("Upgraded Version ") + f.text +
                             " Notice Database to version 2.5. You must restart notices.");
    const std::string b = file("NOTICE.DB");
    ASSERT_EQ(b.size(), 1040016u);
    EXPECT_EQ(b.substr(0, 16), kHeaderBytes);
    EXPECT_EQ(b.substr(16), carried) << "the records are carried whole";
    ASSERT_EQ(fs.told(db.loadNotices()), Result::Ok);
    EXPECT_EQ(db.noticeOwner(1), "AMO");
    EXPECT_EQ(db.notice(1).authorLevel, 100);
    EXPECT_DOUBLE_EQ(db.notice(1).startDate, 46000.5);
    EXPECT_DOUBLE_EQ(db.notice(1).endDate, 46003);
    EXPECT_EQ(db.notice(1).signature.str(), "Mrs Smith");
    EXPECT_TRUE(db.notice(1).inSet[2]);
    EXPECT_EQ(db.noticeOwner(10000), "A");
    EXPECT_TRUE(db.notice(10000).inSet[7]);
    EXPECT_EQ(file(r.backup.c_str()), old);
}

INSTANTIATE_TEST_SUITE_P(Formats, NoticeUpgrade, ::testing::ValuesIn(kFormats),
                         formatName);

TEST_F(Upgrade, UsersOf20GainBothBypassFlagsOff) {
    std::string old(31200, '\0');
    for (int n = 0; n < 200; ++n) {
        const std::size_t at = 156 * static_cast<std::size_t>(n);
        putText(old, at, "\x01" "B" + std::to_string(n % 10)); // scrambled, key 1
        putText(old, at + 17, "\x02pw");
        putText(old, at + 34, "Person " + std::to_string(n));
        putText(old, at + 75, "Sig " + std::to_string(n));
        put32(old, at + 136, n * 3);
        put8(old, at + 140, static_cast<std::uint8_t>(n));
        put8(old, at + 143, n % 2);       // allowPublish
        put8(old, at + 147 + n % 8, 1);   // one denied set
        put8(old, at + 155, n % 3 == 0);  // forcePassword
    }
    write("USER.DB", old);
    const UpgradeResult r = upgradeFile(db, DbFile::Users);
    ASSERT_EQ(r.status, UpgradeStatus::Upgraded);
    EXPECT_EQ(r.message, "Upgraded Version 2.0 User Database to version 2.5. You must restart notices.");
    const std::string b = file("USER.DB");
    ASSERT_EQ(b.size(), 32016u);
    for (int n = 0; n < 200; ++n) {
        const std::size_t at = 156 * static_cast<std::size_t>(n);
        const std::size_t now = 16 + 160 * static_cast<std::size_t>(n);
        EXPECT_EQ(b.substr(now, 156), old.substr(at, 156)) << "user " << n + 1;
        EXPECT_EQ(b.substr(now + 156, 4), std::string(4, '\0')) << "bypass flags of user " << n + 1;
    }
    ASSERT_EQ(fs.told(db.loadUsers()), Result::Ok);
    EXPECT_EQ(db.userLoginName(200), "A8");
    EXPECT_EQ(db.userPassword(200), "nu");
    EXPECT_EQ(db.user(200).fullName.str(), "Person 199");
    EXPECT_EQ(db.user(200).securityLevel, 199);
    EXPECT_TRUE(db.user(200).allowPublish);
    EXPECT_TRUE(db.user(200).denySet[199 % 8]);
}

TEST_F(Upgrade, UsersOf24AreCarriedBehindTheNewHeader) {
    std::string old = header(2400) + std::string(32000, '\0');
    putText(old, 16, "\x01" "BENO");
    put8(old, 16 + 156, 1); // bypassDeadline
    put8(old, 16 + 160 * 199 + 157, 1);
    write("USER.DB", old);
    const UpgradeResult r = upgradeFile(db, DbFile::Users);
    ASSERT_EQ(r.status, UpgradeStatus::Upgraded);
    EXPECT_EQ(r.message, "Upgraded Version 2.4 User Database to version 2.5. You must restart notices.");
    EXPECT_EQ(file("USER.DB"), kHeaderBytes + old.substr(16));
    EXPECT_EQ(r.backup, "USER.DB.2.4.bak");
}

// Only the version decides the format: a right signature with version 2300 is no header.
TEST_F(Upgrade, AnUnknownVersionIsReadAsAFileWithoutHeader) {
    std::string old = header(2300) + std::string(1040000 - 16, '\0');
    putNotice(old, 104, "\x02" "CQ", 5, 46000, 46001, "Second", 1);
    write("NOTICE.DB", old);
    const UpgradeResult r = upgradeFile(db, DbFile::Notices);
    ASSERT_EQ(r.status, UpgradeStatus::Upgraded);
    EXPECT_EQ(r.from, Format::V20);
    EXPECT_EQ(r.message, "Upgraded Version 2.0 Notice Database to version 2.5. You must restart notices.");
    ASSERT_EQ(fs.told(db.loadNotices()), Result::Ok);
    EXPECT_EQ(db.noticeOwner(2), "AO");
    EXPECT_EQ(db.notice(2).signature.str(), "Second");
}

TEST_F(Upgrade, AFileTooShortForItsFormatIsLeftAsItIs) {
    const std::string users(31199, '\x01');
    const std::string config = oldConfig(kFormats[2]).substr(0, 16 + 1231);
    write("USER.DB", users);
    write("CONFIG.DB", config);
    const std::map<DbFile, std::string> found = {
        {DbFile::Users, "it holds 31199 bytes, 32016 expected"},
        {DbFile::Config, "it is of version 2.4 but holds only 1247 bytes, 1248 expected"}};
    for (DbFile which : {DbFile::Users, DbFile::Config}) {
        const UpgradeResult r = upgradeFile(db, which);
        EXPECT_EQ(r.status, UpgradeStatus::Unreadable);
        EXPECT_EQ(r.message, brokenFileMessage(formats::fileName(which), found.at(which)));
    }
    EXPECT_EQ(file("USER.DB"), users);
    EXPECT_EQ(file("CONFIG.DB"), config);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"CONFIG.DB", "MSG", "TEMP", "USER.DB"}))
        << "no copy and no temporary file is left";
}

TEST_F(Upgrade, AFailedSaveLeavesTheFileAndMemoryAsTheyWere) {
    const std::string old = oldConfig(kFormats[2]);
    write("CONFIG.DB", old);
    db.config.schoolName = "In memory";
    UpgradeResult r;
    {
        FileSizeLimit limit(100); // the converted file cannot be written
        r = upgradeFile(db, DbFile::Config);
    }
    fs.tell(r.result); // presented as the tool presents it
    EXPECT_EQ(r.status, UpgradeStatus::Failed);
    EXPECT_TRUE(r.reported);
    EXPECT_EQ(fs.reporter->messages, std::vector<std::string>{unsavedFileMessage("CONFIG.DB")});
    EXPECT_EQ(file("CONFIG.DB"), old);
    EXPECT_EQ(db.config.schoolName.str(), "In memory");
    EXPECT_EQ(file("CONFIG.DB.2.4.bak"), old) << "the copy is the file as it still is";
    // Once the disk has room the same file converts.
    EXPECT_EQ(upgradeFile(db, DbFile::Config).status, UpgradeStatus::Upgraded);
}

// An older copy of the program still in use writes the old format again and again; each
// conversion replaces the one copy of that file and format, and a copy of another format stays.
TEST_F(Upgrade, ALaterConversionReplacesTheOneCopyOfThatFormat) {
    write("NOTICE.DB.2.4.bak", "an earlier copy");
    write("NOTICE.DB.2.0.bak", "a copy of 2.0");
    const std::string blank = header(2400) + std::string(1040000, '\0');
    std::string old;
    for (int round = 1; round <= 150; ++round) {
        old = blank;
        putNotice(old, 16, "\x01" "B", round % 200, 46000 + round, 46001 + round, "Round", 1);
        write("NOTICE.DB", old);
        ASSERT_EQ(fs.told(db.loadNotices()), Result::Ok) << "round " << round;
        ASSERT_DOUBLE_EQ(db.notice(1).startDate, 46000 + round);
    }
    EXPECT_EQ(fs.reporter->messages.size(), 150u);
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"MSG", "NOTICE.DB", "NOTICE.DB.2.0.bak",
                                               "NOTICE.DB.2.4.bak", "TEMP"}));
    EXPECT_EQ(file("NOTICE.DB.2.4.bak"), old) << "the newest original";
    EXPECT_EQ(file("NOTICE.DB.2.0.bak"), "a copy of 2.0");
}

// Only a whole file of an older format is converted. A file of today's size whose header is
// damaged, or an old header on a file of the wrong size, would be garbled by a conversion: it
// is reported as broken and left exactly as it is, with no copy beside it.
TEST_F(Upgrade, AFileOfTheWrongSizeForItsHeaderIsBrokenAndNeverConverted) {
    writeFreshDatabase(dir.str());
    for (const char* name : {"NOTICE.DB", "USER.DB"}) {
        const std::string good = file(name);
        auto withVersion = [&](std::int32_t v) {
            std::string b = good;
            put32(b, 12, v);
            return b;
        };
        std::string signature = withVersion(2600);
        signature[2] = static_cast<char>(signature[2] ^ 0x04);
        std::string old24 = good + "x";
        put32(old24, 12, 2400);
        std::string old21 = good.substr(0, good.size() - 1);
        put32(old21, 12, 2100);
        const std::vector<std::pair<std::string, std::string>> cases = {
            {withVersion(0), "its header is damaged"},
            {withVersion(-1), "its header is damaged"},
            {withVersion(2500 ^ 0x800), "its header is damaged"}, // one bit flipped
            {signature, "its header is damaged"},
            {old24, "it is of version 2.4 but holds " + std::to_string(good.size() + 1) +
                        " bytes, " + std::to_string(good.size()) + " expected"},
            {old21, "it is of version 2.1,2.2,2.3 but holds only " +
                        std::to_string(good.size() - 1) + " bytes, " +
                        std::to_string(good.size()) + " expected"},
        };
        for (const auto& [bytes, found] : cases) {
            write(name, bytes);
            fs.reporter->messages.clear();
            const Result r = std::string(name) == "USER.DB" ? fs.told(db.loadUsers()) : fs.told(db.loadNotices());
            EXPECT_EQ(r, Result::Unreadable) << name << ": " << found;
            EXPECT_EQ(fs.reporter->messages, std::vector<std::string>{brokenFileMessage(name, found)});
            EXPECT_EQ(file(name), bytes) << name << ": " << found;
            EXPECT_EQ(convertibleFormat(db, std::string(name) == "USER.DB" ? DbFile::Users
                                                                          : DbFile::Notices),
                      std::nullopt);
            for (const auto& e : std::filesystem::directory_iterator(dir.path()))
                EXPECT_NE(e.path().extension(), ".bak") << name << ": " << found;
        }
        write(name, good);
    }
}

// Like every load, a conversion repeats a read that fails, or that finds the file cut short
// while an older copy of the program writes it in place.
TEST_F(Upgrade, AConversionRepeatsAReadThatFailsOrFindsTheFileShort) {
    std::string old = header(2400) + std::string(1040000, '\0');
    putNotice(old, 16, "\x01" "B", 5, 46000, 46001, "Kept", 2);
    write("NOTICE.DB", old);
    FaultFileSystem reads(*systemFileSystem());
    int failures = 2;
    reads.onCall = [&](const std::string& call) { return call == "read" && failures-- > 0 ? EIO : 0; };
    db.services().files = std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &reads);
    const UpgradeResult failed = upgradeFile(db, DbFile::Notices);
    db.services().files = systemFileSystem();
    EXPECT_EQ(failed.status, UpgradeStatus::Upgraded) << failed.message;
    EXPECT_EQ(fs.sleeper->sleeps, (std::vector<int>{db.ioPauseMs, db.ioPauseMs}));

    write("NOTICE.DB", old.substr(0, 4096));
    fs.sleeper->sleeps.clear();
    fs.sleeper->onSleep = [&] { write("NOTICE.DB", old); };
    const UpgradeResult shortAtFirst = upgradeFile(db, DbFile::Notices);
    EXPECT_EQ(shortAtFirst.status, UpgradeStatus::Upgraded) << shortAtFirst.message;
    EXPECT_EQ(fs.sleeper->sleeps.size(), 1u);
    EXPECT_EQ(file("NOTICE.DB.2.4.bak"), old);
    ASSERT_EQ(fs.told(db.loadNotices()), Result::Ok);
    EXPECT_EQ(db.notice(1).signature.str(), "Kept");

    // Bounded: a file that stays short is broken after the last attempt.
    fs.sleeper->onSleep = nullptr;
    fs.sleeper->sleeps.clear();
    write("NOTICE.DB", old.substr(0, 4096));
    EXPECT_EQ(upgradeFile(db, DbFile::Notices).status, UpgradeStatus::Unreadable);
    EXPECT_EQ(fs.sleeper->sleeps.size(), static_cast<std::size_t>(db.ioAttempts - 1));
    EXPECT_EQ(file("NOTICE.DB"), old.substr(0, 4096));
}

// A copy that cannot be kept is told with the reason its rename met, and nothing is converted.
TEST_F(Upgrade, ACopyThatCannotBeKeptNamesTheReason) {
    std::string old = header(2400) + std::string(1040000, '\0');
    putNotice(old, 16, "\x01" "B", 5, 46000, 46001, "Kept", 2);
    write("NOTICE.DB", old);
    FaultFileSystem refusing(*systemFileSystem());
    refusing.onCall = [](const std::string& call) {
        return call.rfind("rename ", 0) == 0 && call.size() > 4 &&
                       call.compare(call.size() - 4, 4, ".bak") == 0
                   ? EACCES
                   : 0;
    };
    db.services().files = std::shared_ptr<FileSystem>(std::shared_ptr<void>{}, &refusing);
    errno = 0;
    const UpgradeResult r = upgradeFile(db, DbFile::Notices);
    db.services().files = systemFileSystem();
    EXPECT_EQ(r.status, UpgradeStatus::Failed);
    EXPECT_NE(r.message.find("(" + systemErrorText(EACCES) + ")"), std::string::npos) << r.message;
    EXPECT_EQ(file("NOTICE.DB"), old);
}

// What the loaders do when a header does not match: convert, tell, read again.
TEST_F(Upgrade, TheLoadsConvertTellTheUserAndReadTheFileAgain) {
    write("CONFIG.DB", oldConfig(kFormats[1]));
    write("USER.DB", std::string(100, '\0'));
    const std::string shortUsers = file("USER.DB");
    ASSERT_EQ(fs.told(db.loadConfig()), Result::Ok);
    EXPECT_EQ(db.config.noticeSets[1].name.str(), "Staff");
    EXPECT_EQ(fs.told(db.loadConfig()), Result::Ok) << "a second load converts nothing";
    EXPECT_EQ(fs.told(db.loadUsers()), Result::Unreadable);
    EXPECT_EQ(file("USER.DB"), shortUsers) << "too short to convert: left as it is";
    EXPECT_EQ(fs.reporter->messages,
              (std::vector<std::string>{
                  "Upgraded Version 2.1,2.2,2.3 Configuration to version 2.5. You must restart "
                  "notices.",
                  brokenFileMessage("USER.DB", "it holds 100 bytes, 32016 expected")}));
    EXPECT_EQ(fileFormat(db, DbFile::Config), Format::Current);
    EXPECT_EQ(fileFormat(db, DbFile::Users), Format::V20);
    EXPECT_EQ(fileFormat(db, DbFile::Notices), std::nullopt);
    // A file another station converted meanwhile is simply read again.
    EXPECT_TRUE(upgradeOnLoad(db, "CONFIG.DB"));
}

} // namespace
