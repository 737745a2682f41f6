// The words a screen reader says for controls named after captions and labels.
#include "ui/accessible.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>

using namespace pinora::ui;

TEST(CaptionWords, DropMnemonicMarksTheClosingColonAndSpaces) {
    EXPECT_EQ(captionWords(QStringLiteral("&Find:")), QStringLiteral("Find"));
    EXPECT_EQ(captionWords(QStringLiteral("This &Date:")), QStringLiteral("This Date"));
    EXPECT_EQ(captionWords(QStringLiteral("Point Size (1 - 7): ")),
              QStringLiteral("Point Size (1 - 7)"));
    // A doubled ampersand is a real one.
    EXPECT_EQ(captionWords(QStringLiteral("Print && Publish")), QStringLiteral("Print & Publish"));
    // Only the last colon closes the caption.
    EXPECT_EQ(captionWords(QStringLiteral("Path: (eg p:\\x):")),
              QStringLiteral("Path: (eg p:\\x)"));
    EXPECT_EQ(captionWords(QString()), QString());
}

TEST(Naming, LabelsStandForTheirControlsAndIconButtonsReadTheirHint) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    QLabel* label = labelFor(edit, QStringLiteral("Username"), &window);
    EXPECT_EQ(label->buddy(), edit);
    EXPECT_EQ(label->parentWidget(), edit->parentWidget()) << "Qt reads a buddy among siblings";

    auto* hinted = new QToolButton(&window);
    hinted->setToolTip(QStringLiteral("Edit Selected Message"));
    nameIconButton(hinted);
    EXPECT_EQ(hinted->accessibleName(), QStringLiteral("Edit Selected Message"));
    auto* bare = new QToolButton(&window);
    nameIconButton(bare, QStringLiteral("Exit"));
    EXPECT_EQ(bare->accessibleName(), QStringLiteral("Exit"));

    auto* picture = new QLabel(&window);
    describePicture(picture, QStringLiteral("Pinora 2 logo"));
    EXPECT_EQ(picture->accessibleName(), QStringLiteral("Pinora 2 logo"));
    EXPECT_EQ(picture->accessibleDescription(), QStringLiteral("Pinora 2 logo"));
}
