#include "html/heat_map.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "html/chart.hpp"
#include "html/markup.hpp"

namespace flowplex::html {
namespace {

constexpr double kLabelWidth = 90.0;
constexpr double kTop = 40.0;

// The colour of a correlation: white at 0, towards blue at +1 and orange at -1.
std::string fill(float r) {
  const double t = std::clamp(static_cast<double>(std::fabs(r)), 0.0, 1.0);
  const int to[3] = {r >= 0 ? 0x21 : 0xB3, r >= 0 ? 0x66 : 0x58, r >= 0 ? 0xAC : 0x06};
  char colour[8];
  int channel[3];
  for (int c = 0; c < 3; ++c) channel[c] = static_cast<int>(std::lround(255.0 + (to[c] - 255.0) * t));
  std::snprintf(colour, sizeof colour, "#%02X%02X%02X", channel[0], channel[1], channel[2]);
  return colour;
}

}  // namespace

std::string heat_map(const std::string& title, const std::vector<std::string>& labels,
                     const std::vector<std::vector<std::optional<float>>>& value) {
  const double n = static_cast<double>(std::max<std::size_t>(labels.size(), 1));
  const double cell = std::min(70.0, (kChartWidth - kLabelWidth - 10.0) / n);
  std::string out;
  open_chart(out, kTop + kLabelWidth / 3 + cell * n + 10.0, title);
  const double left = kLabelWidth, top = kTop + kLabelWidth / 3;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    const double at = static_cast<double>(i) * cell + cell / 2;
    out += "<text class=\"xl\" x=\"" + coordinate(left + at) + "\" y=\"" + coordinate(top - 6) + "\">" +
           escaped(labels[i]) + "</text>";
    out += "<text class=\"yl\" x=\"" + coordinate(left - 6) + "\" y=\"" + coordinate(top + at + 4) + "\">" +
           escaped(labels[i]) + "</text>";
    for (std::size_t j = 0; j < labels.size(); ++j) {
      const std::optional<float> r = value[i][j];
      const double x = left + static_cast<double>(j) * cell, y = top + static_cast<double>(i) * cell;
      const bool known = r && std::isfinite(*r);
      out += "<rect class=\"hm\" x=\"" + coordinate(x) + "\" y=\"" + coordinate(y) + "\" width=\"" +
             coordinate(cell) + "\" height=\"" + coordinate(cell) + "\" fill=\"" + (known ? fill(*r) : "#eeeeee") +
             "\"/>";
      const bool dark = known && std::fabs(*r) > 0.6F;
      out += "<text class=\"xl" + std::string(dark ? " hd" : "") + "\" x=\"" + coordinate(x + cell / 2) + "\" y=\"" +
             coordinate(y + cell / 2 + 4) + "\">" + (known ? report_number(*r, 16, 2) : "\u2013") + "</text>";
    }
  }
  close_chart(out);
  return out;
}

}  // namespace flowplex::html
