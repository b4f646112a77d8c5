// The library's analyses of an ensemble against the command line's: the tables a whole run
// hands its writers, from the same realizations made through the public API.
#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

#include "flowplex/analyses.hpp"
#include "flowplex/errors.hpp"
#include "flowplex/generation.hpp"
#include "run/run.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;

// Every table of the analyses a run hands over.
struct Tables final : RunSink {
  bool takes_risk() const override { return true; }
  void not_tested(int gauge) override { untested.push_back(gauge); }
  void statistics(const StatisticsResult& r) override { tested.push_back(r); }
  void risk(const SlotRisk& r) override { risks.push_back(r); }
  void cross_gauge(const CrossGaugeResult& r) override { pairs = r; }

  std::vector<int> untested;
  std::vector<StatisticsResult> tested;
  std::vector<SlotRisk> risks;
  CrossGaugeResult pairs;
};

class LibraryAnalyses : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const auto& f : fs::directory_iterator(fs::path(FLOWPLEX_SOURCE_DIR) / "examples"))
      fs::copy_file(f.path(), folder_ / f.path().filename());
  }

  // Realizations 1 to `last`, 30 years, the rigorous option; gauges 1 and 3 tested with
  // their HIS files, as the dialogue's answers choose them.
  Tables command_line_run(int last) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    auto store = make_store();
    store->RUN.REALIZATIONS = {1, last, true};
    std::istringstream in("30\n0\n1\n3\n0\n\nHIS\nHIS\n1\n4\n1\n4\n");
    std::ostringstream out;
    Console con(in, out);
    Channels ch;
    Tables tables;
    const ExitStatus status = run_flowplex(*store, con, ch, tables, {}, 2);
    fs::current_path(previous);
    EXPECT_EQ(status, ExitStatus::Success) << out.str();
    return tables;
  }

  // The same through the library: the realizations into one buffer, then analysed.
  api::AnalysisResult library_run(int last, int threads) {
    const api::RiverSystem system = api::RiverSystem::open(folder_);
    api::GenerationRequest request{api::Option::rigorous, 30, 1, last, threads, {}, nullptr};
    flows_.clear();
    for (api::Realization& r : api::make_realizations(system, request))
      flows_.insert(flows_.end(), r.flow.begin(), r.flow.end());
    return api::analyse(system, {1, last, 30, flows_}, {{1, 3}, "HIS", threads});
  }

  testing::ScratchDir scratch_;
  const fs::path& folder_ = scratch_.path();
  std::vector<float> flows_;
};

// 41 realizations, the statistics test's own, and 60, whose 19 beyond FLOW's reach the
// risk analyses from the caller's arrays in the library and from the scratch file in a run.
TEST_F(LibraryAnalyses, GiveTheCommandLinesTablesBitForBit) {
  for (const int last : {41, 60}) {
    const Tables run = command_line_run(last);
    const api::AnalysisResult library = library_run(last, last == 41 ? 1 : 2);
    ASSERT_EQ(run.tested.size(), 2U) << last;
    EXPECT_TRUE(library.not_tested.empty());
    EXPECT_TRUE(library.statistics == run.tested) << last;
    ASSERT_EQ(library.risk.size(), 2U);
    EXPECT_EQ(library.risk[1].storage.size(), static_cast<std::size_t>(last));
    EXPECT_TRUE(library.risk == run.risks) << last;
    ASSERT_EQ(library.cross_gauge.pairs.size(), 1U);
    EXPECT_TRUE(library.cross_gauge == run.pairs) << last;
  }
}

// Blocks of an ensemble analysed apart, in any order, their figures passed on as bytes,
// combine into the tables of the whole; blocks that do not cover the realizations once
// are refused.
TEST_F(LibraryAnalyses, BlocksCombineIntoTheTablesOfTheWhole) {
  const api::AnalysisResult whole = library_run(60, 1);
  const api::RiverSystem system = api::RiverSystem::open(folder_);
  const api::AnalysisRequest request{{1, 3}, "HIS", 2};
  const api::EnsembleAnalysis analysis(system, {1, 60, 30, flows_}, request);
  const std::size_t per = 30 * 12 * 5;
  const auto block = [&](int first, int count) {
    const std::span<const float> flows = std::span<const float>(flows_).subspan((first - 1) * per, count * per);
    api::BlockFigures made = analysis.figures({first, count, 30, flows});
    return api::BlockFigures{made.first, made.count, std::vector<std::byte>(made.bytes)};
  };
  const api::AnalysisResult combined = analysis.combine({block(45, 16), block(1, 20), block(21, 24)});
  EXPECT_TRUE(combined.statistics == whole.statistics);
  EXPECT_TRUE(combined.risk == whole.risk);
  EXPECT_TRUE(combined.cross_gauge == whole.cross_gauge);

  const auto refused = [&](std::vector<api::BlockFigures> blocks, const std::string& says) {
    try {
      analysis.combine(std::move(blocks));
      ADD_FAILURE() << "combined: " << says;
    } catch (const api::RequestError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };
  refused({block(1, 20), block(22, 39)}, "realization 21 is in no block");
  refused({block(1, 30), block(21, 40)}, "realization 21 is in two blocks");
  refused({block(1, 30)}, "1 to 30");
  api::BlockFigures cut = block(1, 41);
  cut.bytes.pop_back();
  refused({cut}, "not one of this analysis");
  // Figures made by the analysis of another ensemble, of the same shape, are not taken.
  std::vector<float> wetter(flows_);
  for (float& q : wetter) q *= 1.5F;
  const api::EnsembleAnalysis other(system, {1, 60, 30, wetter}, request);
  refused({other.figures({1, 60, 30, wetter})}, "not one of this analysis");
}

TEST_F(LibraryAnalyses, RefuseWhatTheCommandLineWouldNotAnalyse) {
  const api::RiverSystem system = api::RiverSystem::open(folder_);
  std::vector<float> flows(static_cast<std::size_t>(41 * 30 * 12 * 5));
  const auto refused = [&](const api::EnsembleFlows& f, const api::AnalysisRequest& r, const std::string& says) {
    try {
      api::analyse(system, f, r);
      ADD_FAILURE() << "analysed: " << says;
    } catch (const api::RequestError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  };
  refused({1, 41, 30, flows}, {{}, "HIS", 1}, "gauges: 0 chosen");
  refused({1, 41, 30, flows}, {{6}, "HIS", 1}, "gauges: 6 is not a gauge");
  refused({2, 41, 30, flows}, {{1}, "HIS", 1}, "begin at 2");
  refused({1, 40, 30, flows}, {{1}, "HIS", 1}, "hold 40");
  refused({1, 41, 29, flows}, {{1}, "HIS", 1}, "flow: ");
  refused({1, 41, 30, flows}, {{1}, "HIS", 0}, "threads: 0");
  try {
    api::analyse(system, {1, 41, 30, flows}, {{1}, "XYZ", 1});
    ADD_FAILURE() << "analysed without a historic file";
  } catch (const api::InputError& e) {
    EXPECT_NE(std::string(e.what()).find("CANNOT FIND THE HISTORIC FILE"), std::string::npos) << e.what();
    EXPECT_EQ(e.file().substr(e.file().size() - 4), ".XYZ");
  }
}

}  // namespace
}  // namespace flowplex
