#pragma once
// The two ways to run the program's whole run from its command line: the dialogue
// (answers typed or piped in) and `run` (the answers given as flags).
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "report/console.hpp"
#include "report/run_ended.hpp"
#include "run/command_line.hpp"
#include "run/perturbed_run.hpp"
#include "run/run.hpp"
#include "run/run_request.hpp"

namespace flowplex {

// What every run of this process shares: its command line and the outputs it asks for.
struct Invocation {
  std::vector<std::string> arguments;  // the program's arguments as given
  std::string version;
  OutputOptions outputs;
  int threads = default_threads();
  RealizationRange realizations{};
  std::string realizations_value{};  // as given, for messages
  std::optional<PerturbationFlag> perturbation{};
};

// Registers `run` and its flags; the output options of the program also follow it.
CLI::App* add_run_command(CLI::App& app, RunFlags& flags);

// The dialogue on this process's console, with the outputs of the invocation; a
// progress line on standard error when the answers are typed at a terminal.
ExitStatus dialogue_run(const Invocation& invocation);

// `flowplex run`: the dialogue answered from the request, the river system checked before
// any report file is opened, its console written to out; a progress line on standard
// error when that is a terminal and the run is not quiet.
ExitStatus flag_run(const RunRequest& request, const Invocation& invocation, std::ostream& out);

}  // namespace flowplex
