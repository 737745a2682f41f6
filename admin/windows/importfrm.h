// Importing the notices of a release 1.4 folder, through the import engine of db/.
#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace pinora {

class Station;

class TImportfrm : public QDialog {
    Q_OBJECT
  public:
    TImportfrm(Station& station, QWidget* parent = nullptr);

  public slots:
    void FormShow();
    void ImportClick();
    void Button1Click(); // Cancel

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Station& station_;
    QComboBox* importset1_ = nullptr; // staff notices
    QComboBox* importset2_ = nullptr; // student notices
    QLineEdit* path_ = nullptr;
    QPlainTextEdit* progress_ = nullptr;
};

} // namespace pinora
