#pragma once
// The chosen gauges' flows of realizations 1 to 41, kept for the statistics and
// correlation tests: FLOW holds each slot's months, FLOWYR their annual totals.
#include <span>

#include "store/store.hpp"

namespace flowplex {

// The twelve months of every year of the chosen gauges of realization seq into every slot
// that holds them. `flow` is one realization of every gauge: (year, month, gauge), gauge
// fastest, NGAUGE gauges.
void keep_flows(const RunState& run, std::span<const float> flow, int NGAUGE, FlowBlock& kept, int seq);

// Every kept year's twelve months summed in extended precision into FLOWYR, once the 41
// realizations are in.
void annual_totals(const RunState& run, FlowBlock& kept);

}  // namespace flowplex
