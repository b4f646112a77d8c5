#pragma once
// The chosen slots' monthly flows of the realizations beyond the 41 that FLOW keeps, for
// the risk analyses over a large ensemble. The analyses come after the historic files and
// the menu, long after generation; holding every realization in memory would grow with
// the ensemble, so they wait in a hidden scratch file in the run's folder, one block per
// realization (slot by slot, each slot's years and months in time order, as FLOW holds
// them), and are read back one slot of one realization at a time. The file is removed when
// the run ends, however it ends, and on interruption.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "export/sequence.hpp"
#include "library/risk_analyses.hpp"
#include "store/store.hpp"

namespace flowplex {

class RealizationScratch final : public RealizationsBeyond {
 public:
  // Whether a run needs one: it makes realizations beyond those FLOW keeps, and has
  // chosen slots whose analyses take them.
  static bool needed(const RunState& run);

  // The scratch file for the run's chosen slots and years, made in the run's folder.
  explicit RealizationScratch(const RunState& run);
  ~RealizationScratch() override;
  RealizationScratch(const RealizationScratch&) = delete;
  RealizationScratch& operator=(const RealizationScratch&) = delete;

  // Realization seq, handed on in order from the first beyond FLOW's: its chosen slots'
  // flows are appended.
  void add(int seq, const GeneratedSequence& made);
  // Every realization is in: what was written is flushed, so that it can be read back.
  void finish_writing();

  // The realizations held: from the first beyond FLOW's to last() (none when last() is 41).
  int last() const override { return last_; }
  // Slot k's monthly flows of realization seq, in time order, into months (12 NYS values).
  // Reads at its place without moving the file's position, so threads may read side by side.
  void read(int seq, int k, std::vector<float>& months) const override;

 private:
  [[noreturn]] void failed(const char* doing, int error) const;
  long block_floats() const;

  std::string path_;
  std::FILE* file_ = nullptr;
  int NSEL_ = 0;
  int NYS_ = 0;
  std::vector<int> IGLIST_;  // the chosen slots' gauges
  int last_ = kSequences;
  std::vector<float> block_;  // one realization's block, reused
};

}  // namespace flowplex
