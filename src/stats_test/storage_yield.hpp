#pragma once
// Drought measures of a monthly flow series in time order (year 1 months 1..12,
// year 2, ...): sequent-peak storage for 20 yields, deficits for 5 releases and
// minimum run sums for 10 run lengths. Series spans start at month 1 (x[0]).
#include <array>
#include <span>

#include "store/store.hpp"

namespace flowplex {

// A value at each of the 20 yield levels (5 % to 100 % of MAR).
using StorageCurve = std::array<float, kYieldLevels>;

// The storage-yield analysis of one series (its column of the mass curve): yield and
// required storage in % of MAR, and the months from the start of the critical depletion
// to its deepest point, at each yield level.
struct StorageYield {
  StorageCurve yield{};
  StorageCurve storage{};
  StorageCurve critical_months{};
};

// The deficits of one series at release levels 1..5 (40..80 %), element k - 1.
struct DeficitColumn {
  std::array<float, kReleaseLevels> release{};      // release per month
  std::array<float, kReleaseLevels> max_deficit{};  // largest accumulated deficit
  std::array<int, kReleaseLevels> duration{};       // months to reach it in its run
  std::array<int, kReleaseLevels> longest{};        // longest run of deficit months
};

// The minimum run sums of one series, element i - 1 for run-length number i.
using RunSumColumn = std::array<float, kRunLengths>;

// The run lengths in months of run-length numbers 1..10.
inline constexpr std::array<int, kRunLengths> kRunLengthMonths{6, 12, 24, 36, 48, 60, 72, 84, 96, 108};

// The cap of a minimum run sum; also reported for a run longer than the series.
inline constexpr float kRunSumCap = 1.0E6F;

// Whether brutog measures the storages in the series' own mean annual flow rather than in
// the MAR it is given: a MAR at or below 0.001.
inline bool mar_replaced(float MAR) { return MAR - 0.001F <= 0.0F; }

// Sequent-peak storage of the NY-year series for the yields 5 %..100 % of MAR. A MAR
// at or below 0.001 is replaced by the series' own mean annual flow (written back).
// plot_count becomes the last level whose storage is at most 401 % of MAR.
void brutog(int NY, std::span<const float> x, float& MAR, StorageYield& out, int& plot_count);

// Deficits of the n-month series for releases of 80 % down to 40 % of annual_mean.
void defcit(std::span<const float> x, int n, float annual_mean, DeficitColumn& out);

// Smallest sum of any run of run_lengths(i) consecutive months, capped at 1.0E6.
void dismin(int n, std::span<const float> x, const std::array<int, kRunLengths>& run_lengths, RunSumColumn& sums);

}  // namespace flowplex
