// The browse list as the window shows it: which notices, in which order, with which summary.
#include "db/browselist.h"
#include "db/textsearch.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;

namespace {

class BrowseFill : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(st.db.loadUsers(), Result::Ok);
        ASSERT_EQ(st.db.loadNotices(), Result::Ok);
        logOn("ADMIN");
    }
    void addUser(const std::string& name, std::uint8_t level) {
        const int slot = st.db.findFreeUser();
        st.db.setUserCredentials(slot, name, "pw");
        st.db.user(slot).securityLevel = level;
        st.db.user(slot).superUser = false;
    }
    void logOn(const std::string& name) {
        st.currentUserName = name;
        st.currentUserSlot = st.db.findUser(name);
        ASSERT_GT(st.currentUserSlot, 0);
    }
    // Notice n in memory, owned by the name as a create would store it, with a text file.
    void put(int n, const std::string& owner, TDateTime start, TDateTime end,
             const std::string& text = "text") {
        NoticeRecord& r = st.db.notice(n);
        r.owner = st.db.scramble(owner).substr(0, 8);
        r.startDate = start;
        r.endDate = end;
        writeBytes(dir / "MSG" / (std::to_string(n) + ".MSG"), text);
    }
    std::vector<int> numbers(BrowseOrder order, bool mineOnly = false) {
        std::vector<int> out;
        for (const BrowseRow& r : fillBrowseList(st, order, mineOnly))
            out.push_back(r.number);
        return out;
    }

    TempFolder dir;
    FakeServices fs;
    Station st{dir.str(), fs.services()};
};

const BrowseOrder kOrders[] = {BrowseOrder::Index, BrowseOrder::DateIn, BrowseOrder::DateOut,
                               BrowseOrder::Owner};

} // namespace

TEST_F(BrowseFill, EmptyDatabaseListsNothingButCountsEverySlot) {
    for (BrowseOrder order : kOrders) {
        std::vector<int> seen;
        const auto rows = fillBrowseList(st, order, false, {}, [&](int slot) {
            seen.push_back(slot);
            return true;
        });
        EXPECT_TRUE(rows.empty());
        ASSERT_EQ(seen.size(), 10000u);
        EXPECT_EQ(seen.front(), 1);
        EXPECT_EQ(seen.back(), 10000);
        EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    }
    // A progress that says stop ends the fill at once.
    put(9000, "ADMIN", 1, 2);
    int calls = 0;
    EXPECT_TRUE(fillBrowseList(st, BrowseOrder::Index, false, {}, [&](int) { return ++calls < 3; })
                    .empty());
    EXPECT_EQ(calls, 3);
}

TEST_F(BrowseFill, OrdersAreStableAndOwnersCompareByteWise) {
    put(3, "bob", 100, 200, "Bob's\r\nsecond line");
    put(5, "ANN", 50, 200);
    put(7, "Zed", 100, 150);
    put(9, "ANN", 100, 150);
    put(11, "Ann", 100.75, 150.5);
    put(12, "ANN", NAN, NAN); // a damaged date sorts last and breaks nothing
    // A freed slot keeps its old dates; it is never listed.
    put(2, "ANN", 1, 1);
    st.db.markNoticeFree(2);
    const std::vector<int> idx{3, 5, 7, 9, 11, 12};
    EXPECT_EQ(numbers(BrowseOrder::Index), idx);
    EXPECT_EQ(numbers(BrowseOrder::DateIn), (std::vector<int>{5, 3, 7, 9, 11, 12}));
    EXPECT_EQ(numbers(BrowseOrder::DateOut), (std::vector<int>{7, 9, 11, 3, 5, 12}));
    EXPECT_EQ(numbers(BrowseOrder::Owner), (std::vector<int>{5, 9, 12, 11, 7, 3}));
    // The order is the list's alone: record n stays notice n.
    EXPECT_EQ(st.db.noticeOwner(3), "bob");

    const auto rows = fillBrowseList(st, BrowseOrder::Index, false);
    EXPECT_EQ(rows[0].owner, "bob");
    EXPECT_EQ(rows[0].start, 100);
    EXPECT_EQ(rows[0].end, 200);
    EXPECT_EQ(rows[0].summary, "Bob's");
}

TEST_F(BrowseFill, IndexOrderShowsOnlyWhatTheViewerMaySeeTheSortedOrdersShowAll) {
    addUser("ME", 100);
    addUser("LOW", 50);
    addUser("EQUAL", 100);
    addUser("HIGH", 150);
    put(1, "HIGH", 10, 20);
    put(2, "EQUAL", 11, 20);
    put(3, "LOW", 12, 20);
    put(4, "me", 13, 20);
    put(5, "GONE", 14, 20); // author deleted: no level grants anything
    logOn("ME");
    EXPECT_EQ(numbers(BrowseOrder::Index), (std::vector<int>{3, 4}));
    EXPECT_EQ(numbers(BrowseOrder::DateIn), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(numbers(BrowseOrder::DateOut), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(numbers(BrowseOrder::Owner), (std::vector<int>{2, 5, 1, 3, 4}));
    logOn("ADMIN");
    EXPECT_EQ(numbers(BrowseOrder::Index), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(BrowseFill, MineOnlyKeepsTheViewersNoticesInEveryOrderAlsoForALongName) {
    addUser("ELIZABETH", 50);
    addUser("ELIZAB", 50);
    addUser("OTHER", 10);
    put(4, "ELIZABETH", 30, 40); // stored as ELIZABE
    put(6, "ELIZAB", 20, 50);    // someone else, whose name is a shorter start of hers
    put(8, "elizabeth", 10, 45);
    put(9, "OTHER", 5, 5);
    logOn("ELIZABETH");
    EXPECT_EQ(st.db.noticeOwner(4), "ELIZABE");
    EXPECT_EQ(numbers(BrowseOrder::Index, true), (std::vector<int>{4, 8}));
    EXPECT_EQ(numbers(BrowseOrder::DateIn, true), (std::vector<int>{8, 4}));
    EXPECT_EQ(numbers(BrowseOrder::DateOut, true), (std::vector<int>{4, 8}));
    EXPECT_EQ(numbers(BrowseOrder::Owner, true), (std::vector<int>{4, 8}));
    // Unticked, her index order also shows the lower level's notice.
    EXPECT_EQ(numbers(BrowseOrder::Index, false), (std::vector<int>{4, 8, 9}));
}

TEST_F(BrowseFill, SummaryIsTheFirstHardLineOrOneBlank) {
    put(1, "ADMIN", 1, 2, "First line\r\nsecond\r\n");
    put(2, "ADMIN", 1, 2, "\r\nstarts with an empty line");
    put(3, "ADMIN", 1, 2, "");
    put(4, "ADMIN", 1, 2);
    std::filesystem::remove(dir / "MSG" / "4.MSG");
    put(5, "ADMIN", 1, 2, "lone LF\nnext");
    put(6, "ADMIN", 1, 2, "a\rb\r\n"); // a lone CR stays inside the line
    put(7, "ADMIN", 1, 2, std::string(5000, 'x') + "\r\n");
    put(8, "ADMIN", 1, 2, "\xE9t\xE9 \x80");
    std::filesystem::create_directory(dir / "MSG" / "9.MSG");
    put(9, "ADMIN", 1, 2, "ignored");
    const auto rows = fillBrowseList(st, BrowseOrder::Index, false);
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0].summary, "First line");
    EXPECT_EQ(rows[1].summary, " ");
    EXPECT_EQ(rows[2].summary, " ");
    EXPECT_EQ(rows[3].summary, " ");
    EXPECT_EQ(rows[4].summary, "lone LF");
    EXPECT_EQ(rows[5].summary, "a\rb");
    EXPECT_EQ(rows[6].summary, std::string(kSummaryBytes, 'x'));
    EXPECT_EQ(rows[7].summary, "\xE9t\xE9 \x80");
    EXPECT_EQ(rows[8].summary, " "); // not a file that can be read
}

TEST_F(BrowseFill, ARowMatchesItsSlotOnlyWhileTheSameNoticeIsThere) {
    put(5, "ANN", 100.5, 200);
    const BrowseRow row = fillBrowseList(st, BrowseOrder::Index, false).at(0);
    EXPECT_TRUE(rowStillMatches(st.db, row));
    st.db.notice(5).endDate = 300; // dates edited: still the same notice
    EXPECT_TRUE(rowStillMatches(st.db, row));
    st.db.notice(5).startDate = 100.25;
    EXPECT_FALSE(rowStillMatches(st.db, row));
    put(5, "BOB", 100.5, 200); // reused by another author
    EXPECT_FALSE(rowStillMatches(st.db, row));
    put(5, "ANN", 100.5, 200);
    st.db.markNoticeFree(5);
    EXPECT_FALSE(rowStillMatches(st.db, row));
    BrowseRow outside = row;
    outside.number = 10001;
    EXPECT_FALSE(rowStillMatches(st.db, outside));
}

TEST(TextSearch, FoldsCaseAccentsAndLigaturesOfWindows1252) {
    // Every accented letter of the upper half, capital and small, folds to its base letter.
    EXPECT_EQ(foldForSearch("\xC0\xC1\xC2\xC3\xC4\xC5 \xE0\xE1\xE2\xE3\xE4\xE5"), "aaaaaa aaaaaa");
    EXPECT_EQ(foldForSearch("\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"), "eeeeiiii");
    EXPECT_EQ(foldForSearch("\xD2\xD3\xD4\xD5\xD6\xD8\xF2\xF3\xF4\xF5\xF6\xF8"), "oooooooooooo");
    EXPECT_EQ(foldForSearch("\xD9\xDA\xDB\xDC\xF9\xFA\xFB\xFC"), "uuuuuuuu");
    EXPECT_EQ(foldForSearch("\xC7\xE7\xD1\xF1\xDD\xFD\xFF\x9F\x8A\x9A\x8E\x9E"), "ccnnyyyysszz");
    EXPECT_EQ(foldForSearch("\x8C" "uvre \x9C" "uf Stra\xDF" "e \xC6gis"),
              "oeuvre oeuf strasse aegis");
    // Signs and punctuation stay as they are.
    EXPECT_EQ(foldForSearch("\x80 5\xD7" "3 \xF7 \x93Q\x94"), "\x80 5\xD7" "3 \xF7 \x93q\x94");

    EXPECT_EQ(searchWords("  Caf\xC9\tTRIP\r\nCAF\xE9 "),
              (std::vector<std::string>{"cafe", "trip"}));
    EXPECT_TRUE(searchWords(" \t\xA0 ").empty());
    EXPECT_TRUE(containsAllWords("anything", {}));
    EXPECT_FALSE(containsAllWords("cafe", {"cafe", "trip"}));
}

TEST_F(BrowseFill, FindKeepsTheNoticesWhoseWholeTextHoldsEveryWordInEveryOrder) {
    addUser("ELIZABETH", 50);
    put(2, "ELIZABETH", 30, 40, "Choir practice\r\nin the MUSIC room");
    put(3, "ADMIN", 10, 45, "Music exam results\r\nchoir too");
    put(5, "ELIZABETH", 20, 50, "R\xC9UNION du ch\x9Cur\r\nall welcome"); // RÉUNION du chœur
    put(7, "ADMIN", 5, 60, "First line only\r\nthe word hides in line two: choir\r\nand music");
    put(8, "ADMIN", 1, 2, "");
    put(9, "ADMIN", 1, 2);
    std::filesystem::remove(dir / "MSG" / "9.MSG");
    auto found = [&](BrowseOrder order, const std::string& typed, bool mineOnly = false) {
        std::vector<int> out;
        for (const BrowseRow& r : fillBrowseList(st, order, mineOnly, searchWords(typed)))
            out.push_back(r.number);
        return out;
    };
    // Words on different lines, in any order and case, as parts of longer words too.
    EXPECT_EQ(found(BrowseOrder::Index, "music CHOIR"), (std::vector<int>{2, 3, 7}));
    EXPECT_EQ(found(BrowseOrder::DateIn, "music CHOIR"), (std::vector<int>{7, 3, 2}));
    EXPECT_EQ(found(BrowseOrder::DateOut, "music CHOIR"), (std::vector<int>{2, 3, 7}));
    EXPECT_EQ(found(BrowseOrder::Owner, "music CHOIR"), (std::vector<int>{3, 7, 2}));
    EXPECT_EQ(found(BrowseOrder::Index, "hides"), (std::vector<int>{7}));
    // Accents and ligatures on either side.
    EXPECT_EQ(found(BrowseOrder::Index, "reunion choeur"), (std::vector<int>{5}));
    EXPECT_EQ(found(BrowseOrder::Index, "R\xE9union"), (std::vector<int>{5}));
    EXPECT_TRUE(found(BrowseOrder::Index, "choir orchestra").empty());
    // Mine only and the long name's rule still apply.
    logOn("ELIZABETH");
    for (BrowseOrder order : kOrders)
        EXPECT_EQ(found(order, "choir", true), (std::vector<int>{2})) << static_cast<int>(order);
    // No words: every notice, the empty and the missing file too; the summary is still line one.
    logOn("ADMIN");
    const auto rows = fillBrowseList(st, BrowseOrder::Index, false, searchWords("line"));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].summary, "First line only");
    EXPECT_EQ(found(BrowseOrder::Index, "   ").size(), 6u);
}
