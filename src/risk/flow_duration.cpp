#include "risk/flow_duration.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace flowplex {

DurationCurve flow_duration(std::span<const float> x) {
  // Flows that are not finite have no rank: they are left out, and a series of none
  // has no curve.
  std::vector<float> largest_first;
  std::copy_if(x.begin(), x.end(), std::back_inserter(largest_first), [](float q) { return std::isfinite(q); });
  DurationCurve curve{};
  if (largest_first.empty()) {
    curve.fill(std::numeric_limits<float>::quiet_NaN());
    return curve;
  }
  std::sort(largest_first.begin(), largest_first.end(), std::greater<>());
  const int n = static_cast<int>(largest_first.size());
  const auto flow = [&](int rank) { return largest_first[static_cast<std::size_t>(rank - 1)]; };
  for (std::size_t i = 0; i < kExceedances.size(); ++i) {
    // The rank whose plotting position is p: p (n + 1) / 100, formed in integers first.
    const double rank = static_cast<double>(kExceedances[i] * (n + 1)) / 100.0;
    const int below = static_cast<int>(rank);
    if (below < 1)
      curve[i] = flow(1);
    else if (below >= n)
      curve[i] = flow(n);
    else
      curve[i] = static_cast<float>(flow(below) + (rank - below) * (static_cast<double>(flow(below + 1)) - flow(below)));
  }
  return curve;
}

}  // namespace flowplex
