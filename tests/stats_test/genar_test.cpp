#include "stats_test/genar.hpp"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <fstream>
#include <sstream>
#include <string>

#include "report/console.hpp"
#include "report/layout.hpp"
#include "test_support.hpp"
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
    s_->PARM.GNAME(3) = Name("BERG RIVER AT DRIEBOS");
    s_->GSUB.HSTAT1(3) = 812.5;
    s_->GSUB.HSTAT2(3) = 240.25;
    s_->GSUB.PHI(1, 3) = 0.35;
    s_->GSUB.PHI(2, 3) = -0.125;
    s_->GSUB.THETA(1, 3) = 0.05;
    s_->GSUB.THETA(2, 3) = 0.0;
    s_->GSUB.HSTAT3(3) = 101.5;
    s_->GSUB.HSTAT4(3) = 2.0;
    s_->GSUB.IZERO(3) = 1;
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
  std::istringstream in_;
  std::ostringstream out_;
  Console con_{in_, out_};
  testing::ScratchDir scratch_;
  const fs::path& dir_ = scratch_.path();
};

TEST_F(Test1Report, WholeReportOfOneGauge) {
  prepare_test1(*s_, con_, ch_, 2);
  EXPECT_EQ(out_.str(), "  HERE WE GO WITH GAUGE           3\n");
  EXPECT_EQ(s_->GAUGE.IG, 2);
  EXPECT_EQ(s_->GAUGE.IGPAR, 3);
  expect_reports();
}

TEST_F(Test1Report, GaugeWithoutHistoricalYearsIsReportedNotTested) {
  s_->HIST.NYHIST(2) = 0;
  prepare_test1(*s_, con_, ch_, 2);
  const std::string line = "  TEST 1 CANNOT BE MADE FOR GAUGE           3 : ITS HISTORIC FILE GAVE NO YEAR\n";
  EXPECT_EQ(out_.str(), line);
  ASSERT_EQ(ch_.close_all(), "");
  EXPECT_EQ(testing::read_file(dir_ / "SEQPROBE.ANS"), line);
  EXPECT_EQ(testing::read_file(dir_ / "SEQPROBE.PIN"), "");
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
  auto mass = std::make_unique<MassCurve>();
  for (int i = 1; i <= kSequences; ++i) (*mass)(i, 12, 4) = storages[static_cast<std::size_t>(i - 1)];
  StorageCurve mean{};
  StorageCurve median{};
  storage_over_sequences(*mass, mean, median);
  EXPECT_EQ(format_real(mean[11], 8, 2), " 1623.50");
  EXPECT_EQ(median[11], 1510.66F);
  // Levels 1 to 5 are never computed; a level no sequence needs storage for is not either.
  EXPECT_EQ(mean[0], kStorageNotComputed);
  EXPECT_EQ(median[4], kStorageNotComputed);
  EXPECT_EQ(mean[12], kStorageNotComputed);
}

// Only the storages above 0.001 count in the divisor; all 41 are summed.
TEST(StorageOverSequences, MeanDividesByTheSequencesThatNeedStorage) {
  auto mass = std::make_unique<MassCurve>();
  (*mass)(1, 6, 4) = 30.0F;
  (*mass)(2, 6, 4) = 10.0F;
  (*mass)(3, 6, 4) = 0.001F;
  StorageCurve mean{};
  StorageCurve median{};
  storage_over_sequences(*mass, mean, median);
  EXPECT_FLOAT_EQ(mean[5], (40.001F) / 2.0F);
  EXPECT_EQ(median[5], 0.0F);
}

}  // namespace
}  // namespace flowplex
