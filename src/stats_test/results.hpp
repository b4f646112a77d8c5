#pragma once
// The numbers of the test reports as data: each analysis fills one of these tables once,
// and every writer (the line-printer layouts, the CSV tables, the HTML page) takes its
// numbers from it. A value keeps the exact float the report rounds.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
  float historical = 0.0F;     // the integer counts of the deficit lines, as reals
  SevenValues summary{};
};

// The average, standard deviation and skewness over the 41 sequences of one annual statistic.
struct SimulationMoments {
  std::string_view statistic;  // annual_mean, annual_sd, annual_cv
  float average = 0.0F;
  float std_dev = 0.0F;
  float skewness = 0.0F;
};

// A storage-yield curve: the required storage (% MAR) at each yield level (5 % to 100 % MAR).
// A level that is not computed holds -10 (the mean and median of the five smallest yields,
// and of levels no sequence needs storage for).
using StorageCurve = std::array<float, kYieldLevels>;

// The statistical-properties test of one slot, in the order of its report.
struct StatisticsResult {
  int slot = 0;
  int gauge = 0;
  std::string name;  // the 40-character gauge name, trimmed
  int NYH = 0;       // historical years
  int NYS = 0;       // years per generated sequence
  float MAR = 0.0F;  // the mean annual flow the storages are measured in
  std::vector<SummaryRow> rows;                     // every seven-value line, report order
  std::array<SimulationMoments, 3> simulation{};    // annual mean, sd and cv over the sequences
  StorageCurve yield{};                             // % MAR, the same for every curve
  std::array<StorageCurve, kSequences> storage{};   // one curve per sequence
  StorageCurve mean_storage{};
  StorageCurve median_storage{};
  std::vector<float> historical_storage;            // levels 1 to the plot count
};

// Marks a storage level that is not computed.
inline constexpr float kStorageNotComputed = -10.0F;

// One line of the monthly correlation page: a month (1 = October) or the annual totals (0).
// A part is absent where too few pairs were available to rank ("TOO SHORT").
struct CorrelationLine {
  int period = 0;
  std::optional<float> historical;
  std::optional<float> mean;
  std::optional<SevenValues> summary;
};

// The monthly correlation test of slot `slot` against slot `other_slot`.
struct CorrelationResult {
  int slot = 0;
  int gauge = 0;
  std::string name;
  int other_slot = 0;
  int other_gauge = 0;
  std::string other_name;
  std::array<CorrelationLine, kMonths + 1> lines{};  // the twelve months, then the year
};

}  // namespace flowplex
