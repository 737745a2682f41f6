// The entrance-hall screen over a folder that another process writes to: it follows the
// notices, turns the day at midnight, rides out the folder going away, and writes nothing
// into the shared folder.
#include "apptest.h"

#include "app/windows/displayfrm.h"
#include "e2e/processes.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <map>

namespace pinora::test {
namespace {

// Every entry of the folder with its size and time of change: what a reader must not touch.
std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> snapshot(
    const std::filesystem::path& folder) {
    std::map<std::string, std::pair<std::uintmax_t, std::int64_t>> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        std::error_code ec;
        const auto size = e.is_regular_file() ? e.file_size(ec) : 0;
        out[e.path().string()] = {size, e.last_write_time(ec).time_since_epoch().count()};
    }
    return out;
}

std::string pageText(const TDisplayfrm& d) {
    return readBytes(d.pagePath().toStdString());
}

class DisplayTest : public AppTest {};

TEST_F(DisplayTest, FollowsTheFolderAndTheDayAndWritesOnlyItsOwnPage) {
    fakes.clock->t = 46000 + 0.75; // 18:00 on the first day of the writer's notices
    auto d = std::make_unique<TDisplayfrm>(st->db, QStringLiteral("students"));
    const QString pageFolder = QFileInfo(d->pagePath()).absolutePath();
    EXPECT_FALSE(d->pagePath().startsWith(QString::fromStdString(folder.str())));
    EXPECT_EQ(d->pagesShown(), 1);
    EXPECT_FALSE(d->status()->isVisibleTo(d.get()));
    EXPECT_EQ(d->shownUrl().toLocalFile(), d->pagePath());
    EXPECT_EQ(d->browser()->parentWidget(), d.get());
    // The hall's screen runs no script that a notice might carry.
    EXPECT_FALSE(d->browser()->page()->settings()->testAttribute(
        QWebEngineSettings::JavascriptEnabled));
    EXPECT_EQ(pageText(*d).find("by WRITER"), std::string::npos);
    // Six hours and a second to go: the day turns by itself.
    EXPECT_EQ(d->findChild<QTimer*>("midnight")->interval(), 6 * 3600 * 1000 + 1000);

    // Another workstation submits two notices; the folder's watch asks for a look.
    const pid_t pid = startProcess(toolPath("station_writer"), {folder.str(), "WRITER", "2", "5"},
                                   (folder / "writer.out").string());
    ASSERT_GT(pid, 0);
    const int status = waitStatus(pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    QTRY_VERIFY_WITH_TIMEOUT(d->findChild<QTimer*>("settle")->isActive(), 10000);
    const auto before = snapshot(folder.path());
    d->look();
    EXPECT_EQ(d->pagesShown(), 2);
    EXPECT_NE(pageText(*d).find("Notice 1 by WRITER"), std::string::npos);
    d->look();
    EXPECT_EQ(d->pagesShown(), 2) << "an unchanged page is not loaded again";

    // Past midnight of the day after the last one of the notices (they end by 46003).
    fakes.clock->t = 46004 + 1.0 / 86400;
    d->look();
    EXPECT_EQ(d->pagesShown(), 3);
    EXPECT_EQ(d->day(), 46004);
    EXPECT_EQ(pageText(*d).find("by WRITER"), std::string::npos);
    fakes.clock->t = 46001.5;

    // The folder goes away: the last page stays, a line says why, and it comes back.
    d->look();
    const std::string shown = pageText(*d);
    const int pages = d->pagesShown();
    const std::filesystem::path away = folder.path().string() + ".away";
    std::filesystem::rename(folder.path(), away);
    d->look();
    EXPECT_TRUE(d->status()->isVisibleTo(d.get()));
    EXPECT_TRUE(d->status()->text().contains(QStringLiteral("cannot be reached")))
        << d->status()->text().toStdString();
    EXPECT_EQ(pageText(*d), shown);
    EXPECT_EQ(d->pagesShown(), pages);
    std::filesystem::rename(away, folder.path());
    d->look();
    EXPECT_FALSE(d->status()->isVisibleTo(d.get()));
    EXPECT_EQ(pageText(*d), shown);

    // A file of an older format is left for a workstation to convert.
    std::string notices = readBytes(folder / "NOTICE.DB");
    const std::string current = notices;
    put32(notices, 12, 2400);
    writeBytes(folder / "NOTICE.DB", notices);
    const auto withOld = snapshot(folder.path());
    d->look();
    EXPECT_TRUE(d->status()->isVisibleTo(d.get()));
    EXPECT_EQ(snapshot(folder.path()), withOld);
    EXPECT_EQ(pageText(*d), shown);
    writeBytes(folder / "NOTICE.DB", current);
    d->look();
    EXPECT_FALSE(d->status()->isVisibleTo(d.get()));

    // Nothing but the page was written, and Ctrl+Q closes the screen; its page goes with it.
    EXPECT_EQ(snapshot(folder.path()).size(), before.size());
    d->show();
    QApplication::setActiveWindow(d.get());
    QTest::keyClick(d.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(d->isVisible());
    d.reset();
    EXPECT_FALSE(QFileInfo::exists(pageFolder));
}

TEST_F(DisplayTest, AnUnknownSetIsNamedAndLookedForAgain) {
    TDisplayfrm d(st->db, QStringLiteral("Parents"));
    EXPECT_EQ(d.status()->text(), QStringLiteral("There is no notice set named 'Parents'"));
    nameSet(2, "Parents");
    d.look();
    EXPECT_TRUE(d.status()->text().isEmpty());
    EXPECT_EQ(d.pagesShown(), 1);
}

} // namespace
} // namespace pinora::test
