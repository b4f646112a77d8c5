#pragma once
// The surface as one self-contained HTML page: for a grid, per slot and yield, a heat map
// over the mean and variability factors of the storage needed at the chosen reliability,
// the contours where each given storage stops sufficing, the baseline and the climate
// projections marked, and the table beside it; for named scenarios, the tables and a bar
// chart of the scenarios.
#include <string>

#include "stress/surface.hpp"

namespace flowplex::stress {

// Written under a temporary name, renamed by its entry in finals; a failure ends the run.
void write_page(const std::string& path, const Surface& surface, FinalNames& finals);

}  // namespace flowplex::stress
