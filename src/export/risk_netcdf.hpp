#pragma once
// The risk analyses in the run's NetCDF file, as their layout (export/risk_layout.hpp)
// describes them.
#include <vector>

#include "export/netcdf_file.hpp"
#include "export/risk_layout.hpp"
#include "risk/results.hpp"

namespace flowplex {

class RiskVariables {
 public:
  // Defines the dimensions and variables of the slots analysed; the file is in define
  // mode and already has its realization dimension. No slot analysed defines nothing.
  RiskVariables(NetcdfFile& nc, const std::vector<SlotRisk>& risks);
  // Writes them; the file is in data mode.
  void write(NetcdfFile& nc) const;

 private:
  RiskLayout layout_;
  std::vector<int> ids_;  // the file's identifiers of the layout's variables
  std::vector<std::size_t> counts_;  // the lengths of the dimensions, variable after variable
};

}  // namespace flowplex
