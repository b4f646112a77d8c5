#pragma once
// A perturbed run on the command line: --perturb and --perturbation, and the hook that
// perturbs the run's realizations once the river system is loaded.
#include <memory>
#include <optional>
#include <string>

#include <CLI/CLI.hpp>

#include "flowplex/perturbation.hpp"
#include "report/console.hpp"
#include "store/option.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// The factors a run was asked for, with the flag and value that asked, for messages.
struct PerturbationFlag {
  std::string flag;
  std::string value;
  api::Perturbation factors;
};

// Registers --perturb mean=M,cv=C[,months=F1:...:F12] and --perturbation FILE (one of
// them at most); a malformed value or file is a usage error naming the flag and value.
void add_perturbation_options(CLI::App& app, std::optional<PerturbationFlag>& perturbation);

// The hook of the run's perturbation, for the loaded river system and the run's option
// (null without a perturbation, or with factors that are the identity everywhere). A
// perturbation the river system or the option refuses ends the run as a usage error.
std::unique_ptr<YearHook> run_perturbation(const RiverSystem& river, GenerationOption option,
                                           const std::optional<PerturbationFlag>& perturbation);

// The console line that says the flows are perturbed, written only when they are.
void show_perturbation(Console& con, const std::optional<PerturbationFlag>& perturbation);

}  // namespace flowplex
