#include "fit/verify.hpp"

#include <cmath>
#include <sstream>

#include "generation/forecast.hpp"
#include "generation/parameter_file.hpp"
#include "report/run_ended.hpp"

namespace flowplex::fit {
namespace {

// Compares what was read with what was written, allowing the rounding of a field of
// `decimals` decimals.
void same(double read, double fitted, int decimals, const std::string& what) {
  const double allowed = 0.5 * std::pow(10.0, -decimals) * (1.0 + 1.0e-9) + 1.0e-12 * std::abs(fitted);
  if (!(std::abs(read - fitted) <= allowed))
    end_run(" *** INTERNAL ERROR: THE WRITTEN RIVER SYSTEM READS BACK " + std::to_string(read) + " FOR " + what +
            ", FITTED AS " + std::to_string(fitted) + " ***");
}

void compare_gauge(const flowplex::RiverSystem& s, const RiverSystem& system, int g) {
  const GaugeAnnualModel& a = system.annual[static_cast<std::size_t>(g - 1)];
  const std::string at = " OF GAUGE " + std::to_string(g);
  same(s.ANDATA.NYEARS(g), system.records.years, 0, "NYEARS" + at);
  same(s.ANDATA.IYSTART(g), system.records.first_year, 0, "IYSTART" + at);
  same(s.ANN.ITRANS(g), a.transform.type, 0, "ITRANS" + at);
  same(s.ANN.TPAR1(g), a.transform.gamma, 10, "TPAR1" + at);
  same(s.ANN.TPAR2(g), a.transform.delta, 10, "TPAR2" + at);
  same(s.ANN.TPAR3(g), a.transform.lambda, 10, "TPAR3" + at);
  same(s.ANN.TPAR4(g), a.transform.xi, 10, "TPAR4" + at);
  same(s.ANN.AMEAN(g), a.amean, 6, "AMEAN" + at);
  same(s.ANN.ASD(g), a.asd, 6, "ASD" + at);
  for (int i = 1; i <= 2; ++i) {
    same(s.GSUB.PHI(i, g), a.arma.model.phi[static_cast<std::size_t>(i - 1)], 6, "PHI" + at);
    same(s.GSUB.THETA(i, g), a.arma.model.theta[static_cast<std::size_t>(i - 1)], 6, "THETA" + at);
  }
  same(s.GSUB.P0(g), a.p0, 6, "P0" + at);
  same(s.GSUB.IZERO(g), a.izero, 0, "IZERO" + at);
  const std::vector<double>& e = a.arma.innovations;
  const std::vector<double>& y = a.standardised;
  same(s.ANN.E1START(g), e[e.size() - 1], 6, "E1START" + at);
  same(s.ANN.Y1START(g), y[y.size() - 1], 6, "Y1START" + at);
  same(s.ANN.E2START(g), e[e.size() - 2], 6, "E2START" + at);
  same(s.ANN.Y2START(g), y[y.size() - 2], 6, "Y2START" + at);
  same(s.GSUB.HSTAT1(g), a.historical_mean, 4, "HSTAT1" + at);
  same(s.GSUB.HSTAT2(g), a.historical_sd, 4, "HSTAT2" + at);
  same(s.GSUB.HSTAT3(g), a.arma.aicc, 4, "HSTAT3" + at);
  same(s.GSUB.HSTAT4(g), a.normality, 4, "HSTAT4" + at);
  const Records& r = system.records;
  for (int n = 1; n <= r.years; ++n)
    for (int m = 1; m <= 12; ++m) same(s.QREC01.QM(m, n, g), r.month(g - 1, n - 1, m - 1), 2, "A MONTHLY FLOW" + at);
  for (int n = 2; n <= r.years; ++n)
    if (s.QREC02.QA(n, g) < s.QREC02.QA(n - 1, g)) end_run(" *** INTERNAL ERROR: THE RANKED FILE" + at + " IS NOT ASCENDING ***");
}

void compare_matrix(const Arr<double, kMaxGauges, kMaxGauges>& read, const Eigen::MatrixXd& fitted,
                    const std::string& name) {
  for (Eigen::Index i = 0; i < fitted.rows(); ++i)
    for (Eigen::Index j = 0; j < fitted.cols(); ++j)
      same(read(static_cast<int>(i) + 1, static_cast<int>(j) + 1), fitted(i, j), 6, name);
}

void compare_forecast(const flowplex::RiverSystem& s, const RiverSystem& system) {
  for (int g = 1; g <= system.records.gauge_count(); ++g) {
    const GaugeForecastModel& f = system.forecast.gauges[static_cast<std::size_t>(g - 1)];
    const std::string at = " OF GAUGE " + std::to_string(g) + " IN PARAMFOR.DAT";
    for (int k = 1; k <= kForecastLags; ++k) same(s.FORE.ARC(g, k), f.arc[static_cast<std::size_t>(k - 1)], 6, "ARC" + at);
    same(s.FORE.SIGE(g), f.sige, 6, "SIGE" + at);
    for (int m = 1; m <= 12; ++m) {
      const auto i = static_cast<std::size_t>(m - 1);
      same(s.FORE.FMEAN(g, m), f.fmean[i], 6, "FMEAN" + at);
      same(s.FORE.FSD(g, m), f.fsd[i], 6, "FSD" + at);
      same(s.FORE.QPREV(g, m), f.previous[i], 2, "A PREVIOUS YEAR'S FLOW" + at);
      same(s.FORE.QCUR(g, m), i < f.current.size() ? f.current[i] : kNotRecorded, 2, "A CURRENT YEAR'S FLOW" + at);
    }
  }
  compare_matrix(s.FORE.CNOISE, system.forecast.noise_factor, "CNOISE");
}

}  // namespace

void verify_written_system(const std::filesystem::path& folder, const RiverSystem& system) {
  auto river = std::make_unique<flowplex::RiverSystem>();
  flowplex::RiverSystem& s = *river;
  s.FOLDER = folder;
  std::istringstream no_answers;
  std::ostringstream progress;
  Console con(no_answers, progress);
  s.PARM.PARMFILE.assign("PARMSET.DAT");
  anread(s, con);
  check_for_generation(s, 0);
  check_for_generation(s, 2);
  read_forecast_file(s, kForecastFile);
  same(s.PARM.NGAUGE, system.records.gauge_count(), 0, "NGAUGE");
  same(s.DSBASE.NKEY, static_cast<double>(system.keys.size()), 0, "NKEY");
  for (std::size_t k = 0; k < system.keys.size(); ++k) same(s.DSBASE.KEYG(static_cast<int>(k) + 1), system.keys[k], 0, "KEYG");
  for (int g = 1; g <= system.records.gauge_count(); ++g) compare_gauge(s, system, g);
  compare_matrix(s.ANN.CMAT1, system.cross.cmat1, "CMAT1");
  compare_matrix(s.ANN.CMAT2, system.cross.cmat2, "CMAT2");
  compare_matrix(s.ANN.CMAT3, system.cross.cmat3, "CMAT3");
  compare_matrix(s.ANN.CMAT4, system.cross.cmat4, "CMAT4");
  compare_matrix(s.ANN.CMAT5, system.cross.cmat5, "CMAT5");
  compare_forecast(s, system);
}

}  // namespace flowplex::fit
