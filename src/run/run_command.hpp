#pragma once
// The two ways to run the program's whole run from its command line: the dialogue
// (answers typed or piped in) and `run` (the answers given as flags).
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "report/console.hpp"
#include "report/run_ended.hpp"
#include "run/command_line.hpp"
#include "run/run.hpp"
#include "run/run_request.hpp"

namespace flowplex {

// What every run of this process shares: its command line and the outputs it asks for.
struct Invocation {
  std::vector<std::string> arguments;  // the program's arguments as given
  std::string version;
  OutputOptions outputs;
};

// Registers `run` and its flags; the output options of the program also follow it.
CLI::App* add_run_command(CLI::App& app, RunFlags& flags);

// A whole run: the dialogue reads its answers from answers, the console writes to out
// what `shown` says, the outputs are those of the invocation, and a progress line goes
// to standard error when that is a terminal.
ExitStatus console_run(std::istream& answers, std::ostream& out, Shown shown, const Invocation& invocation,
                       const BeforeDialogue& before_dialogue = {});

// `flowplex run`: the dialogue answered from the request, the river system checked before
// any report file is opened.
ExitStatus flag_run(const RunRequest& request, const Invocation& invocation, std::ostream& out);

}  // namespace flowplex
