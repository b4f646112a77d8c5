#pragma once
// The result tables of the analyses as CSV, one row per number line of the reports.
#include <vector>

#include "export/csv_file.hpp"
#include "export/river_system.hpp"
#include "stats_test/results.hpp"

namespace flowplex {

// Each table names a gauge by its number and its column name (the stem, or STEM_g).
void write_statistics(CsvFile& out, const std::vector<StatisticsResult>& results, const std::vector<GaugeLabel>& gauges);
void write_gauge_parameters(CsvFile& out, const std::vector<StatisticsResult>& results,
                            const std::vector<GaugeLabel>& gauges);
void write_historical_moments(CsvFile& out, const std::vector<StatisticsResult>& results,
                              const std::vector<GaugeLabel>& gauges);
void write_simulation_summary(CsvFile& out, const std::vector<StatisticsResult>& results,
                              const std::vector<GaugeLabel>& gauges);
void write_storage_yield(CsvFile& out, const std::vector<StatisticsResult>& results,
                         const std::vector<GaugeLabel>& gauges);
void write_correlations(CsvFile& out, const std::vector<CorrelationResult>& results,
                        const std::vector<GaugeLabel>& gauges);

}  // namespace flowplex
