#pragma once
// Two-sample tests of one month's generated flows (a realization's NYS values) against
// the historical ones (NYH values), two-sided:
// - Mann-Whitney rank-sum: U of the generated sample from the mid-ranks of the pooled
//   sample; z = (|U - n1 n2 / 2| - 1/2) / sigma with the tie-corrected
//   sigma^2 = n1 n2 / 12 (n + 1 - sum(t^3 - t) / (n (n - 1))); p = 2 (1 - Phi(z)), at most 1;
//   as scipy.stats.mannwhitneyu(method="asymptotic", use_continuity=True) gives it.
// - Brown-Forsythe: Levene's statistic on the absolute departures from each sample's
//   median, F with 1 and n - 2 degrees of freedom, p its upper tail (Boost.Math); as
//   scipy.stats.levene(center="median") gives it.
// A sample pair that leaves the statistic undefined (no spread at all) gives p = 1.
#include <span>

namespace flowplex {

double mann_whitney_p(std::span<const float> x, std::span<const float> y);
double brown_forsythe_p(std::span<const float> x, std::span<const float> y);

// The level a p-value below which rejects (the tests' names: kMonthlyTests).
inline constexpr double kRejectionLevel = 0.05;

}  // namespace flowplex
