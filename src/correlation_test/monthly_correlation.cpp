#include "correlation_test/monthly_correlation.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "correlation_test/spearman.hpp"
#include "parallel/in_order.hpp"
#include "report/input.hpp"
#include "stats_test/moments.hpp"

namespace flowplex {

namespace {

constexpr int kAnnual = 0;  // the "month" of the annual totals

// The 41 generated coefficients of a line: their mean and seven-value summary.
struct GeneratedDistribution {
  float RMEAN = 0.0F;
  std::array<float, 7> BOXV{};
};

// The years of a gauge's historical series that its historic file holds: its record,
// cut to the lines read (never more than the store keeps).
int years_held(const AnalysisInputs& s, int slot, int gauge) {
  return std::min({s.RIVER.ANDATA.NYEARS(gauge), s.HIST.NYHIST(slot), kMaxYears});
}

// The years from first up to the earlier of two series' last years, each series given
// by its first year and its number of years.
int common_years(int first, int first1, int years1, int first2, int years2) {
  return std::min(first1 + years1 - 1, first2 + years2 - 1) - first + 1;
}

// Historical value of year y of a slot's file: month m, or the annual total.
float historical(const AnalysisInputs& s, int y, int m, int slot) {
  return m == kAnnual ? s.HIST.HISTYR(y, slot) : s.HIST.HISTM(y, m, slot);
}

// Generated value of year y of sequence seq: month m, or the annual total.
float generated(const FlowBlock& f, int y, int m, int seq, int slot) {
  return m == kAnnual ? f.FLOWYR(y, seq, slot) : f.FLOW(m, y, seq, slot);
}

// Rank correlation of the n pairs x(j), y(j), gathered into fixed work series.
template <typename XOf, typename YOf>
float paired_coefficient(int n, XOf x, YOf y) {
  std::array<float, kMaxPairs> X{};
  std::array<float, kMaxPairs> Y{};
  for (int j = 1; j <= n; ++j) {
    X[static_cast<std::size_t>(j - 1)] = x(j);
    Y[static_cast<std::size_t>(j - 1)] = y(j);
  }
  float r = 0.0F;
  spear2(X, Y, n, r);
  return r;
}

std::optional<float> historical_coefficient(const AnalysisInputs& s, const HistoricalPeriod& p, int m, int k, int kk) {
  if (p.NPAIR < 2) return std::nullopt;
  return paired_coefficient(
      p.NPAIR, [&](int n) { return historical(s, p.o1 + n, m, k); },
      [&](int n) { return historical(s, p.o2 + n, m, kk); });
}

// Where the ranks of the annual totals are kept among the months.
int rank_month(int m) { return m == kAnnual ? kMonths + 1 : m; }

// The 41 generated coefficients of month m, paired year by year over the whole
// sequence from the ranks formed once per series, sorted largest first, summarised
// and averaged.
std::optional<GeneratedDistribution> generated_distribution(const SlotRanks& ranks, int m, int k, int kk, int NYS) {
  if (NYS < 2 || NYS > kMaxYears) return std::nullopt;
  const int r = rank_month(m);
  std::array<float, kSequences> RS{};
  for (int seq = 1; seq <= kSequences; ++seq)
    RS[static_cast<std::size_t>(seq - 1)] =
        ranked_coefficient(ranks.FRANK.span(NYS, 1, r, seq, k), ranks.FTIES(r, seq, k),
                           ranks.FRANK.span(NYS, 1, r, seq, kk), ranks.FTIES(r, seq, kk), NYS);
  GeneratedDistribution d;
  ssort(kSequences, RS);
  box(21, 11, kSequences, RS, d.BOXV);
  float sd = 0.0F;
  momen1(RS, kSequences, d.RMEAN, sd);
  return d;
}

// The line of month m (or of the annual totals): historical against generated.
CorrelationLine comparison(const AnalysisInputs& s, const SlotRanks& ranks, const HistoricalPeriod& period, int m, int k,
                           int kk, int NYS) {
  CorrelationLine line{m, historical_coefficient(s, period, m, k, kk), std::nullopt, std::nullopt};
  if (const auto generated = generated_distribution(ranks, m, k, kk, NYS)) {
    line.mean = generated->RMEAN;
    line.summary = generated->BOXV;
  }
  return line;
}

}  // namespace


void rank_sequence(const FlowBlock& f, SlotRanks& ranks, int k, int seq, int NYS) {
  std::array<float, kMaxYears> series{};
  for (int m = kAnnual; m <= kMonths; ++m) {
    for (int y = 1; y <= NYS; ++y) series[static_cast<std::size_t>(y - 1)] = generated(f, y, m, seq, k);
    const int r = rank_month(m);
    rank_series(series, NYS, ranks.FRANK.span(NYS, 1, r, seq, k), ranks.FTIES(r, seq, k));
  }
}

void rank_slot(const FlowBlock& f, SlotRanks& ranks, int k, int NYS, int threads) {
  if (NYS < 2 || NYS > kMaxYears || ranks.NRANKED(k) == NYS) return;
  side_by_side(kSequences, threads, [&](int seq) { rank_sequence(f, ranks, k, seq, NYS); });
  ranks.NRANKED(k) = NYS;
}

HistoricalPeriod historical_period(const AnalysisInputs& s, int k, int kk, int g, int gk) {
  HistoricalPeriod p;
  const int start1 = s.RIVER.ANDATA.IYSTART(g);
  const int start2 = s.RIVER.ANDATA.IYSTART(gk);
  p.first = std::max(start1, start2);
  p.o1 = p.first - start1;
  p.o2 = p.first - start2;
  const int recorded = common_years(p.first, start1, s.RIVER.ANDATA.NYEARS(g), start2, s.RIVER.ANDATA.NYEARS(gk));
  p.NPAIR = common_years(p.first, start1, years_held(s, k, g), start2, years_held(s, kk, gk));
  p.cut_to_files = p.NPAIR < recorded;
  return p;
}

CorrelationResult mthrnk(const AnalysisInputs& s, const SlotRanks& ranks, int k, int kk, int g, int gk, int NYS) {
  const HistoricalPeriod period = historical_period(s, k, kk, g, gk);
  CorrelationResult result{k, g, trimmed_name(s.RIVER.PARM.GNAME(g).view()), kk, gk, trimmed_name(s.RIVER.PARM.GNAME(gk).view()),
                           std::nullopt, {}};
  if (period.cut_to_files) result.shortened = ShortenedPeriod{std::max(period.NPAIR, 0), period.first};
  for (int m = 1; m <= kMonths; ++m)
    result.lines[static_cast<std::size_t>(m - 1)] = comparison(s, ranks, period, m, k, kk, NYS);
  result.lines[kMonths] = comparison(s, ranks, period, kAnnual, k, kk, NYS);
  return result;
}

}  // namespace flowplex
