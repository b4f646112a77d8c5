#pragma once
// The surface as tidy CSV tables in one folder: one row per scenario, slot, yield and
// reliability or storage; the drought medians; the scenarios' factors.
#include <string>

#include "stress/surface.hpp"

namespace flowplex::stress {

// The folder is made where missing; every table is written under a temporary name and
// renamed by its entry in finals. A failure ends the run.
void write_csv(const std::string& folder, const Surface& surface, FinalNames& finals);

}  // namespace flowplex::stress
