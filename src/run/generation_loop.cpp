#include "generation/generator.hpp"
#include "run/phases.hpp"

namespace flowplex {
namespace {

// The twelve months of gauge g just made, rounded to single precision, into every slot
// that holds g.
void keep_year(Store& s, int y, int seq) {
  for (int k = 1; k <= s.RUN.NSEL; ++k) {
    const int g = s.RUN.IGLIST(k);
    for (int m = 1; m <= kMonths; ++m) s.FLOW.FLOW(m, y, seq, k) = static_cast<float>(s.STOQ.QMONTH(g, m));
  }
}

void annual_totals(Store& s) {
  for (int k = 1; k <= s.RUN.NSEL; ++k)
    for (int seq = 1; seq <= kSequences; ++seq)
      for (int y = 1; y <= s.RUN.NYS; ++y) {
        long double sum = 0.0L;
        for (int m = 1; m <= kMonths; ++m) sum += s.FLOW.FLOW(m, y, seq, k);
        s.FLOW.FLOWYR(y, seq, k) = static_cast<float>(sum);
      }
}

}  // namespace

void generate_sequences(Store& s, Console& con, RunSink& sink) {
  for (int seq = 1; seq <= kSequences; ++seq) {
    s.STDAT.NEWSEQ = 1;
    int iseq = seq;
    int iopt = s.RUN.IOPT;
    sink.begin_sequence(s, seq);
    for (int y = 1; y <= s.RUN.NYS; ++y) {
      int count = 1;
      anskom(s, con, iseq, iopt, count);
      keep_year(s, y, seq);
      sink.year_made(s, seq, y);
    }
    sink.end_sequence(s, seq);
    // Every sequence accounts for 201 years of random draws, whatever NYS is.
    if (s.RUN.NYS - 201 < 0) {
      int runoff = s.RUN.NYS - 201;
      anskom(s, con, iseq, iopt, runoff);
    }
    con.free("SEQ NO.", seq);
  }
  annual_totals(s);
  s.FLOW.NRANKED.fill(0);  // new flows: the monthly correlations rank them afresh
}

}  // namespace flowplex
