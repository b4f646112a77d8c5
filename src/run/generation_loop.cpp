#include <exception>

#include "library/realization_maker.hpp"
#include "run/phases.hpp"
#include "run/realization_scratch.hpp"

namespace flowplex {
namespace {

// The twelve months of every year of the chosen gauges of realization seq, as made, into
// every slot that holds them; realizations beyond the 41 the tests describe go to the
// sinks alone.
void keep_flows(const RunState& run, const api::Realization& made, FlowBlock& kept, int seq) {
  for (int k = 1; k <= run.NSEL; ++k) {
    const int g = run.IGLIST(k);
    for (int y = 1; y <= run.NYS; ++y)
      for (int m = 1; m <= kMonths; ++m) kept.FLOW(m, y, seq, k) = made.at(g, m, y);
  }
}

void annual_totals(const RunState& run, FlowBlock& kept) {
  for (int k = 1; k <= run.NSEL; ++k)
    for (int seq = 1; seq <= kSequences; ++seq)
      for (int y = 1; y <= run.NYS; ++y) {
        long double sum = 0.0L;
        for (int m = 1; m <= kMonths; ++m) sum += kept.FLOW(m, y, seq, k);
        kept.FLOWYR(y, seq, k) = static_cast<float>(sum);
      }
}

}  // namespace

void generate_sequences(Store& s, Console& con, RunSink& sink, RealizationScratch* scratch, int threads,
                        const YearHook* hook) {
  const RealizationRange& range = s.RUN.REALIZATIONS;
  RealizationMaker maker(s.RIVER, s.STDAT, {s.RUN.option(), s.RUN.NYS, hook, {}});
  const auto keep = [&](int seq) { return range.described(seq) || sink.takes_sequences() || scratch != nullptr; };
  // Every realization of the range reaches the sinks in order, the place where whatever
  // follows each realization's flows (exports, figures over the ensemble) takes them.
  // The console shows the sequences the reports describe, and the lines of a sequence
  // that failed, which tell why; a sequence made before the range only to carry its state
  // on ends the run all the same when it fails.
  const auto deliver = [&](int seq, MadeRealization&& made) {
    const bool in_range = seq >= range.first;
    if (in_range) sink.begin_sequence(seq);
    if (range.described(seq) || made.fault) con.pass_on(made.console);
    if (made.fault) std::rethrow_exception(made.fault);
    if (!in_range) return;
    if (range.described(seq)) keep_flows(s.RUN, *made.flows, s.FLOW, seq);
    sink.sequence_made(seq, made.flows);
    if (scratch != nullptr && seq > kSequences) scratch->add(seq, *made.flows);
    if (range.described(seq)) con.free("SEQ NO.", seq);
  };
  make_in_order(maker, range.first, range.last, threads, keep, {}, deliver);
  if (scratch != nullptr) scratch->finish_writing();
  annual_totals(s.RUN, s.FLOW);
}

}  // namespace flowplex
