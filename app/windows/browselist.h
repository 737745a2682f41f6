// The browse list as a table model over the rows that fillBrowseList builds; dates and texts
// are turned into what people read only when a cell is shown.
#pragma once

#include "db/browselist.h"

#include <QAbstractTableModel>
#include <vector>

namespace pinora {

class BrowseListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    enum Column { IndexColumn, DateInColumn, DateOutColumn, OwnerColumn, SummaryColumn };

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    void setRows(std::vector<BrowseRow> rows);
    void clear() { setRows({}); }
    void removeListRow(int row);
    const BrowseRow& listRow(int row) const { return rows_[static_cast<std::size_t>(row)]; }

  private:
    std::vector<BrowseRow> rows_;
};

} // namespace pinora
