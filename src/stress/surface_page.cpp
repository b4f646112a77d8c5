#include "stress/surface_page.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

#include "export/atomic_file.hpp"
#include "html/axis.hpp"
#include "html/chart.hpp"
#include "html/markup.hpp"
#include "html/style.hpp"
#include "html/tables.hpp"

namespace flowplex::stress {
namespace {

using html::coordinate;
using html::escaped;

// The stress page's own marks, after the look every page shares.
constexpr std::string_view kStressStyle = R"(
h3{font-size:15px;margin:16px 0 4px}
svg .cv{text-anchor:middle;font-size:10px}
svg .pl{font-size:11px;font-weight:600}
.ns{fill:#bbb}
.none{fill:#444}
.ct{stroke:#D55E00;stroke-width:2.5;fill:none}
.bl{fill:none;stroke:#000;stroke-width:2}
.pj{fill:#fff;stroke:#000;stroke-width:1.5}
.bar{fill:#0072B2}
)";

// The storage (% of MAR) of a cell at the page's reliability, or why there is none.
struct Cell {
  bool sustainable = true;
  std::optional<float> storage;
};

std::string storage_text(const Cell& c) {
  if (!c.sustainable) return "not sustainable";
  return c.storage ? html::report_number(*c.storage, 10, 1) : "none suffices";
}

// The reliability the maps are drawn at: the highest asked for.
std::size_t page_reliability(const Design& d) {
  return static_cast<std::size_t>(std::max_element(d.reliabilities.begin(), d.reliabilities.end()) - d.reliabilities.begin());
}

Cell cell_of(const Surface& s, std::size_t scenario, std::size_t k, std::size_t y) {
  const Design& d = s.design;
  return {sustainable(d.scenarios[scenario], k, d.yields[y]), s.cells[scenario][k].storage[y][page_reliability(d)]};
}

// The distinct factors of the first n scenarios, in order.
std::vector<double> axis_values(const Design& d, std::size_t n, std::optional<double> ScenarioLabel::*factor) {
  std::vector<double> values;
  for (std::size_t s = 0; s < n; ++s) values.push_back(*(d.scenarios[s].*factor));
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
  return values;
}

// Where each grid scenario stands on the map.
struct Grid {
  std::vector<double> mean, cv;
  std::vector<std::vector<std::optional<std::size_t>>> at;  // [cv][mean]: the scenario there
};

// The baseline added after a grid that misses it stands off the grid: it is marked, not
// drawn as a cell.
Grid grid_of(const Design& d) {
  std::size_t n = d.scenarios.size();
  const auto cells = [&](std::size_t m) {
    return axis_values(d, m, &ScenarioLabel::mean_factor).size() * axis_values(d, m, &ScenarioLabel::cv_factor).size();
  };
  if (n > 1 && cells(n) != n && cells(n - 1) == n - 1) --n;
  Grid g{axis_values(d, n, &ScenarioLabel::mean_factor), axis_values(d, n, &ScenarioLabel::cv_factor), {}};
  g.at.assign(g.cv.size(), std::vector<std::optional<std::size_t>>(g.mean.size()));
  for (std::size_t s = 0; s < n; ++s) {
    const auto i = std::find(g.mean.begin(), g.mean.end(), *d.scenarios[s].mean_factor) - g.mean.begin();
    const auto j = std::find(g.cv.begin(), g.cv.end(), *d.scenarios[s].cv_factor) - g.cv.begin();
    g.at[static_cast<std::size_t>(j)][static_cast<std::size_t>(i)] = s;
  }
  return g;
}

// A sequential blue scale from light (no storage) to dark (the most storage on the map),
// which reads in grey too: the value is written in every cell.
std::string fill_of(float storage, float most) {
  const double t = most > 0.0F ? std::clamp(static_cast<double>(storage / most), 0.0, 1.0) : 0.0;
  const auto channel = [t](int light, int dark) { return std::to_string(static_cast<int>(std::lround(light + t * (dark - light)))); };
  return "rgb(" + channel(239, 8) + "," + channel(243, 48) + "," + channel(255, 107) + ")";
}

// Whether the storage S suffices for the cell: a storage is needed and at most S.
bool suffices(const Cell& c, double S) { return c.sustainable && c.storage && *c.storage <= S; }

class HeatMap {
 public:
  HeatMap(const Surface& s, const Grid& g, std::size_t k, std::size_t y) : s_(s), g_(g), k_(k), y_(y) {
    const double width = (area_.right - area_.left) / static_cast<double>(g.mean.size());
    const double height = (area_.bottom - area_.top) / static_cast<double>(g.cv.size());
    cell_w_ = width;
    cell_h_ = height;
  }

  std::string svg() const {
    std::string out;
    const Design& d = s_.design;
    const std::string title = "Storage (% MAR) for " + std::to_string(d.yields[y_]) + " % MAR at " +
                              std::to_string(d.reliabilities[page_reliability(d)]) + " % reliability";
    html::open_chart(out, area_.bottom + 70, title);
    draw_cells(out);
    for (const double S : d.storages) draw_contour(out, S);
    draw_axes(out);
    // Today's climate is ringed wide enough to leave its cell's value readable.
    mark_point(out, 1.0, 1.0, "bl", "today (1, 1)", 14);
    for (const Projection& p : d.projections) mark_point(out, p.mean, p.cv, "pj", p.label, 6);
    html::close_chart(out);
    return out;
  }

 private:
  Cell at(std::size_t j, std::size_t i) const {
    const auto s = g_.at[j][i];
    return s ? cell_of(s_, *s, k_, y_) : Cell{false, std::nullopt};
  }
  double x_of(std::size_t i) const { return area_.left + cell_w_ * static_cast<double>(i); }
  // The highest variability at the top.
  double y_of(std::size_t j) const { return area_.bottom - cell_h_ * static_cast<double>(j + 1); }
  // A factor's place on the drawing, cells centred at their factors.
  static double place(const std::vector<double>& axis, double v, double first, double step) {
    if (axis.size() == 1) return first + step / 2;
    const double spacing = (axis.back() - axis.front()) / static_cast<double>(axis.size() - 1);
    return first + step / 2 + (v - axis.front()) / spacing * step;
  }

  float most() const {
    float m = 0.0F;
    for (std::size_t j = 0; j < g_.cv.size(); ++j)
      for (std::size_t i = 0; i < g_.mean.size(); ++i)
        if (const Cell c = at(j, i); c.sustainable && c.storage) m = std::max(m, *c.storage);
    return m;
  }

  void draw_cells(std::string& out) const {
    const float top = most();
    for (std::size_t j = 0; j < g_.cv.size(); ++j)
      for (std::size_t i = 0; i < g_.mean.size(); ++i) {
        const Cell c = at(j, i);
        const std::string fill = !c.sustainable ? " class=\"ns\"" : !c.storage ? " class=\"none\"" : " fill=\"" + fill_of(*c.storage, top) + "\"";
        const std::string label = !c.sustainable ? "n/s" : !c.storage ? "none" : html::report_number(*c.storage, 10, 0);
        const std::string text_fill = c.sustainable && (!c.storage || *c.storage > top / 2) ? " style=\"fill:#fff\"" : "";
        out += "<rect x=\"" + coordinate(x_of(i)) + "\" y=\"" + coordinate(y_of(j)) + "\" width=\"" + coordinate(cell_w_) +
               "\" height=\"" + coordinate(cell_h_) + "\"" + fill + "><title>" +
               escaped("mean " + factor_text(g_.mean[i]) + ", cv " + factor_text(g_.cv[j]) + ": " + storage_text(c)) +
               "</title></rect>";
        out += "<text class=\"cv\"" + text_fill + " x=\"" + coordinate(x_of(i) + cell_w_ / 2) + "\" y=\"" +
               coordinate(y_of(j) + cell_h_ / 2 + 4) + "\">" + label + "</text>";
      }
  }

  // The contour of storage S: the cell edges between a climate S suffices for and one it
  // does not, drawn as a line that encloses the climates it supplies.
  void draw_contour(std::string& out, double S) const {
    std::string path;
    for (std::size_t j = 0; j < g_.cv.size(); ++j)
      for (std::size_t i = 0; i < g_.mean.size(); ++i) {
        if (!suffices(at(j, i), S)) continue;
        if (i == 0 || !suffices(at(j, i - 1), S)) path += segment(x_of(i), y_of(j), x_of(i), y_of(j) + cell_h_);
        if (i + 1 == g_.mean.size() || !suffices(at(j, i + 1), S))
          path += segment(x_of(i) + cell_w_, y_of(j), x_of(i) + cell_w_, y_of(j) + cell_h_);
        if (j == 0 || !suffices(at(j - 1, i), S)) path += segment(x_of(i), y_of(j) + cell_h_, x_of(i) + cell_w_, y_of(j) + cell_h_);
        if (j + 1 == g_.cv.size() || !suffices(at(j + 1, i), S)) path += segment(x_of(i), y_of(j), x_of(i) + cell_w_, y_of(j));
      }
    if (path.empty()) return;
    out += "<path class=\"ct\" d=\"" + path + "\"><title>" + escaped("where " + factor_text(S) + " % MAR of storage suffices") +
           "</title></path>";
  }
  static std::string segment(double x1, double y1, double x2, double y2) {
    return "M" + coordinate(x1) + " " + coordinate(y1) + "L" + coordinate(x2) + " " + coordinate(y2);
  }

  void draw_axes(std::string& out) const {
    for (std::size_t i = 0; i < g_.mean.size(); ++i)
      out += "<text class=\"xl\" x=\"" + coordinate(x_of(i) + cell_w_ / 2) + "\" y=\"" + coordinate(area_.bottom + 16) + "\">" +
             factor_text(g_.mean[i]) + "</text>";
    for (std::size_t j = 0; j < g_.cv.size(); ++j)
      out += "<text class=\"yl\" x=\"" + coordinate(area_.left - 6) + "\" y=\"" + coordinate(y_of(j) + cell_h_ / 2 + 4) + "\">" +
             factor_text(g_.cv[j]) + "</text>";
    out += "<text class=\"at\" x=\"" + coordinate((area_.left + area_.right) / 2) + "\" y=\"" + coordinate(area_.bottom + 34) +
           "\">mean factor M (annual mean × M)</text>";
    out += "<text class=\"at\" transform=\"translate(14 " + coordinate((area_.top + area_.bottom) / 2) +
           ") rotate(-90)\">variability factor C (CV × C)</text>";
    out += "<text x=\"" + coordinate(area_.left) + "\" y=\"" + coordinate(area_.bottom + 56) +
           "\">orange line: where each given storage stops sufficing · ring: today's climate · white dots: projections</text>";
  }

  void mark_point(std::string& out, double mean, double cv, const char* css, const std::string& label, double r) const {
    const double x = place(g_.mean, mean, area_.left, cell_w_);
    const double y = area_.bottom - (place(g_.cv, cv, 0.0, cell_h_));
    if (x < area_.left || x > area_.right || y < area_.top || y > area_.bottom) return;
    out += "<circle class=\"" + std::string(css) + "\" cx=\"" + coordinate(x) + "\" cy=\"" + coordinate(y) + "\" r=\"" + coordinate(r) + "\"><title>" +
           escaped(label) + "</title></circle>";
    out += "<text class=\"pl\" x=\"" + coordinate(x + r + 2) + "\" y=\"" + coordinate(y - r - 2) + "\">" + escaped(label) + "</text>";
  }

  const Surface& s_;
  const Grid& g_;
  std::size_t k_, y_;
  html::Area area_{70, 36, 620, 396};
  double cell_w_ = 0, cell_h_ = 0;
};

std::string grid_table(const Surface& s, const Grid& g, std::size_t k, std::size_t y) {
  std::vector<std::string> headings{"CV factor \\ mean factor"};
  for (const double m : g.mean) headings.push_back(factor_text(m));
  std::vector<std::vector<std::string>> rows;
  for (std::size_t j = g.cv.size(); j-- > 0;) {
    std::vector<std::string> row{factor_text(g.cv[j])};
    for (std::size_t i = 0; i < g.mean.size(); ++i)
      row.push_back(g.at[j][i] ? storage_text(cell_of(s, *g.at[j][i], k, y)) : "");
    rows.push_back(row);
  }
  return html::plain_table("Storage (% MAR) at " + std::to_string(s.design.reliabilities[page_reliability(s.design)]) +
                               " % reliability",
                           headings, rows);
}

// Every scenario's storages at each reliability and the reliability of each storage.
std::string scenario_table(const Surface& s, std::size_t k, std::size_t y) {
  const Design& d = s.design;
  std::vector<std::string> headings{"Scenario", "Mean factor"};
  for (const int r : d.reliabilities) headings.push_back("Storage at " + std::to_string(r) + " % (% MAR)");
  for (const double S : d.storages)
    headings.push_back("Reliability of " + factor_text(S) + " % MAR (" + html::report_number(S / 100.0 * d.slots[k].MAR, 12, 1) + ")");
  headings.push_back("Median largest deficit");
  std::vector<std::vector<std::string>> rows;
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc) {
    const SlotSurface& c = s.cells[sc][k];
    const bool ok = sustainable(d.scenarios[sc], k, d.yields[y]);
    std::vector<std::string> row{d.scenarios[sc].name, factor_text(d.scenarios[sc].slot_mean[k])};
    for (std::size_t r = 0; r < d.reliabilities.size(); ++r) row.push_back(storage_text({ok, c.storage[y][r]}));
    for (std::size_t i = 0; i < d.storages.size(); ++i) row.push_back(html::report_number(c.reliability[y][i], 8, 1) + " %");
    row.push_back(c.drought_median[3] ? html::report_number(*c.drought_median[3], 12, 1) : "");
    rows.push_back(row);
  }
  return html::plain_table("Yield " + std::to_string(d.yields[y]) + " % MAR", headings, rows);
}

std::string bar_chart(const Surface& s, std::size_t k, std::size_t y) {
  const Design& d = s.design;
  std::string out;
  const html::Area area{70, 36, 620, 300};
  std::vector<double> values;
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc)
    if (const Cell c = cell_of(s, sc, k, y); c.sustainable && c.storage) values.push_back(*c.storage);
  values.push_back(0.0);
  const html::Axis axis = html::Axis::covering(values, 5, area.bottom, area.top);
  html::open_chart(out, 400, "Storage (% MAR) for " + std::to_string(d.yields[y]) + " % MAR at " +
                                 std::to_string(d.reliabilities[page_reliability(d)]) + " % reliability");
  html::draw_value_axis(out, axis, area, "storage (% MAR)");
  const double step = (area.right - area.left) / static_cast<double>(d.scenarios.size());
  std::vector<std::string> labels;
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc) {
    const Cell c = cell_of(s, sc, k, y);
    labels.push_back(d.scenarios[sc].name);
    const double x = area.left + step * (static_cast<double>(sc) + 0.15);
    if (c.sustainable && c.storage) {
      out += "<rect class=\"bar\" x=\"" + coordinate(x) + "\" y=\"" + coordinate(axis.at(*c.storage)) + "\" width=\"" +
             coordinate(step * 0.7) + "\" height=\"" + coordinate(area.bottom - axis.at(*c.storage)) + "\"><title>" +
             escaped(d.scenarios[sc].name + ": " + storage_text(c)) + "</title></rect>";
    } else {
      out += "<text class=\"xl\" x=\"" + coordinate(x + step * 0.35) + "\" y=\"" + coordinate(area.bottom - 6) + "\">" +
             (c.sustainable ? "none" : "n/s") + "</text>";
    }
  }
  html::draw_category_axis(out, labels, [&](std::size_t i) { return area.left + step * (static_cast<double>(i) + 0.5); }, area,
                           "scenario");
  html::close_chart(out);
  return out;
}

std::string facts(const Surface& s) {
  const Design& d = s.design;
  return "<p class=\"facts\">" + escaped(d.option) + " generation, " + std::to_string(d.years) + " years, realizations 1 to " +
         std::to_string(s.figures.last) + ", " + std::to_string(d.scenarios.size()) +
         " scenarios from one generation (common random numbers). Input digest " + escaped(d.input_digest) + ".</p>" +
         "<p class=\"note\">A reliability here is the share of the " + std::to_string(s.figures.last) + " " +
         std::to_string(d.years) +
         "-year futures that, starting with the reservoir full, never fail to supply the yield: not an annual reliability. "
         "Yields and storages are in % of each gauge's historical mean annual runoff (MAR), the same under every climate: "
         "the demand does not shrink with the flows. A yield at or above a scenario's mean annual flow is not sustainable "
         "(n/s); \"none\" means that some futures of the share fail whatever the storage.</p>";
}

std::string slot_section(const Surface& s, std::size_t k) {
  const Design& d = s.design;
  const Slot& slot = d.slots[k];
  std::string out = "<section><h2>Gauge " + std::to_string(slot.gauge) + " " + escaped(slot.name) + " (MAR " +
                    html::report_number(slot.MAR, 12, 2) + ")</h2>";
  const std::optional<Grid> grid = d.grid ? std::optional<Grid>(grid_of(d)) : std::nullopt;
  for (std::size_t y = 0; y < d.yields.size(); ++y) {
    out += "<h3>Yield " + std::to_string(d.yields[y]) + " % MAR (" + html::report_number(d.yields[y] / 100.0 * slot.MAR, 12, 2) +
           " a year)</h3><figure class=\"pair\">";
    out += grid ? HeatMap(s, *grid, k, y).svg() : bar_chart(s, k, y);
    out += grid ? grid_table(s, *grid, k, y) : "";
    out += "</figure>" + scenario_table(s, k, y);
  }
  return out + "</section>\n";
}

}  // namespace

void write_page(const std::string& path, const Surface& surface, FinalNames& finals) {
  std::string out = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>Stress test \u2013 flowplex</title><style>" +
                    std::string(html::kPageStyle) + std::string(kStressStyle) + "</style></head><body><header><h1>Storage\u2013yield\u2013reliability over perturbed climates</h1>" +
                    facts(surface) + "</header>\n";
  for (std::size_t k = 0; k < surface.design.slots.size(); ++k) out += slot_section(surface, k);
  out += "</body></html>\n";
  auto file = std::make_shared<AtomicTextFile>(path, "HTML FILE");
  file->write(out);
  file->close();
  finals.push_back([file] { file->make_final(); });
}

}  // namespace flowplex::stress
