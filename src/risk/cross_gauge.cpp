#include "risk/cross_gauge.hpp"

#include <cmath>

namespace flowplex {

std::optional<float> pearson(std::span<const float> x, std::span<const float> y) {
  const std::size_t n = std::min(x.size(), y.size());
  if (n < 2) return std::nullopt;
  long double sx = 0.0L, sy = 0.0L;
  for (std::size_t i = 0; i < n; ++i) {
    sx += x[i];
    sy += y[i];
  }
  const long double mx = sx / n, my = sy / n;
  long double sxy = 0.0L, sxx = 0.0L, syy = 0.0L;
  for (std::size_t i = 0; i < n; ++i) {
    const long double dx = x[i] - mx, dy = y[i] - my;
    sxy += dx * dy;
    sxx += dx * dx;
    syy += dy * dy;
  }
  if (!(sxx > 0.0L) || !(syy > 0.0L)) return std::nullopt;
  return static_cast<float>(sxy / std::sqrt(sxx * syy));
}

CrossGaugeCorrelation::CrossGaugeCorrelation(std::vector<SlotLabel> slots, std::vector<std::optional<float>> historical)
    : slots_(std::move(slots)), historical_(std::move(historical)), sum_(historical_.size()), count_(historical_.size()) {}

std::size_t CrossGaugeCorrelation::pair_index(std::size_t i, std::size_t j, std::size_t slots) {
  return i * slots - i * (i + 1) / 2 + (j - i - 1);
}

void CrossGaugeCorrelation::add_realization(const std::vector<std::span<const float>>& annual) {
  add_pairs(realization_pairs(annual));
}

std::vector<std::optional<float>> CrossGaugeCorrelation::realization_pairs(
    const std::vector<std::span<const float>>& annual) {
  std::vector<std::optional<float>> pairs;
  for (std::size_t i = 0; i < annual.size(); ++i)
    for (std::size_t j = i + 1; j < annual.size(); ++j) pairs.push_back(pearson(annual[i], annual[j]));
  return pairs;
}

void CrossGaugeCorrelation::add_pairs(std::span<const std::optional<float>> pairs) {
  for (std::size_t at = 0; at < pairs.size(); ++at)
    if (const std::optional<float> r = pairs[at]) {
      sum_[at] += *r;
      ++count_[at];
    }
}

CrossGaugeResult CrossGaugeCorrelation::finish() const {
  CrossGaugeResult result;
  for (std::size_t i = 0; i < slots_.size(); ++i)
    for (std::size_t j = i + 1; j < slots_.size(); ++j) {
      const std::size_t at = pair_index(i, j, slots_.size());
      const SlotLabel &a = slots_[i], &b = slots_[j];
      result.pairs.push_back({a.slot, a.gauge, a.name, b.slot, b.gauge, b.name, historical_[at],
                              count_[at] > 0 ? std::optional<float>(static_cast<float>(sum_[at] / count_[at]))
                                             : std::nullopt});
    }
  return result;
}

}  // namespace flowplex
