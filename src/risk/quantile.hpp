#pragma once
// The one quantile rule of the risk analyses, on the order statistics of a sample: the
// p % value of n values is the ceil(p n / 100)-th smallest. At least p % of the values
// are at or below it, so a storage at the 98 % value suffices in at least 98 % of the
// realizations. With the 41 sequences of a run: 5 % is the 3rd smallest, 50 % the 21st,
// 80 % the 33rd, 90 % the 37th, 95 % the 39th, 98 % and 99 % the largest.
#include <optional>
#include <span>
#include <vector>

#include "risk/results.hpp"

namespace flowplex {

// The rank (1 = smallest) of the p % value of n values; n >= 1, 0 <= p <= 100.
int quantile_rank(int percent, int n);

// The p % value of the finite values; absent where there is none.
std::optional<float> quantile(std::span<const float> values, int percent);

// The p % value of all the values, one that is not finite (a storage no finite one
// equals) ranking above every finite one; absent where the rank falls on such a value.
std::optional<float> quantile_of_all(std::span<const float> values, int percent);

// The 5 %, 50 % and 95 % values of the values given.
Band band_of(std::span<const float> values);

// The values that are given, in order: the figures a realization could compute.
std::vector<float> given(std::span<const std::optional<float>> values);

}  // namespace flowplex
