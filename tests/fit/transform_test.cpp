#include <gtest/gtest.h>

#include <random>

#include "fit/annual_model.hpp"
#include "fit/johnson.hpp"
#include "generation/transforms.hpp"

namespace flowplex::fit {
namespace {

double quantile_of(const Transform& t, double z) {
  int error = 0;
  return ajv(z, t.type, t.gamma, t.delta, t.lambda, t.xi, error);
}

// Flows drawn from a known member of the family through the generator's own inverse.
std::vector<double> draw(const Transform& t, int n, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  std::vector<double> q;
  for (int i = 0; i < n; ++i) q.push_back(quantile_of(t, normal(rng)));
  return q;
}

// Every family's normalising transform undoes the generator's inverse transform.
TEST(JohnsonTransforms, NormaliseUndoesTheGeneratorsInverse) {
  const std::vector<Transform> families{
      {kSL, 0.3, 2.0, 150.0, 0.1}, {kSU, -0.8, 1.6, 40.0, 90.0}, {kSB, 1.2, 1.1, 300.0, 5.0}, {kSN, -4.0, 0.02, 0.0, 0.0}};
  for (const Transform& t : families)
    for (const double x : {-1.5, 0.0, 0.7, 2.5}) {
      const double q = quantile_of(t, x);
      ASSERT_GT(q, 0.0);
      EXPECT_NEAR(normalise(t, q), x, 1.0e-9) << type_name(t.type);
    }
  EXPECT_TRUE(std::isnan(normalise({kSB, 0.0, 1.0, 10.0, 0.0}, 12.0)));  // beyond the upper bound
}

// Large samples of each family give back its quantiles, the family itself winning on AICc
// where it is the only one to hold the shape.
TEST(JohnsonTransforms, MaximumLikelihoodRecoversTheQuantilesOfEachFamily) {
  const std::vector<Transform> truths{
      {kSL, 0.0, 2.5, 150.0, 0.2}, {kSU, -0.8, 1.6, 40.0, 90.0}, {kSB, 0.8, 0.9, 300.0, 5.0}, {kSN, -5.0, 0.05, 0.0, 0.0}};
  for (const Transform& truth : truths) {
    const std::vector<double> q = draw(truth, 3000, 7 + static_cast<unsigned>(truth.type));
    const TransformChoice fit = fit_transform(q);
    for (const double z : {-1.645, 0.0, 1.645}) {
      const double expected = quantile_of(truth, z);
      EXPECT_NEAR(quantile_of(fit.transform, z), expected, 0.03 * std::abs(expected)) << type_name(truth.type) << " z " << z;
    }
    if (truth.type == kSB) {
      EXPECT_EQ(fit.transform.type, kSB);
    }
  }
}

TEST(JohnsonTransforms, FlowsReachingZeroOrBelowAreFittedBySnOrSu) {
  std::vector<double> q = draw({kSN, -1.0, 0.02, 0.0, 0.0}, 200, 3);  // mean 50, sd 50: many below zero
  for (double& v : q) v -= 60.0;
  const TransformChoice fit = fit_transform(q);
  EXPECT_TRUE(fit.transform.type == kSN || fit.transform.type == kSU);
  EXPECT_EQ(fit.candidates.size(), 2u);
  EXPECT_NE(fit.why.find("ZERO OR BELOW"), std::string::npos);
}

TEST(AnnualModel, YearsOfZeroFlowGoThroughTheZeroProbability) {
  std::vector<double> q = draw({kSL, 0.0, 2.0, 100.0, 0.0}, 100, 11);
  for (int i = 0; i < 100; i += 10) q[static_cast<std::size_t>(i)] = 0.0;
  const GaugeAnnualModel m = fit_annual_model(q, ArmaOrder{0, 0});
  EXPECT_EQ(m.izero, 10);
  EXPECT_DOUBLE_EQ(m.p0, 0.1);
  EXPECT_EQ(model_quantile(m, 0.05), 0.0);
  // The standardised zero years lie below the normal point of P0, the others above it.
  const double z0 = -1.2815515655;
  for (std::size_t i = 0; i < q.size(); ++i) EXPECT_EQ(m.standardised[i] < z0, q[i] == 0.0) << i;
}

TEST(AnnualModel, ConstantFlowsAndTooFewYearsOfFlowAreLeftToTheNearestYear) {
  const GaugeAnnualModel constant = fit_annual_model(std::vector<double>(30, 12.5), std::nullopt);
  EXPECT_EQ(constant.transform.type, kNoModel);
  EXPECT_EQ(constant.standardised, std::vector<double>(30, 0.0));
  std::vector<double> mostly_dry(30, 0.0);
  mostly_dry[3] = 4.0;
  mostly_dry[9] = 2.0;
  const GaugeAnnualModel dry = fit_annual_model(mostly_dry, std::nullopt);
  EXPECT_EQ(dry.transform.type, kNoModel);
  EXPECT_EQ(dry.izero, 0);
}

TEST(AnnualModel, ProbabilityPlotCorrelationSeparatesNormalFromSkewedSamples) {
  std::mt19937 rng(5);
  std::normal_distribution<double> normal;
  std::vector<double> normal_sample, skewed_sample;
  for (int i = 0; i < 500; ++i) {
    normal_sample.push_back(normal(rng));
    skewed_sample.push_back(std::exp(1.5 * normal(rng)));
  }
  EXPECT_GT(probability_plot_correlation(normal_sample), 0.995);
  EXPECT_LT(probability_plot_correlation(skewed_sample), 0.9);
}

}  // namespace
}  // namespace flowplex::fit
