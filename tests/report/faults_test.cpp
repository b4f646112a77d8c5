#include "report/faults.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "report/input.hpp"
#include "report/run_ended.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

TEST(Faults, EndTheRunUnlessTheyAreNotedAgainstTheirGauge) {
  const auto fault = [] { end_run(" *** BAD ***"); };
  EXPECT_THROW(Faults::ending().carry_on(fault), RunEnded);
  Faults noted = Faults::noting();
  EXPECT_FALSE(noted.carry_on(fault, 7));
  EXPECT_TRUE(noted.carry_on([] {}));
  ASSERT_EQ(noted.noted().size(), 1u);
  EXPECT_EQ(noted.noted()[0].message, " *** BAD ***");
  EXPECT_EQ(noted.noted()[0].gauge, 7);
}

// A faulty group ends with its line; the next record starts on the next line. The end
// of the file is noted once, and nothing is read after it.
TEST(Faults, ReadingGoesOnAtTheNextRecordUntilTheFileEnds) {
  testing::ScratchDir dir;
  std::ofstream("input.txt") << "1 x rest\n2 3\n";
  LineReader in("input.txt", "TEST FILE");
  Faults faults = Faults::noting();
  int a = 0, b = 0;
  const auto pair = [&] { read_group(in, "PAIR", {&a, &b}); };
  EXPECT_FALSE(in.record(faults, pair));
  EXPECT_TRUE(in.record(faults, pair));
  EXPECT_EQ(a, 2);
  EXPECT_EQ(b, 3);
  EXPECT_FALSE(in.record(faults, pair));
  EXPECT_FALSE(in.record(faults, pair));
  ASSERT_EQ(faults.noted().size(), 2u);
  EXPECT_NE(faults.noted()[0].message.find("LINE 1: PAIR: \"x\" IS NOT A WHOLE NUMBER"), std::string::npos);
  EXPECT_NE(faults.noted()[1].message.find("LINE 3: FILE ENDS WHERE PAIR WAS EXPECTED"), std::string::npos);
}

}  // namespace
}  // namespace flowplex
