#include "html/box_chart.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "html/chart.hpp"
#include "html/markup.hpp"

namespace flowplex::html {
namespace {

constexpr double kHeight = 330.0;
constexpr Area kArea{62.0, 56.0, kChartWidth - 14.0, kHeight - 46.0};
constexpr double kBoxFill = 0.5;  // the share of a category's width the box takes

// Positions of the seven values in a summary.
enum Point : std::size_t { kMax, k95, k75, k50, k25, k5, kMin };

bool finite(const SevenValues& v) {
  return std::all_of(v.begin(), v.end(), [](float x) { return std::isfinite(x); });
}

// Every value the chart draws, for the axis to hold them.
std::vector<double> drawn_values(std::span<const BoxCategory> categories) {
  std::vector<double> values;
  for (const BoxCategory& c : categories) {
    if (c.historical) values.push_back(*c.historical);
    if (c.mean) values.push_back(*c.mean);
    if (c.summary && finite(*c.summary)) values.insert(values.end(), c.summary->begin(), c.summary->end());
  }
  return values;
}

// The box from 25 % to 75 %, the median across it, whiskers from 5 % to 95 % with caps,
// and the minimum and maximum as marks beyond them.
void draw_box(std::string& out, const SevenValues& v, const Axis& axis, double x, double width) {
  const auto y = [&](Point p) { return coordinate(axis.at(v[p])); };
  const std::string cx = coordinate(x), cap_left = coordinate(x - width / 4), cap = coordinate(width / 2);
  const std::string left = coordinate(x - width / 2), full = coordinate(width);
  out += "<path class=\"wh\" d=\"M" + cx + " " + y(k95) + "V" + y(k75) + "M" + cx + " " + y(k25) + "V" + y(k5) + "M" +
         cap_left + " " + y(k95) + "h" + cap + "M" + cap_left + " " + y(k5) + "h" + cap + "\"/>";
  const double height = std::max(on_grid(axis.at(v[k25])) - on_grid(axis.at(v[k75])), 0.0);
  out += "<rect class=\"bx\" x=\"" + left + "\" y=\"" + y(k75) + "\" width=\"" + full + "\" height=\"" +
         coordinate(height) + "\"/>";
  out += "<path class=\"md\" d=\"M" + left + " " + y(k50) + "h" + full + "\"/>";
  extreme_mark(out, x, axis.at(v[kMax]));
  extreme_mark(out, x, axis.at(v[kMin]));
}

void draw_category(std::string& out, const BoxCategory& c, const Axis& axis, double x, double width) {
  if (c.summary && finite(*c.summary)) draw_box(out, *c.summary, axis, x, width);
  if (c.mean && std::isfinite(*c.mean)) mean_mark(out, x, axis.at(*c.mean));
  if (c.historical && std::isfinite(*c.historical)) historical_mark(out, x, axis.at(*c.historical));
}

void box_symbol(std::string& out, double x, double y) {
  out += "<rect class=\"bx\" x=\"" + coordinate(x - 6) + "\" y=\"" + coordinate(y - 6) +
         "\" width=\"12\" height=\"12\"/><path class=\"md\" d=\"M" + coordinate(x - 6) + " " + coordinate(y) +
         "h12\"/>";
}

void whisker_symbol(std::string& out, double x, double y) {
  out += "<path class=\"wh\" d=\"M" + coordinate(x) + " " + coordinate(y - 7) + "v14M" + coordinate(x - 4) + " " +
         coordinate(y - 7) + "h8M" + coordinate(x - 4) + " " + coordinate(y + 7) + "h8\"/>";
}

void draw_box_legend(std::string& out, bool with_mean) {
  std::vector<LegendEntry> entries{
      {box_symbol, "25\u201375 %, median"}, {whisker_symbol, "5\u201395 %"}, {extreme_mark, "min, max"}};
  if (with_mean) entries.push_back({mean_mark, "mean"});
  entries.push_back({historical_mark, "historical"});
  draw_legend(out, entries, kArea);
}

}  // namespace

std::string box_chart(const BoxChartFrame& frame, std::span<const BoxCategory> categories) {
  const std::vector<double> values = drawn_values(categories);
  const Axis axis = Axis::covering(values, 5, kArea.bottom, kArea.top);
  const double slot = (kArea.right - kArea.left) / static_cast<double>(std::max<std::size_t>(categories.size(), 1));
  const auto category_x = [&](std::size_t i) { return kArea.left + slot * (static_cast<double>(i) + 0.5); };
  const double box_width = std::min(slot * kBoxFill, 40.0);

  std::string out;
  open_chart(out, kHeight, frame.title);
  draw_box_legend(out, frame.with_mean);
  draw_value_axis(out, axis, kArea, frame.y_title);
  std::vector<std::string> labels;
  for (const BoxCategory& c : categories) labels.push_back(c.label);
  draw_category_axis(out, labels, category_x, kArea, frame.x_title);
  for (std::size_t i = 0; i < categories.size(); ++i) draw_category(out, categories[i], axis, category_x(i), box_width);
  close_chart(out);
  return out;
}

}  // namespace flowplex::html
