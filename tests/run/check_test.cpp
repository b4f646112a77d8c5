// The check of a river system on copies of the example system: what it finds, in whose
// words, what it leaves to the warnings, and what it sums up.
#include "library/check.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "run/damaged_inputs.hpp"
#include "run/whole_run.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;
using namespace testing;

class Check : public WholeRun {
 protected:
  ExitStatus check(const CheckRequest& request = {}) {
    out_.str("");
    std::istringstream no_answers;
    Console con(no_answers, out_);
    auto s = make_store();
    return check_river_system(*s, con, request);
  }
  std::vector<std::string> lines() const {
    std::vector<std::string> all;
    std::istringstream in(out_.str());
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
  }
  // The console's lines that begin with the text.
  std::vector<std::string> lines_starting(const std::string& start) const {
    std::vector<std::string> found;
    for (const std::string& line : lines())
      if (line.starts_with(start)) found.push_back(line);
    return found;
  }
  // The line that holds the text, or nothing.
  std::string line_holding(const std::string& text) const {
    for (const std::string& line : lines())
      if (line.find(text) != std::string::npos) return line;
    return {};
  }
  std::string last_line() const { return lines().empty() ? std::string() : lines().back(); }
};

TEST_F(Check, SumsUpTheExampleSystemWithoutProblemOrWarning) {
  EXPECT_EQ(check(), ExitStatus::Success) << out_.str();
  EXPECT_TRUE(said(" GAUGE  NAME                                      RECORD     YEARS  KEY  HISTORIC FILE\n"
                   "     1  KLIP01 KLIPRIVIER AT WELGEDACHT           1920-1999     80  YES  KLIP01.HIS 80 YEARS\n"))
      << out_.str();
  EXPECT_TRUE(said("     4  DROOG01 DROOGLOOP AT SANDDRIF             1928-2001     74       DROOG01.HIS 74 YEARS\n"));
  EXPECT_TRUE(said(" COMMON PERIOD        : 1935 TO 1995, 61 YEARS\n"
                   " KEY GAUGES           : 1 2 3\n"
                   " OPTIONS THAT CAN RUN : RIGOROUS (0), BOOTSTRAP (1), FORECASTING (3)\n"));
  EXPECT_EQ(last_line(), " 0 PROBLEMS, 0 WARNINGS");
}

TEST_F(Check, NamesThreeIndependentFaultsWithTheirFileAndLine) {
  replace("BERG01.INC", "   14.01", "   1x.01");  // line 3, month 4
  fs::remove("KLIP02.RNK");
  replace(HIS, "   25.34", "     NaN");  // line 3 of KLIP01.HIS
  EXPECT_EQ(check(), ExitStatus::RunFailed);
  EXPECT_EQ(lines_starting(" PROBLEM").size(), 2u) << out_.str();
  EXPECT_EQ(lines_starting(" WARNING").size(), 1u) << out_.str();
  EXPECT_TRUE(said(" PROBLEM *** ERROR IN FILE BERG01.INC LINE 3: COLUMNS 34-40 DO NOT HOLD A NUMBER ***\n"));
  EXPECT_TRUE(said(" PROBLEM *** GAUGE 2 (KLIP02 KLIPRIVIER AT HOOGEKRAAL) HAS NO RANKED STREAMFLOW RECORD: "
                   "ITS FLOWS CANNOT BE SPLIT INTO MONTHS ***\n"
                   "         CANNOT FIND THE FILE KLIP02.RNK\n"));
  EXPECT_TRUE(said(" WARNING *** HISTORIC FILE KLIP01.HIS LINE 3: COLUMNS 34-40 DO NOT HOLD A NUMBER: "
                   "READING STOPS THERE WITH 2 YEARS ***\n"));
  EXPECT_TRUE(said("KLIP01.HIS 2 YEARS, STOPS AT LINE 3\n"));
  // A faulty series file stops every option, since every run loads them all.
  EXPECT_TRUE(said(" OPTIONS THAT CAN RUN : NONE\n"));
  EXPECT_EQ(last_line(), " 2 PROBLEMS, 1 WARNING");
  EXPECT_FALSE(fs::exists("SEQPROBE.ANS"));
}

// Whatever ends a run is a problem of the check, in the words the run ends with; only
// a missing PARAMFOR.DAT, which ends forecasting runs alone, is a warning.
TEST_F(Check, FindsEveryDamageThatEndsARunInTheRunsOwnWords) {
  for (const DamagedInput& row : damaged_inputs()) {
    if (row.status != ExitStatus::RunFailed) continue;
    SCOPED_TRACE(row.what);
    restore_examples();
    row.damage();
    const bool forecast_file = fs::exists(FOR);
    EXPECT_EQ(check(), forecast_file ? ExitStatus::RunFailed : ExitStatus::Success);
    EXPECT_TRUE(line_holding(row.message).starts_with(forecast_file ? " PROBLEM" : " WARNING")) << out_.str();
  }
}

TEST_F(Check, GoesOnAtTheNextRecordOfAFaultyParameterFile) {
  replace(P, "157.051882", "1e300");                // line 7, the transform of gauge 1
  replace(P, "0.250000 0.100000", "0.25x000 0.100000");  // line 20, the annual model of gauge 3
  replace(P, "    0.718065", "    0.71x065");       // line 37, the second row of CMAT1
  EXPECT_EQ(check(), ExitStatus::RunFailed);
  const std::vector<std::string> problems = lines_starting(" PROBLEM");
  ASSERT_EQ(problems.size(), 3u) << out_.str();
  EXPECT_EQ(problems[0], " PROBLEM *** ERROR IN FILE PARMSET.DAT LINE 7: TRANSFORM: \"1e300\" IS TOO LARGE ***");
  EXPECT_EQ(problems[1], " PROBLEM *** ERROR IN FILE PARMSET.DAT LINE 20: ANNUAL MODEL: \"0.25x000\" IS NOT A NUMBER ***");
  EXPECT_NE(problems[2].find("PARMSET.DAT LINE 37: ROW OF CMAT1: COLUMNS 1-12 DO NOT HOLD A NUMBER"), std::string::npos)
      << problems[2];
  // The names and record periods came whole: the series files were read and found sound.
  EXPECT_TRUE(said(" COMMON PERIOD        : 1935 TO 1995, 61 YEARS\n"));
}

// Once a file ends early its end is noted once; a parameter file that ends in the
// gauges' records leaves the gauges after it unknown, and their series unread.
TEST_F(Check, NotesTheEndOfAFileOnceAndGoesNoFurtherInIt) {
  write_file(P, read_file(P).substr(0, read_file(P).find("BERG01 BERGSPRUIT")));
  EXPECT_EQ(check(), ExitStatus::RunFailed);
  EXPECT_EQ(lines_starting(" PROBLEM").size(), 1u) << out_.str();
  EXPECT_TRUE(said(" PROBLEM *** ERROR IN FILE PARMSET.DAT LINE 17: FILE ENDS WHERE GAUGE NAME WAS EXPECTED ***\n"));
  EXPECT_TRUE(said("KLIP02.HIS 80 YEARS\n \n COMMON PERIOD        : NOT KNOWN\n")) << out_.str();
  EXPECT_EQ(lines_starting(" WARNING").size(), 0u);

  restore_examples();
  write_file(FOR, read_file(FOR).substr(0, read_file(FOR).find("0.398308")));
  EXPECT_EQ(check(), ExitStatus::RunFailed);
  EXPECT_EQ(lines_starting(" PROBLEM").size(), 1u) << out_.str();
  EXPECT_TRUE(said(" PROBLEM *** ERROR IN FILE PARAMFOR.DAT LINE 5: FILE ENDS WHERE AUTOREGRESSIVE COEFFICIENTS AND "
                   "NOISE SCALE OF GAUGE 1 WAS EXPECTED ***\n"));
  EXPECT_TRUE(said(" OPTIONS THAT CAN RUN : RIGOROUS (0), BOOTSTRAP (1)\n"));
}

TEST_F(Check, WarnsOfWhatARunSurvivesAndKeepsTheOptionsThatCanRun) {
  fs::remove("BERG01.RAN");
  fs::remove("MOOI01.IRR");
  fs::remove(FOR);
  EXPECT_EQ(check({"PARMSET.DAT", "XYZ"}), ExitStatus::Success);
  EXPECT_TRUE(said(" WARNING *** CANNOT FIND THE FILE BERG01.RAN - A RUN PROCEEDS WITHOUT IT ***\n"));
  EXPECT_TRUE(said(" WARNING *** CANNOT FIND THE FILE MOOI01.IRR - A RUN PROCEEDS WITHOUT IT ***\n"));
  EXPECT_TRUE(said(" WARNING *** CANNOT OPEN FORECASTING PARAMETERS PARAMFOR.DAT ***\n"
                   "         FORECASTING CANNOT RUN\n"));
  EXPECT_TRUE(said(" WARNING *** CANNOT FIND THE HISTORIC FILE KLIP01.XYZ ***\n"));
  EXPECT_TRUE(said("KLIP01.XYZ MISSING\n"));
  EXPECT_TRUE(said(" OPTIONS THAT CAN RUN : RIGOROUS (0), BOOTSTRAP (1)\n"));
  EXPECT_EQ(last_line(), " 0 PROBLEMS, 8 WARNINGS");
}

// Gauge 4 has an annual model and is no key gauge: only the bootstrap draws its years.
// Gauge 1 is a key gauge, whose years the rigorous option draws too.
TEST_F(Check, AMissingIncrementalRecordStopsOnlyTheOptionsThatDrawFromIt) {
  fs::remove("DROOG01.INC");
  EXPECT_EQ(check(), ExitStatus::RunFailed);
  EXPECT_TRUE(said(" PROBLEM *** GAUGE 4 (DROOG01 DROOGLOOP AT SANDDRIF) HAS NO INCREMENTAL STREAMFLOW RECORD: "
                   "ITS YEARS CANNOT BE DRAWN ***\n"
                   "         CANNOT FIND THE FILE DROOG01.INC\n"));
  EXPECT_TRUE(said(" OPTIONS THAT CAN RUN : RIGOROUS (0), FORECASTING (3)\n"));
  EXPECT_EQ(last_line(), " 1 PROBLEM, 0 WARNINGS");
  // A key gauge's years are drawn by both: one problem, which stops both.
  fs::remove(INC);
  EXPECT_EQ(check(), ExitStatus::RunFailed);
  EXPECT_EQ(lines_starting(" PROBLEM *** GAUGE 1 (KLIP01 KLIPRIVIER AT WELGEDACHT) HAS NO INCREMENTAL").size(), 1u);
  EXPECT_TRUE(said(" OPTIONS THAT CAN RUN : FORECASTING (3)\n"));
  EXPECT_EQ(last_line(), " 2 PROBLEMS, 0 WARNINGS");
}

}  // namespace
}  // namespace flowplex
