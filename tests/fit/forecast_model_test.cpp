#include "fit/forecast_model.hpp"

#include <gtest/gtest.h>

#include <random>

namespace flowplex::fit {
namespace {

// Records of one gauge whose log flows follow an AR(1) of the standardised month.
Records ar1_records(int years, double phi, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  Records r;
  r.gauges = {{"G1 ", "G1"}};
  r.first_year = 1950;
  r.years = years;
  r.monthly.assign(1, {});
  double z = 0.0;
  for (int i = 0; i < 12 * years; ++i) {
    z = phi * z + std::sqrt(1.0 - phi * phi) * normal(rng);
    r.monthly[0].push_back(std::round(100.0 * std::exp(3.0 + 0.5 * std::sin(2.0 * M_PI * (i % 12) / 12.0) + 0.4 * z)) / 100.0);
  }
  r.current = {{20.0, 21.0}};
  return r;
}

TEST(ForecastModel, AutoregressionOfTheStandardisedLogsRecoversItsModel) {
  const ForecastModel m = fit_forecast_model(ar1_records(200, 0.6, 3));
  const GaugeForecastModel& g = m.gauges[0];
  EXPECT_NEAR(g.arc[0], 0.6, 0.05);
  for (int k = 1; k < kForecastLags; ++k) EXPECT_NEAR(g.arc[static_cast<std::size_t>(k)], 0.0, 0.07);  // 3.5 standard errors
  EXPECT_NEAR(g.sige, 0.8, 0.05);
  EXPECT_NEAR(m.noise_factor(0, 0), 1.0, 1.0e-12);
  EXPECT_EQ(g.current, (std::vector<double>{20.0, 21.0}));
}

TEST(ForecastModel, MonthsBelowTheFloorAreRaisedToItAndListed) {
  Records r = ar1_records(30, 0.3, 5);
  r.monthly[0][13] = 0.0;    // November of the second year
  r.monthly[0][40] = -3.5;
  r.monthly[0][50] = 0.02;   // positive, but below a hundredth of the mean monthly flow
  r.current[0][1] = -1.0;
  const double floor = month_floor(r, 0);
  EXPECT_GT(floor, 0.02);
  EXPECT_NEAR(floor, std::round(100.0 * 0.01 * 20.0) / 100.0, 0.11);  // flows of about e^3
  const ForecastModel m = fit_forecast_model(r);
  const GaugeForecastModel& g = m.gauges[0];
  ASSERT_EQ(g.floored.size(), 4u);
  EXPECT_EQ(g.floored[0].year, 1951);
  EXPECT_EQ(g.floored[0].month, 2);
  EXPECT_DOUBLE_EQ(g.floored[1].recorded, -3.5);
  EXPECT_EQ(g.floored[3].year, 1980);  // the current year's November
  EXPECT_DOUBLE_EQ(g.current[1], floor);
  for (const double sd : g.fsd) EXPECT_GT(sd, 0.0);
}

TEST(ForecastModel, AGaugeWithoutAPositiveMonthGetsTheSmallestFlowAndNoNoise) {
  Records r = ar1_records(20, 0.3, 7);
  r.monthly[0].assign(r.monthly[0].size(), 0.0);
  r.current[0] = {};
  EXPECT_DOUBLE_EQ(month_floor(r, 0), 0.01);
  const GaugeForecastModel g = fit_forecast_model(r).gauges[0];
  EXPECT_EQ(g.sige, 0.0);
  EXPECT_NEAR(g.fmean[0], std::log(0.01), 1.0e-12);
  EXPECT_EQ(g.fsd[0], 1.0);
}

}  // namespace
}  // namespace flowplex::fit
