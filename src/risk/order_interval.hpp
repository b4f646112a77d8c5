#pragma once
// A distribution-free, equal-tailed confidence interval of at least 90 % for the p %
// quantile of the distribution the N realizations sample, from their order statistics.
// The count B of realizations below the true quantile is binomial (N, p / 100), and
// the k-th smallest lies below it when B >= k: the lower limit is the l-th smallest for
// the largest l with P(B <= l - 1) <= 5 %, the upper limit the u-th smallest for the
// smallest u with P(B >= u) <= 5 %, so each side misses with at most 5 %. They lie about
// the point estimate's rank ceil(pN / 100). Where no rank from 1 satisfies the lower side
// there is no lower limit (rank 0); where no rank up to N satisfies the upper side (the
// 98 % value from 41 realizations) there is no upper limit (rank N + 1).
#include <optional>
#include <span>

namespace flowplex {

struct RankInterval {
  int lower = 0;  // 0: no lower limit
  int upper = 0;  // N + 1: no upper limit
};

inline constexpr double kIntervalTail = 0.05;

RankInterval quantile_interval_ranks(int percent, int N);

struct QuantileInterval {
  std::optional<float> lower, upper;
};

// The interval of the p % value of the finite values.
QuantileInterval quantile_interval(std::span<const float> values, int percent);

}  // namespace flowplex
