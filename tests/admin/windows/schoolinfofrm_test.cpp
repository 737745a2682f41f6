// The school information dialog: a name is required and long texts are cut to their fields.
#include "admin/windows/schoolinfofrm.h"
#include "support/bytes.h"
#include "configformtest.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

TEST_F(ConfigForms, SchoolInformationNeedsANameAndCutsLongTexts) {
    Tschoolinfofrm w(*st);
    w.show();
    EXPECT_EQ(in<QLineEdit>(w, "schoolname")->text(), QStringLiteral("Hillside School"));
    in<QLineEdit>(w, "schoolname")->clear();
    in<QLineEdit>(w, "schoolcopyright")->setText("(c) 2027");
    const std::string before = readBytes(folder / "CONFIG.DB");
    in<QPushButton>(w, "BitBtn1")->click();
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{"Your school name must be mentioned for notices to work"});
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), before);

    Messages::clear();
    in<QLineEdit>(w, "schoolname")->setText(QString(170, QLatin1Char('S')));
    in<QLineEdit>(w, "schoolcopyright")->clear();
    in<QPushButton>(w, "BitBtn1")->click();
    EXPECT_TRUE(Messages::shownTexts().isEmpty());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(stored().schoolName.str(), std::string(160, 'S'));
    EXPECT_EQ(stored().schoolCopyright.str(), "");
    w.show();
    EXPECT_EQ(in<QLineEdit>(w, "schoolname")->text(), QString(160, QLatin1Char('S')));
}

} // namespace
