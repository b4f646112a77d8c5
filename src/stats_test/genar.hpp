#pragma once
// The statistical-properties report of one gauge: its 41 generated sequences
// against its historical record, on "SEQPROBE.ANS" (16), "SEQPROBE.PIN" (8) and
// "SEQPROBE.PN2" (9).
#include <array>

#include "report/channel.hpp"
#include "stats_test/results.hpp"
#include "stats_test/storage_yield.hpp"
#include "store/store.hpp"

namespace flowplex {

// The historical figures the report sets beside the generated ones.
struct HistoricalFigures {
  std::array<float, kMonths> QMEANH{};   // monthly means
  std::array<float, kMonths> QSDH{};     // monthly standard deviations
  std::array<float, kRunLengths> HRUN{};  // minimum run sums
  DeficitTables deficits;                // column 1
};

// Reads the gauge under test from s.GAUGE (IG slot, IGPAR gauge number), its
// historical flows from s.BLANK.HISTQ (NYH >= 1 years) and NYS generated years; writes
// the report and returns its numbers.
StatisticsResult genar(Store& s, Channels& ch, int NYH, int NYS, const HistoricalFigures& hist);

// Mean and median required storage over the 41 sequences at each yield level, from the
// storages (quantity 4) of MASSCURVE. The five smallest yields, and levels at which no
// sequence needs storage, are not computed (kStorageNotComputed). The mean divides the
// total of all 41 storages by the number of sequences that need storage.
void storage_over_sequences(const MassCurve& mass, StorageCurve& mean, StorageCurve& median);

}  // namespace flowplex
