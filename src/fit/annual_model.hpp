#pragma once
// The annual model of one gauge: the marginal transform to normality, the treatment of
// years of zero flow, and the ARMA model of the standardised normalised flows.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fit/arma.hpp"
#include "fit/johnson.hpp"

namespace flowplex::fit {

struct ArmaOrder {
  int p = 0;
  int q = 0;
};

struct GaugeAnnualModel {
  Transform transform;  // type kNoModel: the gauge's years come from the nearest year
  std::string why;
  std::vector<FamilyFit> candidates;
  double p0 = 0.0;  // probability of a year of zero flow
  int izero = 0;    // years of zero flow in the record
  double amean = 0.0;
  double asd = 1.0;
  std::vector<double> standardised;  // y(t) of every year, the series the ARMA model fits
  double normality = 0.0;            // probability-plot correlation of the normalised flows
  ArmaFit arma;
  double historical_mean = 0.0;
  double historical_sd = 0.0;

  bool modelled() const { return transform.type != kNoModel; }
};

// Fits the annual model of a gauge to its annual flows. With `imposed`, the ARMA order
// is the one given instead of the one of lowest AICc.
GaugeAnnualModel fit_annual_model(std::span<const double> annual, std::optional<ArmaOrder> imposed);

// The annual flow not exceeded with the given probability under the fitted model: the
// generator's own inverse transform, with the zero-year probability taken first.
double model_quantile(const GaugeAnnualModel& m, double probability);

// Probability-plot correlation of the values against normal quantiles (Blom's positions).
double probability_plot_correlation(std::vector<double> values);

}  // namespace flowplex::fit
