#include "correlation_test/monthly_correlation.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "correlation_test/spearman.hpp"
#include "report/input.hpp"
#include "report/layout.hpp"
#include "stats_test/moments.hpp"

namespace flowplex {

namespace {

const Layout kPageHeading{
    R"("1" / / 20X "MONTHLY COMPARSIONS OF GAUGES " / 20X A40 "  TO  " A40 / / )"
    R"(20X "USING THE ** SPEARMAN RANK CORRELATION COEFFICIENT ** " / /)"};
const Layout kColumnHeading{
    R"(20X "SAMPLE MONTHLY AND ANNUAL HISTORICAL VALUES AND " "SIMULATED DISTRIBUTIONS " / / )"
    R"(19X "HISTORICAL       MEAN         MAXIMUM         95%" )"
    R"("        75%         50%         25%        5%         MINIMUM" / )"
    R"(19X "  VALUE          VALUE       SIMULATED" 64X "SIMULATED" /)"};
const Layout kResultLine{R"(3X A10 4X 2F12.5 5X 7F12.5 /)"};
// The same columns when a coefficient cannot be formed: each field is a text, either
// the coefficient as F12.5 writes it or kTooShort.
const Layout kMarkedResultLine{R"(3X A10 4X 2A12 5X 7A12 /)"};
const Layout kShortenedPeriodNote{
    R"(20X "HISTORICAL VALUES USE ONLY THE YEARS BOTH HISTORIC FILES HOLD:" I4 " YEARS FROM " I4 /)"};

// Written in place of a coefficient that fewer than two pairs cannot give.
constexpr std::string_view kTooShort = "   TOO SHORT";

constexpr std::array<std::string_view, kMonths> kMonthNames{
    "OCTOBER   ", "NOVEMBER  ", "DECEMBER  ", "JANUARY   ", "FEBRUARY  ", "MARCH     ",
    "APRIL     ", "MAY       ", "JUNE      ", "JULY      ", "AUGUST    ", "SEPTEMBER "};
constexpr std::string_view kAnnualLabel = "ANNUAL    ";
constexpr int kAnnual = 0;  // the "month" of the annual totals

// The 41 generated coefficients of a line: their mean and seven-value summary.
struct GeneratedDistribution {
  float RMEAN = 0.0F;
  std::array<float, 7> BOXV{};
};

// One result line; a part is absent where too few pairs were available to rank.
struct LineResult {
  std::optional<float> RSH;
  std::optional<GeneratedDistribution> generated;
};

// The years of a gauge's historical series that its historic file holds: its record,
// cut to the lines read (never more than the store keeps).
int years_held(const Store& s, int slot, int gauge) {
  return std::min({s.ANDATA.NYEARS(gauge), s.HIST.NYHIST(slot), kMaxYears});
}

// The years from first up to the earlier of two series' last years, each series given
// by its first year and its number of years.
int common_years(int first, int first1, int years1, int first2, int years2) {
  return std::min(first1 + years1 - 1, first2 + years2 - 1) - first + 1;
}

// Historical value of year y of a slot's file: month m, or the annual total.
float historical(const Store& s, int y, int m, int slot) {
  return m == kAnnual ? s.HIST.HISTYR(y, slot) : s.HIST.HISTM(y, m, slot);
}

// Generated value of year y of sequence seq: month m, or the annual total.
float generated(const Store& s, int y, int m, int seq, int slot) {
  return m == kAnnual ? s.FLOW.FLOWYR(y, seq, slot) : s.FLOW.FLOW(m, y, seq, slot);
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

std::optional<float> historical_coefficient(const Store& s, const HistoricalPeriod& p, int m, int k, int kk) {
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
std::optional<GeneratedDistribution> generated_distribution(const Store& s, int m, int k, int kk, int NYS) {
  if (NYS < 2 || NYS > kMaxYears) return std::nullopt;
  const int r = rank_month(m);
  std::array<float, kSequences> RS{};
  for (int seq = 1; seq <= kSequences; ++seq)
    RS[static_cast<std::size_t>(seq - 1)] =
        ranked_coefficient(s.FLOW.FRANK.span(NYS, 1, r, seq, k), s.FLOW.FTIES(r, seq, k),
                           s.FLOW.FRANK.span(NYS, 1, r, seq, kk), s.FLOW.FTIES(r, seq, kk), NYS);
  GeneratedDistribution d;
  ssort(kSequences, RS);
  box(21, 11, kSequences, RS, d.BOXV);
  float sd = 0.0F;
  momen1(RS, kSequences, d.RMEAN, sd);
  return d;
}

// Ranks every generated series of slot k (each month's and the annual totals' NYS values
// of every sequence) the first time a page needs them; later pages reuse them.
void rank_slot(Store& s, int k, int NYS) {
  FlowBlock& f = s.FLOW;
  if (NYS < 2 || NYS > kMaxYears || f.NRANKED(k) == NYS) return;
  std::array<float, kMaxYears> series{};
  for (int seq = 1; seq <= kSequences; ++seq)
    for (int m = kAnnual; m <= kMonths; ++m) {
      for (int y = 1; y <= NYS; ++y) series[static_cast<std::size_t>(y - 1)] = generated(s, y, m, seq, k);
      const int r = rank_month(m);
      rank_series(series, NYS, f.FRANK.span(NYS, 1, r, seq, k), f.FTIES(r, seq, k));
    }
  f.NRANKED(k) = NYS;
}

std::string coefficient_field(std::optional<float> value) {
  return value ? format_real(*value, 12, 5) : std::string(kTooShort);
}

void write_result_line(LineWriter& out, std::string_view label, const LineResult& line) {
  const std::optional<GeneratedDistribution>& d = line.generated;
  if (line.RSH && d) {
    out.write(kResultLine, label, *line.RSH, d->RMEAN, d->BOXV);
    return;
  }
  std::array<std::string, 9> fields;
  fields[0] = coefficient_field(line.RSH);
  fields[1] = coefficient_field(d ? std::optional<float>(d->RMEAN) : std::nullopt);
  for (std::size_t i = 0; i < 7; ++i)
    fields[i + 2] = coefficient_field(d ? std::optional<float>(d->BOXV[i]) : std::nullopt);
  out.write(kMarkedResultLine, label, fields);
}

// The line of month m (or of the annual totals): historical against generated.
CorrelationLine write_comparison(const Store& s, LineWriter& out, const HistoricalPeriod& period, int m,
                                 std::string_view label, int k, int kk, int NYS) {
  const LineResult line{historical_coefficient(s, period, m, k, kk), generated_distribution(s, m, k, kk, NYS)};
  write_result_line(out, label, line);
  CorrelationLine result{m, line.RSH, std::nullopt, std::nullopt};
  if (line.generated) {
    result.mean = line.generated->RMEAN;
    result.summary = line.generated->BOXV;
  }
  return result;
}

}  // namespace

HistoricalPeriod historical_period(const Store& s, int k, int kk, int g, int gk) {
  HistoricalPeriod p;
  const int start1 = s.ANDATA.IYSTART(g);
  const int start2 = s.ANDATA.IYSTART(gk);
  p.first = std::max(start1, start2);
  p.o1 = p.first - start1;
  p.o2 = p.first - start2;
  const int recorded = common_years(p.first, start1, s.ANDATA.NYEARS(g), start2, s.ANDATA.NYEARS(gk));
  p.NPAIR = common_years(p.first, start1, years_held(s, k, g), start2, years_held(s, kk, gk));
  p.cut_to_files = p.NPAIR < recorded;
  return p;
}

CorrelationResult mthrnk(Store& s, Channels& ch, int k, int kk, int g, int gk, int NYS) {
  Channel& out = ch.unit(16);
  rank_slot(s, k, NYS);
  rank_slot(s, kk, NYS);
  const HistoricalPeriod period = historical_period(s, k, kk, g, gk);
  out.write(kPageHeading, s.PARM.GNAME(g), s.PARM.GNAME(gk));
  if (period.cut_to_files) out.write(kShortenedPeriodNote, std::max(period.NPAIR, 0), period.first);
  out.write(kColumnHeading);
  CorrelationResult result{k, g, trimmed_name(s.PARM.GNAME(g).view()), kk, gk, trimmed_name(s.PARM.GNAME(gk).view()), {}};
  for (int m = 1; m <= kMonths; ++m)
    result.lines[static_cast<std::size_t>(m - 1)] =
        write_comparison(s, out, period, m, kMonthNames[static_cast<std::size_t>(m - 1)], k, kk, NYS);
  result.lines[kMonths] = write_comparison(s, out, period, kAnnual, kAnnualLabel, k, kk, NYS);
  return result;
}

}  // namespace flowplex
