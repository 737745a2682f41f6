// The web server settings dialog, driven through its named controls.
#include "output/windows/webserverconfigfrm.h"
#include "support/fakes.h"
#include "support/tempfolder.h"
#include "ui/messages.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace pinora;
using pinora::test::FakeServices;
using pinora::test::TempFolder;
using pinora::ui::Messages;

namespace {

const QString kPortMessage =
    QStringLiteral("When Specifying an FTP port it must be a number between 1 and 65535");

std::string fileBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class WebServerConfig : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeFreshDatabase(folder.str());
        // The stored settings the dialog starts from.
        changeOnDisk([](ConfigRecord& c) {
            c.ftpServer = "ftp.school.example";
            c.ftpPort = 2121;
            c.ftpPassive = true;
            c.ftpUser = "web";
            c.ftpPassword = "pw";
            c.ftpUploadDir = "/htdocs/notices";
        });
        ASSERT_EQ(station.db.loadConfig(), Result::Ok);
        Messages::clear();
    }
    void TearDown() override { Messages::clear(); }

    // Another station's save.
    void changeOnDisk(const std::function<void(ConfigRecord&)>& change) {
        FakeServices other;
        Database db(folder.str(), other.services());
        ASSERT_EQ(db.loadConfig(), Result::Ok);
        change(db.config);
        ASSERT_TRUE(db.saveConfig());
    }
    ConfigRecord onDisk() {
        FakeServices other;
        Database db(folder.str(), other.services());
        EXPECT_EQ(db.loadConfig(), Result::Ok);
        return db.config;
    }
    std::string configBytes() const { return fileBytes(folder / "CONFIG.DB"); }

    QLineEdit* edit(const char* name) { return dlg.findChild<QLineEdit*>(name); }
    QPushButton* btn(const char* name) { return dlg.findChild<QPushButton*>(name); }
    QCheckBox* pasv() { return dlg.findChild<QCheckBox*>("pasvftp"); }

    TempFolder folder;
    FakeServices services;
    Station station{folder.str(), services.services()};
    Twebserverconfigfrm dlg{station};
};

TEST_F(WebServerConfig, ShowingFillsTheControlsFromTheStoredSettings) {
    changeOnDisk([](ConfigRecord& c) { c.ftpUser = "M\xFCller"; }); // Windows-1252
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), "Publish HTML Options: WebServer Config");
    ASSERT_NE(dlg.findChild<QGroupBox*>(), nullptr);
    EXPECT_EQ(dlg.findChild<QGroupBox*>()->title(), "FTP Upload Options");
    EXPECT_EQ(edit("ftpserv")->text(), "ftp.school.example");
    EXPECT_EQ(edit("port")->text(), "2121");
    EXPECT_TRUE(pasv()->isChecked());
    EXPECT_EQ(edit("user")->text(), QString::fromUtf8("M\u00fcller"));
    EXPECT_EQ(edit("pass")->text(), "pw");
    EXPECT_EQ(edit("pass")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(edit("pass")->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                               edit("pass")),
              '*');
    EXPECT_EQ(edit("uploaddir")->text(), "/htdocs/notices");
    EXPECT_EQ(dlg.findChild<QLabel*>("ftpservLabel")->buddy(), edit("ftpserv"));

    // Unsaved edits are gone at the next showing, which shows what is stored then.
    edit("ftpserv")->setText("typed but cancelled");
    btn("BitBtn2")->click();
    EXPECT_FALSE(dlg.isVisible());
    changeOnDisk([](ConfigRecord& c) { c.ftpPort = 990; });
    dlg.show();
    EXPECT_EQ(edit("ftpserv")->text(), "ftp.school.example");
    EXPECT_EQ(edit("port")->text(), "990");
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(WebServerConfig, APortOutsideOneTo65535IsRefusedAndNothingIsSaved) {
    dlg.show();
    const std::string before = configBytes();
    for (const char* bad : {"0", "65536", "abc", "", "-1", "21.5", "2 1", "99999999999"}) {
        SCOPED_TRACE(bad);
        Messages::clear();
        edit("ftpserv")->setText("changed.example");
        edit("port")->setText(bad);
        btn("BitBtn1")->click();
        EXPECT_EQ(Messages::shownTexts(), QStringList{kPortMessage});
        EXPECT_TRUE(dlg.isVisible()) << "the dialog closed";
        EXPECT_EQ(configBytes(), before) << "something was saved";
    }
}

TEST_F(WebServerConfig, PortsAtTheEndsOfTheRangeAreSaved) {
    for (const auto& [text, value] :
         {std::pair{"21", 21}, std::pair{"65535", 65535}, std::pair{"1", 1}}) {
        SCOPED_TRACE(text);
        Messages::clear();
        dlg.show();
        edit("port")->setText(text);
        pasv()->setChecked(false);
        btn("BitBtn1")->click();
        EXPECT_TRUE(Messages::shown().isEmpty());
        EXPECT_FALSE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        const ConfigRecord c = onDisk();
        EXPECT_EQ(c.ftpPort, value);
        EXPECT_FALSE(c.ftpPassive);
        EXPECT_EQ(c.ftpServer.str(), "ftp.school.example");
    }
}

TEST_F(WebServerConfig, SaveKeepsWhatAnotherStationSavedMeanwhile) {
    dlg.show();
    edit("ftpserv")->setText("www.example.org");
    edit("user")->setText("notices");
    edit("pass")->setText("n3w");
    edit("uploaddir")->setText("");
    pasv()->setChecked(false);
    changeOnDisk([](ConfigRecord& c) {
        c.schoolName = "Hill School";
        c.noticeSets[1].name = "Staff";
        c.ftpPort = 2222; // the same dialog's field: the last save wins
    });
    edit("port")->setText("21");
    btn("BitBtn1")->click();
    ASSERT_FALSE(dlg.isVisible());

    const ConfigRecord c = onDisk();
    EXPECT_EQ(c.schoolName.str(), "Hill School");
    EXPECT_EQ(c.noticeSets[1].name.str(), "Staff");
    EXPECT_EQ(c.ftpServer.str(), "www.example.org");
    EXPECT_EQ(c.ftpPort, 21);
    EXPECT_FALSE(c.ftpPassive);
    EXPECT_EQ(c.ftpUser.str(), "notices");
    EXPECT_EQ(c.ftpPassword.str(), "n3w");
    EXPECT_EQ(c.ftpUploadDir.str(), "");                          // stored unchanged, even empty
    EXPECT_EQ(station.db.config.schoolName.str(), "Hill School"); // memory follows the file
}

TEST_F(WebServerConfig, AStoredFileThatCannotBeReadIsNotOverwritten) {
    dlg.show();
    edit("ftpserv")->setText("www.example.org");
    std::ofstream(folder / "CONFIG.DB", std::ios::binary | std::ios::trunc) << "half a file";
    btn("BitBtn1")->click();
    EXPECT_TRUE(dlg.isVisible());
    EXPECT_EQ(configBytes(), "half a file");
    // The window presents what the database tells as an information box.
    EXPECT_EQ(Messages::shownTexts().size(), 1);

    // A file that is gone is written afresh.
    std::filesystem::remove(folder / "CONFIG.DB");
    btn("BitBtn1")->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(onDisk().ftpServer.str(), "www.example.org");
    EXPECT_EQ(onDisk().ftpPort, 2121);
}

TEST_F(WebServerConfig, LongTextsAreCutToTheirFields) {
    dlg.show();
    edit("ftpserv")->setText(QString(100, 's'));
    edit("user")->setText(QString(29, 'u') + QString::fromUtf8("\u00e9xyz")); // é is one byte
    edit("pass")->setText(QString(40, 'p'));
    edit("uploaddir")->setText(QString(300, 'd'));
    btn("BitBtn1")->click();
    ASSERT_FALSE(dlg.isVisible());

    const ConfigRecord c = onDisk();
    EXPECT_EQ(c.ftpServer.str(), std::string(80, 's'));
    EXPECT_EQ(c.ftpUser.str(), std::string(29, 'u') + "\xE9");
    EXPECT_EQ(c.ftpPassword.str(), std::string(30, 'p'));
    EXPECT_EQ(c.ftpUploadDir.str(), std::string(255, 'd'));
    EXPECT_EQ(configBytes().size(), Database::kConfigFileSize);
}

TEST_F(WebServerConfig, CancelStoresNothingAndHelpAsksForItsTopic) {
    dlg.show();
    const std::string before = configBytes();
    QString topic;
    QWidget* beside = nullptr;
    dlg.onHelp = [&](const QString& t, QWidget* w) {
        topic = t;
        beside = w;
    };
    btn("BitBtn5")->click();
    EXPECT_EQ(topic, "webconf.htm");
    EXPECT_EQ(beside, &dlg);
    EXPECT_TRUE(dlg.isVisible());

    edit("ftpserv")->setText("other.example");
    edit("port")->setText("0");
    btn("BitBtn2")->click();
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(configBytes(), before);
    EXPECT_TRUE(Messages::shown().isEmpty());
}

} // namespace
