// Default Security Levels: the rights a self-registered user starts with.
#pragma once

#include "formparts.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace pinora {

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
