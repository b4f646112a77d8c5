#pragma once
// A run whose answers are given on the command line instead of typed: the flags as
// given, the run they ask for, the answers the dialogue then reads, and what is checked
// in the river system before the dialogue opens the report files.
#include <stdexcept>
#include <string>
#include <vector>

#include "report/console.hpp"
#include "store/realizations.hpp"
#include "store/store.hpp"

namespace flowplex {

// The flags of `flowplex run`, as typed; an empty text is a flag not given.
struct RunFlags {
  int years = 0;
  std::string option;
  std::string gauges;
  std::string parameters;
  std::string historic;
  std::string analyses;
  std::vector<std::string> analyses_for;
  bool dump = false;
  bool quiet = false;
};

// The run the flags ask for, slot by slot.
struct RunRequest {
  int years = 0;
  int option = 0;                            // as the dialogue takes it: 0, 1 or 3
  std::vector<int> gauges;                   // gauge numbers in slot order
  std::string parameter_file;                // empty: the dialogue's default
  std::vector<std::string> historic_types;   // one per slot
  std::vector<std::vector<int>> analyses;    // the menu choices of each slot, before its 4
  bool dump = false;
  bool quiet = false;
};

// A flag the run cannot take; its one line names the flag and its value.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the flags. A flag whose value is of the wrong form or outside the dialogue's
// limits, or that the run would not use, is a UsageError.
RunRequest read_run_flags(const RunFlags& flags);

// A range of realizations without 1 to 41 makes none of the tests of the generated flows:
// only `run` with --gauges none and without the flags of the historic files, the analyses
// and the dump can make it (flags: null for the dialogue). A UsageError names the flags.
void refuse_range_without_tests(const RealizationRange& range, const std::string& value, const RunFlags* flags);

// What keeps the dialogue from taking a parameter file's path or a historic file type
// as given, for a usage error; empty when it can take it.
std::string parameter_file_fault(const std::string& path);
std::string historic_type_fault(const std::string& type);

// The answers the dialogue reads for the run, one per line, in the order it asks.
std::string dialogue_answers(const RunRequest& request);

// What only the river system can show, found before the dialogue opens the report
// files: it is loaded (its progress lines on the console), the chosen gauges must stand
// in it and support the option, a forecasting run needs PARAMFOR.DAT and every chosen
// gauge its historic file of the type asked for (but for the forecast dump, which reads
// none). A fault ends the run (RunEnded) with the run's own kind of message.
void check_before_run(Store& s, Console& con, const RunRequest& request, int threads = 1);

}  // namespace flowplex
