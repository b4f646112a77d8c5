// flowplex: generates stochastic monthly streamflow sequences for the gauges of a river
// system and tests them against the historical record. The dialogue's answers come on
// standard input; the command line adds a working folder and outputs beyond the reports.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "run/command_line.hpp"
#include "run/run.hpp"

namespace {

constexpr const char* kDescription =
    "Generates 41 stochastic sequences of monthly streamflow for the gauges of a river\n"
    "system (rigorous multi-site ARMA(2,2), bootstrap of historical years, or forecasting\n"
    "mode) and tests them against the historical record.\n"
    "\n"
    "The dialogue's answers are read from standard input, one per line, so a run can be\n"
    "scripted:  flowplex < answers.txt\n"
    "\n"
    "Reads:  the parameter file (default PARMSET.DAT), the series files of every gauge\n"
    "        (STEM.INC .RNK .RAN .AFF .IRR), the historic file of each chosen gauge,\n"
    "        PARAMFOR.DAT in forecasting mode.\n"
    "Writes: SEQPROBE.ANS (main report), SEQPROBE.PIN, SEQPROBE.PN2, GAUGE.ANN and,\n"
    "        when the forecast dump is chosen, FORECAST.TXT, in the current directory.\n"
    "\n"
    "Exit status: 0 the run did what was asked, 1 the run failed, 2 wrong arguments.";

// The dialogue run: answers on standard input, the outputs the options ask for.
flowplex::ExitStatus dialogue_run(const flowplex::OutputOptions& outputs, const std::vector<std::string>& arguments) {
  auto store = flowplex::make_store();
  flowplex::Console console(std::cin, std::cout);
  flowplex::Channels channels;
  const flowplex::RunInfo info{arguments, FLOWPLEX_VERSION, &console};
  flowplex::RunSinks sinks = flowplex::output_sinks(outputs, info);
  const flowplex::ExitStatus status = flowplex::run_flowplex(*store, console, channels, sinks);
  std::cout.flush();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  using flowplex::ExitStatus;
  CLI::App app{kDescription, "flowplex"};
  app.set_version_flag("--version", std::string("flowplex ") + FLOWPLEX_VERSION);
  std::string folder;
  app.add_option("-C,--directory", folder, "Change to this folder first: the river system is read and the reports "
                                           "are written there, and relative paths are taken from there")
      ->type_name("DIR");
  flowplex::OutputOptions outputs;
  flowplex::add_output_options(app, outputs);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    app.parse(argc, argv);
    if (!folder.empty()) flowplex::enter_working_folder(folder);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "flowplex: " << e.what() << " (flowplex --help lists the options)\n";
    return flowplex::to_int(ExitStatus::Usage);
  }
  try {
    return flowplex::to_int(dialogue_run(outputs, arguments));
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << " *** INTERNAL ERROR: " << e.what() << " ***\n";
    return flowplex::to_int(ExitStatus::RunFailed);
  }
}
