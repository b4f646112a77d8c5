#include "risk/droughts.hpp"

#include <algorithm>

#include "risk/quantile.hpp"

namespace flowplex {

MonthlyThresholds drought_thresholds(int NY, std::span<const float> x) {
  MonthlyThresholds thresholds{};
  std::vector<float> month(static_cast<std::size_t>(std::max(NY, 0)));
  for (std::size_t m = 0; m < kMonths; ++m) {
    for (std::size_t y = 0; y < month.size(); ++y) month[y] = x[kMonths * y + m];
    thresholds[m] = quantile(month, 20).value_or(0.0F);
  }
  return thresholds;
}

DroughtFigures drought_figures(int NY, std::span<const float> x, const MonthlyThresholds& thresholds) {
  int events = 0, drought_months = 0, run = 0, longest = 0;
  long double deficit = 0.0L;  // of the drought running
  float largest = 0.0F;
  const std::size_t n = static_cast<std::size_t>(kMonths * std::max(NY, 0));
  for (std::size_t t = 0; t < n; ++t) {
    const float threshold = thresholds[t % kMonths];
    if (!(x[t] < threshold)) {
      run = 0;
      continue;
    }
    if (run == 0) {
      ++events;
      deficit = 0.0L;
    }
    ++run;
    ++drought_months;
    deficit += static_cast<long double>(threshold) - x[t];
    longest = std::max(longest, run);
    largest = std::max(largest, static_cast<float>(deficit));
  }
  DroughtFigures figures;
  if (NY < 1) return figures;
  figures.events_per_century = static_cast<float>(100.0 * events / NY);
  figures.mean_duration = events > 0 ? static_cast<float>(static_cast<double>(drought_months) / events) : 0.0F;
  figures.longest = longest;
  figures.largest_deficit = largest;
  return figures;
}

}  // namespace flowplex
