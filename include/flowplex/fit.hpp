#pragma once
// A river system fitted to monthly gauge records, as `flowplex fit` does: the annual model
// of every gauge, the cross-gauge model and the forecasting model, written as the system's
// files into a new folder, complete or not at all.
#include <filesystem>
#include <ostream>
#include <string>

#include "flowplex/river_system.hpp"

namespace flowplex::api {

struct FitRequest {
  std::filesystem::path records;   // CSV of monthly records: year,month, then one column per gauge
  std::filesystem::path out;       // the folder to write (new or empty)
  double scale = 1.0;              // every value is multiplied by it
  std::string keys;                // key gauges by number or stem, separated by commas; empty: the default rule
  std::string title;               // empty: named after the records file
  std::filesystem::path rainfall;  // CSV of monthly rainfall in the records' layout; empty: none
  std::filesystem::path orders;    // file of imposed ARMA orders, lines 'STEM P Q'; empty: chosen by AICc
};

// Fits and writes the system, writing the fit's progress to `progress`, and opens it.
// Records that cannot be fitted throw InputError with the program's message.
RiverSystem fit(const FitRequest& request, std::ostream& progress);

}  // namespace flowplex::api
