#include "html/storage_yield_chart.hpp"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

#include "html/axis.hpp"
#include "html/chart.hpp"
#include "html/markup.hpp"

namespace flowplex::html {
namespace {

constexpr double kHeight = 400.0;
constexpr Area kArea{62.0, 56.0, kChartWidth - 14.0, kHeight - 46.0};

// A storage the curve can draw: computed, finite and on the storage axis.
bool drawable(std::optional<float> storage) { return storage && std::isfinite(*storage) && *storage >= 0.0F; }

// The largest drawable storage within the plot limit over every curve: the axis ends at
// the round value above it, so small reservoirs are not crowded into the corner.
double largest_storage(const StatisticsResult& r) {
  double largest = 0.0;
  const auto look = [&](const auto& curve) {
    for (const std::optional<float> s : curve)
      if (drawable(s) && *s <= kStoragePlotLimit) largest = std::max(largest, static_cast<double>(*s));
  };
  for (const StorageCurve& c : r.storage) look(c);
  look(r.mean_storage);
  look(r.median_storage);
  look(r.historical_storage);
  return largest;
}

// The points of a curve, level by level, up to the first beyond the axis (so that the
// line runs out of the chart there); levels that are not computed are left out. A curve
// holds floats, or std::optional<float> where levels may not be computed.
template <typename Curve>
std::string points(const Curve& curve, const StatisticsResult& r, const Axis& x, const Axis& y) {
  std::string out;
  for (std::size_t L = 0; L < curve.size(); ++L) {
    const std::optional<float> storage = curve[L];
    if (!drawable(storage) || !std::isfinite(r.yield[L])) continue;
    if (!out.empty()) out += ' ';
    out += coordinate(x.at(*storage)) + "," + coordinate(y.at(r.yield[L]));
    if (*storage > x.hi()) break;
  }
  return out;
}

void polyline(std::string& out, std::string_view css_class, const std::string& points) {
  if (!points.empty()) out += "<polyline class=\"" + std::string(css_class) + "\" points=\"" + points + "\"/>";
}

void line_symbol(std::string& out, std::string_view css_class, double x, double y) {
  out += "<path class=\"" + std::string(css_class) + "\" d=\"M" + coordinate(x - 8) + " " + coordinate(y) + "h16\"/>";
}

void draw_storage_legend(std::string& out, const Area& area) {
  const std::vector<LegendEntry> entries{
      {[](std::string& o, double x, double y) { line_symbol(o, "sq", x, y); }, "each of the 41 sequences"},
      {[](std::string& o, double x, double y) { line_symbol(o, "me", x, y); }, "mean"},
      {[](std::string& o, double x, double y) { line_symbol(o, "mdn", x, y); }, "median"},
      {[](std::string& o, double x, double y) {
         line_symbol(o, "hs", x, y);
         historical_mark(o, x, y);
       },
       "historical"}};
  draw_legend(out, entries, area);
}

void draw_historical(std::string& out, const StatisticsResult& r, const Axis& x, const Axis& y) {
  polyline(out, "hs", points(r.historical_storage, r, x, y));
  for (std::size_t L = 0; L < r.historical_storage.size(); ++L) {
    const float s = r.historical_storage[L];
    if (drawable(s) && s <= x.hi() && std::isfinite(r.yield[L])) historical_mark(out, x.at(s), y.at(r.yield[L]));
  }
}

}  // namespace

StorageAxes open_storage_chart(std::string& out, const std::string& title, double largest,
                               const std::function<void(std::string&, const Area&)>& legend,
                               std::string_view storage_title, const std::string& clip_id) {
  // A system that needs no storage at all still gets a storage axis to show it.
  const std::vector<double> extent{0.0, std::max(largest, 10.0)};
  const StorageAxes axes{Axis::covering(extent, 8, kArea.left, kArea.right),
                         Axis::fixed(0.0, 100.0, 10.0, kArea.bottom, kArea.top)};
  open_chart(out, kHeight, title);
  legend(out, kArea);
  draw_value_axis(out, axes.y, kArea, "Yield (% MAR)");
  draw_numeric_x_axis(out, axes.x, kArea, storage_title);
  open_clipped_area(out, kArea, clip_id);
  return axes;
}

std::string storage_yield_chart(const StatisticsResult& r, const std::string& title, int chart_id) {
  std::string out;
  const auto [x, y] = open_storage_chart(out, title, largest_storage(r), draw_storage_legend, "Required storage (% MAR)",
                                         "cy" + std::to_string(chart_id));
  for (const StorageCurve& curve : r.storage) polyline(out, "sq", points(curve, r, x, y));
  polyline(out, "me", points(r.mean_storage, r, x, y));
  polyline(out, "mdn", points(r.median_storage, r, x, y));
  draw_historical(out, r, x, y);
  out += "</g>";
  close_chart(out);
  return out;
}

}  // namespace flowplex::html
