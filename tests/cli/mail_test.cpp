// pinoractl mail against a real SMTP server on this machine; Python's email package reads
// back what arrived.
#include "json_check.h"
#include "tool.h"

#include "db/datetime.h"
#include "output/mail.h"
#include "output/page.h"
#include "support/fakes.h"
#include "support/smtpserver.h"
#include "support/tempfolder.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <gtest/gtest.h>
#include <map>

using namespace pinora;
using namespace pinora::test;
namespace fs = std::filesystem;

namespace {

const std::string kDay = "2026-12-08";

std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
        files[e.path().string()] = e.is_regular_file() ? readBytes(e.path()) : "(folder)";
    return files;
}

std::string replaced(std::string s, const std::string& from, const std::string& to) {
    const auto p = s.find(from);
    if (p != std::string::npos) s.replace(p, from.size(), to);
    return s;
}

class MailTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (server.port() == 0) GTEST_SKIP() << "the test SMTP server did not start";
        writeFreshDatabase(dir.str());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        ASSERT_EQ(db.loadNotices(), Result::Ok);
        db.config.noticeSets[0].name = "\xC9l\xE8ves"; // Élèves
        db.config.noticeSets[2].name = "Staff Notices";
        db.config.numberEachNotice = true;
        db.config.signatureStyle = 1;
        ASSERT_TRUE(db.saveConfig());
        addNotice(2, {3}, encodeDate(2026, 12, 8), "Ann", "Caf\xE9 at 8:15.\r\nBring cups.");
        addNotice(3, {2}, encodeDate(2026, 12, 8), "Cy", "Other set.");
        addNotice(4, {3}, encodeDate(2026, 12, 9), "Di", "Another day.");
        addNotice(5, {3}, encodeDate(2026, 12, 8), "Bob",
                  "Sum: 1 + 1 = 2 \n" + std::string(2000, 'y'));
        addNotice(6, {3}, encodeDate(2026, 12, 8), "Eve",
                  "<b>Bold</b> &amp; <I>more</I> < less<br>next <IMG SRC=\"x.gif\"><br>");
        std::string gif = "GIF89a";
        for (int b = 0; b < 256; ++b)
            gif += static_cast<char>(b);
        writeBytes(dir / "logo.gif", gif);
        writeBytes(home / "password", "pw\n");
        fs::permissions(home / "password", fs::perms::owner_read | fs::perms::owner_write);
        // No user: a password travels only over TLS, which the test server cannot offer with
        // a certificate the client trusts.
        writeBytes(dir / "MAIL.INI", "# the morning mail\r\n[mail]\r\nsmtp = smtp://127.0.0.1:" +
                                         std::to_string(server.port()) +
                                         "\r\nfrom=office@school.example\r\n");
    }

    void addNotice(int n, std::initializer_list<int> sets, TDateTime day, const char* sig,
                   const std::string& text) {
        NoticeRecord& r = db.notice(n);
        r.owner = db.scramble("ANN");
        r.startDate = r.endDate = day;
        for (int k : sets)
            r.inSet[k - 1] = true;
        r.signature = sig;
        ASSERT_TRUE(db.saveNotices());
        ASSERT_TRUE(db.writeMessageFile(n, text));
    }

    ToolRun mail(std::vector<std::string> extra, const std::string& set = "staff notices",
                 const std::string& day = kDay) {
        std::vector<std::string> args = {"--folder", dir.str(), "mail", "--set", set, "--day", day,
                                         "--to", "head@school.example, desk@school.example"};
        args.insert(args.end(), extra.begin(), extra.end());
        return pinoractl(args);
    }
    ToolRun mail() { return mail({}); }

    // The page the generator writes for that set and day, outside the database folder.
    std::string expectedPage(int set, TDateTime day) {
        std::string error;
        EXPECT_TRUE(writeNoticePageFile(db, set, (home / "expected.htm").string(), day, &error))
            << error;
        return readBytes(home / "expected.htm");
    }

    int delivered() {
        int n = 0;
        for (const auto& e : fs::directory_iterator(box.path()))
            n += e.path().extension() == ".eml";
        return n;
    }

    Json received(int n) { return parseJson(readBytes(box / (std::to_string(n) + ".json"))); }

    TempFolder dir, box, home;
    SmtpServer server{SmtpServerOptions{box.path()}};
    FakeServices fsv;
    Database db{dir.str(), fsv.services()};
};

} // namespace

TEST_F(MailTest, DeliveredMessageHoldsThePageTheTextAndTheLogo) {
    const auto before = snapshot(dir.path());
    const ToolRun r = mail();
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Mailed the Staff Notices page of Tuesday, 8 December 2026 to "
                     "head@school.example, desk@school.example\n");
    ASSERT_EQ(delivered(), 1);
    EXPECT_EQ(snapshot(dir.path()), before); // no page, logo or lock left in the folder

    const Json m = received(1);
    EXPECT_EQ(m["mail_from"].str, "office@school.example");
    ASSERT_EQ(m["rcpt_tos"].items.size(), 2u);
    EXPECT_EQ(m["rcpt_tos"][1].str, "desk@school.example");
    const Json& h = m["headers"];
    EXPECT_EQ(h["Subject"][0].str, "Staff Notices notices for Tuesday, 8 December 2026");
    EXPECT_EQ(h["From"][0].str, "office@school.example");
    EXPECT_EQ(h["To"][0].str, "head@school.example,\r\n desk@school.example");
    EXPECT_EQ(h["MIME-Version"][0].str, "1.0");
    EXPECT_NE(h["Message-ID"][0].str.find("@school.example>"), std::string::npos);
    EXPECT_NE(m["date_parsed"].str, "") << h["Date"][0].str;
    EXPECT_LE(m["longest_line"].num, 78); // a notice line of 2,000 characters included
    EXPECT_FALSE(m["bare_lf"].b);

    std::vector<std::string> structure;
    for (const Json& t : m["structure"].items)
        structure.push_back(t.str);
    EXPECT_EQ(structure, (std::vector<std::string>{"multipart/alternative", "text/plain",
                                                   "multipart/related", "text/html",
                                                   "image/gif"}));
    const Json& parts = m["parts"];
    ASSERT_EQ(parts.items.size(), 3u);
    EXPECT_EQ(parts[0]["charset"].str, "utf-8");
    EXPECT_EQ(parts[0]["encoding"].str, "quoted-printable");
    // The page's order and selection, each notice with its signature, in UTF-8.
    EXPECT_EQ(readBytes(parts[0]["file"].str),
              "1. Caf\xC3\xA9 at 8:15.\r\nBring cups.\r\n(Ann)\r\n\r\n2. Sum: 1 + 1 = 2 \r\n" +
                  std::string(2000, 'y') + "\r\n(Bob)\r\n\r\n3. Bold & more < less\r\nnext [picture]\r\n(Eve)\r\n");

    // The page byte for byte, once its logo points back at logo.gif.
    const std::string cid = parts[2]["content_id"].str;
    ASSERT_GT(cid.size(), 2u);
    EXPECT_EQ(parts[1]["charset"].str, "windows-1252");
    const std::string html = readBytes(parts[1]["file"].str);
    const std::string tag = R"(<img src="cid:)" + cid.substr(1, cid.size() - 2) + R"(">)";
    EXPECT_NE(html.find(tag), std::string::npos);
    EXPECT_EQ(replaced(html, tag, kPageLogoTag), expectedPage(3, encodeDate(2026, 12, 8)));
    EXPECT_EQ(readBytes(parts[2]["file"].str), readBytes(dir / "logo.gif"));
}

TEST_F(MailTest, ADayWithoutNoticesSendsNothingUnlessAsked) {
    ToolRun r = mail({}, "\xC3\x89l\xC3\xA8ves");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "No notices in \xC3\x89l\xC3\xA8ves for Tuesday, 8 December 2026: "
                     "nothing sent\n");
    EXPECT_EQ(delivered(), 0);

    fs::remove(dir / "logo.gif");
    r = mail({"--send-empty"}, "\xC3\x89l\xC3\xA8ves");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(delivered(), 1);
    const Json m = received(1);
    // A subject that is not ASCII travels encoded and arrives whole.
    EXPECT_EQ(m["headers"]["Subject"][0].str,
              "\xC3\x89l\xC3\xA8ves notices for Tuesday, 8 December 2026");
    EXPECT_NE(readBytes(box / "1.eml").find("Subject: =?UTF-8?B?"), std::string::npos);
    std::vector<std::string> structure;
    for (const Json& t : m["structure"].items)
        structure.push_back(t.str);
    EXPECT_EQ(structure,
              (std::vector<std::string>{"multipart/alternative", "text/plain", "text/html"}));
    EXPECT_EQ(readBytes(m["parts"][0]["file"].str), "No notices.\r\n");
    EXPECT_EQ(readBytes(m["parts"][1]["file"].str), expectedPage(1, encodeDate(2026, 12, 8)));
}

TEST_F(MailTest, FailuresExitOneWithTheClientsTextAndDeliverNothing) {
    // A password is never sent in clear: without STARTTLS the client stops before AUTH.
    TempFolder authBox;
    SmtpServer auth{SmtpServerOptions{authBox.path(), "staff", "pw"}};
    ASSERT_NE(auth.port(), 0);
    ToolRun r = mail({"--smtp", "smtp://127.0.0.1:" + std::to_string(auth.port()), "--user",
                      "staff", "--password-file", (home / "password").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("pinoractl: mailing failed: STARTTLS not supported"), std::string::npos)
        << r.err;
    for (const auto& e : fs::directory_iterator(authBox.path()))
        EXPECT_NE(e.path().extension(), ".eml");

    // STARTTLS required of a server that does not offer it.
    r = mail({"--require-tls"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("mailing failed: STARTTLS not supported"), std::string::npos) << r.err;
    writeBytes(dir / "MAIL.INI", readBytes(dir / "MAIL.INI") + "require-tls=yes\n");
    r = mail();
    EXPECT_NE(r.err.find("mailing failed: STARTTLS not supported"), std::string::npos) << r.err;

    // Nothing listening.
    int gone = 0;
    {
        SmtpServer other{SmtpServerOptions{box.path()}};
        gone = other.port();
    }
    ASSERT_NE(gone, 0);
    r = mail({"--smtp", "smtp://127.0.0.1:" + std::to_string(gone)});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("mailing failed: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::to_string(gone)), std::string::npos) << r.err; // curl's own text

    // A server that takes the connection and never answers: the time-out ends it.
    SmtpServer silent{SmtpServerOptions{box.path(), "", "", {}, {}, true}};
    ASSERT_NE(silent.port(), 0);
    r = mail({"--smtp", "smtp://127.0.0.1:" + std::to_string(silent.port())});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("mailing failed: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("timed out"), std::string::npos) << r.err;
    EXPECT_EQ(delivered(), 0);
}

TEST_F(MailTest, StartTlsIsUsedWhenTheServerOffersIt) {
    const std::string cmd = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=test "
                            "-keyout " + (home / "key.pem").string() + " -out " +
                            (home / "cert.pem").string() + " >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0) GTEST_SKIP() << "openssl could not make a certificate";
    TempFolder tlsBox;
    SmtpServer tls{SmtpServerOptions{tlsBox.path(), "", "", home / "cert.pem", home / "key.pem"}};
    ASSERT_NE(tls.port(), 0);
    fs::remove(dir / "MAIL.INI");
    // The client takes up the offer, and then will not trust a certificate nobody signed: had
    // it stayed in plain text, the message would have arrived.
    const ToolRun r = mail({"--smtp", "smtp://127.0.0.1:" + std::to_string(tls.port()), "--from",
                            "office@school.example"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("mailing failed: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("certificate"), std::string::npos) << r.err;
        for (const auto& e : fs::directory_iterator(tlsBox.path()))
        EXPECT_NE(e.path().extension(), ".eml");
}

TEST_F(MailTest, SettingsThatWouldExposeThePasswordOrAreIncompleteAreRefused) {
    const std::string pw = (home / "password").string();
    struct Case {
        std::vector<std::string> args;
        std::string ini; // appended to MAIL.INI
        std::string message;
    };
    writeBytes(home / "open", "pw\n");
    fs::permissions(home / "open", fs::perms::owner_read | fs::perms::owner_write |
                                       fs::perms::group_read | fs::perms::others_read);
    writeBytes(dir / "TEMP/password", "pw\n");
    fs::permissions(dir / "TEMP/password", fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(dir / "TEMP/password", home / "link");
    writeBytes(dir / "MAIL.INI", readBytes(dir / "MAIL.INI") + "user=staff\r\n");
    const auto before = snapshot(dir.path());
    const std::vector<Case> cases = {
        {{"--password-file", (home / "open").string()}, "", "(mode 0644); make it its owner's alone: chmod 600"},
        {{"--password-file", (dir / "TEMP/password").string()}, "", "lies in the database folder"},
        {{"--password-file", (home / "link").string()}, "", "lies in the database folder"},
        {{}, "", "the user staff needs a password file: give --password-file"},
        {{"--password-file", pw, "--user", ""}, "", "a password file needs a user"},
        {{"--password-file", pw}, "password=pw\n", "MAIL.INI line 6: a password has no place"},
        {{"--password-file", pw}, "requre-tls=yes\n", "MAIL.INI line 6: unknown key 'requre-tls'"},
        {{"--password-file", pw}, "require-tls=maybe\n", "require-tls in MAIL.INI takes yes or no"},
        {{"--password-file", pw, "--smtp", "http://127.0.0.1/"}, "", "must be given as smtp://HOST"},
        {{"--smtp", "smtp://staff:pw@127.0.0.1:25"}, "", "with no user or password in it"},
        {{"--password-file", pw, "--from", "office"}, "", "'office' is not a mail address"},
        {{"--password-file", (home / "none").string()}, "", "cannot read the password file"},
    };
    const std::string ini = readBytes(dir / "MAIL.INI");
    for (const Case& c : cases) {
        writeBytes(dir / "MAIL.INI", ini + c.ini);
        const ToolRun r = mail(c.args);
        EXPECT_EQ(r.status, 1) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    writeBytes(dir / "MAIL.INI", ini);
    EXPECT_EQ(snapshot(dir.path()), before);

    // Addresses that would break a header or a command are a wrong command line.
    const ToolRun r = pinoractl({"--folder", dir.str(), "mail", "--set", "staff notices", "--day",
                                 kDay, "--to", "a@b.example,\r\nBcc: x@y.example"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--to takes mail addresses"), std::string::npos) << r.err;
    EXPECT_EQ(delivered(), 0);
}

TEST_F(MailTest, AMailIniThatIsNotTheRunningUsersAloneIsNotTrusted) {
    // Planted by someone else who can write the folder: their server, and another file of
    // this user's read as the password.
    TempFolder theirs;
    SmtpServer planted{SmtpServerOptions{theirs.path()}};
    ASSERT_NE(planted.port(), 0);
    writeBytes(home / ".netrc", "machine x login y password hunter2\n");
    fs::permissions(home / ".netrc", fs::perms::owner_read | fs::perms::owner_write);
    const std::string ini = "smtp=smtp://127.0.0.1:" + std::to_string(planted.port()) +
                            "\nfrom=office@school.example\nuser=staff\npassword-file=" +
                            (home / ".netrc").string() + "\n";
    const auto refused = [&](const char* why) {
        const ToolRun r = mail();
        EXPECT_EQ(r.status, 1) << why;
        EXPECT_NE(r.err.find("MAIL.INI is not used: " + std::string(why)), std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("chmod 644 MAIL.INI"), std::string::npos) << r.err;
    };

    writeBytes(dir / "MAIL.INI", ini);
    fs::permissions(dir / "MAIL.INI", fs::perms::group_write, fs::perm_options::add);
    refused("others may change it");
    fs::permissions(dir / "MAIL.INI", fs::perms::group_write, fs::perm_options::remove);
    if (::geteuid() == 0) { // only root can give a file away
        ASSERT_EQ(::chown((dir / "MAIL.INI").c_str(), 1, static_cast<gid_t>(-1)), 0);
        refused("it belongs to another user");
    }
    fs::remove(dir / "MAIL.INI");
    writeBytes(home / "MAIL.INI", ini);
    fs::create_symlink(home / "MAIL.INI", dir / "MAIL.INI");
    refused("It is a link");
    for (const auto& e : fs::directory_iterator(theirs.path()))
        EXPECT_NE(e.path().extension(), ".eml");

    // The command line alone still sends, to the server it names.
    const ToolRun r = mail({"--smtp", "smtp://127.0.0.1:" + std::to_string(server.port()), "--from",
                            "office@school.example"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(delivered(), 1);
}
