#include "sheetbuffer.h"

#include <algorithm>
#include <stdexcept>

namespace pelzo::calc {

void SheetBuffer::setRow(int row, const std::string& text)
{
    if (!text.empty()) throw std::runtime_error("only the empty text can be assigned to a whole row");
    // An earlier write to the row is undone by emptying it.
    std::erase_if(cells_, [row](const Entry& e) { return e.row == row; });
    if (!cleared_.empty() && cleared_.back().second + 1 == row) {
        cleared_.back().second = row;
    } else if (cleared_.empty() || row < cleared_.back().first || row > cleared_.back().second) {
        cleared_.emplace_back(row, row);
        std::sort(cleared_.begin(), cleared_.end());
    }
}

void SheetBuffer::setCell(int row, int col, std::string text) { cells_.push_back({row, col, std::move(text)}); }

std::vector<Block> SheetBuffer::blocks() const
{
    // Order by position, the last write of a cell winning.
    std::vector<size_t> order(cells_.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        return std::pair(cells_[a].row, cells_[a].col) < std::pair(cells_[b].row, cells_[b].col);
    });
    std::vector<size_t> cells;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i + 1 < order.size() && cells_[order[i]].row == cells_[order[i + 1]].row && cells_[order[i]].col == cells_[order[i + 1]].col) continue;
        cells.push_back(order[i]);
    }

    // Split into per-row runs of consecutive columns, then stack rows with the same run.
    std::vector<Block> out;
    size_t i = 0;
    while (i < cells.size()) {
        const Entry& head = cells_[cells[i]];
        size_t j = i + 1;
        while (j < cells.size() && cells_[cells[j]].row == head.row && cells_[cells[j]].col == cells_[cells[j - 1]].col + 1) ++j;
        const int firstCol = head.col, nCols = int(j - i);
        Block* b = out.empty() ? nullptr : &out.back();
        const bool extends = b && b->firstCol == firstCol && b->nCols == nCols && b->firstRow + b->nRows == head.row && b->nRows < MaxBlockRows;
        if (!extends) {
            out.push_back(Block{head.row, firstCol, 0, nCols, {}});
            b = &out.back();
        }
        for (size_t k = i; k < j; ++k) b->texts.push_back(cells_[cells[k]].text);
        ++b->nRows;
        i = j;
    }
    return out;
}

std::vector<Block::Run> Block::emptyRuns() const
{
    std::vector<Run> out;
    for (int c = 0; c < nCols; ++c) {
        int r = 0;
        while (r < nRows) {
            if (!text(r, c).empty()) {
                ++r;
                continue;
            }
            const int start = r;
            while (r < nRows && text(r, c).empty()) ++r;
            out.push_back({c, start, r - start});
        }
    }
    return out;
}

const CellValue& SheetCache::get(int row, int col) const
{
    const auto& r = rows_[size_t(row - first_)];
    return size_t(col - 1) < r.size() ? r[size_t(col - 1)] : empty_;
}

}  // namespace pelzo::calc
