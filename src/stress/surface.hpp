#pragma once
// The storage-yield-reliability surface: what every part of a stress test shares (its
// design), the figures each realization leaves under each scenario, and the tables formed
// from all N of them. Quantiles are formed only from the whole set of realizations, so
// one run and any split of it into shards give the same bits.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "risk/results.hpp"
#include "stress/scenarios.hpp"

namespace flowplex::stress {

// A chosen gauge: its place in --gauges, its number, name and historical MAR (the unit of
// yields and storages, the same under every climate: the demand does not shrink).
struct Slot {
  int slot = 0;
  int gauge = 0;
  std::string name;
  float MAR = 0.0F;
  bool operator==(const Slot&) const = default;
};

// A scenario as the surface keeps it: its name, its place on the grid, and the mean
// factor of each slot's gauge (what says whether a yield can be sustained at all).
struct ScenarioLabel {
  std::string name;
  std::optional<double> mean_factor;
  std::optional<double> cv_factor;
  std::vector<double> slot_mean;
  bool operator==(const ScenarioLabel&) const = default;
};

// What every shard of one stress test shares.
struct Design {
  std::string input_digest;
  std::string option;  // rigorous or bootstrap
  int years = 0;
  bool grid = false;
  std::vector<Slot> slots;
  std::vector<ScenarioLabel> scenarios;
  std::vector<int> yields;         // % of MAR, among the 20 levels
  std::vector<int> reliabilities;  // %
  std::vector<double> storages;    // % of MAR
  std::vector<Projection> projections;
  bool operator==(const Design&) const = default;
};

// The figures of realizations first to last under every scenario, in the order
// (scenario, realization, slot[, yield]).
struct Figures {
  int first = 1;
  int last = 0;
  std::vector<float> required_storage;  // % of MAR
  std::vector<DroughtFigures> droughts;

  int count() const { return last - first + 1; }
};

// A yield at or above the scenario's mean annual flow cannot be sustained by any storage.
bool sustainable(const ScenarioLabel& scenario, std::size_t slot, int yield);

// The tables of one slot under one scenario.
struct SlotSurface {
  // storage[yield][reliability]: the storage (% of MAR) that suffices in that share of
  // the realizations; absent where the share includes one no storage suffices for.
  std::vector<std::vector<std::optional<float>>> storage;
  // reliability[yield][storage]: % of the realizations whose required storage is at most S.
  std::vector<std::vector<double>> reliability;
  std::array<std::optional<float>, 4> drought_median{};  // events, mean duration, longest, largest deficit
};

struct Surface {
  Design design;
  Figures figures;
  std::vector<std::vector<SlotSurface>> cells;  // [scenario][slot]
};

inline constexpr std::array<const char*, 4> kDroughtNames{"events_per_century", "mean_duration", "longest_duration",
                                                          "largest_deficit"};

// The files of an output, written whole under temporary names: each call gives one its
// final name. The outputs of a command take their final names together, once all are
// written; a file not made final is removed.
using FinalNames = std::vector<std::function<void()>>;

// The surface of figures that hold realizations 1 to N.
Surface surface_of(Design design, Figures figures);

}  // namespace flowplex::stress
