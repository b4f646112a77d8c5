#pragma once
// Droughts by run theory. A month is in drought when its flow is below that calendar
// month's threshold, the historical Q80: the flow reached or exceeded in at least 80 %
// of the record's years for that month (the 20 % value of the month's historical flows
// by the quantile rule, the ceil(0.2 n)-th smallest of n). A drought is a maximal run of
// drought months, one still running when the series ends included; its deficit is the
// sum over its months of the threshold less the flow.
#include <array>
#include <span>

#include "risk/results.hpp"

namespace flowplex {

using MonthlyThresholds = std::array<float, kMonths>;

// The Q80 of each month (October first) of the NY years of monthly flows x (in time
// order). No year gives no threshold: every threshold is 0 and no month is in drought.
MonthlyThresholds drought_thresholds(int NY, std::span<const float> x);

// The drought figures of the NY years of monthly flows x against the thresholds.
DroughtFigures drought_figures(int NY, std::span<const float> x, const MonthlyThresholds& thresholds);

}  // namespace flowplex
