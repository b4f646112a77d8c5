// Damaged input files, awkward answers and report files that cannot be written, each
// run whole on a copy of the example river system: what the console says and the exit
// status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "run/damaged_inputs.hpp"
#include "run/whole_run.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;
using namespace testing;

TEST_F(WholeRun, DamagedInputFilesAreNamedWithTheirLineAndFailTheRun) {
  for (const DamagedInput& row : damaged_inputs()) {
    SCOPED_TRACE(row.what);
    restore_examples();
    row.damage();
    out_.str("");
    EXPECT_EQ(run(row.answers), row.status);
    EXPECT_TRUE(said(row.message)) << out_.str().substr(out_.str().size() > 600 ? out_.str().size() - 600 : 0);
    if (row.status != ExitStatus::Success) {
      EXPECT_FALSE(said("There you go"));
    }
  }
}

TEST_F(WholeRun, AwkwardAnswersAreAskedAgain) {
  const std::string refused = " *** ENTER A WHOLE NUMBER FROM 1 TO 200 ***";
  for (const std::string& first : {std::string("abc"), std::string(""), std::string(100000, '9'), std::string(" 3x")}) {
    out_.str("");
    EXPECT_EQ(run(first + "\n" + kRigorousAnswers), ExitStatus::Success);
    EXPECT_TRUE(said(refused + "\n"));
  }
}

TEST_F(WholeRun, TheEndOfTheAnswersAtEveryPromptFailsTheRun) {
  // Cut after the years, option, gauge list, parameter file, historic type and menu.
  for (const std::string& answers : {std::string(""), std::string("3\n"), std::string("3\n0\n"), std::string("3\n0\n1\n"),
                                     std::string("3\n0\n1\n0\n"), std::string("3\n0\n1\n0\n\n"),
                                     std::string("3\n0\n1\n0\n\nHIS\n"), std::string("3\n3\n1\n0\n\n")}) {
    SCOPED_TRACE(answers);
    out_.str("");
    EXPECT_EQ(run(answers), ExitStatus::RunFailed);
    EXPECT_TRUE(said(" *** NO MORE INPUT: RUN ABANDONED ***\n"));
    EXPECT_FALSE(said("There you go"));
  }
}

// Every report file of the run ends with a line end, and holds the start of the same
// report of a run that went to its end.
void expect_whole_lines_of(const std::string& complete_dir) {
  for (const char* report : {"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN"}) {
    if (!fs::is_regular_file(report) || fs::is_symlink(report)) continue;
    SCOPED_TRACE(report);
    const std::string text = read_file(report);
    if (!text.empty()) {
      EXPECT_EQ(text.back(), '\n');
    }
    EXPECT_EQ(read_file(fs::path(complete_dir) / report).substr(0, text.size()), text);
  }
}

// The reports of a complete run of the answers, kept in a sub-folder for comparison.
void keep_reports_of_complete_run(const std::string& dir) {
  fs::create_directory(dir);
  for (const char* report : {"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN"})
    fs::rename(report, fs::path(dir) / report);
}

TEST_F(WholeRun, AReportThatCannotBeWrittenFailsTheRunAndLeavesTheOthersWhole) {
  const std::string answers = "3\n0\n1\n0\n\nHIS\n1\n3\n4\n";
  ASSERT_EQ(run(answers), ExitStatus::Success);
  keep_reports_of_complete_run("complete");
  for (const char* report : {"GAUGE.ANN", "SEQPROBE.ANS", "SEQPROBE.PIN"}) {
    SCOPED_TRACE(report);
    fs::remove(report);
    fs::create_symlink("/dev/full", report);
    out_.str("");
    EXPECT_EQ(run(answers), ExitStatus::RunFailed);
    EXPECT_TRUE(said(std::string(" *** CANNOT WRITE THE REPORT FILE ") + report + " ***\n"));
    EXPECT_FALSE(said("There you go"));
    expect_whole_lines_of("complete");
    fs::remove(report);
  }
  fs::remove("SEQPROBE.ANS");
  fs::create_directory("SEQPROBE.ANS");
  out_.str("");
  EXPECT_EQ(run(answers), ExitStatus::RunFailed);
  EXPECT_TRUE(said(" *** CANNOT CREATE THE REPORT FILE SEQPROBE.ANS ***\n"));
  EXPECT_FALSE(said("There you go"));
}

TEST_F(WholeRun, AFailedForecastDumpIsNotReportedAsDone) {
  const std::string dump = "3\n3\n1\n0\n\nY\n";
  fs::create_symlink("/dev/full", "FORECAST.TXT");
  EXPECT_EQ(run(dump), ExitStatus::RunFailed);
  EXPECT_TRUE(said(" *** CANNOT WRITE THE REPORT FILE FORECAST.TXT ***\n"));
  EXPECT_FALSE(said("There you go"));
  fs::remove("FORECAST.TXT");
  fs::create_directory("FORECAST.TXT");
  out_.str("");
  EXPECT_EQ(run(dump), ExitStatus::RunFailed);
  EXPECT_TRUE(said(" *** CANNOT CREATE THE REPORT FILE FORECAST.TXT ***\n"));
}

// A run that ends early leaves every report it wrote in whole lines: after a fatal
// input error, at the end of the answers, and after the forecast dump.
TEST_F(WholeRun, ARunThatEndsEarlyLeavesEveryReportInWholeLines) {
  const std::string answers = "3\n0\n1\n2\n0\n\nHIS\nHIS\n1\n2\n3\n4\n4\n";
  ASSERT_EQ(run(answers), ExitStatus::Success);
  keep_reports_of_complete_run("complete");
  fs::remove("KLIP02.HIS");  // the second historic file asked for again until the answers end
  EXPECT_EQ(run("3\n0\n1\n2\n0\n\nHIS\nHIS\n"), ExitStatus::RunFailed);
  expect_whole_lines_of("complete");
  EXPECT_EQ(run("3\n0\n1\n2\n0\n\nHIS\nHIS\n1\n2\n"), ExitStatus::RunFailed);
  EXPECT_TRUE(said("NO MORE INPUT"));
  expect_whole_lines_of("complete");
  EXPECT_EQ(run("3\n3\n1\n0\n\nY\n"), ExitStatus::Success);
  EXPECT_TRUE(said(" There you go boetie!\n"));
  const std::string dump = read_file("FORECAST.TXT");
  EXPECT_FALSE(dump.empty());
  if (!dump.empty()) {
    EXPECT_EQ(dump.back(), '\n');
  }
}

}  // namespace
}  // namespace flowplex
