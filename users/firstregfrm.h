// Self-registration of an unknown system user, and the default rights of new users.
#pragma once

#include "formparts.h"

#include <QDialog>
#include <functional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pinora {

class Tfirstregfrm : public QDialog {
    Q_OBJECT
  public:
    explicit Tfirstregfrm(Station& station, QWidget* parent = nullptr);

    // Disabled while the window is shown, so the window must not be its child; its help
    // viewer is found through it.
    QWidget* mainWindow = nullptr;
    // Logs the new user on (name and password as stored); false when the program has ended.
    std::function<bool(const std::string& name, const std::string& password)> finishLogon;
    // Leaving without registering leaves the program.
    std::function<void()> onClose;

    bool registered() const { return registered_; }

  public slots:
    void FormShow();
    void BitBtn1Click();    // Continue
    void BitBtn3Click();    // Help
    void reject() override; // Escape does not close the window

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    Station& station_;
    bool registered_ = false;
    PersonalFields fields_;
    QPushButton* BitBtn1_ = nullptr;
    QPushButton* BitBtn3_ = nullptr;
};

class Tautoregconfigfrm : public QDialog {
    Q_OBJECT
  public:
    explicit Tautoregconfigfrm(Station& station, QWidget* parent = nullptr);

  public slots:
    void FormShow();
    void BitBtn1Click(); // Save Settings
    void BitBtn2Click(); // Cancel Changes
    void BitBtn3Click(); // Help

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    Station& station_;
    QCheckBox* forcepassword_;
    QCheckBox* allowpublish_;
    QCheckBox* allowedit_;
    QCheckBox* allowdelete_;
    QCheckBox* adminmenu_;
    QLineEdit* securitylvl_;
};

} // namespace pinora
