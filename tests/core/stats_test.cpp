#include "monitor/stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

using namespace pelzo;

namespace {

// Nearest rank on a sorted copy: the value at rank ceil(p N).
double NearestRank(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    size_t k = size_t(std::ceil(p * double(v.size()) - 1e-9));
    k = std::clamp<size_t>(k, 1, v.size());
    return v[k - 1];
}

}  // namespace

TEST(LevelStats, KnownValues)
{
    LevelStats s;
    for (double l : {60.0, 60.0, 60.0, 60.0}) s.add(l);
    EXPECT_NEAR(s.leq(), 60.0, 1e-9);
    EXPECT_NEAR(s.sel(), 60.0 + 10 * std::log10(4.0), 1e-9);

    // One loud second dominates the energy average.
    LevelStats t;
    t.add(90.0);
    for (int i = 0; i < 9; ++i) t.add(30.0);
    EXPECT_NEAR(t.leq(), 10 * std::log10((1e9 + 9 * 1e3) / 10), 1e-9);
    EXPECT_NEAR(t.l10(), 30.0, 1e-9);  // 10 % of 10 samples: rank 9 from the bottom is still 30
    EXPECT_EQ(t.max(), 90.0);
    EXPECT_EQ(t.min(), 30.0);
    EXPECT_EQ(t.count(), 10u);
    EXPECT_NEAR(t.l90(), 30.0, 1e-9);
    LevelStats odd;  // off the 0.1 dB grid, and far outside any meter's range
    for (double l : {59.85, 1e9, -1e9, 42.42}) odd.add(l);
    EXPECT_NEAR(odd.l50(), 42.42, 1e-9);
    EXPECT_NEAR(odd.l90(), -100.0, 1e-9);
    t.clear();
    EXPECT_EQ(t.count(), 0u);
    EXPECT_EQ(t.leq(), 0.0);
}

TEST(LevelStats, PercentilesMatchSortingAtEverySize)
{
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> tenths(300, 1323);
    LevelStats s;
    std::vector<double> all;
    for (int i = 0; i < 2000; ++i) {
        const double v = tenths(rng) / 10.0;
        s.add(v);
        all.push_back(v);
        if (i < 50 || i % 97 == 0) {
            ASSERT_NEAR(s.l10(), NearestRank(all, 0.9), 1e-9) << i;
            ASSERT_NEAR(s.l50(), NearestRank(all, 0.5), 1e-9) << i;
            ASSERT_NEAR(s.l90(), NearestRank(all, 0.1), 1e-9) << i;
        }
    }
}

TEST(LevelStats, StatusLine)
{
    LevelStats s;
    EXPECT_TRUE(StatsLine(s).isEmpty());
    for (int i = 0; i < 3661; ++i) s.add(60.0);
    EXPECT_EQ(StatsLine(s), "Leq 60.0 dB   L10 60.0   L50 60.0   L90 60.0   SEL 95.6 dB   N 3661 (01:01:01)");
}
