#pragma once
// What a run hands, as it goes, to the writers of its results beyond the line-printer
// reports (NetCDF, CSV, the manifest, the HTML page). A run without output options has
// no sink but the silent one, so it does exactly what it did without them.
#include <algorithm>
#include <memory>
#include <vector>

#include "export/run_description.hpp"
#include "export/sequence.hpp"
#include "risk/results.hpp"
#include "stats_test/results.hpp"

namespace flowplex {

class RunSink {
 public:
  virtual ~RunSink() = default;

  // The river system is loaded and checked, the realizations are about to be made: the
  // run's description, which stays as it is until the run ends.
  virtual void begin_generation(const RunDescription& /*run*/) {}
  // Sequence seq comes next: its console lines, then its flows. Sequences come in order
  // of the run's realizations (1 to 41 unless asked otherwise), however many are made
  // side by side.
  virtual void begin_sequence(int /*seq*/) {}
  // Sequence seq is made. It holds every gauge's flows when a sink takes them
  // (takes_sequences), and is empty otherwise.
  virtual void sequence_made(int /*seq*/, const std::shared_ptr<const GeneratedSequence>& /*made*/) {}
  // Whether the generation must keep every gauge's flows of each sequence for the sink.
  virtual bool takes_sequences() const { return false; }
  // The historic file of every chosen gauge is read and the analyses are about to start.
  virtual void begin_analyses(const std::vector<ChosenGauge>& /*chosen*/) {}
  // The statistics test of a gauge cannot be made: its historic file gave no year.
  virtual void not_tested(int /*gauge*/) {}
  virtual void statistics(const StatisticsResult& /*result*/) {}
  virtual void correlations(const CorrelationResult& /*result*/) {}
  // Whether a sink writes the risk analyses: a run whose sinks write none does not make them.
  virtual bool takes_risk() const { return false; }
  // The risk analyses of a slot over every realization, made after its statistics test.
  virtual void risk(const SlotRisk& /*result*/) {}
  // The correlation of the annual flows of the slots analysed, after the last analysis.
  virtual void cross_gauge(const CrossGaugeResult& /*result*/) {}
  // Every report is closed and the run did what was asked: the files become final.
  // A file that cannot be completed ends the run (RunEnded) naming it.
  virtual void commit() {}
  // The run ended early: no file of the sink is left behind.
  virtual void abandon() {}
};

// Hands every event to each of its sinks in turn.
class RunSinks final : public RunSink {
 public:
  void add(std::unique_ptr<RunSink> sink) {
    sinks_.push_back(sink.get());
    owned_.push_back(std::move(sink));
  }
  // A sink that outlives these.
  void add(RunSink& sink) { sinks_.push_back(&sink); }
  bool empty() const { return sinks_.empty(); }

  void begin_generation(const RunDescription& run) override { each([&](RunSink& k) { k.begin_generation(run); }); }
  void begin_sequence(int seq) override { each([&](RunSink& k) { k.begin_sequence(seq); }); }
  void sequence_made(int seq, const std::shared_ptr<const GeneratedSequence>& made) override {
    each([&](RunSink& k) { k.sequence_made(seq, made); });
  }
  bool takes_sequences() const override {
    return std::any_of(sinks_.begin(), sinks_.end(), [](const auto& sink) { return sink->takes_sequences(); });
  }
  void begin_analyses(const std::vector<ChosenGauge>& chosen) override {
    each([&](RunSink& k) { k.begin_analyses(chosen); });
  }
  void not_tested(int gauge) override { each([&](RunSink& k) { k.not_tested(gauge); }); }
  void statistics(const StatisticsResult& r) override { each([&](RunSink& k) { k.statistics(r); }); }
  void correlations(const CorrelationResult& r) override { each([&](RunSink& k) { k.correlations(r); }); }
  bool takes_risk() const override {
    return std::any_of(sinks_.begin(), sinks_.end(), [](const auto& sink) { return sink->takes_risk(); });
  }
  void risk(const SlotRisk& r) override { each([&](RunSink& k) { k.risk(r); }); }
  void cross_gauge(const CrossGaugeResult& r) override { each([&](RunSink& k) { k.cross_gauge(r); }); }
  void commit() override { each([](RunSink& k) { k.commit(); }); }
  void abandon() override { each([](RunSink& k) { k.abandon(); }); }

 private:
  template <typename F>
  void each(F f) {
    for (RunSink* sink : sinks_) f(*sink);
  }
  std::vector<RunSink*> sinks_;  // in the order they were added
  std::vector<std::unique_ptr<RunSink>> owned_;
};

}  // namespace flowplex
