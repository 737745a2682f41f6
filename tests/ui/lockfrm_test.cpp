// The wait window and its hooks on a station's lock waits.
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/lockfrm.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace pinora::test {
namespace {

TEST(LockWindow, LayoutAndContent) {
    Tlockfrm w;
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Please wait..."));
    EXPECT_FALSE(w.isModal());
    EXPECT_TRUE(w.findChildren<QPushButton*>().isEmpty());
    auto* group = w.findChild<QGroupBox*>();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), QStringLiteral("Lock Information"));
    auto* info = w.findChild<QPlainTextEdit*>(QStringLiteral("userinfo"));
    ASSERT_NE(info, nullptr);
    EXPECT_TRUE(info->isReadOnly());
    EXPECT_FALSE(info->isEnabled());
    bool textFound = false;
    for (QLabel* l : w.findChildren<QLabel*>())
        textFound = textFound || l->text() == QStringLiteral("Another user is accessing the "
                                                             "database, you are queued to access "
                                                             "the database.");
    EXPECT_TRUE(textFound);

    w.showLockWait('N', {false, "BOB", "Creating Notice"});
    EXPECT_FALSE(w.isVisible()); // a free lock shows nothing

    w.showLockWait('U', {true, "ANN", "Update User"});
    w.showLockWait('N', {true,
                         "B\xd6"
                         "B",
                         "Creating Notice"});
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(info->toPlainText(), QStringLiteral("DB: N\nTASK: Creating Notice\nUSER: B\u00d6B"));
    w.showLockWait('U', {true, "", ""}); // a lock file that holds only TRUE
    EXPECT_EQ(info->toPlainText(), QStringLiteral("DB: U\nTASK: \nUSER: an unknown station"));
    w.hideLockWait();
    EXPECT_FALSE(w.isVisible());
}

TEST(LockWindow, ShownWhileAStationWaits) {
    TempFolder tf;
    writeFreshDatabase(tf.str());
    FakeServices fs;
    Station st(tf.str(), fs.services());
    st.currentUserName = "ANN";
    Tlockfrm w;
    installLockWaitWindow(st, w);
    {
        std::ofstream lock(tf / "DB-U.LCK", std::ios::binary);
        lock << "TRUE\r\nBOB\r\nDelete User\r\n";
    }
    QString seen;
    int waits = 0;
    fs.sleeper->onSleep = [&] {
        if (fs.sleeper->sleeps.back() != st.db.lockRetryMs) return;
        EXPECT_TRUE(w.isVisible());
        seen = w.userinfo()->toPlainText();
        if (++waits == 3) std::filesystem::remove(tf / "DB-U.LCK");
    };
    ASSERT_TRUE(st.db.waitForLock('U', "ANN", "Update User Information"));
    EXPECT_EQ(waits, 3);
    EXPECT_EQ(seen, QStringLiteral("DB: U\nTASK: Delete User\nUSER: BOB"));
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(st.db.releaseLock('U'));
}

} // namespace
} // namespace pinora::test
