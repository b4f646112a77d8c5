#pragma once
// The risk analyses of a run: each slot's after its statistics test, over every
// realization, and the cross-gauge correlation of the slots analysed after the last
// analysis. They compute the tables; the writers take them.
#include <optional>
#include <span>
#include <vector>

#include "risk/cross_gauge.hpp"
#include "risk/results.hpp"
#include "risk/slot_risk.hpp"
#include "stats_test/results.hpp"
#include "store/store.hpp"

namespace flowplex {

// The chosen slots' monthly flows of the realizations beyond the 41 that FLOW keeps.
class RealizationsBeyond {
 public:
  virtual ~RealizationsBeyond() = default;
  // The last realization held: those from 42 to last() are (none when it is 41).
  virtual int last() const = 0;
  // Slot k's monthly flows of realization seq, in time order, into months (12 NYS values).
  // Threads may read side by side.
  virtual void read(int seq, int k, std::vector<float>& months) const = 0;
};

// The risk analyses of the test's slot, before any realization: the test's MAR and
// storages, the slot's historical record.
SlotRiskAnalysis slot_analysis(const AnalysisInputs& s, const StatisticsResult& test);

// Realization r's figures: those of 1 to 41 take the statistics test's storages.
RealizationFigures realization_figures(const SlotRiskAnalysis& analysis, int r, std::span<const float> months);

// The historical correlation of the annual flows of every pair of the slots, in the
// cross-gauge table's order.
std::vector<std::optional<float>> historical_correlations(const AnalysisInputs& s, const std::vector<SlotLabel>& slots);

class RiskAnalyses {
 public:
  // The realizations beyond the 41 FLOW keeps come from beyond_flow, when there are any;
  // each realization's figures are formed on up to `threads` threads, taken in order.
  RiskAnalyses(const RealizationsBeyond* beyond_flow, int threads) : beyond_flow_(beyond_flow), threads_(threads) {}

  // The risk analyses of the test's slot, the first time the slot is tested (nothing when
  // it was before): they take the test's MAR and storages, the slot's historical record
  // and its generated flows.
  std::optional<SlotRisk> slot_tested(const AnalysisInputs& s, const StatisticsResult& test);
  // The correlation of the annual flows of every pair of the slots analysed.
  CrossGaugeResult finish(const AnalysisInputs& s) const;

 private:
  // The last realization made: 41, or the last of those beyond.
  int last_realization() const;
  // Slot k's monthly flows of realization r in time order: from FLOW for 1 to 41, else read
  // from those beyond into buffer.
  std::span<const float> months_of(const AnalysisInputs& s, int r, int k, std::vector<float>& buffer) const;

  const RealizationsBeyond* beyond_flow_;
  int threads_;
  std::vector<SlotLabel> slots_;  // in the order they were analysed
};

}  // namespace flowplex
