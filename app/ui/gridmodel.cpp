#include "app/ui/gridmodel.h"

namespace pelzo {

GridModel::GridModel(StringGrid& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(grid), shownRows_(grid.rowCount() - 1)
{
    grid_.setListener(this);
}

GridModel::~GridModel() { grid_.setListener(nullptr); }

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shownRows_; }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : StringGrid::ColCount; }

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return grid_.cell(index.column(), index.row() + 1);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return grid_.cell(section, 0);
    return section + 1;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole) return false;
    grid_.setCell(index.column(), index.row() + 1, value.toString());  // notifies us back
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

// The grid tells us after the fact; growing by rows at the end is safe to announce late, a
// shrink is announced as a reset so no view looks at rows that are gone.
void GridModel::gridRowCountChanged(int, int newCount)
{
    const int rows = newCount - 1;
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginResetModel();
        shownRows_ = rows;
        endResetModel();
    }
}

void GridModel::gridCellsChanged(int firstRow, int lastRow)
{
    if (firstRow == 0) {
        emit headerDataChanged(Qt::Horizontal, 0, StringGrid::ColCount - 1);
        if (lastRow == 0) return;
        firstRow = 1;
    }
    const int first = firstRow - 1;
    const int last = std::min(lastRow - 1, shownRows_ - 1);
    if (first > last) return;
    emit dataChanged(index(first, 0), index(last, StringGrid::ColCount - 1), {Qt::DisplayRole, Qt::EditRole});
}

void GridModel::gridReset()
{
    beginResetModel();
    shownRows_ = grid_.rowCount() - 1;
    endResetModel();
}

}  // namespace pelzo

#include <QHeaderView>

namespace pelzo {

GridView::GridView(QWidget* parent) : QTableView(parent) {}

void GridView::setModel(QAbstractItemModel* m)
{
    QTableView::setModel(m);
    if (m) connect(m, &QAbstractItemModel::rowsInserted, this, &GridView::rowsAppended);
}

void GridView::rowsAppended(const QModelIndex& parent, int first, int)
{
    // Rows are all of one fixed height, so where the first new one lands is plain arithmetic.
    const int y = first * verticalHeader()->defaultSectionSize() - verticalHeader()->offset();
    appendedOutOfSight_ = !parent.isValid() && y > viewport()->height();
}

void GridView::doItemsLayout()
{
    if (appendedOutOfSight_) {
        appendedOutOfSight_ = false;
        updateGeometries();  // the scroll bar learns of the new rows; nothing visible changed
        return;
    }
    QTableView::doItemsLayout();
}

}  // namespace pelzo
