#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "flowplex/errors.hpp"
#include "stress/scenarios.hpp"
#include "test_support.hpp"

namespace flowplex::stress {
namespace {

using flowplex::testing::ScratchDir;
using Texts = std::vector<std::string>;

// The message of the RequestError that step throws.
template <typename Step>
std::string refusal(Step step) {
  try {
    step();
  } catch (const api::RequestError& e) {
    return e.what();
  }
  ADD_FAILURE() << "nothing was refused";
  return {};
}

Texts axis(const std::string& text) {
  Texts out;
  for (const double v : grid_axis(text)) out.push_back(factor_text(v));
  return out;
}

Texts names(const ScenarioSet& set) {
  Texts out;
  for (const Scenario& s : set.scenarios) out.push_back(s.name);
  return out;
}

void write(const std::string& name, const std::string& text) { std::ofstream(name, std::ios::binary) << text; }

// ---- the grid ----------------------------------------------------------------------------

TEST(GridAxis, HoldsTheDecimalsFromPlusIStepsUpToTheRoundedCount) {
  EXPECT_EQ(axis("0.8:1.2:0.1"), (Texts{"0.8", "0.9", "1", "1.1", "1.2"}));
  EXPECT_EQ(axis("0.8:1.1:0.05"), (Texts{"0.8", "0.85", "0.9", "0.95", "1", "1.05", "1.1"}));
  // (TO - FROM) / STEP rounded: 0.93 ends at 0.9, 0.97 at 1.
  EXPECT_EQ(axis("0.8:0.93:0.1"), (Texts{"0.8", "0.9"}));
  EXPECT_EQ(axis(" 0.8 : 0.97 : 0.1 "), (Texts{"0.8", "0.9", "1"}));
  EXPECT_EQ(axis("1:1:0.1"), (Texts{"1"}));
  // Each factor is the double its decimal reads as: the grid's 1.1 is --perturb's 1.1.
  EXPECT_EQ(grid_axis("0.7:1.3:0.1")[4], 1.1);
  // An exponent shifts the decimals as written.
  EXPECT_EQ(axis("1:1.2:5e-2"), (Texts{"1", "1.05", "1.1", "1.15", "1.2"}));
  EXPECT_EQ(axis("8e-1:1:1E-1"), (Texts{"0.8", "0.9", "1"}));
  EXPECT_EQ(axis("1:1.05:2.5e-2"), (Texts{"1", "1.025", "1.05"}));
}

TEST(GridAxis, RefusesABadAxisSayingWhy) {
  EXPECT_EQ(refusal([] { grid_axis("0.8:1.2"); }), "the axis is FROM:TO:STEP");
  EXPECT_EQ(refusal([] { grid_axis("0.8:1.2:0"); }), "the step is above 0");
  EXPECT_EQ(refusal([] { grid_axis("0.8:1.2:-0.1"); }), "the step is above 0");
  EXPECT_EQ(refusal([] { grid_axis("1.2:0.8:0.1"); }), "TO comes before FROM");
  EXPECT_EQ(refusal([] { grid_axis("0:1:0.1"); }), "a factor is above 0");
  EXPECT_EQ(refusal([] { grid_axis("0.8:inf:0.1"); }), "TO \"inf\" is not a number");
  EXPECT_EQ(refusal([] { grid_axis("0.1:40.1:0.1"); }), "more than 400 values");
  EXPECT_EQ(grid_axis("0.1:40:0.1").size(), 400U);
}

TEST(GridScenarios, PairTheFactorsMeanSlowestAndGainTheBaselineOnlyWhenMissing) {
  const ScenarioSet set = grid_scenarios(grid_axis("0.9:1:0.1"), grid_axis("1:1.2:0.2"));
  EXPECT_TRUE(set.grid);
  EXPECT_EQ(names(set), (Texts{"mean=0.9,cv=1", "mean=0.9,cv=1.2", "mean=1,cv=1", "mean=1,cv=1.2"}));
  EXPECT_EQ(set.scenarios[1].factors.of(7).cv, 1.2);
  EXPECT_EQ(set.scenarios[1].mean_factor, 0.9);
  // 1 on both axes (reached as 0.7 + 3 x 0.1): the baseline is a cell, once.
  const ScenarioSet with = grid_scenarios(grid_axis("0.7:1.3:0.1"), grid_axis("0.8:1.2:0.1"));
  EXPECT_EQ(with.scenarios.size(), 35U);
  EXPECT_EQ(std::count_if(with.scenarios.begin(), with.scenarios.end(), [](const Scenario& s) { return s.factors.identity(); }), 1);
  // Either axis missing 1: (1, 1) follows the grid.
  for (const auto& [mean, cv] : {std::pair{"0.8:0.9:0.1", "0.8:1.2:0.1"}, std::pair{"0.8:1.2:0.1", "1.1:1.3:0.1"}}) {
    const ScenarioSet set = grid_scenarios(grid_axis(mean), grid_axis(cv));
    EXPECT_EQ(set.scenarios.size(), grid_axis(mean).size() * grid_axis(cv).size() + 1) << mean << " " << cv;
    EXPECT_EQ(set.scenarios.back().name, "mean=1,cv=1");
    EXPECT_TRUE(set.scenarios.back().factors.identity());
  }
}

TEST(GridScenarios, HoldAtMost400) {
  EXPECT_EQ(grid_scenarios(grid_axis("0.05:1:0.05"), grid_axis("0.05:1:0.05")).scenarios.size(), 400U);
  EXPECT_EQ(refusal([] { grid_scenarios(grid_axis("0.05:1:0.05"), grid_axis("0.05:1.05:0.05")); }),
            "the grid holds 420 scenarios, more than 400");
}

// ---- the scenarios and projections files -----------------------------------------------

class ScenarioFiles : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

TEST_F(ScenarioFiles, GroupRowsByScenarioInTheOrderTheyFirstAppear) {
  write("s.csv", "\xEF\xBB\xBFscenario,gauge,mean,cv,months\r\ndry,1,0.8,1.1,\r\nwet,*,1.2,1,\r\n\r\ndry,*,0.9,1,\r\n");
  const ScenarioSet set = read_scenarios("s.csv");
  EXPECT_FALSE(set.grid);
  ASSERT_EQ(names(set), (Texts{"dry", "wet", "baseline"}));
  EXPECT_EQ(set.scenarios[0].factors.of(1).cv, 1.1);
  EXPECT_EQ(set.scenarios[0].factors.of(2).mean, 0.9);
  EXPECT_EQ(set.scenarios[1].factors.of(1).mean, 1.2);
  EXPECT_FALSE(set.scenarios[0].mean_factor);
  EXPECT_TRUE(set.scenarios[2].factors.identity());
  // A scenario that perturbs nothing is the baseline: none is added.
  write("s.csv", "scenario,gauge,mean,cv,months\ndry,*,0.8,1,\ntoday,*,1,1,\n");
  EXPECT_EQ(names(read_scenarios("s.csv")), (Texts{"dry", "today"}));
}

TEST_F(ScenarioFiles, NameTheLineOfABadRow) {
  // The second scenario's bad row, after the first's rows and a blank line, at line 6.
  write("s.csv", "scenario,gauge,mean,cv,months\ndry,*,0.8,1,\nwet,*,1.2,1,\n\ndry,2,0.9,1,\nwet,3,abc,1,\n");
  EXPECT_EQ(refusal([] { read_scenarios("s.csv"); }).rfind("s.csv line 6: ", 0), 0U);
  const std::pair<const char*, const char*> bad[] = {
      {"dry,*,0.8,1,\ndry,*,0.9,1,\n", "s.csv line 3: * is given twice"},
      {"dry,*,0.8,1,\n ,*,0.9,1,\n", "s.csv line 3: a row begins with its scenario's name"},
      {"dry\n", "s.csv line 2: a row begins with its scenario's name"},
      {"\n", "s.csv: no scenario is given"}};
  for (const auto& [rows, why] : bad) {
    write("s.csv", std::string("scenario,gauge,mean,cv,months\n") + rows);
    EXPECT_EQ(refusal([] { read_scenarios("s.csv"); }), why);
  }
  std::string many = "scenario,gauge,mean,cv,months\n";
  for (int i = 0; i < 401; ++i) many += "s" + std::to_string(i) + ",*,0.9,1,\n";
  write("s.csv", many);
  EXPECT_EQ(refusal([] { read_scenarios("s.csv"); }), "s.csv: more than 400 scenarios");
  write("s.csv", "gauge,mean,cv,months\n*,0.8,1,\n");
  EXPECT_EQ(refusal([] { read_scenarios("s.csv"); }), "s.csv line 1: the header scenario,gauge,mean,cv,months is missing");
}

TEST_F(ScenarioFiles, ProjectionsAreReadAndABadRowNamedByItsLine) {
  write("p.csv", "label,mean,cv\r\nRCP4.5 2050, 0.9 ,1.1\r\n\r\nRCP8.5 2050,0.8,1.25\r\n");
  EXPECT_EQ(read_projections("p.csv"), (std::vector<Projection>{{"RCP4.5 2050", 0.9, 1.1}, {"RCP8.5 2050", 0.8, 1.25}}));
  const std::pair<const char*, const char*> bad[] = {{"a,0.9\n", "a row holds three fields, label,mean,cv"},
                                                     {",0.9,1\n", "a row holds three fields, label,mean,cv"},
                                                     {"a,dry,1\n", "the mean factor \"dry\" is not a number"},
                                                     {"a,0.9,-1\n", "the factors are above 0"}};
  for (const auto& [row, why] : bad) {
    write("p.csv", std::string("label,mean,cv\nok,1,1\n\n") + row);
    EXPECT_EQ(refusal([] { read_projections("p.csv"); }), std::string("p.csv line 4: ") + why) << row;
  }
  EXPECT_EQ(refusal([] { read_projections("missing.csv"); }), "cannot read the file missing.csv");
}

// ---- yields, reliabilities and storages ------------------------------------------------

TEST(SurfaceLists, TakeTheLevelsAndRangesAndQuoteTheItemAtFault) {
  EXPECT_EQ(read_yields("5, 50 ,100"), (std::vector<int>{5, 50, 100}));
  EXPECT_EQ(read_reliabilities("1,99"), (std::vector<int>{1, 99}));
  EXPECT_EQ(read_storages("0.5,120"), (std::vector<double>{0.5, 120}));
  for (const auto& [list, item] : {std::pair{"0", "0"}, std::pair{"52", "52"}, std::pair{"105", "105"},
                                   std::pair{"50.0", "50.0"}, std::pair{"30,,50", ""}})
    EXPECT_EQ(refusal([&] { read_yields(list); }), "\"" + std::string(item) + "\" is not a yield level: 5, 10, ..., 100 % of MAR");
  for (const char* bad : {"0", "100", "95.5"})
    EXPECT_EQ(refusal([&] { read_reliabilities(bad); }), "\"" + std::string(bad) + "\" is not a reliability, a whole % from 1 to 99");
  for (const char* bad : {"0", "-10", "inf", "1e400", ""})
    EXPECT_EQ(refusal([&] { read_storages(bad); }), "\"" + std::string(bad) + "\" is not a storage: a number of % of MAR above 0");
}

}  // namespace
}  // namespace flowplex::stress
