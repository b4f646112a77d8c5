#include "risk/persistence.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "stats_test/plot.hpp"

namespace flowplex {
namespace {

template <std::size_t K>
std::array<std::optional<float>, K> correlogram(std::span<const float> x) {
  std::array<std::optional<float>, K> r{};
  const int n = static_cast<int>(x.size());
  const bool varies = std::any_of(x.begin(), x.end(), [&](float v) { return v != x.front(); });
  if (!varies) return r;
  std::array<float, K> lagged{};
  aut01(n, x, static_cast<int>(K), lagged);
  for (std::size_t k = 1; k <= K && static_cast<int>(k) < n; ++k) r[k - 1] = lagged[k - 1];
  return r;
}

}  // namespace

MonthlyCorrelogram monthly_persistence(int NY, std::span<const float> x) {
  const std::size_t years = static_cast<std::size_t>(std::max(NY, 0));
  std::vector<float> departures(kMonths * years);
  for (std::size_t m = 0; m < kMonths; ++m) {
    long double sum = 0.0L;
    for (std::size_t y = 0; y < years; ++y) sum += x[kMonths * y + m];
    const long double mean = sum / static_cast<long double>(years);
    for (std::size_t y = 0; y < years; ++y)
      departures[kMonths * y + m] = static_cast<float>(x[kMonths * y + m] - mean);
  }
  return correlogram<kMonthlyLags>(departures);
}

AnnualCorrelogram annual_persistence(int NY, std::span<const float> annual) {
  return correlogram<kAnnualLags>(annual.first(static_cast<std::size_t>(std::max(NY, 0))));
}

float persistence_bound(int n) { return static_cast<float>(1.96 / std::sqrt(static_cast<double>(n))); }

}  // namespace flowplex
