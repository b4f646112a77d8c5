#pragma once
// The risk analyses as the run's NetCDF file holds them: the slots analysed as a
// dimension, with their gauges, MARs and drought thresholds as coordinates, the figures
// of every realization (required storage, drought counts, longest drought, largest
// deficit, the validation figures), the historical validation figures, the Anis-Lloyd
// expected Hurst exponents and the monthly tests' rejected shares. The NetCDF writer
// writes it and the Python module builds its risk dataset from it, so that the two hold
// the same variables.
#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "export/generation_layout.hpp"
#include "risk/results.hpp"

namespace flowplex {

struct RiskVariable {
  std::string name;
  ValueType type = ValueType::float32;
  std::vector<std::string> dimensions;  // "realization" first for a figure of each realization
  std::vector<Attribute> attributes;
  // A figure that a realization or the record may not give: absent values are NaN, the
  // variable's fill value.
  bool absent_as_nan = false;
  // Every value, the last dimension fastest.
  std::variant<std::vector<int>, std::vector<float>, std::vector<std::string>> values;
};

struct RiskLayout {
  std::vector<Dimension> dimensions;  // those of the slots; the realization's is the generation's
  std::size_t realizations = 0;       // the realizations the figures hold, from the first on
  std::vector<RiskVariable> variables;  // in the order the file defines them
  std::vector<Attribute> attributes;    // global
};

// The layout of the risk analyses of the slots analysed; none analysed, an empty one.
RiskLayout risk_layout(const std::vector<SlotRisk>& risks);

}  // namespace flowplex
