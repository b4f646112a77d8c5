#pragma once
// What every chart of the page shares: the SVG element with its title, the plotting
// area, the axes with their ticks and titles, the legend, and the marks that the charts
// and their legends draw alike. The look (colours, line widths) is the page's style sheet.
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "html/axis.hpp"

namespace flowplex::html {

// The plotting area inside a chart, in drawing units (y grows downwards).
struct Area {
  double left, top, right, bottom;
};

// The chart drawing units: every chart is drawn on the same width, so that a row of
// charts lines up and their text is the same size.
inline constexpr double kChartWidth = 640.0;

// The opening of a chart's SVG element, with its title as text (read aloud, printed).
void open_chart(std::string& out, double height, std::string_view title);
void close_chart(std::string& out);

// Opens a group clipped to the area, widened by 8 units left, above and below so that the
// marks at its edges stay whole: curves that run beyond the right edge end there. The
// caller closes it with "</g>"; id must be unique on the page.
void open_clipped_area(std::string& out, const Area& area, const std::string& id);

// Grid lines and tick labels along the left edge, and the axis title beside them.
void draw_value_axis(std::string& out, const Axis& axis, const Area& area, std::string_view title);
// Ticks and labels along the bottom edge for a numeric x axis, and its title.
void draw_numeric_x_axis(std::string& out, const Axis& axis, const Area& area, std::string_view title);
// One label under each category, centred at category_x(i), and the axis title.
void draw_category_axis(std::string& out, std::span<const std::string> labels,
                        const std::function<double(std::size_t)>& category_x, const Area& area, std::string_view title);

// A mark drawn at a point, in a chart or as the symbol of a legend entry.
using Mark = std::function<void(std::string& out, double x, double y)>;

struct LegendEntry {
  Mark symbol;
  std::string_view text;
};

// The legend: one row of entries under the title, from the left edge of the area.
void draw_legend(std::string& out, std::span<const LegendEntry> entries, const Area& area);

// The marks.
void historical_mark(std::string& out, double x, double y);  // a filled diamond
void extreme_mark(std::string& out, double x, double y);     // a small open circle
void mean_mark(std::string& out, double x, double y);        // a cross

}  // namespace flowplex::html
