#include "browselist.h"

#include "app/noticerules.h"
#include "ui/messages.h"


namespace pinora {

int BrowseListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int BrowseListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 5;
}

QVariant BrowseListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    const BrowseRow& r = listRow(index.row());
    switch (index.column()) {
    case IndexColumn:
        return QString::number(r.number);
    case DateInColumn:
        return shownDate(r.start);
    case DateOutColumn:
        return shownDate(r.end);
    case OwnerColumn:
        return ui::fromRecord(r.owner);
    case SummaryColumn:
        return ui::fromRecord(r.summary);
    }
    return {};
}

QVariant BrowseListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    static const char* const names[] = {"Index", "Date In", "Date Out", "Owner", "Summary"};
    if (section < 0 || section >= 5) return {};
    return QString::fromLatin1(names[section]);
}

void BrowseListModel::setRows(std::vector<BrowseRow> rows) {
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void BrowseListModel::removeListRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

} // namespace pinora
