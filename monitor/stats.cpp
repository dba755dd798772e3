#include "monitor/stats.h"

#include <cmath>

namespace pelzo {

size_t RankTracker::targetLow() const
{
    const size_t n = low_.size() + high_.size();
    if (n == 0) return 0;
    const size_t k = size_t(std::ceil(fraction_ * double(n) - 1e-9));
    return k < 1 ? 1 : k;
}

void RankTracker::add(double v)
{
    if (!low_.empty() && v > low_.top())
        high_.push(v);
    else
        low_.push(v);
    const size_t want = targetLow();
    while (low_.size() > want) {
        high_.push(low_.top());
        low_.pop();
    }
    while (low_.size() < want && !high_.empty()) {
        low_.push(high_.top());
        high_.pop();
    }
}

void RankTracker::clear()
{
    low_ = {};
    high_ = {};
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
    energy_ += std::pow(10.0L, (long double)level / 10.0L);
    p90_.add(level);
    p50_.add(level);
    p10_.add(level);
}

void LevelStats::clear() { *this = LevelStats(); }

double LevelStats::leq() const
{
    if (n_ == 0) return 0;
    return double(10.0L * std::log10(energy_ / (long double)n_));
}

double LevelStats::sel() const
{
    if (n_ == 0) return 0;
    return leq() + 10.0 * std::log10(double(n_));
}

}  // namespace pelzo
