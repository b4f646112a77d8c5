// Runs from flags on copies of the example river system, against the dialogue answered
// the same way; the flags refused; the river system checked before any report exists.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "run/run_command.hpp"
#include "run/damaged_inputs.hpp"
#include "run/whole_run.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;
using namespace testing;

const std::vector<std::string> kReports{"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN", "FORECAST.TXT"};

class RunFromFlags : public WholeRun {
 protected:
  ExitStatus run_flags(const RunFlags& flags) {
    out_.str("");
    return flag_run(read_run_flags(flags), Invocation{}, out_);
  }
  // The dialogue run with the answers; its reports and console kept in a sub-folder.
  void run_dialogue_into(const std::string& answers, const std::string& dir) {
    out_.str("");
    ASSERT_EQ(run(answers), ExitStatus::Success) << out_.str();
    fs::create_directory(dir);
    for (const std::string& report : kReports)
      if (fs::exists(report)) fs::rename(report, fs::path(dir) / report);
    write_file((fs::path(dir) / "console").string(), out_.str());
  }
  static bool no_report_written() {
    for (const std::string& report : kReports)
      if (fs::exists(report)) return false;
    return true;
  }
};

// Every line of the run's console stands, in order, in the dialogue's console.
bool lines_in_order_within(const std::string& part, const std::string& whole) {
  std::istringstream lines(part);
  std::size_t at = 0;
  for (std::string line; std::getline(lines, line);) {
    at = whole.find(line + "\n", at);
    if (at == std::string::npos) return false;
    at += line.size() + 1;
  }
  return true;
}

struct SameRun {
  const char* what;
  RunFlags flags;
  std::string answers;  // the dialogue answered the same way, by hand
};

TEST_F(RunFromFlags, WritesTheReportsOfTheDialogueAnsweredTheSameWay) {
  const std::vector<SameRun> runs{
      {"rigorous, a gauge chosen twice", {4, "rigorous", "1,2,1", "", "", "all", {}, false, false},
       "4\n0\n1\n2\n1\n0\n\nHIS\nHIS\nHIS\n1\n2\n3\n4\n1\n2\n3\n4\n1\n2\n3\n4\n"},
      {"bootstrap, a type and analyses per gauge", {3, "1", "3,1", "PARMSET.DAT", "HIS,INC", "2", {"2=3,1"}, false, false},
       "3\n1\n3\n1\n0\nPARMSET.DAT\nHIS\nINC\n2\n4\n3\n1\n4\n"},
      {"forecasting without the dump", {3, "forecast", "2,4", "", "", "none", {"1=1"}, false, false},
       "3\n3\n2\n4\n0\n\nN\nHIS\nHIS\n1\n4\n4\n"},
      {"forecasting with the dump", {3, "3", "4,2", "", "", "", {}, true, false}, "3\n3\n4\n2\n0\n\nY\n"},
  };
  for (const SameRun& same : runs) {
    SCOPED_TRACE(same.what);
    restore_examples();
    run_dialogue_into(same.answers, "dialogue");
    EXPECT_EQ(run_flags(same.flags), ExitStatus::Success) << out_.str();
    for (const std::string& report : kReports) {
      SCOPED_TRACE(report);
      EXPECT_EQ(fs::exists(report), fs::exists(fs::path("dialogue") / report));
      if (fs::exists(report)) {
        EXPECT_TRUE(read_file(report) == read_file(fs::path("dialogue") / report));
      }
    }
    // The run's progress and messages, without the questions.
    EXPECT_TRUE(lines_in_order_within(out_.str(), read_file("dialogue/console")));
    EXPECT_FALSE(said("ENTER"));
    EXPECT_TRUE(said("SEQ NO.         41\n"));
    fs::remove_all("dialogue");
  }
}

// The fifteenth gauge closes the dialogue's list without a 0.
TEST_F(RunFromFlags, AnswersAsTheDialogueAsks) {
  const RunFlags flags{30, "0", "1,2,3,4,5,1,2,3,4,5,1,2,3,4,5", "", "", "1", {"15=none"}, false, false};
  std::string expected = "30\n0\n";
  for (int i = 0; i < 3; ++i) expected += "1\n2\n3\n4\n5\n";
  expected += "\n";
  for (int k = 1; k <= 15; ++k) expected += "HIS\n";
  for (int k = 1; k <= 14; ++k) expected += "1\n4\n";
  EXPECT_EQ(dialogue_answers(read_run_flags(flags)), expected + "4\n");
  EXPECT_EQ(dialogue_answers(read_run_flags({30, "rigorous", "none", "", "", "", {}, false, false})), "30\n0\n0\n\n");
}

struct Refused {
  std::vector<std::string> arguments;
  std::string line;  // the start of the usage error
};

// Each refusal is one line naming the flag and its value, and leaves no report behind.
TEST_F(RunFromFlags, RefusesFlagsOfTheWrongFormOrOutsideTheDialoguesLimits) {
  const std::vector<std::string> base{"run", "--years", "30", "--option", "0"};
  const std::vector<Refused> refused{
      {{"run", "--years", "0", "--option", "0", "--gauges", "1"}, "--years: Value 0 not in range"},
      {{"run", "--years", "201", "--option", "0", "--gauges", "1"}, "--years: Value 201 not in range"},
      {{"run", "--years", "30", "--option", "quick", "--gauges", "1"}, "--option quick: "},
      {{"run", "--years", "30", "--option", "2", "--gauges", "1"}, "--option 2: "},
      {{"run", "--years", "30", "--option", "0"}, "--gauges is required"},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16"},
       "--gauges 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16: at most 15 gauges"},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1,,2"}, "--gauges 1,,2: \"\" is not a gauge number"},
      {{"run", "--years", "30", "--option", "0", "--gauges", "0"}, "--gauges 0: \"0\" is not a gauge number 1 to 300"},
      {{"run", "--years", "30", "--option", "0", "--gauges", "301"}, "--gauges 301: "},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--parameters", std::string(41, 'P')}, "--parameters PPP"},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1,2", "--historic", "HIS,INC,HIS"}, "--historic HIS,INC,HIS: "},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--historic", "HISTORIC"}, "--historic HISTORIC: "},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--analyses", "1,4"}, "--analyses 1,4: \"4\" is not an analysis"},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--analyses-for", "2=1"}, "--analyses-for 2=1: "},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--analyses-for", "1"}, "--analyses-for 1: "},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--dump"}, "--dump: "},
      {{"run", "--years", "30", "--option", "3", "--gauges", "1", "--dump", "--historic", "INC"}, "--historic INC: "},
      {{"run", "--years", "30", "--option", "0", "--gauges", "1", "--bogus"}, "The following argument was not expected"},
  };
  for (const Refused& r : refused) {
    SCOPED_TRACE(r.line);
    CLI::App app;
    RunFlags flags;
    CLI::App* run = add_run_command(app, flags);
    std::vector<std::string> reversed(r.arguments.rbegin(), r.arguments.rend());
    std::string error;
    try {
      app.parse(reversed);
      if (*run) read_run_flags(flags);
    } catch (const CLI::ParseError& e) {
      error = e.what();
    } catch (const UsageError& e) {
      error = e.what();
    }
    EXPECT_TRUE(error.starts_with(r.line)) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

// What only reading the river system shows ends the run before any report is opened.
TEST_F(RunFromFlags, FindsWhatTheRiverSystemCannotGiveBeforeAnyReportIsOpened) {
  const RunFlags rigorous{3, "0", "1,2", "", "HIS,XYZ", "", {}, false, false};
  EXPECT_EQ(run_flags(rigorous), ExitStatus::RunFailed);
  EXPECT_TRUE(said("\n *** CANNOT FIND THE HISTORIC FILE KLIP02.XYZ OF GAUGE 2 (KLIP02 KLIPRIVIER AT HOOGEKRAAL) ***\n"));
  EXPECT_TRUE(no_report_written());

  EXPECT_EQ(run_flags({3, "0", "1,9", "", "", "", {}, false, false}), ExitStatus::RunFailed);
  EXPECT_TRUE(said(" *** GAUGE NO. 9 WAS CHOSEN, BUT THE PARAMETER FILE PARMSET.DAT HOLDS 5 GAUGES ***\n"));
  EXPECT_TRUE(no_report_written());

  replace(INC, "   71.37", "   7x.37");
  EXPECT_EQ(run_flags({3, "1", "1", "", "", "", {}, false, false}), ExitStatus::RunFailed);
  EXPECT_TRUE(said("KLIP01.INC LINE 1: COLUMNS 34-40 DO NOT HOLD A NUMBER"));
  EXPECT_TRUE(no_report_written());

  restore_examples();
  replace(FOR, "0.398308", "0.39x308");
  EXPECT_EQ(run_flags({3, "forecast", "1", "", "", "", {}, true, false}), ExitStatus::RunFailed);
  EXPECT_TRUE(said("PARAMFOR.DAT LINE 4: AUTOREGRESSIVE COEFFICIENTS AND NOISE SCALE OF GAUGE 1: \"0.39x308\""));
  EXPECT_TRUE(no_report_written());
}

TEST_F(RunFromFlags, AForecastDumpNeedsNoHistoricFile) {
  for (const auto& f : fs::directory_iterator("."))
    if (f.path().extension() == ".HIS") fs::remove(f.path());
  EXPECT_EQ(run_flags({3, "forecast", "1", "", "", "", {}, true, false}), ExitStatus::Success) << out_.str();
  EXPECT_TRUE(said(" There you go boetie!\n"));
  EXPECT_EQ(run_flags({3, "forecast", "1", "", "", "", {}, false, false}), ExitStatus::RunFailed);
  EXPECT_TRUE(said(" *** CANNOT FIND THE HISTORIC FILE KLIP01.HIS OF GAUGE 1"));
}

TEST_F(RunFromFlags, QuietShowsOnlyWhatMadeTheRunFail) {
  EXPECT_EQ(run_flags({3, "0", "1", "", "", "1", {}, false, true}), ExitStatus::Success);
  EXPECT_EQ(out_.str(), "");
  EXPECT_EQ(run_flags({3, "0", "1", "", "XYZ", "1", {}, false, true}), ExitStatus::RunFailed);
  EXPECT_EQ(out_.str(), " *** CANNOT FIND THE HISTORIC FILE KLIP01.XYZ OF GAUGE 1 (KLIP01 KLIPRIVIER AT WELGEDACHT) ***\n");
}

}  // namespace
}  // namespace flowplex
