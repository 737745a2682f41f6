// The preview, print and publish dialog, driven through its controls.
#include "db/datetime.h"
#include "output/page.h"
#include "output/windows/pageprint.h"
#include "output/windows/previewdialogfrm.h"
#include "output/windows/previewfrm.h"
#include "support/bytes.h"
#include "support/fakes.h"
#include "support/ftpserver.h"
#include "support/stationtest.h"
#include "support/tempfolder.h"
#include "windowtest.h"
#include "ui/messages.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

// Readable QString values in failure messages.
static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

using namespace pinora;
using pinora::test::FakeServices;
using pinora::test::TempFolder;
using pinora::test::pdfText;
using pinora::ui::Messages;
namespace fs = std::filesystem;

namespace {

const QString kNotAllowed = QStringLiteral("You are not allowed to publish to the WebServer");

std::vector<fs::path> tempPages(const TempFolder& folder) {
    std::vector<fs::path> pages;
    for (const auto& e : fs::directory_iterator(folder / "TEMP"))
        if (e.path().extension() == ".HTM") pages.push_back(e.path());
    return pages;
}

class PreviewDialog : public test::StationTest {
  protected:
    void SetUp() override {
        StationTest::SetUp();
        logOnAs("ADMIN");
        dlg = std::make_unique<Tpreviewdialogfrm>(*st);
        // Friday 11 December 2026, 10:00.
        fakes.clock->t = encodeDate(2026, 12, 11) + encodeTime(10, 0, 0);
        Messages::clear();
    }
    void TearDown() override { Messages::clear(); }

    void nameSets(const std::vector<std::pair<int, std::string>>& names) {
        for (auto& s : st->db.config.noticeSets)
            s.name = "";
        for (const auto& [k, name] : names)
            st->db.config.noticeSets[k - 1].name = name;
        ASSERT_TRUE(st->db.saveConfig());
    }
    // A notice running from..to in the given sets, with its text.
    int addNotice(TDateTime from, TDateTime to, std::initializer_list<int> sets,
                  const std::string& text) {
        std::array<bool, kSetCount> in{};
        for (int k : sets)
            in[static_cast<std::size_t>(k - 1)] = true;
        int n = -1;
        EXPECT_EQ(st->allocateNotice(from, to, in, n), Result::Ok);
        EXPECT_TRUE(st->db.writeMessageFile(n, text));
        return n;
    }
    Tpreviewdialogfrm& open(PreviewMode mode) {
        dlg->setPreviewMode(mode);
        dlg->show();
        return *dlg;
    }
    template <typename T> T* find(const char* name) {
        T* w = dlg->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QList<QRadioButton*> items(const char* group) {
        return find<QGroupBox>(group)->findChildren<QRadioButton*>();
    }
    QStringList itemTexts(const char* group) {
        QStringList t;
        for (auto* b : items(group))
            t << b->text();
        return t;
    }
    void press(const char* button) { find<QPushButton>(button)->click(); }
    const std::string& tempPageName() const { return dlg->tempPageName(); }
    // Print mode with the print dialog cancelled: the page is written and stays.
    std::string writtenPage() {
        dlg->choosePrinter = [](QPrinter&) { return false; };
        press("Printbtn");
        return test::readBytes(st->db.path(tempPageName()));
    }

    std::unique_ptr<Tpreviewdialogfrm> dlg; // on the station, once it is made
};

} // namespace

// ---- the dialog ----------------------------------------------------------------------------

TEST_F(PreviewDialog, EachModeHasItsCaptionAndButtons) {
    struct Case {
        PreviewMode mode;
        const char* caption;
        bool preview, print, publish;
    };
    const Case cases[] = {{PreviewMode::Preview, "Preview", true, false, false},
                          {PreviewMode::Print, "Print", false, true, false},
                          {PreviewMode::Publish, "Publish", false, false, true},
                          {PreviewMode::All, "Preview/Print/Publish", true, true, true}};
    for (const Case& c : cases) {
        open(c.mode);
        EXPECT_EQ(dlg->windowTitle(), QString::fromLatin1(c.caption)) << c.caption;
        EXPECT_EQ(find<QPushButton>("Previewbtn")->isVisible(), c.preview) << c.caption;
        EXPECT_EQ(find<QPushButton>("Printbtn")->isVisible(), c.print) << c.caption;
        EXPECT_EQ(find<QPushButton>("publishbtn")->isVisible(), c.publish) << c.caption;
        EXPECT_TRUE(find<QPushButton>("BitBtn2")->isVisible());
        EXPECT_TRUE(find<QPushButton>("publishbtn")->isEnabled());
        press("BitBtn2");
        EXPECT_FALSE(dlg->isVisible());
        EXPECT_EQ(dlg->result(), QDialog::Rejected);
    }
    EXPECT_TRUE(tempPages(folder).empty()) << "Cancel writes nothing";
}

TEST_F(PreviewDialog, ShowingResetsTheDayAndListsTheNamedSets) {
    nameSets({{1, "Students"}, {3, "Staff"}});
    open(PreviewMode::All);
    EXPECT_EQ(itemTexts("daysel"),
              QStringList({"&Today", "T&omorrow", "The Next Available &Weekday", "This &Date:"}));
    EXPECT_EQ(find<QGroupBox>("daysel")->title(), QStringLiteral("The days notices of"));
    EXPECT_EQ(find<QGroupBox>("noticeset")->title(),
              QStringLiteral("From the following set of notices"));
    EXPECT_TRUE(items("daysel")[2]->isChecked());
    EXPECT_FALSE(find<QDateEdit>("day")->isEnabled());
    EXPECT_EQ(find<QDateEdit>("day")->date(), QDate(2026, 12, 14)); // Friday -> Monday
    EXPECT_EQ(itemTexts("noticeset"), QStringList({"Students", "Staff"}));
    EXPECT_TRUE(items("noticeset")[0]->isChecked());

    // The user's choices do not survive the next showing; the list follows the configuration
    // in memory.
    items("daysel")[3]->click();
    items("noticeset")[1]->click();
    press("BitBtn2");
    st->db.config.noticeSets[1].name = "Parents";
    open(PreviewMode::All);
    EXPECT_TRUE(items("daysel")[2]->isChecked());
    EXPECT_FALSE(find<QDateEdit>("day")->isEnabled());
    EXPECT_EQ(itemTexts("noticeset"), QStringList({"Students", "Parents", "Staff"}));
    EXPECT_TRUE(items("noticeset")[0]->isChecked());
}

TEST_F(PreviewDialog, DayChoicesOnAFriday) {
    open(PreviewMode::Print);
    auto* day = find<QDateEdit>("day");
    const auto choose = [&](int i) { items("daysel")[i]->click(); };
    choose(0);
    EXPECT_EQ(day->date(), QDate(2026, 12, 11));
    EXPECT_FALSE(day->isEnabled());
    choose(1);
    EXPECT_EQ(day->date(), QDate(2026, 12, 12)); // Saturday
    EXPECT_FALSE(day->isEnabled());
    choose(3);
    EXPECT_TRUE(day->isEnabled());
    EXPECT_EQ(day->date(), QDate(2026, 12, 12)) << "the picker keeps its date";
    day->setDate(QDate(2027, 1, 20));
    EXPECT_EQ(dlg->chosenDay(), encodeDate(2027, 1, 20));
    choose(2);
    EXPECT_EQ(day->date(), QDate(2026, 12, 14)); // Monday
    EXPECT_FALSE(day->isEnabled());

    // Tomorrow on a Friday gives Saturday's page.
    choose(1);
    EXPECT_NE(writtenPage().find("Saturday, 12 December 2026"), std::string::npos);
}

TEST_F(PreviewDialog, TheChosenItemNamesTheSetWhoseNoticesAreListed) {
    nameSets({{1, "Students"}, {3, "Staff"}});
    const TDateTime monday = encodeDate(2026, 12, 14);
    addNotice(monday, monday, {1}, "Choir practice at lunch");
    addNotice(monday, monday, {3}, "Staff meeting in the library");
    open(PreviewMode::All);
    ASSERT_EQ(items("noticeset").size(), 2);
    items("noticeset")[1]->click();
    const std::string page = writtenPage();
    EXPECT_NE(page.find("Staff Monday, 14 December 2026"), std::string::npos) << page;
    EXPECT_NE(page.find("Staff meeting in the library"), std::string::npos);
    EXPECT_EQ(page.find("Choir practice"), std::string::npos);
    EXPECT_FALSE(dlg->isVisible()) << "the dialog closes after the command";
}

TEST_F(PreviewDialog, SetNamesDifferingOnlyInCaseBothGiveTheHigherSet) {
    nameSets({{1, "Students"}, {2, "Staff"}, {5, "STAFF"}});
    const TDateTime monday = encodeDate(2026, 12, 14);
    addNotice(monday, monday, {2}, "Only in set two");
    addNotice(monday, monday, {5}, "Only in set five");
    for (int item : {1, 2}) {
        open(PreviewMode::Print);
        ASSERT_EQ(items("noticeset").size(), 3);
        items("noticeset")[item]->click();
        const std::string page = writtenPage();
        EXPECT_NE(page.find("Only in set five"), std::string::npos) << item;
        EXPECT_EQ(page.find("Only in set two"), std::string::npos) << item;
    }
}

TEST_F(PreviewDialog, TemporaryPagesAreNumberedByChance) {
    fakes.chance->queue = {4711};
    open(PreviewMode::Print);
    writtenPage();
    EXPECT_EQ(tempPageName(), "TEMP/~4711.HTM");
    EXPECT_TRUE(fs::exists(folder / "TEMP" / "~4711.HTM"));
    fakes.chance->queue = {123456};
    open(PreviewMode::Print);
    writtenPage();
    EXPECT_EQ(tempPageName(), "TEMP/~23456.HTM") << "below 100000";
    EXPECT_TRUE(fs::exists(folder / "TEMP" / "~4711.HTM")) << "printed pages stay";

    // A second station in the same process keeps a page name of its own.
    FakeServices otherFake;
    otherFake.chance->queue = {77};
    otherFake.clock->t = fakes.clock->t;
    Station other{folder.str(), otherFake.services()};
    ASSERT_EQ(other.db.loadConfig(), Result::Ok);
    Tpreviewdialogfrm otherDlg{other};
    otherDlg.setPreviewMode(PreviewMode::Print);
    otherDlg.show();
    otherDlg.choosePrinter = [](QPrinter&) { return false; };
    otherDlg.findChild<QPushButton*>("Printbtn")->click();
    EXPECT_EQ(otherDlg.tempPageName(), "TEMP/~77.HTM");
    EXPECT_EQ(tempPageName(), "TEMP/~23456.HTM");
}

TEST_F(PreviewDialog, PageThatCannotBeWrittenIsReportedNotHandedOn) {
    fs::remove_all(folder / "TEMP");
    bool asked = false;
    dlg->choosePrinter = [&](QPrinter&) { return asked = true; };
    open(PreviewMode::Print);
    press("Printbtn");
    EXPECT_FALSE(asked) << "no print dialog for a page that is not there";
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_TRUE(Messages::shownTexts()[0].contains("TEMP")) << "names the page's folder";
    EXPECT_FALSE(dlg->isVisible());

    // The preview window does not open on a missing page either.
    TPreviewFrm preview;
    dlg->setPreviewFrm(&preview);
    Messages::clear();
    QTimer::singleShot(0, &preview, [&] { preview.close(); }); // would end a wrongly shown preview
    open(PreviewMode::Preview);
    press("Previewbtn");
    EXPECT_EQ(Messages::shown().size(), 1);
    EXPECT_FALSE(preview.hasBrowser());
}

// A broken file is told once, in the database's words with what was found; the page's own
// sentence about the same file used to follow it.
TEST_F(PreviewDialog, ABrokenFileIsToldOnceAndNoPageIsHandedOn) {
    for (const char* name : {"CONFIG.DB", "NOTICE.DB"}) {
        SCOPED_TRACE(name);
        const std::string keep = test::readBytes(folder / name);
        test::writeBytes(folder / name, "half a file");
        bool asked = false;
        dlg->choosePrinter = [&](QPrinter&) { return asked = true; };
        Messages::clear();
        open(PreviewMode::Print);
        press("Printbtn");
        EXPECT_FALSE(asked);
        const std::string found = std::string(name) == "CONFIG.DB"
                                      ? std::string()
                                      : "it holds 11 bytes, " +
                                            std::to_string(Database::kNoticeFileSize) +
                                            " expected";
        EXPECT_EQ(Messages::shownTexts(),
                  QStringList{QString::fromStdString(brokenFileMessage(name, found))});
        test::writeBytes(folder / name, keep);
    }
}

// ---- publish ------------------------------------------------------------------------------

TEST_F(PreviewDialog, PublishRequiresThePublishRight) {
    st->currentUser().allowPublish = false;
    std::vector<bool> busy;
    dlg->setBusy = [&](bool on) { busy.push_back(on); };
    open(PreviewMode::Publish);
    press("publishbtn");
    EXPECT_EQ(Messages::shownTexts(), QStringList({kNotAllowed}));
    EXPECT_TRUE(tempPages(folder).empty()) << "no page is written";
    EXPECT_TRUE(dlg->isVisible()) << "the dialog stays open";
    EXPECT_TRUE(busy.empty());
    press("BitBtn2");
}

TEST_F(PreviewDialog, PublishUploadsTheSetsPageAndTheLogo) {
    TempFolder server;
    fs::create_directory(server / "notices");
    test::FtpServerOptions o;
    o.home = server.path();
    test::FtpServer ftp(o);
    ASSERT_GT(ftp.port(), 0);
    nameSets({{1, "Students"}, {4, "Staff Notices"}});
    st->db.config.ftpServer = "127.0.0.1";
    st->db.config.ftpPort = static_cast<std::uint16_t>(ftp.port());
    st->db.config.ftpPassive = true;
    st->db.config.ftpUser = o.user;
    st->db.config.ftpPassword = o.password;
    st->db.config.ftpUploadDir = "notices";
    ASSERT_TRUE(st->db.saveConfig());
    st->db.config.ftpUploadDir = "stale"; // the upload takes the settings from disk
    { std::ofstream(folder / "logo.gif", std::ios::binary) << "GIF89a-logo"; }
    const TDateTime monday = encodeDate(2026, 12, 14);
    addNotice(monday, monday, {4}, "Reports are due on Thursday");

    std::vector<bool> busy;
    dlg->setBusy = [&](bool on) { busy.push_back(on); };
    open(PreviewMode::Publish);
    items("noticeset")[1]->click();
    press("publishbtn");
    EXPECT_TRUE(Messages::shown().isEmpty()) << Messages::shownTexts().join('|').toStdString();
    EXPECT_EQ(busy, std::vector<bool>({true, false}));
    EXPECT_FALSE(dlg->isVisible());
    const std::string page = test::readBytes(server / "notices" / "staff notices.htm");
    EXPECT_NE(page.find("Reports are due on Thursday"), std::string::npos);
    EXPECT_EQ(page, test::readBytes(st->db.path(tempPageName()))) << "the page stays in TEMP";
    EXPECT_EQ(test::readBytes(server / "notices" / "logo.gif"), "GIF89a-logo");
}

TEST_F(PreviewDialog, FailedUploadShowsTheClientsTextAndCloses) {
    int port = 0;
    {
        TempFolder server;
        test::FtpServerOptions o;
        o.home = server.path();
        test::FtpServer ftp(o);
        port = ftp.port();
    } // the server is gone
    ASSERT_GT(port, 0);
    st->db.config.ftpServer = "127.0.0.1";
    st->db.config.ftpPort = static_cast<std::uint16_t>(port);
    ASSERT_TRUE(st->db.saveConfig());
    std::vector<bool> busy;
    dlg->setBusy = [&](bool on) {
        busy.push_back(on);
        if (!on) {
            EXPECT_EQ(Messages::shown().size(), 1) << "message before the light turns green";
        }
    };
    open(PreviewMode::All);
    press("publishbtn");
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].kind, ui::ShownBox::Kind::Error);
    EXPECT_FALSE(Messages::shownTexts()[0].isEmpty());
    EXPECT_NE(Messages::shownTexts()[0], kNotAllowed);
    EXPECT_EQ(busy, std::vector<bool>({true, false}));
    EXPECT_FALSE(dlg->isVisible());
}

// ---- preview and print ----------------------------------------------------------------------

TEST_F(PreviewDialog, PreviewShowsThePageModallyAndRemovesItWhenClosed) {
    const TDateTime monday = encodeDate(2026, 12, 14);
    addNotice(monday, monday, {1}, "Bring your library books back");
    TPreviewFrm preview;
    EXPECT_EQ(preview.windowTitle(), QStringLiteral("Notice Preview"));
    EXPECT_FALSE(preview.hasBrowser()) << "the browser starts with the first preview";
    dlg->setPreviewFrm(&preview);

    bool loaded = false, wasModal = false, fileWhileShown = false;
    QString shownUrl;
    QTimer::singleShot(0, &preview, [&] {
        wasModal = preview.isVisible() && preview.isModal();
        QWebEngineView* web = preview.findChild<QWebEngineView*>("webbrowser");
        if (!web) {
            preview.close();
            return;
        }
        fileWhileShown = fs::exists(st->db.path(tempPageName()));
        loaded =
            QTest::qWaitFor([&] { return !web->page()->isLoading() && web->title() != ""; }, 30000);
        shownUrl = web->url().toLocalFile();
        preview.close();
    });
    open(PreviewMode::Preview);
    press("Previewbtn");

    EXPECT_TRUE(wasModal);
    EXPECT_TRUE(fileWhileShown);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(fs::path(shownUrl.toStdString()), fs::path(st->db.path(tempPageName())));
    EXPECT_FALSE(fs::exists(st->db.path(tempPageName()))) << "closing removes the page";
    EXPECT_TRUE(tempPages(folder).empty());
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);
}

// Whatever a page holds, the preview runs none of its script; its pictures, in MSG and beside
// the page, still show.

TEST_F(PreviewDialog, HidingThePreviewRemovesItsPageToo) {
    TPreviewFrm preview;
    dlg->setPreviewFrm(&preview);
    QTimer::singleShot(0, &preview, [&] { preview.hide(); });
    open(PreviewMode::All);
    press("Previewbtn");
    EXPECT_FALSE(tempPageName().empty());
    EXPECT_TRUE(tempPages(folder).empty());
}

TEST_F(PreviewDialog, PrintRendersThePageAndKeepsIt) {
    const TDateTime monday = encodeDate(2026, 12, 14);
    addNotice(monday, monday, {1}, "Sports day has moved to Friday");
    const QString pdf = QString::fromStdString((folder / "out.pdf").string());
    dlg->choosePrinter = [&](QPrinter& p) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    std::optional<bool> printed;
    dlg->onPrinted = [&](bool ok) { printed = ok; };
    open(PreviewMode::Print);
    press("Printbtn");
    EXPECT_FALSE(dlg->isVisible()) << "closes without waiting for the printer";
    ASSERT_TRUE(QTest::qWaitFor([&] { return printed.has_value(); }, 60000));
    EXPECT_TRUE(*printed);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Sports day has moved to Friday")) << text.toStdString();
    EXPECT_TRUE(fs::exists(st->db.path(tempPageName()))) << "the printed page stays";
    EXPECT_TRUE(Messages::shown().isEmpty());
}


