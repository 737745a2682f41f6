// The data integrity check window: runs the check engine and shows its log, steps and
// progress; the log can be printed or saved.
#pragma once

#include "db/integritycheck.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QListWidget;
class QPrinter;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QPlainTextEdit;

namespace pinora {

class Tcheck2frm : public QDialog {
    Q_OBJECT
  public:
    Tcheck2frm(Station& station, QWidget* parent = nullptr);

    // The main window's busy light.
    std::function<void(bool)> setBusy;
    // Asks for a printer; the default shows the system's print dialog. Tests replace it.
    std::function<bool(QPrinter&)> choosePrinter;

    CheckOptions options() const;
    QStringList logLines() const;
    // The outcome of the last check run from this window.
    CheckOutcome lastOutcome() const { return lastOutcome_; }

  public slots:
    void startbtnClick();
    void cancelbtnClick();
    void BitBtn1Click(); // Print Log
    void BitBtn2Click(); // Save Log

  private:
    friend class CheckWindowLog;

    Station& station_;
    QListWidget* state_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* startbtn_ = nullptr;
    QPushButton* cancelbtn_ = nullptr;
    QPlainTextEdit* log_ = nullptr;
    QRadioButton* assadmin_ = nullptr;
    QRadioButton* deleted_ = nullptr;
    QCheckBox* removeold_ = nullptr;
    CheckOutcome lastOutcome_ = CheckOutcome::Completed;
};

} // namespace pinora
