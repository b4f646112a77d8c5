#pragma once
// What every writer of a run's results needs to know of the run itself, gathered once the
// river system is loaded and the realizations are about to be made: the river system's
// names and gauges, the years, the realizations, the option, the parameter file and its
// digest, the program, the perturbation, and the input files read. The writers receive
// it in place of the store, and the data they write beside it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/inputs.hpp"
#include "export/river_system.hpp"
#include "flowplex/perturbation.hpp"
#include "store/option.hpp"
#include "store/realizations.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// A gauge chosen for the analyses, and the historic record they compare against.
struct ChosenGauge {
  int slot = 0;
  int gauge = 0;
  std::string gauge_name;  // empty for a gauge the parameter file does not hold
  std::string historic_file;  // empty until it is read
  int years_read = 0;
};

// The period every gauge's record covers.
struct CommonPeriod {
  int first = 0;
  int last = 0;
  int years = 0;
};

struct RunDescription {
  std::string title;  // the parameter file's title line, trimmed
  std::vector<GaugeLabel> gauges;
  GenerationOption option{kRigorous};
  int NYS = 0;
  RealizationRange realizations;
  CommonPeriod common_period;
  std::string parameter_file;  // relative to the river system's folder
  std::string parameter_sha256;
  std::string version;         // the program's version
  std::optional<api::Perturbation> perturbation;  // the factors of a perturbed run
  bool writes_reports = false;  // whether the run writes the line-printer reports
  std::vector<ChosenGauge> chosen;  // their historic files not yet read
  // The input files read, listed when first asked for (when the files become final, by
  // then every input has been read) and the same list for every writer after.
  std::shared_ptr<InputLedger> inputs;
};

// What the caller of a generation adds to the river system it generates from.
struct RunSettings {
  GenerationOption option{kRigorous};
  int NYS = 0;
  RealizationRange realizations;
  std::string version;
  std::optional<api::Perturbation> perturbation;
  bool writes_reports = false;
  std::vector<ChosenGauge> chosen;
};

// The description of a generation from a loaded river system; `inputs` lists the input
// files the run has read by the time it is called.
RunDescription describe_run(const RiverSystem& river, RunSettings settings, InputLedger::Read inputs);

}  // namespace flowplex
