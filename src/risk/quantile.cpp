#include "risk/quantile.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace flowplex {

int quantile_rank(int percent, int n) { return std::max((percent * n + 99) / 100, 1); }

std::optional<float> quantile(std::span<const float> values, int percent) {
  // A value that is not finite (from flows that are not) has no place in the order.
  std::vector<float> sorted;
  std::copy_if(values.begin(), values.end(), std::back_inserter(sorted), [](float v) { return std::isfinite(v); });
  if (sorted.empty()) return std::nullopt;
  const auto at = sorted.begin() + (quantile_rank(percent, static_cast<int>(sorted.size())) - 1);
  std::nth_element(sorted.begin(), at, sorted.end());
  return *at;
}

std::optional<float> quantile_of_all(std::span<const float> values, int percent) {
  if (values.empty()) return std::nullopt;
  std::vector<float> sorted(values.begin(), values.end());
  for (float& v : sorted)
    if (!std::isfinite(v)) v = std::numeric_limits<float>::infinity();
  const auto at = sorted.begin() + (quantile_rank(percent, static_cast<int>(sorted.size())) - 1);
  std::nth_element(sorted.begin(), at, sorted.end());
  return std::isfinite(*at) ? std::optional<float>(*at) : std::nullopt;
}

Band band_of(std::span<const float> values) { return {quantile(values, 5), quantile(values, 50), quantile(values, 95)}; }

std::vector<float> given(std::span<const std::optional<float>> values) {
  std::vector<float> out;
  for (const auto& v : values)
    if (v) out.push_back(*v);
  return out;
}

}  // namespace flowplex
