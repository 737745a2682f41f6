#include "help/helpviewer.h"
#include "support/tempfolder.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWebEngineHistory>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>
#include <QWindow>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

using namespace pinora;
namespace fs = std::filesystem;

namespace {

const QStringList kTopics = {"main.htm",     "editing.htm",  "create.htm",   "browse.htm",
                             "userman.htm",  "userinfo.htm", "firstreg.htm", "autoregs.htm",
                             "logincfg.htm", "setconf.htm",  "webconf.htm",  "schinfo.htm",
                             "format.htm"};

// The program's folder; the tests are built beside the program.
QString binFolder() {
    const QString env = QString::fromLocal8Bit(qgetenv("PINORA_BIN"));
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : env;
}

QString readPage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// A database folder whose help folder holds the program's pages.
struct HelpFolder {
    test::TempFolder folder;
    HelpFolder() {
        fs::create_directory(folder / "help");
        for (const QString& t : kTopics)
            fs::copy_file((binFolder() + "/help/" + t).toStdString(),
                          folder / "help" / t.toStdString());
    }
    std::string str() const { return folder.str(); }
    QString help() const { return QString::fromStdString(folder.str()) + QStringLiteral("help/"); }
};

// Runs action, then waits until the browser has finished loading url.
template <typename Action> bool loads(Tonlinehelpfrm& v, const QUrl& url, Action action) {
    QWebEngineView* web = v.web();
    bool done = false;
    auto c = QObject::connect(web, &QWebEngineView::loadFinished, [&](bool ok) {
        if (ok && web->url() == url) done = true;
    });
    action();
    const bool ok = QTest::qWaitFor([&] { return done; }, 30000);
    QObject::disconnect(c);
    return ok;
}

QRect screenRect() {
    return QGuiApplication::primaryScreen()->geometry();
}

} // namespace

// ---- the pages --------------------------------------------------------------------------

TEST(HelpPages, EveryTopicIsARealPageBesideTheProgram) {
    ASSERT_FALSE(binFolder().isEmpty());
    for (const QString& t : kTopics) {
        const QString page = readPage(binFolder() + "/help/" + t);
        ASSERT_FALSE(page.isEmpty()) << t.toStdString();
        EXPECT_TRUE(page.contains("<title>", Qt::CaseInsensitive)) << t.toStdString();
        EXPECT_TRUE(page.contains("</html>", Qt::CaseInsensitive)) << t.toStdString();
        EXPECT_GT(page.size(), 800) << t.toStdString() << " says too little";
    }
}

TEST(HelpPages, LinksLeadToExistingTopicsAndMainReachesAll) {
    static const QRegularExpression href(QStringLiteral("href=\"([^\"]+)\""),
                                         QRegularExpression::CaseInsensitiveOption);
    QStringList fromMain;
    for (const QString& t : kTopics) {
        const QString page = readPage(binFolder() + "/help/" + t);
        for (auto it = href.globalMatch(page); it.hasNext();) {
            const QString target = it.next().captured(1);
            EXPECT_TRUE(kTopics.contains(target))
                << t.toStdString() << " links to " << target.toStdString();
            if (t == "main.htm") fromMain << target;
        }
    }
    for (const QString& t : kTopics) {
        if (t != "main.htm") {
            EXPECT_TRUE(fromMain.contains(t)) << t.toStdString();
        }
    }
}

TEST(HelpPages, WindowPagesNameTheirControlsAndMessages) {
    // A page that explains a window should mention what the user sees there.
    const QList<QPair<QString, QString>> mentions = {
        {"create.htm", "Next available weekday"},
        {"create.htm", "Cancel Entry"},
        {"browse.htm", "Display only my notices"},
        {"userman.htm", "Add a new user"},
        {"userinfo.htm", "Your passwords do not match"},
        {"firstreg.htm", "Continue"},
        {"autoregs.htm", "Security Level must be a number between 1 and 200"},
        {"logincfg.htm", "Prompt for both username and password"},
        {"setconf.htm", "You must specify at least one notice set"},
        {"webconf.htm", "Passive FTP"},
        {"schinfo.htm", "Your school name must be mentioned"},
        {"format.htm", "Logo Inserted"},
        {"editing.htm", "Edit Dates"},
        {"main.htm", "Clear Locks"},
    };
    for (const auto& [topic, text] : mentions)
        EXPECT_TRUE(readPage(binFolder() + "/help/" + topic).contains(text))
            << topic.toStdString() << ": " << text.toStdString();
}

// ---- placement ---------------------------------------------------------------------------

TEST(HelpPlacement, BesideTheWindowLevelWithItAndOnTheScreen) {
    const QRect screen(0, 0, 1280, 1024);
    // Frames of 4 pixels and a 20-pixel title bar: the viewer's own area goes level with the
    // asking window's, so both title bars line up.
    const QRect frame(100, 30, 408, 324), area(104, 50, 400, 300);
    EXPECT_EQ(helpViewerPlacement(261, frame, area, screen), QRect(512, 50, 261, 300));
    // Without frames (offscreen, or no window manager) frame and area are one.
    EXPECT_EQ(helpViewerPlacement(261, area, area, screen), QRect(504, 50, 261, 300));

    // Asking window touching the right edge: the viewer overlaps it, flush with the edge.
    EXPECT_EQ(helpViewerPlacement(261, QRect(880, 10, 400, 600), QRect(880, 10, 400, 600), screen),
              QRect(1019, 10, 261, 600));
    const QRect fits(619, 10, 400, 600), tooFar(620, 10, 400, 600);
    EXPECT_EQ(helpViewerPlacement(261, fits, fits, screen).x(), 1019);
    EXPECT_EQ(helpViewerPlacement(261, tooFar, tooFar, screen).x(), 1019);
    // With frames, the frame meets the edge.
    EXPECT_EQ(helpViewerPlacement(261, QRect(872, 0, 408, 324), QRect(876, 20, 400, 300), screen)
                  .right(),
              1275);
    // A second screen to the right counts from its own edges.
    const QRect onSecond(1400, 0, 500, 400);
    EXPECT_EQ(helpViewerPlacement(300, onSecond, onSecond, QRect(1280, 0, 800, 600)).x(), 1780);

    // A window partly above or below the screen: the viewer stays on it.
    EXPECT_EQ(helpViewerPlacement(261, QRect(100, -30, 408, 324), QRect(104, -10, 400, 300),
                                  screen),
              QRect(512, 20, 261, 270));
    EXPECT_EQ(helpViewerPlacement(261, QRect(100, 900, 408, 324), QRect(104, 920, 400, 300),
                                  screen),
              QRect(512, 920, 261, 100));
    // A panel at the top: the available area starts below it.
    EXPECT_EQ(helpViewerPlacement(261, QRect(100, 0, 408, 324), QRect(104, 20, 400, 300),
                                  QRect(0, 24, 1280, 1000))
                  .y(),
              44);
}

TEST(HelpPlacement, TopicsComeFromBesideTheProgramElseFromWhereThePackagePutThem) {
    EXPECT_EQ(helpTopicUrl(QStringLiteral("/srv/my school/help/"), "format.htm").toLocalFile(),
              QStringLiteral("/srv/my school/help/format.htm"));
    test::TempFolder installed;
    const QString there = QString::fromStdString(installed.str());
    EXPECT_EQ(firstHelpFolder({QStringLiteral("/nowhere/help/"), there}), there);
    EXPECT_EQ(firstHelpFolder({there + QStringLiteral("MSG"), QStringLiteral("/nowhere/")}),
              there + QStringLiteral("MSG/"));
    // A build (and a copy in the database folder) has its pages beside the program.
    EXPECT_EQ(programHelpFolder(), QCoreApplication::applicationDirPath() + QStringLiteral("/help/"));
}

// ---- the viewer window -------------------------------------------------------------------

TEST(HelpViewer, WindowAsDescribedAndNoBrowserUntilAsked) {
    Tonlinehelpfrm v(QStringLiteral("/nowhere/"));
    EXPECT_EQ(v.windowTitle(), QStringLiteral("Help Form"));
    EXPECT_EQ(v.size(), QSize(261, 513));
    EXPECT_FALSE(v.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(v.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(v.windowFlags() & Qt::Window);
    const QList<QPair<QString, QString>> buttons = {{"ToolButton1", "Back"},
                                                    {"ToolButton3", "Forward"},
                                                    {"ToolButton2", "Print"},
                                                    {"DisMissReportBtn", "Dismiss"}};
    for (const auto& [name, caption] : buttons) {
        auto* b = v.findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr) << name.toStdString();
        EXPECT_EQ(b->text(), caption);
        EXPECT_EQ(b->size(), QSize(62, 58));
        EXPECT_FALSE(b->icon().isNull());
    }
    EXPECT_FALSE(v.hasBrowser());
    EXPECT_EQ(v.findChild<QWebEngineView*>("web"), nullptr);
    // Back/Forward/Print before any page do nothing harmful.
    v.ToolButton1Click();
    v.ToolButton3Click();
    v.ToolButton2Click();
    EXPECT_FALSE(v.hasBrowser());
}

TEST(HelpViewer, OpensBesideTheAskingWindowAndFollowsTheNextOne) {
    HelpFolder db;
    QWidget mainWindow;
    auto* v = new Tonlinehelpfrm(db.help(), &mainWindow);
    const QRect screen = screenRect();

    QDialog first(&mainWindow);
    first.setGeometry(screen.x() + 40, screen.y() + 30, 300, 400);
    first.show();
    showHelpTopic("create.htm", &first);
    EXPECT_TRUE(v->isVisible());
    EXPECT_FALSE(v->isModal());
    EXPECT_EQ(v->web()->url(), helpTopicUrl(db.help(), "create.htm"));
    EXPECT_EQ(v->frameGeometry().x(), first.frameGeometry().right() + 1);
    EXPECT_EQ(v->frameGeometry().y(), first.frameGeometry().y());
    EXPECT_EQ(v->frameGeometry().height(), first.frameGeometry().height());
    EXPECT_EQ(v->width(), 261);

    // A window at the right edge of the screen: the viewer is flush with that edge.
    QDialog second(&mainWindow);
    second.setGeometry(screen.right() + 1 - 350, screen.y() + 80, 350, 250);
    second.show();
    showHelpTopic("userman.htm", &second);
    EXPECT_EQ(v->frameGeometry().right(), screen.right());
    EXPECT_EQ(v->frameGeometry().y(), second.frameGeometry().y());
    EXPECT_EQ(v->frameGeometry().height(), second.frameGeometry().height());
    EXPECT_EQ(v->width(), 261);
    EXPECT_EQ(v->web()->url(), helpTopicUrl(db.help(), "userman.htm"));

    // A width the user chose is kept.
    v->resize(320, v->height());
    showHelpTopic("main.htm", &first);
    EXPECT_EQ(v->width(), 320);
    EXPECT_EQ(v->frameGeometry().x(), first.frameGeometry().right() + 1);
}

TEST(HelpViewer, EachMainWindowReachesItsOwnViewer) {
    // Two stations in one process: each main window owns a viewer of its own.
    HelpFolder db;
    QWidget mainA, mainB;
    auto* a = new Tonlinehelpfrm(db.help(), &mainA);
    auto* b = new Tonlinehelpfrm(db.help(), &mainB);
    QDialog dialogB(&mainB);
    EXPECT_EQ(helpViewerFor(&dialogB), b);
    EXPECT_EQ(helpViewerFor(&mainA), a);
    showHelpTopic("schinfo.htm", &dialogB);
    EXPECT_TRUE(b->isVisible());
    EXPECT_FALSE(a->isVisible());

    // A window that no viewer stands beside asks in vain, harmlessly.
    QWidget alone;
    EXPECT_EQ(helpViewerFor(&alone), nullptr);
    showHelpTopic("schinfo.htm", &alone);
    showHelpTopic("schinfo.htm", nullptr);
}

TEST(HelpViewer, CaptionsStayReadableWhenHoveredOrPressed) {
    Tonlinehelpfrm v(QStringLiteral("/nowhere/"));
    v.show();
    auto* back = v.findChild<QToolButton*>("ToolButton1");
    ASSERT_NE(back, nullptr);
    // The face behind the caption, just above the bottom edge, under the caption's baseline.
    const auto face = [&] {
        const QImage img = back->grab().toImage();
        return img.pixelColor(img.width() / 2, img.height() - 4);
    };
    const auto contrastWithWhite = [](const QColor& c) {
        const auto lin = [](double x) {
            return x <= 0.03928 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
        };
        const double l =
            0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
        return 1.05 / (l + 0.05);
    };
    EXPECT_GE(contrastWithWhite(face()), 3.0) << "normal";
    back->setAttribute(Qt::WA_UnderMouse, true);
    EXPECT_GE(contrastWithWhite(face()), 3.0) << "hovered: " << face().name().toStdString();
    back->setDown(true);
    EXPECT_GE(contrastWithWhite(face()), 3.0) << "pressed: " << face().name().toStdString();
}

TEST(HelpViewer, LoadsTheTopicAndMovesBackAndForward) {
    HelpFolder db;
    Tonlinehelpfrm v(db.help());
    QWidget w;
    w.setGeometry(10, 10, 300, 500);
    w.show();

    const QUrl main = helpTopicUrl(db.help(), "main.htm");
    const QUrl create = helpTopicUrl(db.help(), "create.htm");
    ASSERT_TRUE(loads(v, main, [&] { v.showTopic("main.htm", &w); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return v.web()->title().contains("Instructions"); }, 60000))
        << v.web()->title().toStdString();

    ASSERT_TRUE(loads(v, create, [&] { v.showTopic("create.htm", &w); }));

    auto* back = v.findChild<QToolButton*>("ToolButton1");
    auto* forward = v.findChild<QToolButton*>("ToolButton3");
    ASSERT_TRUE(loads(v, main, [&] { back->click(); }));
    back->click(); // nothing further back: stays
    ASSERT_TRUE(loads(v, create, [&] { forward->click(); }));
    EXPECT_EQ(v.web()->history()->count(), 2);

    v.findChild<QToolButton*>("DisMissReportBtn")->click();
    EXPECT_FALSE(v.isVisible());
    // Showing it again keeps its history.
    ASSERT_TRUE(
        loads(v, helpTopicUrl(db.help(), "browse.htm"), [&] { v.showTopic("browse.htm", &w); }));
    EXPECT_TRUE(v.isVisible());
    EXPECT_EQ(v.web()->history()->count(), 3);
}

TEST(HelpViewer, RunsNoScriptOfItsPages) {
    HelpFolder db;
    std::ofstream(db.folder / "help" / "main.htm", std::ios::trunc)
        << "<html><head><title>Instructions</title></head><body>Help"
           "<script>document.title = 'script ran';</script></body></html>";
    Tonlinehelpfrm v(db.help());
    ASSERT_TRUE(loads(v, helpTopicUrl(db.help(), "main.htm"), [&] { v.showTopic("main.htm", nullptr); }));
    bool done = false;
    QString title;
    v.web()->page()->runJavaScript("document.title", QWebEngineScript::ApplicationWorld,
                                   [&](const QVariant& t) {
                                       title = t.toString();
                                       done = true;
                                   });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }, 30000));
    EXPECT_EQ(title.toStdString(), "Instructions");
}

TEST(HelpViewer, StaysUsableBesideAModalDialog) {
    HelpFolder db;
    Tonlinehelpfrm v(db.help());
    auto* dismiss = v.findChild<QToolButton*>("DisMissReportBtn");
    // Through the window system, where a modal dialog blocks the windows it does not own.
    const auto clickDismiss = [&] {
        QTest::mouseClick(v.windowHandle(), Qt::LeftButton, {},
                          dismiss->mapTo(&v, dismiss->rect().center()));
    };
    QWidget mainWindow;
    mainWindow.setGeometry(10, 10, 400, 400);
    mainWindow.show();

    for (const bool alreadyOpen : {false, true}) {
        if (alreadyOpen) v.showTopic("main.htm", &mainWindow);
        QDialog dialog;
        dialog.setGeometry(50, 50, 300, 300);
        dialog.setWindowModality(Qt::ApplicationModal); // as exec() shows the program's dialogs
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog, 60000));
        v.showTopic("userman.htm", &dialog);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&v, 60000));
        clickDismiss();
        EXPECT_FALSE(v.isVisible()) << "blocked by the dialog; already open: " << alreadyOpen;
        dialog.close();
    }
    // Asked again from the main window once the dialog is gone.
    v.showTopic("main.htm", &mainWindow);
    clickDismiss();
    EXPECT_FALSE(v.isVisible());
}

TEST(HelpViewer, PrintsTheShownPage) {
    HelpFolder db;
    Tonlinehelpfrm v(db.help());
    const QString pdf = QString::fromStdString((db.folder / "help.pdf").string());
    bool asked = false;
    v.choosePrinter = [&](QPrinter& p) {
        asked = true;
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(pdf);
        return true;
    };
    std::optional<bool> printed;
    v.onPrinted = [&](bool ok) { printed = ok; };
    QWidget w;
    w.setGeometry(10, 10, 300, 500);
    ASSERT_TRUE(
        loads(v, helpTopicUrl(db.help(), "schinfo.htm"), [&] { v.showTopic("schinfo.htm", &w); }));
    v.findChild<QToolButton*>("ToolButton2")->click();
    EXPECT_TRUE(asked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return printed.has_value(); }, 60000));
    EXPECT_TRUE(*printed);

    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(p.readAllStandardOutput()).contains("School Copyright Text"));
}

TEST(HelpViewer, CancelledPrintDialogPrintsNothing) {
    HelpFolder db;
    Tonlinehelpfrm v(db.help());
    v.choosePrinter = [](QPrinter&) { return false; };
    bool printed = false;
    v.onPrinted = [&](bool) { printed = true; };
    QWidget w;
    v.showTopic("main.htm", &w);
    v.ToolButton2Click();
    QTest::qWait(50);
    EXPECT_FALSE(printed);
}
