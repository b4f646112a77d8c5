#include "correlation_test/monthly_correlation.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "correlation_test/spearman.hpp"
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

using Series = std::array<float, kMaxPairs>;

// One result line: the historical coefficient, and the mean and seven-value summary of
// the generated ones; nothing where too few pairs were available.
struct LineResult {
  std::optional<float> RSH;
  std::optional<float> RMEAN;
  std::array<float, 7> BOXV{};
};

// The last year a gauge's historical series can supply: its record, cut to the lines
// its historic file holds (never more than the store keeps).
int last_usable_year(const Store& s, int slot, int gauge, bool& cut) {
  const int record = s.ANDATA.NYEARS(gauge);
  const int held = std::min(s.HIST.NYHIST(slot), kMaxYears);
  cut = cut || held < record;
  return s.ANDATA.IYSTART(gauge) + std::min(record, held) - 1;
}

// Historical value of year y of a slot's file: month m, or the annual total.
float historical(const Store& s, int y, int m, int slot) {
  return m == kAnnual ? s.HIST.HISTYR(y, slot) : s.HIST.HISTM(y, m, slot);
}

// Generated value of year y of sequence seq: month m, or the annual total.
float generated(const Store& s, int y, int m, int seq, int slot) {
  return m == kAnnual ? s.FLOW.FLOWYR(y, seq, slot) : s.FLOW.FLOW(m, y, seq, slot);
}

float coefficient(const Series& X, const Series& Y, int n) {
  float r = 0.0F;
  spear2(X, Y, n, r);
  return r;
}

std::optional<float> historical_coefficient(const Store& s, const HistoricalPeriod& p, int m, int k, int kk) {
  if (p.NPAIR < 2) return std::nullopt;
  Series X{};
  Series Y{};
  for (int n = 1; n <= p.NPAIR; ++n) {
    X[static_cast<std::size_t>(n - 1)] = historical(s, p.o1 + n, m, k);
    Y[static_cast<std::size_t>(n - 1)] = historical(s, p.o2 + n, m, kk);
  }
  return coefficient(X, Y, p.NPAIR);
}

float generated_coefficient(const Store& s, int m, int seq, int k, int kk, int NYS) {
  Series X{};
  Series Y{};
  for (int n = 1; n <= NYS; ++n) {
    X[static_cast<std::size_t>(n - 1)] = generated(s, n, m, seq, k);
    Y[static_cast<std::size_t>(n - 1)] = generated(s, n, m, seq, kk);
  }
  return coefficient(X, Y, NYS);
}

// The 41 generated coefficients of month m, sorted largest first, summarised and averaged.
void generated_distribution(const Store& s, int m, int k, int kk, int NYS, LineResult& line) {
  if (NYS < 2 || NYS > kMaxYears) return;
  std::array<float, kSequences> RS{};
  for (int seq = 1; seq <= kSequences; ++seq)
    RS[static_cast<std::size_t>(seq - 1)] = generated_coefficient(s, m, seq, k, kk, NYS);
  ssort(kSequences, RS);
  box(21, 11, kSequences, RS, line.BOXV);
  float RMEAN = 0.0F;
  float sd = 0.0F;
  momen1(RS, kSequences, RMEAN, sd);
  line.RMEAN = RMEAN;
}

std::string field(std::optional<float> value) {
  return value ? format_real(*value, 12, 5) : std::string(kTooShort);
}

void write_result_line(LineWriter& out, std::string_view label, const LineResult& line) {
  if (line.RSH && line.RMEAN) {
    out.write(kResultLine, label, *line.RSH, *line.RMEAN, line.BOXV);
    return;
  }
  const std::optional<float> box_value = line.RMEAN;  // the summary exists with the mean
  std::array<std::string, 7> summary;
  for (std::size_t i = 0; i < summary.size(); ++i)
    summary[i] = box_value ? format_real(line.BOXV[i], 12, 5) : std::string(kTooShort);
  out.write(kMarkedResultLine, label, field(line.RSH), field(line.RMEAN), summary[0], summary[1], summary[2],
            summary[3], summary[4], summary[5], summary[6]);
}

// The line of month m (or of the annual totals): historical against generated.
void write_comparison(const Store& s, LineWriter& out, const HistoricalPeriod& period, int m,
                      std::string_view label, int k, int kk, int NYS) {
  LineResult line;
  line.RSH = historical_coefficient(s, period, m, k, kk);
  generated_distribution(s, m, k, kk, NYS, line);
  write_result_line(out, label, line);
}

}  // namespace

HistoricalPeriod historical_period(const Store& s, int k, int kk, int g, int gk) {
  HistoricalPeriod p;
  const int last1 = last_usable_year(s, k, g, p.cut_to_files);
  const int last2 = last_usable_year(s, kk, gk, p.cut_to_files);
  p.first = std::max(s.ANDATA.IYSTART(g), s.ANDATA.IYSTART(gk));
  p.NPAIR = std::min(last1, last2) - p.first + 1;
  p.o1 = p.first - s.ANDATA.IYSTART(g);
  p.o2 = p.first - s.ANDATA.IYSTART(gk);
  return p;
}

void mthrnk(Store& s, Channels& ch, int k, int kk, int g, int gk, int NYS) {
  Channel& out = ch.unit(16);
  const HistoricalPeriod period = historical_period(s, k, kk, g, gk);
  out.write(kPageHeading, s.PARM.GNAME(g), s.PARM.GNAME(gk));
  if (period.cut_to_files) out.write(kShortenedPeriodNote, std::max(period.NPAIR, 0), period.first);
  out.write(kColumnHeading);
  for (int m = 1; m <= kMonths; ++m)
    write_comparison(s, out, period, m, kMonthNames[static_cast<std::size_t>(m - 1)], k, kk, NYS);
  write_comparison(s, out, period, kAnnual, kAnnualLabel, k, kk, NYS);
}

}  // namespace flowplex
