#pragma once
// The risk analyses in the run's NetCDF file: the slots analysed as a dimension, with
// their gauges, MARs and drought thresholds as coordinates, and the figures of every
// realization (required storage, drought counts, longest drought, largest deficit, the
// validation figures), the historical validation figures, the Anis-Lloyd expected Hurst
// exponents and the monthly tests' rejected shares.
#include <vector>

#include "export/netcdf_file.hpp"
#include "risk/results.hpp"

namespace flowplex {

class RiskVariables {
 public:
  // Defines the dimensions and variables of the slots analysed; the file is in define
  // mode and already has its realization dimension. No slot analysed defines nothing.
  RiskVariables(NetcdfFile& nc, const std::vector<SlotRisk>& risks);
  // Writes them; the file is in data mode.
  void write(NetcdfFile& nc, const std::vector<SlotRisk>& risks) const;

 private:
  int slot_ = -1, slot_gauge_ = -1, mar_ = -1, month_ = -1, drought_threshold_ = -1, yield_level_ = -1;
  int required_storage_ = -1, events_ = -1, longest_ = -1, largest_deficit_ = -1;
  // The validation figures (kFigureNames): per realization and slot, and the historical per slot.
  std::array<int, kFigureNames.size()> figures_{}, historical_figures_{};
  int hurst_expected_ = -1, historical_hurst_expected_ = -1;
  int monthly_test_ = -1, rejected_share_ = -1;
};

}  // namespace flowplex
