// The help pages beside the program, where they are found, and where the viewer goes.
#include "helptest.h"

#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test::help;

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
