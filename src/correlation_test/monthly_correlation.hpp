#pragma once
// The monthly correlation test (`mthrnk`): for the gauge under test and one other chosen gauge,
// the historical rank correlation of each month's flows (and of the annual totals)
// beside the distribution of the same coefficient over the 41 generated sequences.
#include "stats_test/results.hpp"
#include "store/store.hpp"

namespace flowplex {

// The years that both gauges' historical series hold, as positions in their records.
struct HistoricalPeriod {
  int NPAIR = 0;  // paired years (below 2: too short to rank)
  int o1 = 0;     // offset of the first paired year in the record of the gauge under test
  int o2 = 0;     // the same in the other gauge's record
  int first = 0;  // calendar year of the first paired year
  bool cut_to_files = false;  // the historic files hold fewer common years than the records
};

// The overlap of the records of gauge g (slot k) and gauge gk (slot kk), limited to the
// years their historic files hold.
HistoricalPeriod historical_period(const AnalysisInputs& s, int k, int kk, int g, int gk);

// The correlation test's own ranks of the generated flows: the rank of each year's flow
// within its sequence, by month (kMonths + 1: the annual totals), formed once per slot
// for every page that needs them, with the tie sum of each series and the years ranked
// of each slot (0: not ranked). One run's analyses own one; it is large.
struct SlotRanks {
  Arr<float, kMaxYears, kMonths + 1, kSequences, kMaxSlots> FRANK;
  Arr<float, kMonths + 1, kSequences, kMaxSlots> FTIES;
  Arr<int, kMaxSlots> NRANKED;
};

// Ranks the generated series of sequence seq of slot k: each month's and the annual
// totals' NYS values, into FRANK and FTIES.
void rank_sequence(const FlowBlock& flows, SlotRanks& ranks, int k, int seq, int NYS);

// Ranks every sequence of slot k the first time a page needs them (NRANKED); later
// pages reuse the ranks. Each sequence's ranks are its own, formed on up to `threads` threads.
void rank_slot(const FlowBlock& flows, SlotRanks& ranks, int k, int NYS, int threads);

// The numbers of the page comparing slot k (gauge g) with slot kk (gauge gk); NYS is
// the number of years in each generated sequence. Both slots must be ranked (rank_slot).
CorrelationResult mthrnk(const AnalysisInputs& s, const SlotRanks& ranks, int k, int kk, int g, int gk, int NYS);

}  // namespace flowplex
