#pragma once
// Bounded maximisation of a likelihood by NLopt's derivative-free local methods.
#include <functional>
#include <vector>

namespace flowplex::fit {

using Objective = std::function<double(const std::vector<double>&)>;

struct Maximum {
  std::vector<double> at;
  double value = 0.0;
};

// The best point found from `start` within [lower, upper]. The objective may return
// not-a-number or minus infinity where the model is not defined; such points count
// as worse than any other.
Maximum maximise(const Objective& objective, std::vector<double> start, const std::vector<double>& lower,
                 const std::vector<double>& upper);

// The best point of a grid of `steps` points a side over [lower, upper], as a start.
std::vector<double> best_on_grid(const Objective& objective, const std::vector<double>& lower,
                                 const std::vector<double>& upper, int steps);

}  // namespace flowplex::fit
