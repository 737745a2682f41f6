// The notice set dialog: what it stores, what it refuses, and that a refused save leaves
// CONFIG.DB as it was.
#include "admin/windows/setconfigfrm.h"
#include "configformtest.h"
#include "db/datetime.h"
#include "support/bytes.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace pinora;
using namespace pinora::test;
using ui::Messages;

namespace {

TEST_F(ConfigForms, NoticeSetsStoreNamesDeadlinesAndLimitsAndShowThemBack) {
    Tsetconfigfrm w(*st);
    w.show();
    EXPECT_EQ(in<QLineEdit>(w, "set1")->text(), QStringLiteral("Students"));
    EXPECT_EQ(in<QLineEdit>(w, "set1ptime")->text(), QStringLiteral("19:00:00"));
    EXPECT_FALSE(in<QLineEdit>(w, "set1ptime")->isEnabled()) << "the box is clear";

    // Set 1 must have a name; set 2 alone does not make up for it.
    in<QLineEdit>(w, "set1")->clear();
    in<QLineEdit>(w, "set2")->setText("Staff");
    const std::string before = readBytes(folder / "CONFIG.DB");
    in<QPushButton>(w, "BitBtn9")->click();
    EXPECT_EQ(Messages::shownTexts(),
              QStringList{"You must specify at least one notice set for this program to work"});
    EXPECT_TRUE(w.isVisible());

    // A bad or empty day limit, even in a row whose box is clear, stops the save whole.
    Messages::clear();
    in<QLineEdit>(w, "set1")->setText("Students");
    in<QLineEdit>(w, "set5maxday")->clear();
    in<QPushButton>(w, "BitBtn9")->click();
    EXPECT_EQ(Messages::shownTexts(), QStringList{"'' is not a valid integer value"});
    Messages::clear();
    in<QLineEdit>(w, "set5maxday")->setText("2");
    in<QLineEdit>(w, "set3ptime")->setText("abc");
    in<QPushButton>(w, "BitBtn9")->click();
    EXPECT_EQ(Messages::shownTexts(), QStringList{"'abc' is not a valid time"});
    EXPECT_EQ(readBytes(folder / "CONFIG.DB"), before);
    EXPECT_EQ(st->db.config.noticeSets[1].name.str(), "") << "memory keeps what is stored";

    // Ticking enables the edit; clearing keeps its text, and the text is stored.
    Messages::clear();
    in<QLineEdit>(w, "set3ptime")->setText("18:30");
    in<QCheckBox>(w, "set2ept")->setChecked(true);
    EXPECT_TRUE(in<QLineEdit>(w, "set2ptime")->isEnabled());
    in<QLineEdit>(w, "set2ptime")->setText("7:15 pm");
    in<QCheckBox>(w, "set2ept")->setChecked(false);
    EXPECT_FALSE(in<QLineEdit>(w, "set2ptime")->isEnabled());
    in<QCheckBox>(w, "set2emd")->setChecked(true);
    in<QLineEdit>(w, "set2maxday")->setText("0");
    in<QPushButton>(w, "BitBtn9")->click();
    EXPECT_TRUE(Messages::shownTexts().isEmpty()) << Messages::shownTexts().join("|").toStdString();
    EXPECT_FALSE(w.isVisible());

    const ConfigRecord c = stored();
    EXPECT_EQ(c.noticeSets[1].name.str(), "Staff");
    EXPECT_FALSE(c.noticeSets[1].deadlineEnabled);
    EXPECT_DOUBLE_EQ(c.noticeSets[1].deadline, encodeTime(19, 15, 0));
    EXPECT_DOUBLE_EQ(c.noticeSets[2].deadline, encodeTime(18, 30, 0));
    EXPECT_TRUE(c.noticeSets[1].maxDaysEnabled);
    EXPECT_EQ(c.noticeSets[1].maxDays, 0);
    EXPECT_EQ(c.schoolName.str(), "Hillside School") << "other fields as the file holds them";

    w.show();
    EXPECT_EQ(in<QLineEdit>(w, "set3ptime")->text(), QStringLiteral("18:30:00"));
    EXPECT_EQ(in<QLineEdit>(w, "set2ptime")->text(), QStringLiteral("19:15:00"));
    EXPECT_FALSE(in<QLineEdit>(w, "set2ptime")->isEnabled());
}


} // namespace
