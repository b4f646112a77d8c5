#include "store/option.hpp"

#include <gtest/gtest.h>

namespace flowplex {
namespace {

// The dialogue's answer 1 is the generator's bootstrap (2); every other answer passes on
// as typed, and a value outside the table still has a name on the page and in the exports.
TEST(GenerationOption, AnswersBecomeTheGeneratorsOptionsAndEveryValueHasItsNames) {
  EXPECT_EQ(GenerationOption::from_answer(1).IOPT(), kBootstrap);
  EXPECT_EQ(GenerationOption::from_answer(0).IOPT(), kRigorous);
  EXPECT_EQ(GenerationOption::from_answer(3).IOPT(), kForecasting);
  EXPECT_EQ(GenerationOption::from_answer(7).IOPT(), 7);
  for (const OptionTexts& t : kOptionTexts) {
    EXPECT_EQ(GenerationOption::from_answer(t.answer).IOPT(), t.IOPT);
    EXPECT_EQ(GenerationOption(t.IOPT).short_name(), t.short_name);
  }
  const GenerationOption typed(7);
  EXPECT_EQ(typed.texts(), nullptr);
  EXPECT_EQ(typed.short_name(), "rigorous years without a sequence start");
  EXPECT_EQ(typed.description(), "option 7");
  EXPECT_EQ(GenerationOption(kBootstrapModel).short_name(), "rigorous years without a sequence start");
}

// Only the rigorous years split annual flows into months by a historical year.
TEST(GenerationOption, OnlyRigorousYearsAreDisaggregated) {
  EXPECT_TRUE(GenerationOption(kRigorous).disaggregates());
  EXPECT_TRUE(GenerationOption(kBootstrapModel).disaggregates());
  EXPECT_TRUE(GenerationOption(-4).disaggregates());
  EXPECT_FALSE(GenerationOption(kBootstrap).disaggregates());
  EXPECT_FALSE(GenerationOption(kForecasting).disaggregates());
  EXPECT_TRUE(GenerationOption(kForecasting).forecasting());
  EXPECT_FALSE(GenerationOption(kBootstrap).forecasting());
}

}  // namespace
}  // namespace flowplex
