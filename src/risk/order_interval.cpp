#include "risk/order_interval.hpp"

#include <algorithm>
#include <boost/math/distributions/binomial.hpp>
#include <cmath>
#include <vector>

#include "risk/quantile.hpp"

namespace flowplex {

RankInterval quantile_interval_ranks(int percent, int N) {
  const boost::math::binomial_distribution<double> B(N, percent / 100.0);
  const int k = quantile_rank(percent, N);
  RankInterval r{0, N + 1};
  // P(B <= l - 1) grows with l: the largest l at or below k that keeps it within the tail.
  for (int l = k; l >= 1; --l)
    if (boost::math::cdf(B, l - 1) <= kIntervalTail) {
      r.lower = l;
      break;
    }
  // P(B >= u) shrinks with u: the smallest u from k on that keeps it within the tail.
  for (int u = k; u <= N; ++u)
    if (boost::math::cdf(boost::math::complement(B, u - 1)) <= kIntervalTail) {
      r.upper = u;
      break;
    }
  return r;
}

QuantileInterval quantile_interval(std::span<const float> values, int percent) {
  std::vector<float> sorted;
  std::copy_if(values.begin(), values.end(), std::back_inserter(sorted), [](float v) { return std::isfinite(v); });
  if (sorted.empty()) return {};
  std::sort(sorted.begin(), sorted.end());
  const int N = static_cast<int>(sorted.size());
  const RankInterval r = quantile_interval_ranks(percent, N);
  QuantileInterval out;
  if (r.lower >= 1) out.lower = sorted[static_cast<std::size_t>(r.lower - 1)];
  if (r.upper <= N) out.upper = sorted[static_cast<std::size_t>(r.upper - 1)];
  return out;
}

}  // namespace flowplex
