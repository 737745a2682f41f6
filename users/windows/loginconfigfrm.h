// How users log on, and whether unknown system users may sign themselves up.
#pragma once

#include "db/station.h"

#include <QDialog>

class QButtonGroup;

namespace pinora {

class Tloginconfigfrm : public QDialog {
    Q_OBJECT
  public:
    explicit Tloginconfigfrm(Station& station, QWidget* parent = nullptr);

  public slots:
    void FormShow();
    void BitBtn1Click(); // Save
    void BitBtn2Click(); // Cancel Changes
    void BitBtn3Click(); // Help

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    Station& station_;
    QButtonGroup* authuser_;
    QButtonGroup* newuser_;
};

} // namespace pinora
