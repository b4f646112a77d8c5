#include "correlation_test/spearman.hpp"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <vector>

namespace flowplex {
namespace {

float rank_correlation(const std::vector<float>& x, const std::vector<float>& y) {
  float r = -99.0F;
  spear2(x, y, static_cast<int>(x.size()), r);
  return r;
}

TEST(Spear2, PairsInTheSameOrderGiveOneAndReversedGiveMinusOne) {
  std::vector<float> up(200);
  std::vector<float> down(200);
  for (std::size_t i = 0; i < up.size(); ++i) {
    up[i] = 0.5F * static_cast<float>(i);
    down[i] = -3.0F * static_cast<float>(i);
  }
  EXPECT_EQ(rank_correlation(up, up), 1.0F);
  EXPECT_EQ(rank_correlation(up, down), -1.0F);
  EXPECT_EQ(rank_correlation({2.0F, 1.0F}, {5.0F, 7.0F}), -1.0F);
}

TEST(Spear2, OneSwappedPairAndOneTiedPair) {
  // D = 2, E = 24: 1 - 6 * 2 / 24.
  EXPECT_FLOAT_EQ(rank_correlation({1.0F, 2.0F, 3.0F}, {1.0F, 3.0F, 2.0F}), 0.5F);
  // X ranks 1.5, 1.5, 3 (SF = 6), D = 0.5: 0.75 / sqrt(0.75), the root in single
  // precision, so the quotient is 0.8660254 to seven digits but not the float nearest it.
  EXPECT_NEAR(rank_correlation({1.0F, 1.0F, 2.0F}, {1.0F, 2.0F, 3.0F}), 0.8660254F, 1.0E-7F);
}

TEST(Spear2, ConstantSeriesRankAlikeOnlyWithAConstantPartner) {
  EXPECT_EQ(rank_correlation({4.0F, 4.0F, 4.0F, 4.0F}, {1.0F, 3.0F, 2.0F, 5.0F}), 0.0F);
  EXPECT_EQ(rank_correlation({1.0F, 3.0F, 2.0F, 5.0F}, {4.0F, 4.0F, 4.0F, 4.0F}), 0.0F);
  EXPECT_EQ(rank_correlation({4.0F, 4.0F, 4.0F}, {-2.0F, -2.0F, -2.0F}), 1.0F);
}

TEST(Spear2, LeavesTheCallersSeriesUnchanged) {
  const std::vector<float> x{3.0F, 1.0F, 2.0F, 2.0F, 9.0F};
  const std::vector<float> y{0.1F, 0.4F, 0.2F, 0.3F, 0.0F};
  std::vector<float> x_copy = x;
  std::vector<float> y_copy = y;
  rank_correlation(x_copy, y_copy);
  EXPECT_EQ(x_copy, x);
  EXPECT_EQ(y_copy, y);
}

TEST(Spear2, RefusesFewerThanTwoOrMoreThanTheWorkArraysHold) {
  const std::vector<float> many(201, 1.0F);
  float r = 0.0F;
  EXPECT_THROW(spear2(many, many, 1, r), std::invalid_argument);
  EXPECT_THROW(spear2(many, many, 201, r), std::invalid_argument);
  EXPECT_THROW(spear2(std::span<const float>(many).first(3), many, 4, r), std::invalid_argument);
}

TEST(Sort2, SortsAscendingAndCarriesEachPartner) {
  std::array<float, 7> ra{5.0F, -1.0F, 3.0F, 3.0F, 8.0F, 0.0F, 2.0F};
  std::array<float, 7> rb{50.0F, -10.0F, 30.0F, 30.0F, 80.0F, 0.0F, 20.0F};
  sort2(7, ra, rb);
  EXPECT_EQ(ra, (std::array<float, 7>{-1.0F, 0.0F, 2.0F, 3.0F, 3.0F, 5.0F, 8.0F}));
  for (std::size_t i = 0; i < ra.size(); ++i) EXPECT_EQ(rb[i], 10.0F * ra[i]);
}

TEST(Crank, AverageRanksOfTiesAndTheTieSum) {
  // Groups of 2 and 3 tied values: (8 - 2) + (27 - 3) = 30.
  std::array<float, 7> w{1.0F, 2.0F, 2.0F, 4.0F, 7.0F, 7.0F, 7.0F};
  float S = -1.0F;
  crank(7, w, S);
  EXPECT_EQ(w, (std::array<float, 7>{1.0F, 2.5F, 2.5F, 4.0F, 6.0F, 6.0F, 6.0F}));
  EXPECT_EQ(S, 30.0F);

  std::array<float, 3> alike{5.0F, 5.0F, 5.0F};
  crank(3, alike, S);
  EXPECT_EQ(alike, (std::array<float, 3>{2.0F, 2.0F, 2.0F}));
  EXPECT_EQ(S, 24.0F);
}

TEST(RankSeries, RanksStayWithTheirValuesAndGiveTheSameCoefficient) {
  const std::array<float, 6> x{3.0F, 1.0F, 3.0F, 2.0F, 9.0F, 3.0F};
  const std::array<float, 6> y{0.5F, 0.1F, 0.7F, 0.2F, 0.2F, 0.6F};
  std::array<float, 6> rx{};
  std::array<float, 6> ry{};
  float SF = -1.0F;
  float SG = -1.0F;
  rank_series(x, 6, rx, SF);
  rank_series(y, 6, ry, SG);
  EXPECT_EQ(rx, (std::array<float, 6>{4.0F, 1.0F, 4.0F, 2.0F, 6.0F, 4.0F}));
  EXPECT_EQ(SF, 24.0F);
  EXPECT_EQ(ry, (std::array<float, 6>{4.0F, 1.0F, 6.0F, 2.5F, 2.5F, 5.0F}));
  EXPECT_EQ(SG, 6.0F);
  float r = 0.0F;
  spear2(x, y, 6, r);
  EXPECT_EQ(ranked_coefficient(rx, SF, ry, SG, 6), r);
}

}  // namespace
}  // namespace flowplex
