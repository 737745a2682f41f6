// The first-run wizard: sets up a new database with the school's details and the ADMIN account.
#pragma once

#include "db/station.h"

#include <QDialog>
#include <functional>

class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pinora {

class Twelcomefrm : public QDialog {
    Q_OBJECT
  public:
    explicit Twelcomefrm(Station& station, QWidget* parent = nullptr);

    // Called when the user gives up setting up the database: the program ends.
    std::function<void()> onCancelProgram;

    int wizardStep() const { return wizardStep_; }
    bool finished() const { return finished_; }
    bool cancelled() const { return cancelled_; }

  public slots:
    void FormShow();
    void nextClick();
    void backClick();
    void Button1Click();
    void reject() override; // the close box and Escape come here

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    void refresh();

    Station& station_;
    int wizardStep_ = 1;
    int stepCount_ = 4;
    bool finished_ = false;
    bool cancelled_ = false;

    QGroupBox* steps_[4] = {};
    QPlainTextEdit* Memo1_ = nullptr;
    QLineEdit* adminpassword1_ = nullptr;
    QLineEdit* adminpassword2_ = nullptr;
    QLineEdit* schoolname_ = nullptr;
    QLineEdit* copyrightline_ = nullptr;
    QLineEdit* setonename_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* Button1_ = nullptr;
};

} // namespace pinora
