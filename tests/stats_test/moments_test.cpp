#include "stats_test/moments.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

namespace flowplex {
namespace {

TEST(Moments, FourValuesGiveTheTextbookMeanSpreadAndNoSkew) {
  const std::array<float, 4> x{1, 2, 3, 4};
  float mean = 0, sd = 0, skew = 1;
  momen1(x, 4, mean, sd);
  EXPECT_EQ(mean, 2.5F);
  EXPECT_FLOAT_EQ(sd, std::sqrt(5.0F / 3.0F));
  float mean3 = 0, sd3 = 0;
  momen3(x, 4, mean3, sd3, skew);
  EXPECT_EQ(mean3, 2.5F);
  EXPECT_FLOAT_EQ(sd3, sd);
  EXPECT_EQ(skew, 0.0F);
}

TEST(Moments, ConstantSampleHasExactlyZeroSpreadAndSkew) {
  const std::array<float, 5> x{0.1F, 0.1F, 0.1F, 0.1F, 0.1F};
  float mean = 0, sd = 1, skew = 1;
  momen1(x, 5, mean, sd);
  EXPECT_EQ(mean, 0.1F);
  EXPECT_EQ(sd, 0.0F);
  momen3(x, 5, mean, sd, skew);
  EXPECT_EQ(skew, 0.0F);
}

TEST(Moments, SkewnessCarriesTheSmallSampleFactor) {
  // m3 / m2^1.5 of (0, 0, 3) is 0.7071; times 9 / 2.
  const std::array<float, 3> x{0, 0, 3};
  float mean = 0, sd = 0, skew = 0;
  momen3(x, 3, mean, sd, skew);
  EXPECT_EQ(mean, 1.0F);
  EXPECT_FLOAT_EQ(sd, std::sqrt(3.0F));
  EXPECT_NEAR(skew, 4.5 / std::sqrt(2.0), 1e-5);
}

TEST(Moments, TooFewValuesGiveZeroInsteadOfDividingByZero) {
  const std::array<float, 2> x{3, 5};
  float mean = 0, sd = 1, skew = 1;
  momen1(x, 1, mean, sd);
  EXPECT_EQ(mean, 3.0F);
  EXPECT_EQ(sd, 0.0F);
  momen3(x, 2, mean, sd, skew);
  EXPECT_EQ(mean, 4.0F);
  EXPECT_FLOAT_EQ(sd, std::sqrt(2.0F));
  EXPECT_EQ(skew, 0.0F);
  momen3(x, 0, mean, sd, skew);
  EXPECT_EQ(mean, 0.0F);
  EXPECT_EQ(sd, 0.0F);
}

TEST(Sort, PutsTheLargestFirst) {
  std::array<float, 4> four{1, 2, 3, 4};
  ssort(4, four);
  EXPECT_EQ(four, (std::array<float, 4>{4, 3, 2, 1}));
  std::array<float, 1> one{7};
  ssort(1, one);
  EXPECT_EQ(one[0], 7.0F);
  // Every ordering of a sample with ties, over several gap sizes.
  std::array<float, 9> x{3, 1, 4, 1, 5, 9, 2, 6, 5};
  for (int n = 2; n <= 9; ++n) {
    std::array<float, 9> y = x;
    ssort(n, y);
    for (int i = 1; i < n; ++i) EXPECT_GE(y[static_cast<std::size_t>(i - 1)], y[static_cast<std::size_t>(i)]) << n;
    for (int i = n; i < 9; ++i) EXPECT_EQ(y[static_cast<std::size_t>(i)], x[static_cast<std::size_t>(i)]);
  }
}

TEST(Summary, TakesRanks1_2_10_21_32_39_41) {
  std::array<float, 41> descending{};
  for (int i = 0; i < 41; ++i) descending[static_cast<std::size_t>(i)] = static_cast<float>(41 - i);
  std::array<float, 7> summary{};
  box(21, 11, 41, descending, summary);
  EXPECT_EQ(summary, (std::array<float, 7>{41, 40, 32, 21, 10, 3, 1}));
  // The report's summary sorts a copy first: ascending input gives the same values.
  std::array<float, 41> ascending{};
  for (int i = 0; i < 41; ++i) ascending[static_cast<std::size_t>(i)] = static_cast<float>(i + 1);
  EXPECT_EQ(seven_value_summary(ascending), summary);
  EXPECT_EQ(ascending[0], 1.0F);
}

}  // namespace
}  // namespace flowplex
