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
    for (const auto& s : row.storage) cells.push_back(printed(s, 2));
    rows.push_back(std::move(cells));
  }
  return "<figure class=\"pair\">" + reliability_chart(r, title, r.slot) + "<div>" +
         plain_table(title + ", storage (% MAR) that suffices in the share of realizations", headings, rows) +
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
         "monthly flows at exceedance i/(n+1). Bands run from the 5 % to the 95 % value across the realizations.</p>";
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
  out += "</div>" + threshold_table(r) + "</section>\n";
  return out;
}

std::string validation_summary(const std::vector<ValidationLine>& lines) {
  if (lines.empty()) return "";
  std::vector<std::vector<std::string>> rows;
  std::string links;
  for (const ValidationLine& l : lines) {
    const auto share = share_percent(l.validation);
    rows.push_back({std::to_string(l.slot), std::to_string(l.gauge), l.name, std::to_string(l.validation.inside),
                    std::to_string(l.validation.total), share ? report_number(*share, 16, 1) : std::string(kNoValue)});
    links += std::string(links.empty() ? "" : " \u00b7 ") + "<a href=\"#" + risk_anchor(l.slot) + "\">" +
             escaped(l.name.substr(0, l.name.find(' '))) + "</a>";
  }
  return "<section class=\"vs\"><h2>Validation summary</h2><p class=\"note\">For each gauge, how many historical "
         "figures lie inside the band the realizations span from their 5 % to their 95 % value: the drought, "
         "flow-duration and persistence figures and the seven-value lines of the statistics test. About nine in ten "
         "inside is what a generator that reproduces the record gives.</p>" +
         plain_table("Historical figures inside the generated 5\u201395 % band",
                     {"Slot", "Gauge", "Name", "Inside", "Of", "Share (%)"}, rows, "summary") +
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
