// Cell writes kept until they are sent in bulk, and a read-ahead window of cell texts: one call
// into the office per block instead of one per cell.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pelzo::calc {

struct Block {
    int firstRow = 1, firstCol = 1;
    int nRows = 0, nCols = 0;
    std::vector<std::string> texts;  // row by row
    // The empty texts of the block as column runs: (column offset, first row offset, row count).
    struct Run {
        int col, row, count;
    };
    std::vector<Run> emptyRuns() const;
    int rows() const { return nRows; }
    int cols() const { return nCols; }
    const std::string& text(int r, int c) const { return texts[size_t(r) * size_t(nCols) + size_t(c)]; }
};

class SheetBuffer {
public:
    static constexpr int MaxBlockRows = 16384;

    // A whole row set to a text; only the empty text is supported (it empties the row).
    void setRow(int row, const std::string& text);
    void setCell(int row, int col, std::string text);

    bool dirty() const { return !cleared_.empty() || !cells_.empty(); }
    // Row ranges [first, last] to empty, in row order; they apply before the cell blocks.
    const std::vector<std::pair<int, int>>& clearedRows() const { return cleared_; }
    // The written cells, later writes winning, as rectangles of consecutive rows that share one
    // run of columns.
    std::vector<Block> blocks() const;

private:
    struct Entry {
        int row, col;
        std::string text;
    };
    std::vector<std::pair<int, int>> cleared_;
    std::vector<Entry> cells_;
};

// A cell as the office holds it: a text, or a number with what its number format makes of it.
struct CellValue {
    int kind = 0;  // PELZO_CELL_*
    double number = 0;
    std::string text;
};

class SheetCache {
public:
    static constexpr int Rows = 4096;
    static constexpr int Columns = 5;

    SheetCache() = default;
    SheetCache(int firstRow, int cols) : first_(firstRow), cols_(cols) {}
    void addRow(std::vector<CellValue> cells) { rows_.push_back(std::move(cells)); }
    bool holds(int row, int col) const { return row >= first_ && row < first_ + int(rows_.size()) && col >= 1 && col <= cols_; }
    const CellValue& get(int row, int col) const;

private:
    int first_ = 0, cols_ = 0;
    std::vector<std::vector<CellValue>> rows_;
    CellValue empty_;
};

}  // namespace pelzo::calc
