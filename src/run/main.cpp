// flowplex: generates stochastic monthly streamflow sequences for the gauges of a river
// system and tests them against the historical record. The dialogue's answers come on
// standard input, or as the flags of `run`; `check` looks the river system over first.
#include <csignal>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "report/interruption.hpp"
#include "run/check_command.hpp"
#include "run/command_line.hpp"
#include "run/fit_command.hpp"
#include "run/run_command.hpp"
#include "run/stress_command.hpp"

namespace {

constexpr const char* kDescription =
    "Generates 41 stochastic sequences of monthly streamflow for the gauges of a river\n"
    "system (rigorous multi-site ARMA(2,2), bootstrap of historical years, or forecasting\n"
    "mode) and tests them against the historical record.\n"
    "\n"
    "Without a command it asks its questions and reads the answers from standard input,\n"
    "one per line, so a run can be scripted:  flowplex < answers.txt\n"
    "The same run without a question asked:   flowplex run --years 30 --option rigorous --gauges 1,2\n"
    "A river system looked over before a run: flowplex check\n"
    "\n"
    "Reads:  the parameter file (default PARMSET.DAT), the series files of every gauge\n"
    "        (STEM.INC .RNK .RAN .AFF .IRR), the historic file of each chosen gauge,\n"
    "        PARAMFOR.DAT in forecasting mode.\n"
    "Writes: SEQPROBE.ANS (main report), SEQPROBE.PIN, SEQPROBE.PN2, GAUGE.ANN and,\n"
    "        when the forecast dump is chosen, FORECAST.TXT, in the current directory.\n"
    "\n"
    "Exit status: 0 the run did what was asked, 1 the run failed, 2 wrong arguments.";

int usage_error(const std::string& what) {
  std::cerr << "flowplex: " << what << " (flowplex --help lists the options)\n";
  return flowplex::to_int(flowplex::ExitStatus::Usage);
}

}  // namespace

int main(int argc, char** argv) {
  using flowplex::ExitStatus;
  flowplex::interruption::watch();
  // A file-size limit (ulimit -f) would otherwise kill the process in the middle of a
  // write and leave its temporary files behind; ignored, the write fails with EFBIG and
  // the run ends as for a full disk: a line naming the file, nothing half-written.
  std::signal(SIGXFSZ, SIG_IGN);
  CLI::App app{kDescription, "flowplex"};
  app.set_version_flag("--version", std::string("flowplex ") + FLOWPLEX_VERSION);
  // Entered as soon as it is read, so that a command's own work (the fitting's too)
  // already happens in the folder.
  app.add_option_function<std::string>("-C,--directory", flowplex::enter_working_folder,
                                       "Change to this folder first: the river system is read and the reports are "
                                       "written there, and relative paths are taken from there")
      ->type_name("DIR")
      ->trigger_on_parse();
  flowplex::Invocation invocation{{argv + 1, argv + argc}, FLOWPLEX_VERSION, {}};
  flowplex::add_output_options(app, invocation.outputs);
  flowplex::add_threads_option(app, invocation.threads);
  flowplex::add_realizations_option(app, invocation.realizations, invocation.realizations_value);
  flowplex::add_perturbation_options(app, invocation.perturbation);
  ExitStatus fit_status = ExitStatus::Success;
  flowplex::add_fit_command(app, fit_status);
  flowplex::RunFlags run_flags;
  CLI::App* run = flowplex::add_run_command(app, run_flags);
  flowplex::CheckRequest check_request;
  CLI::App* check = flowplex::add_check_command(app, check_request);
  flowplex::StressFlags stress_flags;
  CLI::App* stress = flowplex::add_stress_command(app, stress_flags);
  flowplex::RunRequest run_request;
  flowplex::StressRequest stress_request;
  try {
    app.parse(argc, argv);
    if (*run) run_request = flowplex::read_run_flags(run_flags);
    if (*stress) stress_request = flowplex::read_stress_flags(stress_flags, invocation);
    if (!app.got_subcommand("fit") && !*check && !*stress)
      flowplex::refuse_range_without_tests(invocation.realizations, invocation.realizations_value,
                                           *run ? &run_flags : nullptr);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    return usage_error(e.what());
  } catch (const flowplex::UsageError& e) {
    return usage_error(e.what());
  }
  try {
    if (app.got_subcommand("fit")) return flowplex::to_int(fit_status);
    if (*check) return flowplex::to_int(flowplex::check_command(check_request, std::cout));
    if (*run) return flowplex::to_int(flowplex::flag_run(run_request, invocation, std::cout));
    if (*stress) return flowplex::to_int(flowplex::stress_command(stress_request, invocation, std::cout));
    return flowplex::to_int(flowplex::dialogue_run(invocation));
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << " *** INTERNAL ERROR: " << e.what() << " ***\n";
    return flowplex::to_int(ExitStatus::RunFailed);
  }
}
