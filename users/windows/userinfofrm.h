// User Information: every user's own record, changed by that user.
#pragma once

#include "formparts.h"
#include "users/usermanagement.h"

#include <QDialog>
#include <functional>

namespace pinora {

class TUserInfofrm : public QDialog {
    Q_OBJECT
  public:
    explicit TUserInfofrm(Station& station, QWidget* parent = nullptr);

    std::function<void(bool on)> setBusy; // the main window's busy light

  public slots:
    void FormShow();
    void BitBtn1Click(); // Save
    void BitBtn2Click(); // Cancel
    void BitBtn5Click(); // Help

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    Station& station_;
    PersonalFields fields_;
};

} // namespace pinora
