#include "html/sections.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "correlation_test/correlation_report.hpp"
#include "html/box_chart.hpp"
#include "html/markup.hpp"
#include "html/storage_yield_chart.hpp"
#include "html/tables.hpp"
#include "stats_test/statistics_report.hpp"

namespace flowplex::html {
namespace {

constexpr std::array<std::string_view, kMonths> kMonthShort{"Oct", "Nov", "Dec", "Jan", "Feb", "Mar",
                                                            "Apr", "May", "Jun", "Jul", "Aug", "Sep"};
constexpr std::array<std::string_view, kMonths> kMonthLong{"October",  "November", "December", "January",
                                                           "February", "March",    "April",    "May",
                                                           "June",     "July",     "August",   "September"};

// Where a value stands in the table: a number as the report prints it, or a dash where
// the report has none.
constexpr std::string_view kNoValue = "\u2013";

// A box-plot chart of the statistical-properties test: the report lines it draws (one
// statistic, or the annual mean and standard deviation together, which share a unit).
// Its table prints each number as the report's line prints it.
struct StatisticChart {
  std::array<std::string_view, 2> statistics;
  std::string_view what;
  std::string_view key;
  std::string_view x_title;
  std::string_view y_title;
};

// clang-format off
const std::array<StatisticChart, 8> kStatisticCharts{{
    {{"annual_mean", "annual_sd"}, "annual mean and standard deviation", "Statistic", "Annual statistic",
     "Annual flow (flow units)"},
    {{"monthly_mean", ""}, "monthly means", "Month", "Month", "Mean monthly flow (flow units)"},
    {{"monthly_sd", ""}, "monthly standard deviations", "Month", "Month", "Std dev. of monthly flow (flow units)"},
    {{"run_sum", ""}, "minimum run sums", "Run length", "Run length (months)", "Minimum run sum (flow units)"},
    {{"release", ""}, "release per month", "Release", "Release level (% MAR)", "Release per month (flow units)"},
    {{"max_deficit", ""}, "maximum deficit", "Release", "Release level (% MAR)", "Maximum deficit (flow units)"},
    {{"deficit_duration", ""}, "duration of the maximum deficit", "Release", "Release level (% MAR)",
     "Duration (months)"},
    {{"longest_depletion", ""}, "longest depletion", "Release", "Release level (% MAR)",
     "Longest depletion (months)"},
}};
// clang-format on

// A number as the report prints it in its field.
std::string printed(double value, FieldFormat f) { return report_number(value, f.width, f.decimals); }

// The label of a report line on the chart's axis and in its table.
std::string axis_label(const SummaryRow& row) {
  if (row.statistic == "annual_mean") return "Mean";
  if (row.statistic == "annual_sd") return "Std dev.";
  if (row.statistic.starts_with("monthly")) return std::string(kMonthShort[static_cast<std::size_t>(row.key - 1)]);
  if (row.statistic == "run_sum") return std::to_string(row.key);
  return std::to_string(row.key) + " %";
}

std::string table_label(const SummaryRow& row) {
  if (row.statistic == "annual_mean") return "Mean";
  if (row.statistic == "annual_sd") return "Standard deviation";
  if (row.statistic.starts_with("monthly")) return std::string(kMonthLong[static_cast<std::size_t>(row.key - 1)]);
  if (row.statistic == "run_sum") return std::to_string(row.key) + " months";
  return std::to_string(row.key) + " % MAR";
}

std::vector<std::string> seven_printed(const SevenValues& values, FieldFormat f) {
  std::vector<std::string> out;
  for (const float v : values) out.push_back(printed(v, f));
  return out;
}

std::string figure(const std::string& chart, const std::string& tables) {
  return "<figure>" + chart + tables + "</figure>\n";
}

std::string box_figure(const StatisticsResult& r, const StatisticChart& c) {
  std::vector<BoxCategory> categories;
  std::vector<SummaryTableRow> rows;
  bool run_too_long = false;
  for (const SummaryRow& row : r.rows) {
    if (std::find(c.statistics.begin(), c.statistics.end(), row.statistic) == c.statistics.end()) continue;
    // Only a run longer than the record or the sequences is not computed: the report
    // prints the run sums' cap there, which is no flow at all, so the page shows a dash
    // and draws nothing.
    run_too_long |= !row.historical || !row.summary;
    const SummaryFormats f = summary_formats(row.statistic);
    categories.push_back({axis_label(row), row.historical, row.summary, std::nullopt});
    rows.push_back({table_label(row), row.historical ? printed(*row.historical, f.historical) : std::string(kNoValue),
                    "",
                    row.summary ? seven_printed(*row.summary, f.summary)
                                : std::vector<std::string>(7, std::string(kNoValue))});
  }
  if (rows.empty()) return "";
  const std::string title = r.name + ": " + std::string(c.what);
  const std::string note =
      run_too_long ? "<p class=\"note\">\u2013 : a run longer than the record or the sequences, for which the "
                     "report prints its cap of 1000000.</p>"
                   : "";
  return figure(box_chart({title, std::string(c.x_title), std::string(c.y_title), false}, categories),
                summary_table(title, c.key, rows, false) + note);
}

std::string storage_printed(std::optional<float> storage) {
  return storage ? printed(*storage, statistics_formats().storage) : std::string(kNoValue);
}

// The yields are whole percentages, 5 to 100.
std::string yield_printed(float yield) { return report_number(yield, statistics_formats().storage.width, 0); }

// The curves the chart draws at each yield level; the historical curve stops at the last
// level the report plots.
std::string storage_table(const StatisticsResult& r, const std::string& title) {
  std::vector<std::vector<std::string>> rows;
  for (std::size_t L = 0; L < r.yield.size(); ++L)
    rows.push_back(
        {yield_printed(r.yield[L]), storage_printed(r.mean_storage[L]), storage_printed(r.median_storage[L]),
         L < r.historical_storage.size() ? storage_printed(r.historical_storage[L]) : std::string(kNoValue)});
  return plain_table(title + ", required storage (% MAR)", {"Yield (% MAR)", "Mean", "Median", "Historical"}, rows);
}

std::string sequence_storage_table(const StatisticsResult& r) {
  std::vector<std::string> headings{"Sequence"};
  for (const float y : r.yield) headings.push_back(yield_printed(y) + " %");
  std::vector<std::vector<std::string>> rows;
  for (std::size_t seq = 0; seq < r.storage.size(); ++seq) {
    std::vector<std::string> row{std::to_string(seq + 1)};
    for (const float s : r.storage[seq]) row.push_back(storage_printed(s));
    rows.push_back(std::move(row));
  }
  return "<details><summary>Required storage (% MAR) of each sequence, by yield (% MAR)</summary>" +
         plain_table("Required storage (% MAR) of each of the 41 sequences", headings, rows) + "</details>\n";
}

std::string storage_figure(const StatisticsResult& r, int id) {
  const std::string title = r.name + ": storage-yield";
  return "<figure class=\"pair\">" + storage_yield_chart(r, title, id) + "<div>" + storage_table(r, title) +
         "<p class=\"note\">\u2013 : not computed (the five smallest yields, a yield no sequence needs storage for, "
         "or beyond the last historical level the report plots).</p></div>" +
         sequence_storage_table(r) + "</figure>\n";
}

std::string simulation_table(const StatisticsResult& r) {
  constexpr std::array<std::string_view, 3> kNames{"Mean annual flow", "Std dev. of annual flows",
                                                   "CV of annual flows"};
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < r.simulation.size(); ++i) {
    const SimulationMoments& m = r.simulation[i];
    const FieldFormat f = statistics_formats().simulation_moment;
    rows.push_back({std::string(kNames[i]), printed(m.average, f), printed(m.std_dev, f), printed(m.skewness, f)});
  }
  return plain_table("Annual statistics over the 41 sequences", {"Statistic", "Average", "Std dev.", "Skewness"}, rows);
}

// The block "VALUES OBTAINED FROM PARAMETER FILE" of the report.
std::string parameter_table(const StatisticsResult& r) {
  const StatisticsFormats& f = statistics_formats();
  const ParameterValues& p = r.parameters;
  const std::vector<std::vector<std::string>> rows{
      {"Mean annual flow", printed(p.mean, f.parameter_moment)},
      {"Std dev. of annual flows", printed(p.sd, f.parameter_moment)},
      {"φ₁, φ₂ (ARMA(2,2) of the normalised flows)",
       printed(p.phi[0], f.parameter_model) + ", " + printed(p.phi[1], f.parameter_model)},
      {"θ₁, θ₂", printed(p.theta[0], f.parameter_model) + ", " + printed(p.theta[1], f.parameter_model)},
      {"AICc", printed(p.aicc, f.parameter_model)},
      {"ANC", printed(p.anc, f.parameter_model)},
      {"Zero flows", printed(p.zero_flows, f.zero_flows)}};
  return plain_table("Values from the parameter file", {"Statistic", "Value"}, rows);
}

// The block "HISTORICAL DATA" of the report: the moments of the historical annual flows.
std::string historical_table(const StatisticsResult& r) {
  const StatisticsFormats& f = statistics_formats();
  const HistoricalMoments& h = r.historical;
  const std::vector<std::vector<std::string>> rows{
      {"Mean annual flow", printed(h.mean, f.historical_moment)},
      {"Std dev. of annual flows", printed(h.sd, f.historical_moment)},
      {"CV of annual flows", printed(h.cv, f.historical_moment)},
      {"Skewness of annual flows", printed(h.skewness, f.historical_moment)},
      {"Lag-one autocorrelation", printed(h.lag1, f.historical_moment)},
      {"Record length (years)", printed(h.years, f.record_length)}};
  return plain_table("Historical record", {"Statistic", "Value"}, rows);
}

std::string optional_printed(std::optional<float> value) {
  return value ? printed(*value, coefficient_format()) : std::string("too short");
}

std::string period_label(int period, bool on_axis) {
  if (period == 0) return on_axis ? "Year" : "Annual";
  const std::size_t at = static_cast<std::size_t>(period - 1);
  return std::string(on_axis ? kMonthShort[at] : kMonthLong[at]);
}

std::string stem(const std::string& name) { return name.substr(0, name.find(' ')); }

}  // namespace

std::string statistics_heading(const StatisticsResult& r) { return r.name + ": statistical properties"; }

std::string correlation_heading(const CorrelationResult& r) {
  return r.name + " with " + r.other_name + ": monthly rank correlations";
}

std::string statistics_section(const StatisticsResult& r, int id) {
  std::string out =
      "<section class=\"st\" id=\"s" + std::to_string(id) + "\"><h2>" + escaped(statistics_heading(r)) + "</h2>";
  out += "<p class=\"facts\">Gauge " + std::to_string(r.gauge) + " in slot " + std::to_string(r.slot) + " \u00b7 " +
         std::to_string(r.NYH) + " historical years, mean annual runoff (MAR) " +
         printed(r.MAR, statistics_formats().historical_moment) +
         " \u00b7 41 sequences of " + std::to_string(r.NYS) + " years</p>";
  out += "<div class=\"blocks\">" + parameter_table(r) + historical_table(r) + simulation_table(r) + "</div>";
  out += "<div class=\"charts\">";
  for (const StatisticChart& c : kStatisticCharts) out += box_figure(r, c);
  out += "</div>" + storage_figure(r, id) + "</section>\n";
  return out;
}

std::string correlation_section(const CorrelationResult& r, int id) {
  std::vector<BoxCategory> categories;
  std::vector<SummaryTableRow> rows;
  for (const CorrelationLine& line : r.lines) {
    categories.push_back({period_label(line.period, true), line.historical, line.summary, line.mean});
    std::vector<std::string> seven(7, "too short");
    if (line.summary) seven = seven_printed(*line.summary, coefficient_format());
    rows.push_back({period_label(line.period, false), optional_printed(line.historical), optional_printed(line.mean),
                    std::move(seven)});
  }
  const std::string title = stem(r.name) + " with " + stem(r.other_name) + ": Spearman rank correlation";
  std::string out =
      "<section class=\"co\" id=\"s" + std::to_string(id) + "\"><h2>" + escaped(correlation_heading(r)) + "</h2>";
  out += "<p class=\"facts\">Gauges " + std::to_string(r.gauge) + " and " + std::to_string(r.other_gauge) +
         " in slots " + std::to_string(r.slot) + " and " + std::to_string(r.other_slot) +
         " \u00b7 historical correlation over the years both records hold, generated ones over each sequence</p>";
  if (r.shortened)
    out += "<p class=\"note\">The historical values use only the years both historic files hold: " +
           std::to_string(r.shortened->years) + " years from " + std::to_string(r.shortened->first_year) + ".</p>";
  const std::string chart = box_chart({title, "Month, and the year's totals", "Rank correlation", true}, categories);
  out += "<figure class=\"pair\">" + chart + summary_table(title, "Period", rows, true) + "</figure></section>\n";
  return out;
}

}  // namespace flowplex::html
