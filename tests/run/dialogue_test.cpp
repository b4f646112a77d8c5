#include "run/dialogue.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "test_support.hpp"

#include "report/input.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

// Runs the dialogue in a temporary directory, where it creates the report files.
class Dialogue : public ::testing::Test {
 protected:
  void TearDown() override { ch_.close_all(); }
  void answer(const std::string& answers) {
    in_.str(answers);
    run_dialogue(*s_, con_, ch_);
  }

  testing::ScratchDir dir_;
  std::unique_ptr<Store> s_ = make_store();
  std::istringstream in_;
  std::ostringstream out_;
  Console con_{in_, out_};
  Channels ch_;
};

TEST_F(Dialogue, DefaultParameterFileBootstrapOptionAndRepeatedGauge) {
  answer("30\n1\n4\n4\n0\n\n");
  EXPECT_EQ(s_->RUN.NYS, 30);
  EXPECT_EQ(s_->RUN.IOPT, 2);
  EXPECT_EQ(s_->RUN.NSEL, 2);
  EXPECT_EQ(s_->RUN.IGLIST(1), 4);
  EXPECT_EQ(s_->RUN.IGLIST(2), 4);
  EXPECT_EQ(trimmed_name(s_->RIVER.PARM.PARMFILE.view()), "PARMSET.DAT");
  for (const char* f : {"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN"})
    EXPECT_TRUE(std::filesystem::exists(f)) << f;
  EXPECT_NE(out_.str().find("  DEFAULT, WHICH IS PARMSET.DAT                             \n"), std::string::npos);
}

TEST_F(Dialogue, FifteenthGaugeIsAnnouncedAndEndsTheList) {
  std::string answers = "10\n0\n";
  for (int g = 1; g <= 15; ++g) answers += std::to_string(g) + "\n";
  answer(answers + "MY.DAT\n");
  EXPECT_EQ(s_->RUN.NSEL, 15);
  EXPECT_EQ(s_->RUN.IGLIST(15), 15);
  EXPECT_EQ(trimmed_name(s_->RIVER.PARM.PARMFILE.view()), "MY.DAT");
  const std::string out = out_.str();
  const auto warning = out.find(" *** LAST GAUGE THAT CAN BE ENTERED ***");
  ASSERT_NE(warning, std::string::npos);
  EXPECT_EQ(out.find(" *** LAST GAUGE THAT CAN BE ENTERED ***", warning + 1), std::string::npos);
}

TEST_F(Dialogue, RefusedAnswersAreAskedAgainAndNotCounted) {
  answer("abc\n0\n201\n64\n7\n-1\n2.5\n3\n0\nP.DAT\n");
  EXPECT_EQ(s_->RUN.NYS, 64);
  EXPECT_EQ(s_->RUN.IOPT, 7);
  EXPECT_EQ(s_->RUN.NSEL, 1);
  EXPECT_EQ(s_->RUN.IGLIST(1), 3);
  EXPECT_NE(out_.str().find(" *** ENTER A WHOLE NUMBER FROM 1 TO 200 ***"), std::string::npos);
}

TEST_F(Dialogue, EndOfInputAbandonsTheRun) {
  for (const char* answers : {"", "30\n", "30\n0\n1\n", "30\n0\n0\n"}) {
    EXPECT_NE(testing::run_failure([&] { answer(answers); }).find("NO MORE INPUT"), std::string::npos)
        << "answers: " << answers;
  }
}

}  // namespace
}  // namespace flowplex
