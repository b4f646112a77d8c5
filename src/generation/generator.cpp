#include "generation/generator.hpp"

#include <algorithm>
#include <cmath>

#include "generation/disaggregation.hpp"
#include "generation/forecast.hpp"
#include "generation/parameter_file.hpp"
#include "generation/random_stream.hpp"
#include "generation/transforms.hpp"
#include "generation/vector_clones.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

const Layout kStartNumbers{R"(" Start Random Numbers ( not seeds ) = " 3I10)"};

// Annual values above the threshold are compressed thirteenfold, which keeps the upper
// tail of the fitted transforms from producing implausible floods.
constexpr double kCompressionThreshold = static_cast<double>(3.2f);
constexpr double kCompressionFactor = 1.0 / 13.0;

constexpr int kForecastYearDeviates = kMonths * kYearDeviates;

void discard_deviates(Store& s, long count) {
  for (long i = 0; i < count; ++i) rng::anorm(s);
}

// The innovations of one year: fresh deviates correlated between gauges by CMAT1.
void draw_innovations(Store& s, Arr<double, kMaxGauges>& out) {
  draw_deviates(s, kYearDeviates);
  correlate(s.ANN.CMAT1, s.ANN.CMAT1TOP, s.ANN.EPS.all(), s.PARM.NGAUGE, out);
}

// One ARMA(2,2) step of gauge g on the standardised normalised scale; shifts the lags.
double arma_step(Store& s, int g) {
  AnnBlock& a = s.ANN;
  const GsubBlock& p = s.GSUB;
  const double y = p.PHI(1, g) * a.YLAG1(g) + a.EVEC(g) - p.THETA(1, g) * a.ELAG1(g) +
                   p.PHI(2, g) * a.YLAG2(g) - p.THETA(2, g) * a.ELAG2(g);
  a.YLAG2(g) = a.YLAG1(g);
  a.ELAG2(g) = a.ELAG1(g);
  a.YLAG1(g) = y;
  a.ELAG1(g) = a.EVEC(g);
  return y;
}

void advance_lags_of_every_gauge(Store& s) {
  for (int g = 1; g <= s.PARM.NGAUGE; ++g) arma_step(s, g);
}

// The lags two years back: innovations by CMAT1, values adding CMAT3's draw.
void start_second_lags(Store& s, Arr<double, kMaxGauges>& sum) {
  AnnBlock& a = s.ANN;
  draw_innovations(s, a.ELAG2);
  draw_deviates(s, kYearDeviates);
  correlate(a.CMAT3, a.CMAT3TOP, a.EPS.all(), s.PARM.NGAUGE, sum);
  for (int g = 1; g <= s.PARM.NGAUGE; ++g) a.YLAG2(g) = a.ELAG2(g) + sum(g);
}

// The lags one year back, conditioned on those two years back through CMAT4 and CMAT5.
// Rows are summed side by side, column after column, as in correlate.
void start_first_lags(Store& s, Arr<double, kMaxGauges>& sum) {
  AnnBlock& a = s.ANN;
  const int n = s.PARM.NGAUGE;
  draw_innovations(s, a.ELAG1);
  draw_deviates(s, kYearDeviates);
  const auto acc = sum.span(n, 1);
  std::fill(acc.begin(), acc.end(), 0.0);
  for (int j = 1; j <= n; ++j) {
    const double e = a.EPS(j), y2 = a.YLAG2(j), e2 = a.ELAG2(j);
    const auto c2 = a.CMAT2.span(n, 1, j), c4 = a.CMAT4.span(n, 1, j), c5 = a.CMAT5.span(n, 1, j);
    for (int g = 0; g < n; ++g) acc[g] += c2[g] * e - c4[g] * y2 + c5[g] * e2;
  }
  for (int g = 1; g <= n; ++g) a.YLAG1(g) = a.ELAG1(g) + sum(g);
}

// Warm-up years bring the recursion into its stationary state; only the lags remain.
void warm_up(Store& s) {
  for (int year = 1; year <= kWarmUpYears; ++year) {
    draw_innovations(s, s.ANN.EVEC);
    advance_lags_of_every_gauge(s);
  }
}

void start_rigorous(Store& s) {
  Arr<double, kMaxGauges> sum;
  start_second_lags(s, sum);
  start_first_lags(s, sum);
  warm_up(s);
}

void start_bootstrap(Store& s) {
  AnnBlock& a = s.ANN;
  a.ELAG1 = a.E1START;
  a.YLAG1 = a.Y1START;
  a.ELAG2 = a.E2START;
  a.YLAG2 = a.Y2START;
  for (int year = 0; year <= kWarmUpYears; ++year) draw_deviates(s, kYearDeviates);
}

void keep_start_state(Store& s) {
  s.STDAT.ISEQSTART(1) = s.STDAT.IX;
  s.STDAT.ISEQSTART(2) = s.STDAT.IY;
  s.STDAT.ISEQSTART(3) = s.STDAT.IZ;
}

// Returns false when the forecasting start has already made the first year.
bool start_sequence(Store& s, Console& con, int IOPT) {
  switch (IOPT) {
    case kRigorous:
      start_rigorous(s);
      break;
    case kBootstrapModel:
    case kBootstrap:
      start_bootstrap(s);
      break;
    case kForecasting:
      keep_start_state(s);
      forecast_start(s);
      s.STDAT.NEWSEQ = 0;
      return false;
    default:
      break;  // the lags stay as the previous sequence left them
  }
  keep_start_state(s);
  con.write(kStartNumbers, s.STDAT.IX, s.STDAT.IY, s.STDAT.IZ);
  s.STDAT.NEWSEQ = 0;
  return true;
}

// The normalised value of a gauge with zero annual flows, or false for a zero-flow
// year. The share P0 of the normal scale below its quantile stands for the zero flows;
// the rest is stretched over the whole distribution. A probability at or below P0 (and
// P0 of 1 or more) is a zero-flow year, so the quantile of 0 is never asked for; p = 1
// is held within the stream's finest tail by xnorm.
bool zero_flow_gauge_value(const Store& s, int g, double y, double& x) {
  const double P0 = s.GSUB.P0(g);
  const double p = 1.0 - rng::qnormx(y);
  if (p < P0 || p == P0 || P0 >= 1.0) return false;
  const double p_nonzero = (p - P0) / (1.0 - P0);
  x = rng::xnorm(p_nonzero) * s.ANN.ASD(g) + s.ANN.AMEAN(g);
  return true;
}

// The stochastic annual flow of a modelled gauge; advances its lags.
double modelled_annual_flow(Store& s, int g) {
  const AnnBlock& a = s.ANN;
  const double y = arma_step(s, g);
  double x = y * a.ASD(g) + a.AMEAN(g);
  if (x > kCompressionThreshold) x = kCompressionThreshold + (x - kCompressionThreshold) * kCompressionFactor;
  if (s.GSUB.IZERO(g) != 0 && !zero_flow_gauge_value(s, g, y, x)) return 0.0;
  int IERR = 0;
  return ajv(x, a.ITRANS(g), a.TPAR1(g), a.TPAR2(g), a.TPAR3(g), a.TPAR4(g), IERR);
}

void rigorous_year(Store& s, Console& con, int NCOUNT) {
  AnnBlock& a = s.ANN;
  const int n = s.PARM.NGAUGE;
  draw_innovations(s, a.EVEC);
  for (int g = 1; g <= n; ++g)
    if (a.ITRANS(g) != 0) a.QANN(g) = modelled_annual_flow(s, g);
  mindq(s, a.QANN);
  s.STOQ.IYUSED = s.INDIC.IYSEL;
  for (int g = 1; g <= n; ++g)
    if (a.ITRANS(g) == 0) a.QANN(g) = s.qrec(1).QA(s.INDIC.IYSEL, g);
  s.INDIC.NEGMONTHS = 0;
  for (int g = 1; g <= n; ++g) {
    disagg(s, con, g, a.QANN(g), a.QMON, a.RAINMON, NCOUNT, s.INDIC.NEGMONTHS);
    for (int m = 1; m <= kMonths; ++m) s.STOQ.QMONTH(g, m) = a.QMON(m);
  }
}

// The stored year a bootstrap uniform picks, held within 1 to NCOMMON.
int bootstrap_year(const Store& s, double u) {
  const int n = static_cast<int>(std::trunc(u * s.PARM.NCOMMON + 1));
  return std::clamp(n, 1, s.PARM.NCOMMON);
}

void bootstrap_year_flows(Store& s, int NCOUNT) {
  if (s.PARM.NCOMMON < 1) end_run(" NO HISTORICAL YEARS STORED: NO YEAR CAN BE DRAWN");
  const int n = bootstrap_year(s, rng::random(s));
  s.STOQ.IYUSED = n;
  const SeriesBlock& inc = s.qrec(1);
  const SeriesBlock& aff = s.qrec(4);
  const SeriesBlock& irr = s.qrec(5);
  for (int m = 1; m <= kMonths; ++m) {
    for (int g = 1; g <= s.PARM.NGAUGE; ++g) {
      double q = inc.QM(m, n, g);
      if (NCOUNT != 1) q = q - aff.QM(m, n, g) - irr.QM(m, n, g);
      s.STOQ.QMONTH(g, m) = std::max(q, 0.0);
    }
  }
  draw_deviates(s, kYearDeviates - 1);
}

void run_off(Store& s, int IOPT, int& NCOUNT) {
  NCOUNT = -NCOUNT;
  const long per_year = IOPT == kForecasting ? kForecastYearDeviates : kYearDeviates;
  discard_deviates(s, per_year * NCOUNT);
}

}  // namespace

void find_column_tops(const Matrix& M, int n, ColumnTops& top) {
  for (int j = 1; j <= n; ++j) {
    int g = 1;
    while (g <= n && M(g, j) == 0.0) ++g;
    top(j) = g;
  }
}

FLOWPLEX_VECTOR_CLONES void correlate(const Matrix& M, const ColumnTops& top, std::span<const double> v, int n,
                                      Arr<double, kMaxGauges>& out) {
  const auto acc = out.span(n, 1);
  std::fill(acc.begin(), acc.end(), 0.0);
  for (int j = 1; j <= n; ++j) {
    const int first = std::max(top(j), 1);
    if (first > n) continue;
    const double e = v[static_cast<std::size_t>(j - 1)];
    const auto column = M.span(n - first + 1, first, j);
    double* const rows = acc.data() + (first - 1);
    for (std::size_t g = 0; g < column.size(); ++g) rows[g] += column[g] * e;
  }
}

void draw_deviates(Store& s, int count) {
  for (int i = 1; i <= count; ++i) s.ANN.EPS(i) = rng::anorm(s);
}

void ensure_loaded(Store& s, Console& con) {
  if (s.loaded) return;
  anread(s, con);
  find_column_tops(s.ANN.CMAT1, s.PARM.NGAUGE, s.ANN.CMAT1TOP);
  find_column_tops(s.ANN.CMAT3, s.PARM.NGAUGE, s.ANN.CMAT3TOP);
  s.loaded = true;
}

void anskom(Store& s, Console& con, int& /*ISEQ*/, int& IOPT, int& NCOUNT) {
  ensure_loaded(s, con);
  if (s.STDAT.NEWSEQ == 1 && !start_sequence(s, con, IOPT)) return;
  if (NCOUNT <= 0) {
    run_off(s, IOPT, NCOUNT);
  } else if (IOPT == kForecasting) {
    forecast_year(s);
  } else if (IOPT == kBootstrap) {
    bootstrap_year_flows(s, NCOUNT);
  } else {
    rigorous_year(s, con, NCOUNT);
  }
}

}  // namespace flowplex
