#pragma once
// From gauge records to a river system: reads the records, fits every model and writes
// the system's files, complete or not at all.
#include <ostream>
#include <string>

#include "fit/river_system.hpp"
#include "report/run_ended.hpp"

namespace flowplex::fit {

struct FitOptions {
  std::string records;   // CSV of monthly records
  std::string out;       // folder to create
  double scale = 1.0;    // every value is multiplied by it
  std::string keys;      // key gauges by number or stem; empty: the default rule
  std::string title;     // empty: named after the records file
  std::string rainfall;  // CSV of monthly rainfall in the same layout; empty: none
  std::string orders;    // file of imposed ARMA orders; empty: chosen by AICc
};

// Fits and writes the system, writing its summary to the console; a refusal ends it
// (RunEnded) with the program's message.
void fit_and_write(const FitOptions& options, std::ostream& console);

// The fitted system of the options, without writing anything.
RiverSystem fit_from_options(const FitOptions& options);

// Writes the system's files and the fit report into a new folder beside `out`, reads the
// system back with the program's own readers, and renames the folder to `out`.
void write_river_system(const RiverSystem& system, const FitOptions& options);

}  // namespace flowplex::fit
