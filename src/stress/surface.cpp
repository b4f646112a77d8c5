#include "stress/surface.hpp"

#include <cmath>

#include "risk/quantile.hpp"

namespace flowplex::stress {
namespace {

// Positions in the figures' arrays.
struct Layout {
  std::size_t realizations, slots, yields;
  std::size_t at(std::size_t s, std::size_t r, std::size_t k) const { return (s * realizations + r) * slots + k; }
};

float drought_value(const DroughtFigures& d, std::size_t i) {
  switch (i) {
    case 0:
      return d.events_per_century;
    case 1:
      return d.mean_duration;
    case 2:
      return static_cast<float>(d.longest);
    default:
      return d.largest_deficit;
  }
}

// The share (%) of the storages at most S; a storage that is not finite never is.
double share_supplied(const std::vector<float>& storages, double S) {
  std::size_t supplied = 0;
  for (const float v : storages)
    if (std::isfinite(v) && v <= S) ++supplied;
  return 100.0 * static_cast<double>(supplied) / static_cast<double>(storages.size());
}

SlotSurface slot_surface(const Design& d, const Figures& f, const Layout& at, std::size_t s, std::size_t k) {
  SlotSurface cell;
  for (std::size_t y = 0; y < d.yields.size(); ++y) {
    std::vector<float> storages;
    for (std::size_t r = 0; r < at.realizations; ++r) storages.push_back(f.required_storage[at.at(s, r, k) * at.yields + y]);
    std::vector<std::optional<float>> by_reliability;
    for (const int p : d.reliabilities) by_reliability.push_back(quantile_of_all(storages, p));
    cell.storage.push_back(by_reliability);
    std::vector<double> by_storage;
    for (const double S : d.storages) by_storage.push_back(share_supplied(storages, S));
    cell.reliability.push_back(by_storage);
  }
  for (std::size_t i = 0; i < kDroughtNames.size(); ++i) {
    std::vector<float> values;
    for (std::size_t r = 0; r < at.realizations; ++r) values.push_back(drought_value(f.droughts[at.at(s, r, k)], i));
    cell.drought_median[i] = quantile(values, 50);
  }
  return cell;
}

}  // namespace

bool sustainable(const ScenarioLabel& scenario, std::size_t slot, int yield) {
  // The yield as the fraction of MAR it is, against the factor as it was read: 100 times
  // the factor 0.55 is a little above 55, and would call 55 % MAR sustainable.
  return static_cast<double>(yield) / 100.0 < scenario.slot_mean[slot];
}

Surface surface_of(Design design, Figures figures) {
  const Layout at{static_cast<std::size_t>(figures.count()), design.slots.size(), design.yields.size()};
  Surface surface{std::move(design), std::move(figures), {}};
  for (std::size_t s = 0; s < surface.design.scenarios.size(); ++s) {
    std::vector<SlotSurface> row;
    for (std::size_t k = 0; k < surface.design.slots.size(); ++k)
      row.push_back(slot_surface(surface.design, surface.figures, at, s, k));
    surface.cells.push_back(std::move(row));
  }
  return surface;
}

}  // namespace flowplex::stress
