#pragma once
// The flow store: the shared blocks of the system with their fields, types and
// dimensions (first index fastest). One Store is allocated at start-up, zero-filled,
// and passed by reference to the run's phases and the analyses.
#include <memory>

#include "store/limits.hpp"
#include "store/option.hpp"
#include "store/realizations.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Run state set by the dialogue.
struct RunState {
  int NYS = 0;   // stochastic years per sequence
  int IOPT = 0;  // generator option: 0, 2 (typed as 1), 3, or as typed
  int NSEL = 0;  // number of chosen gauges
  Arr<int, kMaxSlots> IGLIST;  // gauge numbers of the chosen gauges, by slot
  RealizationRange REALIZATIONS;  // the sequences made: 1 to 41 unless the command line asks otherwise

  // A run asked for realizations that tests no gauge makes exports only: it opens no report
  // file, so that shards of one ensemble can run side by side in one folder.
  bool writes_reports() const { return !(REALIZATIONS.given && NSEL == 0); }

  constexpr GenerationOption option() const { return GenerationOption(IOPT); }
};

// Generated flows kept for the tests.
struct FlowBlock {
  Arr<float, kMonths, kMaxYears, kSequences, kMaxSlots> FLOW;
  Arr<float, kMaxYears, kSequences, kMaxSlots> FLOWYR;
};

// Historical flows of the chosen gauges.
struct HistBlock {
  Arr<float, kMaxYears, kMonths, kMaxSlots> HISTM;
  Arr<float, kMaxYears, kMaxSlots> HISTYR;
  Arr<int, kMaxSlots> NYHIST;  // years read from each slot's historic file
  Arr<Text<60>, kMaxSlots> HISTFILE;  // the name of each slot's historic file
};

// What one run of the command line holds, owner by owner: the river system, read once
// and from then on only read (every generation routine takes it as const RiverSystem&),
// the run's state from the dialogue, the kept flows of the chosen gauges and their
// historical record. The realization maker owns the random stream as the start-up leaves
// it, and each sequence's generator state is an owner of its own (GeneratorState).
struct Store {
  RiverSystem RIVER;
  RunState RUN;
  FlowBlock FLOW;
  HistBlock HIST;
};

// What the analyses read, owner by owner: the river system, the run's choices (years, the
// chosen gauges), the kept flows of the chosen gauges and their historical record. A run
// of the command line hands over its store; the library's analyses their own owners.
struct AnalysisInputs {
  AnalysisInputs(const RiverSystem& river, const RunState& run, const FlowBlock& flow, const HistBlock& hist)
      : RIVER(river), RUN(run), FLOW(flow), HIST(hist) {}
  AnalysisInputs(const Store& s)  // implicit: a run hands its store to any analysis
      : AnalysisInputs(s.RIVER, s.RUN, s.FLOW, s.HIST) {}

  const RiverSystem& RIVER;
  const RunState& RUN;
  const FlowBlock& FLOW;
  const HistBlock& HIST;
};

// A new, zero-filled store. Allocated once per run; large (tens of megabytes).
std::unique_ptr<Store> make_store();

}  // namespace flowplex
