#pragma once
// A small stress test for the tests of this folder: its design, and figures made by a rule
// of the scenario, realization, slot and yield, so that a value out of place shows.
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "stress/surface.hpp"

namespace flowplex::stress::testing {

// Three climates of a grid, the last the baseline; two gauges; yields either side of the
// first climate's mean annual flow (55 % MAR).
inline Design small_design() {
  Design d;
  d.input_digest = "sha256:0123abcd";
  d.option = "rigorous";
  d.years = 30;
  d.grid = true;
  d.slots = {{1, 2, "UPPER", 200.0F}, {2, 5, "LOWER DAM", 40.0F}};
  d.scenarios = {{"mean=0.55,cv=1", 0.55, 1.0, {0.55, 0.55}},
                 {"mean=1.2,cv=1.1", 1.2, 1.1, {1.2, 1.2}},
                 {"mean=1,cv=1", 1.0, 1.0, {1.0, 1.0}}};
  d.yields = {50, 55, 100};
  d.reliabilities = {90, 95};
  d.storages = {4.5, 5.0};
  d.projections = {{"RCP4.5", 0.9, 1.05}};
  return d;
}

using StorageRule = std::function<float(std::size_t scenario, int realization, std::size_t slot, std::size_t yield)>;

// Realizations first to last of the design under the rule; each drought figure tells its
// scenario, realization and slot apart too.
inline Figures figures_of(const Design& d, int first, int last, const StorageRule& storage) {
  Figures f{first, last, {}, {}};
  for (std::size_t s = 0; s < d.scenarios.size(); ++s)
    for (int r = first; r <= last; ++r)
      for (std::size_t k = 0; k < d.slots.size(); ++k) {
        for (std::size_t y = 0; y < d.yields.size(); ++y) f.required_storage.push_back(storage(s, r, k, y));
        const auto tag = static_cast<float>(1000 * s + 10 * static_cast<std::size_t>(r) + k);
        f.droughts.push_back({tag, tag / 2, static_cast<int>(tag) + 1, tag * 3});
      }
  return f;
}

// A value for every place, and one that is never finite.
inline float tagged_storage(std::size_t s, int r, std::size_t k, std::size_t y) {
  if (r == 4 && k == 1) return std::numeric_limits<float>::infinity();
  return static_cast<float>(r) + 0.25F * static_cast<float>(s) + 0.5F * static_cast<float>(k) + 100.0F * static_cast<float>(y);
}

inline Figures tagged_figures(const Design& d, int first, int last) { return figures_of(d, first, last, tagged_storage); }

// The same bits, NaN and infinity included.
inline bool same_bits(const std::vector<float>& a, const std::vector<float>& b) {
  return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0);
}

}  // namespace flowplex::stress::testing
