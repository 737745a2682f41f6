// The browse window: the notices as a list in one of four orders, from which a notice is
// reopened in the main window's editor or deleted.
#pragma once

#include "app/browseactions.h"
#include "app/windows/browselist.h"
#include "db/station.h"

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QProgressBar;
class QTableView;
class QTimer;
class QToolBar;

namespace pinora {

class Tmainfrm;

class Tbrowsefrm : public QDialog {
    Q_OBJECT
  public:
    // The main window is the parent: the help viewer is found through it.
    Tbrowsefrm(Station& station, Tmainfrm& mainfrm);

    BrowseListModel* model() const { return model_; }
    QTableView* list() const { return list_; }
    BrowseOrder lastSortKey() const { return lastSortKey_; }
    // A fill runs, or is due once the window has been painted.
    bool busy() const { return filling_ || fillDue_; }

    // Handlers, named after their controls.
    void FormShow();
    void SortByChange();
    void MineOnlyClick();
    // The words of FindEdit changed: fill again, listing only the notices that hold them all.
    void FindChange();
    void EditBtnClick() { editSelected(false); }
    void DeleteBtnClick();
    void ListDblClick() { editSelected(true); }
    void ExitClick() { reject(); }
    void SpeedButton1Click();

    // The text shown when a notice has gone or changed since the list was filled.
    static QString changedElsewhereMessage();

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

  private:
    // order: the order chosen; none refills in lastSortKey's order.
    void fill(std::optional<BrowseOrder> order);
    void editSelected(bool doubleClick);
    // The selected row, when it names a notice; otherwise tells why not.
    std::optional<int> selectedRow(bool doubleClick);
    void changedElsewhere();
    // Presents what a step on the listed notice has to tell, then why it went no further;
    // true when it went through.
    bool tell(const ListedNoticeStep& step, NoticeRight right);
    void fitSummaryColumn();

    Station& station_;
    Tmainfrm& mainfrm_;
    BrowseListModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QComboBox* sortBy_ = nullptr;
    QCheckBox* mineOnly_ = nullptr;
    QLineEdit* find_ = nullptr;
    QTimer* findTimer_ = nullptr;
    std::vector<std::string> findWords_;
    QGroupBox* sortbox_ = nullptr;
    QProgressBar* sortprog_ = nullptr;

    BrowseOrder lastSortKey_ = BrowseOrder::Index;
    bool filling_ = false;
    bool fillDue_ = false;
    bool stopFill_ = false;
    // A change of order or of MineOnly while a fill runs: that fill stops and this one follows.
    bool refillAfter_ = false;
    std::optional<BrowseOrder> refillOrder_;
    QToolBar* bar_ = nullptr;
};

} // namespace pinora
