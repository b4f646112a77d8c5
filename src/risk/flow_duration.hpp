#pragma once
// The flow-duration curve of a monthly series: the flow exceeded in p % of the months.
// Plotting rule (Weibull): the i-th largest of n flows is exceeded with probability
// i / (n + 1); between two ranks the flow is interpolated linearly in that probability,
// and beyond the largest or the smallest rank the curve stays at that flow.
#include <array>
#include <span>

#include "risk/results.hpp"

namespace flowplex {

using DurationCurve = std::array<float, kExceedances.size()>;

// The flows at the exceedance probabilities kExceedances of the monthly flows x.
DurationCurve flow_duration(std::span<const float> x);

}  // namespace flowplex
