// The logon window, and the logon decision that opens it or logs the user on at once.
#pragma once

#include "db/station.h"

#include <QDialog>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace pinora {

// What the logon needs from the rest of the program.
struct LogonHooks {
    QWidget* mainWindow = nullptr;                // disabled until a logon succeeds
    std::function<void()> setupMainWindowForUser; // after the main window is shown
    std::function<void(int exitCode)> endProgram;
    // Self-registration of an unknown system user; unset: such users are refused.
    std::function<void()> showRegistration;
};

class Tlogonfrm : public QDialog {
    Q_OBJECT
  public:
    explicit Tlogonfrm(Station& station, QWidget* parent = nullptr);

    void setHooks(LogonHooks hooks) { hooks_ = std::move(hooks); }

    // Runs once at the end of start-up. Returns once it has opened a window, logged the user
    // on, or ended the program.
    void startLogon(bool loginSwitchGiven);
    // name and password as Windows-1252. False when the program has been ended.
    bool finishLogon(const std::string& name, const std::string& password);

  public slots:
    void BitBtn1Click();
    void reject() override; // Escape does not close the window

  protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void endProgram(int code);

    Station& station_;
    LogonHooks hooks_;
    QLabel* Image1_ = nullptr;
    QLineEdit* username_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* BitBtn1_ = nullptr;
};

} // namespace pinora
