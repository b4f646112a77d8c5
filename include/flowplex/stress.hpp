#pragma once
// A climate stress test of a river system, as `flowplex stress` makes it: the
// storage-yield-reliability surface of chosen gauges over a grid of perturbed climates or
// named scenarios, all from one generation whose draws and historical years every scenario
// shares. The surface is the value the command line's NetCDF, CSV and page writers take
// (stress/surface.hpp); its figures are bit for bit the command line's, and those of
// `run --perturb` with the risk analyses of the same gauges.
//
// A request whose realizations do not start at 1 makes a shard: its figures alone, no
// tables. Shards made apart, in any process that opened the same river system, combine
// into the surface of one request of realizations 1 to N.
#include <ostream>
#include <stop_token>
#include <string>
#include <vector>

#include "flowplex/generation.hpp"
#include "flowplex/river_system.hpp"
#include "stress/scenarios.hpp"
#include "stress/surface.hpp"

namespace flowplex::api {

using stress::Projection;
using stress::Scenario;
using stress::ScenarioSet;
using StressSurface = stress::Surface;

// The climates and levels of a request, read as the command line reads its flags. A
// malformed value or file throws RequestError saying what is wrong (a file's fault names
// its line):
//   grid_axis("FROM:TO:STEP")       the factors FROM + i·STEP, each the decimal it stands for
//   grid_scenarios(mean, cv)        every pair of the two axes, the baseline (1, 1) added
//                                   where missing; at most kMostScenarios
//   read_scenarios(file | in, name) a CSV scenario,gauge,mean,cv,months, grouped by scenario
//   read_projections(file | in, name) a CSV label,mean,cv
//   read_yields("30,50,70")         % of MAR among 5, 10, ..., 100
//   read_reliabilities("90,95,98")  whole % from 1 to 99
//   read_storages("40,80")          % of MAR above 0
using stress::grid_axis;
using stress::grid_scenarios;
using stress::kMostScenarios;
using stress::read_projections;
using stress::read_reliabilities;
using stress::read_scenarios;
using stress::read_storages;
using stress::read_yields;

struct StressRequest {
  int years = 0;                      // stochastic years per realization, 1 to 200
  Option option = Option::rigorous;   // rigorous or bootstrap: the forecasting mode takes no perturbation
  std::vector<int> gauges;            // the chosen gauges, 1 to 15, in slot order: only they are perturbed
  int first = 1;                      // the realizations first to last; a shard unless first is 1
  int last = 41;
  ScenarioSet scenarios;              // from grid_scenarios or read_scenarios
  std::vector<int> yields{30, 50, 70};
  std::vector<int> reliabilities{90, 95, 98};
  std::vector<double> storages;       // whose reliability to give; none: no such table
  std::vector<Projection> projections;  // placed on a grid's map
  std::vector<std::string> historic{"HIS"};  // one historic file type for every gauge, or one per gauge
  int threads = 1;                    // realizations made side by side; no value depends on it
  std::stop_token stop;               // checked once per realization: a stop throws Stopped
};

// Throws RequestError, naming the field and the command line's limit, unless the request
// is one `flowplex stress` takes.
void check_request(const StressRequest& request);

// The surface of the request (its figures alone for a shard). The console lines the
// command line writes on the way (a historic file that stopped short, the lines of a
// realization that failed) go to `console`. A request outside the limits throws
// RequestError, as does a scenario the river system cannot be perturbed by ("scenario
// NAME: why"); a chosen gauge the river system lacks, a model the option needs, a
// historic file that is missing or gives no year, a realization that fails throw
// InputError with the program's message; a stop throws Stopped.
StressSurface stress(const RiverSystem& system, const StressRequest& request, std::ostream& console);

// The surface of shards (each a request's figures, named in `names` for messages) that
// share the input digest and the design and together hold realizations 1 to N once each:
// the same bits as one request of 1 to N. RequestError names the shard at fault and how.
StressSurface combine(const std::vector<std::string>& names, std::vector<StressSurface> shards);

}  // namespace flowplex::api
