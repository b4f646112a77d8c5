#pragma once
// The statistical-properties report of one gauge: its 41 generated sequences
// against its historical record, on "SEQPROBE.ANS" (16), "SEQPROBE.PIN" (8) and
// "SEQPROBE.PN2" (9).
#include <array>

#include "report/channel.hpp"
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
// historical flows from s.BLANK.HISTQ (NYH >= 1 years) and NYS generated years.
void genar(Store& s, Channels& ch, int NYH, int NYS, const HistoricalFigures& hist);

}  // namespace flowplex
