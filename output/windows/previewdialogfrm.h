// Choosing a day and a notice set, then previewing, printing or publishing that day's page.
#pragma once

#include "output/windows/previewmode.h"

#include "db/station.h"

#include <QDialog>
#include <functional>
#include <string>

class QButtonGroup;
class QDateEdit;
class QGroupBox;
class QPrinter;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace pinora {

class TPreviewFrm;

// Which commands the dialog offers and its caption.

class Tpreviewdialogfrm : public QDialog {
    Q_OBJECT
  public:
    Tpreviewdialogfrm(Station& station, QWidget* parent = nullptr);

    // Set by the main window before it shows the dialog; any value but 1 to 3 offers all.
    void setPreviewMode(PreviewMode mode);
    PreviewMode previewMode() const { return mode_; }
    // The window that shows a preview.
    void setPreviewFrm(TPreviewFrm* frm) { previewFrm_ = frm; }

    // The main window's busy light, turned on while a page is uploaded.
    std::function<void(bool)> setBusy;
    // Asks for a printer; the default shows the system's print dialog. Tests replace it.
    std::function<bool(QPrinter&)> choosePrinter;
    // Tells when a print has finished (the dialog has closed by then).
    std::function<void(bool ok)> onPrinted;

    // The day whose notices are chosen (midnight) and the chosen set's name (record bytes).
    TDateTime chosenDay() const;
    std::string chosenSetName() const;
    // The page most recently written by a command, relative to the database folder
    // ("TEMP/~<n>.HTM"); each command draws a new name with the station's chance.
    const std::string& tempPageName() const { return tempPageName_; }

  public slots:
    void FormShow();
    void dayselClick();
    void PreviewbtnClick();
    void PrintbtnClick();
    void publishbtnClick();
    void BitBtn2Click();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void setPickerDay(TDateTime day);
    // Draws a new temporary name and writes the chosen page there; false (with a message)
    // when no page could be written.
    bool writeChosenPage();

    Station& station_;
    PreviewMode mode_ = PreviewMode::All;
    TPreviewFrm* previewFrm_ = nullptr;
    std::string tempPageName_;

    QGroupBox* daysel_ = nullptr;
    QButtonGroup* dayButtons_ = nullptr;
    QDateEdit* day_ = nullptr;
    QGroupBox* noticeset_ = nullptr;
    QVBoxLayout* setLayout_ = nullptr;
    QButtonGroup* setButtons_ = nullptr;
    QPushButton* previewbtn_ = nullptr;
    QPushButton* printbtn_ = nullptr;
    QPushButton* publishbtn_ = nullptr;
    QPushButton* cancelbtn_ = nullptr;
};

} // namespace pinora
