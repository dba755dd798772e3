#include "app/grid.h"

#include "meter/words.h"

namespace pelzo {

StringGrid::StringGrid() = default;

void StringGrid::setRowCount(int n)
{
    if (n < 1) n = 1;
    if (n == rowCount_) return;
    const int old = rowCount_;
    rowCount_ = n;
    if (listener_ && !bulk_) listener_->gridRowCountChanged(old, n);
}

StringGrid::Row& StringGrid::rowAt(int row)
{
    if (size_t(row) == rows_.size() + 1 && rows_.size() < rows_.capacity()) return rows_.emplace_back();
    if (size_t(row) > rows_.size()) {
        // Grow geometrically so a recording appends in amortised O(1).
        if (size_t(row) > rows_.capacity()) rows_.reserve(std::max<size_t>(row, rows_.capacity() * 2));
        rows_.resize(row);
    }
    return rows_[row - 1];
}

QString StringGrid::cell(int col, int row) const
{
    if (col < 0 || col >= ColCount || row < 0) return {};
    if (row == 0) return header_[col];
    if (size_t(row) > rows_.size()) return {};
    const Row& r = rows_[row - 1];
    if (r.hasText) {
        auto it = explicit_.find(key(col, row));
        if (it != explicit_.end()) return it->second;
    }
    switch (col) {
    case 0: return r.rec ? IntText(row) : QString();
    case 1: return r.tenths >= 0 ? TenthsText(r.tenths) : QString();
    case 2: return r.weighting ? QString(QChar(r.weighting)) : QString();
    case 3: return r.msecs >= 0 ? LongTimeText(QTime::fromMSecsSinceStartOfDay(r.msecs)) : QString();
    case 4: return r.day != INT32_MIN ? ShortDateText(QDate::fromJulianDay(r.day)) : QString();
    }
    return {};
}

void StringGrid::setCell(int col, int row, const QString& text)
{
    if (col < 0 || col >= ColCount || row < 0) return;
    if (row == 0) {
        header_[col] = text;
    } else {
        Row& r = rowAt(row);
        // The explicit text hides the compact value; drop the value so the cell stays consistent.
        switch (col) {
        case 0: r.rec = false; break;
        case 1: r.tenths = -1; break;
        case 2: r.weighting = 0; break;
        case 3: r.msecs = -1; break;
        case 4: r.day = INT32_MIN; break;
        }
        if (text.isEmpty()) {
            if (r.hasText) explicit_.erase(key(col, row));
        } else {
            explicit_[key(col, row)] = text;
            r.hasText = true;
        }
    }
    notifyCells(row, row);
}

void StringGrid::setSampleRow(int row, int tenths, char weighting, QTime time, QDate date)
{
    if (row < 1) return;
    Row& r = rowAt(row);
    if (r.hasText) {
        for (int c = 0; c < ColCount; ++c) explicit_.erase(key(c, row));
    }
    r.rec = true;
    r.tenths = tenths;
    r.weighting = weighting;
    r.msecs = time.isValid() ? time.msecsSinceStartOfDay() : -1;
    r.day = date.isValid() ? int32_t(date.toJulianDay()) : INT32_MIN;
    r.hasText = false;
    notifyCells(row, row);
}

std::optional<SampleRowValues> StringGrid::sampleRow(int row) const
{
    if (row < 1 || size_t(row) > rows_.size()) return std::nullopt;
    const Row& r = rows_[row - 1];
    if (r.hasText || !r.rec || r.tenths < 0 || !r.weighting || r.msecs < 0 || r.day == INT32_MIN) return std::nullopt;
    return SampleRowValues{r.tenths, r.weighting, r.msecs, r.day};
}

void StringGrid::clearRows()
{
    rows_.clear();
    rows_.shrink_to_fit();
    std::erase_if(explicit_, [](const auto& kv) { return (kv.first >> 3) != 0; });
    const int old = rowCount_;
    rowCount_ = 1;
    if (listener_ && !bulk_) {
        if (old != 1) listener_->gridRowCountChanged(old, 1);
    }
}

void StringGrid::notifyCells(int first, int last)
{
    if (listener_ && !bulk_) listener_->gridCellsChanged(first, last);
}

void StringGrid::beginBulk() { ++bulk_; }

void StringGrid::endBulk()
{
    if (bulk_ > 0 && --bulk_ == 0 && listener_) listener_->gridReset();
}

}  // namespace pelzo
