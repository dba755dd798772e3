// The table of readings as plain data: five columns, header row 0, one row per sample.
// Rows are kept compact (numbers, texts made on demand) so a week of samples stays small;
// any cell may still be set to a text of its own, which then wins.
#pragma once

#include <QDate>
#include <QString>
#include <QTime>

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace pelzo {

class GridListener {
public:
    virtual ~GridListener() = default;
    virtual void gridRowCountChanged(int oldCount, int newCount) = 0;
    virtual void gridCellsChanged(int firstRow, int lastRow) = 0;
    virtual void gridReset() = 0;
};

// The compact values of a sample row (see StringGrid::setSampleRow).
struct SampleRowValues {
    int tenths;
    char weighting;
    int msecs;       // time of day
    int julianDay;
};

class StringGrid {
public:
    static constexpr int ColCount = 5;

    StringGrid();

    int rowCount() const { return rowCount_; }
    void setRowCount(int n);

    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    // Fast path for a sample row: REC = row, level in tenths, weighting 'A'/'C', time of day and
    // date, shown in the long time and short date formats. Replaces texts set on that row.
    void setSampleRow(int row, int tenths, char weighting, QTime time, QDate date);

    // The row's compact values when it holds a whole sample row and no text of its own.
    std::optional<SampleRowValues> sampleRow(int row) const;

    // Empties all cells of rows >= 1 and drops the rows, as one change.
    void clearRows();

    // Room for `n` rows, so a load of a known size does not grow the storage step by step.
    void reserveRows(int n) { if (n > 0 && size_t(n) > rows_.capacity()) rows_.reserve(size_t(n)); }

    // Cell storage beyond the row count (cells set on rows not yet shown).
    int storedRows() const { return int(rows_.size()); }

    void setListener(GridListener* l) { listener_ = l; }
    // Suspends notifications; the end sends one reset.
    void beginBulk();
    void endBulk();

private:
    struct Row {
        int32_t tenths = -1;   // -1: no level text
        char weighting = 0;    // 0: none
        int32_t msecs = -1;    // time of day, -1: none / text
        int32_t day = INT32_MIN;  // Julian day, INT32_MIN: none
        bool rec = false;      // REC column shows the row number
        bool hasText = false;  // some cell of this row is in explicit_
    };

    Row& rowAt(int row);
    void notifyCells(int first, int last);
    static uint64_t key(int col, int row) { return (uint64_t(uint32_t(row)) << 3) | uint32_t(col); }

    std::vector<Row> rows_;  // index = row number - 1
    std::unordered_map<uint64_t, QString> explicit_;  // cells set as text; header row too
    std::array<QString, ColCount> header_;
    int rowCount_ = 15;
    GridListener* listener_ = nullptr;
    int bulk_ = 0;
};

// Holds the table's notifications back for a scope (loads of many rows), one reset at its end.
class GridBulk {
public:
    explicit GridBulk(StringGrid& g) : g_(g) { g_.beginBulk(); }
    ~GridBulk() { g_.endBulk(); }
    GridBulk(const GridBulk&) = delete;
    GridBulk& operator=(const GridBulk&) = delete;

private:
    StringGrid& g_;
};

}  // namespace pelzo
