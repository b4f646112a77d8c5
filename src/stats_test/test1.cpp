#include "stats_test/test1.hpp"

#include <array>

#include "stats_test/moments.hpp"

namespace flowplex {

HistoricalFigures historical_figures(Store& s, int k) {
  const int n = s.HIST.NYHIST(k);
  std::array<float, kMonths * kMaxYears> series{};
  float total = 0.0F;
  for (int y = 1; y <= n; ++y) {
    long double year = 0.0L;
    for (int m = 1; m <= kMonths; ++m) {
      const float q = s.HIST.HISTM(y, m, k);
      series[static_cast<std::size_t>(kMonths * (y - 1) + m - 1)] = q;
      s.BLANK.HISTQ(y, m) = q;
      year += q;
    }
    total = static_cast<float>(total + year);
  }
  const float MAR = n > 0 ? total / static_cast<float>(n) : 0.0F;

  HistoricalFigures hist;
  defcit(series, kMonths * n, MAR, hist.deficits, 1);
  RunSums sums;
  dismin(kMonths * n, series, kRunLengthMonths, sums, 1);
  for (int i = 1; i <= kRunLengths; ++i) hist.HRUN[static_cast<std::size_t>(i - 1)] = sums(1, i);
  for (int m = 1; m <= kMonths; ++m) {
    float skew = 0.0F;
    const std::size_t at = static_cast<std::size_t>(m - 1);
    momen3(s.HIST.HISTM.span(n, 1, m, k), n, hist.QMEANH[at], hist.QSDH[at], skew);
  }
  return hist;
}

std::optional<StatisticsResult> prepare_test1(Store& s, Console& con, Channels& ch, int k) {
  const int g = s.RUN.IGLIST(k);
  if (s.HIST.NYHIST(k) < 1) {
    // No historical year: there is no mean annual flow to measure the sequences against.
    con.free(" TEST 1 CANNOT BE MADE FOR GAUGE ", g, " : ITS HISTORIC FILE GAVE NO YEAR");
    ch.unit(16).free(" TEST 1 CANNOT BE MADE FOR GAUGE ", g, " : ITS HISTORIC FILE GAVE NO YEAR");
    return std::nullopt;
  }
  const HistoricalFigures hist = historical_figures(s, k);
  con.free(" HERE WE GO WITH GAUGE ", g);
  s.BLANK.GAUGENAME = s.PARM.GNAME(g);
  s.GAUGE.IGPAR = g;
  s.GAUGE.IG = k;
  return genar(s, ch, s.HIST.NYHIST(k), s.RUN.NYS, hist);
}

}  // namespace flowplex
