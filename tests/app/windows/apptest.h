// A logged-on station over a fresh database folder, with the main window built for it.
#pragma once

#include "app/windows/createfrm.h"
#include "app/windows/mainfrm.h"
#include "db/datetime.h"
#include "db/text.h"
#include "help/onlinehelpfrm.h"
#include "support/bytes.h"
#include "support/helprecorder.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/lockfrm.h"
#include "ui/messages.h"

#include <QLocale>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>

using pinora::test::readBytes;
using pinora::test::writeBytes;

namespace pinora::test {

struct UserSpec {
    std::string name;
    int level = 100;
    bool superUser = false;
    bool adminMenu = false;
    bool extraHelp = false;
    bool bypassDeadline = false;
    bool bypassMaxDays = false;
    std::array<bool, kSetCount> deny{};
};

class AppTest : public ::testing::Test {
  protected:
    TempFolder tf;
    FakeServices fs;
    std::unique_ptr<Station> st;
    AppWindows windows;
    std::unique_ptr<Tmainfrm> main;

    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        ui::Messages::clear();
        writeFreshDatabase(tf.str());
        st = std::make_unique<Station>(tf.str(), fs.services());
        ASSERT_EQ(st->db.loadConfig(), Result::Ok);
        ASSERT_EQ(st->db.loadUsers(), Result::Ok);
        ASSERT_EQ(st->db.loadNotices(), Result::Ok);
    }

    void TearDown() override {
        main.reset();
        ui::Messages::clear();
    }

    // Adds a user to USER.DB and returns its slot.
    int addUser(const UserSpec& u) {
        EXPECT_EQ(st->db.loadUsers(), Result::Ok);
        const int slot = st->db.findFreeUser();
        st->db.setUserCredentials(slot, u.name, "pw");
        UserRecord& r = st->db.user(slot);
        r.fullName = u.name;
        r.signature = "Signed " + u.name;
        r.postCount = 0;
        r.securityLevel = static_cast<std::uint8_t>(u.level);
        r.allowEdit = r.allowDelete = r.allowPublish = false;
        r.superUser = u.superUser;
        r.adminMenu = u.adminMenu;
        r.extraHelp = u.extraHelp;
        r.bypassDeadline = u.bypassDeadline;
        r.bypassMaxDays = u.bypassMaxDays;
        for (int k = 0; k < kSetCount; ++k)
            r.denySet[k] = u.deny[static_cast<std::size_t>(k)];
        EXPECT_TRUE(st->db.saveUsers());
        return slot;
    }

    void nameSet(int k, const std::string& name) {
        st->db.config.noticeSets[k - 1].name = name;
        ASSERT_TRUE(st->db.saveConfig());
    }

    // Logs on (by name) and builds the main window as the logon would.
    void logon(const std::string& name) {
        st->currentUserName = name;
        st->currentUserSlot = st->db.findUser(name);
        ASSERT_GT(st->currentUserSlot, 0);
        main = std::make_unique<Tmainfrm>(*st, windows);
        new HelpRecorder(main.get());
        main->show();
        main->setupMainWindowForUser();
        ui::Messages::clear();
    }

    // The topic last asked for from the main window or a window it owns.
    QString lastHelpTopic() const {
        auto* help = main ? dynamic_cast<HelpRecorder*>(main->findChild<HelpTopicViewer*>())
                          : nullptr;
        return help ? help->last() : QString();
    }

    template <class T> T* child(const char* name) {
        T* w = main->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    template <class T> T* createChild(const char* name) {
        T* w = windows.createfrm->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    bool noLockFiles() const {
        return !std::filesystem::exists(tf / "DB-N.LCK") &&
               !std::filesystem::exists(tf / "DB-U.LCK");
    }

    // The notice table and user table as another station would read them now.
    Database onDisk() {
        FakeServices other;
        Database d(tf.str(), other.services());
        EXPECT_EQ(d.loadNotices(), Result::Ok);
        EXPECT_EQ(d.loadUsers(), Result::Ok);
        return d;
    }

    std::string msgFile(int n) const {
        return readBytes(tf / "MSG" / (std::to_string(n) + ".MSG"));
    }
    bool msgExists(int n) const {
        return std::filesystem::exists(tf / "MSG" / (std::to_string(n) + ".MSG"));
    }

    // Texts of the information boxes shown (file dialogs are recorded too, but are not boxes).
    QStringList shown() const {
        QStringList out;
        for (const ui::ShownBox& b : ui::Messages::shown())
            if (b.kind == ui::ShownBox::Kind::Information) out << b.text;
        return out;
    }
};

inline TDateTime at(int y, int m, int d, int hh = 0, int mm = 0, int ss = 0) {
    return encodeDate(y, m, d) + encodeTime(hh, mm, ss);
}

} // namespace pinora::test
