#pragma once
// The risk analyses of a run: each slot's after its statistics test, over every
// realization, and the cross-gauge correlation of the slots analysed after the last
// analysis. Their tables go to the sink.
#include <span>
#include <vector>

#include "export/sink.hpp"
#include "risk/cross_gauge.hpp"
#include "run/realization_scratch.hpp"
#include "store/store.hpp"

namespace flowplex {

class RiskAnalyses {
 public:
  // The realizations beyond the 41 FLOW keeps come from beyond_flow, when the run made any;
  // each realization's figures are formed on up to `threads` threads, taken in order.
  RiskAnalyses(const RealizationScratch* beyond_flow, int threads) : beyond_flow_(beyond_flow), threads_(threads) {}

  // Nothing is made for a sink that writes no risk analyses.
  // The risk analyses of the test's slot, the first time the slot is tested: they take
  // the test's MAR and storages, the slot's historic file and its generated flows.
  void slot_tested(const Store& s, const StatisticsResult& test, RunSink& sink);
  // The correlation of the annual flows of every pair of the slots analysed.
  void finish(const Store& s, RunSink& sink) const;

 private:
  // The last realization made: 41, or the scratch file's last.
  int last_realization() const;
  // Slot k's monthly flows of realization r in time order: from FLOW for 1 to 41, else read
  // from the scratch file into buffer.
  std::span<const float> months_of(const Store& s, int r, int k, std::vector<float>& buffer) const;

  const RealizationScratch* beyond_flow_;
  int threads_;
  std::vector<SlotLabel> slots_;  // in the order they were analysed
};

}  // namespace flowplex
