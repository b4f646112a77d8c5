#include "library/perturbation.hpp"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "generation/generator.hpp"
#include "library/options.hpp"
#include "report/input.hpp"

namespace flowplex {
namespace {

using api::AnnualTransform;
using api::GaugeFactors;
using api::ReferenceFlows;
using api::RequestError;

// The normal scale of a modelled gauge's ARMA output is integrated on a fixed grid of
// step 1/1024 out to 8 standard deviations: the flows beyond carry less than 1e-15 of
// the probability, and the grid resolves the kinks of the compression and of the
// zero-flow share finely enough for any ensemble a run makes.
constexpr double kGridStep = 1.0 / 1024.0;
constexpr double kGridReach = 8.0;
// Psi weights of the ARMA recursion summed until they no longer add to its variance.
constexpr int kMostPsiWeights = 100'000;
constexpr double kNegligiblePsi = 1e-20;

std::string gauge_named(const RiverSystem& river, int g) {
  return "gauge " + std::to_string(g) + " (" + trimmed_name(river.PARM.GNAME(g).view()) + ")";
}

// The variance of the year's innovation of gauge g: its row of CMAT1 applied to
// independent standard normal deviates.
double innovation_variance(const RiverSystem& river, int g) {
  double v = 0.0;
  for (int j = 1; j <= river.PARM.NGAUGE; ++j) v += river.ANN.CMAT1(g, j) * river.ANN.CMAT1(g, j);
  return v;
}

// The stationary variance of gauge g's ARMA(2,2) output per unit innovation variance,
// from the sum of its squared psi weights; none when the recursion is not stationary.
std::optional<double> arma_variance_factor(const GsubBlock& p, int g) {
  const double phi1 = p.PHI(1, g), phi2 = p.PHI(2, g);
  double before = 1.0;              // psi(j - 2)
  double last = phi1 - p.THETA(1, g);  // psi(j - 1)
  double sum = 1.0 + last * last;
  double psi = phi1 * last + phi2 - p.THETA(2, g);
  for (int j = 2; j < kMostPsiWeights; ++j) {
    sum += psi * psi;
    if (!std::isfinite(sum)) return std::nullopt;
    if (std::fabs(psi) < kNegligiblePsi && std::fabs(last) < kNegligiblePsi) return sum;
    before = last;
    last = psi;
    psi = phi1 * last + phi2 * before;
  }
  return std::nullopt;
}

// The model's own marginal: the stationary normal ARMA output on the grid, weighted by
// its density, through the generator's own compression, zero-flow share and transform.
ReferenceFlows modelled_reference(const RiverSystem& river, int g) {
  const std::optional<double> factor = arma_variance_factor(river.GSUB, g);
  if (!factor)
    throw RequestError(gauge_named(river, g) + ": its annual model is not stationary, so its flows have no spread to scale");
  const double sd = std::sqrt(innovation_variance(river, g) * *factor);
  const int half = static_cast<int>(kGridReach / kGridStep);
  ReferenceFlows r;
  for (int i = -half; i <= half; ++i) {
    const double z = i * kGridStep;
    r.flow.push_back(annual_flow_of_arma_value(river, g, sd * z));
    r.weight.push_back(std::exp(-0.5 * z * z));
  }
  const double total = std::accumulate(r.weight.begin(), r.weight.end(), 0.0);
  for (double& w : r.weight) w /= total;
  return r;
}

// The common period's years, equally likely.
ReferenceFlows historical_reference(std::vector<double> flows) {
  ReferenceFlows r;
  r.weight.assign(flows.size(), 1.0 / static_cast<double>(flows.size()));
  r.flow = std::move(flows);
  return r;
}

// The bootstrap's annual totals: each stored year's months, none below zero, as the
// draw forms them.
std::vector<double> bootstrap_totals(const RiverSystem& river, int g) {
  std::vector<double> totals;
  for (int n = 1; n <= river.PARM.NCOMMON; ++n) {
    double total = 0.0;
    for (int m = 1; m <= kMonths; ++m) total += std::max(river.QREC01.QM(m, n, g), 0.0);
    totals.push_back(total);
  }
  return totals;
}

std::vector<double> recorded_annual_flows(const RiverSystem& river, int g) {
  const auto flows = river.QREC01.QA.span(river.PARM.NCOMMON, 1, g);
  return {flows.begin(), flows.end()};
}

struct Moments {
  double mean = 0.0;
  double cv = 0.0;
};

// The weighted mean and coefficient of variation of the flows raised to the power b
// after division by scale (two passes, so that a small spread keeps its digits).
Moments moments_of_power(const ReferenceFlows& r, double b, double scale) {
  std::vector<double> u(r.flow.size());
  for (std::size_t i = 0; i < u.size(); ++i) u[i] = r.flow[i] > 0.0 ? std::pow(r.flow[i] / scale, b) : 0.0;
  double mean = 0.0;
  for (std::size_t i = 0; i < u.size(); ++i) mean += r.weight[i] * u[i];
  double variance = 0.0;
  for (std::size_t i = 0; i < u.size(); ++i) variance += r.weight[i] * (u[i] - mean) * (u[i] - mean);
  return {mean, std::sqrt(variance) / mean};
}

double weighted_mean(const ReferenceFlows& r) {
  double mean = 0.0;
  for (std::size_t i = 0; i < r.flow.size(); ++i) mean += r.weight[i] * r.flow[i];
  return mean;
}

void refuse_what_no_power_scales(const ReferenceFlows& r, double scale) {
  if (std::any_of(r.flow.begin(), r.flow.end(), [](double q) { return q < 0.0; }))
    throw RequestError("its reference annual flows hold flows below zero, so their variability cannot be scaled");
  if (!(scale > 0.0) || !std::isfinite(scale))
    throw RequestError("its reference annual flows hold no positive flow, so their variability cannot be scaled");
}

// The power whose coefficient of variation is `target`, by halving a bracket: the
// coefficient grows with the power, from the spread of the zero-flow share alone.
double power_for_cv(const ReferenceFlows& r, double scale, double target) {
  constexpr double kLeast = 1e-6, kMost = 1e3;
  const auto cv = [&](double b) { return moments_of_power(r, b, scale).cv; };
  double lo = 1.0, hi = 1.0;
  while (cv(hi) < target) {
    hi *= 2.0;
    if (hi > kMost) throw RequestError("its reference annual flows vary too little for that variability factor");
  }
  while (cv(lo) > target) {
    lo /= 2.0;
    if (lo < kLeast)
      throw RequestError("its share of zero flows alone varies more than that variability factor allows");
  }
  for (int step = 0; step < 200 && hi - lo > 1e-15 * hi; ++step) {
    const double mid = 0.5 * (lo + hi);
    (cv(mid) < target ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

// The transforms and monthly factors of every gauge, applied to the copies the
// generator hands over.
class PerturbationHook final : public YearHook {
 public:
  struct Gauge {
    std::optional<AnnualTransform> annual;
    std::optional<std::array<double, kMonths>> months;
  };
  explicit PerturbationHook(std::vector<Gauge> gauges) : gauges_(std::move(gauges)) {}

  void annual_flows(std::span<double> annual, int /*selected_year*/) const override {
    for (std::size_t g = 0; g < annual.size(); ++g)
      if (gauges_[g].annual) annual[g] = (*gauges_[g].annual)(annual[g]);
  }

  // Fragment m of the year, q_m / T, becomes q_m F_m / sum_j q_j F_j: the months keep
  // their total T and take the factors' shape.
  void months(int g, std::span<double> months) const override {
    const auto& factors = gauges_[static_cast<std::size_t>(g - 1)].months;
    if (!factors) return;
    double total = 0.0, weighted = 0.0;
    for (std::size_t m = 0; m < months.size(); ++m) {
      total += months[m];
      weighted += months[m] * (*factors)[m];
    }
    if (weighted == 0.0) return;
    for (std::size_t m = 0; m < months.size(); ++m) months[m] = months[m] * (*factors)[m] * total / weighted;
  }

 private:
  std::vector<Gauge> gauges_;
};

// Monthly factors need every month of the record the months follow at or above zero:
// with a negative month the weighted sum of a year could vanish.
bool record_holds_negative_month(const RiverSystem& river, GenerationOption option, int g) {
  const bool bootstrap = option.bootstrap();
  const SeriesBlock& record = bootstrap ? river.QREC01 : river.QREC02;
  const int years = bootstrap ? river.PARM.NCOMMON : river.NREC(g);
  for (int n = 1; n <= years; ++n)
    for (int m = 1; m <= kMonths; ++m)
      if (record.QM(m, n, g) < 0.0) return true;
  return false;
}

PerturbationHook::Gauge gauge_perturbation(const RiverSystem& river, GenerationOption option, int g,
                                           const GaugeFactors& f) {
  PerturbationHook::Gauge gauge;
  if (f.months) {
    if (record_holds_negative_month(river, option, g))
      throw RequestError("its record holds a month below zero, so monthly factors could leave a year no total");
    gauge.months = *f.months;
  }
  if (f.scales_annual_flows())
    gauge.annual = f.cv == 1.0 ? AnnualTransform{1.0, f.mean, 1.0}
                               : api::fit_transform(reference_flows(river, option, g), f.mean, f.cv);
  return gauge;
}

void refuse_gauges_outside(const RiverSystem& river, const api::Perturbation& perturbation) {
  for (const auto& [g, factors] : perturbation.named_gauges())
    if (g > river.PARM.NGAUGE)
      throw RequestError("gauge " + std::to_string(g) + " is not in the river system, which holds " +
                         std::to_string(river.PARM.NGAUGE) + " gauges");
}

}  // namespace

ReferenceFlows reference_flows(const RiverSystem& river, GenerationOption option, int g) {
  if (option.forecasting()) throw RequestError("the forecasting mode takes no perturbation");
  if (option.bootstrap()) return historical_reference(bootstrap_totals(river, g));
  if (river.ANN.ITRANS(g) != 0) return modelled_reference(river, g);
  return historical_reference(recorded_annual_flows(river, g));
}

std::unique_ptr<YearHook> perturbation_hook(const RiverSystem& river, GenerationOption option,
                                            const api::Perturbation& perturbation) {
  if (option.forecasting()) throw RequestError("the forecasting mode takes no perturbation");
  refuse_gauges_outside(river, perturbation);
  if (perturbation.identity()) return nullptr;
  std::vector<PerturbationHook::Gauge> gauges;
  for (int g = 1; g <= river.PARM.NGAUGE; ++g) {
    try {
      gauges.push_back(gauge_perturbation(river, option, g, perturbation.of(g)));
    } catch (const RequestError& e) {
      throw RequestError(gauge_named(river, g) + ": " + e.what());
    }
  }
  return std::make_unique<PerturbationHook>(std::move(gauges));
}

}  // namespace flowplex

namespace flowplex::api {

double AnnualTransform::a() const { return A * std::pow(scale, -b); }

double AnnualTransform::operator()(double Q) const {
  if (b == 1.0) return A * (Q / scale);
  if (Q == 0.0) return 0.0;
  // Below zero only beyond the reach of a reference that holds no negative flow: the
  // transform is carried on as an odd function, so that it keeps the order of the flows.
  return Q > 0.0 ? A * std::pow(Q / scale, b) : -A * std::pow(-Q / scale, b);
}

AnnualTransform fit_transform(const ReferenceFlows& reference, double M, double C) {
  if (C == 1.0) return {1.0, M, 1.0};
  const double scale = *std::max_element(reference.flow.begin(), reference.flow.end());
  refuse_what_no_power_scales(reference, scale);
  const Moments today = moments_of_power(reference, 1.0, scale);
  if (!(today.cv > 0.0)) throw RequestError("its reference annual flows do not vary, so their variability cannot be scaled");
  const double b = power_for_cv(reference, scale, C * today.cv);
  return {b, M * weighted_mean(reference) / moments_of_power(reference, b, scale).mean, scale};
}

ReferenceFlows reference_flows(const RiverSystem& system, Option option, int gauge) {
  const flowplex::RiverSystem& river = system.blocks();
  if (gauge < 1 || gauge > river.PARM.NGAUGE)
    throw RequestError("gauge " + std::to_string(gauge) + " is not in the river system");
  return flowplex::reference_flows(river, generation_option(option), gauge);
}

std::unique_ptr<YearHook> perturbation_hook(const RiverSystem& system, Option option, const Perturbation& perturbation) {
  if (option == Option::forecast) throw RequestError("the forecasting mode takes no perturbation");
  return flowplex::perturbation_hook(system.blocks(), generation_option(option), perturbation);
}

}  // namespace flowplex::api
