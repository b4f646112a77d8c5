#include "risk/ssi.hpp"

#include <algorithm>
#include <boost/math/distributions/normal.hpp>


namespace flowplex {

std::vector<double> running_sums_12(int NY, std::span<const float> x) {
  const std::size_t n = static_cast<std::size_t>(12 * std::max(NY, 0));
  std::vector<double> sums;
  for (std::size_t t = 11; t < n; ++t) {
    double sum = 0.0;
    for (std::size_t i = t - 11; i <= t; ++i) sum += x[i];
    sums.push_back(sum);
  }
  return sums;
}

SsiReference::SsiReference(int NY, std::span<const float> historical) : sorted_(running_sums_12(NY, historical)) {
  std::sort(sorted_.begin(), sorted_.end());
}

double SsiReference::ssi(double sum) const {
  const auto n = static_cast<std::ptrdiff_t>(sorted_.size());
  const std::ptrdiff_t at_or_below = std::upper_bound(sorted_.begin(), sorted_.end(), sum) - sorted_.begin();
  const std::ptrdiff_t c = std::clamp<std::ptrdiff_t>(at_or_below, 1, n);
  const double p = static_cast<double>(c) / static_cast<double>(n + 1);
  return boost::math::quantile(boost::math::normal_distribution<double>(), p);
}

std::optional<SsiFigures> SsiReference::figures(int NY, std::span<const float> x) const {
  const std::vector<double> sums = running_sums_12(NY, x);
  if (sorted_.empty() || sums.empty()) return std::nullopt;
  int events = 0, months = 0;
  bool in_event = false;
  double severity = 0.0;
  for (const double s : sums) {
    const double z = ssi(s);
    if (!(z < -1.0)) {
      in_event = false;
      continue;
    }
    if (!in_event) ++events;
    in_event = true;
    ++months;
    severity -= z;
  }
  SsiFigures f;
  f.events_per_century = static_cast<float>(100.0 * events / NY);
  if (events > 0) {
    f.mean_duration = static_cast<float>(static_cast<double>(months) / events);
    f.mean_severity = static_cast<float>(severity / events);
  }
  return f;
}

}  // namespace flowplex
