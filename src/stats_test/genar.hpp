#pragma once
// The statistical-properties test of one gauge (`genar`): its 41 generated sequences
// against its historical record. It computes only; the report writer
// (statistics_report.hpp) prints the pages from the table it returns.
#include <array>
#include <string_view>

#include "stats_test/results.hpp"
#include "stats_test/storage_yield.hpp"
#include "store/store.hpp"

namespace flowplex {

// The historical figures the report sets beside the generated ones.
struct HistoricalFigures {
  int NYH = 0;                                          // years of the record
  std::array<float, kMonths * kMaxYears> series{};      // its months in time order
  std::array<float, kMonths> QMEANH{};                  // monthly means
  std::array<float, kMonths> QSDH{};                    // monthly standard deviations
  RunSumColumn HRUN{};                                  // minimum run sums
  DeficitColumn deficits;
};

// What the test of one gauge reads, all of it as given.
struct StatisticsInputs {
  int slot;                     // IG, where its generated flows are kept
  int gauge;                    // IGPAR, its number in the parameter file
  std::string_view name;        // GAUGENAME, 40 characters
  ParameterValues parameters;   // as the parameter file gives them
  const HistoricalFigures& historical;
  const FlowBlock& flows;
  int NYS;                      // years per generated sequence
};

// The figures of one generated sequence of a slot.
struct SequenceFigures {
  std::array<float, kMonths> month_mean{}, month_sd{};
  float annual_mean = 0.0F, annual_sd = 0.0F, annual_cv = 0.0F;
  DeficitColumn deficits;       // against the sequence's own annual mean
  RunSumColumn run_sums{};
  float MAR = 0.0F;             // the mean annual flow its storages are measured in
  StorageYield curve;
  int within_plot = 0;          // the last level whose storage is at most 401 % MAR, 0 none
};

// One sequence seq of slot `slot`, its storages measured in MAR (replaced by the
// sequence's own mean annual flow when at or below 0.001).
SequenceFigures sequence_figures(const FlowBlock& flows, int slot, int NYS, int seq, float MAR);

// The whole test of one gauge (NYH >= 1 historical years); the figures of the sequences
// are formed on up to `threads` threads, the result the same whatever their number.
StatisticsResult genar(const StatisticsInputs& in, int threads);

// Mean and median required storage over the 41 sequences at each yield level. The five
// smallest yields, and levels at which no sequence needs storage, are not computed. The
// mean divides the total of all 41 storages by the number of sequences that need storage.
void storage_over_sequences(const std::array<StorageCurve, kSequences>& storage, PartialStorageCurve& mean,
                            PartialStorageCurve& median);

}  // namespace flowplex
