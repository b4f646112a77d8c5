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

void discard_deviates(StdatBlock& stream, long count) {
  for (long i = 0; i < count; ++i) rng::anorm(stream);
}

// The innovations of one year: fresh deviates correlated between gauges by CMAT1.
void draw_innovations(const RiverSystem& river, GeneratorState& state, Arr<double, kMaxGauges>& out) {
  draw_deviates(state, kYearDeviates);
  correlate(river.ANN.CMAT1, river.ANN.CMAT1TOP, state.ANN.EPS.all(), river.PARM.NGAUGE, out);
}

// One ARMA(2,2) step of gauge g on the standardised normalised scale; shifts the lags.
double arma_step(const GsubBlock& p, AnnualRecursion& a, int g) {
  const double y = p.PHI(1, g) * a.YLAG1(g) + a.EVEC(g) - p.THETA(1, g) * a.ELAG1(g) +
                   p.PHI(2, g) * a.YLAG2(g) - p.THETA(2, g) * a.ELAG2(g);
  a.YLAG2(g) = a.YLAG1(g);
  a.ELAG2(g) = a.ELAG1(g);
  a.YLAG1(g) = y;
  a.ELAG1(g) = a.EVEC(g);
  return y;
}

void advance_lags_of_every_gauge(const RiverSystem& river, AnnualRecursion& a) {
  for (int g = 1; g <= river.PARM.NGAUGE; ++g) arma_step(river.GSUB, a, g);
}

// The lags two years back: innovations by CMAT1, values adding CMAT3's draw.
void start_second_lags(const RiverSystem& river, GeneratorState& state, Arr<double, kMaxGauges>& sum) {
  AnnualRecursion& a = state.ANN;
  draw_innovations(river, state, a.ELAG2);
  draw_deviates(state, kYearDeviates);
  correlate(river.ANN.CMAT3, river.ANN.CMAT3TOP, a.EPS.all(), river.PARM.NGAUGE, sum);
  for (int g = 1; g <= river.PARM.NGAUGE; ++g) a.YLAG2(g) = a.ELAG2(g) + sum(g);
}

// The lags one year back, conditioned on those two years back through CMAT4 and CMAT5.
// Rows are summed side by side, column after column, as in correlate.
void start_first_lags(const RiverSystem& river, GeneratorState& state, Arr<double, kMaxGauges>& sum) {
  const AnnualModel& model = river.ANN;
  AnnualRecursion& a = state.ANN;
  const int n = river.PARM.NGAUGE;
  draw_innovations(river, state, a.ELAG1);
  draw_deviates(state, kYearDeviates);
  // The whole accumulator, not only its first n: g++ 12 then sees no bound it cannot
  // prove when the fill is inlined into the start of a sequence.
  sum.fill(0.0);
  const auto acc = sum.span(n, 1);
  for (int j = 1; j <= n; ++j) {
    const double e = a.EPS(j), y2 = a.YLAG2(j), e2 = a.ELAG2(j);
    const auto c2 = model.CMAT2.span(n, 1, j), c4 = model.CMAT4.span(n, 1, j), c5 = model.CMAT5.span(n, 1, j);
    for (int g = 0; g < n; ++g) acc[g] += c2[g] * e - c4[g] * y2 + c5[g] * e2;
  }
  for (int g = 1; g <= n; ++g) a.YLAG1(g) = a.ELAG1(g) + sum(g);
}

// Warm-up years bring the recursion into its stationary state; only the lags remain.
void warm_up(const RiverSystem& river, GeneratorState& state) {
  for (int year = 1; year <= kWarmUpYears; ++year) {
    draw_innovations(river, state, state.ANN.EVEC);
    advance_lags_of_every_gauge(river, state.ANN);
  }
}

void start_rigorous(const RiverSystem& river, GeneratorState& state) {
  Arr<double, kMaxGauges> sum;
  start_second_lags(river, state, sum);
  start_first_lags(river, state, sum);
  warm_up(river, state);
}

void start_bootstrap(const RiverSystem& river, GeneratorState& state) {
  const AnnualModel& model = river.ANN;
  AnnualRecursion& a = state.ANN;
  a.ELAG1 = model.E1START;
  a.YLAG1 = model.Y1START;
  a.ELAG2 = model.E2START;
  a.YLAG2 = model.Y2START;
  for (int year = 0; year <= kWarmUpYears; ++year) draw_deviates(state, kYearDeviates);
}

void keep_start_state(StdatBlock& stream) {
  stream.ISEQSTART(1) = stream.IX;
  stream.ISEQSTART(2) = stream.IY;
  stream.ISEQSTART(3) = stream.IZ;
}

// Returns false when the forecasting start has already made the first year.
bool start_sequence(const RiverSystem& river, GeneratorState& state, LineWriter& con, int IOPT) {
  StdatBlock& stream = state.STDAT;
  switch (IOPT) {
    case kRigorous:
      start_rigorous(river, state);
      break;
    case kBootstrapModel:
    case kBootstrap:
      start_bootstrap(river, state);
      break;
    case kForecasting:
      keep_start_state(stream);
      forecast_start(river, state);
      stream.NEWSEQ = 0;
      return false;
    default:
      break;  // the lags stay as the previous sequence left them
  }
  keep_start_state(stream);
  con.write(kStartNumbers, stream.IX, stream.IY, stream.IZ);
  stream.NEWSEQ = 0;
  return true;
}

// The normalised value of a gauge with zero annual flows, or false for a zero-flow
// year. The share P0 of the normal scale below its quantile stands for the zero flows;
// the rest is stretched over the whole distribution. A probability at or below P0 (and
// P0 of 1 or more) is a zero-flow year, so the quantile of 0 is never asked for; p = 1
// is held within the stream's finest tail by xnorm.
bool zero_flow_gauge_value(const RiverSystem& river, int g, double y, double& x) {
  const double P0 = river.GSUB.P0(g);
  const double p = 1.0 - rng::qnormx(y);
  if (p < P0 || p == P0 || P0 >= 1.0) return false;
  const double p_nonzero = (p - P0) / (1.0 - P0);
  x = rng::xnorm(p_nonzero) * river.ANN.ASD(g) + river.ANN.AMEAN(g);
  return true;
}

// The stochastic annual flow of a modelled gauge; advances its lags.
double modelled_annual_flow(const RiverSystem& river, AnnualRecursion& recursion, int g) {
  return annual_flow_of_arma_value(river, g, arma_step(river.GSUB, recursion, g));
}

// The annual flows the months are formed from: the year's own, or the hook's copy of
// them, so that the generator's state keeps the unperturbed flows.
const Arr<double, kMaxGauges>& flows_for_months(const Arr<double, kMaxGauges>& annual, int n, int selected_year,
                                                const YearHook* hook, Arr<double, kMaxGauges>& changed) {
  if (hook == nullptr) return annual;
  changed = annual;
  hook->annual_flows(changed.span(n, 1), selected_year);
  return changed;
}

void rigorous_year(const RiverSystem& river, GeneratorState& state, LineWriter& con, Disaggregation mode,
                   const YearHook* hook) {
  AnnualRecursion& a = state.ANN;
  const int n = river.PARM.NGAUGE;
  draw_innovations(river, state, a.EVEC);
  for (int g = 1; g <= n; ++g)
    if (river.ANN.ITRANS(g) != 0) a.QANN(g) = modelled_annual_flow(river, a, g);
  mindq(river, state.INDIC, a.QANN);
  state.STOQ.IYUSED = state.INDIC.IYSEL;
  for (int g = 1; g <= n; ++g)
    if (river.ANN.ITRANS(g) == 0) a.QANN(g) = river.qrec(1).QA(state.INDIC.IYSEL, g);
  Arr<double, kMaxGauges> changed;
  const Arr<double, kMaxGauges>& annual = flows_for_months(a.QANN, n, state.INDIC.IYSEL, hook, changed);
  state.INDIC.NEGMONTHS = 0;
  for (int g = 1; g <= n; ++g) {
    disagg(river, state.INDIC, con, g, annual(g), a.QMON, a.RAINMON, mode, state.INDIC.NEGMONTHS);
    if (hook != nullptr) hook->months(g, a.QMON.all());
    for (int m = 1; m <= kMonths; ++m) state.STOQ.QMONTH(g, m) = a.QMON(m);
  }
}

// The stored year a bootstrap uniform picks, held within 1 to NCOMMON.
int bootstrap_year(const RiverSystem& river, double u) {
  const int n = static_cast<int>(std::trunc(u * river.PARM.NCOMMON + 1));
  return std::clamp(n, 1, river.PARM.NCOMMON);
}

// The drawn year's annual totals through the hook; the months of a gauge whose total it
// changes follow it in proportion, then the hook sees them.
void bootstrap_year_through_hook(const RiverSystem& river, StoqBlock& year, const YearHook& hook) {
  const int n = river.PARM.NGAUGE;
  Arr<double, kMaxGauges> total;
  for (int g = 1; g <= n; ++g)
    for (int m = 1; m <= kMonths; ++m) total(g) += year.QMONTH(g, m);
  Arr<double, kMaxGauges> changed = total;
  hook.annual_flows(changed.span(n, 1), year.IYUSED);
  Arr<double, kMonths> months;
  for (int g = 1; g <= n; ++g) {
    const double scale = total(g) == 0.0 ? 1.0 : changed(g) / total(g);
    for (int m = 1; m <= kMonths; ++m) months(m) = year.QMONTH(g, m) * scale;
    hook.months(g, months.all());
    for (int m = 1; m <= kMonths; ++m) year.QMONTH(g, m) = months(m);
  }
}

void bootstrap_year_flows(const RiverSystem& river, GeneratorState& state, Disaggregation mode,
                          const YearHook* hook) {
  if (river.PARM.NCOMMON < 1) end_run(" NO HISTORICAL YEARS STORED: NO YEAR CAN BE DRAWN");
  const int n = bootstrap_year(river, rng::random(state.STDAT));
  state.STOQ.IYUSED = n;
  const SeriesBlock& inc = river.qrec(1);
  const SeriesBlock& aff = river.qrec(4);
  const SeriesBlock& irr = river.qrec(5);
  for (int m = 1; m <= kMonths; ++m) {
    for (int g = 1; g <= river.PARM.NGAUGE; ++g) {
      double q = inc.QM(m, n, g);
      if (mode == Disaggregation::extended) q = q - aff.QM(m, n, g) - irr.QM(m, n, g);
      state.STOQ.QMONTH(g, m) = std::max(q, 0.0);
    }
  }
  if (hook != nullptr) bootstrap_year_through_hook(river, state.STOQ, *hook);
  draw_deviates(state, kYearDeviates - 1);
}

long deviates_per_year(int IOPT) { return IOPT == kForecasting ? kForecastYearDeviates : kYearDeviates; }

void discard_years(StdatBlock& stream, int IOPT, int years) {
  discard_deviates(stream, deviates_per_year(IOPT) * years);
}

// Draws of the sequence start before its first year; the forecasting start draws only
// for the months of its first year.
long deviates_at_sequence_start(int IOPT) {
  switch (IOPT) {
    case kRigorous:
      return (4 + kWarmUpYears) * static_cast<long>(kYearDeviates);
    case kBootstrapModel:
    case kBootstrap:
      return (kWarmUpYears + 1) * static_cast<long>(kYearDeviates);
    default:
      return 0;
  }
}

}  // namespace

double annual_flow_of_arma_value(const RiverSystem& river, int g, double y) {
  const AnnualModel& a = river.ANN;
  double x = y * a.ASD(g) + a.AMEAN(g);
  if (x > kCompressionThreshold) x = kCompressionThreshold + (x - kCompressionThreshold) * kCompressionFactor;
  if (river.GSUB.IZERO(g) != 0 && !zero_flow_gauge_value(river, g, y, x)) return 0.0;
  int IERR = 0;
  return ajv(x, a.ITRANS(g), a.TPAR1(g), a.TPAR2(g), a.TPAR3(g), a.TPAR4(g), IERR);
}

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

void draw_deviates(GeneratorState& state, int count) {
  for (int i = 1; i <= count; ++i) state.ANN.EPS(i) = rng::anorm(state.STDAT);
}

void ensure_loaded(RiverSystem& river, Console& con, int threads) {
  if (river.loaded) return;
  anread(river, con, Faults::ending(), threads);
  find_column_tops(river.ANN.CMAT1, river.PARM.NGAUGE, river.ANN.CMAT1TOP);
  find_column_tops(river.ANN.CMAT3, river.PARM.NGAUGE, river.ANN.CMAT3TOP);
  river.loaded = true;
}

void anskom(const RiverSystem& river, GeneratorState& state, LineWriter& con, GenerationOption option,
            Disaggregation mode, const YearHook* hook) {
  if (state.STDAT.NEWSEQ == 1 && !start_sequence(river, state, con, option.IOPT())) return;
  if (option.forecasting()) {
    forecast_year(river, state);
  } else if (option.bootstrap()) {
    bootstrap_year_flows(river, state, mode, hook);
  } else {
    rigorous_year(river, state, con, mode, hook);
  }
}

void run_off(const RiverSystem& river, GeneratorState& state, LineWriter& con, GenerationOption option, int years) {
  if (state.STDAT.NEWSEQ == 1 && !start_sequence(river, state, con, option.IOPT())) return;
  discard_years(state.STDAT, option.IOPT(), years);
}

long long deviates_per_sequence(int IOPT) {
  return deviates_at_sequence_start(IOPT) + static_cast<long long>(kYearsDrawnPerSequence) * deviates_per_year(IOPT);
}

bool sequences_stand_alone(const RiverSystem& river, int IOPT) {
  if (IOPT == kBootstrap || IOPT == kForecasting) return true;
  if (IOPT != kRigorous && IOPT != kBootstrapModel) return false;
  for (int i = 1; i <= river.DSBASE.NKEY; ++i)
    if (river.ANN.ITRANS(river.DSBASE.KEYG(i)) == 0) return false;
  return true;
}

GeneratorState state_at_sequence_start(const StdatBlock& startup, int IOPT, int seq) {
  GeneratorState state;
  state.STDAT = startup;
  rng::jump(state.STDAT, (seq - 1) * deviates_per_sequence(IOPT));
  state.STDAT.NEWSEQ = 1;
  return state;
}

}  // namespace flowplex
