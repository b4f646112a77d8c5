#pragma once
// The limits that size every block: the river system's, a sequence's generator state
// and the store's.
#include "store/array.hpp"
#include "store/text.hpp"

namespace flowplex {

// Limits that size the store.
inline constexpr int kMaxSlots = 15;       // chosen gauges (slot k)
inline constexpr int kMaxGauges = 300;     // gauges in the parameter file (gauge number g)
inline constexpr int kMaxKeys = 300;       // key gauges of the nearest-year search
inline constexpr int kSequences = 41;      // generated sequences (s, ITR)
inline constexpr int kMaxYears = 200;      // years per sequence, per historic file, per common period
inline constexpr int kMonths = 12;         // months of the hydrological year, October first
inline constexpr int kDeviates = 500;      // normal deviates drawn per generated year or month
inline constexpr int kSeriesTypes = 5;     // series file types
inline constexpr int kRegressionPoints = 15;
inline constexpr int kPlotRows = 51;
inline constexpr int kPlotColumns = 101;
inline constexpr int kYieldLevels = 20;
inline constexpr int kReleaseLevels = 5;
inline constexpr int kRunLengths = 10;

using Name = Text<40>;

}  // namespace flowplex
