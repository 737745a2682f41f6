// Self-registration of a system user the database does not know yet.
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

} // namespace pinora
