// The registration tests' station: a fresh folder, a system user the database does not know,
// and a main window for the dialogs to sit on.
#pragma once

#include "db/text.h"
#include "support/bytes.h"
#include "support/helprecorder.h"
#include "support/stationtest.h"
#include "ui/messages.h"
#include "users/windows/firstregfrm.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

namespace pinora::test {

class RegistrationTest : public StationTest {
  protected:
    QMainWindow mainWindow;
    std::unique_ptr<Tfirstregfrm> reg;
    std::vector<std::pair<std::string, std::string>> logons;
    bool closedProgram = false;

    void SetUp() override {
        ui::Messages::clear();
        fakes.osUser = "newteacher";
        StationTest::SetUp();
        st->db.config.signupAllowed = true;
        ASSERT_TRUE(st->db.saveConfig());
        st->currentUserName = fakes.osUser;
        reg = std::make_unique<Tfirstregfrm>(*st);
        reg->mainWindow = &mainWindow;
        reg->finishLogon = [this](const std::string& n, const std::string& p) {
            logons.emplace_back(n, p);
            return st->db.authenticateUser(n, p) > 0;
        };
        reg->onClose = [this] { closedProgram = true; };
        mainWindow.show();
        reg->show();
    }
    void TearDown() override { ui::Messages::clear(); }

    void fill(const QString& full, const QString& sig, const QString& p1, const QString& p2,
              bool extra = false) {
        reg->findChild<QLineEdit*>("fullname")->setText(full);
        reg->findChild<QLineEdit*>("signature")->setText(sig);
        reg->findChild<QLineEdit*>("password1")->setText(p1);
        reg->findChild<QLineEdit*>("password2")->setText(p2);
        reg->findChild<QCheckBox*>("extrahelp")->setChecked(extra);
    }
    void cont() { reg->findChild<QPushButton*>("BitBtn1")->click(); }
    std::string users() const { return readBytes(folder / "USER.DB"); }
};

} // namespace pinora::test
