// The rules of the risk analyses on series small enough to count by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

#include "risk/cross_gauge.hpp"
#include "risk/droughts.hpp"
#include "risk/flow_duration.hpp"
#include "risk/persistence.hpp"
#include "risk/quantile.hpp"
#include "risk/validation.hpp"

namespace flowplex {
namespace {

TEST(QuantileRule, RanksOfTheRunsFortyOneSequencesAndOfLargerEnsembles) {
  const std::vector<std::pair<int, int>> at41{{5, 3}, {50, 21}, {80, 33}, {90, 37}, {95, 39}, {98, 41}, {99, 41}};
  for (const auto& [p, rank] : at41) EXPECT_EQ(quantile_rank(p, 41), rank) << p;
  EXPECT_EQ(quantile_rank(98, 1000), 980);
  EXPECT_EQ(quantile_rank(99, 1000), 990);
  EXPECT_EQ(quantile_rank(5, 1000), 50);
  EXPECT_EQ(quantile_rank(20, 80), 16);  // the Q80 of an 80-year record: 64 years above, 80 %
  EXPECT_EQ(quantile_rank(0, 7), 1);
}

TEST(QuantileRule, PicksTheOrderStatisticAndSkipsWhatIsNotFinite) {
  std::vector<float> values(41);
  std::iota(values.begin(), values.end(), 1.0F);
  std::reverse(values.begin(), values.end());
  EXPECT_EQ(quantile(values, 98), 41.0F);
  EXPECT_EQ(quantile(values, 95), 39.0F);
  EXPECT_EQ(quantile(values, 5), 3.0F);
  values.push_back(std::numeric_limits<float>::quiet_NaN());
  values.push_back(std::numeric_limits<float>::infinity());
  EXPECT_EQ(quantile(values, 50), 21.0F);
  EXPECT_FALSE(quantile(std::vector<float>{}, 50));
}

// Monthly flows of NY years, every month m of year y given by f(y, m) (0-based).
template <typename F>
std::vector<float> months_of(int NY, F f) {
  std::vector<float> x;
  for (int y = 0; y < NY; ++y)
    for (int m = 0; m < kMonths; ++m) x.push_back(f(y, m));
  return x;
}

TEST(Droughts, ThresholdIsTheTwentyPercentValueOfEachMonth) {
  // Ten years: October runs 1..10, the other months 10 times their number.
  const auto x = months_of(10, [](int y, int m) { return m == 0 ? static_cast<float>(y + 1) : 10.0F * (m + 1); });
  const MonthlyThresholds t = drought_thresholds(10, x);
  EXPECT_EQ(t[0], 2.0F);  // the 2nd smallest of 10: 9 of the 10 years reach it
  EXPECT_EQ(t[11], 120.0F);
}

TEST(Droughts, RunsDeficitsAndTheDroughtStillRunningAtTheEnd) {
  MonthlyThresholds t{};
  t.fill(10.0F);
  // Two years: a drought of months 3-4 (deficits 2 and 5), one of month 8 (deficit 1),
  // one from month 22 to the end (3 months, deficits 4 each).
  std::vector<float> x(24, 10.0F);
  x[2] = 8.0F;
  x[3] = 5.0F;
  x[7] = 9.0F;
  x[21] = x[22] = x[23] = 6.0F;
  const DroughtFigures d = drought_figures(2, x, t);
  EXPECT_EQ(d.events_per_century, 150.0F);
  EXPECT_EQ(d.mean_duration, 2.0F);
  EXPECT_EQ(d.longest, 3);
  EXPECT_EQ(d.largest_deficit, 12.0F);
  // A flow equal to the threshold is not in drought; a series of none has no drought.
  const DroughtFigures none = drought_figures(2, std::vector<float>(24, 10.0F), t);
  EXPECT_EQ(none.events_per_century, 0.0F);
  EXPECT_EQ(none.mean_duration, 0.0F);
  EXPECT_EQ(none.largest_deficit, 0.0F);
}

TEST(FlowDuration, WeibullPositionsInterpolatedAndHeldAtTheEnds) {
  // 99 months of 1..99: the i-th largest stands at i/100, so the p % flow is 100 - p.
  std::vector<float> x(99);
  std::iota(x.begin(), x.end(), 1.0F);
  const DurationCurve c = flow_duration(x);
  for (std::size_t i = 0; i < kExceedances.size(); ++i) EXPECT_EQ(c[i], 100.0F - kExceedances[i]) << kExceedances[i];
  // Four flows sit at 20, 40, 60, 80 %: 10 % lies beyond the largest, 30 % half way.
  const DurationCurve four = flow_duration(std::vector<float>{4.0F, 1.0F, 3.0F, 2.0F});
  EXPECT_EQ(four[3], 4.0F);   // 10 %
  EXPECT_EQ(four[5], 3.5F);   // 30 %
  EXPECT_EQ(four[14], 1.0F);  // 99 %
}

TEST(Persistence, DeparturesFromEachMonthsMeanAndLagsTheSeriesCannotHold) {
  // A pure seasonal cycle has no departure at all: no autocorrelation can be formed.
  const auto seasonal = months_of(20, [](int, int m) { return static_cast<float>(m * m); });
  for (const auto& r : monthly_persistence(20, seasonal)) EXPECT_FALSE(r);
  // Three years hold annual lags 1 and 2 only.
  const std::vector<float> annual{1.0F, 3.0F, 2.0F};
  const AnnualCorrelogram a = annual_persistence(3, annual);
  EXPECT_TRUE(a[0] && a[1]);
  EXPECT_FALSE(a[2] || a[3] || a[4]);
  EXPECT_NEAR(*a[0], -0.5F, 1e-6F);  // (-1*1 + 1*0) / 2 over the variance 2, with divisor n
  EXPECT_FLOAT_EQ(persistence_bound(100), 0.196F);
}

TEST(CrossGauge, PearsonAndTheMeanOverRealizations) {
  const std::vector<float> x{1, 2, 3, 4}, up{2, 4, 6, 8}, down{4, 3, 2, 1}, flat{5, 5, 5, 5};
  EXPECT_FLOAT_EQ(*pearson(x, up), 1.0F);
  EXPECT_FLOAT_EQ(*pearson(x, down), -1.0F);
  EXPECT_FALSE(pearson(x, flat));
  EXPECT_FALSE(pearson(std::vector<float>{1}, std::vector<float>{2}));

  CrossGaugeCorrelation c({{1, 7, "A"}, {2, 8, "B"}, {3, 9, "C"}}, {0.5F, std::nullopt, -0.25F});
  c.add_realization({x, up, flat});
  c.add_realization({x, down, up});
  const CrossGaugeResult r = c.finish();
  ASSERT_EQ(r.pairs.size(), 3U);
  EXPECT_EQ(r.pairs[0].other_slot, 2);
  EXPECT_EQ(*r.pairs[0].generated_mean, 0.0F);       // +1 and -1
  EXPECT_EQ(*r.pairs[1].generated_mean, 1.0F);       // only the second realization gives one
  EXPECT_EQ(*r.pairs[2].generated_mean, -1.0F);
  EXPECT_FALSE(r.pairs[1].historical);
  EXPECT_EQ(r.pairs[2].historical, -0.25F);
}

TEST(Validation, CountsTheFiguresInsideTheirBandAndLeavesOutThoseNotGiven) {
  StatisticsResult test;
  test.NYH = 10;
  test.NYS = 5;
  const SevenValues summary{9, 8, 7, 6, 5, 4, 3};
  test.rows.push_back({"annual_mean", 0, 5.0F, summary});        // inside 4..8
  test.rows.push_back({"monthly_sd", 1, 8.5F, summary});         // above the 95 %
  test.rows.push_back({"run_sum", 96, 1.0F, std::nullopt});      // longer than the sequences
  SlotRisk risk;
  risk.drought_rows.push_back({"longest_duration", 0, 4.0F, std::nullopt, {4.0F, 5.0F, 6.0F}});
  risk.persistence.push_back({"annual", 5, std::nullopt, 0.6F, {0.0F, 0.1F, 0.2F}});
  const Validation v = validation_of(test, risk);
  EXPECT_EQ(v.inside, 2);
  EXPECT_EQ(v.total, 3);
  EXPECT_FLOAT_EQ(*share_percent(v), 100.0F * 2 / 3);
  EXPECT_FALSE(share_percent(Validation{}));
}

}  // namespace
}  // namespace flowplex
