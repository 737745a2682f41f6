// The about box names the program and its whole version, and leads into the help.
#include "app/windows/aboutfrm.h"
#include "apptest.h"

#include <QLabel>

namespace pinora::test {
namespace {

class AboutTest : public AppTest {};

TEST_F(AboutTest, NamesTheProgramAndVersionAndOpensTheInstructions) {
    logon("ADMIN");
    auto* box = new TAboutBox(main.get());
    box->show();
    EXPECT_EQ(box->findChild<QLabel*>("ProductName")->text(), QStringLiteral("Pinora 2"));
    EXPECT_EQ(box->findChild<QLabel*>("Version")->text(), QStringLiteral("Version: 2.5.1.1576"));
    // Wide enough for its title and lines.
    EXPECT_GE(box->width(), box->findChild<QLabel*>("Comments")->sizeHint().width());
    emit box->findChild<QLabel*>("HelpLink")->linkActivated(QStringLiteral("main.htm"));
    EXPECT_EQ(lastHelpTopic(), QStringLiteral("main.htm"));
}

} // namespace
} // namespace pinora::test
