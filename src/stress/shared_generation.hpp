#pragma once
// One generation shared by every climate of a stress test. Each realization is made once,
// unperturbed; a recording hook keeps each year's annual flows, the historical year its
// months follow and the chosen gauges' months. For each scenario in turn the year's annual
// flows pass through the scenario's perturbation, the chosen gauges' months are formed
// from them as the generator forms them, and only their storages and droughts are made:
// the multi-site recursion and the nearest-year search are done once for all scenarios,
// and the draws and historical years are common to all of them.
#include <memory>
#include <stop_token>
#include <vector>

#include "flowplex/year_hook.hpp"
#include "report/console.hpp"
#include "risk/droughts.hpp"
#include "store/option.hpp"
#include "store/river_system.hpp"
#include "stress/surface.hpp"

namespace flowplex::stress {

// A chosen gauge as the figures need it: its number, the MAR its storages are measured
// in and the historical thresholds of its droughts.
struct GaugeInputs {
  int gauge = 0;
  float MAR = 0.0F;
  MonthlyThresholds thresholds{};
};

struct SharedGeneration {
  const RiverSystem& river;          // loaded and checked for the option
  GenerationOption option;           // rigorous or bootstrap
  int years = 0;
  std::vector<GaugeInputs> gauges;   // by slot
  std::vector<const YearHook*> scenarios;  // each scenario's perturbation, null where none
  std::vector<int> yields;           // % of MAR, among the 20 levels
  int first = 1, last = 0;
  int threads = 1;
  std::stop_token stop;              // checked once per realization: a stop throws api::Stopped
};

// The figures of realizations first to last under every scenario. A realization that
// fails passes its console lines on and ends the run as the run's generation does.
Figures shared_figures(const SharedGeneration& g, Console& con);

}  // namespace flowplex::stress
