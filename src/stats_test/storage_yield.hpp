#pragma once
// Drought measures of a monthly flow series in time order (year 1 months 1..12,
// year 2, ...): sequent-peak storage for 20 yields, deficits for 5 releases and
// minimum run sums for 10 run lengths. Series spans start at month 1 (x[0]).
#include <array>
#include <span>

#include "store/array.hpp"
#include "store/store.hpp"

namespace flowplex {

// (column, yield level, quantity): quantity 1 annual mean, 2 annual sd, 3 yield %,
// 4 required storage %, 5 critical-run months. Column 42 is the historical record.
using MassCurve = Arr<float, kMassCurveColumns, kYieldLevels, 5>;

// Deficit results per (release level 1..5 = 40..80 %, column).
struct DeficitTables {
  Arr<float, kReleaseLevels, kSequences> release;      // release per month
  Arr<float, kReleaseLevels, kSequences> max_deficit;  // largest accumulated deficit
  Arr<int, kReleaseLevels, kSequences> duration;       // months to reach it in its run
  Arr<int, kReleaseLevels, kSequences> longest;        // longest run of deficit months
};

// Minimum run sums per (column, run-length number).
using RunSums = Arr<float, kSequences, kRunLengths>;

// The run lengths in months of run-length numbers 1..10.
inline constexpr std::array<int, kRunLengths> kRunLengthMonths{6, 12, 24, 36, 48, 60, 72, 84, 96, 108};

// The cap of a minimum run sum; also reported for a run longer than the series.
inline constexpr float kRunSumCap = 1.0E6F;

// Sequent-peak storage of the NY-year series for the yields 5 %..100 % of MAR. A MAR
// at or below 0.001 is replaced by the series' own mean annual flow (written back).
// plot_count becomes the last level whose storage is at most 401 % of MAR.
void brutog(int NY, std::span<const float> x, float& MAR, std::array<float, kYieldLevels>& yield,
            std::array<float, kYieldLevels>& storage, int& plot_count, int column, MassCurve& mass);

// Deficits of the n-month series for releases of 80 % down to 40 % of annual_mean.
void defcit(std::span<const float> x, int n, float annual_mean, DeficitTables& tables, int column);

// Smallest sum of any run of run_lengths(i) consecutive months, capped at 1.0E6.
void dismin(int n, std::span<const float> x, const std::array<int, kRunLengths>& run_lengths,
            RunSums& sums, int column);

}  // namespace flowplex
