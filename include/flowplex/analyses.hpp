#pragma once
// The analyses of an ensemble against the historical record, as the command line makes
// them for `run --analyses 1`: for each chosen gauge the statistical-properties test of
// realizations 1 to 41 and the risk analyses over every realization, then the correlation
// of the chosen gauges' annual flows. They compute the tables every writer takes (the
// report pages, CSV, NetCDF, the page); the values are bit for bit the command line's.
//
// The tables are the writers' own types (stats_test/results.hpp, risk/results.hpp).
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "flowplex/river_system.hpp"
#include "risk/results.hpp"
#include "stats_test/results.hpp"

namespace flowplex::api {

// An ensemble's flows as the generation hands them over (RealizationBuffer): realizations
// first to first + count - 1, each (year, month, gauge), gauge fastest, every gauge of the
// river system.
struct EnsembleFlows {
  int first = 1;
  int count = 0;
  int years = 0;  // NYS
  std::span<const float> flow;
};

struct AnalysisRequest {
  std::vector<int> gauges;          // the chosen gauges, 1 to 15 of them, in slot order
  std::string historic = "HIS";     // the historic files' type: gauge STEM.HIS, ...
  int threads = 1;                  // the realizations' figures side by side; no value depends on it
};

// What the analyses give, gauge by gauge in the order chosen.
struct AnalysisResult {
  std::vector<int> not_tested;                // gauges whose historic file gave no year
  std::vector<StatisticsResult> statistics;   // of the others
  std::vector<SlotRisk> risk;                 // of the same gauges, in the same order
  CrossGaugeResult cross_gauge;               // every pair of them
};

// The figures a block of realizations leaves for the analyses: each realization's own
// (storages, droughts, flow duration, persistence, validation figures, the cross-gauge
// correlations), as bytes that can be stored or sent to the process that combines the
// blocks, which must run the same build.
struct BlockFigures {
  int first = 0;  // the block's realizations first to first + count - 1
  int count = 0;
  std::vector<std::byte> bytes;
};

// The analyses of an ensemble taken block by block: for one too large to hold at once, or
// generated on many machines. Blocks are analysed apart, in any order and any process that
// holds the same analysis, and combined into the tables analyse() gives, bit for bit.
class EnsembleAnalysis {
 public:
  // `tested` holds realizations 1 to 41 at least (the statistics test's, whose storages
  // the risk analyses take); each gauge's historic file is read from the river system's
  // folder. Throws as analyse() does.
  EnsembleAnalysis(const RiverSystem& system, const EnsembleFlows& tested, const AnalysisRequest& request);
  ~EnsembleAnalysis();
  EnsembleAnalysis(EnsembleAnalysis&&) noexcept;
  EnsembleAnalysis& operator=(EnsembleAnalysis&&) noexcept;

  // The figures of a block of realizations of the ensemble whose realizations 1 to 41 the
  // analysis was made from (the same river system, option, years and perturbation).
  BlockFigures figures(const EnsembleFlows& block) const;
  // The tables of every block's realizations, which must be 1 to N once, N >= 41, in
  // blocks of this analysis: made by an analysis of the same realizations 1 to 41, gauges
  // and historic files, in this process or another (RequestError otherwise, naming the
  // fault).
  AnalysisResult combine(std::vector<BlockFigures> blocks) const;

 private:
  struct Basis;
  std::unique_ptr<Basis> basis_;
};

// Analyses the ensemble's flows, which must begin at realization 1 and hold at least the
// 41 the statistics test takes. Each gauge's historic file is read from the river
// system's folder. A request the command line would refuse throws RequestError; a historic
// file that cannot be found throws InputError naming it.
AnalysisResult analyse(const RiverSystem& system, const EnsembleFlows& flows, const AnalysisRequest& request);

}  // namespace flowplex::api
