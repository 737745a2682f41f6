// The built pinoractl, run as an administrator would run it, on a folder written here.
#include "json_check.h"
#include "tool.h"

#include "db/datetime.h"
#include "output/page.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <sstream>
#include <sys/stat.h>

using namespace pinora;
using namespace pinora::test;
namespace fs = std::filesystem;

namespace {

TDateTime monday() {
    return encodeDate(2026, 12, 7);
}

class PinoractlTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        ASSERT_EQ(db.loadNotices(), Result::Ok);
        db.config.noticeSets[2].name = "Staff";
        ASSERT_TRUE(db.saveConfig());
        addNotice(3, "MARGARET", {1, 3}, "Caf\xE9 \"menu\" \\ today\tnow\nsecond line");
        addNotice(8, "ANN", {1}, std::nullopt); // no message file
        addNotice(9, "BOB", {3}, "\x1b[31mred\x1b[0m");
    }

    void addNotice(int n, const std::string& owner, std::initializer_list<int> sets,
                   std::optional<std::string> text) {
        NoticeRecord& r = db.notice(n);
        r.owner = db.scramble(owner);
        r.startDate = monday() + encodeTime(9, 30, 0);
        r.endDate = monday() + 1;
        r.signature = "Sig " + owner;
        for (Flag& f : r.inSet)
            f = false;
        for (int k : sets)
            r.inSet[k - 1] = true;
        ASSERT_TRUE(db.saveNotices());
        if (text) {
            ASSERT_TRUE(db.writeMessageFile(n, *text));
        }
    }

    std::vector<std::string> with(std::vector<std::string> args) {
        args.insert(args.begin(), {"--folder", dir.str()});
        return args;
    }

    TempFolder dir;
    FakeServices fsv;
    Database db{dir.str(), fsv.services()};
};

} // namespace

TEST_F(PinoractlTest, InfoJsonIsOneDocumentWithTheStoredValues) {
    const ToolRun r = pinoractl(with({"info", "--json"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Json j;
    ASSERT_NO_THROW(j = parseJson(r.out)) << r.out;

    EXPECT_EQ(j["config"]["schoolName"].str, "Hillside School");
    EXPECT_EQ(j["config"]["noticeSets"].items.size(), 8u);
    EXPECT_EQ(j["config"]["noticeSets"][0]["name"].str, "Students");
    EXPECT_EQ(j["config"]["noticeSets"][2]["name"].str, "Staff");
    EXPECT_FALSE(j["config"]["noticeSets"][1]["inUse"].b);
    EXPECT_EQ(j["config"]["noticeSets"][0]["deadline"].str, "19:00:00");
    EXPECT_EQ(j["config"]["page"]["fontName"].str, "Times New Roman");
    EXPECT_EQ(j["config"]["ftp"]["port"].num, 21);
    EXPECT_EQ(j["config"]["logon"]["authentication"].num, 2);

    ASSERT_EQ(j["users"].items.size(), 1u);
    const Json& admin = j["users"][0];
    EXPECT_EQ(admin["slot"].num, 1);
    EXPECT_EQ(admin["loginName"].str, "ADMIN");
    EXPECT_EQ(admin["fullName"].str, "Administrator");
    EXPECT_EQ(admin["level"].num, 255);
    std::vector<std::string> rights;
    for (const Json& x : admin["rights"].items)
        rights.push_back(x.str);
    EXPECT_EQ(rights, (std::vector<std::string>{"edit", "delete", "publish", "admin-menu",
                                                "super-user", "force-password"}));
    EXPECT_EQ(r.out.find("secret"), std::string::npos); // passwords never shown

    ASSERT_EQ(j["notices"].items.size(), 3u);
    const Json& n3 = j["notices"][0];
    EXPECT_EQ(n3["number"].num, 3);
    EXPECT_EQ(n3["owner"].str, "MARGARE");
    EXPECT_EQ(n3["start"].str, "2026-12-07 09:30:00");
    EXPECT_EQ(n3["end"].str, "2026-12-08 00:00:00");
    ASSERT_EQ(n3["sets"].items.size(), 2u);
    EXPECT_EQ(n3["sets"][1].num, 3);
    EXPECT_EQ(n3["firstLine"].str, "Caf\xC3\xA9 \"menu\" \\ today\tnow"); // UTF-8 now
    EXPECT_EQ(j["notices"][1]["firstLine"].kind, Json::Null);
    EXPECT_EQ(j["notices"][2]["firstLine"].str, "\x1b[31mred\x1b[0m");
}

TEST_F(PinoractlTest, InfoTextListsUsersAndNoticesSafely) {
    addNotice(12, "CAROL", {1}, std::string(500, 'x') + "\nnext");
    const ToolRun r = pinoractl(with({"info"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Hillside School"), std::string::npos);
    EXPECT_NE(r.out.find("Users in use: 1"), std::string::npos);
    EXPECT_NE(r.out.find("ADMIN"), std::string::npos);
    EXPECT_NE(r.out.find("Administrator"), std::string::npos);
    EXPECT_NE(r.out.find("super-user"), std::string::npos);
    EXPECT_NE(r.out.find("Notices in use: 4"), std::string::npos);
    EXPECT_NE(r.out.find("Caf\xC3\xA9 \"menu\""), std::string::npos);
    EXPECT_NE(r.out.find("(no message file)"), std::string::npos);
    // A stored escape sequence must not reach the terminal.
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos);
    EXPECT_NE(r.out.find("?[31mred?[0m"), std::string::npos);

    // A long first line is cut in the table and whole in JSON.
    EXPECT_NE(r.out.find(std::string(57, 'x') + "...\n"), std::string::npos);
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LT(line.size(), 160u) << line;
    const ToolRun json = pinoractl(with({"info", "--json"}));
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(parseJson(json.out)["notices"][3]["firstLine"].str, std::string(500, 'x'));
}

TEST_F(PinoractlTest, DamagedDatesAndTimesShowAsNothingInTextAndJson) {
    db.config.noticeSets[0].deadline = 1e300;
    db.config.noticeSets[0].deadlineEnabled = true;
    db.config.noticeSets[2].deadline = NAN;
    ASSERT_TRUE(db.saveConfig());
    db.notice(3).startDate = -1e300;
    db.notice(3).endDate = INFINITY;
    db.notice(9).startDate = 3e6; // the year 10113
    ASSERT_TRUE(db.saveNotices());

    const ToolRun text = pinoractl(with({"info"}));
    ASSERT_EQ(text.status, 0) << text.err;
    std::istringstream lines(text.out);
    int rows = 0;
    bool inNotices = false;
    for (std::string line; std::getline(lines, line);) {
        inNotices = inNotices || line.rfind("Notices in use", 0) == 0;
        if (!inNotices && (line.find("Students") != std::string::npos ||
                           line.find("Staff") != std::string::npos)) {
            ++rows;
            EXPECT_EQ(line.find(':'), std::string::npos) << line;
        }
        if (inNotices && line.rfind("  3 ", 0) == 0) {
            ++rows;
            EXPECT_EQ(line.find("-"), std::string::npos) << line; // no date at all
        }
        if (inNotices && line.rfind("  9 ", 0) == 0) {
            ++rows;
            EXPECT_EQ(std::count(line.begin(), line.end(), '-'), 2) << line; // the end only
            EXPECT_NE(line.find("2026-12-08 00:00:00"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(rows, 4) << text.out;

    const ToolRun json = pinoractl(with({"info", "--json"}));
    ASSERT_EQ(json.status, 0) << json.err;
    const Json j = parseJson(json.out);
    EXPECT_EQ(j["config"]["noticeSets"][0]["deadline"].kind, Json::Null);
    EXPECT_EQ(j["config"]["noticeSets"][2]["deadline"].kind, Json::Null);
    EXPECT_EQ(j["config"]["noticeSets"][1]["deadline"].str, "19:00:00");
    EXPECT_EQ(j["notices"][0]["start"].kind, Json::Null);
    EXPECT_EQ(j["notices"][0]["end"].kind, Json::Null);
    EXPECT_EQ(j["notices"][2]["start"].kind, Json::Null);
    EXPECT_EQ(j["notices"][2]["end"].str, "2026-12-08 00:00:00");
}

TEST_F(PinoractlTest, LocksAreShownAndCleared) {
    ToolRun r = pinoractl(with({"locks"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "N (NOTICE.DB): free\nU (USER.DB): free\n");

    writeBytes(dir / "DB-N.LCK", "TRUE\r\nANN\r\nCreating Notice\r\n");
    writeBytes(dir / "DB-U.LCK", "false\r\nBOB\r\nUpdate User\r\n");
    r = pinoractl(with({"locks"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "N (NOTICE.DB): held by ANN for Creating Notice\nU (USER.DB): free\n");

    r = pinoractl(with({"locks", "--clear"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Cleared N (NOTICE.DB): held by ANN"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir / "DB-N.LCK"));
    EXPECT_FALSE(fs::exists(dir / "DB-U.LCK"));

    r = pinoractl(with({"locks", "--clear"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "No locks were held\n");

    // A lock file that names nobody is held by a station nobody knows.
    writeBytes(dir / "DB-N.LCK", "TRUE\r\n");
    writeBytes(dir / "DB-U.LCK", "");
    r = pinoractl(with({"locks"}));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "N (NOTICE.DB): held by an unknown station\n"
                     "U (USER.DB): held by an unknown station\n");
}

TEST_F(PinoractlTest, BrokenFilesAndPipesGiveOneLineThatSaysWhatWasFound) {
    const std::string notices = readBytes(dir / "NOTICE.DB");
    writeBytes(dir / "NOTICE.DB", notices.substr(0, 1000));
    ToolRun r = pinoractl(with({"info"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pinoractl: " + brokenFileMessage("NOTICE.DB",
                                                       "it holds 1000 bytes, 1040016 expected") +
                         "\n");
    writeBytes(dir / "NOTICE.DB", notices);

    // An empty file is no file of Pinora 2.0 to upgrade: it is broken.
    writeBytes(dir / "USER.DB", "");
    r = pinoractl(with({"info", "--json"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pinoractl: " + brokenFileMessage("USER.DB", "it is empty") + "\n");
    EXPECT_EQ(r.out, "");

    // Pipes hang neither info nor locks.
    fs::remove(dir / "USER.DB");
    ASSERT_EQ(::mkfifo((dir / "USER.DB").c_str(), 0666), 0);
    ASSERT_EQ(::mkfifo((dir / "DB-U.LCK").c_str(), 0666), 0);
    r = pinoractl(with({"info"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "pinoractl: " + brokenFileMessage("USER.DB", "it is not a regular file") + "\n");
    r = pinoractl(with({"locks"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("DB-U.LCK"), std::string::npos) << r.err;
}

TEST_F(PinoractlTest, PageIsTheGeneratorsPage) {
    writeBytes(dir / "logo.gif", "GIF89a-logo");
    fs::create_directory(dir / "site");
    const std::string out = (dir / "site/staff.htm").string();
    const ToolRun r =
        pinoractl(with({"page", "--set", "STAFF", "--day", "2026-12-08", "--out", out}));
    ASSERT_EQ(r.status, 0) << r.err;

    std::string error;
    ASSERT_TRUE(writeNoticePage(db, 3, "TEMP/~9.HTM", monday() + 1, &error)) << error;
    const std::string expected = readBytes(dir / "TEMP/~9.HTM");
    EXPECT_EQ(readBytes(out), expected);
    EXPECT_NE(expected.find("Tuesday, 8 December 2026"), std::string::npos);
    EXPECT_NE(expected.find("\r\nCaf\xE9 \"menu\""), std::string::npos); // Windows-1252 bytes
    EXPECT_EQ(readBytes(dir / "site/logo.gif"), "GIF89a-logo");
    // Nothing is left beside the page but the logo.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "site"), fs::directory_iterator()), 2);

    // A logo too large to be one fails with its name; the page and logo written before stay.
    writeBytes(dir / "logo.gif", std::string(kMaxLogoBytes + 1, 'g'));
    const ToolRun big =
        pinoractl(with({"page", "--set", "STAFF", "--day", "2026-12-08", "--out", out}));
    EXPECT_EQ(big.status, 1);
    EXPECT_EQ(big.err.rfind("pinoractl: Cannot open file " + dir.str() + "/logo.gif. ", 0), 0u)
        << big.err;
    EXPECT_TRUE(readBytes(out) == expected);
    EXPECT_TRUE(readBytes(dir / "site/logo.gif") == "GIF89a-logo");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "site"), fs::directory_iterator()), 2);
}

TEST_F(PinoractlTest, DayWordsFollowTheClock) {
    const TDateTime now = SystemClock().now();
    const std::string out = (dir / "p.htm").string();
    for (const auto& [word, day] : {std::pair{"today", now}, std::pair{"tomorrow", now + 1},
                                    std::pair{"next-weekday", nextWeekday(now)}}) {
        const ToolRun r = pinoractl(with({"page", "--set=students", "--day", word, "--out", out}));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(readBytes(out).find("<TITLE>Students " + englishDateText(day) + "</TITLE>"),
                  std::string::npos)
            << word;
    }
}

TEST_F(PinoractlTest, BadCommandLinesFailWithAMessage) {
    const std::string out = (dir / "p.htm").string();
    const std::vector<std::vector<std::string>> usage{
        {},
        {"frobnicate"},
        {"info", "--xml"},
        {"locks", "--clear=yes"},
        {"page", "--set", "Students", "--day", "today"},
        {"page", "--set", "Students", "--out", out},
        {"page", "--set", "Students", "--day", "2026-13-01", "--out", out},
        {"page", "--set", "Students", "--day", "2026-02-29", "--out", out},
        {"page", "--set", "Students", "--set", "Staff", "--day", "today", "--out", out},
        {"page", "--set"},
        {"publish", "--set", "Students"},
    };
    for (const auto& args : usage) {
        const ToolRun r = pinoractl(with(args));
        EXPECT_EQ(r.status, 2) << testing::PrintToString(args);
        EXPECT_NE(r.err.find("pinoractl: "), std::string::npos) << testing::PrintToString(args);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(out));

    ToolRun r = pinoractl(with({"page", "--set", "Nobody", "--day", "today", "--out", out}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no notice set named 'Nobody'; the sets are: Students, Staff"),
              std::string::npos)
        << r.err;
    r = pinoractl(with({"page", "--set", "", "--day", "today", "--out", out})); // unused sets
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(out));

    r = pinoractl(with({"page", "--set", "Students", "--day", "today", "--out",
                        (dir / "missing/p.htm").string()}));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot create file"), std::string::npos) << r.err;

    r = pinoractl({"--folder", (dir / "nowhere").string(), "info"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("pinoractl: The database folder " + (dir / "nowhere").string() +
                         "/ (from --folder on the command line) cannot be used: it does not "
                         "exist. The database folder is looked up in this order"),
              std::string::npos)
        << r.err;

    TempFolder empty;
    r = pinoractl({"--folder", empty.str(), "info", "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("holds no CONFIG.DB"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = pinoractl(with({"publish", "--set", "Students", "--day", "today"}));
    EXPECT_EQ(r.status, 1); // no web server configured
    EXPECT_NE(r.err.find("pinoractl: "), std::string::npos);

    r = pinoractl({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("Usage: pinoractl [--folder DIR] COMMAND"), std::string::npos);
}

TEST_F(PinoractlTest, ToolNeverChangesTheDatabase) {
    const std::string config = readBytes(dir / "CONFIG.DB"), notices = readBytes(dir / "NOTICE.DB"),
                      users = readBytes(dir / "USER.DB");
    pinoractl(with({"info"}));
    pinoractl(with({"info", "--json"}));
    pinoractl(with({"locks"}));
    pinoractl(with(
        {"page", "--set", "Students", "--day", "today", "--out", (dir / "TEMP/x.htm").string()}));
    pinoractl(with({"publish", "--set", "Students", "--day", "today"}));
    EXPECT_EQ(readBytes(dir / "CONFIG.DB"), config);
    EXPECT_EQ(readBytes(dir / "NOTICE.DB"), notices);
    EXPECT_EQ(readBytes(dir / "USER.DB"), users);
}

TEST_F(PinoractlTest, CheckReportsWithoutChangingAndRepairsOnlyWhenAsked) {
    // A notice whose author is gone and a user record without a full name.
    addNotice(20, "GONE", {1}, "orphan");
    ASSERT_EQ(db.loadUsers(), Result::Ok);
    const int ann = db.findFreeUser();
    db.setUserCredentials(ann, "ANN", "pw");
    db.user(ann).fullName = "";
    ASSERT_TRUE(db.saveUsers());
    writeBytes(dir / "TEMP" / "~5.HTM", "page");
    const auto snapshot = [&] {
        std::map<std::string, std::string> files;
        for (const auto& e : fs::recursive_directory_iterator(dir.path()))
            if (e.is_regular_file()) files[e.path().string()] = readBytes(e.path());
        return files;
    };
    const auto before = snapshot();

    // --keep-old: the notices' dates are fixed, the tool's clock is not.
    const ToolRun dry = pinoractl(with({"check", "--keep-old"}));
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(snapshot(), before) << "a check without --repair changes no byte";
    EXPECT_EQ(dry.out.rfind("Check started: ", 0), 0u) << dry.out;
    EXPECT_NE(dry.out.find("Record " + std::to_string(ann) +
                           " ANN : Full Name missing. Record is corrupt. Deleted\n"),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find("Record 20 GONE : not in Notices. Notice will be delete\n"),
              std::string::npos);
    // ANN's record goes first, so her notice is widowed too.
    EXPECT_NE(dry.out.find("Record 8 ANN : not in Notices. Notice will be delete\n"),
              std::string::npos);
    EXPECT_NE(dry.out.find("Nothing was changed; a repair would leave: users freed 1, post "
                           "counts reset 0, notices freed 4"),
              std::string::npos)
        << dry.out;

    // Held elsewhere: refused with the holder, and no lock of the tool's own stays.
    writeBytes(dir / "DB-N.LCK", "TRUE\r\nBOB\r\nCreating Notice\r\n");
    ToolRun refused = pinoractl(with({"check", "--repair"}));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Cannot start a data integrity check while someone is using the "
                               "notice system (NOTICE.DB is held by BOB for Creating Notice)"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(dir / "DB-U.LCK"));
    fs::remove(dir / "DB-N.LCK");
    EXPECT_EQ(snapshot(), before);

    const ToolRun repair =
        pinoractl(with({"check", "--repair", "--keep-old", "--widowed", "admin"}));
    ASSERT_EQ(repair.status, 0) << repair.err;
    EXPECT_NE(repair.out.find("Record 20 GONE : not in Notices. Notice will be assigned to ADMIN"),
              std::string::npos);
    EXPECT_NE(repair.out.find("Record 8 ADMIN : has no notice entry. Index Freed.\n"),
              std::string::npos);
    EXPECT_NE(repair.out.find("Check Completed: "), std::string::npos);
    EXPECT_NE(repair.out.find("users freed 1, post counts reset 0, notices freed 1, notices given "
                              "to ADMIN 4"),
              std::string::npos)
        << repair.out;
    Database after{dir.str(), fsv.services()};
    ASSERT_EQ(after.loadUsers(), Result::Ok);
    ASSERT_EQ(after.loadNotices(), Result::Ok);
    EXPECT_TRUE(after.userSlotFree(ann));
    EXPECT_EQ(after.noticeOwner(20), "ADMIN");
    EXPECT_FALSE(after.noticeInUse(8));
    EXPECT_FALSE(fs::exists(dir / "TEMP" / "~5.HTM"));
    EXPECT_FALSE(fs::exists(dir / "DB-N.LCK"));
    EXPECT_FALSE(fs::exists(dir / "DB-U.LCK"));

    EXPECT_EQ(pinoractl(with({"check", "--widowed", "keep"})).status, 2);
}
