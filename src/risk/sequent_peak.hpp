#pragma once
// The required storage of a monthly series at all 20 yield levels in one pass over its
// months: the statistics test's sequent-peak analysis (brutog), whose 20 passes are the
// bulk of the risk analyses' time over a large ensemble. Same draughts, same running
// sums and roundings, so the same storages bit for bit.
#include <span>

#include "stats_test/results.hpp"

namespace flowplex {

// Storage (% of MAR) needed to supply 5 %, 10 %, ..., 100 % of MAR from the NY years of
// monthly flows x, as brutog gives it. A MAR at or below 0.001, which brutog replaces by
// the series' own mean, is left to brutog.
StorageCurve required_storages(int NY, std::span<const float> x, float MAR);

}  // namespace flowplex
