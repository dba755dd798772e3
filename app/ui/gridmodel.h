// The table of readings over the compact rows of StringGrid: texts are made in data(), the
// grid's own row 0 is the header, and what the user types goes back into the grid.
#pragma once

#include "app/grid.h"

#include <QAbstractTableModel>

namespace pelzo {

class GridModel final : public QAbstractTableModel, public GridListener {
    Q_OBJECT
public:
    explicit GridModel(StringGrid& grid, QObject* parent = nullptr);
    ~GridModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void gridRowCountChanged(int oldCount, int newCount) override;
    void gridCellsChanged(int firstRow, int lastRow) override;
    void gridReset() override;

private:
    StringGrid& grid_;
    int shownRows_;  // rows the views know of (grid rows below the header)
};

}  // namespace pelzo

#include <QTableView>

namespace pelzo {

// The table of readings. A recording appends a row every second below what is shown: that
// only moves the scroll bar, so the rows on screen are not painted again for it.
class GridView final : public QTableView {
    Q_OBJECT
public:
    explicit GridView(QWidget* parent = nullptr);
    void setModel(QAbstractItemModel* model) override;
    void doItemsLayout() override;

private:
    void rowsAppended(const QModelIndex& parent, int first, int last);
    bool appendedOutOfSight_ = false;
};

}  // namespace pelzo
