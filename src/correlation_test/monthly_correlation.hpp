#pragma once
// The monthly correlation test: for the gauge under test and one other chosen gauge,
// the historical rank correlation of each month's flows (and of the annual totals)
// beside the distribution of the same coefficient over the 41 generated sequences.
#include "report/channel.hpp"
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

// Writes the page comparing slot k (gauge g) with slot kk (gauge gk) to channel 16;
// NYS is the number of years in each generated sequence. The generated series of both
// slots are ranked on the first page that needs them (FLOW.NRANKED). Returns the page's numbers.
CorrelationResult mthrnk(Store& s, Channels& ch, int k, int kk, int g, int gk, int NYS);

}  // namespace flowplex
