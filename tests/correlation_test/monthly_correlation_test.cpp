#include "correlation_test/monthly_correlation.hpp"

#include "correlation_test/correlation_report.hpp"
#include "report/channel.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace flowplex {
namespace {

namespace fs = std::filesystem;

// A flow that varies with every index, scattered enough for the ranks of two gauges to
// differ, with a few ties among its 400 possible values.
float flow_value(int a, int b, int c, int d) {
  unsigned mix = static_cast<unsigned>(a) * 2654435761U;
  mix ^= static_cast<unsigned>(b) * 40503U + (mix >> 13);
  mix ^= static_cast<unsigned>(c) * 97U + (mix >> 7);
  mix ^= static_cast<unsigned>(d) * 7919U + (mix >> 17);
  return static_cast<float>(mix % 400U) * 0.25F;
}

class MonthlyCorrelation : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("flowplex_corr_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
    ch_.unit(16).open_new((dir_ / "SEQPROBE.ANS").string());
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Gauge g in slot k: its record start and length, and the years its historic file holds.
  void gauge(int k, int g, const char* name, int first_year, int years, int lines) {
    s_->RIVER.PARM.GNAME(g).assign(name);
    s_->RIVER.ANDATA.IYSTART(g) = first_year;
    s_->RIVER.ANDATA.NYEARS(g) = years;
    s_->HIST.NYHIST(k) = lines;
    for (int y = 1; y <= lines; ++y) {
      for (int m = 1; m <= kMonths; ++m) s_->HIST.HISTM(y, m, k) = flow_value(y, m, g, 1);
      s_->HIST.HISTYR(y, k) = flow_value(y, 13, g, 2);
    }
  }
  void generated(int k, int g, int NYS) {
    for (int seq = 1; seq <= kSequences; ++seq)
      for (int y = 1; y <= NYS; ++y) {
        for (int m = 1; m <= kMonths; ++m) s_->FLOW.FLOW(m, y, seq, k) = flow_value(m, y, seq, g);
        s_->FLOW.FLOWYR(y, seq, k) = flow_value(y, seq, 13, g);
      }
  }
  std::string page(int k, int kk, int g, int gk, int NYS) {
    rank_slot(s_->FLOW, *ranks_, k, NYS, 1);
    rank_slot(s_->FLOW, *ranks_, kk, NYS, 1);
    write_correlation_page(ch_.unit(16), mthrnk(*s_, *ranks_, k, kk, g, gk, NYS));
    ch_.unit(16).close();
    std::ifstream in(dir_ / "SEQPROBE.ANS", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  // The result lines of a page: those that start with a label after three blanks.
  static std::vector<std::string> result_lines(const std::string& text) {
    std::vector<std::string> results;
    for (const std::string& line : lines_of(text))
      if (line.size() > 3 && line.compare(0, 3, "   ") == 0 && line[3] != ' ') results.push_back(line);
    return results;
  }

  std::unique_ptr<Store> s_ = make_store();
  std::unique_ptr<SlotRanks> ranks_ = std::make_unique<SlotRanks>();
  Channels ch_;
  fs::path dir_;
};

TEST_F(MonthlyCorrelation, OverlapOfTwoRecordsGivesPairsAndOffsets) {
  gauge(1, 4, "UPPER RIVER AT WEIR", 1920, 60, 60);
  gauge(2, 9, "LOWER RIVER AT BRIDGE", 1935, 70, 70);
  const HistoricalPeriod p = historical_period(*s_, 1, 2, 4, 9);
  EXPECT_EQ(p.NPAIR, 45);
  EXPECT_EQ(p.o1, 15);
  EXPECT_EQ(p.o2, 0);
  EXPECT_EQ(p.first, 1935);
  EXPECT_FALSE(p.cut_to_files);
  // Reversed, the offsets swap with the gauges.
  const HistoricalPeriod q = historical_period(*s_, 2, 1, 9, 4);
  EXPECT_EQ(q.NPAIR, 45);
  EXPECT_EQ(q.o1, 0);
  EXPECT_EQ(q.o2, 15);
}

TEST_F(MonthlyCorrelation, PeriodIsCutToTheLinesTheHistoricFilesHold) {
  // A file two years short of its record does not cut a period the other gauge ends first.
  gauge(1, 4, "UPPER RIVER AT WEIR", 1920, 60, 58);
  gauge(2, 9, "LOWER RIVER AT BRIDGE", 1935, 40, 40);
  EXPECT_EQ(historical_period(*s_, 1, 2, 4, 9).NPAIR, 40);
  EXPECT_FALSE(historical_period(*s_, 1, 2, 4, 9).cut_to_files);

  gauge(1, 4, "UPPER RIVER AT WEIR", 1920, 60, 50);  // the file ends in 1969
  gauge(2, 9, "LOWER RIVER AT BRIDGE", 1935, 70, 70);
  const HistoricalPeriod p = historical_period(*s_, 1, 2, 4, 9);
  EXPECT_EQ(p.NPAIR, 35);
  EXPECT_TRUE(p.cut_to_files);
  generated(1, 4, 30);
  generated(2, 9, 30);
  const std::vector<std::string> lines = lines_of(page(1, 2, 4, 9, 30));
  ASSERT_GT(lines.size(), 8U);
  EXPECT_EQ(lines[8],
            "                    HISTORICAL VALUES USE ONLY THE YEARS BOTH HISTORIC FILES HOLD:  35 YEARS FROM 1935");
}

TEST_F(MonthlyCorrelation, GaugeInTwoSlotsCorrelatesPerfectlyEverywhere) {
  gauge(1, 7, "SAME RIVER", 1950, 40, 40);
  gauge(2, 7, "SAME RIVER", 1950, 40, 40);
  generated(1, 7, 25);
  generated(2, 7, 25);
  const std::vector<std::string> results = result_lines(page(1, 2, 7, 7, 25));
  ASSERT_EQ(results.size(), 13U);
  for (const std::string& line : results) {
    ASSERT_EQ(line.size(), 130U) << line;
    const std::string ones = line.substr(17, 24) + line.substr(46);
    for (std::size_t at = 0; at < ones.size(); at += 12) EXPECT_EQ(ones.substr(at, 12), "     1.00000") << line;
  }
  EXPECT_EQ(results.back().substr(0, 13), "   ANNUAL    ");
}

TEST_F(MonthlyCorrelation, PairsTooShortToRankAreMarkedNotRanked) {
  gauge(1, 1, "EARLY GAUGE", 1900, 21, 21);  // ends in 1920
  gauge(2, 2, "LATE GAUGE", 1920, 30, 30);   // starts in 1920: one common year
  generated(1, 1, 1);
  generated(2, 2, 1);
  const std::vector<std::string> results = result_lines(page(1, 2, 1, 2, 1));
  ASSERT_EQ(results.size(), 13U);
  for (const std::string& line : results) {
    ASSERT_EQ(line.size(), 130U) << line;
    EXPECT_EQ(line.substr(17, 24), "   TOO SHORT   TOO SHORT") << line;
    EXPECT_EQ(line.substr(118), "   TOO SHORT") << line;
  }
}

TEST_F(MonthlyCorrelation, ShortSequencesKeepTheHistoricalCoefficient) {
  gauge(1, 7, "SAME RIVER", 1950, 40, 40);
  gauge(2, 7, "SAME RIVER", 1950, 40, 40);
  const std::vector<std::string> results = result_lines(page(1, 2, 7, 7, 1));
  ASSERT_EQ(results.size(), 13U);
  EXPECT_EQ(results.front().substr(0, 41), std::string("   OCTOBER   ") + "    " + "     1.00000" + "   TOO SHORT");
}

TEST_F(MonthlyCorrelation, PageMatchesTheExpectedReport) {
  gauge(1, 3, "CROCODILE RIVER AT WEIR 12", 1931, 48, 48);
  gauge(2, 5, "SABIE RIVER AT BRIDGE", 1940, 50, 50);
  generated(1, 3, 20);
  generated(2, 5, 20);
  const std::string written = page(1, 2, 3, 5, 20);
  std::ifstream in(fs::path(FLOWPLEX_SOURCE_DIR) / "tests/correlation_test/two_gauges_page.expected",
                   std::ios::binary);
  ASSERT_TRUE(in) << "expected report missing";
  std::ostringstream expected;
  expected << in.rdbuf();
  EXPECT_EQ(written, expected.str());
}

}  // namespace
}  // namespace flowplex
