#include "html/risk_section.hpp"

#include <algorithm>

#include "html/band_chart.hpp"
#include "html/heat_map.hpp"
#include "html/markup.hpp"
#include "html/reliability_chart.hpp"
#include "html/tables.hpp"
#include "risk/validation.hpp"

namespace flowplex::html {

// The reliability curves in the colours of the page's palette, each with its own dash
// and mark; the bands in the light blue of the boxes.
const std::string_view kRiskStyle = R"(
.rl{fill:none;stroke-width:1.8}
.rm{fill:#fff;stroke-width:1.4}
.r50{stroke:#009E73}.r80{stroke:#56B4E9;stroke-dasharray:2 3}.r90{stroke:#0072B2;stroke-dasharray:7 3}
.r95{stroke:#E69F00}.r98{stroke:#CC79A7;stroke-dasharray:10 3 2 3}.r99{stroke:#111}
.rm.r80,.rm.r90,.rm.r98{stroke-dasharray:none}
.bd{fill:#cde4f4;stroke:#0072B2;stroke-width:1}
.mdl{fill:none;stroke:#003f66;stroke-width:1.5;stroke-dasharray:4 3}
.bn{stroke:#111;stroke-width:1;stroke-dasharray:5 4}
.hm{stroke:#fff;stroke-width:1}
svg text.hd{fill:#fff}
.summary td:nth-child(3){text-align:left}
@media print{section.rk{break-before:page}section.rk h2{border-top:none;margin-top:0}}
)";

namespace {

constexpr std::string_view kNoValue = "\u2013";
constexpr std::array<std::string_view, kMonths> kMonthShort{"Oct", "Nov", "Dec", "Jan", "Feb", "Mar",
                                                            "Apr", "May", "Jun", "Jul", "Aug", "Sep"};

std::string printed(std::optional<float> v, int decimals) {
  return v ? report_number(*v, 16, decimals) : std::string(kNoValue);
}

std::vector<std::string> band_cells(const BandRow& row, int decimals) {
  return {printed(row.historical, decimals), printed(row.band.p5, decimals), printed(row.band.p50, decimals),
          printed(row.band.p95, decimals)};
}

std::string figure(const std::string& chart, const std::string& table) {
  return "<figure>" + chart + table + "</figure>\n";
}

std::string reliability_figure(const SlotRisk& r) {
  const std::string title = r.name + ": storage\u2013yield\u2013reliability";
  std::vector<std::string> headings{"Yield (% MAR)", "Historical"};
  for (const int p : kReliabilities) headings.push_back(std::to_string(p) + " %");
  std::vector<std::vector<std::string>> rows;
  for (const ReliabilityRow& row : r.reliability) {
    std::vector<std::string> cells{report_number(row.yield, 16, 0), report_number(row.historical, 16, 2)};
    for (std::size_t i = 0; i < kReliabilities.size(); ++i)
      cells.push_back(printed(row.storage[i], 2) + " [" + printed(row.lower[i], 2) + ", " +
                      (row.upper[i] ? printed(row.upper[i], 2) + "]" : std::string("\u221e)")));
    rows.push_back(std::move(cells));
  }
  return "<figure class=\"pair\">" + reliability_chart(r, title, r.slot) + "<div>" +
         plain_table(title + ", storage (% MAR) that suffices in the share of realizations [its interval of at "
                             "least 90 %]",
                     headings, rows) +
         "</div></figure>\n";
}

// The drought figures as ratios to the realizations' median, so that figures of other
// units share one axis; the table gives them in their own units.
BandCategory as_ratio(std::string label, const BandRow& row) {
  const auto ratio = [&](std::optional<float> v) -> std::optional<float> {
    if (!v || !row.band.p50 || *row.band.p50 == 0.0F) return std::nullopt;
    return *v / *row.band.p50;
  };
  return {std::move(label), ratio(row.historical), {ratio(row.band.p5), ratio(row.band.p50), ratio(row.band.p95)}};
}

const std::array<std::pair<std::string_view, std::string_view>, 4> kDroughtLabels{{
    {"Per century", "Droughts per 100 years"},
    {"Mean length", "Mean duration (months)"},
    {"Longest", "Longest duration (months)"},
    {"Largest deficit", "Largest deficit (flow units)"},
}};

std::string drought_figure(const SlotRisk& r) {
  const std::string title = r.name + ": droughts below the monthly Q80";
  std::vector<BandCategory> categories;
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < r.drought_rows.size(); ++i) {
    categories.push_back(as_ratio(std::string(kDroughtLabels[i].first), r.drought_rows[i]));
    std::vector<std::string> cells{std::string(kDroughtLabels[i].second)};
    for (std::string& c : band_cells(r.drought_rows[i], 1)) cells.push_back(std::move(c));
    rows.push_back(std::move(cells));
  }
  const std::string chart = band_chart({title, "Drought figure", "Ratio to the median of the realizations", {}, false, false}, categories);
  return figure(chart, plain_table(title, {"Figure", "Historical", "5 %", "50 %", "95 %"}, rows));
}

std::string threshold_table(const SlotRisk& r) {
  std::vector<std::string> headings{"Month"};
  std::vector<std::string> cells{"Q80"};
  for (std::size_t m = 0; m < kMonths; ++m) {
    headings.emplace_back(kMonthShort[m]);
    cells.push_back(report_number(r.drought_threshold[m], 16, 2));
  }
  return plain_table("Drought threshold of each month (flow units): the historical Q80", headings, {cells});
}

// A chart of band rows against their keys, with the table of its numbers.
std::string band_figure(const std::vector<BandRow>& rows, const BandChartFrame& frame, std::string_view key,
                        int decimals) {
  std::vector<BandCategory> categories;
  std::vector<std::vector<std::string>> cells;
  const bool bounded = frame.bound.has_value();
  for (const BandRow& row : rows) {
    categories.push_back({std::to_string(row.key), row.historical, row.band});
    std::vector<std::string> line{std::to_string(row.key)};
    if (bounded) line.push_back(printed(row.bound, 3));
    for (std::string& c : band_cells(row, decimals)) line.push_back(std::move(c));
    cells.push_back(std::move(line));
  }
  std::vector<std::string> headings{std::string(key)};
  if (bounded) headings.emplace_back("\u00b1 bound");
  for (const char* h : {"Historical", "5 %", "50 %", "95 %"}) headings.emplace_back(h);
  return figure(band_chart(frame, categories), plain_table(frame.title, headings, cells));
}

// The validation figures: a chart of the long-memory, spectral and L-moment figures on
// their own scale, one of the SSI droughts as ratios to the realizations' median, and
// their table with the Anis-Lloyd expectation beside the Hurst exponent.
const std::array<std::pair<std::string_view, std::string_view>, kFigureNames.size()> kFigureLabels{{
    {"Hurst", "Hurst exponent (rescaled range)"},
    {"Low freq.", "Variance share at periods \u2265 10 years"},
    {"L-CV", "L-CV"},
    {"L-skew", "L-skewness"},
    {"L-kurt", "L-kurtosis"},
    {"Per century", "SSI-12 droughts per 100 years"},
    {"Mean length", "SSI-12 drought mean duration (months)"},
    {"Mean severity", "SSI-12 drought mean severity"},
}};

std::string inside_cell(const BandRow& row) {
  if (!row.historical || !row.band.p5 || !row.band.p95) return std::string(kNoValue);
  return *row.band.p5 <= *row.historical && *row.historical <= *row.band.p95 ? "yes" : "no";
}

std::string validation_figures(const SlotRisk& r) {
  std::vector<BandCategory> shape, ssi;
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < r.figure_rows.size(); ++i) {
    const BandRow& row = r.figure_rows[i];
    if (i < kFirstSsiFigure)
      shape.push_back({std::string(kFigureLabels[i].first), row.historical, row.band});
    else
      ssi.push_back(as_ratio(std::string(kFigureLabels[i].first), row));
    std::vector<std::string> cells{std::string(kFigureLabels[i].second)};
    for (std::string& c : band_cells(row, 3)) cells.push_back(std::move(c));
    cells.push_back(inside_cell(row));
    rows.push_back(std::move(cells));
    if (i == kHurst)
      rows.push_back({"Anis\u2013Lloyd expectation (" + std::to_string(r.NYH) + " and " + std::to_string(r.NYS) +
                          " years)",
                      printed(r.hurst_expected_historical, 3), std::string(kNoValue), printed(r.hurst_expected, 3),
                      std::string(kNoValue), std::string(kNoValue)});
  }
  const std::string title = r.name + ": long memory, spectrum, L-moments and SSI-12 droughts";
  std::string out = band_chart({r.name + ": long memory, spectrum and L-moments of the annual flows", "Figure",
                                "Value", {}, false, false},
                               shape);
  out += band_chart({r.name + ": SSI-12 droughts against the record's climate", "Drought figure",
                     "Ratio to the median of the realizations", {}, false, false},
                    ssi);
  return figure(out, plain_table(title, {"Figure", "Historical", "5 %", "50 %", "95 %", "Inside"}, rows));
}

// The share of the realizations whose monthly flows the two tests tell from the record's.
std::string monthly_tests_table(const SlotRisk& r) {
  std::vector<std::string> headings{"Test"};
  for (const std::string_view m : kMonthShort) headings.emplace_back(m);
  const std::array<std::string, kMonthlyTestCount> names{"Mann\u2013Whitney (location)", "Brown\u2013Forsythe (spread)"};
  std::vector<std::vector<std::string>> rows;
  for (std::size_t t = 0; t < kMonthlyTestCount; ++t) {
    std::vector<std::string> cells{names[t]};
    for (const float share : r.rejected[t]) cells.push_back(report_number(100.0 * share, 16, 1));
    rows.push_back(std::move(cells));
  }
  return plain_table("Realizations (%) whose monthly flows the test tells from the record's at p < 0.05", headings,
                     rows);
}

std::vector<BandRow> persistence_of(const SlotRisk& r, std::string_view series) {
  std::vector<BandRow> rows;
  std::copy_if(r.persistence.begin(), r.persistence.end(), std::back_inserter(rows),
               [&](const BandRow& row) { return row.series == series; });
  return rows;
}

std::optional<float> bound_of(const std::vector<BandRow>& rows) {
  return rows.empty() ? std::nullopt : rows.front().bound;
}

}  // namespace

std::string risk_anchor(int slot) { return "risk" + std::to_string(slot); }

std::string risk_section(const SlotRisk& r) {
  std::string out = "<section class=\"rk\" id=\"" + risk_anchor(r.slot) + "\"><h2>" +
                    escaped(r.name + ": what the ensemble says about risk") + "</h2>";
  out += "<p class=\"facts\">Gauge " + std::to_string(r.gauge) + " in slot " + std::to_string(r.slot) + " \u00b7 " +
         std::to_string(r.storage.size()) + " realizations of " + std::to_string(r.NYS) + " years against " +
         std::to_string(r.NYH) + " historical years \u00b7 MAR " + report_number(r.MAR, 16, 2) + "</p>";
  out += "<p class=\"note\">A storage at the 98 % reliability supplies the yield throughout at least 98 % of the "
         "realizations (the p % value of N realizations is the \u2308pN/100\u2309-th smallest). A month is in drought "
         "when its flow is below the month's historical Q80; the flow-duration curve places the i-th largest of n "
         "monthly flows at exceedance i/(n+1). Bands run from the 5 % to the 95 % value across the realizations. The "
         "interval beside each reliability's storage (and its whisker on the chart) is a distribution-free interval of at "
         "least 90 % from the order statistics; \u221e where the realizations are too few to bound it above. SSI-12 "
         "standardises the 12-month flow sums through the record's own; a drought is a run of months below \u22121.</p>";
  out += reliability_figure(r) + "<div class=\"charts\">" + drought_figure(r);
  out += band_figure(r.flow_duration,
                     {r.name + ": flow duration", "Exceedance probability (%)", "Monthly flow (flow units)", {}, true, true},
                     "Exceeded in (%)", 2);
  const std::vector<BandRow> monthly = persistence_of(r, "monthly"), annual = persistence_of(r, "annual");
  out += band_figure(monthly,
                     {r.name + ": persistence of the monthly departures", "Lag (months)", "Autocorrelation",
                      bound_of(monthly), true, false},
                     "Lag (months)", 3);
  out += band_figure(annual,
                     {r.name + ": persistence of the annual flows", "Lag (years)", "Autocorrelation", bound_of(annual),
                      true, false},
                     "Lag (years)", 3);
  out += validation_figures(r);
  out += "</div>" + threshold_table(r) + monthly_tests_table(r) + "</section>\n";
  return out;
}

namespace {

const std::array<std::string_view, kFigureKinds.size()> kKindHeadings{"Moments", "Persistence and long memory",
                                                                      "Distribution", "Droughts", "Flow duration"};

// A figure outside its band as the page names it.
std::string outside_name(const FigureLabel& f) {
  const std::string k = std::to_string(f.key);
  const auto month = [&] { return std::string(kMonthShort[static_cast<std::size_t>(f.key - 1)]); };
  const std::string_view s = f.statistic;
  if (s == "annual_mean") return "annual mean";
  if (s == "annual_sd") return "annual SD";
  if (s == "monthly_mean") return month() + " mean";
  if (s == "monthly_sd") return month() + " SD";
  if (s == "run_sum") return k + "-month run sum";
  if (s == "release") return "release at " + k + " %";
  if (s == "max_deficit") return "deficit at " + k + " %";
  if (s == "deficit_duration") return "deficit duration at " + k + " %";
  if (s == "longest_depletion") return "longest depletion at " + k + " %";
  if (s == "flow_duration") return "Q" + k;
  if (s == "monthly_autocorrelation") return "monthly lag " + k;
  if (s == "annual_autocorrelation") return "annual lag " + k;
  for (std::size_t i = 0; i < kDroughtLabels.size(); ++i)
    if (s == std::array<std::string_view, 4>{"events_per_century", "mean_duration", "longest_duration",
                                             "largest_deficit"}[i])
      return std::string(kDroughtLabels[i].first) + " (Q80)";
  for (std::size_t i = 0; i < kFigureNames.size(); ++i)
    if (s == kFigureNames[i]) return std::string(i >= kFirstSsiFigure ? "SSI " : "") + std::string(kFigureLabels[i].first);
  return std::string(s) + (f.key != 0 ? " " + k : "");
}

}  // namespace

std::string validation_summary(const std::vector<ValidationLine>& lines, bool perturbed) {
  if (lines.empty()) return "";
  std::vector<std::vector<std::string>> rows;
  std::string links, outside;
  std::vector<std::string> headings{"Slot", "Gauge", "Name", "Inside", "Of", "Share (%)"};
  for (const std::string_view h : kKindHeadings) headings.emplace_back(h);
  for (const ValidationLine& l : lines) {
    const auto share = share_percent(l.validation);
    std::vector<std::string> cells{std::to_string(l.slot), std::to_string(l.gauge), l.name,
                                   std::to_string(l.validation.inside), std::to_string(l.validation.total),
                                   share ? report_number(*share, 16, 1) : std::string(kNoValue)};
    for (const KindCount& c : l.validation.kinds)
      cells.push_back(std::to_string(c.inside) + " of " + std::to_string(c.total));
    rows.push_back(std::move(cells));
    const std::string stem = l.name.substr(0, l.name.find(' '));
    links += std::string(links.empty() ? "" : " \u00b7 ") + "<a href=\"#" + risk_anchor(l.slot) + "\">" +
             escaped(stem) + "</a>";
    outside += "<li><b>" + escaped(stem) + "</b>: ";
    if (l.validation.outside.empty()) outside += "none";
    for (std::size_t kind = 0; kind < kFigureKinds.size(); ++kind) {
      std::string names;
      for (const FigureLabel& f : l.validation.outside)
        if (static_cast<std::size_t>(f.kind) == kind) names += (names.empty() ? "" : ", ") + outside_name(f);
      if (!names.empty()) outside += "<i>" + std::string(kKindHeadings[kind]) + "</i> " + escaped(names) + "; ";
    }
    if (outside.ends_with("; ")) outside.resize(outside.size() - 2);
    outside += "</li>";
  }
  const std::string against = perturbed ? " against today's record" : "";
  return "<section class=\"vs\"><h2>Validation summary" + against +
         "</h2><p class=\"note\">" +
         (perturbed ? "The flows are perturbed: a figure outside the band shows the perturbation, not a fault. " : "") +
         "For each gauge, how many historical "
         "figures lie inside the band the realizations span from their 5 % to their 95 % value, in all and by kind: "
         "moments (annual and monthly means and standard deviations), persistence and long memory "
         "(autocorrelations, Hurst exponent, low-frequency share), distribution (L-moment ratios), droughts (run "
         "sums, deficits, droughts below Q80, SSI-12 droughts) and flow duration. About nine in ten inside is what a "
         "generator that reproduces the record gives.</p>" +
         plain_table("Historical figures inside the generated 5\u201395 % band" + against, headings, rows, "summary") +
         "<p class=\"note\">Outside the band, by kind:</p><ul class=\"outside\">" + outside + "</ul>" +
         "<p class=\"note\">Risk sections: " + links + "</p></section>\n";
}

std::string cross_gauge_section(const CrossGaugeResult& result) {
  if (result.pairs.empty()) return "";
  std::vector<std::string> labels;
  std::vector<int> slots;
  for (const CrossGaugePair& p : result.pairs)
    for (const auto& [slot, name] : {std::pair{p.slot, p.name}, std::pair{p.other_slot, p.other_name}})
      if (std::find(slots.begin(), slots.end(), slot) == slots.end()) {
        slots.push_back(slot);
        labels.push_back(name.substr(0, name.find(' ')));
      }
  const std::size_t n = slots.size();
  const auto matrix = [&](auto of) {
    std::vector<std::vector<std::optional<float>>> m(n, std::vector<std::optional<float>>(n, 1.0F));
    for (const CrossGaugePair& p : result.pairs) {
      const auto i = static_cast<std::size_t>(std::find(slots.begin(), slots.end(), p.slot) - slots.begin());
      const auto j = static_cast<std::size_t>(std::find(slots.begin(), slots.end(), p.other_slot) - slots.begin());
      m[i][j] = m[j][i] = of(p);
    }
    return m;
  };
  std::vector<std::vector<std::string>> rows;
  for (const CrossGaugePair& p : result.pairs)
    rows.push_back({p.name, p.other_name, printed(p.historical, 3), printed(p.generated_mean, 3)});
  std::string out = "<section class=\"cg\"><h2>Cross-gauge correlation of annual flows</h2><p class=\"note\">Pearson "
                    "correlation of the annual flows of each pair of gauges analysed: historical over the years both "
                    "records hold, generated as the mean over the realizations of each realization's correlation.</p>";
  out += "<div class=\"charts\"><figure>" +
         heat_map("Historical correlation of annual flows", labels, matrix([](const CrossGaugePair& p) { return p.historical; })) +
         "</figure><figure>" +
         heat_map("Generated correlation of annual flows (mean over the realizations)", labels,
                  matrix([](const CrossGaugePair& p) { return p.generated_mean; })) +
         "</figure></div>";
  out += plain_table("Correlation of annual flows, pair by pair", {"Gauge", "Other gauge", "Historical", "Generated mean"},
                     rows) +
         "</section>\n";
  return out;
}

}  // namespace flowplex::html
