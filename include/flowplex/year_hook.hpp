#pragma once
// Where a caller acts on a generated year between its annual flows and its months,
// without a second generator: the perturbations of a climate stress test act here.
#include <span>

namespace flowplex {

// The generator's own state (what the next year's nearest-year search reads, the draws)
// keeps the unperturbed values: the hook sees and changes copies of them, so a
// realization perturbed by any hook uses the same draws and historical years as the
// unperturbed one.
class YearHook {
 public:
  virtual ~YearHook() = default;
  // The year's annual flow of every gauge (annual[g - 1] for gauge g), from which its
  // months are formed, and the stored position of the historical year whose pattern
  // they follow (the nearest year, or the bootstrap's draw).
  virtual void annual_flows(std::span<double> annual, int selected_year) const = 0;
  // The twelve months (October first) of gauge g just formed from its annual flow.
  virtual void months(int g, std::span<double> months) const = 0;
};

}  // namespace flowplex
