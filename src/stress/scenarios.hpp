#pragma once
// The climates of a stress test: a grid of mean and variability factors applied to every
// gauge alike, or named scenarios of factors by gauge, the unperturbed climate always
// among them; the surface's yields, reliabilities and storages; and the climate
// projections a planner wants placed on the map. A malformed value or file throws
// api::RequestError saying what is wrong (a file's fault names its line).
#include <filesystem>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "flowplex/perturbation.hpp"

namespace flowplex::stress {

// One climate: its name (for a grid the --perturb text of its factors), its factors of
// every gauge, and for a grid the factors it stands at on the map.
struct Scenario {
  std::string name;
  api::Perturbation factors;
  std::optional<double> mean_factor;
  std::optional<double> cv_factor;
};

struct ScenarioSet {
  std::vector<Scenario> scenarios;
  bool grid = false;
};

// A climate projection placed on the grid's map.
struct Projection {
  std::string label;
  double mean = 1.0;
  double cv = 1.0;
  bool operator==(const Projection&) const = default;
};

inline constexpr int kMostScenarios = 400;

// The factors FROM + i·STEP, i = 0 .. round((TO - FROM) / STEP), each the decimal it
// stands for (as many decimals as FROM and STEP are written with), from "FROM:TO:STEP".
std::vector<double> grid_axis(const std::string& text);

// Every pair of the two axes, the mean factor slowest, and the baseline (1, 1) after
// them when the grid misses it; more than kMostScenarios pairs are refused.
ScenarioSet grid_scenarios(const std::vector<double>& mean, const std::vector<double>& cv);

// A CSV with the header scenario,gauge,mean,cv,months: the rows of the perturbation
// file grouped by scenario, in the order the scenarios first appear; the baseline is
// added when no scenario leaves every gauge as it is. The stream forms read the same text,
// `name` naming it in messages.
ScenarioSet read_scenarios(const std::filesystem::path& file);
ScenarioSet read_scenarios(std::istream& in, const std::string& name);

// A CSV with the header label,mean,cv.
std::vector<Projection> read_projections(const std::filesystem::path& file);
std::vector<Projection> read_projections(std::istream& in, const std::string& name);

// Yield levels in % of MAR among 5, 10, ..., 100; reliabilities in % from 1 to 99;
// storages in % of MAR above 0. Each from a comma-separated list.
std::vector<int> read_yields(const std::string& text);
std::vector<int> read_reliabilities(const std::string& text);
std::vector<double> read_storages(const std::string& text);

// The decimal text of a factor as the scenario names write it: shortest round trip.
std::string factor_text(double value);

}  // namespace flowplex::stress
