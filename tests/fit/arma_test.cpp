#include "fit/arma.hpp"

#include <gtest/gtest.h>

#include <Eigen/Dense>
#include <numbers>
#include <random>

namespace flowplex::fit {
namespace {

std::vector<double> simulate(const ArmaCoefficients& c, int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  std::vector<double> y;
  double y1 = 0, y2 = 0, e1 = 0, e2 = 0;
  for (int t = 0; t < n + 500; ++t) {
    const double e = normal(rng);
    const double v = c.phi[0] * y1 + c.phi[1] * y2 + e - c.theta[0] * e1 - c.theta[1] * e2;
    y2 = y1, y1 = v, e2 = e1, e1 = e;
    if (t >= 500) y.push_back(v);
  }
  return y;
}

// The exact Gaussian likelihood from the full covariance matrix of the series, with the
// innovation variance at its maximum: what the filter must reproduce.
double likelihood_by_covariance(const std::vector<double>& y, const ArmaCoefficients& c) {
  const auto n = static_cast<Eigen::Index>(y.size());
  const std::vector<double> psi = psi_weights(c);
  Eigen::MatrixXd cov(n, n);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index j = 0; j < n; ++j) {
      double g = 0.0;
      for (std::size_t k = 0; k + static_cast<std::size_t>(std::abs(i - j)) < psi.size(); ++k)
        g += psi[k] * psi[k + static_cast<std::size_t>(std::abs(i - j))];
      cov(i, j) = g;
    }
  const Eigen::LLT<Eigen::MatrixXd> llt(cov);
  const Eigen::VectorXd v = Eigen::Map<const Eigen::VectorXd>(y.data(), n);
  const double quadratic = v.dot(llt.solve(v));
  double log_det = 0.0;
  for (Eigen::Index i = 0; i < n; ++i) log_det += 2.0 * std::log(llt.matrixL()(i, i));
  const double N = static_cast<double>(n);
  return -0.5 * N * (std::log(2.0 * std::numbers::pi) + 1.0 + std::log(quadratic / N)) - 0.5 * log_det;
}

TEST(ArmaLikelihood, IsTheExactGaussianLikelihoodForEveryOrder) {
  const std::vector<ArmaCoefficients> models{{1, 0, {0.6, 0}, {0, 0}},   {2, 0, {0.5, -0.3}, {0, 0}},
                                             {0, 1, {0, 0}, {0.4, 0}},   {1, 1, {0.7, 0}, {0.3, 0}},
                                             {2, 2, {0.3, 0.2}, {-0.4, 0.3}}, {0, 2, {0, 0}, {0.5, -0.2}}};
  for (const ArmaCoefficients& c : models) {
    const std::vector<double> y = simulate(c, 60, 17);
    EXPECT_NEAR(concentrated_log_likelihood(y, c), likelihood_by_covariance(y, c), 1.0e-7) << c.p << c.q;
  }
}

TEST(ArmaLikelihood, IsMinusInfinityOutsideTheStationaryAndInvertibleRegion) {
  const std::vector<double> y(30, 0.5);
  EXPECT_EQ(concentrated_log_likelihood(y, {1, 0, {1.0, 0}, {0, 0}}), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(concentrated_log_likelihood(y, {2, 0, {0.6, 0.5}, {0, 0}}), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(concentrated_log_likelihood(y, {0, 1, {0, 0}, {-1.2, 0}}), -std::numeric_limits<double>::infinity());
  EXPECT_FALSE(stationary_and_invertible({2, 0, {0.2, -1.0}, {0, 0}}));
  EXPECT_TRUE(stationary_and_invertible({2, 2, {1.2, -0.5}, {-0.3, 0.2}}));
}

TEST(ArmaFit, RecoversKnownModelsWithinTheirStandardErrors) {
  const std::vector<ArmaCoefficients> truths{{1, 0, {0.5, 0}, {0, 0}}, {1, 1, {0.7, 0}, {0.3, 0}}, {2, 0, {0.4, 0.3}, {0, 0}}};
  for (const ArmaCoefficients& truth : truths) {
    const std::vector<double> y = simulate(truth, 1500, 23);
    const ArmaFit fit = fit_arma(y, truth.p, truth.q);
    EXPECT_TRUE(stationary_and_invertible(fit.model));
    for (int i = 0; i < truth.p; ++i) {
      const auto k = static_cast<std::size_t>(i);
      EXPECT_NEAR(fit.model.phi[k], truth.phi[k], 3.0 * fit.phi_se[k]);
      EXPECT_LT(fit.phi_se[k], 0.1);
    }
    for (int i = 0; i < truth.q; ++i) {
      const auto k = static_cast<std::size_t>(i);
      EXPECT_NEAR(fit.model.theta[k], truth.theta[k], 3.0 * fit.theta_se[k]);
    }
    EXPECT_NEAR(fit.innovation_variance, 1.0, 0.1);
    EXPECT_EQ(fit.innovations.size(), y.size());
  }
}

TEST(ArmaFit, AiccChoosesWhiteNoiseForIndependentYearsAndMemoryForAStrongAutoregression) {
  std::mt19937 rng(4);
  std::normal_distribution<double> normal;
  std::vector<double> noise;
  for (int i = 0; i < 200; ++i) noise.push_back(normal(rng));
  const ArmaFit white = choose_arma(noise);
  EXPECT_EQ(white.model.p + white.model.q, 0);
  EXPECT_TRUE(std::isnan(white.phi_se[0]));
  const ArmaFit ar = choose_arma(simulate({1, 0, {0.7, 0}, {0, 0}}, 200, 8));
  EXPECT_GE(ar.model.p, 1);
}

TEST(ArmaModel, UnitInnovationVarianceAndAutocorrelationsFollowThePsiWeights) {
  const ArmaCoefficients ar1{1, 0, {0.6, 0}, {0, 0}};
  EXPECT_NEAR(unit_innovation_variance(ar1), 1.0 / (1.0 - 0.36), 1.0e-12);
  EXPECT_NEAR(model_autocorrelation(ar1, 2), 0.36, 1.0e-12);
  const ArmaCoefficients ma1{0, 1, {0, 0}, {0.5, 0}};
  EXPECT_NEAR(model_autocorrelation(ma1, 1), -0.5 / 1.25, 1.0e-12);
  EXPECT_NEAR(model_autocorrelation(ma1, 2), 0.0, 1.0e-12);
}

}  // namespace
}  // namespace flowplex::fit
