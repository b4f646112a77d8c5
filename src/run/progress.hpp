#pragma once
// A progress line for a terminal: how far the sequences and the export files have
// come, redrawn in place on standard error. It never reaches a report, and it steps
// aside whenever the console writes, so that the two never share a line.
#include <ostream>
#include <string>

#include "export/sink.hpp"
#include "report/console.hpp"

namespace flowplex {

// Hands every event on to the run's sinks, drawing the line as the run goes.
class ProgressLine final : public RunSink {
 public:
  // exports: whether the sinks write files, whose writing the line then shows.
  ProgressLine(std::ostream& terminal, Console& con, RunSink& sinks, bool exports);
  ~ProgressLine() override;
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  void begin_generation(const RunDescription& run) override;
  void begin_sequence(int seq) override;
  void sequence_made(int seq, const std::shared_ptr<const GeneratedSequence>& made) override;
  bool takes_sequences() const override { return sinks_.takes_sequences(); }
  void begin_analyses(const std::vector<ChosenGauge>& chosen) override;
  void not_tested(int gauge) override;
  void statistics(const StatisticsResult& result) override;
  void correlations(const CorrelationResult& result) override;
  bool takes_risk() const override { return sinks_.takes_risk(); }
  void risk(const SlotRisk& result) override;
  void cross_gauge(const CrossGaugeResult& result) override;
  void commit() override;
  void abandon() override;

 private:
  void show(std::string text);
  void draw();
  void erase();

  std::ostream& terminal_;
  Console& con_;
  RunSink& sinks_;
  bool exports_;
  int last_ = 0;  // the run's last realization
  std::string text_;  // what the line says; empty when there is nothing to show
  bool drawn_ = false;
};

}  // namespace flowplex
