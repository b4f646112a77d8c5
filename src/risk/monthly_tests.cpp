#include "risk/monthly_tests.hpp"

#include <algorithm>
#include <boost/math/distributions/fisher_f.hpp>
#include <cmath>
#include <numeric>
#include <vector>

namespace flowplex {
namespace {

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

}  // namespace

double mann_whitney_p(std::span<const float> x, std::span<const float> y) {
  const std::size_t n1 = x.size(), n2 = y.size(), n = n1 + n2;
  if (n1 == 0 || n2 == 0) return 1.0;
  // The pooled sample in order; first = value, second = whether it is of x.
  std::vector<std::pair<float, bool>> pooled;
  pooled.reserve(n);
  for (const float v : x) pooled.push_back({v, true});
  for (const float v : y) pooled.push_back({v, false});
  std::sort(pooled.begin(), pooled.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  double rank_sum = 0.0, ties = 0.0;
  for (std::size_t i = 0; i < n;) {
    std::size_t j = i;
    while (j < n && pooled[j].first == pooled[i].first) ++j;
    const double t = static_cast<double>(j - i);
    const double mid_rank = (static_cast<double>(i + 1) + static_cast<double>(j)) / 2.0;
    for (std::size_t k = i; k < j; ++k)
      if (pooled[k].second) rank_sum += mid_rank;
    ties += t * t * t - t;
    i = j;
  }
  const double N1 = static_cast<double>(n1), N2 = static_cast<double>(n2), N = static_cast<double>(n);
  const double U = rank_sum - N1 * (N1 + 1.0) / 2.0;
  const double variance = N1 * N2 / 12.0 * ((N + 1.0) - ties / (N * (N - 1.0)));
  if (!(variance > 0.0)) return 1.0;
  const double z = (std::abs(U - N1 * N2 / 2.0) - 0.5) / std::sqrt(variance);
  return std::min(1.0, std::erfc(z / std::sqrt(2.0)));
}

double brown_forsythe_p(std::span<const float> x, std::span<const float> y) {
  const std::size_t n1 = x.size(), n2 = y.size(), n = n1 + n2;
  if (n1 == 0 || n2 == 0 || n < 3) return 1.0;
  std::vector<double> a(x.begin(), x.end()), b(y.begin(), y.end());
  const double ma = median(a), mb = median(b);
  for (double& v : a) v = std::abs(v - ma);
  for (double& v : b) v = std::abs(v - mb);
  const auto mean = [](const std::vector<double>& v) {
    return std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
  };
  const double za = mean(a), zb = mean(b);
  const double z = (za * static_cast<double>(n1) + zb * static_cast<double>(n2)) / static_cast<double>(n);
  const double between = static_cast<double>(n1) * (za - z) * (za - z) + static_cast<double>(n2) * (zb - z) * (zb - z);
  double within = 0.0;
  for (const double v : a) within += (v - za) * (v - za);
  for (const double v : b) within += (v - zb) * (v - zb);
  if (!(between > 0.0)) return 1.0;
  if (!(within > 0.0)) return 0.0;
  const double df2 = static_cast<double>(n - 2);
  const double F = df2 * between / within;
  const boost::math::fisher_f_distribution<double> f(1.0, df2);
  return boost::math::cdf(boost::math::complement(f, F));
}

}  // namespace flowplex
