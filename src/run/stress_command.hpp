#pragma once
// `flowplex stress`: the storage-yield-reliability surface of chosen gauges over a grid of
// perturbed climates or named scenarios, from one generation shared by every scenario;
// and `flowplex stress --combine`, which joins the shards of one surface.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "flowplex/stress.hpp"
#include "run/run_command.hpp"

namespace flowplex {

// The flags of `flowplex stress`, as typed; an empty text is a flag not given.
struct StressFlags {
  int years = 0;
  std::string option;
  std::string gauges;
  std::string mean;
  std::string cv;
  std::string scenarios;
  std::string yields;
  std::string reliabilities;
  std::string storages;
  std::string projections;
  std::string historic;
  std::string parameters;
  std::vector<std::string> combine;
};

// What the flags ask for, read and checked.
struct StressRequest {
  RunRequest run;  // years, option, gauges, parameter file and historic types
  std::string climate_flag;   // the flag (and value) that gave the scenarios, for messages
  api::ScenarioSet scenarios;
  std::vector<int> yields;
  std::vector<int> reliabilities;
  std::vector<double> storages;
  std::vector<api::Projection> projections;
  std::vector<std::string> combine;
};

CLI::App* add_stress_command(CLI::App& app, StressFlags& flags);

// Reads the flags with the program's; a UsageError names the flag and value at fault.
StressRequest read_stress_flags(const StressFlags& flags, const Invocation& invocation);

// The stress test, or the combining of its shards; its console written to out.
ExitStatus stress_command(const StressRequest& request, const Invocation& invocation, std::ostream& out);

}  // namespace flowplex
