#include "export/run_description.hpp"

#include "export/digest.hpp"
#include "report/input.hpp"

namespace flowplex {

RunDescription describe_run(const RiverSystem& river, RunSettings settings, InputLedger::Read inputs) {
  RunDescription run;
  run.title = river_system_title(river);
  run.gauges = gauge_labels(river);
  run.option = settings.option;
  run.NYS = settings.NYS;
  run.realizations = settings.realizations;
  run.common_period = {river.PARM.ISTART, river.PARM.IEND, river.PARM.NCOMMON};
  run.parameter_file = trimmed_name(river.PARM.PARMFILE.view());
  run.parameter_sha256 = digest_file(in_folder(river.FOLDER, run.parameter_file)).sha256;
  run.version = std::move(settings.version);
  run.perturbation = std::move(settings.perturbation);
  run.writes_reports = settings.writes_reports;
  run.chosen = std::move(settings.chosen);
  run.inputs = std::make_shared<InputLedger>(std::move(inputs));
  return run;
}

}  // namespace flowplex
