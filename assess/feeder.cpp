#include "assess/feeder.h"

#include <QLocale>

namespace pelzo::assess {

CatchUp StateFeeder::catchUp(const MainState& st, Accumulator& acc)
{
    CatchUp r;
    if (generation_ != st.Series_rec.generation || st.SampleCount < taken_) {
        acc.clear();
        generation_ = st.Series_rec.generation;
        taken_ = 0;
        dated_ = false;
        lastSecond_ = -1;
        r.restarted = true;
    }
    if (taken_ < st.SampleCount) r.fed = st.SampleCount - taken_;
    for (; taken_ < st.SampleCount; ++taken_) feedRow(st, int(taken_) + 1, acc);
    return r;
}

void StateFeeder::feedRow(const MainState& st, int row, Accumulator& acc)
{
    double level = 0;
    Weighting w = Weighting::A;
    std::optional<QTime> tod;
    if (const auto v = st.Grid.sampleRow(row)) {
        level = v->tenths / 10.0;
        w = v->weighting == 'C' ? Weighting::C : Weighting::A;
        tod = QTime::fromMSecsSinceStartOfDay(v->msecs);
        if (!dated_) day_ = v->julianDay, dated_ = true;
    } else {
        float f = 0;
        if (!ParseLevel(st.Grid.cell(1, row), f)) return;  // a row without a level is no sample
        level = f;
        w = st.Grid.cell(2, row).trimmed() == QLatin1String("C") ? Weighting::C : Weighting::A;
        if (const QTime t = ParseTimeText(st.Grid.cell(3, row)); t.isValid()) tod = t;
        if (!dated_) {
            // Without a readable date the hours still come out right, on the first day of 2000.
            const QDate d = ParseDateText(st.Grid.cell(4, row));
            day_ = d.isValid() ? d.toJulianDay() : QDate(2000, 1, 1).toJulianDay();
            dated_ = true;
        }
    }
    // A row without a readable time follows the one before by a second.
    const int second = tod ? tod->msecsSinceStartOfDay() / 1000 : std::min(lastSecond_ + 1, 86399);
    if (second < lastSecond_) ++day_;
    lastSecond_ = second;
    acc.add(level, w, StampOf(day_, second));
}

std::optional<double> AlarmLevel(const MainState& st, double threshold)
{
    if (!st.Recording || !st.UsbLinked || st.SampleCount == 0 || st.Series_rec.y.empty()) return std::nullopt;
    const double level = st.Series_rec.y.back();
    if (level < threshold) return std::nullopt;
    return level;
}

Accumulator AssessState(const MainState& st, EventRule rule)
{
    Accumulator acc(rule);
    StateFeeder feeder;
    feeder.catchUp(st, acc);
    return acc;
}

}  // namespace pelzo::assess
