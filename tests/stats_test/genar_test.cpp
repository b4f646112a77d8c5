#include "stats_test/genar.hpp"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <string>

#include "report/layout.hpp"
#include "test_support.hpp"
#include "stats_test/statistics_report.hpp"
#include "stats_test/test1.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;

// A gauge in slot 2 (gauge number 3) with ten historical years and 41 generated
// sequences of twelve years, all made of a simple seasonal pattern and fixed
// sequence-to-sequence shifts, and the three report files in a temporary directory.
class Test1Report : public ::testing::Test {
 protected:
  void SetUp() override {
    ch_.unit(16).open_new((dir_ / "SEQPROBE.ANS").string());
    ch_.unit(8).open_new((dir_ / "SEQPROBE.PIN").string());
    ch_.unit(9).open_new((dir_ / "SEQPROBE.PN2").string());
    s_->RUN.NYS = 12;
    s_->RUN.NSEL = 2;
    s_->RUN.IGLIST(2) = 3;
    s_->RIVER.PARM.GNAME(3) = Name("BERG RIVER AT DRIEBOS");
    s_->RIVER.GSUB.HSTAT1(3) = 812.5;
    s_->RIVER.GSUB.HSTAT2(3) = 240.25;
    s_->RIVER.GSUB.PHI(1, 3) = 0.35;
    s_->RIVER.GSUB.PHI(2, 3) = -0.125;
    s_->RIVER.GSUB.THETA(1, 3) = 0.05;
    s_->RIVER.GSUB.THETA(2, 3) = 0.0;
    s_->RIVER.GSUB.HSTAT3(3) = 101.5;
    s_->RIVER.GSUB.HSTAT4(3) = 2.0;
    s_->RIVER.GSUB.IZERO(3) = 1;
    const float season[12] = {20, 45, 90, 130, 150, 110, 80, 50, 30, 20, 15, 12};
    s_->HIST.NYHIST(2) = 10;
    for (int y = 1; y <= 10; ++y)
      for (int m = 1; m <= 12; ++m)
        s_->HIST.HISTM(y, m, 2) = season[m - 1] * (0.5F + 0.1F * static_cast<float>((y * 7) % 10));
    for (int itr = 1; itr <= kSequences; ++itr)
      for (int y = 1; y <= 12; ++y)
        for (int m = 1; m <= 12; ++m)
          s_->FLOW.FLOW(m, y, itr, 2) =
              season[m - 1] * (0.4F + 0.05F * static_cast<float>((y * 13 + itr * 5 + m) % 23));
  }

  // Closes the reports and compares each with its expected file.
  void expect_reports() {
    ASSERT_EQ(ch_.close_all(), "");
    for (const char* name : {"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2"}) {
      const fs::path expected = fs::path(FLOWPLEX_SOURCE_DIR) / "tests/stats_test/golden" / name;
      EXPECT_EQ(testing::read_file(dir_ / name), testing::read_file(expected)) << name;
    }
  }

  std::unique_ptr<Store> s_ = make_store();
  Channels ch_;
  testing::ScratchDir scratch_;
  const fs::path& dir_ = scratch_.path();
};

TEST_F(Test1Report, WholeReportOfOneGauge) {
  write_statistics_report(ch_, test1(*s_, 2, 1));
  expect_reports();
}

// The table holds every number the report prints, and each sequence's figures depend on
// that sequence alone, so that the sequences can be analysed side by side.
TEST_F(Test1Report, EachSequencesFiguresStandAloneAndTheTableHoldsTheHeadingBlocks) {
  const StatisticsResult r = test1(*s_, 2, 1);
  EXPECT_EQ(r.parameters.phi[1], -0.125);
  EXPECT_EQ(r.parameters.zero_flows, 1);
  EXPECT_EQ(r.historical.years, 10);
  EXPECT_EQ(r.historical.mean, r.MAR);  // a record's MAR above 0.001 is kept
  for (const int seq : {1, 17, 41}) {
    const SequenceFigures alone = sequence_figures(s_->FLOW, 2, 12, seq, r.MAR);
    EXPECT_EQ(alone.curve.storage, r.storage[static_cast<std::size_t>(seq - 1)]) << seq;
  }
  // Twelve years: the run of 108 months fits, and every run sum is computed.
  for (const SummaryRow& row : r.rows) EXPECT_TRUE(row.historical && row.summary) << row.statistic;
}

// A run longer than the record or the sequences is not computed; the report prints the
// run sums' cap there.
TEST_F(Test1Report, RunsLongerThanTheRecordAreNotComputed) {
  s_->HIST.NYHIST(2) = 8;
  const StatisticsResult r = test1(*s_, 2, 1);
  int not_computed = 0;
  for (const SummaryRow& row : r.rows)
    if (!row.historical) {
      EXPECT_EQ(row.statistic, "run_sum");
      EXPECT_GT(row.key, 96);
      ++not_computed;
    }
  EXPECT_EQ(not_computed, 1);
  write_statistics_report(ch_, r);
  ASSERT_EQ(ch_.close_all(), "");
  EXPECT_NE(testing::read_file(dir_ / "SEQPROBE.ANS").find("108 MONTH  1000000.0"), std::string::npos);
}

// The mean required storage is a single-precision running total of the 41 storages in
// sequence order, divided by the number that need storage. These storages are chosen so
// that an extended total, rounded once, prints one digit apart (1623.49).
TEST(StorageOverSequences, MeanIsASinglePrecisionRunningTotal) {
  const std::array<float, kSequences> storages{
      2372.30F, 2224.37F, 2170.45F, 1073.59F, 2453.44F, 1039.51F, 746.36F,  1501.61F, 1964.43F, 1182.03F, 1790.56F,
      1064.78F, 2433.86F, 1405.81F, 1455.72F, 1562.86F, 2249.80F, 2473.06F, 1556.96F, 1383.11F, 1735.60F, 638.56F,
      1350.96F, 2194.96F, 2054.82F, 618.71F,  2208.96F, 1268.05F, 2462.54F, 1233.23F, 929.30F,  1597.41F, 2267.70F,
      1362.19F, 2234.95F, 1922.73F, 1223.04F, 1101.21F, 1510.66F, 1298.03F, 1245.08F};
  std::array<StorageCurve, kSequences> curves{};
  for (std::size_t i = 0; i < curves.size(); ++i) curves[i][11] = storages[i];
  PartialStorageCurve mean{};
  PartialStorageCurve median{};
  storage_over_sequences(curves, mean, median);
  EXPECT_EQ(format_real(mean[11].value(), 8, 2), " 1623.50");
  EXPECT_EQ(median[11], 1510.66F);
  // Levels 1 to 5 are never computed; a level no sequence needs storage for is not either.
  EXPECT_FALSE(mean[0]);
  EXPECT_FALSE(median[4]);
  EXPECT_FALSE(mean[12]);
}

// Only the storages above 0.001 count in the divisor; all 41 are summed.
TEST(StorageOverSequences, MeanDividesByTheSequencesThatNeedStorage) {
  std::array<StorageCurve, kSequences> curves{};
  curves[0][5] = 30.0F;
  curves[1][5] = 10.0F;
  curves[2][5] = 0.001F;
  PartialStorageCurve mean{};
  PartialStorageCurve median{};
  storage_over_sequences(curves, mean, median);
  EXPECT_FLOAT_EQ(mean[5].value(), (40.001F) / 2.0F);
  EXPECT_EQ(median[5], 0.0F);
}

}  // namespace
}  // namespace flowplex
