#include "generation/forecast.hpp"

#include <array>
#include <cmath>
#include <string_view>

#include "generation/generator.hpp"
#include "generation/random_stream.hpp"
#include "report/input.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

constexpr int kLags = 4;

// The box shown when every month of the current year is recorded: there is nothing
// left to forecast until the rows are moved on.
constexpr std::array<std::string_view, 6> kNothingMissingBox{
    "***********************************************",
    "* There are no negative flows in PARAMFOR.DAT *",
    "* Replace the first row of monthly flows with *",
    "* the second; fill second row with negatives. *",
    "* Remember to add flows as they are recorded. *",
    "***********************************************"};

std::string gauge_text(int g) { return "GAUGE " + std::to_string(g); }

std::string gauge_month_text(int g, int m) { return gauge_text(g) + " MONTH " + std::to_string(m); }

// Reads one free-form group of `count` values into target(1..count).
template <typename Target>
void read_values(LineReader& in, const std::string& what, int count, Target target) {
  FreeGroup group(in, what);
  for (int i = 1; i <= count; ++i) group.next(target(i));
  group.finish();
}

// A row of twelve monthly flows framed by one ignored value on each side.
void read_framed_months(LineReader& in, const std::string& what, Arr<double, kMaxGauges, kMonths>& row, int g) {
  double ignored = 0.0;
  read_values(in, what, kMonths + 2, [&](int i) -> double& { return i == 1 || i == kMonths + 2 ? ignored : row(g, i - 1); });
}

void read_gauge_records(LineReader& in, Faults& faults, ForecastModel& f, int g) {
  in.record(faults, [&] {
    in.skip_text("FIRST HEADING OF " + gauge_text(g));
    in.skip_text("SECOND HEADING OF " + gauge_text(g));
  });
  in.record(faults, [&] {
    read_values(in, "AUTOREGRESSIVE COEFFICIENTS AND NOISE SCALE OF " + gauge_text(g), kLags + 1,
                [&](int i) -> double& { return i <= kLags ? f.ARC(g, i) : f.SIGE(g); });
  });
  in.record(faults, [&] {
    read_values(in, "MONTHLY MEANS OF LOG FLOW OF " + gauge_text(g), kMonths,
                [&](int m) -> double& { return f.FMEAN(g, m); });
  });
  const bool deviations = in.record(faults, [&] {
    read_values(in, "MONTHLY STANDARD DEVIATIONS OF LOG FLOW OF " + gauge_text(g), kMonths,
                [&](int m) -> double& { return f.FSD(g, m); });
  });
  in.record(faults, [&] { read_framed_months(in, "PREVIOUS YEAR MONTHLY FLOWS OF " + gauge_text(g), f.QPREV, g); });
  in.record(faults, [&] { read_framed_months(in, "CURRENT YEAR MONTHLY FLOWS OF " + gauge_text(g), f.QCUR, g); });
  if (!deviations) return;  // the fault that left them unread is noted already
  faults.carry_on([&] {
    for (int m = 1; m <= kMonths; ++m)
      if (!(f.FSD(g, m) != 0.0 && std::isfinite(f.FSD(g, m))))
        end_run(" *** " + in.name() + ": " + gauge_month_text(g, m) +
                ": STANDARD DEVIATION OF LOG FLOW MUST BE A NON-ZERO NUMBER ***");
  });
}

// The earliest month not yet recorded at some gauge; 0 when every month is recorded.
int start_month(const RiverSystem& river) {
  for (int m = 1; m <= kMonths; ++m)
    for (int g = 1; g <= river.PARM.NGAUGE; ++g)
      if (river.FORE.QCUR(g, m) < 0.0) return m;
  return 0;
}

[[noreturn]] void end_with_nothing_missing_box() {
  std::string box;
  for (const std::string_view line : kNothingMissingBox) {
    if (!box.empty()) box.push_back('\n');
    box += free_form_line(Values().add(line));
  }
  throw RunEnded(box, ExitStatus::RunFailed);
}

void copy_recorded_months(const RiverSystem& river, GeneratorState& state, int ms) {
  for (int m = 1; m < ms; ++m) {
    for (int g = 1; g <= river.PARM.NGAUGE; ++g) state.STOQ.QMONTH(g, m) = river.FORE.QCUR(g, m);
    draw_deviates(state, kYearDeviates);  // a recorded month accounts for its draws all the same
  }
}

// The standardised log flows of the four months before ms, from the two-year window
// of the previous and the current year, each by its own calendar month.
void set_starting_lags(ForecastModel& f, int ngauge, int ms) {
  for (int g = 1; g <= ngauge; ++g) {
    for (int k = 1; k <= kLags; ++k) {
      const int t = kMonths + ms - k;
      const bool previous_year = t <= kMonths;
      const int c = previous_year ? t : t - kMonths;
      const double W = previous_year ? f.QPREV(g, c) : f.QCUR(g, c);
      if (!(W > 0.0 && std::isfinite(W)))
        end_run(" *** " + kForecastFile + ": " + gauge_month_text(g, c) + (previous_year ? " OF THE PREVIOUS YEAR" : " OF THE CURRENT YEAR") +
                ": RECORDED FLOW MUST BE POSITIVE TO START THE FORECAST ***");
      f.ZSTART(g, k) = (std::log(W) - f.FMEAN(g, c)) / f.FSD(g, c);
    }
  }
}

// One generated month m of every gauge. A flow that overflows ends the run rather
// than reach the reports as infinity.
void monthly_step(const RiverSystem& river, GeneratorState& state, int m) {
  const ForecastModel& f = river.FORE;
  auto& ZLAG = state.FORE.ZLAG;
  const auto& EVEC = state.ANN.EVEC;
  draw_deviates(state, kYearDeviates);
  correlate(f.CNOISE, f.CNOISETOP, state.ANN.EPS.all(), river.PARM.NGAUGE, state.ANN.EVEC);
  for (int g = 1; g <= river.PARM.NGAUGE; ++g) {
    const double z = f.ARC(g, 4) * ZLAG(g, 4) + f.ARC(g, 3) * ZLAG(g, 3) + f.ARC(g, 2) * ZLAG(g, 2) +
                     f.ARC(g, 1) * ZLAG(g, 1) + f.SIGE(g) * EVEC(g);
    const double q = std::exp(z * f.FSD(g, m) + f.FMEAN(g, m));
    if (!std::isfinite(z) || !std::isfinite(q))
      end_run(" *** FORECAST FLOW OF " + gauge_month_text(g, m) + " IS TOO LARGE: CHECK PARAMFOR.DAT ***");
    state.STOQ.QMONTH(g, m) = q;
    ZLAG(g, 4) = ZLAG(g, 3);
    ZLAG(g, 3) = ZLAG(g, 2);
    ZLAG(g, 2) = ZLAG(g, 1);
    ZLAG(g, 1) = z;
  }
}

void generate_months(const RiverSystem& river, GeneratorState& state, int first) {
  for (int m = first; m <= kMonths; ++m) monthly_step(river, state, m);
}

}  // namespace

void read_forecast_file(RiverSystem& river, const std::string& name, Faults& faults) {
  LineReader in(name, "FORECASTING PARAMETERS", river.FOLDER);
  ForecastModel& f = river.FORE;
  const int n = river.PARM.NGAUGE;
  in.record(faults, [&] { in.skip_text("TITLE"); });
  for (int g = 1; g <= n; ++g) read_gauge_records(in, faults, f, g);
  in.record(faults, [&] {
    in.skip_text("FIRST HEADING OF THE NOISE MATRIX");
    in.skip_text("SECOND HEADING OF THE NOISE MATRIX");
  });
  for (int g = 1; g <= n; ++g)
    in.record(faults, [&] {
      read_values(in, "ROW " + std::to_string(g) + " OF THE NOISE MATRIX", n,
                  [&](int j) -> double& { return f.CNOISE(g, j); });
    });
  find_column_tops(f.CNOISE, n, f.CNOISETOP);
}

int set_forecast_start(RiverSystem& river) {
  const int ms = start_month(river);
  if (ms == 0) end_with_nothing_missing_box();
  set_starting_lags(river.FORE, river.PARM.NGAUGE, ms);
  river.FORE.MSTART = ms;
  return ms;
}

void load_forecast_model(RiverSystem& river) {
  read_forecast_file(river, kForecastFile);
  set_forecast_start(river);
}

void forecast_start(const RiverSystem& river, GeneratorState& state) {
  state.FORE.ZLAG = river.FORE.ZSTART;
  copy_recorded_months(river, state, river.FORE.MSTART);
  generate_months(river, state, river.FORE.MSTART);
}

void forecast_year(const RiverSystem& river, GeneratorState& state) { generate_months(river, state, 1); }

}  // namespace flowplex
