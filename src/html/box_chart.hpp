#pragma once
// The box-plot chart of seven-value summaries: for each category (a month, a run length,
// a release level) the distribution over the 41 sequences beside the historical value.
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "stats_test/results.hpp"

namespace flowplex::html {

// One box: a category's seven values (maximum, 95 %, 75 %, 50 %, 25 %, 5 %, minimum), the
// historical value and, for the correlations, the mean of the 41. A part that the report
// marks as not computed is absent and is not drawn.
struct BoxCategory {
  std::string label;
  std::optional<float> historical;
  std::optional<SevenValues> summary;
  std::optional<float> mean;
};

// What frames the boxes: the chart's title, its axis titles and its legend.
struct BoxChartFrame {
  std::string title;
  std::string x_title;
  std::string y_title;
  bool with_mean = false;  // the legend names the mean's mark
};

// The chart as one SVG element.
std::string box_chart(const BoxChartFrame& frame, std::span<const BoxCategory> categories);

}  // namespace flowplex::html
