#include "stats_test/statistics_report.hpp"

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>

#include "stats_test/plot.hpp"
#include "stats_test/storage_yield.hpp"

namespace flowplex {

namespace {

const Layout kGaugeHeading{R"L("1" 10X A / 10X 110("-") /)L"};
const Layout kGaugeName{R"L(5X A)L"};
const Layout kParameterBlock{
    R"L(/ 5X "VALUES OBTAINED FROM PARAMETER FILE" / 5X "-----------------------------------" / 5X "        MEAN  = " F12.2 / 5X "STANDARD DEV  = " F12.2 / / 5X "ARMA(2,2) STATS FOR THE NORMALISED FLOWS ARE:" / 5X "PHI AND THETA  = " 4F12.4 / 5X "AICc AND ANC   = " 2F12.4 / 5X "# Zero Flows   = " I6 / / /)L"};
const Layout kHistoricalBlock{
    R"L(5X "HISTORICAL DATA:" / 5X 15("-") / 18X "AV AN R =" F7.2 / 18X "STDDEV  =" F7.2 5X "CV =" F7.2 / 18X "SKEWN   =" F7.2 / 18X "AUT K1  =" F7.2 / 18X "LENGTH OF HISTORICAL RECORD =" I3 /)L"};
const Layout kStorages{R"L(5X 10(F8.2))L"};
const Layout kSimulationSummary{
    R"L(/ / 5X "SUMMARY OF STATISTICS FOR SIMULATION" 15X "AVG" 4X "STD DEV" 3X "SKEWN" / 5X 36("-") / 20X "AVERAGE OF ANNUAL STREAMFLOW" 3F10.2)L"};
const Layout kSimulationSd{R"L(20X "   STD. DEV. OF ANNUAL FLOWS" 3F10.2)L"};
const Layout kSimulationCv{R"L(20X "          CV OF ANNUAL FLOWS" 3F10.2)L"};
const Layout kFiveFigureTitle{
    R"L(/ / / / / 15X "FIVE FIGURE SUMMARY (BOX PLOT) OF THE SIMULATE" "D SAMPLE DISTRIBUTION OF STATISTICS OF INTEREST." / 15X 94("-"))L"};
const Layout kAnnualHeading{
    R"L(/ / 20X "SAMPLE HISTORICAL VALUES AND SIMULATED" " DISTRIBUTION OF ANNUAL  MEAN  (A) AND STANDARD DEVIATION  (B)" / / 25X "      HISTORICAL         MAXIMUM         95%" "        75%         50%         25%        5%        MINIMUM" / 34X "VALUE " 10X "SIMULATED" 63X "SIMULATED" /)L"};
const Layout kSideSummary{R"L(5X F11.1 1X 7(F12.1 1X))L"};
const Layout kSideCountSummary{R"L(5X I11 1X 7(F12.1 1X))L"};
const Layout kAnnualMeanLine{R"L(20X "(A)" 5X F11.1 5X 7F12.1)L"};
const Layout kAnnualSdLine{R"L(20X "(B)" 5X F11.1 5X 7F12.1)L"};
const Layout kMonthlyHeading{
    R"L(20X "SAMPLE HISTORICAL VALUES AND SIMULATED" " DISTRIBUTION OF MONTHLY MEANS (A) AND STANDARD DEVIATIONS (B)" / / 25X "MONTH  HISTORICAL        MAXIMUM         95%" "        75%         50%         25%        5%        MINIMUM" / 34X "VALUE" 10X "SIMULATED" 63X "SIMULATED" /)L"};
const Layout kMonthlyMeanLine{R"L(20X "(A)" I5 F11.1 5X 7F12.1)L"};
const Layout kMonthlySdLine{R"L(20X "(B)" I5 F11.1 5X 7F12.1 /)L"};
const Layout kRunSumHeading{
    R"L(20X "SAMPLE HISTORICAL VALUES AND SIMULATED" " DISTRIBUTION OF MINIMUM N MONTH RUN SUMS IN" I4 " YEARS      " / / 25X "       HISTORICAL        MAXIMUM         95%" "        75%         50%         25%        5%         MINIMUM" / 34X "VALUE " 10X "SIMULATED" 63X "SIMULATED" /)L"};
const Layout kRunSumLine{R"L(19X I3 " MONTH" F11.1 5X 7F12.0)L"};
// The deficit heading: one empty line before the first release level, two before the others.
const std::string kDeficitHeadingBody{
    R"L(20X "SAMPLE HISTORICAL VALUES AND SIMULATED" " DISTRIBUTION OF DEFICITS AND THEIR RUNS FOR RELEASE=" F4.0 "%    MAR." / / 25X "      HISTORICAL         MAXIMUM         95%" "        75%         50%         25%        5%        MINIMUM" / 34X "VALUE " 10X "SIMULATED" 63X "SIMULATED" /)L"};
const Layout kDeficitHeadingFirst{"/ " + kDeficitHeadingBody};
const Layout kDeficitHeadingNext{"/ / " + kDeficitHeadingBody};
const Layout kReleaseLine{R"L(8X "RELEASE PER MONTH.  " F11.1 5X 7F12.1)L"};
const Layout kMaxDeficitLine{R"L(8X "MAXIMUM DEFICIT.    " F11.1 5X 7F12.1)L"};
const Layout kDurationLine{R"L(8X "DURATION OF MAX DEF." I11 5X 7F12.0)L"};
const Layout kLongestLine{R"L(8X "LONGEST DEPLETION.  " I11 5X 7F12.0)L"};
const Layout kMassCurveHeading{
    R"L("1" 20X "SUMMARY OF MASS-CURVE ANALYSIS FOR HISTORICAL AND" " SIMULATED FLOWS FOR " I3 " YEARS" / 10X A "( .-SIMULATED  *-MEAN SIMULATED  #-MEDIAN SIM" "  +-HISTORICAL )" / 10X 110("-") /)L"};

constexpr int kSymbolSimulated = 1;
constexpr int kSymbolHistorical = 2;
constexpr int kSymbolMean = 3;
constexpr int kSymbolMedian = 5;
constexpr int kModeClear = 1;
constexpr int kModeAdd = 3;
constexpr int kModeAddAndPrint = 4;

// What the report prints for a storage it does not compute; negative, so the plot
// leaves it out.
constexpr float kStorageNotComputed = -10.0F;

const PlotAxes kMassCurveAxes{"CAPACITY %MAR", "YIELD %MAR   ", 2, 2, 100.0F, 0.0F, 400.0F, 0.0F};

// The sections of the report in which the seven-value lines stand, each with its heading.
enum class Section { Annual, Monthly, RunSums, Deficits };

// How one statistic's line is printed: its section of the report, its line in the report
// (with the key in front where keyed) and on the side file, and whether its historical
// value is a count.
struct RowLayout {
  std::string_view statistic;
  Section section;
  const Layout* main;
  bool keyed;
  bool count;
};

const std::array<RowLayout, 9> kRowLayouts{{
    {"annual_mean", Section::Annual, &kAnnualMeanLine, false, false},
    {"annual_sd", Section::Annual, &kAnnualSdLine, false, false},
    {"monthly_mean", Section::Monthly, &kMonthlyMeanLine, true, false},
    {"monthly_sd", Section::Monthly, &kMonthlySdLine, true, false},
    {"run_sum", Section::RunSums, &kRunSumLine, true, false},
    {"release", Section::Deficits, &kReleaseLine, false, false},
    {"max_deficit", Section::Deficits, &kMaxDeficitLine, false, false},
    {"deficit_duration", Section::Deficits, &kDurationLine, false, true},
    {"longest_depletion", Section::Deficits, &kLongestLine, false, true},
}};

const RowLayout& row_layout(std::string_view statistic) {
  const auto* found = std::find_if(kRowLayouts.begin(), kRowLayouts.end(),
                                   [&](const RowLayout& l) { return l.statistic == statistic; });
  if (found == kRowLayouts.end()) throw std::logic_error("no report line for " + std::string(statistic));
  return *found;
}

// A run sum that is not computed prints as the run sums' cap.
SevenValues printed_summary(const SummaryRow& row) {
  SevenValues capped{};
  capped.fill(kRunSumCap);
  return row.summary.value_or(capped);
}

void add_historical(Values& v, const SummaryRow& row, bool count) {
  const float value = row.historical.value_or(kRunSumCap);
  if (count)
    v.add(static_cast<int>(value));
  else
    v.add(value);
}

void write_row(Channels& ch, const SummaryRow& row) {
  const RowLayout& l = row_layout(row.statistic);
  const SevenValues summary = printed_summary(row);
  Values main;
  if (l.keyed) main.add(row.key);
  add_historical(main, row, l.count);
  ch.unit(16).write_values(*l.main, main.add(summary));
  Values side;
  add_historical(side, row, l.count);
  ch.unit(8).write_values(l.count ? kSideCountSummary : kSideSummary, side.add(summary));
}

void write_section_heading(Channels& ch, const StatisticsResult& r, Section section, const Name& gauge) {
  switch (section) {
    case Section::Annual:
      ch.unit(16).write(kFiveFigureTitle);
      ch.unit(16).write(kAnnualHeading);
      ch.unit(8).free("MEAN AND STANDARD DEVIATION OF ANNUAL & MONTHLY FLOWS");
      break;
    case Section::Monthly:
      ch.unit(16).write(kGaugeHeading);  // a new page
      ch.unit(16).write(kMonthlyHeading);
      break;
    case Section::RunSums:
      ch.unit(16).write(kRunSumHeading, r.NYS);
      ch.unit(8).free("N-MONTH RUN SUMS ");
      break;
    case Section::Deficits:
      ch.unit(16).write(kGaugeHeading, gauge);
      ch.unit(8).free("DISTRIBUTION OF DEFICITS FOR RELEASE");
      break;
  }
}

// The seven-value lines, each section under its heading and each release level of the
// deficits under its own.
void write_summary_lines(Channels& ch, const StatisticsResult& r, const Name& gauge) {
  const SummaryRow* before = nullptr;
  for (const SummaryRow& row : r.rows) {
    const Section section = row_layout(row.statistic).section;
    const bool new_section = before == nullptr || row_layout(before->statistic).section != section;
    if (new_section) write_section_heading(ch, r, section, gauge);
    if (section == Section::Deficits && (new_section || before->key != row.key))
      ch.unit(16).write(new_section ? kDeficitHeadingFirst : kDeficitHeadingNext, static_cast<float>(row.key));
    write_row(ch, row);
    before = &row;
  }
}

void write_simulation_summary(Channel& out, const StatisticsResult& r) {
  const std::array<const Layout*, 3> layouts{&kSimulationSummary, &kSimulationSd, &kSimulationCv};
  for (std::size_t i = 0; i < layouts.size(); ++i)
    out.write(*layouts[i], r.simulation[i].average, r.simulation[i].std_dev, r.simulation[i].skewness);
}

StorageCurve printed_storage(const PartialStorageCurve& curve) {
  StorageCurve out{};
  std::transform(curve.begin(), curve.end(), out.begin(),
                 [](const std::optional<float>& s) { return s.value_or(kStorageNotComputed); });
  return out;
}

void write_heading_blocks(Channels& ch, const StatisticsResult& r, const Name& gauge) {
  const ParameterValues& p = r.parameters;
  const HistoricalMoments& h = r.historical;
  ch.unit(16).write(kGaugeHeading, gauge);
  ch.unit(8).write(kGaugeName, gauge);
  ch.unit(16).write(kParameterBlock, p.mean, p.sd, p.phi, p.theta, p.aicc, p.anc, p.zero_flows);
  ch.unit(16).write(kHistoricalBlock, h.mean, h.sd, h.cv, h.skewness, h.lag1, h.years);
}

// Each sequence's curve into the picture, and its storages on the side file.
void plot_sequences(Channels& ch, PlotGrid& grid, const StatisticsResult& r, const Name& gauge) {
  plot(grid, ch.unit(16), 0, {}, {}, kMassCurveAxes, kSymbolSimulated, kModeClear);
  ch.unit(9).write(kGaugeName, gauge);
  ch.unit(9).free("YIELD - CAPACITY TEST");
  for (std::size_t i = 0; i < r.storage.size(); ++i) {
    plot(grid, ch.unit(16), r.plotted[i], r.storage[i], r.yield, kMassCurveAxes, kSymbolSimulated, kModeAdd);
    ch.unit(9).write(kStorages, r.storage[i]);
  }
}

void plot_mean_and_median(Channels& ch, PlotGrid& grid, const StatisticsResult& r) {
  const StorageCurve median = printed_storage(r.median_storage);
  const StorageCurve mean = printed_storage(r.mean_storage);
  ch.unit(9).free(" MEDIAN VALUES ");
  ch.unit(9).write(kStorages, median);
  plot(grid, ch.unit(16), kYieldLevels, median, r.yield, kMassCurveAxes, kSymbolMedian, kModeAdd);
  ch.unit(9).free(" MEAN VALUES ");
  ch.unit(9).write(kStorages, mean);
  plot(grid, ch.unit(16), kYieldLevels, mean, r.yield, kMassCurveAxes, kSymbolMean, kModeAdd);
}

// The historical storage-yield curve, added to the picture, which is then printed.
void plot_historical(Channels& ch, PlotGrid& grid, const StatisticsResult& r, const Name& gauge) {
  ch.unit(16).write(kMassCurveHeading, r.NYH, gauge);
  ch.unit(9).free(" HISTORIC VALUES ");
  const int shown = static_cast<int>(r.historical_storage.size());
  ch.unit(9).free(shown);
  ch.unit(9).write(kStorages, r.historical_storage);
  plot(grid, ch.unit(16), shown, r.historical_storage, r.yield, kMassCurveAxes, kSymbolHistorical,
       kModeAddAndPrint);
}

}  // namespace

void write_statistics_report(Channels& ch, const StatisticsResult& r) {
  const Name gauge(r.name);
  auto grid = std::make_unique<PlotGrid>();
  write_heading_blocks(ch, r, gauge);
  plot_sequences(ch, *grid, r, gauge);
  write_simulation_summary(ch.unit(16), r);
  write_summary_lines(ch, r, gauge);
  plot_mean_and_median(ch, *grid, r);
  plot_historical(ch, *grid, r, gauge);
}

SummaryFormats summary_formats(std::string_view statistic) {
  const RowLayout& l = row_layout(statistic);
  const std::size_t historical = l.keyed ? 1 : 0;
  return {l.main->field(historical), l.main->field(historical + 1)};
}

const StatisticsFormats& statistics_formats() {
  static const StatisticsFormats formats{kParameterBlock.field(0), kParameterBlock.field(2),
                                         kParameterBlock.field(8), kHistoricalBlock.field(0),
                                         kHistoricalBlock.field(5), kSimulationSd.field(0),
                                         kStorages.field(0)};
  return formats;
}

void write_not_tested(LineWriter& out, int gauge) {
  out.free(" TEST 1 CANNOT BE MADE FOR GAUGE ", gauge, " : ITS HISTORIC FILE GAVE NO YEAR");
}

}  // namespace flowplex
