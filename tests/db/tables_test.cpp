// The user and notice tables in memory and the searches over them; the notice sets.
#include "db/database.h"
#include "db/station.h"
#include "db/text.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace pinora;
using namespace pinora::test;

namespace {

class Users : public ::testing::Test {
  protected:
    void SetUp() override { db.initUsers(); }
    TempFolder dir;
    FakeServices fs;
    Database db{dir.str(), fs.services()};
};

class Notices : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(st.db.loadUsers(), Result::Ok);
        ASSERT_EQ(st.db.loadNotices(), Result::Ok);
    }
    // Adds a user under lock U, as user management would, and logs this station on as them.
    int logOn(const std::string& name, std::uint8_t level = 100) {
        int slot = -1;
        EXPECT_TRUE(st.db.changeUsers("ADMIN", "Create New User", [&] {
            slot = st.db.findFreeUser();
            st.db.setUserCredentials(slot, name, "pw");
            st.db.user(slot).securityLevel = level;
            st.db.user(slot).signature = name + "'s signature";
            return true;
        }));
        st.currentUserName = name;
        st.currentUserSlot = slot;
        return slot;
    }
    int create(std::array<bool, kSetCount> sets = {true}) {
        int n = -1;
        EXPECT_EQ(st.allocateNotice(46000, 46002, sets, n), Result::Ok);
        return n;
    }
    TempFolder dir;
    FakeServices fs;
    Station st{dir.str(), fs.services()};
};

} // namespace

TEST_F(Users, FirstMatchWinsAndPasswordsAreTriedPerSlot) {
    db.setUserCredentials(3, "Smith", "apple");
    db.setUserCredentials(7, "SMITH", "pear");
    EXPECT_EQ(db.findUser("smith"), 3);
    EXPECT_EQ(db.authenticateUser("smith", "PEAR"), 7); // slot 3's password differs
    EXPECT_EQ(db.authenticateUser("Smith", "apple"), 3);
    EXPECT_EQ(db.authenticateUser("smith", "plum"), -1);
    EXPECT_EQ(db.findUser("smit"), -1);
    EXPECT_EQ(db.findUser("smiths"), -1);
}

TEST_F(Users, NamesAndPasswordsMatchInAnyCaseOfAToZOnly) {
    db.setUserCredentials(4, "MaRy", "PaSs\xE9");
    EXPECT_EQ(db.authenticateUser("mArY", "pAsS\xE9"), 4);
    EXPECT_EQ(db.authenticateUser("mary", "pass\xC9"), -1); // é and É are different
    db.setUserCredentials(200, "last", "");
    EXPECT_EQ(db.findUser("LAST"), 200);
    EXPECT_EQ(db.authenticateUser("Last", ""), 200);
}

TEST_F(Users, FreeSlotsAreMarkedExactlyAndTakePartInSearches) {
    EXPECT_EQ(db.findFreeUser(), 1);
    EXPECT_EQ(db.findUser("[none]"), 1); // free slots read as the marker
    db.setUserName(1, "[none]");         // not the marker: compared with case
    EXPECT_FALSE(db.userSlotFree(1));
    EXPECT_EQ(db.findFreeUser(), 2);
    db.user(2).loginName = ""; // an empty field is a slot in use
    EXPECT_EQ(db.findFreeUser(), 3);
}

TEST_F(Users, LongNamesAreCutTo15AndFullTableHasNoFreeSlot) {
    fs.chance->queue = {100, 5};
    db.setUserCredentials(1, "ABCDEFGHIJKLMNOPQRST", "0123456789abcdefXYZ");
    EXPECT_EQ(db.user(1).loginName.len, 16);
    EXPECT_EQ(db.userLoginName(1), "ABCDEFGHIJKLMNO");
    EXPECT_EQ(db.userPassword(1), "0123456789abcde");
    EXPECT_EQ(static_cast<unsigned char>(db.user(1).loginName.chars[0]), 100);
    EXPECT_EQ(db.authenticateUser("abcdefghijklmno", "0123456789ABCDE"), 1);
    for (int n = 2; n <= 200; ++n)
        db.setUserName(n, "U" + std::to_string(n));
    EXPECT_EQ(db.findFreeUser(), -1);
}

TEST_F(Users, DeletedSlotIsReusedFirstAndKeepsItsOtherFields) {
    for (int n = 1; n <= 5; ++n) {
        db.setUserCredentials(n, "U" + std::to_string(n), "x");
        db.user(n).postCount = n * 10;
    }
    db.user(3).loginName = db.scramble("[NONE]");
    EXPECT_EQ(db.findFreeUser(), 3);
    EXPECT_EQ(db.user(3).postCount, 30);
    EXPECT_EQ(db.findUser("U3"), -1);
}

TEST_F(Users, SaveOneUserKeepsOtherStationsChanges) {
    ASSERT_TRUE(db.saveUsers());
    Database other(dir.str(), fs.services());
    ASSERT_EQ(other.loadUsers(), Result::Ok);
    other.setUserCredentials(5, "OTHER", "x");
    ASSERT_TRUE(other.saveUsers());
    db.setUserCredentials(1, "ADMIN", "secret");
    ASSERT_TRUE(db.saveOneUser(1));
    Database check(dir.str(), fs.services());
    ASSERT_EQ(check.loadUsers(), Result::Ok);
    EXPECT_EQ(check.findUser("ADMIN"), 1);
    EXPECT_EQ(check.findUser("OTHER"), 5);
}

TEST(NoticeSets, FoundByNameIgnoringCaseHighestNumberWins) {
    TempFolder dir;
    FakeServices fs;
    Database db(dir.str(), fs.services());
    db.setConfigDefaults();
    db.config.noticeSets[0].name = "Students";
    db.config.noticeSets[1].name = "Staff";
    db.config.noticeSets[4].name = "staff";
    EXPECT_EQ(db.findNoticeSet("students"), 1);
    EXPECT_EQ(db.findNoticeSet("STAFF"), 5);
    EXPECT_EQ(db.findNoticeSet("Parents"), -1);
    EXPECT_EQ(db.findNoticeSet(""), 8); // the highest unused set
    for (auto& s : db.config.noticeSets)
        s.name = "x";
    EXPECT_EQ(db.findNoticeSet(""), -1);
}

TEST_F(Notices, FreshTableAndSlotReuse) {
    EXPECT_EQ(st.db.findFreeNotice(), 1);
    EXPECT_EQ(st.db.countNoticesInUse(), 0);
    logOn("ANN");
    EXPECT_EQ(create(), 1);
    EXPECT_EQ(create(), 2);
    EXPECT_EQ(create(), 3);
    ASSERT_TRUE(st.freeNotice(2, "Delete Notice"));
    EXPECT_EQ(create(), 2);
    EXPECT_EQ(create(), 4);
    EXPECT_EQ(st.db.countNoticesInUse(), 4);
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
}

TEST_F(Notices, AllocationFillsTheSlotForTheCurrentUser) {
    logOn("MARGARET", 120);
    fs.chance->queue = {77};
    const int n = create({false, true, false, false, false, false, false, true});
    ASSERT_EQ(n, 1);
    Database disk(dir.str(), fs.services());
    ASSERT_EQ(disk.loadNotices(), Result::Ok);
    const NoticeRecord& r = disk.notice(1);
    EXPECT_EQ(r.owner.len, 8); // key and 7 characters
    EXPECT_EQ(static_cast<unsigned char>(r.owner.chars[0]), 77);
    EXPECT_EQ(disk.noticeOwner(1), "MARGARE");
    EXPECT_EQ(r.authorLevel, 120);
    EXPECT_EQ(r.signature.str(), "MARGARET's signature");
    EXPECT_DOUBLE_EQ(r.startDate, 46000);
    EXPECT_DOUBLE_EQ(r.endDate, 46002);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(r.inSet[k], k == 1 || k == 7) << k;
    EXPECT_EQ(readBytes(dir / "MSG" / "1.MSG"), "");

    logOn("ANN");
    ASSERT_EQ(create(), 2);
    EXPECT_EQ(st.db.noticeOwner(2), "ANN");
}

TEST_F(Notices, EmptyOwnerIsInUseAndMarkerIsCaseSensitive) {
    st.db.notice(1).owner = "";
    st.db.notice(2).owner = st.db.scramble("[None]");
    EXPECT_TRUE(st.db.noticeInUse(1));
    EXPECT_EQ(st.db.noticeOwner(1), "");
    EXPECT_TRUE(st.db.noticeInUse(2));
    EXPECT_EQ(st.db.findFreeNotice(), 3);
    EXPECT_EQ(st.db.countNoticesInUse(), 2);
}

// Whatever key byte a file holds (a program scrambles with 0 to 127, a damaged file with any),
// an owner is free exactly when it unscrambles to the marker; the bytes past its length do
// not count.
TEST_F(Notices, FreeOwnersAreToldExactlyUnderEveryKey) {
    const auto byDefinition = [](const NoticeRecord& r) {
        return unscrambleText(r.owner.str()) != freeMarker;
    };
    NoticeRecord& r = st.db.notice(1);
    for (int key = 0; key < 256; ++key) {
        std::string owner(1, static_cast<char>(key));
        for (const char c : freeMarker)
            owner += static_cast<char>(c + key);
        r.owner = owner;
        r.owner.chars[7] = static_cast<char>(key * 7);
        EXPECT_FALSE(st.db.noticeInUse(1)) << key;
        for (std::size_t at = 1; at < owner.size(); ++at)
            for (const int step : {1, -1, 0x80}) {
                std::string changed = owner;
                changed[at] = static_cast<char>(changed[at] + step);
                r.owner = changed;
                EXPECT_TRUE(st.db.noticeInUse(1)) << key << " " << at << " " << step;
                EXPECT_EQ(st.db.noticeInUse(1), byDefinition(r));
            }
        for (const std::size_t len : {6, 8}) {
            r.owner = owner;
            r.owner.len = static_cast<std::uint8_t>(len);
            EXPECT_TRUE(st.db.noticeInUse(1)) << key << " length " << len;
        }
    }
    std::uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        for (char& c : r.owner.chars) {
            seed = seed * 1103515245u + 12345u;
            c = static_cast<char>(seed >> 16);
        }
        r.owner.len = static_cast<std::uint8_t>(i % 3 == 0 ? 7 : seed >> 28);
        if (i % 2 == 0) // the marker's characters under the record's own key, but one
            for (std::size_t k = 0; k < freeMarker.size(); ++k)
                if (static_cast<int>(k) != i % 11)
                    r.owner.chars[k + 1] = static_cast<char>(freeMarker[k] + r.owner.chars[0]);
        ASSERT_EQ(st.db.noticeInUse(1), byDefinition(r)) << i;
    }
}

// The scans agree on the slots in use wherever they lie, the first and the last included; a
// table nothing was loaded into is all zero bytes, as it always was.
TEST_F(Notices, ScansFindTheSlotsInUseWhereverTheyLie) {
    for (const int n : {1, 2, 5000, kNoticeCount})
        st.db.notice(n).owner = st.db.scramble("ANN");
    std::vector<int> inUse{99};
    st.db.noticesInUse(inUse);
    EXPECT_EQ(inUse, (std::vector<int>{1, 2, 5000, kNoticeCount}));
    EXPECT_EQ(st.db.countNoticesInUse(), 4);
    EXPECT_EQ(st.db.findFreeNotice(), 3);
    for (int n = 3; n < kNoticeCount; ++n)
        st.db.notice(n).owner = st.db.scramble("ANN");
    EXPECT_EQ(st.db.findFreeNotice(), -1);
    st.db.noticesInUse(inUse);
    EXPECT_EQ(inUse.size(), static_cast<std::size_t>(kNoticeCount));

    FakeServices other;
    Database empty(dir.str(), other.services());
    const auto* bytes = reinterpret_cast<const unsigned char*>(empty.notices.data());
    EXPECT_TRUE(std::all_of(bytes, bytes + sizeof(NoticeTable), [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(empty.countNoticesInUse(), kNoticeCount) << "an empty owner is in use";
    const Database copy = empty;
    EXPECT_EQ(std::memcmp(copy.notices.data(), empty.notices.data(), sizeof(NoticeTable)), 0);
}

TEST_F(Notices, FullTableRefusesAndChangesNothing) {
    logOn("ANN");
    for (int n = 1; n <= kNoticeCount; ++n)
        st.db.notice(n).owner = st.db.scramble("BOB");
    ASSERT_TRUE(st.db.saveNotices());
    const std::string before = readBytes(dir / "NOTICE.DB");
    EXPECT_EQ(st.db.findFreeNotice(), -1);
    int n = 0;
    EXPECT_EQ(st.allocateNotice(46000, 46001, {true}, n), Result::Declined);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), before);
    EXPECT_FALSE(std::filesystem::exists(dir / "DB-N.LCK"));
    // The last slot freed is the one found.
    st.db.markNoticeFree(kNoticeCount);
    EXPECT_EQ(st.db.findFreeNotice(), kNoticeCount);
    EXPECT_EQ(st.db.countNoticesInUse(), kNoticeCount - 1);
}

TEST_F(Notices, FreedNoticeKeepsItsMessageFileUntilTheSlotIsReused) {
    logOn("ANN");
    for (int i = 0; i < 5; ++i)
        create();
    ASSERT_TRUE(st.db.writeMessageFile(5, "Sports day\nBring water"));
    ASSERT_TRUE(st.freeNotice(5, "Delete Notice"));
    EXPECT_EQ(readBytes(dir / "MSG" / "5.MSG"), "Sports day\r\nBring water\r\n");
    EXPECT_DOUBLE_EQ(st.db.notice(5).endDate, 46002); // only the owner changes
    EXPECT_EQ(create(), 5);
    EXPECT_EQ(readBytes(dir / "MSG" / "5.MSG"), "");
}

TEST_F(Notices, MessageFilesUseCrLfAndKeepTheirBytes) {
    ASSERT_TRUE(st.db.writeMessageFile(17, "first\nsecond\r\n\nfourth \xE9t\xE9"));
    EXPECT_EQ(readBytes(dir / "MSG" / "17.MSG"), "first\r\nsecond\r\n\r\nfourth \xE9t\xE9\r\n");
    EXPECT_TRUE(st.db.messageFileExists(17));
    std::string text;
    ASSERT_TRUE(st.db.readMessageFile(17, text));
    EXPECT_EQ(text, "first\r\nsecond\r\n\r\nfourth \xE9t\xE9\r\n");
    EXPECT_FALSE(st.db.messageFileExists(18));
    const Result missing = st.db.readMessageFile(18, text);
    EXPECT_FALSE(missing);
    EXPECT_FALSE(missing.detail().empty());
    ASSERT_TRUE(st.db.writeMessageFile(17, ""));
    EXPECT_EQ(readBytes(dir / "MSG" / "17.MSG"), "");
    // No temporary files are left beside it.
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir / "MSG"))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST_F(Notices, ChangesReloadInsideTheLockAndKeepOtherStationsWork) {
    logOn("ANN");
    Station other(dir.str(), fs.services());
    ASSERT_EQ(other.db.loadUsers(), Result::Ok);
    other.currentUserName = "ADMIN";
    other.currentUserSlot = other.db.findUser("ADMIN");
    // Neither station reloads by hand: each change picks up the other's.
    EXPECT_EQ(create(), 1);
    int n = -1;
    ASSERT_EQ(other.allocateNotice(46010, 46011, {true}, n), Result::Ok);
    EXPECT_EQ(n, 2);
    ASSERT_TRUE(st.updateNoticeDates(2, 46020, 46021));
    ASSERT_TRUE(other.updateNoticeSets(1, {false, false, true}));
    Database disk(dir.str(), fs.services());
    ASSERT_EQ(disk.loadNotices(), Result::Ok);
    EXPECT_EQ(disk.noticeOwner(1), "ANN");
    EXPECT_TRUE(disk.notice(1).inSet[2]);
    EXPECT_FALSE(disk.notice(1).inSet[0]);
    EXPECT_EQ(disk.noticeOwner(2), "ADMIN");
    EXPECT_DOUBLE_EQ(disk.notice(2).startDate, 46020);

    ASSERT_TRUE(st.addPost());
    ASSERT_TRUE(other.addPost());
    ASSERT_TRUE(st.addPost());
    ASSERT_EQ(disk.loadUsers(), Result::Ok);
    EXPECT_EQ(disk.user(st.currentUserSlot).postCount, 2);
    EXPECT_EQ(disk.user(other.currentUserSlot).postCount, 1);
}

TEST_F(Notices, NobodyLoggedOnOrNoSuchNoticeChangesNothing) {
    int n = -1;
    EXPECT_EQ(st.allocateNotice(46000, 46001, {true}, n), Result::Failed);
    EXPECT_FALSE(st.addPost());
    logOn("ANN");
    const std::string before = readBytes(dir / "NOTICE.DB");
    for (int bad : {0, -1, kNoticeCount + 1}) {
        EXPECT_FALSE(st.freeNotice(bad, "Delete Notice"));
        EXPECT_FALSE(st.updateNoticeDates(bad, 1, 2));
        EXPECT_FALSE(st.updateNoticeSets(bad, {true}));
    }
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), before);
    EXPECT_EQ(st.db.countNoticesInUse(), 0);
}
