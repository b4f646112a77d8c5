#include "run/report_pages.hpp"

#include <gtest/gtest.h>

#include "test_support.hpp"

namespace flowplex {
namespace {

// A gauge whose historic file gave no year has one line on the main report where its
// test would stand, in the order the gauges came, and nothing on the side files that
// only the test writes.
TEST(ReportPages, AGaugeThatCannotBeTestedHasOneLineWhereItsReportWouldStand) {
  testing::ScratchDir scratch;
  const auto file = [&](const char* name) { return (scratch.path() / name).string(); };
  Channels ch;
  ch.unit(16).open_new(file("SEQPROBE.ANS"));
  ch.unit(8).open_new(file("SEQPROBE.PIN"));
  ReportPages pages(ch);
  RunSinks sinks;
  sinks.add(pages);
  sinks.not_tested(3);
  sinks.not_tested(12);
  ASSERT_EQ(ch.close_all(), "");
  EXPECT_EQ(testing::read_file(file("SEQPROBE.ANS")),
            "  TEST 1 CANNOT BE MADE FOR GAUGE           3 : ITS HISTORIC FILE GAVE NO YEAR\n"
            "  TEST 1 CANNOT BE MADE FOR GAUGE          12 : ITS HISTORIC FILE GAVE NO YEAR\n");
  EXPECT_EQ(testing::read_file(file("SEQPROBE.PIN")), "");
}

}  // namespace
}  // namespace flowplex
