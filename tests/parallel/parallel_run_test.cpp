// Whole runs of the example river system made one sequence after another and side by
// side: the same console, reports and status, a fault included.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <vector>
#include <sstream>
#include <string>

#include "report/run_ended.hpp"
#include "run/whole_run.hpp"

namespace flowplex {
namespace {

// The rigorous option with two gauges and every analysis.
const std::string kRigorousAnswers = "30\n0\n1\n2\n0\n\nHIS\nHIS\n1\n2\n3\n4\n1\n2\n3\n4\n";

// A sink that cannot keep sequence 30, as a full disk would stop an export.
class FailsAtSequence30 final : public RunSink {
 public:
  bool takes_sequences() const override { return true; }
  void sequence_made(int seq, const std::shared_ptr<const GeneratedSequence>& made) override {
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->number, seq);
    EXPECT_EQ(seq, last_ + 1);  // in order, whatever the threads
    last_ = seq;
    if (seq == 30) end_run(" *** SEQUENCE 30 COULD NOT BE KEPT ***");
  }
  void abandon() override { abandoned = true; }
  bool abandoned = false;

 private:
  int last_ = 0;
};

std::string file_text(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ParallelRun : public testing::WholeRun {
 protected:
  // The console and the report of a run on the given threads.
  std::pair<std::string, std::string> run_on(int threads, RunSink& sink, ExitStatus expected) {
    out_.str("");
    EXPECT_EQ(run(kRigorousAnswers, sink, threads), expected) << threads;
    return {out_.str(), file_text("SEQPROBE.ANS")};
  }
};

TEST_F(ParallelRun, SameConsoleAndReportsOnAnyNumberOfThreads) {
  RunSink none;
  const auto one = run_on(1, none, ExitStatus::Success);
  const auto four = run_on(4, none, ExitStatus::Success);
  EXPECT_EQ(one.first, four.first);
  EXPECT_EQ(one.second, four.second);
  EXPECT_NE(one.first.find(" SEQ NO.         41\n"), std::string::npos);
}

TEST_F(ParallelRun, FaultInSequence30EndsTheRunAsOneThreadDoes) {
  FailsAtSequence30 first, second;
  const auto one = run_on(1, first, ExitStatus::RunFailed);
  const auto four = run_on(4, second, ExitStatus::RunFailed);
  EXPECT_EQ(one.first, four.first);
  EXPECT_TRUE(first.abandoned && second.abandoned);
  EXPECT_NE(four.first.find(" SEQ NO.         29\n"), std::string::npos);
  EXPECT_EQ(four.first.find(" SEQ NO.         30\n"), std::string::npos);
  EXPECT_NE(four.first.find(" *** SEQUENCE 30 COULD NOT BE KEPT ***\n"), std::string::npos);
}

// Gauge 1, the first key gauge, without an annual model: each sequence then follows on
// from the one before.
void key_gauge_without_annual_model() {
  std::string parameters = file_text("PARMSET.DAT");
  // Gauge 1's name line, its record period line, then its transform line, which begins
  // with the type.
  const auto period = parameters.find('\n', parameters.find("KLIP01")) + 1;
  const auto transform = parameters.find('\n', period) + 1;
  const auto type = parameters.find_first_not_of(' ', transform);
  parameters[type] = '0';
  std::ofstream("PARMSET.DAT") << parameters;
}

// A key gauge without an annual model: each sequence follows on from the one before, so
// the sequences are made one after another whatever the threads, and come out the same.
TEST_F(ParallelRun, SequencesThatFollowOnAreMadeInTurn) {
  key_gauge_without_annual_model();
  RunSink none;
  const auto one = run_on(1, none, ExitStatus::Success);
  const auto four = run_on(4, none, ExitStatus::Success);
  EXPECT_EQ(one.first, four.first);
  EXPECT_EQ(one.second, four.second);
}

// Every realization's flows and start state as the sinks receive them, by realization.
class KeepsRealizations final : public RunSink {
 public:
  bool takes_sequences() const override { return true; }
  void sequence_made(int seq, const std::shared_ptr<const GeneratedSequence>& made) override {
    EXPECT_EQ(made->number, seq);
    numbers.push_back(seq);
    kept[seq] = made;
  }
  std::vector<int> numbers;
  std::map<int, std::shared_ptr<const GeneratedSequence>> kept;
};

// No gauge tested: the dialogue ends after the parameter file.
const std::string kExportOnlyAnswers = "30\n0\n0\n\n";

// Realization k is the same whatever range holds it and whatever the threads, whether the
// sequences stand alone or each carries on from the one before; the sinks receive the
// range in order, and the console shows no sequence of a range without 1 to 41.
class Realizations : public ParallelRun {
 protected:
  void same_realizations_whatever_the_range() {
    KeepsRealizations all, tail;
    ASSERT_EQ(run(kExportOnlyAnswers, all, 1, {1, 45, true}), ExitStatus::Success);
    out_.str("");
    ASSERT_EQ(run(kExportOnlyAnswers, tail, 3, {43, 45, true}), ExitStatus::Success);
    EXPECT_EQ(tail.numbers, (std::vector<int>{43, 44, 45}));
    for (const int k : tail.numbers) {
      EXPECT_EQ(tail.kept[k]->flow, all.kept[k]->flow) << k;
      EXPECT_EQ(tail.kept[k]->index_year, all.kept[k]->index_year) << k;
      EXPECT_EQ(tail.kept[k]->start_state, all.kept[k]->start_state) << k;
    }
    EXPECT_FALSE(said("SEQ NO.")) << out_.str();
    EXPECT_FALSE(said("Start Random Numbers")) << out_.str();
    EXPECT_FALSE(std::filesystem::exists("SEQPROBE.ANS"));
  }
};

TEST_F(Realizations, StandingAloneAreTheSameWhateverTheRange) { same_realizations_whatever_the_range(); }

TEST_F(Realizations, CarryingOnAreTheSameWhateverTheRange) {
  key_gauge_without_annual_model();
  same_realizations_whatever_the_range();
}

// The risk analyses as a sink receives them.
class KeepsRisk final : public RunSink {
 public:
  bool takes_risk() const override { return true; }
  void risk(const SlotRisk& result) override { slots.push_back(result); }
  void cross_gauge(const CrossGaugeResult& result) override { pairs = result.pairs; }
  std::vector<SlotRisk> slots;
  std::vector<CrossGaugePair> pairs;
};

void expect_same_rows(const std::vector<BandRow>& a, const std::vector<BandRow>& b) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].historical, b[i].historical) << a[i].series << " " << a[i].key;
    EXPECT_EQ(a[i].band.p5, b[i].band.p5) << a[i].series << " " << a[i].key;
    EXPECT_EQ(a[i].band.p50, b[i].band.p50) << a[i].series << " " << a[i].key;
    EXPECT_EQ(a[i].band.p95, b[i].band.p95) << a[i].series << " " << a[i].key;
  }
}

// Sixty realizations, 42 to 60 read back from the scratch file: every realization's
// figures and every table the same on one thread and on three.
TEST_F(Realizations, RiskFiguresOfEveryRealizationTheSameWhateverTheThreads) {
  KeepsRisk one, three;
  ASSERT_EQ(run(kRigorousAnswers, one, 1, {1, 60, true}), ExitStatus::Success);
  ASSERT_EQ(run(kRigorousAnswers, three, 3, {1, 60, true}), ExitStatus::Success);
  ASSERT_EQ(one.slots.size(), 2U);
  ASSERT_EQ(three.slots.size(), 2U);
  for (std::size_t k = 0; k < one.slots.size(); ++k) {
    const SlotRisk& a = one.slots[k];
    const SlotRisk& b = three.slots[k];
    ASSERT_EQ(a.storage.size(), 60U);
    EXPECT_EQ(a.storage, b.storage);
    for (std::size_t r = 0; r < a.droughts.size(); ++r) {
      EXPECT_EQ(a.droughts[r].events_per_century, b.droughts[r].events_per_century) << r + 1;
      EXPECT_EQ(a.droughts[r].largest_deficit, b.droughts[r].largest_deficit) << r + 1;
    }
    expect_same_rows(a.flow_duration, b.flow_duration);
    expect_same_rows(a.persistence, b.persistence);
    expect_same_rows(a.drought_rows, b.drought_rows);
  }
  ASSERT_EQ(one.pairs.size(), 1U);
  EXPECT_EQ(one.pairs[0].generated_mean, three.pairs[0].generated_mean);
  const auto left = std::count_if(std::filesystem::directory_iterator("."), {}, [](const auto& f) {
    return f.path().filename().string().starts_with(".realizations");
  });
  EXPECT_EQ(left, 0) << "a scratch file was left behind";
}

}  // namespace
}  // namespace flowplex
