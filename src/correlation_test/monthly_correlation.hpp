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
HistoricalPeriod historical_period(const Store& s, int k, int kk, int g, int gk);

// Ranks the generated series of sequence seq of slot k: each month's and the annual
// totals' NYS values, into FRANK and FTIES.
void rank_sequence(FlowBlock& flows, int k, int seq, int NYS);

// Ranks every sequence of slot k the first time a page needs them (FLOW.NRANKED); later
// pages reuse the ranks. Each sequence's ranks are its own, formed on up to `threads` threads.
void rank_slot(FlowBlock& flows, int k, int NYS, int threads);

// The numbers of the page comparing slot k (gauge g) with slot kk (gauge gk); NYS is
// the number of years in each generated sequence. Both slots must be ranked (rank_slot).
CorrelationResult mthrnk(const Store& s, int k, int kk, int g, int gk, int NYS);

}  // namespace flowplex
