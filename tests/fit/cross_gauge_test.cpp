#include "fit/cross_gauge.hpp"

#include <gtest/gtest.h>

namespace flowplex::fit {
namespace {

GaugeAnnualModel modelled(const ArmaCoefficients& c, int years) {
  GaugeAnnualModel g;
  g.transform = {kSN, 0.0, 1.0, 0.0, 0.0};
  g.arma.model = c;
  g.arma.standardised.assign(static_cast<std::size_t>(years), 0.0);
  return g;
}

// Three gauges of different memory whose innovations share a regional part.
std::vector<GaugeAnnualModel> three_gauges() {
  std::vector<GaugeAnnualModel> g{modelled({1, 0, {0.5, 0}, {0, 0}}, 50), modelled({2, 2, {0.4, 0.2}, {-0.3, 0.2}}, 50),
                                  modelled({0, 0, {0, 0}, {0, 0}}, 50)};
  for (int t = 0; t < 50; ++t) {
    const double regional = std::sin(1.7 * t);
    g[0].arma.standardised[static_cast<std::size_t>(t)] = regional + 0.5 * std::cos(3.1 * t);
    g[1].arma.standardised[static_cast<std::size_t>(t)] = regional + 0.8 * std::sin(5.3 * t + 1);
    g[2].arma.standardised[static_cast<std::size_t>(t)] = 0.3 * regional + std::cos(7.9 * t + 2);
  }
  return g;
}

TEST(NearestCorrelation, LeavesAPositiveDefiniteMatrixAlone) {
  Eigen::Matrix3d r;
  r << 1, 0.5, 0.2, 0.5, 1, 0.3, 0.2, 0.3, 1;
  const CorrelationRepair out = nearest_correlation(r);
  EXPECT_FALSE(out.repaired);
  EXPECT_EQ(out.correlation, Eigen::MatrixXd(r));
}

// Higham's own example: the nearest correlation matrix of [1 1 0; 1 1 1; 0 1 1] has
// off-diagonal elements 0.7607, 0.1573 and 0.7607.
TEST(NearestCorrelation, RepairsAnIndefiniteMatrixToTheNearestCorrelationMatrix) {
  Eigen::Matrix3d r;
  r << 1, 1, 0, 1, 1, 1, 0, 1, 1;
  const CorrelationRepair out = nearest_correlation(r);
  EXPECT_TRUE(out.repaired);
  EXPECT_LT(out.smallest_before, 0.0);
  EXPECT_GE(out.smallest_after, 0.99 * kSmallestEigenvalue);
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(out.correlation(i, i), 1.0, 1.0e-12);
  EXPECT_TRUE(out.correlation.isApprox(out.correlation.transpose()));
  EXPECT_NEAR(out.correlation(0, 1), 0.7607, 2.0e-3);
  EXPECT_NEAR(out.correlation(0, 2), 0.1573, 2.0e-3);
  EXPECT_NEAR(out.correlation(1, 2), 0.7607, 2.0e-3);
}

TEST(CrossGaugeModel, Cmat1IsALowerTriangularFactorGivingEveryGaugeUnitVariance) {
  const std::vector<GaugeAnnualModel> gauges = three_gauges();
  const CrossGaugeModel m = fit_cross_gauge(gauges);
  EXPECT_TRUE(m.cmat1.isLowerTriangular());
  const Eigen::MatrixXd sigma = m.cmat1 * m.cmat1.transpose();
  for (std::size_t g = 0; g < gauges.size(); ++g) {
    const auto i = static_cast<Eigen::Index>(g);
    EXPECT_NEAR(sigma(i, i) * unit_innovation_variance(gauges[g].arma.model), 1.0, 1.0e-12);
  }
  EXPECT_NEAR(sigma(0, 1) / std::sqrt(sigma(0, 0) * sigma(1, 1)), m.innovations.correlation(0, 1), 1.0e-12);
}

// The sequence start draws the lag state from exactly the model's stationary distribution.
TEST(CrossGaugeModel, StartMatricesDrawTheLagStateFromTheStationaryDistribution) {
  const std::vector<GaugeAnnualModel> gauges = three_gauges();
  const CrossGaugeModel m = fit_cross_gauge(gauges);
  const Eigen::MatrixXd drawn = start_state_covariance(m);
  const Eigen::MatrixXd stationary = stationary_state_covariance(gauges, m);
  EXPECT_LT((drawn - stationary).cwiseAbs().maxCoeff(), 1.0e-9);
  // The values themselves have unit variance, as the generator assumes.
  for (Eigen::Index g = 0; g < 3; ++g) {
    EXPECT_NEAR(drawn(g, g), 1.0, 1.0e-9);
    EXPECT_NEAR(drawn(6 + g, 6 + g), 1.0, 1.0e-9);
  }
}

TEST(CrossGaugeModel, AGaugeWithoutAModelIsUncorrelatedWithTheOthers) {
  std::vector<GaugeAnnualModel> gauges = three_gauges();
  gauges[1].transform.type = kNoModel;
  const CrossGaugeModel m = fit_cross_gauge(gauges);
  EXPECT_DOUBLE_EQ(m.innovations.correlation(1, 0), 0.0);
  EXPECT_DOUBLE_EQ(m.cmat1(1, 1), 1.0);
  EXPECT_LT((start_state_covariance(m) - stationary_state_covariance(gauges, m)).cwiseAbs().maxCoeff(), 1.0e-9);
}

}  // namespace
}  // namespace flowplex::fit
