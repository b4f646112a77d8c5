#include "html/markup.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "html/axis.hpp"

namespace flowplex::html {
namespace {

TEST(Escaped, MarkupCharactersCannotOpenElementsOrCloseAttributes) {
  EXPECT_EQ(escaped(R"(A&B <script> "x")"), "A&amp;B &lt;script&gt; &quot;x&quot;");
}

TEST(Escaped, ControlCharactersAndBrokenUtf8StillGiveValidText) {
  EXPECT_EQ(escaped(std::string("19\0"
                                "20\x1b",
                                6)),
            "19?20?");
  // A Latin-1 name from an old parameter file, and a valid UTF-8 one, read alike.
  EXPECT_EQ(escaped("RIVI\xC8RE"), "RIVI\xC3\x88RE");
  EXPECT_EQ(escaped("RIVI\xC3\x88RE"), "RIVI\xC3\x88RE");
  // A sequence cut short at the end of the text is not valid UTF-8 either.
  EXPECT_EQ(escaped("AB\xE2\x80"), "AB\xC3\xA2\xC2\x80");
}

TEST(ReportNumber, PrintsAsTheReportFieldWithoutLeadingBlanks) {
  EXPECT_EQ(report_number(188.05F, 11, 1), "188.1");
  EXPECT_EQ(report_number(0.7559F, 12, 5), "0.75590");
  EXPECT_EQ(report_number(-0.011568F, 12, 5), "-0.01157");
  // The line printer's point after a whole number is left out: 12. is 12.
  EXPECT_EQ(report_number(11.6F, 12, 0), "12");
  EXPECT_EQ(report_number(66.0F, 11, 0), "66");
}

TEST(ReportNumber, WhatTheReportCannotPrintStaysAsItsAsterisks) {
  EXPECT_EQ(report_number(1.0e12, 8, 2), "********");
  EXPECT_EQ(report_number(std::numeric_limits<double>::quiet_NaN(), 12, 1), "************");
  EXPECT_EQ(report_number(std::numeric_limits<double>::infinity(), 12, 0), "************");
}

TEST(Coordinate, IsShortAndNeverANegativeZero) {
  EXPECT_EQ(coordinate(62.0), "62");
  EXPECT_EQ(coordinate(62.04), "62");
  EXPECT_EQ(coordinate(62.05), "62.1");
  EXPECT_EQ(coordinate(-0.01), "0");
  EXPECT_EQ(coordinate(-3.25), "-3.3");
}

TEST(Axis, HoldsEveryFiniteValueBetweenRoundTicks) {
  const std::vector<double> values{152.7, 219.4, 62.3, std::nan(""), std::numeric_limits<double>::infinity()};
  const Axis axis = Axis::covering(values, 5, 300.0, 50.0);
  EXPECT_LE(axis.lo(), 62.3);
  EXPECT_GE(axis.hi(), 219.4);
  EXPECT_EQ(axis.lo(), 50.0);
  EXPECT_EQ(axis.hi(), 250.0);
  const std::vector<double> ticks = axis.ticks();
  EXPECT_EQ(ticks, (std::vector<double>{50, 100, 150, 200, 250}));
  // The bottom of a vertical axis is its low end.
  EXPECT_DOUBLE_EQ(axis.at(50.0), 300.0);
  EXPECT_DOUBLE_EQ(axis.at(250.0), 50.0);
  EXPECT_DOUBLE_EQ(axis.at(150.0), 175.0);
}

TEST(Axis, TickLabelsCarryTheDecimalsOfTheStep) {
  const std::vector<double> correlations{-0.04221, 0.87544};
  const Axis axis = Axis::covering(correlations, 5, 0.0, 100.0);
  EXPECT_EQ(axis.label(axis.ticks().front()), "-0.2");
  EXPECT_EQ(axis.label(0.0), "0.0");
  EXPECT_EQ(axis.label(axis.ticks().back()), "1.0");
}

TEST(Axis, ASingleValueOrNoneStillGivesAnAxisToStandIn) {
  const std::vector<double> one{1.0, 1.0};
  const Axis single = Axis::covering(one, 5, 0.0, 100.0);
  EXPECT_LT(single.lo(), 1.0);
  EXPECT_GT(single.hi(), 1.0);
  const std::vector<double> none{std::nan("")};
  const Axis empty = Axis::covering(none, 5, 0.0, 100.0);
  EXPECT_LT(empty.lo(), empty.hi());
  EXPECT_TRUE(std::isfinite(empty.at(0.5)));
}

}  // namespace
}  // namespace flowplex::html
