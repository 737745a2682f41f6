// The help viewer window: its look, loading, history, print, and its place beside the asking
// window.
#include "helptest.h"

#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test::help;

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
