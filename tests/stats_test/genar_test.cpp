#include "stats_test/genar.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "report/console.hpp"
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

}  // namespace
}  // namespace flowplex
