#pragma once
// The fit report: what was fitted to every gauge and why, as text for the hydrologist
// (fit_report.txt) and as a table for other programs (fit_report.csv).
#include <string>

#include "fit/river_system.hpp"
#include "fit/system_files.hpp"

namespace flowplex::fit {

struct ReportSettings {
  std::string records;
  double scale = 1.0;
};

SystemFile text_report(const RiverSystem& system, const ReportSettings& settings);
SystemFile table_report(const RiverSystem& system);

}  // namespace flowplex::fit
