#include "fit/fit_report.hpp"

#include <cmath>

#include "report/layout.hpp"

namespace flowplex::fit {
namespace {

// A number in a field just wide enough for it; "-" for one that is not known.
std::string fixed(double value, int decimals) {
  if (!std::isfinite(value)) return "-";
  std::string text = format_real(value, 40, decimals);
  return text.substr(text.find_first_not_of(' '));
}

std::string with_error(double value, double error) { return fixed(value, 4) + " (SE " + fixed(error, 4) + ")"; }

std::string csv_cell(const std::string& text) {
  if (text.find_first_of(",\"") == std::string::npos) return text;
  std::string quoted = "\"";
  for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

std::string repair_text(const CorrelationRepair& r) {
  std::string text = "SMALLEST EIGENVALUE " + fixed(r.smallest_before, 6);
  if (!r.repaired) return text + ", POSITIVE DEFINITE AS ESTIMATED";
  return text + " BEFORE, " + fixed(r.smallest_after, 6) + " AFTER REPAIR TO THE NEAREST CORRELATION MATRIX (" +
         std::to_string(r.iterations) + " ITERATIONS)";
}

std::string candidates_text(const GaugeAnnualModel& a) {
  std::string text;
  for (const FamilyFit& c : a.candidates) {
    if (!text.empty()) text += ", ";
    text += std::string(type_name(c.transform.type)) + " " + (std::isfinite(c.aicc) ? fixed(c.aicc, 2) : "NO MAXIMUM");
  }
  return text;
}

// The floored months, eight to a line.
std::string floored_text(const GaugeForecastModel& f) {
  constexpr std::size_t kPerLine = 8;
  std::string text;
  for (std::size_t i = 0; i < f.floored.size(); ++i) {
    const FlooredMonth& m = f.floored[i];
    text += (i % kPerLine == 0 ? "\n     " : " ") + calendar_text(m.year, m.month - 1) + "=" + fixed(m.recorded, 2);
  }
  return text;
}

void gauge_section(std::string& out, const RiverSystem& s, int g) {
  const GaugeAnnualModel& a = s.annual[static_cast<std::size_t>(g)];
  const GaugeForecastModel& f = s.forecast.gauges[static_cast<std::size_t>(g)];
  const Transform& t = a.transform;
  const ArmaFit& arma = a.arma;
  const ArmaCoefficients& c = arma.model;
  out += "\n GAUGE " + std::to_string(g + 1) + ": " + s.records.gauges[static_cast<std::size_t>(g)].name + "\n";
  out += "   ANNUAL FLOW: MEAN " + fixed(a.historical_mean, 2) + ", STANDARD DEVIATION " + fixed(a.historical_sd, 2) + "\n";
  out += "   TRANSFORM " + std::string(type_name(t.type)) + " (ITRANS " + std::to_string(t.type) + "): " + a.why + "\n";
  if (a.modelled()) {
    out += "     GAMMA " + fixed(t.gamma, 6) + "  DELTA " + fixed(t.delta, 6) + "  LAMBDA " + fixed(t.lambda, 6) + "  XI " +
           fixed(t.xi, 6) + "\n";
    out += "     AICC OF THE FAMILIES: " + candidates_text(a) + "\n";
    out += "     YEARS OF ZERO FLOW " + std::to_string(a.izero) + ", P0 " + fixed(a.p0, 4) + "; NORMALISED FLOWS: MEAN " +
           fixed(a.amean, 4) + ", SD " + fixed(a.asd, 4) + ", PROBABILITY-PLOT CORRELATION " + fixed(a.normality, 4) + "\n";
    out += "   ARMA(" + std::to_string(c.p) + "," + std::to_string(c.q) + "): PHI1 " + with_error(c.phi[0], arma.phi_se[0]) +
           "  PHI2 " + with_error(c.phi[1], arma.phi_se[1]) + "\n";
    out += "     THETA1 " + with_error(c.theta[0], arma.theta_se[0]) + "  THETA2 " + with_error(c.theta[1], arma.theta_se[1]) +
           "\n";
    out += "     AICC " + fixed(arma.aicc, 4) + ", INNOVATION VARIANCE " + fixed(arma.innovation_variance, 4) +
           " (MODEL WITH UNIT VARIANCE: " + fixed(std::pow(s.cross.innovation_scale[static_cast<std::size_t>(g)], 2), 4) + ")\n";
    out += "     AUTOCORRELATION OF THE NORMALISED FLOWS, RECORD / MODEL: LAG 1 " +
           fixed(sample_autocorrelation(a.standardised, 1), 4) + " / " + fixed(model_autocorrelation(c, 1), 4) + ", LAG 2 " +
           fixed(sample_autocorrelation(a.standardised, 2), 4) + " / " + fixed(model_autocorrelation(c, 2), 4) + "\n";
  }
  out += "   FORECASTING AR(4) " + fixed(f.arc[0], 4) + " " + fixed(f.arc[1], 4) + " " + fixed(f.arc[2], 4) + " " +
         fixed(f.arc[3], 4) + ", NOISE SCALE " + fixed(f.sige, 4) + "\n";
  out += "   MONTHS FLOORED TO " + fixed(f.floor, 2) + " FOR THE LOGARITHMS: " + std::to_string(f.floored.size()) +
         floored_text(f) + "\n";
}

}  // namespace

SystemFile text_report(const RiverSystem& s, const ReportSettings& settings) {
  const Records& r = s.records;
  std::string out = " FIT REPORT: " + s.title + "\n";
  out += " RECORDS " + settings.records + ", VALUES MULTIPLIED BY " + fixed(settings.scale, 6) + "\n";
  out += " " + std::to_string(r.gauge_count()) + " GAUGES, HYDROLOGICAL YEARS (OCTOBER TO SEPTEMBER) " +
         std::to_string(r.first_year) + " TO " + std::to_string(r.first_year + r.years - 1) + " (" + std::to_string(r.years) +
         " YEARS); CURRENT YEAR " + std::to_string(r.first_year + r.years) + "\n";
  if (s.rainfall) out += " RAINFALL FROM " + s.rainfall->source + "\n";
  for (const std::string& note : r.notes) out += " " + note + "\n";
  out += " " + s.key_rule + ":";
  for (const int k : s.keys) out += " " + std::to_string(k);
  out += "\n INNOVATION CORRELATION OF THE ANNUAL MODEL: " + repair_text(s.cross.innovations) + "\n";
  out += " NOISE CORRELATION OF THE FORECASTING MODEL: " + repair_text(s.forecast.noise) + "\n";
  for (int g = 0; g < r.gauge_count(); ++g) gauge_section(out, s, g);
  return {"fit_report.txt", out};
}

SystemFile table_report(const RiverSystem& s) {
  std::string out =
      "gauge,stem,name,itrans,transform,why,gamma,delta,lambda,xi,izero,p0,amean,asd,normality,p,q,phi1,phi1_se,phi2,"
      "phi2_se,theta1,theta1_se,theta2,theta2_se,aicc,innovation_variance,acf1_record,acf1_model,acf2_record,acf2_model,"
      "innovation_eigenvalue_before,innovation_eigenvalue_after,floor,floored_months\n";
  for (int g = 0; g < s.records.gauge_count(); ++g) {
    const GaugeAnnualModel& a = s.annual[static_cast<std::size_t>(g)];
    const GaugeColumn& col = s.records.gauges[static_cast<std::size_t>(g)];
    const ArmaCoefficients& c = a.arma.model;
    const auto num = [](double v) { return std::isfinite(v) ? fixed(v, 8) : std::string(); };
    std::string row = std::to_string(g + 1) + "," + csv_cell(col.stem) + "," + csv_cell(col.name) + "," +
                      std::to_string(a.transform.type) + "," + type_name(a.transform.type) + "," + csv_cell(a.why);
    for (const double v : {a.transform.gamma, a.transform.delta, a.transform.lambda, a.transform.xi}) row += "," + num(v);
    row += "," + std::to_string(a.izero);
    for (const double v : {a.p0, a.amean, a.asd, a.normality}) row += "," + num(v);
    row += "," + std::to_string(c.p) + "," + std::to_string(c.q);
    for (const double v : {c.phi[0], a.arma.phi_se[0], c.phi[1], a.arma.phi_se[1], c.theta[0], a.arma.theta_se[0],
                           c.theta[1], a.arma.theta_se[1], a.arma.aicc, a.arma.innovation_variance,
                           sample_autocorrelation(a.standardised, 1), model_autocorrelation(c, 1),
                           sample_autocorrelation(a.standardised, 2), model_autocorrelation(c, 2),
                           s.cross.innovations.smallest_before, s.cross.innovations.smallest_after,
                           s.forecast.gauges[static_cast<std::size_t>(g)].floor})
      row += "," + num(v);
    row += "," + std::to_string(s.forecast.gauges[static_cast<std::size_t>(g)].floored.size());
    out += row + "\n";
  }
  return {"fit_report.csv", out};
}

}  // namespace flowplex::fit
