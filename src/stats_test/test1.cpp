#include "stats_test/test1.hpp"

#include <array>

#include "stats_test/moments.hpp"

namespace flowplex {

namespace {

ParameterValues parameter_values(const GsubBlock& p, int g) {
  return {p.HSTAT1(g), p.HSTAT2(g), {p.PHI(1, g), p.PHI(2, g)}, {p.THETA(1, g), p.THETA(2, g)},
          p.HSTAT3(g),  p.HSTAT4(g), p.IZERO(g)};
}

}  // namespace

HistoricalFigures historical_figures(const AnalysisInputs& s, int k) {
  HistoricalFigures hist;
  const int n = s.HIST.NYHIST(k);
  hist.NYH = n;
  float total = 0.0F;
  for (int y = 1; y <= n; ++y) {
    long double year = 0.0L;
    for (int m = 1; m <= kMonths; ++m) {
      const float q = s.HIST.HISTM(y, m, k);
      hist.series[static_cast<std::size_t>(kMonths * (y - 1) + m - 1)] = q;
      year += q;
    }
    total = static_cast<float>(total + year);
  }
  const float MAR = n > 0 ? total / static_cast<float>(n) : 0.0F;

  defcit(hist.series, kMonths * n, MAR, hist.deficits);
  dismin(kMonths * n, hist.series, kRunLengthMonths, hist.HRUN);
  for (int m = 1; m <= kMonths; ++m) {
    float skew = 0.0F;
    const std::size_t at = static_cast<std::size_t>(m - 1);
    momen3(s.HIST.HISTM.span(n, 1, m, k), n, hist.QMEANH[at], hist.QSDH[at], skew);
  }
  return hist;
}

StatisticsResult test1(const AnalysisInputs& s, int k, int threads) {
  const int g = s.RUN.IGLIST(k);
  const HistoricalFigures hist = historical_figures(s, k);
  return genar({k, g, s.RIVER.PARM.GNAME(g).view(), parameter_values(s.RIVER.GSUB, g), hist, s.FLOW, s.RUN.NYS}, threads);
}

}  // namespace flowplex
