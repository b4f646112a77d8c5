#include "run/whole_run.hpp"

#include <gtest/gtest.h>

#include <filesystem>

namespace flowplex {
namespace {

namespace fs = std::filesystem;

using testing::WholeRun;

TEST_F(WholeRun, NoGaugeChosenStillGeneratesAndEndsNormally) {
  EXPECT_EQ(run("3\n1\n0\n\n"), ExitStatus::Success);
  EXPECT_TRUE(said(" SEQ NO.         41\n"));
  EXPECT_TRUE(said("\n There you go !\n"));
}

TEST_F(WholeRun, AGaugeBeyondTheParameterFileEndsTheRunBeforeGenerating) {
  EXPECT_EQ(run("3\n0\n9\n0\n\n"), ExitStatus::RunFailed);
  EXPECT_TRUE(said("GAUGE NO. 9 WAS CHOSEN, BUT THE PARAMETER FILE PARMSET.DAT HOLDS 5 GAUGES"));
  EXPECT_FALSE(said("SEQ NO."));
  EXPECT_FALSE(said("There you go"));
}

TEST_F(WholeRun, AMissingParameterFileAndTheEndOfInputFailTheRun) {
  EXPECT_EQ(run("3\n0\n1\n0\nNOSUCH.DAT\n"), ExitStatus::RunFailed);
  EXPECT_TRUE(said("NOSUCH.DAT"));
  // The historic file prompt and the menu at the end of the answers.
  EXPECT_EQ(run("3\n1\n1\n0\n\nXYZ\n"), ExitStatus::RunFailed);
  EXPECT_EQ(run("3\n1\n1\n0\n\nHIS\n1\n"), ExitStatus::RunFailed);
  EXPECT_TRUE(said("NO MORE INPUT"));
  EXPECT_FALSE(said("There you go"));
}

TEST_F(WholeRun, AReportThatCannotBeWrittenFailsTheRun) {
  fs::create_symlink("/dev/full", "GAUGE.ANN");
  EXPECT_EQ(run("3\n1\n1\n0\n\nHIS\n3\n4\n"), ExitStatus::RunFailed);
  EXPECT_FALSE(said("There you go"));
  EXPECT_TRUE(said("GAUGE.ANN"));
}

TEST_F(WholeRun, ADirectoryWhereAReportBelongsFailsTheRun) {
  fs::create_directory("SEQPROBE.ANS");
  EXPECT_EQ(run("3\n1\n1\n0\n\n"), ExitStatus::RunFailed);
  EXPECT_TRUE(said("CANNOT CREATE THE REPORT FILE SEQPROBE.ANS"));
}

}  // namespace
}  // namespace flowplex
