#pragma once
// The numbers of the test reports as data: each analysis fills one of these tables once,
// and every writer (the line-printer layouts, the CSV tables, the HTML page) takes its
// numbers from it. A value keeps the exact float (or double) the report rounds.
//
// A number the analysis does not form is an empty std::optional, and only that: each
// writer shows it its own way (the report its marker, the CSV an empty cell, the page a
// dash).
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats_test/storage_yield.hpp"
#include "store/store.hpp"

namespace flowplex {

// The seven points of a summary of 41 values: maximum, 95 %, 75 %, 50 %, 25 %, 5 %, minimum.
using SevenValues = std::array<float, 7>;

// One seven-value line of a statistical-properties report.
struct SummaryRow {
  std::string_view statistic;  // annual_mean, annual_sd, monthly_mean, monthly_sd, run_sum,
                               // release, max_deficit, deficit_duration, longest_depletion
  int key = 0;                 // month (1 = October), run length in months, release level in %;
                               // 0 for the annual lines
  // The integer counts of the deficit lines, as reals. A run longer than the record (or
  // than the sequences) has no window of its length: its run sum is not computed.
  std::optional<float> historical;
  std::optional<SevenValues> summary;

  bool operator==(const SummaryRow&) const = default;
};

// The average, standard deviation and skewness over the 41 sequences of one annual statistic.
struct SimulationMoments {
  std::string_view statistic;  // annual_mean, annual_sd, annual_cv
  float average = 0.0F;
  float std_dev = 0.0F;
  float skewness = 0.0F;

  bool operator==(const SimulationMoments&) const = default;
};

// The gauge's statistics as the parameter file gives them: of its annual flows, and of
// the ARMA(2,2) model of its normalised flows.
struct ParameterValues {
  double mean = 0.0;
  double sd = 0.0;
  std::array<double, 2> phi{};
  std::array<double, 2> theta{};
  double aicc = 0.0;
  double anc = 0.0;
  int zero_flows = 0;

  bool operator==(const ParameterValues&) const = default;
};

// The moments of the historical annual flows.
struct HistoricalMoments {
  float mean = 0.0F;  // the mean annual flow as the record gives it
  float sd = 0.0F;
  float cv = 0.0F;
  float skewness = 0.0F;
  float lag1 = 0.0F;  // lag-one autocorrelation
  int years = 0;

  bool operator==(const HistoricalMoments&) const = default;
};

// A storage-yield curve of which some levels may not be computed: the mean and median
// over the sequences leave out the five smallest yields, and levels no sequence needs
// storage for.
using PartialStorageCurve = std::array<std::optional<float>, kYieldLevels>;

// The statistical-properties test of one slot, in the order of its report.
struct StatisticsResult {
  int slot = 0;
  int gauge = 0;
  std::string name;  // the 40-character gauge name, trimmed
  int NYH = 0;       // historical years
  int NYS = 0;       // years per generated sequence
  ParameterValues parameters;
  HistoricalMoments historical;
  float MAR = 0.0F;  // the mean annual flow the storages are measured in
  std::array<SimulationMoments, 3> simulation{};    // annual mean, sd and cv over the sequences
  std::vector<SummaryRow> rows;                     // every seven-value line, report order
  StorageCurve yield{};                             // % MAR, the same for every curve
  std::array<StorageCurve, kSequences> storage{};   // one curve per sequence
  // The points of each sequence's curve that the mass-curve plot draws: the last level
  // whose storage is at most 401 % MAR, or, where none is, the count before it.
  std::array<int, kSequences> plotted{};
  PartialStorageCurve mean_storage{};
  PartialStorageCurve median_storage{};
  std::vector<float> historical_storage;            // levels 1 to the plot count

  bool operator==(const StatisticsResult&) const = default;
};

// The years of the correlation page's historical coefficients where the historic files
// hold fewer common years than the records.
struct ShortenedPeriod {
  int years = 0;
  int first_year = 0;

  bool operator==(const ShortenedPeriod&) const = default;
};

// One line of the monthly correlation page: a month (1 = October) or the annual totals (0).
// A part is absent where too few pairs were available to rank ("TOO SHORT").
struct CorrelationLine {
  int period = 0;
  std::optional<float> historical;
  std::optional<float> mean;
  std::optional<SevenValues> summary;

  bool operator==(const CorrelationLine&) const = default;
};

// The monthly correlation test of slot `slot` against slot `other_slot`.
struct CorrelationResult {
  int slot = 0;
  int gauge = 0;
  std::string name;
  int other_slot = 0;
  int other_gauge = 0;
  std::string other_name;
  std::optional<ShortenedPeriod> shortened;
  std::array<CorrelationLine, kMonths + 1> lines{};  // the twelve months, then the year

  bool operator==(const CorrelationResult&) const = default;
};

}  // namespace flowplex
