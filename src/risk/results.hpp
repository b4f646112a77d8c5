#pragma once
// What the ensemble says about risk, as data: for each slot analysed, the figures of
// every realization and their spread beside the historical record's; and, over the
// slots, the correlation of their annual flows. Every writer takes its numbers from here.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats_test/results.hpp"

namespace flowplex {

// The reliabilities of the storage-yield-reliability table, in %.
inline constexpr std::array<int, 6> kReliabilities{50, 80, 90, 95, 98, 99};
// The exceedance probabilities of the flow-duration curve, in %.
inline constexpr std::array<int, 15> kExceedances{1, 2, 5, 10, 20, 30, 40, 50, 60, 70, 80, 90, 95, 98, 99};
// The lags of the persistence figures: months of the monthly departures, years of the annual flows.
inline constexpr int kMonthlyLags = 24;
inline constexpr int kAnnualLags = 5;

// The 5 %, 50 % and 95 % values of a figure across the realizations; absent where no
// realization gives the figure.
struct Band {
  std::optional<float> p5, p50, p95;

  bool operator==(const Band&) const = default;
};

// The drought figures of one monthly series by run theory.
struct DroughtFigures {
  float events_per_century = 0.0F;
  float mean_duration = 0.0F;  // months; 0 without a drought
  int longest = 0;             // months
  float largest_deficit = 0.0F;  // flow units

  bool operator==(const DroughtFigures&) const = default;
};

// One line of the storage-yield-reliability table: at a yield (% MAR), the storage
// (% MAR) of the historical record and the storage that suffices at each reliability,
// with the order-statistic interval of at least 90 % about each (risk/order_interval.hpp);
// a side without a limit is absent.
struct ReliabilityRow {
  float yield = 0.0F;
  float historical = 0.0F;
  std::array<std::optional<float>, kReliabilities.size()> storage{};
  std::array<std::optional<float>, kReliabilities.size()> lower{};
  std::array<std::optional<float>, kReliabilities.size()> upper{};

  bool operator==(const ReliabilityRow&) const = default;
};

// The validation figures of an annual or monthly series beyond the bands of the droughts,
// flow duration and persistence, in the order of kFigureNames: the Hurst exponent, the
// low-frequency share, the L-moment ratios and the SSI-12 drought figures. Absent where
// the series cannot give one.
inline constexpr std::array<std::string_view, 8> kFigureNames{
    "hurst",      "low_frequency_share",    "l_cv",              "l_skewness",
    "l_kurtosis", "ssi_events_per_century", "ssi_mean_duration", "ssi_mean_severity"};
using FigureSet = std::array<std::optional<float>, kFigureNames.size()>;
inline constexpr std::size_t kHurst = 0;
inline constexpr std::size_t kFirstSsiFigure = 5;

// The monthly two-sample tests of the realizations against the record (risk/monthly_tests.hpp).
inline constexpr std::array<std::string_view, 2> kMonthlyTests{"mann_whitney", "brown_forsythe"};
inline constexpr std::size_t kMonthlyTestCount = kMonthlyTests.size();
// One realization's outcome: test by test, month by month (October first), whether p < 0.05.
using MonthlyRejections = std::array<std::array<bool, kMonths>, kMonthlyTestCount>;
// The share of the realizations that rejected, test by test, month by month.
using RejectedShares = std::array<std::array<float, kMonths>, kMonthlyTestCount>;

// One line of the tables that set a historical figure beside its band across the
// realizations (droughts, flow duration, persistence).
struct BandRow {
  std::string_view series;  // drought figure, "flow_duration", "monthly", "annual" or a validation figure
  int key = 0;              // exceedance %, lag; 0 for the drought figures
  std::optional<float> historical;
  std::optional<float> bound;  // the persistence figures' approximate 95 % bound, +/- this
  Band band;

  bool operator==(const BandRow&) const = default;
};

// The kinds the validation summary groups its figures by.
enum class FigureKind { moments, persistence, distribution, droughts, flow_duration };
inline constexpr std::array<std::string_view, 5> kFigureKinds{"moments", "persistence", "distribution", "droughts",
                                                              "flow_duration"};

// A figure the validation summary counts: its statistic as its table names it, and the
// row's key (month, lag, exceedance %, run length or release level; 0 for none).
struct FigureLabel {
  FigureKind kind = FigureKind::moments;
  std::string_view statistic;
  int key = 0;

  bool operator==(const FigureLabel&) const = default;
};

struct KindCount {
  int inside = 0;
  int total = 0;

  bool operator==(const KindCount&) const = default;
};

// How many historical figures lie inside the generated 5-95 % band, of how many; the
// same by kind, and the figures outside, in the order counted.
struct Validation {
  int inside = 0;
  int total = 0;
  std::array<KindCount, kFigureKinds.size()> kinds{};
  std::vector<FigureLabel> outside;

  bool operator==(const Validation&) const = default;
};

// The risk analyses of one slot over every realization of the run.
struct SlotRisk {
  int slot = 0;
  int gauge = 0;
  std::string name;
  int NYH = 0;
  int NYS = 0;
  float MAR = 0.0F;
  std::array<float, kMonths> drought_threshold{};  // the historical Q80 of each month, October first
  std::vector<ReliabilityRow> reliability;         // the 20 yield levels
  std::vector<StorageCurve> storage;               // required storage of each realization
  std::vector<DroughtFigures> droughts;            // drought figures of each realization
  std::vector<BandRow> drought_rows;
  std::vector<BandRow> flow_duration;
  std::vector<BandRow> persistence;                // the monthly lags, then the annual ones
  std::vector<FigureSet> figures;                  // the validation figures of each realization
  FigureSet historical_figures{};
  std::vector<BandRow> figure_rows;                // one per figure, in the order of kFigureNames
  // The Anis-Lloyd expected Hurst exponent at the record's length and at the realizations'.
  std::optional<float> hurst_expected_historical;
  std::optional<float> hurst_expected;
  RejectedShares rejected{};                       // the monthly tests
  Validation validation;

  bool operator==(const SlotRisk&) const = default;
};

// The Pearson correlation of the annual flows of two slots: the historical one over the
// years both records hold, the generated one averaged over the realizations.
struct CrossGaugePair {
  int slot = 0, gauge = 0;
  std::string name;
  int other_slot = 0, other_gauge = 0;
  std::string other_name;
  std::optional<float> historical;
  std::optional<float> generated_mean;

  bool operator==(const CrossGaugePair&) const = default;
};

// Every pair of the slots analysed, each once, in the order the slots were analysed.
struct CrossGaugeResult {
  std::vector<CrossGaugePair> pairs;

  bool operator==(const CrossGaugeResult&) const = default;
};

}  // namespace flowplex
