// The create dialog: the start and end days and the sets of a new notice, checked against the
// sets' deadlines and day limits before the notice is made.
#pragma once

#include "app/windows/appwindows.h"
#include "app/noticerules.h"
#include "db/station.h"

#include <QDialog>

class QCheckBox;
class QDateTimeEdit;
class QGroupBox;
class QRadioButton;

namespace pinora {

class Tcreatefrm : public QDialog {
    Q_OBJECT
  public:
    Tcreatefrm(Station& station, AppWindows& windows, QWidget* parent = nullptr);

    // Shown without blocking the main window.
    void showDialog();

    StartChoice startChoice() const;
    EndChoice endChoice() const;
    void setStartChoice(StartChoice c); // as a click on the item
    void setEndChoice(EndChoice c);
    TDateTime startValue() const;
    TDateTime endValue() const;
    SetTicks ticks() const;

    void FormShow();
    void BitBtn1Click(); // Continue
    void BitBtn2Click(); // Cancel Entry
    void BitBtn3Click(); // Help

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void recompute();

    Station& station_;
    AppWindows& windows_;
    QRadioButton* start_[4] = {};
    QRadioButton* end_[4] = {};
    QDateTimeEdit* startdatecustom_ = nullptr;
    QDateTimeEdit* enddatecustom_ = nullptr;
    QCheckBox* sets_[kSetCount] = {};
    bool recomputing_ = false;
};

} // namespace pinora
