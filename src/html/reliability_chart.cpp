#include "html/reliability_chart.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "html/chart.hpp"
#include "html/markup.hpp"
#include "html/storage_yield_chart.hpp"

namespace flowplex::html {
namespace {

// The mark of each reliability's curve: a shape of its own, so that the curves read
// apart without their colours.
void circle(std::string& out, const std::string& cls, double x, double y) {
  out += "<circle class=\"rm " + cls + "\" cx=\"" + coordinate(x) + "\" cy=\"" + coordinate(y) + "\" r=\"3.5\"/>";
}
void shape(std::string& out, const std::string& cls, double x, double y, std::string_view path) {
  out += "<path class=\"rm " + cls + "\" d=\"M" + coordinate(x) + " " + coordinate(y) + std::string(path) + "\"/>";
}
void reliability_mark(std::string& out, std::size_t i, double x, double y) {
  const std::string cls = reliability_class(i);
  switch (i) {
    case 0:
      return circle(out, cls, x, y);
    case 1:
      return shape(out, cls, x, y, "m-3.5-3.5h7v7h-7z");  // square
    case 2:
      return shape(out, cls, x, y, "m0-4.5l4 7h-8z");  // triangle
    case 3:
      return shape(out, cls, x, y, "m0 4.5l4-7h-8z");  // triangle pointing down
    case 4:
      return shape(out, cls, x, y, "m-4.5 0h9m-4.5-4.5v9");  // plus
    default:
      return shape(out, cls, x, y, "m-4-4l8 8m0-8l-8 8");  // cross
  }
}

bool drawable(std::optional<float> storage) { return storage && std::isfinite(*storage) && *storage >= 0.0F; }

double largest_storage(const SlotRisk& r) {
  double largest = 0.0;
  const auto look = [&](std::optional<float> s) {
    if (drawable(s) && *s <= kStoragePlotLimit) largest = std::max(largest, static_cast<double>(*s));
  };
  for (const ReliabilityRow& row : r.reliability) {
    look(row.historical);
    for (const auto& s : row.storage) look(s);
  }
  return largest;
}

// A curve's points level by level, up to the first beyond the axis, and its marks.
template <typename Of, typename Mark>
void draw_curve(std::string& out, const SlotRisk& r, const std::string& cls, const Axis& x, const Axis& y, Of of,
                Mark mark) {
  std::string points, marks;
  for (const ReliabilityRow& row : r.reliability) {
    const std::optional<float> s = of(row);
    if (!drawable(s)) continue;
    if (!points.empty()) points += ' ';
    points += coordinate(x.at(*s)) + "," + coordinate(y.at(row.yield));
    if (*s > x.hi()) break;
    mark(marks, x.at(*s), y.at(row.yield));
  }
  if (!points.empty()) out += "<polyline class=\"" + cls + "\" points=\"" + points + "\"/>" + marks;
}

// Each reliability's interval of at least 90 % about its storages, as whiskers across the
// storage axis at each yield the curve reaches, the reliabilities a little apart so that
// their whiskers read apart: a side without a limit runs to the axis' end without a cap.
void draw_whiskers(std::string& out, const SlotRisk& r, std::size_t i, const Axis& x, const Axis& y) {
  const double offset = (static_cast<double>(i) - 2.5) * 1.6;
  for (const ReliabilityRow& row : r.reliability) {
    const std::optional<float> s = row.storage[i];
    if (!drawable(s)) continue;
    if (*s > x.hi()) break;
    const bool capped_low = drawable(row.lower[i]), capped_high = row.upper[i] && *row.upper[i] <= x.hi();
    const double from = capped_low ? x.at(*row.lower[i]) : x.at(x.lo());
    const double to = capped_high ? x.at(*row.upper[i]) : x.at(x.hi());
    const double at = y.at(row.yield) + offset;
    out += "<path class=\"rw " + reliability_class(i) + "\" d=\"M" + coordinate(from) + " " + coordinate(at) + "H" +
           coordinate(to);
    if (capped_low) out += "M" + coordinate(from) + " " + coordinate(at - 2.5) + "v5";
    if (capped_high) out += "M" + coordinate(to) + " " + coordinate(at - 2.5) + "v5";
    out += "\"/>";
  }
}

void line_symbol(std::string& out, const std::string& cls, double x, double y) {
  out += "<path class=\"" + cls + "\" d=\"M" + coordinate(x - 8) + " " + coordinate(y) + "h16\"/>";
}

const std::array<std::string, kReliabilities.size() + 1> kLegendTexts{"50 %", "80 %", "90 %", "95 %", "98 %", "99 %",
                                                                      "historical"};

void draw_reliability_legend(std::string& out, const Area& area) {
  std::vector<LegendEntry> entries;
  for (std::size_t i = 0; i < kReliabilities.size(); ++i)
    entries.push_back({[i](std::string& o, double x, double y) {
                         line_symbol(o, "rl " + reliability_class(i), x, y);
                         reliability_mark(o, i, x, y);
                       },
                       kLegendTexts[i]});
  entries.push_back({[](std::string& o, double x, double y) {
                       line_symbol(o, "hs", x, y);
                       historical_mark(o, x, y);
                     },
                     kLegendTexts.back()});
  draw_legend(out, entries, area);
}

}  // namespace

std::string reliability_class(std::size_t i) { return "r" + std::to_string(kReliabilities[i]); }

std::string reliability_chart(const SlotRisk& r, const std::string& title, int chart_id) {
  std::string out;
  const auto [x, y] = open_storage_chart(out, title, largest_storage(r), draw_reliability_legend,
                                         "Storage that suffices (% MAR)", "cr" + std::to_string(chart_id));
  for (std::size_t i = 0; i < kReliabilities.size(); ++i) draw_whiskers(out, r, i, x, y);
  for (std::size_t i = 0; i < kReliabilities.size(); ++i)
    draw_curve(out, r, "rl " + reliability_class(i), x, y, [i](const ReliabilityRow& row) { return row.storage[i]; },
               [i](std::string& o, double px, double py) { reliability_mark(o, i, px, py); });
  draw_curve(out, r, "hs", x, y, [](const ReliabilityRow& row) { return std::optional<float>(row.historical); },
             historical_mark);
  out += "</g>";
  close_chart(out);
  return out;
}

}  // namespace flowplex::html
