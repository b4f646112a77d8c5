#include "stats_test/storage_yield.hpp"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace flowplex {
namespace {

TEST(SequentPeak, ConstantSeriesNeedsStorageOnlyAtFullYield) {
  const std::vector<float> x(24, 10.0F);
  float MAR = 120.0F;
  StorageYield out;
  int count = 0;
  brutog(2, x, MAR, out, count);
  for (int L = 1; L <= 19; ++L) {
    EXPECT_EQ(out.storage[static_cast<std::size_t>(L - 1)], 0.0F) << L;
    EXPECT_EQ(out.critical_months[static_cast<std::size_t>(L - 1)], 0.0F) << L;
  }
  EXPECT_FLOAT_EQ(out.yield[0], 5.0F);
  EXPECT_FLOAT_EQ(out.yield[19], 100.0F);
  EXPECT_EQ(count, 20);
}

TEST(SequentPeak, DeepestDepletionAndItsLength) {
  // Two dry months after a wet one, then wet again: the 100 % draught of 10 a month
  // drains 10 + 10 from month 2 to month 3. (Twenty steps of 0.05 make a draught a
  // hair above 10, so the wet first month must be clearly wetter to end full.)
  std::vector<float> x(12, 10.0F);
  x[0] = 20.0F;
  x[1] = 0.0F;
  x[2] = 0.0F;
  x[3] = 30.0F;
  float MAR = 120.0F;
  StorageYield out;
  int count = 0;
  brutog(1, x, MAR, out, count);
  EXPECT_FLOAT_EQ(out.storage[19], 100.0F * 20.0F / 120.0F);
  EXPECT_EQ(out.critical_months[19], 2.0F);
}

TEST(SequentPeak, PlotCountIsKeptWhenEveryLevelNeedsTooMuch) {
  // Two hundred dry years: even the 5 % yield needs ten times the mean annual flow.
  const std::vector<float> x(12 * 200, 0.0F);
  float MAR = 1.0F;
  StorageYield out;
  int count = 7;
  brutog(200, x, MAR, out, count);
  EXPECT_GT(out.storage[0], 401.0F);
  EXPECT_EQ(count, 7);
}

TEST(SequentPeak, TinyMarIsReplacedByTheSeriesOwnAndNoFlowGivesNoStorage) {
  std::vector<float> x(24, 2.0F);
  float MAR = 0.0F;
  StorageYield out;
  int count = 0;
  brutog(2, x, MAR, out, count);
  EXPECT_EQ(MAR, 24.0F);
  std::vector<float> dry(24, 0.0F);
  float none = 0.0F;
  brutog(2, dry, none, out, count);
  for (float v : out.storage) EXPECT_EQ(v, 0.0F);
}

TEST(Deficits, RunsEndAtZeroAndTheFirstEqualMaximumKeepsItsDuration) {
  // Annual mean 120: the 80 % release is 8 a month.
  // Months: 0 0 (deficit 16 after 2) 24 (back to exactly 0) 4 4 4 4 (deficit 16 after 4).
  const std::vector<float> x{0, 0, 24, 4, 4, 4, 4};
  DeficitColumn t;
  defcit(x, 7, 120.0F, t);
  EXPECT_FLOAT_EQ(t.release[4], 8.0F);
  EXPECT_FLOAT_EQ(t.max_deficit[4], 16.0F);
  EXPECT_EQ(t.duration[4], 2);
  EXPECT_EQ(t.longest[4], 4);
  EXPECT_FLOAT_EQ(t.release[0], 4.0F);  // 40 %: 4 a month
  EXPECT_FLOAT_EQ(t.max_deficit[0], 8.0F);
}

TEST(RunSums, SmallestWindowCappedAndShortSeriesReportTheCap) {
  std::vector<float> x(120, 10.0F);
  x[50] = 0.0F;
  RunSumColumn sums{};
  dismin(120, x, kRunLengthMonths, sums);
  EXPECT_EQ(sums[0], 50.0F);
  EXPECT_EQ(sums[9], 1070.0F);
  const std::vector<float> wet(120, 200000.0F);
  dismin(120, wet, kRunLengthMonths, sums);
  EXPECT_EQ(sums[0], kRunSumCap);
  // Eight years: the 96- and 108-month runs have no window.
  const std::vector<float> short_record(96, 1.0F);
  dismin(96, short_record, kRunLengthMonths, sums);
  EXPECT_EQ(sums[8], 96.0F);
  EXPECT_EQ(sums[9], kRunSumCap);
}

}  // namespace
}  // namespace flowplex
