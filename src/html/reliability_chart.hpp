#pragma once
// The storage-yield-reliability chart: for each reliability the storage that suffices
// in that share of the realizations, with the whiskers of its order-statistic interval of
// at least 90 %, and the historical record's, against the yield.
#include <string>

#include "risk/results.hpp"

namespace flowplex::html {

// The chart as one SVG element; chart_id tells its clipping region from the others'.
std::string reliability_chart(const SlotRisk& risk, const std::string& title, int chart_id);

// The CSS class of the curve of the i-th reliability (kReliabilities).
std::string reliability_class(std::size_t i);

}  // namespace flowplex::html
