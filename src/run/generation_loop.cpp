#include <exception>

#include "library/kept_flows.hpp"
#include "library/realization_maker.hpp"
#include "run/phases.hpp"
#include "run/realization_scratch.hpp"

namespace flowplex {

void generate_sequences(Store& s, Console& con, RunSink& sink, RealizationScratch* scratch, int threads,
                        const YearHook* hook) {
  const RealizationRange& range = s.RUN.REALIZATIONS;
  RealizationMaker maker(s.RIVER, {s.RUN.option(), s.RUN.NYS, hook, {}});
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
    if (range.described(seq)) keep_flows(s.RUN, made.flows->flow, made.flows->NGAUGE, s.FLOW, seq);
    sink.sequence_made(seq, made.flows);
    if (scratch != nullptr && seq > kSequences) scratch->add(seq, *made.flows);
    if (range.described(seq)) con.free("SEQ NO.", seq);
  };
  make_in_order(maker, range.first, range.last, threads, keep, {}, deliver);
  if (scratch != nullptr) scratch->finish_writing();
  annual_totals(s.RUN, s.FLOW);
}

}  // namespace flowplex
