#include "fit/forecast_model.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace flowplex::fit {
namespace {

constexpr double kSmallestFlow = 0.01;
constexpr double kShareOfMean = 0.01;
// A month whose logarithms do not vary is given this spread, so that its standardised
// values stay 0 and the forecasting reader's non-zero spread holds.
constexpr double kFlatSpread = 1.0;

double floored(double q, double floor) { return q > floor ? q : floor; }

void fill_floored_months(const Records& r, int g, GaugeForecastModel& f) {
  for (int y = 0; y < r.years; ++y)
    for (int m = 0; m < 12; ++m)
      if (r.month(g, y, m) < f.floor) f.floored.push_back({r.first_year + y, m + 1, r.month(g, y, m)});
  const auto& current = r.current[static_cast<std::size_t>(g)];
  for (std::size_t m = 0; m < current.size(); ++m)
    if (current[m] < f.floor) f.floored.push_back({r.first_year + r.years, static_cast<int>(m) + 1, current[m]});
}

void monthly_log_statistics(const Records& r, int g, GaugeForecastModel& f) {
  const double n = r.years;
  for (int m = 0; m < 12; ++m) {
    double sum = 0.0;
    for (int y = 0; y < r.years; ++y) sum += std::log(floored(r.month(g, y, m), f.floor));
    const double mean = sum / n;
    double ss = 0.0;
    for (int y = 0; y < r.years; ++y) {
      const double d = std::log(floored(r.month(g, y, m), f.floor)) - mean;
      ss += d * d;
    }
    const double sd = std::sqrt(ss / (n - 1.0));
    f.fmean[static_cast<std::size_t>(m)] = mean;
    f.fsd[static_cast<std::size_t>(m)] = sd > 1.0e-9 ? sd : kFlatSpread;
  }
}

std::vector<double> standardised_logs(const Records& r, int g, const GaugeForecastModel& f) {
  std::vector<double> z;
  for (int y = 0; y < r.years; ++y)
    for (int m = 0; m < 12; ++m) {
      const auto i = static_cast<std::size_t>(m);
      z.push_back((std::log(floored(r.month(g, y, m), f.floor)) - f.fmean[i]) / f.fsd[i]);
    }
  return z;
}

// Yule-Walker from the biased autocovariances, whose Toeplitz matrix is positive
// definite: the autoregression is always stationary.
void yule_walker(const std::vector<double>& z, GaugeForecastModel& f) {
  const double n = static_cast<double>(z.size());
  double mean = 0.0;
  for (const double v : z) mean += v;
  mean /= n;
  std::array<double, kForecastLags + 1> c{};
  for (int k = 0; k <= kForecastLags; ++k)
    for (std::size_t t = 0; t + static_cast<std::size_t>(k) < z.size(); ++t)
      c[static_cast<std::size_t>(k)] += (z[t] - mean) * (z[t + static_cast<std::size_t>(k)] - mean) / n;
  if (!(c[0] > 0.0)) return;
  Eigen::Matrix4d toeplitz;
  Eigen::Vector4d rhs;
  for (int i = 0; i < kForecastLags; ++i) {
    for (int j = 0; j < kForecastLags; ++j) toeplitz(i, j) = c[static_cast<std::size_t>(std::abs(i - j))];
    rhs(i) = c[static_cast<std::size_t>(i + 1)];
  }
  const Eigen::Vector4d a = toeplitz.ldlt().solve(rhs);
  for (int i = 0; i < kForecastLags; ++i) f.arc[static_cast<std::size_t>(i)] = a(i);
  f.sige = std::sqrt(std::max(0.0, c[0] - a.dot(rhs)));
}

std::vector<double> residuals(const std::vector<double>& z, const GaugeForecastModel& f) {
  std::vector<double> u;
  for (std::size_t t = kForecastLags; t < z.size(); ++t) {
    double v = z[t];
    for (std::size_t k = 1; k <= kForecastLags; ++k) v -= f.arc[k - 1] * z[t - k];
    u.push_back(v);
  }
  return u;
}

GaugeForecastModel fit_gauge(const Records& r, int g, std::vector<double>& noise) {
  GaugeForecastModel f;
  f.floor = month_floor(r, g);
  fill_floored_months(r, g, f);
  monthly_log_statistics(r, g, f);
  const std::vector<double> z = standardised_logs(r, g, f);
  yule_walker(z, f);
  noise = residuals(z, f);
  for (int m = 0; m < 12; ++m) f.previous[static_cast<std::size_t>(m)] = floored(r.month(g, r.years - 1, m), f.floor);
  for (const double q : r.current[static_cast<std::size_t>(g)]) f.current.push_back(floored(q, f.floor));
  return f;
}

}  // namespace

double month_floor(const Records& r, int g) {
  double smallest = std::numeric_limits<double>::infinity();
  double sum = 0.0;
  int positive = 0;
  for (int y = 0; y < r.years; ++y)
    for (int m = 0; m < 12; ++m)
      if (r.month(g, y, m) > 0.0) {
        smallest = std::min(smallest, r.month(g, y, m));
        sum += r.month(g, y, m);
        ++positive;
      }
  for (const double q : r.current[static_cast<std::size_t>(g)])
    if (q > 0.0) smallest = std::min(smallest, q);
  if (!std::isfinite(smallest)) return kSmallestFlow;
  const double share = positive > 0 ? kShareOfMean * sum / positive : 0.0;
  return std::max({kSmallestFlow, std::round(50.0 * smallest) / 100.0, std::round(100.0 * share) / 100.0});
}

ForecastModel fit_forecast_model(const Records& r) {
  ForecastModel model;
  const int n = r.gauge_count();
  Eigen::MatrixXd noise(12 * r.years - kForecastLags, n);
  std::vector<double> u;
  for (int g = 0; g < n; ++g) {
    model.gauges.push_back(fit_gauge(r, g, u));
    noise.col(g) = Eigen::Map<const Eigen::VectorXd>(u.data(), static_cast<Eigen::Index>(u.size()));
  }
  model.noise = nearest_correlation(sample_correlation(noise));
  model.noise_factor = Eigen::LLT<Eigen::MatrixXd>(model.noise.correlation).matrixL();
  return model;
}

}  // namespace flowplex::fit
