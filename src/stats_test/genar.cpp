#include "stats_test/genar.hpp"

#include <algorithm>

#include "parallel/in_order.hpp"
#include "report/input.hpp"
#include "stats_test/moments.hpp"
#include "stats_test/plot.hpp"

namespace flowplex {

namespace {

constexpr float kZeroStorage = 0.001F;
constexpr int kFirstStorageLevel = 6;  // the five smallest yields are not summarised

using Column41 = std::array<float, kSequences>;
using Figures41 = std::array<SequenceFigures, kSequences>;

float ratio_or_zero(float numerator, float denominator) {
  return denominator != 0.0F ? numerator / denominator : 0.0F;
}

std::size_t at(int one_based) { return static_cast<std::size_t>(one_based - 1); }

// The 41 values of one figure of the sequences, as one sample.
template <typename Of>
Column41 over_sequences(const Figures41& figures, Of of) {
  Column41 c{};
  for (std::size_t i = 0; i < c.size(); ++i) c[i] = static_cast<float>(of(figures[i]));
  return c;
}

// Annual totals of NY years read month by month.
template <typename MonthOf>
void annual_totals(int NY, MonthOf month_of, std::array<float, kMaxYears>& totals) {
  for (int y = 1; y <= NY; ++y) {
    long double sum = 0.0L;
    for (int m = 1; m <= kMonths; ++m) sum += month_of(y, m);
    totals[at(y)] = static_cast<float>(sum);
  }
}

HistoricalMoments historical_moments(const HistoricalFigures& hist) {
  std::array<float, kMaxYears> annual{};
  annual_totals(hist.NYH, [&](int y, int m) { return hist.series[at(kMonths * (y - 1) + m)]; }, annual);
  HistoricalMoments h;
  h.years = hist.NYH;
  std::array<float, 1> lag_one{};
  aut01(hist.NYH, annual, 1, lag_one);
  h.lag1 = lag_one[0];
  momen3(annual, hist.NYH, h.mean, h.sd, h.skewness);
  h.cv = ratio_or_zero(h.sd, h.mean);
  return h;
}

// The 41 sequences in order. Their storages are measured in the historical MAR; only
// a MAR at or below 0.001 changes from one sequence to the next (each such sequence
// replaces it by its own mean annual flow), so only then are they taken one after
// another; otherwise each stands alone, and up to `threads` are taken side by side.
Figures41 all_sequences(const StatisticsInputs& in, float MAR, int threads) {
  Figures41 figures;
  if (!mar_replaced(MAR)) {
    const auto make = [&in, MAR](int seq) { return sequence_figures(in.flows, in.slot, in.NYS, seq, MAR); };
    in_order(kSequences, threads, make, [&](int seq, const SequenceFigures& f) { figures[at(seq)] = f; });
    return figures;
  }
  for (int seq = 1; seq <= kSequences; ++seq) {
    figures[at(seq)] = sequence_figures(in.flows, in.slot, in.NYS, seq, MAR);
    MAR = figures[at(seq)].MAR;
  }
  return figures;
}

std::array<SimulationMoments, 3> simulation_moments(const Figures41& figures) {
  std::array<SimulationMoments, 3> out{{{"annual_mean"}, {"annual_sd"}, {"annual_cv"}}};
  const std::array<Column41, 3> samples{over_sequences(figures, [](const auto& f) { return f.annual_mean; }),
                                        over_sequences(figures, [](const auto& f) { return f.annual_sd; }),
                                        over_sequences(figures, [](const auto& f) { return f.annual_cv; })};
  for (std::size_t i = 0; i < out.size(); ++i)
    momen3(samples[i], kSequences, out[i].average, out[i].std_dev, out[i].skewness);
  return out;
}

// A run longer than the series has no window of its length.
std::optional<float> run_sum_if_fits(float sum, int run_length, int years) {
  return run_length <= kMonths * years ? std::optional<float>(sum) : std::nullopt;
}

void add_summary_rows(const StatisticsInputs& in, const Figures41& figures, float MAR, float hist_sd,
                      std::vector<SummaryRow>& rows) {
  const HistoricalFigures& hist = in.historical;
  const auto summary = [&](auto of) { return seven_value_summary(over_sequences(figures, of)); };
  rows.push_back({"annual_mean", 0, MAR, summary([](const auto& f) { return f.annual_mean; })});
  rows.push_back({"annual_sd", 0, hist_sd, summary([](const auto& f) { return f.annual_sd; })});
  for (int m = 1; m <= kMonths; ++m) {
    rows.push_back({"monthly_mean", m, hist.QMEANH[at(m)], summary([&](const auto& f) { return f.month_mean[at(m)]; })});
    rows.push_back({"monthly_sd", m, hist.QSDH[at(m)], summary([&](const auto& f) { return f.month_sd[at(m)]; })});
  }
  for (int i = 1; i <= kRunLengths; ++i) {
    const int N = kRunLengthMonths[at(i)];
    const SevenValues sums = summary([&](const auto& f) { return f.run_sums[at(i)]; });
    rows.push_back({"run_sum", N, run_sum_if_fits(hist.HRUN[at(i)], N, hist.NYH),
                    N <= kMonths * in.NYS ? std::optional(sums) : std::nullopt});
  }
  for (int k = kReleaseLevels; k >= 1; --k) {
    const int percent = 10 * (k + 3);
    const DeficitColumn& h = hist.deficits;
    rows.push_back({"release", percent, h.release[at(k)], summary([&](const auto& f) { return f.deficits.release[at(k)]; })});
    rows.push_back({"max_deficit", percent, h.max_deficit[at(k)],
                    summary([&](const auto& f) { return f.deficits.max_deficit[at(k)]; })});
    rows.push_back({"deficit_duration", percent, static_cast<float>(h.duration[at(k)]),
                    summary([&](const auto& f) { return f.deficits.duration[at(k)]; })});
    rows.push_back({"longest_depletion", percent, static_cast<float>(h.longest[at(k)]),
                    summary([&](const auto& f) { return f.deficits.longest[at(k)]; })});
  }
}

// The storage curves and what the mass-curve plot draws of each: the plot count is
// carried from one sequence to the next, and kept where a sequence has no level within
// the plot.
int add_storage_curves(const Figures41& figures, StatisticsResult& result) {
  int plot_count = 0;
  for (std::size_t i = 0; i < figures.size(); ++i) {
    result.storage[i] = figures[i].curve.storage;
    if (figures[i].within_plot != 0) plot_count = figures[i].within_plot;
    result.plotted[i] = plot_count;
  }
  result.yield = figures.back().curve.yield;
  return plot_count;
}

}  // namespace

SequenceFigures sequence_figures(const FlowBlock& flows, int slot, int NYS, int seq, float MAR) {
  SequenceFigures out;
  std::array<float, kMaxYears> values{};
  for (int m = 1; m <= kMonths; ++m) {
    for (int y = 1; y <= NYS; ++y) values[at(y)] = flows.FLOW(m, y, seq, slot);
    momen1(values, NYS, out.month_mean[at(m)], out.month_sd[at(m)]);
  }
  annual_totals(NYS, [&](int y, int m) { return flows.FLOW(m, y, seq, slot); }, values);
  momen1(values, NYS, out.annual_mean, out.annual_sd);
  out.annual_cv = ratio_or_zero(out.annual_sd, out.annual_mean);

  const int n = kMonths * NYS;
  const std::span<const float> series = flows.FLOW.span(n, 1, 1, seq, slot);
  defcit(series, n, out.annual_mean, out.deficits);
  dismin(n, series, kRunLengthMonths, out.run_sums);
  out.MAR = MAR;
  brutog(NYS, series, out.MAR, out.curve, out.within_plot);
  return out;
}

void storage_over_sequences(const std::array<StorageCurve, kSequences>& storage, PartialStorageCurve& mean,
                            PartialStorageCurve& median) {
  mean.fill(std::nullopt);
  median.fill(std::nullopt);
  for (int L = kFirstStorageLevel; L <= kYieldLevels; ++L) {
    Column41 storages{};
    // A single-precision running total in sequence order, as the test statistics are
    // single precision: only sums over the twelve months are formed wider.
    float total = 0.0F;
    int needing = 0;
    for (std::size_t i = 0; i < storages.size(); ++i) {
      storages[i] = storage[i][at(L)];
      total += storages[i];
      if (storages[i] > kZeroStorage) ++needing;
    }
    if (needing == 0) continue;
    ssort(kSequences, storages);
    median[at(L)] = storages[20];
    mean[at(L)] = total / static_cast<float>(needing);
  }
}

StatisticsResult genar(const StatisticsInputs& in, int threads) {
  const HistoricalFigures& hist = in.historical;
  StatisticsResult result;
  result.slot = in.slot;
  result.gauge = in.gauge;
  result.name = trimmed_name(in.name);
  result.NYH = hist.NYH;
  result.NYS = in.NYS;
  result.parameters = in.parameters;
  result.historical = historical_moments(hist);

  const Figures41 figures = all_sequences(in, result.historical.mean, threads);
  float MAR = figures.back().MAR;
  result.MAR = MAR;
  result.simulation = simulation_moments(figures);
  add_summary_rows(in, figures, MAR, result.historical.sd, result.rows);
  int plot_count = add_storage_curves(figures, result);
  storage_over_sequences(result.storage, result.mean_storage, result.median_storage);

  StorageYield historical_curve;
  brutog(hist.NYH, hist.series, MAR, historical_curve, plot_count);
  result.historical_storage.assign(historical_curve.storage.begin(),
                                   historical_curve.storage.begin() + std::max(plot_count, 0));
  return result;
}

}  // namespace flowplex
