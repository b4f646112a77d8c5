#include "fit/johnson.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

#include "fit/optimiser.hpp"

namespace flowplex::fit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kGridSteps = 12;

// The flows seen on a scale of their own: u = (q - centre) / spread.
struct Scaled {
  std::vector<double> u;  // ascending
  double centre = 0.0;
  double spread = 1.0;
  double lowest() const { return u.front(); }
  double highest() const { return u.back(); }
  double range() const { return u.back() - u.front(); }
  // The closest a bound may come to the extreme flows: nearer, the likelihood of
  // the threshold families grows without limit as a bound meets a flow.
  double margin() const { return range() / static_cast<double>(u.size()); }
};

Scaled scaled(std::span<const double> flows) {
  Scaled s;
  const double n = static_cast<double>(flows.size());
  s.centre = std::accumulate(flows.begin(), flows.end(), 0.0) / n;
  double ss = 0.0;
  for (const double q : flows) ss += (q - s.centre) * (q - s.centre);
  s.spread = std::sqrt(ss / n);
  for (const double q : flows) s.u.push_back((q - s.centre) / s.spread);
  std::sort(s.u.begin(), s.u.end());
  return s;
}

// The log-likelihood of the flows when h(q) is normal, with gamma and delta at their
// maximum: -n ln sd(h) + sum ln h'(q) - n/2 (1 + ln 2 pi).
struct Profile {
  double mean = 0.0;
  double sd = 0.0;
  double log_likelihood = -std::numeric_limits<double>::infinity();
};

template <typename H, typename LogSlope>
Profile profile(std::span<const double> q, H h, LogSlope log_slope) {
  const double n = static_cast<double>(q.size());
  double sum = 0.0;
  double log_slopes = 0.0;
  for (const double v : q) {
    sum += h(v);
    log_slopes += log_slope(v);
  }
  Profile p;
  p.mean = sum / n;
  double ss = 0.0;
  for (const double v : q) ss += (h(v) - p.mean) * (h(v) - p.mean);
  p.sd = std::sqrt(ss / n);
  if (!(p.sd > 0.0) || !std::isfinite(log_slopes)) return p;
  p.log_likelihood = -n * std::log(p.sd) + log_slopes - 0.5 * n * (1.0 + std::log(2.0 * std::numbers::pi));
  return p;
}

Profile profile_sl(std::span<const double> q, double threshold) {
  return profile(q, [&](double v) { return std::log(v - threshold); }, [&](double v) { return -std::log(v - threshold); });
}

Profile profile_su(std::span<const double> q, double xi, double lambda) {
  return profile(q, [&](double v) { return std::asinh((v - xi) / lambda); },
                 [&](double v) { return -0.5 * std::log((v - xi) * (v - xi) + lambda * lambda); });
}

Profile profile_sb(std::span<const double> q, double xi, double lambda) {
  return profile(q, [&](double v) { return std::log((v - xi) / (xi + lambda - v)); },
                 [&](double v) { return std::log(lambda) - std::log(v - xi) - std::log(xi + lambda - v); });
}

FamilyFit not_fitted(int type) {
  FamilyFit fit;
  fit.transform.type = type;
  fit.log_likelihood = -std::numeric_limits<double>::infinity();
  fit.aicc = kNaN;
  return fit;
}

FamilyFit finish(Transform t, const Profile& p, int parameters, std::size_t n) {
  return {t, p.log_likelihood, aicc(p.log_likelihood, parameters, static_cast<int>(n))};
}

// Whether a bounded search ended against the bound that keeps it off a flow: then the
// likelihood has no maximum inside the range and the family does not fit.
bool at_margin(double log_gap, const Scaled& s) { return log_gap < std::log(s.margin()) + 1.0e-3; }

// A three-parameter lognormal starting threshold from the extremes and the median, when
// the flows are skewed to the right.
double quantile_threshold(const Scaled& s) {
  const double lo = s.lowest();
  const double hi = s.highest();
  const double median = s.u[s.u.size() / 2];
  const double denominator = lo + hi - 2.0 * median;
  const double t = denominator > 0.0 ? (lo * hi - median * median) / denominator : kNaN;
  return std::isfinite(t) && t < lo - s.margin() ? t : lo - s.range();
}

FamilyFit fit_sn(std::span<const double> q) {
  const Profile p = profile(q, [](double v) { return v; }, [](double) { return 0.0; });
  if (!std::isfinite(p.log_likelihood)) return not_fitted(kSN);
  return finish({kSN, -p.mean / p.sd, 1.0 / p.sd, 0.0, 0.0}, p, 2, q.size());
}

// SL: ln(q - c) normal; the gap ln(lowest - c) is searched on the flows' own scale.
FamilyFit fit_sl(std::span<const double> q) {
  const Scaled s = scaled(q);
  if (!(s.range() > 0.0) || !(s.lowest() * s.spread + s.centre > 0.0)) return not_fitted(kSL);
  const auto threshold = [&](double log_gap) { return s.lowest() - std::exp(log_gap); };
  const Objective objective = [&](const std::vector<double>& x) {
    return profile_sl(s.u, threshold(x[0])).log_likelihood;
  };
  const std::vector<double> lower{std::log(s.margin())};
  const std::vector<double> upper{std::log(50.0 * s.range())};
  const double start = std::log(s.lowest() - quantile_threshold(s));
  const Maximum from_quantiles = maximise(objective, {start}, lower, upper);
  const Maximum from_grid = maximise(objective, best_on_grid(objective, lower, upper, 2 * kGridSteps), lower, upper);
  const Maximum& best = from_quantiles.value >= from_grid.value ? from_quantiles : from_grid;
  if (at_margin(best.at[0], s)) return not_fitted(kSL);
  const double c = s.centre + s.spread * threshold(best.at[0]);
  const Profile p = profile_sl(q, c);
  if (!std::isfinite(p.log_likelihood)) return not_fitted(kSL);
  const double lambda = std::exp(p.mean);
  return finish({kSL, 0.0, 1.0 / p.sd, lambda, c / lambda}, p, 3, q.size());
}

// SU: location and log scale searched on the flows' own scale.
FamilyFit fit_su(std::span<const double> q) {
  const Scaled s = scaled(q);
  if (!(s.range() > 0.0)) return not_fitted(kSU);
  const Objective objective = [&](const std::vector<double>& x) {
    return profile_su(s.u, x[0], std::exp(x[1])).log_likelihood;
  };
  const std::vector<double> lower{s.lowest() - 5.0 * s.range(), std::log(1.0e-3 * s.range())};
  const std::vector<double> upper{s.highest() + 5.0 * s.range(), std::log(1.0e3 * s.range())};
  const Maximum best = maximise(objective, best_on_grid(objective, lower, upper, kGridSteps), lower, upper);
  const double xi = s.centre + s.spread * best.at[0];
  const double lambda = s.spread * std::exp(best.at[1]);
  const Profile p = profile_su(q, xi, lambda);
  if (!std::isfinite(p.log_likelihood)) return not_fitted(kSU);
  return finish({kSU, -p.mean / p.sd, 1.0 / p.sd, lambda, xi}, p, 4, q.size());
}

// SB: the gaps between the bounds and the extreme flows, as logarithms.
FamilyFit fit_sb(std::span<const double> q) {
  const Scaled s = scaled(q);
  if (!(s.range() > 0.0)) return not_fitted(kSB);
  const auto bounds = [&](const std::vector<double>& x) {
    const double xi = s.lowest() - std::exp(x[0]);
    return std::pair{xi, s.highest() + std::exp(x[1]) - xi};
  };
  const Objective objective = [&](const std::vector<double>& x) {
    const auto [xi, lambda] = bounds(x);
    return profile_sb(s.u, xi, lambda).log_likelihood;
  };
  const std::vector<double> lower(2, std::log(s.margin()));
  const std::vector<double> upper(2, std::log(50.0 * s.range()));
  const Maximum best = maximise(objective, best_on_grid(objective, lower, upper, kGridSteps), lower, upper);
  if (at_margin(best.at[0], s) || at_margin(best.at[1], s)) return not_fitted(kSB);
  const auto [xi_u, lambda_u] = bounds(best.at);
  const double xi = s.centre + s.spread * xi_u;
  const double lambda = s.spread * lambda_u;
  const Profile p = profile_sb(q, xi, lambda);
  if (!std::isfinite(p.log_likelihood)) return not_fitted(kSB);
  return finish({kSB, -p.mean / p.sd, 1.0 / p.sd, lambda, xi}, p, 4, q.size());
}

}  // namespace

const char* type_name(int type) {
  switch (type) {
    case kSL: return "SL";
    case kSU: return "SU";
    case kSB: return "SB";
    case kSN: return "SN";
    default: return "NONE";
  }
}

double normalise(const Transform& t, double q) {
  switch (t.type) {
    case kSL: return t.gamma + t.delta * std::log(q / t.lambda - t.xi);
    case kSU: return t.gamma + t.delta * std::asinh((q - t.xi) / t.lambda);
    case kSB:
      if (!(q > t.xi && q < t.xi + t.lambda)) return kNaN;
      return t.gamma + t.delta * std::log((q - t.xi) / (t.xi + t.lambda - q));
    case kSN: return t.gamma + t.delta * q;
    default: return kNaN;
  }
}

double aicc(double log_likelihood, int k, int n) {
  return -2.0 * log_likelihood + 2.0 * k + 2.0 * k * (k + 1.0) / (n - k - 1.0);
}

TransformChoice fit_transform(std::span<const double> flows) {
  const bool reaches_zero = *std::min_element(flows.begin(), flows.end()) <= 0.0;
  TransformChoice choice;
  choice.candidates.push_back(fit_sn(flows));
  if (!reaches_zero) choice.candidates.push_back(fit_sl(flows));
  choice.candidates.push_back(fit_su(flows));
  if (!reaches_zero) choice.candidates.push_back(fit_sb(flows));
  const FamilyFit* best = &choice.candidates.front();
  for (const FamilyFit& c : choice.candidates)
    if (std::isfinite(c.aicc) && !(c.aicc >= best->aicc)) best = &c;
  choice.transform = best->transform;
  std::string tried;
  for (const FamilyFit& c : choice.candidates) {
    if (!tried.empty()) tried += ", ";
    tried += std::string(type_name(c.transform.type)) + (std::isfinite(c.aicc) ? "" : " (NO MAXIMUM)");
  }
  choice.why = std::string(reaches_zero ? "ANNUAL TOTALS REACH ZERO OR BELOW; " : "") + "LOWEST AICC OF " + tried;
  return choice;
}

}  // namespace flowplex::fit
