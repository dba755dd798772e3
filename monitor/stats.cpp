#include "monitor/stats.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pelzo {

namespace {
constexpr int KeyCount = LevelHistogram::MaxKey - LevelHistogram::MinKey + 1;
}

LevelHistogram::LevelHistogram() : counts_(KeyCount, 0), tree_(KeyCount + 1, 0)
{
    while (top_ * 2 <= KeyCount) top_ *= 2;
}

void LevelHistogram::add(double level)
{
    const double scaled = std::isfinite(level) ? std::round(level * 100.0) : (level > 0 ? MaxKey : MinKey);
    const int key = int(std::clamp(scaled, double(MinKey), double(MaxKey)));
    ++counts_[size_t(key - MinKey)];
    ++n_;
    stale_ = true;
}

void LevelHistogram::clear()
{
    std::fill(counts_.begin(), counts_.end(), 0);
    std::fill(tree_.begin(), tree_.end(), 0);
    n_ = 0;
    stale_ = false;
}

// The tree in one O(K) pass from the counts: a load of a month adds one count per sample, and a
// tick asks once a second.
void LevelHistogram::rebuild() const
{
    std::copy(counts_.begin(), counts_.end(), tree_.begin() + 1);
    for (int i = 1; i <= KeyCount; ++i) {
        const int parent = i + (i & -i);
        if (parent <= KeyCount) tree_[size_t(parent)] += tree_[size_t(i)];
    }
    stale_ = false;
}

double LevelHistogram::kth(uint64_t k) const
{
    if (n_ == 0) return 0;
    if (stale_) rebuild();
    k = std::clamp<uint64_t>(k, 1, n_);
    // Largest position whose prefix count is below k; the answer is the next one.
    int pos = 0;
    uint64_t below = 0;
    for (int step = top_; step > 0; step /= 2) {
        const int next = pos + step;
        if (next <= KeyCount && below + tree_[size_t(next)] < k) {
            pos = next;
            below += tree_[size_t(next)];
        }
    }
    return double(pos + MinKey) / 100.0;  // pos + 1 is 1-based: key = pos + 1 - 1 + MinKey
}

// 10^(L/10). Recordings come in steps of 0.1 dB, so a few hundred levels recur all the time: a
// small cache by the level's bits gives the same value as the power, without computing it.
double LevelStats::Energy(double level)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &level, sizeof bits);
    EnergySlot& slot = energyCache_[size_t((bits * 0x9E3779B97F4A7C15ull) >> 54)];
    if (slot.filled && slot.bits == bits) return slot.energy;
    slot = EnergySlot{bits, std::pow(10.0, level / 10.0), true};
    return slot.energy;
}

void LevelStats::add(double level)
{
    if (n_ == 0) {
        max_ = min_ = level;
    } else {
        max_ = std::max(max_, level);
        min_ = std::min(min_, level);
    }
    ++n_;
    energy_ += Energy(level);
    hist_.add(level);
}

void LevelStats::clear()
{
    n_ = 0;
    energy_ = 0;
    max_ = min_ = 0;
    hist_.clear();
}

double LevelStats::leq() const
{
    if (n_ == 0) return 0;
    return 10.0 * std::log10(energy_ / double(n_));
}

double LevelStats::sel() const
{
    if (n_ == 0) return 0;
    return leq() + 10.0 * std::log10(double(n_));
}

QString StatsLine(const LevelStats& s)
{
    if (s.count() == 0) return {};
    const uint64_t secs = s.count();
    return QString::asprintf("Leq %.1f dB   L10 %.1f   L50 %.1f   L90 %.1f   SEL %.1f dB   N %llu (%02llu:%02llu:%02llu)",
                             s.leq(), s.l10(), s.l50(), s.l90(), s.sel(), (unsigned long long)secs,
                             (unsigned long long)(secs / 3600), (unsigned long long)(secs / 60 % 60),
                             (unsigned long long)(secs % 60));
}

double LevelStats::exceeded(int percent) const
{
    if (n_ == 0) return 0;
    const double fraction = double(100 - percent) / 100.0;
    const auto k = uint64_t(std::ceil(fraction * double(n_) - 1e-9));
    return hist_.kth(std::max<uint64_t>(k, 1));
}

}  // namespace pelzo
