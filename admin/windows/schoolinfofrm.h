// The school's name and copyright line, which every notice page carries.
#pragma once

#include <QDialog>

class QLineEdit;

namespace pinora {

class Station;

class Tschoolinfofrm : public QDialog {
    Q_OBJECT
  public:
    Tschoolinfofrm(Station& station, QWidget* parent = nullptr);

  public slots:
    void FormShow();
    void BitBtn1Click(); // Save
    void CancelClick();
    void BitBtn5Click(); // Help

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    Station& station_;
    QLineEdit* schoolname_ = nullptr;
    QLineEdit* schoolcopyright_ = nullptr;
};

} // namespace pinora
