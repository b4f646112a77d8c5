#pragma once
// The storage-yield (mass-curve) chart: the storage a reservoir needs to supply each
// yield, for every generated sequence, their mean and median, and the historical record.
#include <functional>
#include <string>
#include <string_view>

#include "html/axis.hpp"
#include "html/chart.hpp"

#include "stats_test/results.hpp"

namespace flowplex::html {

// The chart as one SVG element; chart_id tells its clipping region from the others' on
// the page.
std::string storage_yield_chart(const StatisticsResult& result, const std::string& title, int chart_id);

// What a storage chart draws in: storage (% MAR) across, yield (% MAR) up.
struct StorageAxes {
  Axis x, y;
};

// Opens a storage chart: its title, legend and axes, the storage axis up to the round value
// above `largest` (at least 10), then a group that ends the curves at the right edge while
// the marks of the highest and lowest yields stay whole. The caller draws the curves and
// closes the group ("</g>") and the chart.
StorageAxes open_storage_chart(std::string& out, const std::string& title, double largest,
                               const std::function<void(std::string&, const Area&)>& legend,
                               std::string_view storage_title, const std::string& clip_id);

// The storage axis ends where the line-printer plot ends: beyond 400 % MAR a reservoir is
// of no practical size; curves that need more leave the chart at its right edge.
inline constexpr double kStoragePlotLimit = 400.0;

}  // namespace flowplex::html
