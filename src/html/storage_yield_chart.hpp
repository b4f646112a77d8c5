#pragma once
// The storage-yield (mass-curve) chart: the storage a reservoir needs to supply each
// yield, for every generated sequence, their mean and median, and the historical record.
#include <string>

#include "stats_test/results.hpp"

namespace flowplex::html {

// The chart as one SVG element; chart_id tells its clipping region from the others' on
// the page.
std::string storage_yield_chart(const StatisticsResult& result, const std::string& title, int chart_id);

// The storage axis ends where the line-printer plot ends: beyond 400 % MAR a reservoir is
// of no practical size; curves that need more leave the chart at its right edge.
inline constexpr double kStoragePlotLimit = 400.0;

}  // namespace flowplex::html
