// flowplex: generates stochastic monthly streamflow sequences for the gauges of a river
// system and tests them against the historical record. Answers come on standard input.
#include <cstring>
#include <exception>
#include <iostream>

#include "run/run.hpp"

namespace {

constexpr const char* kUsage =
    "usage: flowplex [--help | --version]\n"
    "\n"
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
    "Exit status: 0 the run did what was asked, 1 the run failed, 2 wrong arguments.\n";

}  // namespace

int main(int argc, char** argv) {
  using flowplex::ExitStatus;
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::cout << kUsage;
    return flowplex::to_int(ExitStatus::Success);
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::cout << "flowplex " << FLOWPLEX_VERSION << "\n";
    return flowplex::to_int(ExitStatus::Success);
  }
  if (argc != 1) {
    std::cerr << kUsage;
    return flowplex::to_int(ExitStatus::Usage);
  }
  try {
    auto store = flowplex::make_store();
    flowplex::Console console(std::cin, std::cout);
    flowplex::Channels channels;
    const ExitStatus status = flowplex::run_flowplex(*store, console, channels);
    std::cout.flush();
    return flowplex::to_int(status);
  } catch (const std::exception& e) {
    std::cout.flush();
    std::cerr << " *** INTERNAL ERROR: " << e.what() << " ***\n";
    return flowplex::to_int(ExitStatus::RunFailed);
  }
}
