#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include "html/box_chart.hpp"
#include "html/storage_yield_chart.hpp"
#include "test_support.hpp"

namespace flowplex::html {
namespace {

using flowplex::testing::count;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Nothing that is not a finite number may reach the page, in any spelling.
void expect_only_finite_numbers(const std::string& svg) {
  EXPECT_FALSE(std::regex_search(svg, std::regex("nan|inf", std::regex::icase))) << svg;
}

// The points of each polyline of a class, as counts of points.
std::vector<int> polyline_lengths(const std::string& svg, const std::string& css_class) {
  std::vector<int> lengths;
  const std::regex line("<polyline class=\"" + css_class + "\" points=\"([^\"]*)\"");
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), line); it != std::sregex_iterator(); ++it)
    lengths.push_back(count((*it)[1].str(), ","));
  return lengths;
}

const SevenValues kSummary{9.0F, 8.0F, 7.0F, 6.0F, 5.0F, 4.0F, 3.0F};

// The legend draws one of each mark; the rest are the chart's own.
constexpr int kLegendBoxes = 1;
constexpr int kLegendHistoricals = 1;

TEST(BoxChart, DrawsOneBoxAndOneHistoricalMarkPerCategory) {
  const std::vector<BoxCategory> months{{"Oct", 4.5F, kSummary, std::nullopt},
                                        {"Nov", 10.0F, kSummary, std::nullopt},
                                        {"Dec", 22.5F, kSummary, std::nullopt}};
  const std::string svg = box_chart({"KLIP01: monthly means", "Month", "Flow", false}, months);
  EXPECT_EQ(count(svg, "class=\"bx\""), kLegendBoxes + 3);
  EXPECT_EQ(count(svg, "class=\"hi\""), kLegendHistoricals + 3);
  EXPECT_EQ(count(svg, "class=\"mm\""), 1 + 2 * 3);  // the minimum and maximum of each
  EXPECT_EQ(count(svg, "class=\"mn\""), 0);          // no mean without the correlations
  for (const char* label : {">Oct<", ">Nov<", ">Dec<", ">Month<", ">Flow<", ">KLIP01: monthly means<"})
    EXPECT_EQ(count(svg, label), 1) << label;
  EXPECT_TRUE(svg.starts_with("<svg ") && svg.ends_with("</svg>\n"));
}

TEST(BoxChart, WhatTheReportCannotComputeIsLeftOutAndNoNonFiniteNumberIsWritten) {
  // A correlation line too short to rank, a summary spoilt by a non-finite value, a
  // historical value that is not finite: each is left out, the rest is drawn.
  const std::vector<BoxCategory> lines{{"Oct", std::nullopt, std::nullopt, std::nullopt},
                                       {"Nov", 0.5F, SevenValues{0.9F, kNaN, 0.7F, 0.6F, 0.5F, 0.4F, 0.3F}, 0.6F},
                                       {"Dec", kInf, kSummary, kNaN},
                                       {"Year", 0.7F, SevenValues{0.9F, 0.8F, 0.7F, 0.6F, 0.5F, 0.4F, 0.3F}, 0.62F}};
  const std::string svg = box_chart({"A with B: Spearman rank correlation", "Month", "Rank correlation", true}, lines);
  expect_only_finite_numbers(svg);
  EXPECT_EQ(count(svg, "class=\"bx\""), kLegendBoxes + 2);        // Dec and Year
  EXPECT_EQ(count(svg, "class=\"hi\""), kLegendHistoricals + 2);  // Nov and Year
  EXPECT_EQ(count(svg, "class=\"mn\""), 1 + 2);                   // the legend's, Nov's and Year's
  EXPECT_EQ(count(svg, ">Oct<"), 1);                              // the category keeps its place
}

TEST(BoxChart, ANameIsEscapedAndALongTitleIsNarrowedToTheChart) {
  const std::string name = "R&D <WEIR> " + std::string(60, 'X');
  const std::string svg = box_chart({name + ": maximum deficit", "Release", "Deficit", false}, {});
  EXPECT_NE(svg.find("R&amp;D &lt;WEIR&gt;"), std::string::npos);
  EXPECT_EQ(svg.find("<WEIR>"), std::string::npos);
  EXPECT_EQ(count(svg, "lengthAdjust=\"spacingAndGlyphs\""), 1);
  const std::string short_title = box_chart({"KLIP01: release", "Release", "Flow", false}, {});
  EXPECT_EQ(count(short_title, "lengthAdjust"), 0);
}

// A storage-yield result whose sequences need factor · L² % MAR at yield level L.
StatisticsResult growing_storages(float factor) {
  StatisticsResult r;
  r.name = "KLIP01 KLIPRIVIER AT WELGEDACHT";
  for (int L = 1; L <= kYieldLevels; ++L) {
    const auto at = static_cast<std::size_t>(L - 1);
    r.yield[at] = 5.0F * static_cast<float>(L);
    for (auto& curve : r.storage) curve[at] = factor * static_cast<float>(L * L);
    r.mean_storage[at] = L <= 5 ? std::nullopt : std::optional<float>(factor * static_cast<float>(L * L));
    r.median_storage[at] = r.mean_storage[at];
  }
  r.historical_storage.assign({0.2F, 1.7F, 3.3F, 5.7F, 8.3F, 11.2F});
  return r;
}

TEST(StorageYieldChart, DrawsEveryCurveAndLeavesOutTheLevelsNotComputed) {
  const std::string svg = storage_yield_chart(growing_storages(1.0F), "KLIP01: storage-yield", 1);
  EXPECT_EQ(polyline_lengths(svg, "sq"), std::vector<int>(kSequences, kYieldLevels));
  // Levels 1 to 5 of the mean and median are not computed.
  EXPECT_EQ(polyline_lengths(svg, "me"), std::vector<int>{kYieldLevels - 5});
  EXPECT_EQ(polyline_lengths(svg, "mdn"), std::vector<int>{kYieldLevels - 5});
  // The historical curve to the last level the report plots, with a mark at each point.
  EXPECT_EQ(polyline_lengths(svg, "hs"), std::vector<int>{6});
  EXPECT_EQ(count(svg, "class=\"hi\""), kLegendHistoricals + 6);
  EXPECT_NE(svg.find("url(#cy1)"), std::string::npos);
}

TEST(StorageYieldChart, CurvesBeyondThePlotLimitLeaveAtTheEdgeAndTheAxisFitsTheRest) {
  StatisticsResult r = growing_storages(2.0F);  // level 14 needs 392 % MAR, level 15 450
  const std::string svg = storage_yield_chart(r, "KLIP01: storage-yield", 2);
  // The axis ends at 400 % MAR; each curve runs one point past it and stops.
  EXPECT_NE(svg.find(">400<"), std::string::npos);
  EXPECT_EQ(svg.find(">450<"), std::string::npos);
  EXPECT_EQ(polyline_lengths(svg, "sq"), std::vector<int>(kSequences, 15));

  // A small system: the axis ends at the round value above its largest storage.
  for (auto& curve : r.storage) curve.fill(12.0F);
  r.mean_storage.fill(std::nullopt);
  r.median_storage.fill(std::nullopt);
  r.historical_storage.clear();
  const std::string small = storage_yield_chart(r, "KLIP01: storage-yield", 3);
  EXPECT_EQ(small.find(">400<"), std::string::npos);
  EXPECT_EQ(polyline_lengths(small, "me"), std::vector<int>{});
}

TEST(StorageYieldChart, StoragesThatAreNotFiniteAreNotDrawn) {
  // A record of no flow at all leaves nothing to measure the storages in.
  StatisticsResult r = growing_storages(1.0F);
  for (auto& curve : r.storage) curve.fill(kInf);
  r.storage[0].fill(kNaN);
  r.mean_storage.fill(kNaN);
  r.historical_storage.assign(3, kInf);
  const std::string svg = storage_yield_chart(r, "KLIP01: storage-yield", 4);
  expect_only_finite_numbers(svg);
  EXPECT_EQ(count(svg, "<polyline class=\"sq\""), 0);
  EXPECT_EQ(count(svg, "<polyline class=\"hs\""), 0);
  EXPECT_EQ(polyline_lengths(svg, "mdn"), std::vector<int>{kYieldLevels - 5});
}

}  // namespace
}  // namespace flowplex::html
