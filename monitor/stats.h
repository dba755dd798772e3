// Acoustic statistics of the samples in the views: energy average, percentile levels and the
// sound exposure level. A new sample costs O(1); asking for percentiles after new samples costs
// O(K) once, K being the number of level steps kept (hundredths of a decibel over the range below).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace pelzo {

// Counts of levels in steps of 0.01 dB, as a Fenwick tree so "the k-th smallest" is a log-time
// walk. Levels outside the range are held to its ends.
class LevelHistogram {
public:
    static constexpr int MinKey = -10000;  // -100.00 dB
    static constexpr int MaxKey = 30000;   // 300.00 dB

    LevelHistogram();
    void add(double level);
    void clear();
    uint64_t count() const { return n_; }
    // The k-th smallest level (1-based), as a multiple of 0.01 dB.
    double kth(uint64_t k) const;

private:
    void rebuild() const;

    std::vector<uint32_t> counts_;        // by key
    mutable std::vector<uint32_t> tree_;  // 1-based, made from counts_ when asked
    mutable bool stale_ = false;
    uint64_t n_ = 0;
    int top_ = 1;  // highest power of two within the tree
};

class LevelStats {
public:
    void add(double level);
    void clear();

    uint64_t count() const { return n_; }
    double leq() const;  // 10 log10(mean(10^(L/10)))
    double sel() const;  // Leq + 10 log10(N), one sample per second
    // The level exceeded by `percent` % of the samples: nearest rank ceil((100 - percent) % of N).
    double exceeded(int percent) const;
    double l10() const { return exceeded(10); }
    double l50() const { return exceeded(50); }
    double l90() const { return exceeded(90); }
    double max() const { return max_; }
    double min() const { return min_; }
    double durationSeconds() const { return double(n_); }

private:
    struct EnergySlot {
        uint64_t bits = 0;
        double energy = 0;
        bool filled = false;
    };
    double Energy(double level);

    std::array<EnergySlot, 1024> energyCache_{};
    uint64_t n_ = 0;
    double energy_ = 0;  // sum of 10^(L/10)
    double max_ = 0, min_ = 0;
    LevelHistogram hist_;
};

// One line for the window's status strip: "Leq 62.3 dB  L10 … SEL … N 3600 (01:00:00)"; empty
// without samples.
QString StatsLine(const LevelStats& s);

}  // namespace pelzo
