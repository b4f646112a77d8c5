#include "html/band_chart.hpp"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "html/chart.hpp"
#include "html/markup.hpp"

namespace flowplex::html {
namespace {

constexpr double kHeight = 330.0;
constexpr Area kArea{62.0, 56.0, kChartWidth - 14.0, kHeight - 46.0};
constexpr double kBandFill = 0.45;  // the share of a category's width the band takes

std::vector<double> drawn_values(const BandChartFrame& frame, std::span<const BandCategory> categories) {
  std::vector<double> values;
  const auto add = [&](std::optional<float> v) {
    if (v && std::isfinite(*v)) values.push_back(*v);
  };
  for (const BandCategory& c : categories) {
    add(c.historical);
    add(c.band.p5);
    add(c.band.p50);
    add(c.band.p95);
  }
  if (frame.bound) {
    values.push_back(*frame.bound);
    values.push_back(-*frame.bound);
  }
  return values;
}

// A value's place on the axis: the value itself, or its logarithm.
using Scale = std::function<double(double)>;

// A logarithmic axis over whole decades, with a grid line and a label at each.
Axis log_axis(const std::vector<double>& values) {
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  const double first = std::floor(std::log10(*lo)), last = std::max(std::ceil(std::log10(*hi)), first + 1);
  return Axis::fixed(first, last, 1.0, kArea.bottom, kArea.top);
}

void draw_log_axis(std::string& out, const Axis& axis, std::string_view title) {
  for (const double decade : axis.ticks()) {
    const double flow = std::pow(10.0, decade);
    const std::string y = coordinate(axis.at(decade));
    out += "<path class=\"gr\" d=\"M" + coordinate(kArea.left) + " " + y + "H" + coordinate(kArea.right) + "\"/>";
    out += "<text class=\"yl\" x=\"" + coordinate(kArea.left - 7) + "\" y=\"" + coordinate(axis.at(decade) + 4) + "\">" +
           report_number(flow, 16, decade < 0 ? static_cast<int>(-decade) : 0) + "</text>";
  }
  out += "<text class=\"at\" transform=\"translate(14 " + coordinate((kArea.top + kArea.bottom) / 2) +
         ") rotate(-90)\">" + escaped(title) + "</text>";
  out += "<path class=\"ax\" d=\"M" + coordinate(kArea.left) + " " + coordinate(kArea.top) + "V" +
         coordinate(kArea.bottom) + "H" + coordinate(kArea.right) + "\"/>";
}

void band_symbol(std::string& out, double x, double y) {
  out += "<rect class=\"bd\" x=\"" + coordinate(x - 5) + "\" y=\"" + coordinate(y - 7) + "\" width=\"10\" height=\"14\"/>";
}

void median_symbol(std::string& out, double x, double y) {
  out += "<path class=\"md\" d=\"M" + coordinate(x - 7) + " " + coordinate(y) + "h14\"/>";
}

void bound_symbol(std::string& out, double x, double y) {
  out += "<path class=\"bn\" d=\"M" + coordinate(x - 8) + " " + coordinate(y) + "h16\"/>";
}

void draw_band_legend(std::string& out, bool bound) {
  std::vector<LegendEntry> entries{{band_symbol, "5\u201395 % of realizations"}, {median_symbol, "median"},
                                   {historical_mark, "historical"}};
  if (bound) entries.push_back({bound_symbol, "\u00b11.96/\u221an of the record"});
  draw_legend(out, entries, kArea);
}

void draw_bound(std::string& out, float bound, const Axis& axis) {
  for (const double at : {static_cast<double>(bound), -static_cast<double>(bound)})
    out += "<path class=\"bn\" d=\"M" + coordinate(kArea.left) + " " + coordinate(axis.at(at)) + "H" +
           coordinate(kArea.right) + "\"/>";
}

// The points of one curve across the categories, where the value is given.
std::string curve(std::span<const BandCategory> categories, const std::function<std::optional<float>(const BandCategory&)>& of,
                  const std::function<double(std::size_t)>& x, const Scale& y) {
  std::string points;
  for (std::size_t i = 0; i < categories.size(); ++i)
    if (const auto v = of(categories[i]); v && std::isfinite(*v)) {
      if (!points.empty()) points += ' ';
      points += coordinate(x(i)) + "," + coordinate(y(*v));
    }
  return points;
}

void polyline(std::string& out, std::string_view css_class, const std::string& points) {
  if (!points.empty()) out += "<polyline class=\"" + std::string(css_class) + "\" points=\"" + points + "\"/>";
}

void draw_category(std::string& out, const BandCategory& c, double x, double width, const Scale& y) {
  const Band& b = c.band;
  if (b.p5 && b.p95) {
    const double top = on_grid(y(*b.p95)), bottom = on_grid(y(*b.p5));
    out += "<rect class=\"bd\" x=\"" + coordinate(x - width / 2) + "\" y=\"" + coordinate(top) + "\" width=\"" +
           coordinate(width) + "\" height=\"" + coordinate(std::max(bottom - top, 0.0)) + "\"/>";
  }
  if (b.p50) out += "<path class=\"md\" d=\"M" + coordinate(x - width / 2) + " " + coordinate(y(*b.p50)) + "h" + coordinate(width) + "\"/>";
  if (c.historical && std::isfinite(*c.historical)) historical_mark(out, x, y(*c.historical));
}

}  // namespace

std::string band_chart(const BandChartFrame& frame, std::span<const BandCategory> categories) {
  const std::vector<double> values = drawn_values(frame, categories);
  const bool logarithmic =
      frame.logarithmic && !values.empty() && std::all_of(values.begin(), values.end(), [](double v) { return v > 0.0; });
  const Axis axis = logarithmic ? log_axis(values) : Axis::covering(values, 5, kArea.bottom, kArea.top);
  const Scale y = logarithmic ? Scale([&](double v) { return axis.at(std::log10(v)); })
                              : Scale([&](double v) { return axis.at(v); });
  const double slot = (kArea.right - kArea.left) / static_cast<double>(std::max<std::size_t>(categories.size(), 1));
  const auto x = [&](std::size_t i) { return kArea.left + slot * (static_cast<double>(i) + 0.5); };
  const double width = std::min(slot * kBandFill, 40.0);

  std::string out;
  open_chart(out, kHeight, frame.title);
  draw_band_legend(out, frame.bound.has_value());
  if (logarithmic)
    draw_log_axis(out, axis, frame.y_title);
  else
    draw_value_axis(out, axis, kArea, frame.y_title);
  std::vector<std::string> labels;
  for (const BandCategory& c : categories) labels.push_back(c.label);
  draw_category_axis(out, labels, x, kArea, frame.x_title);
  if (frame.bound) draw_bound(out, *frame.bound, axis);
  for (std::size_t i = 0; i < categories.size(); ++i) draw_category(out, categories[i], x(i), width, y);
  if (frame.joined) {
    polyline(out, "mdl", curve(categories, [](const BandCategory& c) { return c.band.p50; }, x, y));
    polyline(out, "hs", curve(categories, [](const BandCategory& c) { return c.historical; }, x, y));
  }
  close_chart(out);
  return out;
}

}  // namespace flowplex::html
