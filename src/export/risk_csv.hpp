#pragma once
// The tables of the risk analyses as CSV: one row per line of each table, an empty cell
// where a figure cannot be computed.
#include <vector>

#include "export/csv_file.hpp"
#include "export/river_system.hpp"
#include "risk/results.hpp"

namespace flowplex {

void write_reliability(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_droughts(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_flow_duration(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_autocorrelation(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_validation_summary(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_cross_correlation(CsvFile& out, const CrossGaugeResult& result, const std::vector<GaugeLabel>& gauges);

}  // namespace flowplex
