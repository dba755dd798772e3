// Feeds the samples of the views (the table's rows) into an accumulator, taking only the rows
// that came since the last call, so a window can follow a recording tick by tick.
#pragma once

#include "app/mainstate.h"
#include "assess/assessment.h"

namespace pelzo::assess {

struct CatchUp {
    bool restarted = false;  // the accumulator was cleared and fed from the first row
    uint32_t fed = 0;        // rows taken
    bool changed() const { return restarted || fed > 0; }
};

class StateFeeder {
public:
    // Takes the rows up to SampleCount not taken yet; starts over (clearing `acc`) when the views
    // were cleared since.
    CatchUp catchUp(const MainState& st, Accumulator& acc);
    // The next catchUp feeds every row again (after the accumulator's rule changed).
    void restart() { generation_.reset(); }
    uint32_t taken() const { return taken_; }

private:
    void feedRow(const MainState& st, int row, Accumulator& acc);
    std::optional<uint64_t> generation_;
    uint32_t taken_ = 0;
    bool dated_ = false;
    int64_t day_ = 0;
    int lastSecond_ = -1;
};

// The current level while recording, when it is at or above `threshold`.
std::optional<double> AlarmLevel(const MainState& st, double threshold);

// Feeds every sample of the views into a fresh accumulator with `rule`.
Accumulator AssessState(const MainState& st, EventRule rule);

}  // namespace pelzo::assess
