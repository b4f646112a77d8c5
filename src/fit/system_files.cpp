#include "fit/system_files.hpp"

#include <algorithm>
#include <numeric>

#include "report/layout.hpp"
#include "report/run_ended.hpp"

namespace flowplex::fit {
namespace {

// PARMSET.DAT: free-form groups, and matrix rows in the reader's fixed fields.
const Layout kGaugeCount{R"(I5)"};
const Layout kKeyList{R"(1X I3 10(1X I3))"};
const Layout kRecordPeriod{R"(1X I4 1X I4 4(1X F12.6))"};
const Layout kTransformLine{R"(1X I1 4(1X F20.10))"};
const Layout kModelLine{R"(7(1X F12.6) 1X I4)"};
const Layout kStatisticsLine{R"(4(1X F14.4))"};
const Layout kMatrixLine{R"(10F12.6)"};
// The series files: 4X I4 1X, twelve months and the annual total.
const Layout kSeriesLine{R"(4X I4 1X 12(F7.2 1X) F9.2)"};
// PARAMFOR.DAT: free-form groups.
const Layout kAutoregressionLine{R"(5(1X F12.6))"};
const Layout kMonthlyLogLine{R"(12(1X F10.6))"};
const Layout kMonthlyFlowLine{R"(1X I4 12(1X F9.2) 1X F10.2)"};
const Layout kNoiseRow{R"(10(1X F10.6))"};
// Matrix rows and noise rows run on over further lines, ten values to a line.
constexpr Eigen::Index kFieldsPerLine = 10;

// The lines of one file, each number checked to fit its field.
class FileText {
 public:
  explicit FileText(std::string name) : file_{std::move(name), {}} {}
  // Numbers (and texts the program made) by a layout.
  void numbers(const Layout& layout, const Values& values, std::string_view what);
  // A text line as it stands (titles and names may hold any character).
  void line(std::string_view text);
  SystemFile done() && { return std::move(file_); }

 private:
  SystemFile file_;
  int lines_ = 0;
};

void FileText::numbers(const Layout& layout, const Values& values, std::string_view what) {
  std::string lines;
  layout.format(values, lines);
  lines_ += static_cast<int>(std::count(lines.begin(), lines.end(), '\n'));
  if (lines.find('*') != std::string::npos)
    end_run(" *** " + file_.name + " LINE " + std::to_string(lines_) + ": A VALUE OF THE " + std::string(what) +
            " DOES NOT FIT ITS FIELD; CHANGE THE UNIT OF THE RECORDS WITH --scale ***");
  file_.text += lines;
}

void FileText::line(std::string_view text) {
  ++lines_;
  file_.text += text;
  file_.text += '\n';
}

const std::string kSeparator = " " + std::string(70, '-');

// A row of a matrix, ten values to a line; every row starts on a new line.
void rows_of_ten(FileText& f, const Layout& layout, const Eigen::RowVectorXd& row, std::string_view what) {
  for (Eigen::Index first = 0; first < row.size(); first += kFieldsPerLine) {
    Values v;
    for (Eigen::Index j = first; j < std::min<Eigen::Index>(first + kFieldsPerLine, row.size()); ++j) v.add(row(j));
    f.numbers(layout, v, what);
  }
}

void matrix(FileText& f, const Eigen::MatrixXd& m, std::string_view what) {
  for (Eigen::Index g = 0; g < m.rows(); ++g) rows_of_ten(f, kMatrixLine, m.row(g), what);
}

void gauge_records(FileText& f, const RiverSystem& s, int g) {
  const GaugeAnnualModel& a = s.annual[static_cast<std::size_t>(g)];
  const Records& r = s.records;
  const std::vector<double>& e = a.arma.innovations;
  const std::vector<double>& y = a.standardised;
  const std::size_t last = e.size() - 1;
  f.line(r.gauges[static_cast<std::size_t>(g)].name);
  f.numbers(kRecordPeriod, Values().add(r.years).add(r.first_year).add(e[last]).add(y[last]).add(e[last - 1]).add(y[last - 1]),
            "RECORD PERIOD AND STARTING VALUES");
  const Transform& t = a.transform;
  f.numbers(kTransformLine, Values().add(t.type).add(t.gamma).add(t.delta).add(t.lambda).add(t.xi), "TRANSFORM");
  const ArmaCoefficients& c = a.arma.model;
  f.numbers(kModelLine,
            Values().add(a.amean).add(a.asd).add(c.phi[0]).add(c.phi[1]).add(c.theta[0]).add(c.theta[1]).add(a.p0).add(a.izero),
            "ANNUAL MODEL");
  f.numbers(kStatisticsLine,
            Values().add(a.historical_mean).add(a.historical_sd).add(a.arma.aicc).add(a.normality),
            "HISTORICAL STATISTICS");
  f.line(kSeparator);
}

SystemFile parameter_file(const RiverSystem& s) {
  FileText f("PARMSET.DAT");
  f.numbers(kGaugeCount, Values().add(s.records.gauge_count()), "NUMBER OF GAUGES");
  f.line(" " + s.title);
  Values keys;
  keys.add(static_cast<int>(s.keys.size()));
  for (const int k : s.keys) keys.add(k);
  f.numbers(kKeyList, keys, "KEY GAUGES");
  f.line(" GAUGE NAME / RECORD YEARS, FIRST YEAR, STARTING VALUES E1 Y1 E2 Y2 / TRANSFORM / ANNUAL MODEL / STATISTICS");
  for (int g = 0; g < s.records.gauge_count(); ++g) gauge_records(f, s, g);
  f.line(" CMAT1: FACTOR OF THE INNOVATION COVARIANCE (LOWER TRIANGULAR)");
  matrix(f, s.cross.cmat1, "CMAT1");
  const std::array<std::pair<const Eigen::MatrixXd*, std::string_view>, 4> later{
      {{&s.cross.cmat2, "CMAT2: THE LAG-ONE VALUE'S OWN DRAW IN THE SEQUENCE START"},
       {&s.cross.cmat3, "CMAT3: THE LAG-TWO VALUE'S DRAW BEYOND ITS INNOVATION"},
       {&s.cross.cmat4, "CMAT4: THE LAG-TWO VALUE IN THE LAG-ONE START (SUBTRACTED)"},
       {&s.cross.cmat5, "CMAT5: THE LAG-TWO INNOVATION IN THE LAG-ONE START"}}};
  for (const auto& [m, heading] : later) {
    f.line(kSeparator);
    f.line(" " + std::string(heading));
    matrix(f, *m, heading.substr(0, 5));
  }
  return std::move(f).done();
}

Values series_values(const Records& r, int g, int y) {
  Values v;
  v.add(r.first_year + y);
  for (int m = 0; m < 12; ++m) v.add(r.month(g, y, m));
  v.add(r.annual(g, y));
  return v;
}

SystemFile series_file(const Records& r, int g, std::string_view extension, const std::vector<int>& years) {
  FileText f(r.gauges[static_cast<std::size_t>(g)].stem + std::string(extension));
  for (const int y : years) f.numbers(kSeriesLine, series_values(r, g, y), "YEAR " + std::to_string(r.first_year + y));
  return std::move(f).done();
}

// Natural flows: no afforestation or irrigation to take off.
SystemFile zero_series_file(const Records& r, int g, std::string_view extension) {
  FileText f(r.gauges[static_cast<std::size_t>(g)].stem + std::string(extension));
  for (int y = 0; y < r.years; ++y) {
    Values v;
    v.add(r.first_year + y);
    for (int m = 0; m <= 12; ++m) v.add(0.0);
    f.numbers(kSeriesLine, v, "YEAR " + std::to_string(r.first_year + y));
  }
  return std::move(f).done();
}

// The given years in ascending order of annual flow; equal flows keep their order.
std::vector<int> ranked_years(const Records& r, int g, std::vector<int> years) {
  std::stable_sort(years.begin(), years.end(), [&](int a, int b) { return r.annual(g, a) < r.annual(g, b); });
  return years;
}

void gauge_series(std::vector<SystemFile>& files, const RiverSystem& s, int g) {
  const Records& r = s.records;
  std::vector<int> years(static_cast<std::size_t>(r.years));
  std::iota(years.begin(), years.end(), 0);
  files.push_back(series_file(r, g, ".INC", years));
  files.push_back(series_file(r, g, ".RNK", ranked_years(r, g, years)));
  files.push_back(series_file(r, g, ".HIS", years));
  files.push_back(zero_series_file(r, g, ".AFF"));
  files.push_back(zero_series_file(r, g, ".IRR"));
  if (s.rainfall) files.push_back(series_file(*s.rainfall, g, ".RAN", years));
}

void monthly_flows(FileText& f, int year, const std::vector<double>& months, std::string_view what) {
  Values v;
  v.add(year);
  double total = 0.0;
  for (std::size_t m = 0; m < 12; ++m) {
    const double q = m < months.size() ? months[m] : kNotRecorded;
    v.add(q);
    if (m < months.size()) total += q;
  }
  v.add(total);
  f.numbers(kMonthlyFlowLine, v, what);
}

void forecast_gauge(FileText& f, const RiverSystem& s, int g) {
  const GaugeForecastModel& m = s.forecast.gauges[static_cast<std::size_t>(g)];
  const Records& r = s.records;
  f.line(r.gauges[static_cast<std::size_t>(g)].name);
  f.line(" AR(4) OF THE STANDARDISED LOG FLOWS AND NOISE SCALE / MEAN AND SD OF LN(FLOW) / PREVIOUS / CURRENT YEAR");
  f.numbers(kAutoregressionLine, Values().add(m.arc).add(m.sige), "AUTOREGRESSION");
  f.numbers(kMonthlyLogLine, Values().add(m.fmean), "MONTHLY MEANS OF LN(FLOW)");
  f.numbers(kMonthlyLogLine, Values().add(m.fsd), "MONTHLY STANDARD DEVIATIONS OF LN(FLOW)");
  monthly_flows(f, r.first_year + r.years - 1, std::vector<double>(m.previous.begin(), m.previous.end()), "PREVIOUS YEAR");
  monthly_flows(f, r.first_year + r.years, m.current, "CURRENT YEAR");
}

SystemFile forecast_file(const RiverSystem& s) {
  FileText f("PARAMFOR.DAT");
  f.line(" FORECASTING PARAMETERS: " + s.title);
  for (int g = 0; g < s.records.gauge_count(); ++g) forecast_gauge(f, s, g);
  f.line(kSeparator);
  f.line(" NOISE CORRELATION FACTOR (LOWER TRIANGULAR), ONE ROW PER GAUGE");
  const Eigen::MatrixXd& c = s.forecast.noise_factor;
  for (Eigen::Index g = 0; g < c.rows(); ++g) rows_of_ten(f, kNoiseRow, c.row(g), "NOISE ROW " + std::to_string(g + 1));
  return std::move(f).done();
}

}  // namespace

std::vector<SystemFile> system_files(const RiverSystem& system) {
  std::vector<SystemFile> files;
  files.push_back(parameter_file(system));
  for (int g = 0; g < system.records.gauge_count(); ++g) gauge_series(files, system, g);
  files.push_back(forecast_file(system));
  return files;
}

}  // namespace flowplex::fit
