#pragma once
// The tables of the risk analyses as CSV: one row per line of each table, an empty cell
// where a figure cannot be computed.
#include <vector>

#include "export/csv_file.hpp"
#include "export/river_system.hpp"
#include "risk/results.hpp"

namespace flowplex {

// A figure of the validation summary as the tables name it: its statistic, and ":key"
// where the row has a key (monthly_sd:3 for December, flow_duration:95, run_sum:24).
std::string figure_label(const FigureLabel& label);
// The figures outside their band, so named, separated by spaces.
std::string outside_list(const Validation& v);

void write_reliability(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_validation_figures(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_monthly_tests(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_droughts(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_flow_duration(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_autocorrelation(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_validation_summary(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges);
void write_cross_correlation(CsvFile& out, const CrossGaugeResult& result, const std::vector<GaugeLabel>& gauges);

}  // namespace flowplex
