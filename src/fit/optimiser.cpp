#include "fit/optimiser.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlopt.hpp>

namespace flowplex::fit {
namespace {

constexpr double kWorst = -1.0e300;
constexpr int kMaxEvaluations = 4000;

// Carries the objective through NLopt's callback and keeps the best point seen, so
// that a search that stops on round-off still returns what it found.
struct Search {
  const Objective* objective;
  Maximum best{{}, -std::numeric_limits<double>::infinity()};
};

double call(const std::vector<double>& x, std::vector<double>& /*gradient*/, void* data) {
  auto* search = static_cast<Search*>(data);
  double value = (*search->objective)(x);
  if (!std::isfinite(value)) value = kWorst;
  if (value > search->best.value) search->best = {x, value};
  return value;
}

}  // namespace

Maximum maximise(const Objective& objective, std::vector<double> start, const std::vector<double>& lower,
                 const std::vector<double>& upper) {
  Search search{&objective};
  // BOBYQA needs two or more unknowns; the subplex method takes one as well.
  nlopt::opt opt(start.size() > 1 ? nlopt::LN_BOBYQA : nlopt::LN_SBPLX, static_cast<unsigned>(start.size()));
  opt.set_lower_bounds(lower);
  opt.set_upper_bounds(upper);
  opt.set_max_objective(call, &search);
  opt.set_xtol_rel(1.0e-7);
  opt.set_ftol_abs(1.0e-9);
  opt.set_maxeval(kMaxEvaluations);
  for (std::size_t i = 0; i < start.size(); ++i) start[i] = std::min(std::max(start[i], lower[i]), upper[i]);
  double value = 0.0;
  try {
    opt.optimize(start, value);
  } catch (const std::exception&) {
    // A search ended by round-off or a failed step keeps its best point.
  }
  if (search.best.at.empty()) search.best = {start, kWorst};
  return search.best;
}

std::vector<double> best_on_grid(const Objective& objective, const std::vector<double>& lower,
                                 const std::vector<double>& upper, int steps) {
  const std::size_t n = lower.size();
  std::vector<double> point(n);
  std::vector<double> best = lower;
  double best_value = -std::numeric_limits<double>::infinity();
  std::vector<int> index(n, 0);
  for (;;) {
    for (std::size_t i = 0; i < n; ++i)
      point[i] = lower[i] + (upper[i] - lower[i]) * (index[i] + 0.5) / steps;
    const double value = objective(point);
    if (std::isfinite(value) && value > best_value) {
      best_value = value;
      best = point;
    }
    std::size_t i = 0;
    while (i < n && ++index[i] == steps) index[i++] = 0;
    if (i == n) break;
  }
  return best;
}

}  // namespace flowplex::fit
