#pragma once
// A river system looked over before a run: every file a run would read, read by the run's
// own readers, with every fault found rather than the first, as `flowplex check` does.
#include <filesystem>
#include <string>
#include <vector>

#include "flowplex/river_system.hpp"

namespace flowplex::api {

// One problem or warning: where it lies and the program's message (its lines joined by
// '\n', as `flowplex check` writes them).
struct Finding {
  std::string file;  // relative to the river system's folder; empty where no one file is at fault
  int line = 0;      // 0 where no one line is
  std::string message;
};

struct CheckReport {
  bool ok = false;                 // no problem: the options the summary names can run
  std::vector<Finding> problems;   // what would end a run
  std::vector<Finding> warnings;   // what a run survives but a hydrologist wants to know
  std::string text;                // the check's whole console text
};

// Checks the river system of `parameters` in `folder`, with every gauge's historic file of
// type `historic_type`. A folder that does not exist throws std::filesystem::filesystem_error.
CheckReport check(const std::filesystem::path& folder, const std::string& parameters = "PARMSET.DAT",
                  const std::string& historic_type = "HIS");

// The same check of an opened river system's folder and parameter file.
CheckReport check(const RiverSystem& system, const std::string& historic_type = "HIS");

}  // namespace flowplex::api
