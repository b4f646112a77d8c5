#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "run/phases.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

class Listings : public ::testing::Test {
 protected:
  void SetUp() override {
    s_->RIVER.PARM.NGAUGE = 8;
    for (int g = 1; g <= 8; ++g) s_->RIVER.PARM.GNAME(g).assign("GAUGE" + std::to_string(g) + " RIVER");
    s_->RUN.NYS = 2;
    s_->RUN.NSEL = 3;
    s_->RUN.IGLIST(1) = 7;
    s_->RUN.IGLIST(2) = 3;
    s_->RUN.IGLIST(3) = 7;
    for (int k = 1; k <= 3; ++k)
      for (int seq = 1; seq <= kSequences; ++seq)
        for (int y = 1; y <= 2; ++y) {
          s_->FLOW.FLOWYR(y, seq, k) = static_cast<float>(100 * k + y) + 0.5f;
          for (int m = 1; m <= kMonths; ++m) s_->FLOW.FLOW(m, y, seq, k) = static_cast<float>(k) + 0.25f;
        }
  }

  std::unique_ptr<Store> s_ = make_store();
  std::istringstream in_;
  std::ostringstream out_;
  Console con_{in_, out_};
  Channels ch_;
  testing::ScratchDir scratch_;
  const std::filesystem::path& dir_ = scratch_.path();
};

TEST_F(Listings, AnnualListingWritesFortyOneBlocksOfYearLines) {
  ch_.unit(11).open_new((dir_ / "GAUGE.ANN").string());
  annual_listing(*s_, con_, ch_, 3);
  ch_.close_all();
  const std::string ann = testing::read_file(dir_ / "GAUGE.ANN");
  // Halves round to even, as printf rounds them: 101.5 -> 102, 102.5 -> 102.
  EXPECT_EQ(ann.rfind("\n\n                    SEQUENCE NO. IS     1\n\n"
                      "  1     102.    202.    302.\n  2     102.    202.    302.\n\n\n",
                      0),
            0u);
  EXPECT_EQ(std::count(ann.begin(), ann.end(), '\n'), 41 * 6);
  EXPECT_NE(out_.str().find(" SEQ NO.         41\n"), std::string::npos);
}

TEST_F(Listings, ForecastDumpGoesInGaugeOrderSlotBySlot) {
  in_.str("y\n");
  ASSERT_TRUE(forecast_dump(*s_, con_, ch_));
  const std::string dump = testing::read_file(dir_ / "FORECAST.TXT");
  const auto g3 = dump.find("GAUGE3 RIVER");
  const auto g7 = dump.find("GAUGE7 RIVER");
  ASSERT_NE(g3, std::string::npos);
  EXPECT_LT(g3, g7);
  EXPECT_NE(dump.find("GAUGE7 RIVER", g7 + 1), std::string::npos);
  // Per slot: two empty lines, the name, an empty line, then 12 x NYS flow lines.
  EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 3 * (4 + 12 * 2));
  EXPECT_NE(dump.find("\n   2.25    2.25"), std::string::npos);
}

TEST_F(Listings, AnyAnswerButYesSkipsTheDump) {
  for (const char* answer : {"n\n", "N\n", "x\n", "\n"}) {
    in_.clear();
    in_.str(answer);
    EXPECT_FALSE(forecast_dump(*s_, con_, ch_)) << answer;
  }
}

}  // namespace
}  // namespace flowplex
