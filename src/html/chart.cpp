#include "html/chart.hpp"

#include "html/markup.hpp"

namespace flowplex::html {
namespace {

constexpr double kTitleBaseline = 20.0;
constexpr double kLegendRow = 40.0;
constexpr double kTickLength = 5.0;
// The width of a title character, a little over the average of the sans-serif faces at
// the title's size, to tell whether a title fits without measuring it.
constexpr double kTitleCharacterWidth = 7.6;

std::string at(double x, double y) { return "x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\""; }

}  // namespace

void open_chart(std::string& out, double height, std::string_view title) {
  const std::string text = escaped(title);
  // A title too long for the chart's width is narrowed to fit rather than cut.
  const bool too_long = kTitleCharacterWidth * static_cast<double>(title.size()) > kChartWidth - 16;
  const std::string fit =
      too_long ? " textLength=\"" + coordinate(kChartWidth - 16) + "\" lengthAdjust=\"spacingAndGlyphs\"" : "";
  out += "<svg viewBox=\"0 0 " + coordinate(kChartWidth) + " " + coordinate(height) + "\" role=\"img\" aria-label=\"" +
         text + "\"><text class=\"tt\" " + at(8, kTitleBaseline) + fit + ">" + text + "</text>";
}

void close_chart(std::string& out) { out += "</svg>\n"; }

void open_clipped_area(std::string& out, const Area& area, const std::string& id) {
  out += "<clipPath id=\"" + id + "\"><rect x=\"" + coordinate(area.left - 8) + "\" y=\"" + coordinate(area.top - 8) +
         "\" width=\"" + coordinate(area.right - area.left + 8) + "\" height=\"" +
         coordinate(area.bottom - area.top + 16) + "\"/></clipPath><g clip-path=\"url(#" + id + ")\">";
}

void draw_value_axis(std::string& out, const Axis& axis, const Area& area, std::string_view title) {
  for (const double tick : axis.ticks()) {
    const std::string y = coordinate(axis.at(tick));
    out += "<path class=\"gr\" d=\"M" + coordinate(area.left) + " " + y + "H" + coordinate(area.right) + "\"/>";
    out +=
        "<text class=\"yl\" " + at(area.left - kTickLength - 2, axis.at(tick) + 4) + ">" + axis.label(tick) + "</text>";
  }
  const double middle = (area.top + area.bottom) / 2;
  out += "<text class=\"at\" transform=\"translate(14 " + coordinate(middle) + ") rotate(-90)\">" + escaped(title) +
         "</text>";
  out += "<path class=\"ax\" d=\"M" + coordinate(area.left) + " " + coordinate(area.top) + "V" +
         coordinate(area.bottom) + "H" + coordinate(area.right) + "\"/>";
}

void draw_numeric_x_axis(std::string& out, const Axis& axis, const Area& area, std::string_view title) {
  for (const double tick : axis.ticks()) {
    const std::string x = coordinate(axis.at(tick));
    out += "<path class=\"gr\" d=\"M" + x + " " + coordinate(area.top) + "V" + coordinate(area.bottom) + "\"/>";
    out += "<text class=\"xl\" " + at(axis.at(tick), area.bottom + 16) + ">" + axis.label(tick) + "</text>";
  }
  out += "<text class=\"at\" " + at((area.left + area.right) / 2, area.bottom + 34) + ">" + escaped(title) + "</text>";
}

void draw_category_axis(std::string& out, std::span<const std::string> labels,
                        const std::function<double(std::size_t)>& category_x, const Area& area,
                        std::string_view title) {
  for (std::size_t i = 0; i < labels.size(); ++i)
    out += "<text class=\"xl\" " + at(category_x(i), area.bottom + 16) + ">" + escaped(labels[i]) + "</text>";
  out += "<text class=\"at\" " + at((area.left + area.right) / 2, area.bottom + 34) + ">" + escaped(title) + "</text>";
}

void draw_legend(std::string& out, std::span<const LegendEntry> entries, const Area& area) {
  // Each entry is its symbol and its text; the texts are short, so a width from their
  // length keeps the row tight without measuring the font.
  double x = area.left;
  for (const LegendEntry& entry : entries) {
    entry.symbol(out, x + 8, kLegendRow - 4);
    out += "<text class=\"lg\" " + at(x + 20, kLegendRow) + ">" + escaped(entry.text) + "</text>";
    x += 34 + 6.9 * static_cast<double>(entry.text.size());
  }
}

void historical_mark(std::string& out, double x, double y) {
  out += "<path class=\"hi\" d=\"M" + coordinate(x) + " " + coordinate(y - 5) + "l5 5-5 5-5-5z\"/>";
}

void extreme_mark(std::string& out, double x, double y) {
  out += "<circle class=\"mm\" cx=\"" + coordinate(x) + "\" cy=\"" + coordinate(y) + "\" r=\"2.5\"/>";
}

void mean_mark(std::string& out, double x, double y) {
  out += "<path class=\"mn\" d=\"M" + coordinate(x - 4) + " " + coordinate(y - 4) + "l8 8m0-8l-8 8\"/>";
}

}  // namespace flowplex::html
