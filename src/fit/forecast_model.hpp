#pragma once
// The forecasting model of every gauge: an AR(4) on the standardised logarithms of the
// monthly flows, with noise correlated between gauges, and the previous and current
// years it starts from.
#include <array>
#include <vector>

#include "fit/cross_gauge.hpp"
#include "fit/records.hpp"

namespace flowplex::fit {

inline constexpr int kForecastLags = 4;
// The flow written for a month of the current year not yet recorded.
inline constexpr double kNotRecorded = -1.0;

// A month below the gauge's floor (every month at or below zero among them), raised to
// the floor before taking logarithms.
struct FlooredMonth {
  int year = 0;   // hydrological year label
  int month = 0;  // 1 = October
  double recorded = 0.0;
};

struct GaugeForecastModel {
  std::array<double, kForecastLags> arc{};
  double sige = 0.0;
  std::array<double, 12> fmean{};
  std::array<double, 12> fsd{};
  std::array<double, 12> previous{};  // the last kept year, floored
  std::vector<double> current;        // the recorded months after it, floored
  double floor = 0.0;
  std::vector<FlooredMonth> floored;
};

struct ForecastModel {
  std::vector<GaugeForecastModel> gauges;
  CorrelationRepair noise;
  Eigen::MatrixXd noise_factor;  // lower triangular, CNOISE
};

// The largest of: half the gauge's smallest positive monthly flow; a hundredth of its
// mean positive monthly flow; the smallest flow the forecasting file can hold (0.01).
// The second keeps a gauge with a few tiny months from stretching the spread of its
// logarithms, and with it the forecasts, by a long tail of floored months.
double month_floor(const Records& r, int g);

ForecastModel fit_forecast_model(const Records& r);

}  // namespace flowplex::fit
