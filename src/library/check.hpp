#pragma once
// A pre-flight of the river system in the working folder: every file a run would read,
// read by the run's own readers, with every fault found rather than the first.
#include <string>
#include <vector>

#include "report/console.hpp"
#include "report/run_ended.hpp"
#include "store/store.hpp"

namespace flowplex {

struct CheckRequest {
  std::string parameter_file = "PARMSET.DAT";
  std::string historic_type = "HIS";  // the type of every gauge's historic file
};

// One finding: the lines of the message a run would write for it, and where it lies.
struct CheckFinding {
  std::vector<std::string> lines;
  std::string file;  // named relative to the river system's folder; empty: no one file
  int line = 0;      // 0: no one line
};

struct CheckFindings {
  std::vector<CheckFinding> problems;
  std::vector<CheckFinding> warnings;
};

// Writes to the console the problems (what would end a rigorous or bootstrap run, or a
// forecasting run when PARAMFOR.DAT is present), the warnings (what a run survives but
// a hydrologist wants to know), a summary of the gauges, the common period, the key
// gauges and the options that can run, and a last line counting problems and
// warnings. Succeeds when there is no problem. The store is used as scratch; its river
// system's folder says where the files are. The findings, when asked for, come back too.
ExitStatus check_river_system(Store& s, Console& con, const CheckRequest& request, CheckFindings* findings = nullptr);

}  // namespace flowplex
