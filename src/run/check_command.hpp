#pragma once
// The command `flowplex check`: the river system in the working folder looked over
// before a run.
#include <ostream>

#include <CLI/CLI.hpp>

#include "report/run_ended.hpp"
#include "library/check.hpp"

namespace flowplex {

// Registers `check` and its options.
CLI::App* add_check_command(CLI::App& app, CheckRequest& request);

// The check, its findings and summary written to out.
ExitStatus check_command(const CheckRequest& request, std::ostream& out);

}  // namespace flowplex
