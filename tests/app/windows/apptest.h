// A logged-on station over a fresh database folder, with the main window built for it.
#pragma once

#include "app/windows/createfrm.h"
#include "app/windows/mainfrm.h"
#include "db/datetime.h"
#include "db/text.h"
#include "help/onlinehelpfrm.h"
#include "support/bytes.h"
#include "support/helprecorder.h"
#include "support/stationtest.h"
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

class AppTest : public StationTest {
  protected:
    AppWindows windows;
    std::unique_ptr<Tmainfrm> main;

    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        ui::Messages::clear();
        StationTest::SetUp();
    }

    void TearDown() override {
        main.reset();
        ui::Messages::clear();
    }

    // Adds a user to USER.DB and returns its slot.
    int addUser(const UserSpec& u) {
        return storeUser(u.name, "pw", [&u](UserRecord& r) {
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
        });
    }

    void nameSet(int k, const std::string& name) {
        st->db.config.noticeSets[k - 1].name = name;
        ASSERT_TRUE(st->db.saveConfig());
    }

    // Logs on (by name) and builds the main window as the logon would.
    void logon(const std::string& name) {
        logOnAs(name);
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

    std::string msgFile(int n) const {
        return readBytes(folder / "MSG" / (std::to_string(n) + ".MSG"));
    }
    bool msgExists(int n) const {
        return std::filesystem::exists(folder / "MSG" / (std::to_string(n) + ".MSG"));
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
