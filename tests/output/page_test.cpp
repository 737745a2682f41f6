#include "db/datetime.h"
#include "db/fileio.h"
#include "output/ftp.h"
#include "output/mail.h"
#include "output/page.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/tempfolder.h"

#include <cmath>

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

using namespace pinora;
using namespace pinora::test;
namespace fs = std::filesystem;

namespace {

TDateTime monday() {
    return encodeDate(2026, 12, 7);
}

// A fresh database with helpers to place notices, and the page read back.
class PageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        writeFreshDatabase(dir.str());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        ASSERT_EQ(db.loadNotices(), Result::Ok);
    }

    void addNotice(int n, const std::string& text, TDateTime start, TDateTime end,
                   std::initializer_list<int> sets = {1}, const std::string& owner = "ANN",
                   const std::string& signature = "Ann Smith") {
        NoticeRecord& r = db.notice(n);
        r.owner = db.scramble(owner);
        r.startDate = start;
        r.endDate = end;
        r.signature = signature;
        for (Flag& f : r.inSet)
            f = false;
        for (int k : sets)
            r.inSet[k - 1] = true;
        ASSERT_TRUE(db.saveNotices());
        ASSERT_TRUE(db.writeMessageFile(n, text));
    }

    void saveFormat(bool returns, bool numbers, bool cr, int style) {
        db.config.allowUserReturns = returns;
        db.config.numberEachNotice = numbers;
        db.config.crAfterNotice = cr;
        db.config.signatureStyle = style;
        ASSERT_TRUE(db.saveConfig());
    }

    std::string page(int set = 1, TDateTime day = monday()) {
        std::string error;
        EXPECT_TRUE(writeNoticePage(db, set, "TEMP/~1.HTM", day, &error)) << error;
        return readBytes(dir / "TEMP/~1.HTM");
    }

    // The lines between the list's opening line and its closing line.
    std::string notices(int set = 1, TDateTime day = monday()) {
        const std::string p = page(set, day);
        const std::string open = "<ol>\r\n";
        const auto a = p.find(open);
        const auto b = p.find("</OL></FONT>\r\n");
        if (a == std::string::npos || b == std::string::npos) return "<no list>";
        return p.substr(a + open.size(), b - a - open.size());
    }

    TempFolder dir;
    FakeServices fsv;
    Database db{dir.str(), fsv.services()};
};

} // namespace

TEST_F(PageTest, WholePageInTheDefaultFormat) {
    addNotice(4, "Choir meets at noon.\nBring your music.", monday(), monday());
    const std::string expected =
        "<HTML>\r\n"
        "<HEAD>\r\n"
        "<TITLE>Students Monday, 7 December 2026</TITLE>\r\n"
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">\r\n"
        "</HEAD>\r\n"
        "\r\n"
        "<BODY>\r\n"
        "<TABLE width=\"100%\" height=\"100%\" border=\"2\" cellpadding=\"5\" cellspacing=\"2\" "
        "bordercolor=\"#000000\">\r\n"
        "<TR>\r\n"
        "<TD align=\"center\" height=\"1%\" bgcolor=\"#000000\"><em><font size=\"4\" "
        "FACE=\"Times New Roman\" color=\"#FFFFFF\">Hillside School<BR>\r\n"
        "</FONT></EM><FONT FACE=\"Times New Roman\" color=\"#FFFFFF\" size=\"7\">Students<BR>\r\n"
        "</FONT><FONT size=\"4\" FACE=\"Times New Roman\" color=\"#FFFFFF\"><EM>Monday, 7 "
        "December 2026</EM></FONT></TD>\r\n"
        "</TR>\r\n"
        "<TR>\r\n"
        "<TD colspan=\"2\"  align=\"left\" valign=\"top\"><FONT FACE=\"Times New Roman\" "
        "color=\"#000000\" size=\"4\"><ol>\r\n"
        "<LI>\r\n"
        "Choir meets at noon.\r\n"
        "<BR>\r\n"
        "Bring your music.\r\n"
        "<BR>\r\n"
        "<BR>Ann Smith<P>\r\n"
        "</LI>\r\n"
        "</OL></FONT>\r\n"
        "</TD>\r\n"
        "</TR>\r\n"
        "</TABLE>\r\n"
        "<H7><I>Copyright (c) 2026 - Pinora 2. Notices published with Pinora 2</I></H7>\r\n"
        "</BODY>\r\n"
        "</HTML>\r\n";
    EXPECT_EQ(page(), expected);
}

TEST_F(PageTest, FormatFieldsAndWindows1252BytesGoThroughUnchanged) {
    db.config.fontName = "Arial";
    db.config.pointSize = 3;
    db.config.borderSize = 10;
    db.config.headerPointSize = 6;
    db.config.subtitlePointSize = 5;
    db.config.schoolName = "St. Ren\xE9's \x80 School"; // e-acute and the euro sign
    db.config.noticeSets[0].name = "Caf\xE9";
    ASSERT_TRUE(db.saveConfig());
    addNotice(1,
              "Cr\xE8me br\xFBl\xE9"
              "e <B>today</B>",
              monday(), monday(), {1}, "ANN", "Ms \xC5sa");
    const std::string p = page();
    EXPECT_NE(p.find("<TITLE>Caf\xE9 Monday, 7 December 2026</TITLE>\r\n"), std::string::npos);
    EXPECT_NE(p.find("border=\"10\" cellpadding"), std::string::npos);
    EXPECT_NE(p.find("<em><font size=\"5\" FACE=\"Arial\" color=\"#FFFFFF\">St. Ren\xE9's \x80 "
                     "School<BR>\r\n"),
              std::string::npos);
    EXPECT_NE(p.find("color=\"#FFFFFF\" size=\"6\">Caf\xE9<BR>\r\n"), std::string::npos);
    EXPECT_NE(p.find("<FONT size=\"5\" FACE=\"Arial\" color=\"#FFFFFF\"><EM>"), std::string::npos);
    EXPECT_NE(p.find("color=\"#000000\" size=\"3\"><ol>\r\n"), std::string::npos);
    EXPECT_NE(p.find("\r\nCr\xE8me br\xFBl\xE9"
                     "e <B>today</B>\r\n"),
              std::string::npos);
    EXPECT_NE(p.find("<BR>Ms \xC5sa<P>\r\n"), std::string::npos);
    EXPECT_NE(p.find("charset=iso-8859-1"), std::string::npos);
    // Every line ends with CR LF: no bare LF anywhere.
    for (std::size_t i = 0; i < p.size(); ++i)
        if (p[i] == '\n') {
            ASSERT_TRUE(i > 0 && p[i - 1] == '\r') << "bare LF at " << i;
        }
}

TEST_F(PageTest, NoticeLinesFollowTheFormatOptions) {
    addNotice(1, "One\nTwo", monday(), monday());

    saveFormat(false, false, false, 2); // everything off: the text and one empty line
    EXPECT_EQ(notices(), "One\r\nTwo\r\n\r\n");

    saveFormat(true, true, true, 1);
    EXPECT_EQ(notices(), "<LI>\r\nOne\r\n<BR>\r\nTwo\r\n<BR>\r\n(Ann Smith)<P>\r\n</LI>\r\n");

    saveFormat(false, true, false, 0);
    EXPECT_EQ(notices(), "<LI>\r\nOne\r\nTwo\r\n<BR>Ann Smith\r\n</LI>\r\n");

    saveFormat(false, false, true, 2);
    EXPECT_EQ(notices(), "One\r\nTwo\r\n<P>\r\n");

    saveFormat(false, false, true, 7); // an unknown style writes no signature line at all
    EXPECT_EQ(notices(), "One\r\nTwo\r\n");
}

TEST_F(PageTest, MessageLinesAreCarriedAsTheyStand) {
    saveFormat(false, false, false, 7);
    // Blank lines stay; a final line end adds nothing; LF-only files split the same way.
    addNotice(1, "A\n\nB\n", monday(), monday());
    writeBytes(dir / "MSG/2.MSG", "C\nD");
    addNotice(3, "", monday(), monday()); // an empty text file writes no lines
    writeBytes(dir / "MSG/3.MSG", "");
    NoticeRecord& r2 = db.notice(2);
    r2 = db.notice(1);
    ASSERT_TRUE(db.saveNotices());
    EXPECT_EQ(notices(), "A\r\n\r\nB\r\nC\r\nD\r\n");
}

// Notices reach the page, and the mail made from it, as markup, never as script: what the
// editor writes stays byte for byte, and what one notice leaves open never joins the next.
TEST_F(PageTest, NoticeTextIsMarkupNeverScript) {
    saveFormat(true, true, true, 0);
    const std::string picture = "<IMG SRC=\"" + dir.str() + "/MSG/bus.jpg\">";
    addNotice(1, "<b>Trip</b> on <i>Friday</i>\n" + picture + "\n<script>alert(1)</script>",
              monday(), monday());
    addNotice(2,
              "<img src=x onerror=alert(1)> <a href=\"JavaScript:alert(2)\">link</a>\n"
              "<IFRAME src=http://x></IFRAME><style>b{}</style>\n<ScRiPt\n>alert(3)</sCrIpT>",
              monday(), monday());
    EXPECT_EQ(notices(),
              "<LI>\r\n<b>Trip</b> on <i>Friday</i>\r\n<BR>\r\n" + picture +
                  "\r\n<BR>\r\n\r\n<BR>\r\n<BR>Ann Smith<P>\r\n</LI>\r\n"
                  "<LI>\r\n<img src=\"x\"> <a>link</a>\r\n<BR>\r\n\r\n<BR>\r\n\r\n<BR>\r\n<BR>Ann "
                  "Smith<P>\r\n</LI>\r\n");

    std::string html, text, error;
    int count = 0;
    ASSERT_TRUE(makeNoticePage(db, 1, monday(), html, &error)) << error;
    EXPECT_EQ(html, page());
    ASSERT_TRUE(noticeMailText(db, 1, monday(), text, count, &error)) << error;
    EXPECT_EQ(text, "1. Trip on Friday\r\n[picture]\r\n\r\nAnn Smith\r\n\r\n"
                    "2. [picture] link\r\n\r\n\r\nAnn Smith\r\n");

    // With nothing between notices, a tag left open by one would take the next one's text
    // as its attributes.
    saveFormat(false, false, false, 2);
    addNotice(3, "<b onclick=alert(4)>unquoted</b>\n<img src=y ", monday(), monday(), {2});
    addNotice(4, "onerror=alert(5)>after", monday(), monday(), {2});
    EXPECT_EQ(notices(2), "<b>unquoted</b>\r\n\r\nonerror=alert(5)>after\r\n\r\n");
}

TEST_F(PageTest, LogoIsCopiedBesideThePageWhenItExists) {
    addNotice(1, "x", monday(), monday());
    std::string p = page();
    EXPECT_EQ(p.find("logo.gif"), std::string::npos);
    EXPECT_NE(p.find("<TR>\r\n<TD align=\"center\""), std::string::npos); // one header cell
    EXPECT_NE(p.find("<TD colspan=\"2\"  align"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "TEMP/logo.gif"));

    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00", 19);
    writeBytes(dir / "logo.gif", gif);
    writeBytes(dir / "TEMP/logo.gif", "an older logo");
    p = page();
    EXPECT_NE(p.find("<TR>\r\n<td height=\"1%\" width=\"1%\" bgcolor=\"#000000\"><img "
                     "src=\"logo.gif\"></td>\r\n<TD align=\"center\""),
              std::string::npos);
    EXPECT_EQ(readBytes(dir / "TEMP/logo.gif"), gif);
    EXPECT_EQ(readBytes(dir / "logo.gif"), gif);

    // A page written into the database folder itself leaves the logo as it is.
    std::string error;
    ASSERT_TRUE(writeNoticePage(db, 1, "page.htm", monday(), &error)) << error;
    EXPECT_EQ(readBytes(dir / "logo.gif"), gif);
}

TEST_F(PageTest, LogoThatCannotBeCopiedLeavesNoPage) {
    addNotice(1, "x", monday(), monday());
    writeBytes(dir / "logo.gif", "GIF89a");
    fs::create_directory(dir / "TEMP/logo.gif"); // the copy cannot take this name
    std::string error;
    EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
    EXPECT_EQ(error.rfind("Cannot create file " + dir.str() + "/TEMP/logo.gif", 0), 0u) << error;
    EXPECT_FALSE(fs::exists(dir / "TEMP/~1.HTM"));
    for (const auto& e : fs::directory_iterator(dir / "TEMP"))
        EXPECT_EQ(e.path().filename(), "logo.gif") << "left behind: " << e.path();

    if (::geteuid() != 0) { // root reads any file
        fs::remove(dir / "TEMP/logo.gif");
        fs::permissions(dir / "logo.gif", fs::perms::none);
        EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
        EXPECT_EQ(error.rfind("Cannot open file " + dir.str() + "/logo.gif", 0), 0u) << error;
        EXPECT_FALSE(fs::exists(dir / "TEMP/~1.HTM"));
    }
}

TEST_F(PageTest, HugeFilesAreRefusedByNameAndTheOlderPageStays) {
    addNotice(1, "first", monday(), monday());
    addNotice(2, "second", monday(), monday());
    writeBytes(dir / "TEMP/~1.HTM", "an older page");
    writeBytes(dir / "TEMP/logo.gif", "an older logo");
    auto expectOnlyTheOlderFiles = [&] {
        // Compared as truth values: a page of megabytes would fill the log.
        EXPECT_TRUE(readBytes(dir / "TEMP/~1.HTM") == "an older page");
        EXPECT_TRUE(readBytes(dir / "TEMP/logo.gif") == "an older logo");
        int files = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir / "TEMP"))
            ++files;
        EXPECT_EQ(files, 2) << "a temporary file was left in TEMP";
    };
    auto expectRefusal = [&](const std::string& file) {
        std::string error;
        EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
        EXPECT_NE(error.find(dir.str() + "/" + file), std::string::npos) << error;
        EXPECT_NE(error.find(" bytes"), std::string::npos) << error; // says what the limit is
        expectOnlyTheOlderFiles();
    };

    // One message file too long to be a notice.
    writeBytes(dir / "MSG/2.MSG", std::string(Database::kMaxMessageFileSize + 1, 'm'));
    expectRefusal("MSG/2.MSG");

    // Files each within the limit that together would make a page beyond any use.
    writeBytes(dir / "MSG/1.MSG", std::string(kMaxPageBytes / 2, 'a'));
    writeBytes(dir / "MSG/2.MSG", std::string(kMaxPageBytes / 2, 'b'));
    expectRefusal("MSG/2.MSG");
    ASSERT_TRUE(db.writeMessageFile(1, "first"));
    ASSERT_TRUE(db.writeMessageFile(2, "second"));

    // A logo far larger than a picture on a page.
    writeBytes(dir / "logo.gif", std::string(kMaxLogoBytes + 1, 'g'));
    expectRefusal("logo.gif");
    writeBytes(dir / "logo.gif", "GIF89a");
    EXPECT_NE(page().find("<LI>\r\nfirst"), std::string::npos);
}

TEST_F(PageTest, SelectionBySetAndOrder) {
    saveFormat(false, false, false, 7);
    addNotice(7, "seven", monday(), monday(), {1});
    addNotice(3, "three", monday(), monday(), {1, 3});
    addNotice(5, "five", monday(), monday(), {2});
    EXPECT_EQ(notices(1), "three\r\nseven\r\n");
    EXPECT_EQ(notices(2), "five\r\n");
    EXPECT_EQ(notices(3), "three\r\n");
    EXPECT_EQ(notices(8), "");
}

TEST_F(PageTest, SelectionByWholeDaysBothEndsInclusive) {
    saveFormat(false, false, false, 7);
    const TDateTime tue = monday() + 1, wed = monday() + 2;
    // Runs Monday 15:00 to Wednesday 08:00: listed on all three days whatever the hour asked.
    addNotice(1, "runs", monday() + encodeTime(15, 0, 0), wed + encodeTime(8, 0, 0));
    addNotice(2, "ended", monday() - 3, monday() - 1 + encodeTime(23, 59, 59));
    addNotice(3, "later", wed + 1, wed + 5);
    addNotice(4, "reversed", wed, monday()); // end before start: never listed
    for (TDateTime day :
         {monday(), monday() + encodeTime(9, 0, 0), tue, wed + encodeTime(23, 0, 0)})
        EXPECT_EQ(notices(1, day), "runs\r\n") << day;
    EXPECT_EQ(notices(1, monday() - 1), "ended\r\n");
    EXPECT_EQ(notices(1, wed + 1), "later\r\n");
}

TEST_F(PageTest, FreeSlotsAndMissingMessageFilesAreLeftOut) {
    saveFormat(false, false, false, 7);
    addNotice(1, "freed", monday(), monday());
    db.markNoticeFree(1); // its file stays behind
    addNotice(2, "no file", monday(), monday());
    fs::remove(dir / "MSG/2.MSG");
    addNotice(3, "no owner", monday(), monday(), {1}, ""); // an empty owner is a slot in use
    addNotice(4, "lower-case marker", monday(), monday(), {1}, "[none]");
    EXPECT_EQ(notices(), "no owner\r\nlower-case marker\r\n");
}

TEST_F(PageTest, DamagedDatesAreNeverListed) {
    saveFormat(false, false, false, 7);
    addNotice(1, "nan", NAN, monday() + 1);
    addNotice(2, "huge", -1e300, 1e300);
    addNotice(3, "inf", -INFINITY, INFINITY);
    EXPECT_EQ(notices(), "huge\r\ninf\r\n");
}

TEST_F(PageTest, EnglishDateTextInTitleAndHeader) {
    const std::string p = page(1, encodeDate(2028, 2, 29) + 0.75);
    EXPECT_NE(p.find("<TITLE>Students Tuesday, 29 February 2028</TITLE>"), std::string::npos);
    EXPECT_NE(p.find("<EM>Tuesday, 29 February 2028</EM>"), std::string::npos);
    EXPECT_EQ(englishDateText(encodeDate(2027, 1, 3)), "Sunday, 3 January 2027");
    EXPECT_EQ(englishDateText(encodeDate(2026, 10, 31)), "Saturday, 31 October 2026");
}

TEST_F(PageTest, PageReflectsTheFilesNotTheMemory) {
    addNotice(1, "old", monday(), monday());
    FakeServices other;
    Database elsewhere(dir.str(), other.services());
    ASSERT_EQ(elsewhere.loadConfig(), Result::Ok);
    ASSERT_EQ(elsewhere.loadNotices(), Result::Ok);
    elsewhere.config.noticeSets[1].name = "Staff";
    elsewhere.notice(1).inSet[1] = true;
    ASSERT_TRUE(elsewhere.saveConfig());
    ASSERT_TRUE(elsewhere.saveNotices());
    const std::string p = page(2);
    EXPECT_NE(p.find("<TITLE>Staff Monday"), std::string::npos);
    EXPECT_NE(p.find("\r\nold\r\n"), std::string::npos);
}

TEST_F(PageTest, FailuresAreReportedAndLeaveNoHalfPage) {
    std::string error;
    EXPECT_FALSE(writeNoticePage(db, 0, "TEMP/~1.HTM", monday(), &error));
    EXPECT_FALSE(writeNoticePage(db, 9, "TEMP/~1.HTM", monday(), &error));

    writeBytes(dir / "TEMP/~1.HTM", "an older page");
    fs::remove_all(dir / "TEMP");
    EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
    EXPECT_EQ(error.rfind("Cannot create file " + dir.str() + "/TEMP/~1.HTM", 0), 0u) << error;

    // A page of that name is replaced whole.
    fs::create_directory(dir / "TEMP");
    writeBytes(dir / "TEMP/~1.HTM", std::string(100000, 'x'));
    const std::string p = page();
    EXPECT_EQ(p.rfind("<HTML>\r\n", 0), 0u);
    EXPECT_EQ(p.find('x' + std::string(20, 'x')), std::string::npos);

    // A damaged NOTICE.DB stops the page instead of showing a stale table.
    writeBytes(dir / "NOTICE.DB", "short");
    EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~2.HTM", monday(), &error));
    EXPECT_FALSE(fs::exists(dir / "TEMP/~2.HTM"));
}

TEST_F(PageTest, LinkedLogoMessageFileOrTempAreRefusedByNameAndNothingPrivateIsPublished) {
    TempFolder home;
    writeBytes(home / ".netrc", "machine ftp login office password hunter2\n");
    addNotice(1, "x", monday(), monday());

    fs::create_symlink(home / ".netrc", dir / "logo.gif");
    std::string error;
    EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
    EXPECT_EQ(error.rfind("Cannot open file " + dir.str() + "/logo.gif. " + kLinkRefused, 0), 0u)
        << error;
    EXPECT_FALSE(fs::exists(dir / "TEMP/logo.gif"));
    FtpSettings s;
    s.host = "127.0.0.1";
    s.port = 1; // never reached: the files are opened first
    const UploadResult up =
        uploadNoticePage(s, (dir / "TEMP/~1.HTM").string(), "x.htm", db.path("logo.gif"));
    EXPECT_FALSE(up.ok);
    fs::remove(dir / "logo.gif");

    fs::remove(dir / "MSG/1.MSG");
    fs::create_symlink(home / ".netrc", dir / "MSG/1.MSG");
    EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
    EXPECT_NE(error.find("1.MSG. " + std::string(kLinkRefused)), std::string::npos) << error;
    fs::remove(dir / "MSG/1.MSG");
    ASSERT_TRUE(db.writeMessageFile(1, "x"));

    // A page is never written through a linked TEMP into another folder.
    fs::remove_all(dir / "TEMP");
    fs::create_symlink(home.path(), dir / "TEMP");
    EXPECT_FALSE(writeNoticePage(db, 1, "TEMP/~1.HTM", monday(), &error));
    EXPECT_FALSE(fs::exists(home / "~1.HTM"));
    EXPECT_EQ(readBytes(home / ".netrc"), "machine ftp login office password hunter2\n");
}

TEST_F(PageTest, NamesSignaturesAndTheFontAreTextOnThePageNeverMarkup) {
    db.config.schoolName = "Hill <script>alert(1)</script>";
    db.config.schoolCopyright = "(c) A & B";
    db.config.noticeSets[0].name = "<b>Set</b>";
    db.config.fontName = "Arial\"><script>x()</script>";
    db.config.signatureStyle = 1;
    ASSERT_TRUE(db.saveConfig());
    addNotice(1, "x", monday(), monday(), {1}, "ANN", "<img src=x onerror=alert(1)>");
    const std::string p = page();
    EXPECT_EQ(p.find("<script"), std::string::npos) << p;
    EXPECT_EQ(p.find("<img src=x"), std::string::npos) << p;
    EXPECT_EQ(p.find("<b>Set"), std::string::npos) << p;
    EXPECT_NE(p.find("Hill &lt;script&gt;alert(1)&lt;/script&gt;<BR>"), std::string::npos) << p;
    EXPECT_NE(p.find("(c) A &amp; B - Pinora 2."), std::string::npos) << p;
    EXPECT_NE(p.find("<TITLE>&lt;b&gt;Set&lt;/b&gt; "), std::string::npos) << p;
    EXPECT_NE(p.find("FACE=\"Arial&quot;&gt;&lt;script&gt;x()&lt;/script&gt;\""), std::string::npos)
        << p;
    EXPECT_NE(p.find("(&lt;img src=x onerror=alert(1)&gt;)"), std::string::npos) << p;
}
