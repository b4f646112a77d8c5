#include "stats_test/genar.hpp"

#include <algorithm>
#include <string>
#include <string_view>
#include <tuple>

#include "report/input.hpp"
#include "report/layout.hpp"
#include "stats_test/moments.hpp"
#include "stats_test/plot.hpp"

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
constexpr float kZeroStorage = 0.001F;

const PlotAxes kMassCurveAxes{"CAPACITY %MAR", "YIELD %MAR   ", 2, 2, 100.0F, 0.0F, 400.0F, 0.0F};

using Column41 = std::array<float, kSequences>;

float ratio_or_zero(float numerator, float denominator) {
  return denominator != 0.0F ? numerator / denominator : 0.0F;
}

// The generated statistics of the 41 sequences.
struct Simulated {
  Arr<float, kSequences, kMonths> month_mean, month_sd;  // (sequence, month)
  Column41 annual_mean{}, annual_sd{}, annual_cv{};
  RunSums run_sums;
  DeficitTables deficits;
  StorageCurve last_yield{};
};

// The 41 values of a (sequence, other) table's column as one sample.
template <typename T, int D2>
Column41 column_of(const Arr<T, kSequences, D2>& table, int index) {
  Column41 c{};
  for (int i = 1; i <= kSequences; ++i) c[static_cast<std::size_t>(i - 1)] = static_cast<float>(table(i, index));
  return c;
}

// The 41 values of a (level, sequence) deficit table at one level.
template <typename T>
Column41 level_of(const Arr<T, kReleaseLevels, kSequences>& table, int k) {
  Column41 c{};
  for (int i = 1; i <= kSequences; ++i) c[static_cast<std::size_t>(i - 1)] = static_cast<float>(table(k, i));
  return c;
}

// Annual totals of NY years read month by month.
template <typename MonthOf>
void annual_totals(int NY, MonthOf month_of, std::array<float, kMaxYears>& totals) {
  for (int y = 1; y <= NY; ++y) {
    long double sum = 0.0L;
    for (int m = 1; m <= kMonths; ++m) sum += month_of(y, m);
    totals[static_cast<std::size_t>(y - 1)] = static_cast<float>(sum);
  }
}

// One generated sequence: its moments, deficits, run sums and storage-yield curve.
void analyse_sequence(Store& s, Channels& ch, int NYS, int itr, float& MAR, int& plot_count, Simulated& sim,
                      StatisticsResult& result) {
  const int ig = s.GAUGE.IG;
  std::array<float, kMaxYears> values{};
  for (int m = 1; m <= kMonths; ++m) {
    for (int y = 1; y <= NYS; ++y) values[static_cast<std::size_t>(y - 1)] = s.FLOW.FLOW(m, y, itr, ig);
    momen1(values, NYS, sim.month_mean(itr, m), sim.month_sd(itr, m));
  }
  annual_totals(NYS, [&](int y, int m) { return s.FLOW.FLOW(m, y, itr, ig); }, values);
  const std::size_t at = static_cast<std::size_t>(itr - 1);
  momen1(values, NYS, sim.annual_mean[at], sim.annual_sd[at]);
  sim.annual_cv[at] = ratio_or_zero(sim.annual_sd[at], sim.annual_mean[at]);

  const int n = kMonths * NYS;
  const std::span<const float> series = s.FLOW.FLOW.span(n, 1, 1, itr, ig);
  defcit(series, n, sim.annual_mean[at], sim.deficits, itr);
  dismin(n, series, kRunLengthMonths, sim.run_sums, itr);
  StorageCurve storage{};
  brutog(NYS, series, MAR, sim.last_yield, storage, plot_count, itr, s.BLANK.MASSCURVE);
  for (int L = 1; L <= kYieldLevels; ++L) {
    s.BLANK.MASSCURVE(itr, L, 1) = sim.annual_mean[at];
    s.BLANK.MASSCURVE(itr, L, 2) = sim.annual_sd[at];
  }
  plot(s.MPDATA, ch.unit(16), plot_count, storage, sim.last_yield, kMassCurveAxes, kSymbolSimulated, kModeAdd);
  ch.unit(9).write(kStorages, storage);
  result.storage[at] = storage;
}

void write_simulation_summary(Channel& out, const Simulated& sim, StatisticsResult& result) {
  const std::array<std::tuple<std::string_view, const Column41*, const Layout*>, 3> lines{
      {{"annual_mean", &sim.annual_mean, &kSimulationSummary},
       {"annual_sd", &sim.annual_sd, &kSimulationSd},
       {"annual_cv", &sim.annual_cv, &kSimulationCv}}};
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto& [statistic, values, layout] = lines[i];
    SimulationMoments& moments = result.simulation[i];
    moments.statistic = statistic;
    momen3(*values, kSequences, moments.average, moments.std_dev, moments.skewness);
    out.write(*layout, moments.average, moments.std_dev, moments.skewness);
  }
}

void write_monthly_lines(Channels& ch, const HistoricalFigures& hist, const Simulated& sim, StatisticsResult& result) {
  for (int m = 1; m <= kMonths; ++m) {
    const std::size_t at = static_cast<std::size_t>(m - 1);
    const auto means = seven_value_summary(column_of(sim.month_mean, m));
    ch.unit(16).write(kMonthlyMeanLine, m, hist.QMEANH[at], means);
    ch.unit(8).write(kSideSummary, hist.QMEANH[at], means);
    result.rows.push_back({"monthly_mean", m, hist.QMEANH[at], means});
    const auto sds = seven_value_summary(column_of(sim.month_sd, m));
    ch.unit(16).write(kMonthlySdLine, m, hist.QSDH[at], sds);
    ch.unit(8).write(kSideSummary, hist.QSDH[at], sds);
    result.rows.push_back({"monthly_sd", m, hist.QSDH[at], sds});
  }
}

void write_run_sums(Channels& ch, int NYS, const HistoricalFigures& hist, const Simulated& sim,
                    StatisticsResult& result) {
  std::array<std::array<float, 7>, kRunLengths> summaries{};
  for (int i = 1; i <= kRunLengths; ++i)
    summaries[static_cast<std::size_t>(i - 1)] = seven_value_summary(column_of(sim.run_sums, i));
  ch.unit(16).write(kRunSumHeading, NYS);
  ch.unit(8).free("N-MONTH RUN SUMS ");
  for (int i = 1; i <= kRunLengths; ++i) {
    const std::size_t at = static_cast<std::size_t>(i - 1);
    ch.unit(8).write(kSideSummary, hist.HRUN[at], summaries[at]);
    ch.unit(16).write(kRunSumLine, kRunLengthMonths[at], hist.HRUN[at], summaries[at]);
    result.rows.push_back({"run_sum", kRunLengthMonths[at], hist.HRUN[at], summaries[at]});
  }
}

void write_deficits(Channels& ch, const Name& gauge, const HistoricalFigures& hist, const Simulated& sim,
                    StatisticsResult& result) {
  ch.unit(16).write(kGaugeHeading, gauge);
  ch.unit(8).free("DISTRIBUTION OF DEFICITS FOR RELEASE");
  for (int k = kReleaseLevels; k >= 1; --k) {
    const float percent = static_cast<float>(10 * (k + 3));
    ch.unit(16).write(k == kReleaseLevels ? kDeficitHeadingFirst : kDeficitHeadingNext, percent);
    // One statistic of the level: its historical value and the summary of the 41 sequences,
    // on the side file and in the report.
    const auto statistic = [&](std::string_view name, const auto& historical, const auto& simulated,
                               const Layout& side, const Layout& main) {
      const auto summary = seven_value_summary(level_of(simulated, k));
      ch.unit(8).write(side, historical(k, 1), summary);
      ch.unit(16).write(main, historical(k, 1), summary);
      result.rows.push_back({name, static_cast<int>(percent), static_cast<float>(historical(k, 1)), summary});
    };
    statistic("release", hist.deficits.release, sim.deficits.release, kSideSummary, kReleaseLine);
    statistic("max_deficit", hist.deficits.max_deficit, sim.deficits.max_deficit, kSideSummary, kMaxDeficitLine);
    statistic("deficit_duration", hist.deficits.duration, sim.deficits.duration, kSideCountSummary, kDurationLine);
    statistic("longest_depletion", hist.deficits.longest, sim.deficits.longest, kSideCountSummary, kLongestLine);
  }
}

}  // namespace

void storage_over_sequences(const MassCurve& mass, StorageCurve& mean, StorageCurve& median) {
  mean.fill(kStorageNotComputed);
  median.fill(kStorageNotComputed);
  for (int L = 6; L <= kYieldLevels; ++L) {
    Column41 storages{};
    // A single-precision running total in sequence order, as the test statistics are
    // single precision: only sums over the twelve months are formed wider.
    float total = 0.0F;
    int needing = 0;
    for (int i = 1; i <= kSequences; ++i) {
      storages[static_cast<std::size_t>(i - 1)] = mass(i, L, 4);
      total += mass(i, L, 4);
      if (mass(i, L, 4) > kZeroStorage) ++needing;
    }
    if (needing == 0) continue;
    ssort(kSequences, storages);
    const std::size_t at = static_cast<std::size_t>(L - 1);
    median[at] = storages[20];
    mean[at] = total / static_cast<float>(needing);
  }
}

namespace {

void plot_mean_and_median(Store& s, Channels& ch, const Simulated& sim, StatisticsResult& result) {
  StorageCurve& mean = result.mean_storage;
  StorageCurve& median = result.median_storage;
  storage_over_sequences(s.BLANK.MASSCURVE, mean, median);
  ch.unit(9).free(" MEDIAN VALUES ");
  ch.unit(9).write(kStorages, median);
  plot(s.MPDATA, ch.unit(16), kYieldLevels, median, sim.last_yield, kMassCurveAxes, kSymbolMedian, kModeAdd);
  ch.unit(9).free(" MEAN VALUES ");
  ch.unit(9).write(kStorages, mean);
  plot(s.MPDATA, ch.unit(16), kYieldLevels, mean, sim.last_yield, kMassCurveAxes, kSymbolMean, kModeAdd);
}

// The historical storage-yield curve, added to the picture, which is then printed.
void plot_historical(Store& s, Channels& ch, int NYH, float& MAR, int& plot_count, StatisticsResult& result) {
  std::array<float, kMonths * kMaxYears> series{};
  for (int y = 1; y <= NYH; ++y)
    for (int m = 1; m <= kMonths; ++m) series[static_cast<std::size_t>(kMonths * (y - 1) + m - 1)] = s.BLANK.HISTQ(y, m);
  StorageCurve yield{};
  StorageCurve storage{};
  brutog(NYH, series, MAR, yield, storage, plot_count, kMassCurveColumns, s.BLANK.MASSCURVE);
  ch.unit(16).write(kMassCurveHeading, NYH, s.BLANK.GAUGENAME);
  ch.unit(9).free(" HISTORIC VALUES ");
  ch.unit(9).free(plot_count);
  const int shown = std::max(plot_count, 0);
  ch.unit(9).write(kStorages, std::span<const float>(storage).first(static_cast<std::size_t>(shown)));
  result.historical_storage.assign(storage.begin(), storage.begin() + shown);
  plot(s.MPDATA, ch.unit(16), shown, storage, yield, kMassCurveAxes, kSymbolHistorical, kModeAddAndPrint);
}

}  // namespace

StatisticsResult genar(Store& s, Channels& ch, int NYH, int NYS, const HistoricalFigures& hist) {
  s.BLANK.MASSCURVE.fill(0.0F);
  const Name& gauge = s.BLANK.GAUGENAME;
  const int g = s.GAUGE.IGPAR;
  StatisticsResult result;
  result.slot = s.GAUGE.IG;
  result.gauge = g;
  result.name = trimmed_name(gauge.view());
  result.NYH = NYH;
  result.NYS = NYS;

  std::array<float, kMaxYears> annual{};
  annual_totals(NYH, [&](int y, int m) { return s.BLANK.HISTQ(y, m); }, annual);
  std::array<float, 1> lag_one{};
  aut01(NYH, annual, 1, lag_one);
  float MAR = 0.0F, hist_sd = 0.0F, hist_skew = 0.0F;
  momen3(annual, NYH, MAR, hist_sd, hist_skew);
  const float hist_cv = ratio_or_zero(hist_sd, MAR);

  ch.unit(16).write(kGaugeHeading, gauge);
  ch.unit(8).write(kGaugeName, gauge);
  ch.unit(16).write(kParameterBlock, s.GSUB.HSTAT1(g), s.GSUB.HSTAT2(g), s.GSUB.PHI(1, g), s.GSUB.PHI(2, g),
                    s.GSUB.THETA(1, g), s.GSUB.THETA(2, g), s.GSUB.HSTAT3(g), s.GSUB.HSTAT4(g), s.GSUB.IZERO(g));
  ch.unit(16).write(kHistoricalBlock, MAR, hist_sd, hist_cv, hist_skew, lag_one[0], NYH);

  int plot_count = 0;
  plot(s.MPDATA, ch.unit(16), 0, {}, {}, kMassCurveAxes, kSymbolSimulated, kModeClear);
  ch.unit(9).write(kGaugeName, gauge);
  ch.unit(9).free("YIELD - CAPACITY TEST");

  Simulated sim;
  for (int itr = 1; itr <= kSequences; ++itr) analyse_sequence(s, ch, NYS, itr, MAR, plot_count, sim, result);
  result.MAR = MAR;
  result.yield = sim.last_yield;

  write_simulation_summary(ch.unit(16), sim, result);
  ch.unit(16).write(kFiveFigureTitle);
  ch.unit(16).write(kAnnualHeading);
  ch.unit(8).free("MEAN AND STANDARD DEVIATION OF ANNUAL & MONTHLY FLOWS");
  const auto means = seven_value_summary(sim.annual_mean);
  ch.unit(16).write(kAnnualMeanLine, MAR, means);
  ch.unit(8).write(kSideSummary, MAR, means);
  result.rows.push_back({"annual_mean", 0, MAR, means});
  const auto sds = seven_value_summary(sim.annual_sd);
  ch.unit(16).write(kAnnualSdLine, hist_sd, sds);
  ch.unit(8).write(kSideSummary, hist_sd, sds);
  result.rows.push_back({"annual_sd", 0, hist_sd, sds});

  ch.unit(16).write(kGaugeHeading);  // a new page
  ch.unit(16).write(kMonthlyHeading);
  write_monthly_lines(ch, hist, sim, result);
  write_run_sums(ch, NYS, hist, sim, result);
  write_deficits(ch, gauge, hist, sim, result);
  plot_mean_and_median(s, ch, sim, result);
  plot_historical(s, ch, NYH, MAR, plot_count, result);
  return result;
}

}  // namespace flowplex
