#pragma once
// The command `flowplex fit`: a river system fitted from monthly gauge records.
#include <CLI/CLI.hpp>

#include "report/run_ended.hpp"

namespace flowplex {

// Registers the `fit` subcommand; when it runs, its outcome is left in `status`.
void add_fit_command(CLI::App& app, ExitStatus& status);

}  // namespace flowplex
