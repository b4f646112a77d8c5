#include <exception>
#include <memory>

#include "generation/forecast.hpp"
#include "generation/generator.hpp"
#include "parallel/in_order.hpp"
#include "run/phases.hpp"
#include "run/realization_scratch.hpp"

namespace flowplex {
namespace {

// What making one sequence left for the run to hand on in order: its console lines, the
// fault that ended it after them (if any), and every gauge's flows for the sinks that
// take them.
struct MadeSequence {
  std::string console;
  std::exception_ptr fault;
  std::shared_ptr<const GeneratedSequence> flows;
};

// The twelve months of gauge g just made, rounded to single precision, into every slot
// that holds g. Each sequence writes only its own part of FLOW; realizations beyond the 41
// the tests describe go to the sinks alone.
void keep_year(const RunState& run, const GeneratorState& state, FlowBlock& kept, int y, int seq) {
  if (!run.REALIZATIONS.described(seq)) return;
  for (int k = 1; k <= run.NSEL; ++k) {
    const int g = run.IGLIST(k);
    for (int m = 1; m <= kMonths; ++m) kept.FLOW(m, y, seq, k) = static_cast<float>(state.STOQ.QMONTH(g, m));
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

// Sequence seq, year by year, from the generator state as it stands. The collector,
// when there is one, keeps every gauge's flows.
void make_sequence(const RiverSystem& river, const RunState& run, GeneratorState& state, int seq, FlowBlock& kept,
                   LineWriter& con, SequenceCollector* collector) {
  state.STDAT.NEWSEQ = 1;
  if (collector) collector->begin(river, run.NYS, seq);
  for (int y = 1; y <= run.NYS; ++y) {
    anskom(river, state, con, run.option());
    keep_year(run, state, kept, y, seq);
    if (collector) collector->year_made(river, state, y);
  }
  // Every sequence accounts for the same years of random draws, whatever NYS is.
  if (run.NYS < kYearsDrawnPerSequence) run_off(river, state, con, run.option(), kYearsDrawnPerSequence - run.NYS);
}

// Makes the sequences of one run. Where the sequences stand alone each starts from a
// fresh state at its own place in the stream; otherwise one state runs through them all,
// one sequence after another, from sequence 1 whatever realization the run starts at.
class SequenceMaker {
 public:
  SequenceMaker(Store& s, bool keep_flows)
      : river_(s), run_(s.RUN), startup_(s.STDAT), kept_(s.FLOW), keep_flows_(keep_flows),
        stand_alone_(sequences_stand_alone(s, s.RUN.IOPT)) {
    if (!stand_alone_) carried_ = std::make_unique<GeneratorState>(state_at_sequence_start(startup_, run_.IOPT, 1));
  }

  bool stand_alone() const { return stand_alone_; }
  // The first sequence to be made: the run's first realization, or sequence 1 when each
  // sequence carries on from the one before.
  int first_made() const { return stand_alone_ ? run_.REALIZATIONS.first : 1; }

  MadeSequence operator()(int seq) {
    MadeSequence made;
    HeldLines con;
    SequenceCollector collector;
    const bool handed_on = keep_flows_ && seq >= run_.REALIZATIONS.first;
    try {
      std::unique_ptr<GeneratorState> fresh;
      if (stand_alone_) fresh = std::make_unique<GeneratorState>(state_at_sequence_start(startup_, run_.IOPT, seq));
      make_sequence(river_, run_, stand_alone_ ? *fresh : *carried_, seq, kept_, con, handed_on ? &collector : nullptr);
      if (handed_on) made.flows = collector.end(stand_alone_ ? *fresh : *carried_);
    } catch (...) {
      made.fault = std::current_exception();
    }
    made.console = con.take();
    return made;
  }

 private:
  const RiverSystem& river_;
  const RunState& run_;
  const StdatBlock& startup_;
  FlowBlock& kept_;
  bool keep_flows_;
  bool stand_alone_;
  std::unique_ptr<GeneratorState> carried_;
};

}  // namespace

void generate_sequences(Store& s, Console& con, RunSink& sink, RealizationScratch* scratch, int threads) {
  if (s.RUN.option().forecasting()) load_forecast_model(s);
  const RealizationRange& range = s.RUN.REALIZATIONS;
  SequenceMaker maker(s, sink.takes_sequences() || scratch != nullptr);
  const int before = maker.first_made() - 1;
  // Every realization of the range reaches the sinks in order, the place where whatever
  // follows each realization's flows (exports, figures over the ensemble) takes them.
  // The console shows the sequences the reports describe, and the lines of a sequence
  // that failed, which tell why; a sequence made before the range only to carry its state
  // on ends the run all the same when it fails.
  const auto deliver = [&](int made_number, MadeSequence made) {
    const int seq = before + made_number;
    const bool in_range = seq >= range.first;
    if (in_range) sink.begin_sequence(s, seq);
    if (range.described(seq) || made.fault) con.pass_on(made.console);
    if (made.fault) std::rethrow_exception(made.fault);
    if (!in_range) return;
    sink.sequence_made(s, seq, made.flows);
    if (scratch != nullptr && seq > kSequences) scratch->add(seq, *made.flows);
    if (range.described(seq)) con.free("SEQ NO.", seq);
  };
  const auto make = [&](int made_number) { return maker(before + made_number); };
  in_order(range.last - before, maker.stand_alone() ? threads : 1, make, deliver);
  if (scratch != nullptr) scratch->finish_writing();
  annual_totals(s);
  s.FLOW.NRANKED.fill(0);  // new flows: the monthly correlations rank them afresh
}

}  // namespace flowplex
