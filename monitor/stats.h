// Acoustic statistics of the samples in the views: energy average, percentile levels and the
// sound exposure level. Each new sample costs O(1) for Leq and O(log n) for the percentiles.
#pragma once

#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

namespace pelzo {

// Keeps the k-th smallest value (nearest rank, k = ceil(p * n)) of a growing set: the k smallest
// in a max-heap, the rest in a min-heap.
class RankTracker {
public:
    explicit RankTracker(double fraction) : fraction_(fraction) {}
    void add(double v);
    void clear();
    double value() const { return low_.empty() ? 0.0 : low_.top(); }

private:
    size_t targetLow() const;
    double fraction_;
    std::priority_queue<double> low_;
    std::priority_queue<double, std::vector<double>, std::greater<double>> high_;
};

class LevelStats {
public:
    void add(double level);
    void clear();

    uint64_t count() const { return n_; }
    double leq() const;   // 10 log10(mean(10^(L/10)))
    double sel() const;   // Leq + 10 log10(N), one sample per second
    double l10() const { return p90_.value(); }  // exceeded by 10 % of the samples
    double l50() const { return p50_.value(); }
    double l90() const { return p10_.value(); }
    double max() const { return max_; }
    double min() const { return min_; }
    double durationSeconds() const { return double(n_); }

private:
    uint64_t n_ = 0;
    long double energy_ = 0;  // sum of 10^(L/10)
    double max_ = 0, min_ = 0;
    RankTracker p90_{0.9}, p50_{0.5}, p10_{0.1};
};

}  // namespace pelzo
