// User Management: the administrators' list of users, and each user's rights.
#pragma once

#include "formparts.h"
#include "users/usermanagement.h"

#include <QDialog>
#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pinora {

class TUserManagementFrm : public QDialog {
    Q_OBJECT
  public:
    explicit TUserManagementFrm(Station& station, QWidget* parent = nullptr);

    std::string selectedName() const { return selected_.name; }

  public slots:
    void FormShow();
    void userlistClick();
    void BitBtn1Click(); // Update this user's details
    void BitBtn2Click(); // Delete this user
    void BitBtn3Click(); // Add a new user
    void BitBtn4Click(); // Close User Management
    void BitBtn5Click(); // Help

  protected:
    void showEvent(QShowEvent* e) override;

  private:
    // Refills the list from USER.DB and shows the details of select (by slot, else by name),
    // or of the first entry.
    void fillList(const ListedUser& select = {});
    void showDetails();
    UserDetails details() const;
    void tellGone();

    Station& station_;
    ListedUser selected_; // always the list's current entry
    QListWidget* userlist_;
    QGroupBox* useroptions_;
    QLineEdit* name_;
    QLineEdit* signature_;
    QLineEdit* password_;
    QCheckBox* forcepassword_;
    QLineEdit* postcount_;
    QLineEdit* securitylvl_;
    QCheckBox* allowedit_;
    QCheckBox* allowdelete_;
    QCheckBox* allowpublish_;
    QCheckBox* adminmenu_;
    QCheckBox* superuser_;
    QCheckBox* extrahelp_;
    QCheckBox* bypassdeadline_;
    QCheckBox* bypassmaxday_;
    std::array<QCheckBox*, kSetCount> sets_{};
};

} // namespace pinora
