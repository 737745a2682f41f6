// Naming the eight notice sets and setting each one's deadline and day limit.
#pragma once

#include "db/records.h"

#include <QDialog>
#include <QString>
#include <array>
#include <functional>
#include <optional>

class QCheckBox;
class QLineEdit;

namespace pinora {

class Station;

// One row of the dialog as typed.
struct SetRow {
    QString name;
    bool deadlineEnabled = false;
    QString deadline;
    bool maxDaysEnabled = false;
    QString maxDays;
};
using SetRows = std::array<SetRow, kSetCount>;

SetRows setRowsOf(const ConfigRecord& config);
// Stores the rows into config in the order the dialog saves them; every deadline and day
// limit must read back, else config stays as it was and the conversion message comes back.
std::optional<QString> storeSetRows(ConfigRecord& config, const SetRows& rows);

class Tsetconfigfrm : public QDialog {
    Q_OBJECT
  public:
    Tsetconfigfrm(Station& station, QWidget* parent = nullptr);

    SetRows rows() const;

  public slots:
    void FormShow();
    void BitBtn9Click();  // Save
    void BitBtn10Click(); // Cancel Changes
    void BitBtn11Click(); // Help

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    struct RowControls {
        QLineEdit* name;
        QCheckBox* ept;
        QLineEdit* ptime;
        QCheckBox* emd;
        QLineEdit* maxday;
    };
    Station& station_;
    std::array<RowControls, kSetCount> rows_{};
};

} // namespace pinora
