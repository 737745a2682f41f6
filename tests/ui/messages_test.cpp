// The boxes as the user sees them: every text is shown as written, never read as markup.
#include "ui/messages.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace pinora::ui {
namespace {

struct SeenBox {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    QString text;
};

// Shows a real box (not the test queue), reads it as it stands on the screen, and answers it.
template <class Show> SeenBox seen(Show show) {
    SeenBox s;
    Messages::setTestMode(false);
    QTimer::singleShot(0, [&s] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        s.icon = box->icon();
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        s.format = label->textFormat();
        s.text = label->text();
        box->buttons().constFirst()->click();
    });
    show();
    Messages::setTestMode(true);
    Messages::clear();
    return s;
}

TEST(MessageBoxes, ShowTagsAndTypedTextsAsWrittenWithTheRightIcon) {
    const QString bold = QStringLiteral(
        "This text will appear, <b> at the beginning of the bold statement and this text </b> at "
        "the end. Do not delete these or your bold statement will not work");
    const SeenBox info = seen([&] { Messages::information(nullptr, bold); });
    EXPECT_EQ(info.format, Qt::PlainText);
    EXPECT_EQ(info.text, bold);
    EXPECT_EQ(info.icon, QMessageBox::Information);

    const QString refused = QStringLiteral("'<i>7pm' is not a valid time");
    const SeenBox error = seen([&] { Messages::error(nullptr, refused); });
    EXPECT_EQ(error.format, Qt::PlainText);
    EXPECT_EQ(error.icon, QMessageBox::Critical);

    const SeenBox question =
        seen([] { Messages::question(nullptr, QStringLiteral("Delete"), QStringLiteral("<u>x?")); });
    EXPECT_EQ(question.format, Qt::PlainText);
    EXPECT_EQ(question.text, QStringLiteral("<u>x?"));
}

} // namespace
} // namespace pinora::ui
