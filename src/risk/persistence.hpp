#pragma once
// Persistence: the autocorrelation of a series at lags 1, 2, ..., by the statistics
// test's correlogram (divisor n in covariance and variance). The monthly figures are
// those of each month's flows taken as departures from that month's mean over the
// series, so that the seasonal cycle does not pass for persistence. A lag the series
// cannot hold (n values hold lags below n) or a series without variance gives none.
#include <array>
#include <optional>
#include <span>

#include "risk/results.hpp"

namespace flowplex {

using MonthlyCorrelogram = std::array<std::optional<float>, kMonthlyLags>;
using AnnualCorrelogram = std::array<std::optional<float>, kAnnualLags>;

// Lags 1 to 24 months of the departures of the NY years of monthly flows x.
MonthlyCorrelogram monthly_persistence(int NY, std::span<const float> x);

// Lags 1 to 5 years of the NY annual flows.
AnnualCorrelogram annual_persistence(int NY, std::span<const float> annual);

// The approximate 95 % bound of an autocorrelation of n values: 1.96 / sqrt(n).
float persistence_bound(int n);

}  // namespace flowplex
