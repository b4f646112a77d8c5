#include "html/sections.hpp"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "html/box_chart.hpp"
#include "html/markup.hpp"
#include "html/storage_yield_chart.hpp"
#include "html/tables.hpp"

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
// statistic, or the annual mean and standard deviation together, which share a unit),
// and how the report prints their numbers: the decimals of the historical value (0 for
// the whole numbers of the deficit runs) and of the seven values.
struct StatisticChart {
  std::array<std::string_view, 2> statistics;
  std::string_view what;
  std::string_view key;
  std::string_view x_title;
  std::string_view y_title;
  int historical_decimals;
  int summary_decimals;
};

// clang-format off
const std::array<StatisticChart, 8> kStatisticCharts{{
    {{"annual_mean", "annual_sd"}, "annual mean and standard deviation", "Statistic", "Annual statistic",
     "Annual flow (flow units)", 1, 1},
    {{"monthly_mean", ""}, "monthly means", "Month", "Month", "Mean monthly flow (flow units)", 1, 1},
    {{"monthly_sd", ""}, "monthly standard deviations", "Month", "Month",
     "Std dev. of monthly flow (flow units)", 1, 1},
    {{"run_sum", ""}, "minimum run sums", "Run length", "Run length (months)", "Minimum run sum (flow units)", 1, 0},
    {{"release", ""}, "release per month", "Release", "Release level (% MAR)", "Release per month (flow units)", 1, 1},
    {{"max_deficit", ""}, "maximum deficit", "Release", "Release level (% MAR)", "Maximum deficit (flow units)", 1, 1},
    {{"deficit_duration", ""}, "duration of the maximum deficit", "Release", "Release level (% MAR)",
     "Duration (months)", 0, 0},
    {{"longest_depletion", ""}, "longest depletion", "Release", "Release level (% MAR)",
     "Longest depletion (months)", 0, 0},
}};
// clang-format on

constexpr int kHistoricalWidth = 11;
constexpr int kSummaryWidth = 12;
constexpr int kStorageWidth = 8;
constexpr int kStorageDecimals = 2;
constexpr int kCoefficientWidth = 12;
constexpr int kCoefficientDecimals = 5;
constexpr int kMomentWidth = 10;
constexpr int kMomentDecimals = 2;

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

std::vector<std::string> seven_printed(const SevenValues& values, int width, int decimals) {
  std::vector<std::string> out;
  for (const float v : values) out.push_back(report_number(v, width, decimals));
  return out;
}

std::string figure(const std::string& chart, const std::string& tables) {
  return "<figure>" + chart + tables + "</figure>\n";
}

// A run longer than a series has no window of its length; the report prints the run
// sums' cap there, which is no flow at all, so the page shows a dash and draws nothing.
bool run_fits(const SummaryRow& row, int years) { return row.statistic != "run_sum" || row.key <= kMonths * years; }

std::string box_figure(const StatisticsResult& r, const StatisticChart& c) {
  std::vector<BoxCategory> categories;
  std::vector<SummaryTableRow> rows;
  bool run_too_long = false;
  for (const SummaryRow& row : r.rows) {
    if (std::find(c.statistics.begin(), c.statistics.end(), row.statistic) == c.statistics.end()) continue;
    const bool historical = run_fits(row, r.NYH), generated = run_fits(row, r.NYS);
    run_too_long |= !historical || !generated;
    categories.push_back({axis_label(row), historical ? std::optional(row.historical) : std::nullopt,
                          generated ? std::optional(row.summary) : std::nullopt, std::nullopt});
    rows.push_back(
        {table_label(row),
         historical ? report_number(row.historical, kHistoricalWidth, c.historical_decimals) : std::string(kNoValue),
         "",
         generated ? seven_printed(row.summary, kSummaryWidth, c.summary_decimals)
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

std::string storage_printed(float storage) {
  return storage == kStorageNotComputed ? std::string(kNoValue)
                                        : report_number(storage, kStorageWidth, kStorageDecimals);
}

std::string yield_printed(float yield) { return report_number(yield, kStorageWidth, 0); }

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
    rows.push_back({std::string(kNames[i]), report_number(m.average, kMomentWidth, kMomentDecimals),
                    report_number(m.std_dev, kMomentWidth, kMomentDecimals),
                    report_number(m.skewness, kMomentWidth, kMomentDecimals)});
  }
  return plain_table("Annual statistics over the 41 sequences", {"Statistic", "Average", "Std dev.", "Skewness"}, rows);
}

std::string optional_printed(std::optional<float> value) {
  return value ? report_number(*value, kCoefficientWidth, kCoefficientDecimals) : std::string("too short");
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
         std::to_string(r.NYH) + " historical years, mean annual runoff (MAR) " + report_number(r.MAR, 7, 2) +
         " \u00b7 41 sequences of " + std::to_string(r.NYS) + " years</p>";
  out += simulation_table(r) + "<div class=\"charts\">";
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
    if (line.summary) seven = seven_printed(*line.summary, kCoefficientWidth, kCoefficientDecimals);
    rows.push_back({period_label(line.period, false), optional_printed(line.historical), optional_printed(line.mean),
                    std::move(seven)});
  }
  const std::string title = stem(r.name) + " with " + stem(r.other_name) + ": Spearman rank correlation";
  std::string out =
      "<section class=\"co\" id=\"s" + std::to_string(id) + "\"><h2>" + escaped(correlation_heading(r)) + "</h2>";
  out += "<p class=\"facts\">Gauges " + std::to_string(r.gauge) + " and " + std::to_string(r.other_gauge) +
         " in slots " + std::to_string(r.slot) + " and " + std::to_string(r.other_slot) +
         " \u00b7 historical correlation over the years both records hold, generated ones over each sequence</p>";
  const std::string chart = box_chart({title, "Month, and the year's totals", "Rank correlation", true}, categories);
  out += "<figure class=\"pair\">" + chart + summary_table(title, "Period", rows, true) + "</figure></section>\n";
  return out;
}

}  // namespace flowplex::html
