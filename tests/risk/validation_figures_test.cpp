// The validation figures on series with a known answer: white noise for the Hurst exponent
// and the low-frequency share, counts by hand for the L-moments, the SSI droughts and the
// order-statistic intervals, scipy's p-values for small samples, and a series identical to
// the record, which neither monthly test rejects.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <numeric>
#include <random>
#include <vector>

#include "risk/long_memory.hpp"
#include "risk/monthly_tests.hpp"
#include "risk/order_interval.hpp"
#include "risk/slot_risk.hpp"
#include "risk/ssi.hpp"

namespace flowplex {
namespace {

// Independent standard normal values by Box-Muller from a fixed Mersenne Twister, the same
// on every platform.
class WhiteNoise {
 public:
  explicit WhiteNoise(unsigned seed) : engine_(seed) {}
  std::vector<float> series(int n) {
    std::vector<float> x(static_cast<std::size_t>(n));
    for (float& v : x) {
      const double u1 = (static_cast<double>(engine_() >> 11) + 0.5) / 9007199254740992.0;
      const double u2 = static_cast<double>(engine_() >> 11) / 9007199254740992.0;
      v = static_cast<float>(std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * std::numbers::pi * u2));
    }
    return x;
  }

 private:
  std::mt19937_64 engine_;
};

TEST(Hurst, BlockSizesHoldTwoBlocksAndShortSeriesGiveNone) {
  EXPECT_EQ(hurst_block_sizes(31), (std::vector<int>{8}));
  EXPECT_EQ(hurst_block_sizes(32), (std::vector<int>{8, 16}));
  EXPECT_EQ(hurst_block_sizes(64), (std::vector<int>{8, 16, 32}));
  EXPECT_FALSE(hurst_exponent(std::vector<float>(31, 1.0F)));
  EXPECT_FALSE(anis_lloyd_hurst(31));
  // A series without variance has no R/S in any block.
  EXPECT_FALSE(hurst_exponent(std::vector<float>(64, 1.0F)));
  // A trend: each block's range is that of a parabola, R/S grows as the size itself.
  std::vector<float> trend(64);
  std::iota(trend.begin(), trend.end(), 0.0F);
  EXPECT_NEAR(*hurst_exponent(trend), 1.0F, 0.01F);
}

TEST(Hurst, AnisLloydIsTheExpectedRescaledRangeOfIndependentValues) {
  // E[R/S] of 2 values: the range of the cumulative departures is |x1 - x2| / 2 and S the same.
  EXPECT_NEAR(anis_lloyd_rs(2), 1.0, 1e-12);
  // Beyond where the gammas overflow the form holds, near sqrt(n pi / 2) for large n.
  EXPECT_NEAR(anis_lloyd_rs(2000) / std::sqrt(2000.0 * std::numbers::pi / 2.0), 1.0, 0.03);
  EXPECT_TRUE(std::isfinite(anis_lloyd_rs(5000)));
}

TEST(Hurst, WhiteNoiseAveragesNearTheAnisLloydValue) {
  WhiteNoise noise(34);
  for (const int n : {64, 128}) {
    double sum = 0.0;
    const int series = 2000;
    for (int i = 0; i < series; ++i) sum += *hurst_exponent(noise.series(n));
    // The mean of the slopes lies a little below the slope through the expected R/S (the
    // logarithm of a mean exceeds the mean of the logarithms): about 0.01 at these lengths.
    EXPECT_NEAR(sum / series, *anis_lloyd_hurst(n), 0.02) << n;
    EXPECT_GT(*anis_lloyd_hurst(n), 0.55F) << "short series are biased above 0.5";
  }
}

TEST(LowFrequencyShare, WhiteNoiseAveragesNearItsShareOfTheFrequencies) {
  WhiteNoise noise(7);
  for (const int n : {50, 51, 80}) {
    double sum = 0.0;
    const int series = 2000;
    for (int i = 0; i < series; ++i) sum += *low_frequency_share(noise.series(n));
    const double expected = static_cast<double>(n / 10) / static_cast<double>(n / 2);  // k / floor(n/2)
    EXPECT_NEAR(sum / series, expected, 0.012) << n;
  }
}

TEST(LowFrequencyShare, ACycleCountsWhollyOnItsSideOfTheTenYearPeriod) {
  const auto cycle = [](int n, int j) {
    std::vector<float> x(static_cast<std::size_t>(n));
    for (int t = 0; t < n; ++t) x[static_cast<std::size_t>(t)] = 10.0F + static_cast<float>(std::cos(2 * std::numbers::pi * j * t / n));
    return x;
  };
  EXPECT_NEAR(*low_frequency_share(cycle(40, 4)), 1.0F, 1e-6F);  // a period of exactly 10 years counts
  EXPECT_NEAR(*low_frequency_share(cycle(40, 5)), 0.0F, 1e-6F);  // 8 years does not
  EXPECT_NEAR(*low_frequency_share(cycle(40, 20)), 0.0F, 1e-6F); // the Nyquist ordinate
  EXPECT_FALSE(low_frequency_share(std::vector<float>(9, 1.0F)));
  EXPECT_FALSE(low_frequency_share(std::vector<float>(20, 1.0F)));
}

TEST(LMoments, RatiosOfSmallSamples) {
  // 1, 2, 3, 4: l1 = 2.5, l2 = 5/6, symmetric, l4 = 0 (a discrete uniform's is small).
  const LMomentRatios l = l_moment_ratios(std::vector<float>{4, 1, 3, 2});
  EXPECT_NEAR(*l.l_cv, (5.0 / 6.0) / 2.5, 1e-6);
  EXPECT_NEAR(*l.l_skewness, 0.0, 1e-6);
  EXPECT_NEAR(*l.l_kurtosis, 0.0, 1e-6);
  // 0, 0, 0, 1: b0 = 1/4, b1 = 1/4, b2 = 1/4, b3 = 1/4, so l2 = 1/4, l3 = 1/4, l4 = 1/4.
  const LMomentRatios skewed = l_moment_ratios(std::vector<float>{0, 0, 1, 0});
  EXPECT_NEAR(*skewed.l_cv, 1.0, 1e-6);
  EXPECT_NEAR(*skewed.l_skewness, 1.0, 1e-6);
  EXPECT_NEAR(*skewed.l_kurtosis, 1.0, 1e-6);
  EXPECT_FALSE(l_moment_ratios(std::vector<float>{1, 2, 3}).l_cv);
  EXPECT_FALSE(l_moment_ratios(std::vector<float>(8, 2.0F)).l_skewness);
}

TEST(MonthlyTests, PValuesOfSmallSamplesAsScipyGivesThem) {
  // scipy 1.10: mannwhitneyu(x, y, method="asymptotic"), levene(x, y, center="median").
  const std::vector<float> x{1, 2, 3, 4, 5, 6, 7, 8.5F}, y{2.5F, 3, 3, 9, 10, 11, 12};
  EXPECT_NEAR(mann_whitney_p(x, y), 0.2226536979813717, 1e-12);
  EXPECT_NEAR(brown_forsythe_p(x, y), 0.19693533336841423, 1e-12);
  // Samples far apart reject; in location only, Brown-Forsythe does not.
  std::vector<float> low(30), high(30);
  std::iota(low.begin(), low.end(), 0.0F);
  std::iota(high.begin(), high.end(), 100.0F);
  EXPECT_LT(mann_whitney_p(low, high), 1e-9);
  EXPECT_NEAR(brown_forsythe_p(low, high), 1.0, 1e-12);
}

TEST(MonthlyTests, ASeriesIdenticalToTheRecordRejectsInNeither) {
  WhiteNoise noise(3);
  for (int i = 0; i < 20; ++i) {
    const std::vector<float> record = noise.series(60);
    EXPECT_EQ(mann_whitney_p(record, record), 1.0);
    EXPECT_EQ(brown_forsythe_p(record, record), 1.0);
  }
  // And through the analyses of a slot: a realization that is the record rejects in no month.
  StatisticsResult test;
  test.NYH = test.NYS = 40;
  test.MAR = 1.0F;
  std::vector<float> months;
  for (int y = 0; y < 40; ++y)
    for (float v : noise.series(12)) months.push_back(std::exp(v) + static_cast<float>(y % 3));
  SlotRiskAnalysis analysis(test, months);
  const RealizationFigures f = analysis.realization(months);
  for (const auto& test_months : f.rejections)
    for (const bool rejected : test_months) EXPECT_FALSE(rejected);
  analysis.add(f);
  const SlotRisk risk = analysis.finish();
  for (std::size_t i = 0; i < kFigureNames.size(); ++i) EXPECT_EQ(risk.historical_figures[i], f.figures[i]) << i;
}

TEST(Ssi, StandardisesThroughTheRecordsSumsAndCountsRunsBelowMinusOne) {
  // Ten years of ones: every 12-month sum is 12. A series whose sums fall lower takes the
  // lowest plotting position, 1 / (n + 1) of the record's n = 109 sums.
  const std::vector<float> record(120, 1.0F);
  const SsiReference reference(10, record);
  const double lowest = reference.ssi(0.0);
  EXPECT_NEAR(lowest, -2.3618944465849721, 1e-9);  // scipy.stats.norm.ppf(1 / 110)
  EXPECT_EQ(reference.ssi(11.99), lowest);
  EXPECT_NEAR(reference.ssi(12.0), 2.3618944465849721, 1e-9);  // at the record's largest: 109/110
  EXPECT_EQ(reference.ssi(1e9), reference.ssi(12.0));
  // Ten years: one dry spell of 3 months at 0.5 from month 30: the sums of months 30 to 52
  // ending at months 30 to 43 hold one of them or more and fall below 12: one event of 14 months.
  std::vector<float> x(120, 1.0F);
  x[30] = x[31] = x[32] = 0.5F;
  const SsiFigures f = *reference.figures(10, x);
  EXPECT_EQ(f.events_per_century, 10.0F);
  EXPECT_EQ(f.mean_duration, 14.0F);
  EXPECT_NEAR(f.mean_severity, -14.0 * lowest, 1e-4);
  EXPECT_FALSE(SsiReference(0, {}).figures(10, x));
}

TEST(OrderInterval, BinomialRanksAboutTheQuantilesRank) {
  // Ranks that scipy.stats.binom gives, 41 and 1000 realizations.
  const RankInterval median = quantile_interval_ranks(50, 41);
  EXPECT_EQ(median.lower, 15);
  EXPECT_EQ(median.upper, 27);
  const RankInterval r98 = quantile_interval_ranks(98, 41);
  EXPECT_EQ(r98.lower, 39);
  EXPECT_EQ(r98.upper, 42);  // beyond N: no upper limit
  const RankInterval r90 = quantile_interval_ranks(90, 41);
  EXPECT_EQ(r90.lower, 34);
  EXPECT_EQ(r90.upper, 41);
  const RankInterval large = quantile_interval_ranks(98, 1000);
  EXPECT_EQ(large.lower, 972);
  EXPECT_EQ(large.upper, 988);
  std::vector<float> values(41);
  std::iota(values.begin(), values.end(), 1.0F);
  const QuantileInterval i = quantile_interval(values, 98);
  EXPECT_EQ(i.lower, 39.0F);
  EXPECT_FALSE(i.upper);
}

}  // namespace
}  // namespace flowplex
