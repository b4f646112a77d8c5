#include "fit/annual_model.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>
#include <set>

#include "generation/random_stream.hpp"
#include "generation/transforms.hpp"

namespace flowplex::fit {
namespace {

// Fewer distinct positive years than this leave too little to fit a transform to.
constexpr std::size_t kMinimumDistinctYears = 5;

// The standard normal probability of not exceeding z, as the generator forms it.
double normal_probability(double z) { return 1.0 - rng::qnormx(z); }

double mean_of(std::span<const double> v) { return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size()); }

double sd_of(std::span<const double> v, double divisor_offset) {
  const double m = mean_of(v);
  double ss = 0.0;
  for (const double x : v) ss += (x - m) * (x - m);
  return std::sqrt(ss / (static_cast<double>(v.size()) - divisor_offset));
}

std::size_t distinct(std::span<const double> v) { return std::set<double>(v.begin(), v.end()).size(); }

// A gauge left to the nearest-year search: no transform, no ARMA model, lags that stay 0.
void leave_unmodelled(GaugeAnnualModel& m, std::size_t years, std::string why) {
  m.transform = Transform{};
  m.why = std::move(why);
  m.standardised.assign(years, 0.0);
  m.arma.innovations.assign(years, 0.0);
  m.arma.standardised.assign(years, 0.0);
  m.arma.phi_se = m.arma.theta_se = {std::nan(""), std::nan("")};
}

// Standardised values of the years with flow: through the zero-year probability when
// there are years of zero flow, so that the generator's rule p < P0 gives them back.
// A zero year takes the mean of the normal tail below the threshold.
std::vector<double> standardise(std::span<const double> annual, const GaugeAnnualModel& m) {
  std::vector<double> y;
  const double z0 = m.p0 > 0.0 ? rng::xnorm(m.p0) : 0.0;
  const double tail_mean = m.p0 > 0.0 ? -std::exp(-0.5 * z0 * z0) / std::sqrt(2.0 * std::numbers::pi) / m.p0 : 0.0;
  for (const double q : annual) {
    if (m.izero > 0 && q == 0.0) {
      y.push_back(tail_mean);
      continue;
    }
    const double x = (normalise(m.transform, q) - m.amean) / m.asd;
    y.push_back(m.izero > 0 ? rng::xnorm(m.p0 + (1.0 - m.p0) * normal_probability(x)) : x);
  }
  return y;
}

}  // namespace

double probability_plot_correlation(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const double n = static_cast<double>(values.size());
  std::vector<double> quantiles;
  for (std::size_t i = 0; i < values.size(); ++i)
    quantiles.push_back(rng::xnorm((static_cast<double>(i) + 1.0 - 0.375) / (n + 0.25)));
  const double mv = mean_of(values);
  const double mq = mean_of(quantiles);
  double sxy = 0.0, sxx = 0.0, syy = 0.0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    sxy += (values[i] - mv) * (quantiles[i] - mq);
    sxx += (values[i] - mv) * (values[i] - mv);
    syy += (quantiles[i] - mq) * (quantiles[i] - mq);
  }
  return sxx > 0.0 ? sxy / std::sqrt(sxx * syy) : 0.0;
}

GaugeAnnualModel fit_annual_model(std::span<const double> annual, std::optional<ArmaOrder> imposed) {
  GaugeAnnualModel m;
  m.historical_mean = mean_of(annual);
  m.historical_sd = sd_of(annual, 1.0);
  if (distinct(annual) == 1) {
    leave_unmodelled(m, annual.size(), "CONSTANT ANNUAL FLOWS: EVERY YEAR IS TAKEN FROM THE NEAREST YEAR");
    return m;
  }
  const bool negative = std::any_of(annual.begin(), annual.end(), [](double q) { return q < 0.0; });
  std::vector<double> fitted;
  for (const double q : annual)
    if (negative || q != 0.0) fitted.push_back(q);
  m.izero = static_cast<int>(annual.size() - fitted.size());
  if (distinct(fitted) < kMinimumDistinctYears) {
    leave_unmodelled(m, annual.size(),
                     "FEWER THAN " + std::to_string(kMinimumDistinctYears) +
                         " DISTINCT YEARS OF FLOW: EVERY YEAR IS TAKEN FROM THE NEAREST YEAR");
    m.izero = 0;
    return m;
  }
  const TransformChoice choice = fit_transform(fitted);
  m.transform = choice.transform;
  m.candidates = choice.candidates;
  m.why = choice.why;
  if (m.izero > 0) {
    m.p0 = static_cast<double>(m.izero) / static_cast<double>(annual.size());
    m.why += "; " + std::to_string(m.izero) + " YEARS OF ZERO FLOW TAKEN BY P0";
  }
  std::vector<double> x;
  for (const double q : fitted) x.push_back(normalise(m.transform, q));
  m.amean = mean_of(x);
  m.asd = sd_of(x, 0.0);
  m.normality = probability_plot_correlation(x);
  m.standardised = standardise(annual, m);
  m.arma = imposed ? fit_arma(m.standardised, imposed->p, imposed->q) : choose_arma(m.standardised);
  return m;
}

double model_quantile(const GaugeAnnualModel& m, double probability) {
  if (!m.modelled()) return std::nan("");
  if (probability < m.p0) return 0.0;
  const double p = (probability - m.p0) / (1.0 - m.p0);
  int error = 0;
  const Transform& t = m.transform;
  return ajv(rng::xnorm(p) * m.asd + m.amean, t.type, t.gamma, t.delta, t.lambda, t.xi, error);
}

}  // namespace flowplex::fit
