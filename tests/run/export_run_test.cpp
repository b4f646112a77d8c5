// Whole runs of the example river system with the NetCDF and CSV outputs: the files read
// back against the flow store and the reports, and the faults that must leave no file.
#include <netcdf.h>
#include <csignal>
#include <sys/mount.h>
#include <sys/resource.h>

#include <bit>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "export/exports.hpp"
#include "generation/random_stream.hpp"
#include "report/layout.hpp"
#include "run/command_line.hpp"
#include "run/run.hpp"
#include "stats_test/storage_yield.hpp"
#include "test_support.hpp"

// LeakSanitizer: the netCDF library keeps the bookkeeping of a file it could not close
// (the full disk below), and the program ends right after such a failure. Only that
// library's own records are let go: a file the run forgot to close would still leak the
// HDF5 library's memory, which is reported.
extern "C" const char* __lsan_default_suppressions() { return "leak:libnetcdf.so\n"; }

namespace flowplex {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::ScratchDir;

constexpr const char* kRigorousAnswers = "examples/answers_rigorous.txt";
constexpr const char* kBootstrapAnswers = "examples/answers_bootstrap.txt";
constexpr const char* kForecastDump = "examples/answers_forecast.txt";
// Every gauge chosen, no analysis: a run that writes little beyond its exports.
const std::string kNoAnalysis = "30\n0\n1\n2\n3\n4\n5\n0\n\nHIS\nHIS\nHIS\nHIS\nHIS\n4\n4\n4\n4\n4\n";
const std::vector<std::string> kReports{"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN"};

std::string answers_of(const char* file) { return read_file(fs::path(FLOWPLEX_SOURCE_DIR) / file); }


// One run in a folder of its own holding a copy of the example river system.
class ExampleRun {
 public:
  explicit ExampleRun(const fs::path& folder) : folder_(folder) {
    fs::create_directories(folder_);
    for (const auto& f : fs::directory_iterator(fs::path(FLOWPLEX_SOURCE_DIR) / "examples"))
      fs::copy_file(f.path(), folder_ / f.path().filename(), fs::copy_options::overwrite_existing);
  }

  ExitStatus run(const std::string& answers, const OutputOptions& outputs = {}) {
    const fs::path previous = fs::current_path();
    fs::current_path(folder_);
    std::istringstream in(answers);
    console_.str("");
    Console con(in, console_);
    std::vector<std::string> arguments;
    if (!outputs.netcdf.empty()) arguments.insert(arguments.end(), {"--netcdf", outputs.netcdf});
    if (!outputs.csv.empty()) arguments.insert(arguments.end(), {"--csv", outputs.csv});
    if (!outputs.html.empty()) arguments.insert(arguments.end(), {"--html", outputs.html});
    const RunInfo info{arguments, "test", &con};
    RunSinks sinks = output_sinks(outputs, info);
    Channels ch;
    store_ = make_store();
    const ExitStatus status = run_flowplex(*store_, con, ch, sinks, {}, 1, std::nullopt, "test");
    fs::current_path(previous);
    return status;
  }

  const Store& store() const { return *store_; }
  std::string console() const { return console_.str(); }
  fs::path operator/(const std::string& name) const { return folder_ / name; }
  std::string file(const std::string& name) const { return read_file(folder_ / name); }
  // Every file below the folder that was not there before the run began, by relative name.
  std::vector<std::string> files_named(const std::string& pattern) const {
    std::vector<std::string> names;
    const std::regex re(pattern);
    for (const auto& f : fs::recursive_directory_iterator(folder_))
      if (std::regex_search(f.path().filename().string(), re)) names.push_back(fs::relative(f.path(), folder_));
    return names;
  }

 private:
  fs::path folder_;
  std::ostringstream console_;
  std::unique_ptr<Store> store_;
};

// A whole CSV file as rows of fields; the files hold no quoted field.
std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "a row that does not end in CRLF";
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos; from = comma + 1)
      fields.push_back(line.substr(from, comma - from));
    fields.push_back(line.substr(from));
    rows.push_back(std::move(fields));
  }
  return rows;
}

float as_float(const std::string& text) {
  float value = 0.0F;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << '"' << text << '"';
  return value;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The CSV cell rounded as a report field Fw.d rounds it.
std::string as_report(const std::string& cell, int width, int decimals) {
  return trimmed(format_real(static_cast<double>(as_float(cell)), width, decimals));
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string field(const std::string& line, std::size_t from, std::size_t width) {
  return from >= line.size() ? std::string() : trimmed(std::string_view(line).substr(from, width));
}

// The NetCDF file read back through the library.
class NetcdfReader {
 public:
  explicit NetcdfReader(const fs::path& path) { EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id_), NC_NOERR); }
  ~NetcdfReader() { nc_close(id_); }
  std::size_t dimension(const char* name) const {
    int dim = 0;
    std::size_t length = 0;
    EXPECT_EQ(nc_inq_dimid(id_, name, &dim), NC_NOERR) << name;
    nc_inq_dimlen(id_, dim, &length);
    return length;
  }
  template <typename T>
  std::vector<T> values(const char* name, std::size_t count) const {
    int var = 0;
    EXPECT_EQ(nc_inq_varid(id_, name, &var), NC_NOERR) << name;
    std::vector<T> v(count);
    if constexpr (std::is_same_v<T, float>)
      EXPECT_EQ(nc_get_var_float(id_, var, v.data()), NC_NOERR);
    else
      EXPECT_EQ(nc_get_var_int(id_, var, v.data()), NC_NOERR);
    return v;
  }
  std::string text(const char* attribute) const {
    std::size_t length = 0;
    EXPECT_EQ(nc_inq_attlen(id_, NC_GLOBAL, attribute, &length), NC_NOERR) << attribute;
    std::string value(length, '\0');
    nc_get_att_text(id_, NC_GLOBAL, attribute, value.data());
    return value;
  }

 private:
  int id_ = -1;
};

// The three numbers of every " Start Random Numbers" line of the console.
std::vector<std::array<int, 3>> start_lines(const std::string& console) {
  std::vector<std::array<int, 3>> states;
  const std::regex line(R"( Start Random Numbers \( not seeds \) = +(\d+) +(\d+) +(\d+))");
  for (auto m = std::sregex_iterator(console.begin(), console.end(), line); m != std::sregex_iterator(); ++m)
    states.push_back({std::stoi((*m)[1]), std::stoi((*m)[2]), std::stoi((*m)[3])});
  return states;
}

class ExportRun : public ::testing::Test {
 protected:
  ScratchDir dir_;
};

// Every flow of every chosen gauge, bit for bit; the dimensions and the time axis; the
// index years and the start states.
void expect_netcdf_holds_the_run(const ExampleRun& run, const fs::path& file) {
  const Store& s = run.store();
  const NetcdfReader nc(file);
  const int NYS = s.RUN.NYS, NG = s.RIVER.PARM.NGAUGE, T = kMonths * NYS;
  ASSERT_EQ(nc.dimension("realization"), 41U);
  ASSERT_EQ(nc.dimension("time"), static_cast<std::size_t>(T));
  ASSERT_EQ(nc.dimension("station"), static_cast<std::size_t>(NG));
  ASSERT_EQ(nc.dimension("year"), static_cast<std::size_t>(NYS));
  const auto flow = nc.values<float>("flow", static_cast<std::size_t>(kSequences) * T * NG);
  for (int k = 1; k <= s.RUN.NSEL; ++k)
    for (int seq = 1; seq <= kSequences; ++seq)
      for (int y = 1; y <= NYS; ++y)
        for (int m = 1; m <= kMonths; ++m) {
          const float written = flow[static_cast<std::size_t>(((seq - 1) * T + (y - 1) * kMonths + m - 1) * NG +
                                                              s.RUN.IGLIST(k) - 1)];
          ASSERT_EQ(std::bit_cast<std::uint32_t>(written), std::bit_cast<std::uint32_t>(s.FLOW.FLOW(m, y, seq, k)))
              << "slot " << k << " sequence " << seq << " year " << y << " month " << m;
        }
  const auto time = nc.values<int>("time", static_cast<std::size_t>(T));
  EXPECT_EQ(time[1], 30);
  EXPECT_EQ(time.back(), 30 * (T - 1));
  const auto states = nc.values<int>("start_state", kSequences * 3);
  const auto shown = start_lines(run.console());
  if (!shown.empty()) {
    ASSERT_EQ(shown.size(), 41U);
    for (std::size_t seq = 0; seq < shown.size(); ++seq)
      EXPECT_EQ((std::array<int, 3>{states[3 * seq], states[3 * seq + 1], states[3 * seq + 2]}), shown[seq]);
  }
  EXPECT_EQ(nc.text("Conventions"), "CF-1.8");
}

TEST_F(ExportRun, TheNetcdfFileHoldsEveryFlowOfTheRunBitForBit) {
  ExampleRun run(dir_.path() / "a");
  ASSERT_EQ(run.run(answers_of(kRigorousAnswers), {"run.nc", ""}), ExitStatus::Success);
  expect_netcdf_holds_the_run(run, run / "run.nc");
  // Rigorous years come from the nearest years of the common period.
  const NetcdfReader nc(run / "run.nc");
  const auto years = nc.values<int>("index_year", kSequences * 50);
  const Store& s = run.store();
  for (const int year : years) {
    EXPECT_GE(year, s.RIVER.PARM.ISTART);
    EXPECT_LE(year, s.RIVER.PARM.ISTART + s.RIVER.PARM.NCOMMON - 1);
  }
  EXPECT_NE(std::count(years.begin(), years.end(), years[0]), static_cast<long>(years.size()));
}

// A bootstrap year is the drawn historical year itself: its index year names the record
// year whose incremental months every gauge shows.
TEST_F(ExportRun, ABootstrapYearsIndexYearIsTheHistoricalYearItCopies) {
  ExampleRun run(dir_.path() / "a");
  ASSERT_EQ(run.run(answers_of(kBootstrapAnswers), {"run.nc", "results"}), ExitStatus::Success);
  expect_netcdf_holds_the_run(run, run / "run.nc");
  const Store& s = run.store();
  const auto rows = csv_rows(run.file("results/index_years.csv"));
  ASSERT_EQ(rows.front(), (std::vector<std::string>{"sequence", "year", "index_year"}));
  ASSERT_EQ(rows.size(), 1U + kSequences * s.RUN.NYS);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const int seq = std::stoi(rows[r][0]), y = std::stoi(rows[r][1]);
    const int p = std::stoi(rows[r][2]) - s.RIVER.PARM.ISTART + 1;
    for (int k = 1; k <= s.RUN.NSEL; ++k)
      for (int m = 1; m <= kMonths; ++m)
        ASSERT_EQ(s.FLOW.FLOW(m, y, seq, k), static_cast<float>(std::max(s.RIVER.QREC01.QM(m, p, s.RUN.IGLIST(k)), 0.0)))
            << "sequence " << seq << " year " << y;
  }
}

// The sequence files and the annual flows: every value reads back as the float32 the run
// kept, in the columns of the stems.
void expect_csv_flows_hold_the_run(const ExampleRun& run) {
  const Store& s = run.store();
  const std::vector<std::string> stems{"KLIP01", "KLIP02", "BERG01", "DROOG01", "MOOI01"};
  const auto annual = csv_rows(run.file("results/annual_flows.csv"));
  std::vector<std::string> header{"sequence", "year"};
  header.insert(header.end(), stems.begin(), stems.end());
  ASSERT_EQ(annual.front(), header);
  for (int seq = 1; seq <= kSequences; ++seq) {
    const std::string name = std::string("results/sequences/sequence_") + (seq < 10 ? "0" : "") + std::to_string(seq) + ".csv";
    const auto rows = csv_rows(run.file(name));
    header[0] = "year", header[1] = "month";
    ASSERT_EQ(rows.front(), header);
    ASSERT_EQ(rows.size(), 1U + kMonths * s.RUN.NYS);
    for (int y = 1; y <= s.RUN.NYS; ++y)
      for (int m = 1; m <= kMonths; ++m) {
        const auto& row = rows[static_cast<std::size_t>((y - 1) * kMonths + m)];
        ASSERT_EQ(row[0], std::to_string(y));
        ASSERT_EQ(row[1], std::to_string(m));
        for (int k = 1; k <= s.RUN.NSEL; ++k)
          ASSERT_EQ(as_float(row[static_cast<std::size_t>(1 + s.RUN.IGLIST(k))]), s.FLOW.FLOW(m, y, seq, k));
      }
    for (int y = 1; y <= s.RUN.NYS; ++y) {
      const auto& row = annual[static_cast<std::size_t>((seq - 1) * s.RUN.NYS + y)];
      for (int k = 1; k <= s.RUN.NSEL; ++k)
        ASSERT_EQ(as_float(row[static_cast<std::size_t>(1 + s.RUN.IGLIST(k))]), s.FLOW.FLOWYR(y, seq, k));
    }
  }
}

// statistics.csv against the side file SEQPROBE.PIN, which prints every seven-value line
// of the report as 5X F11.1 1X 7(F12.1 1X) (the counts of the deficit lines as I11).
void expect_statistics_match_the_side_file(const ExampleRun& run) {
  std::vector<std::string> pin;
  for (const std::string& line : lines_of(run.file("SEQPROBE.PIN")))
    if (line.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos) pin.push_back(line);
  const auto rows = csv_rows(run.file("results/statistics.csv"));
  ASSERT_EQ(rows.front(), (std::vector<std::string>{"slot", "gauge", "stem", "statistic", "key", "historical",
                                                    "maximum", "p95", "p75", "p50", "p25", "p5", "minimum"}));
  ASSERT_EQ(rows.size(), 1 + pin.size());
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& row = rows[r];
    const std::string& line = pin[r - 1];
    const bool count = row[3] == "deficit_duration" || row[3] == "longest_depletion";
    // An empty cell is a run longer than the record or the sequences, whose run sum the
    // report prints as the cap.
    const auto printed = [](const std::string& cell, int width) {
      return cell.empty() ? trimmed(format_real(kRunSumCap, width, 1)) : as_report(cell, width, 1);
    };
    EXPECT_EQ(row[4].empty(), row[3] == "annual_mean" || row[3] == "annual_sd") << row[3];
    EXPECT_EQ(count ? row[5] : printed(row[5], 11), field(line, 5, 11)) << "line " << r;
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(printed(row[6 + i], 12), field(line, 17 + 13 * i, 12)) << "line " << r;
  }
}

double as_double(const std::string& text) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_TRUE(error == std::errc() && end == text.data() + text.size()) << '"' << text << '"';
  return value;
}

// One number of a report's heading block as a CSV column holds it: the label the report
// prints before it, its place among the fields after the label, and the field (an integer
// field where decimals is negative, compared as written).
struct BlockNumber {
  std::string label;
  std::size_t place;
  int width;
  int decimals;
};

// A CSV table of one row per statistics report against the report's heading block: each
// column after slot, gauge and stem, rounded as its field rounds it (a float32, or a
// float64 where double_precision), is the report's number.
void expect_block_matches_the_report(const ExampleRun& run, const std::string& table,
                                     const std::vector<std::string>& header, const std::vector<BlockNumber>& numbers,
                                     bool double_precision) {
  const std::string report = run.file("SEQPROBE.ANS");
  std::vector<std::vector<std::string>> printed(numbers.size());
  for (const std::string& line : lines_of(report))
    for (std::size_t c = 0; c < numbers.size(); ++c)
      if (const auto at = line.find(numbers[c].label); at != std::string::npos)
        printed[c].push_back(field(line, at + numbers[c].label.size() + numbers[c].place * numbers[c].width,
                                   static_cast<std::size_t>(numbers[c].width)));
  const auto rows = csv_rows(run.file("results/" + table));
  ASSERT_EQ(rows.front(), header);
  ASSERT_GT(rows.size(), 1U);
  for (std::size_t c = 0; c < numbers.size(); ++c) {
    const BlockNumber& n = numbers[c];
    ASSERT_EQ(printed[c].size(), rows.size() - 1) << n.label;
    for (std::size_t r = 1; r < rows.size(); ++r) {
      const std::string& cell = rows[r][3 + c];
      const double value = double_precision ? as_double(cell) : static_cast<double>(as_float(cell));
      EXPECT_EQ(n.decimals < 0 ? cell : trimmed(format_real(value, n.width, n.decimals)), printed[c][r - 1])
          << table << " " << header[3 + c] << " row " << r;
    }
  }
}

// gauge_parameters.csv against each report's block "VALUES OBTAINED FROM PARAMETER FILE":
// F12.2 for the mean and standard deviation, 4F12.4 and 2F12.4 for the model, I6.
void expect_gauge_parameters_match_the_report(const ExampleRun& run) {
  const std::string model = "PHI AND THETA  = ", fit = "AICc AND ANC   = ";
  expect_block_matches_the_report(
      run, "gauge_parameters.csv",
      {"slot", "gauge", "stem", "mean", "sd", "phi1", "phi2", "theta1", "theta2", "aicc", "anc", "zero_flows"},
      {{"        MEAN  = ", 0, 12, 2}, {"STANDARD DEV  = ", 0, 12, 2}, {model, 0, 12, 4}, {model, 1, 12, 4},
       {model, 2, 12, 4}, {model, 3, 12, 4}, {fit, 0, 12, 4}, {fit, 1, 12, 4}, {"# Zero Flows   = ", 0, 6, -1}},
      true);
}

// historical_moments.csv against each report's block "HISTORICAL DATA:" (F7.2 and I3).
void expect_historical_moments_match_the_report(const ExampleRun& run) {
  expect_block_matches_the_report(
      run, "historical_moments.csv", {"slot", "gauge", "stem", "mean", "sd", "cv", "skewness", "lag1", "years"},
      {{"AV AN R =", 0, 7, 2}, {"STDDEV  =", 0, 7, 2}, {"CV =", 0, 7, 2}, {"SKEWN   =", 0, 7, 2},
       {"AUT K1  =", 0, 7, 2}, {"LENGTH OF HISTORICAL RECORD =", 0, 3, -1}},
      false);
}

// simulation_summary.csv against the report's summary lines (3F10.2).
void expect_simulation_summary_matches_the_report(const ExampleRun& run) {
  std::vector<std::string> printed;
  const std::regex summary(R"((AVERAGE OF ANNUAL STREAMFLOW|STD\. DEV\. OF ANNUAL FLOWS|CV OF ANNUAL FLOWS)(.{30})$)");
  for (const std::string& line : lines_of(run.file("SEQPROBE.ANS")))
    if (std::smatch m; std::regex_search(line, m, summary)) printed.push_back(m[2]);
  const auto rows = csv_rows(run.file("results/simulation_summary.csv"));
  ASSERT_EQ(rows.size(), 1 + printed.size());
  for (std::size_t r = 1; r < rows.size(); ++r)
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(as_report(rows[r][4 + i], 10, 2), field(printed[r - 1], 10 * i, 10));
}

// storage_yield.csv against SEQPROBE.PN2 (5X 10(F8.2), -10.00 where not computed): each
// slot's curves 1 to 41, then median, mean and historical, as that file lists them.
void expect_storage_yield_matches_the_curve_file(const ExampleRun& run) {
  std::vector<std::string> printed;
  for (const std::string& line : lines_of(run.file("SEQPROBE.PN2")))
    if (line.find('.') != std::string::npos && line.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos)
      for (std::size_t at = line.size() % 8; at < line.size(); at += 8) printed.push_back(field(line, at, 8));
  std::map<std::pair<std::string, std::string>, std::vector<std::string>> curves;
  std::vector<std::string> slots;
  const auto rows = csv_rows(run.file("results/storage_yield.csv"));
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& row = rows[r];
    if (slots.empty() || slots.back() != row[0]) slots.push_back(row[0]);
    EXPECT_EQ(as_report(row[4], 8, 2), std::to_string(5 * (1 + curves[{row[0], row[3]}].size())) + ".00");
    curves[{row[0], row[3]}].push_back(row[5].empty() ? "-10.00" : as_report(row[5], 8, 2));
  }
  std::vector<std::string> expected;
  for (const std::string& slot : slots) {
    for (int seq = 1; seq <= kSequences; ++seq) {
      const auto& curve = curves[{slot, std::to_string(seq)}];
      expected.insert(expected.end(), curve.begin(), curve.end());
    }
    for (const char* curve : {"median", "mean", "historical"})
      expected.insert(expected.end(), curves[{slot, curve}].begin(), curves[{slot, curve}].end());
  }
  EXPECT_EQ(expected, printed);
}

// correlations.csv against the report's correlation lines: 3X A10 4X 2F12.5 5X 7F12.5,
// "TOO SHORT" where a part could not be ranked.
void expect_correlations_match_the_report(const ExampleRun& run) {
  const std::regex period(R"(^   (OCTOBER|NOVEMBER|DECEMBER|JANUARY|FEBRUARY|MARCH|APRIL|MAY|JUNE|JULY|AUGUST|SEPTEMBER|ANNUAL) )");
  std::vector<std::string> printed;
  for (const std::string& line : lines_of(run.file("SEQPROBE.ANS")))
    if (std::regex_search(line, period)) printed.push_back(line);
  const auto rows = csv_rows(run.file("results/correlations.csv"));
  ASSERT_EQ(rows.size(), 1 + printed.size());
  ASSERT_GT(printed.size(), 0U);
  const auto cell = [](const std::string& csv) { return csv.empty() ? std::string("TOO SHORT") : as_report(csv, 12, 5); };
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& row = rows[r];
    const std::string& line = printed[r - 1];
    EXPECT_EQ(row[6] == "annual", line.find("ANNUAL") == 3) << line;
    EXPECT_EQ(cell(row[7]), field(line, 17, 12));
    EXPECT_EQ(cell(row[8]), field(line, 29, 12));
    for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(cell(row[9 + i]), field(line, 46 + 12 * i, 12)) << line;
  }
}

TEST_F(ExportRun, EveryCsvValueRoundsToTheReportsNumber) {
  for (const char* answers : {kRigorousAnswers, kBootstrapAnswers}) {
    SCOPED_TRACE(answers);
    ExampleRun run(dir_.path() / fs::path(answers).stem());
    ASSERT_EQ(run.run(answers_of(answers), {"", "results"}), ExitStatus::Success);
    expect_csv_flows_hold_the_run(run);
    expect_statistics_match_the_side_file(run);
    expect_gauge_parameters_match_the_report(run);
    expect_historical_moments_match_the_report(run);
    expect_simulation_summary_matches_the_report(run);
    expect_storage_yield_matches_the_curve_file(run);
    expect_correlations_match_the_report(run);
  }
}

TEST_F(ExportRun, TheOptionsChangeNoByteOfTheReportsOrConsoleAndTheManifestsAgree) {
  ExampleRun plain(dir_.path() / "plain"), first(dir_.path() / "first"), second(dir_.path() / "second");
  const std::string answers = answers_of(kRigorousAnswers);
  ASSERT_EQ(plain.run(answers), ExitStatus::Success);
  ASSERT_EQ(first.run(answers, {"run.nc", "results", "report.html"}), ExitStatus::Success);
  ASSERT_EQ(second.run(answers, {"run.nc", "results", "report.html"}), ExitStatus::Success);
  EXPECT_EQ(first.console(), plain.console());
  for (const std::string& report : kReports) EXPECT_EQ(first.file(report), plain.file(report)) << report;
  EXPECT_EQ(first.file("results/manifest.json"), second.file("results/manifest.json"));

  const auto manifest = nlohmann::json::parse(first.file("results/manifest.json"));
  EXPECT_EQ(manifest["answers"].size(), lines_of(answers).size());
  EXPECT_EQ(manifest["inputs"][0]["path"], "PARMSET.DAT");
  EXPECT_EQ(manifest["inputs"].size(), 1U + 5 * 5 + 5);  // the parameter file, the series, the historic files
  std::vector<std::string> outputs;
  for (const auto& output : manifest["outputs"]) {
    outputs.push_back(output["path"]);
    EXPECT_EQ(output["size"], fs::file_size(first / output["path"].get<std::string>()));
  }
  EXPECT_EQ(std::vector<std::string>(outputs.begin(), outputs.begin() + 7),
            (std::vector<std::string>{"SEQPROBE.ANS", "SEQPROBE.PIN", "SEQPROBE.PN2", "GAUGE.ANN", "run.nc",
                                      "report.html", "results/sequences/sequence_01.csv"}));
  // The reports, the NetCDF file and the page, the 41 sequences, 8 more CSV tables and the
  // eight tables of the risk analyses.
  EXPECT_EQ(outputs.size(), 6U + 41 + 8 + 8);
  EXPECT_EQ(outputs.back(), "results/validation_summary.csv");
  EXPECT_EQ(manifest["start_states"].size(), 41U);
  // The NetCDF file names the same inputs by the same digest.
  EXPECT_EQ(NetcdfReader(first / "run.nc").text("input_digest"), manifest["input_digest"]);
}

TEST_F(ExportRun, AForecastDumpListsTheMatrixAndLeavesTheIndexYearsEmpty) {
  ExampleRun run(dir_.path() / "a");
  ASSERT_EQ(run.run(answers_of(kForecastDump), {"run.nc", "results"}), ExitStatus::Success);
  const auto manifest = nlohmann::json::parse(run.file("results/manifest.json"));
  std::vector<std::string> outputs;
  for (const auto& output : manifest["outputs"]) outputs.push_back(output["path"]);
  EXPECT_EQ(std::count(outputs.begin(), outputs.end(), "FORECAST.TXT"), 1);
  EXPECT_EQ(manifest["inputs"].back()["path"], "PARAMFOR.DAT");
  const auto rows = csv_rows(run.file("results/index_years.csv"));
  for (std::size_t r = 1; r < rows.size(); ++r) EXPECT_EQ(rows[r][2], "");
  const NetcdfReader nc(run / "run.nc");
  const auto years = nc.values<int>("index_year", 41 * 50);
  EXPECT_EQ(std::count(years.begin(), years.end(), NC_FILL_INT), 41 * 50);
  // The console shows no start state here: the first sequence starts from the stream as
  // seeded, and each later one where its predecessor left the stream.
  StdatBlock seeded;
  rng::start(seeded);
  const auto states = nc.values<int>("start_state", 41 * 3);
  EXPECT_EQ((std::array<int, 3>{states[0], states[1], states[2]}), (std::array<int, 3>{seeded.IX, seeded.IY, seeded.IZ}));
  EXPECT_NE(states[3], states[0]);
  // Analysis tables come with their header rows alone.
  EXPECT_EQ(csv_rows(run.file("results/statistics.csv")).size(), 1U);
}

// The temporary names of the exports: hidden files beside their final names.
constexpr const char* kTemporary = R"(^\..*\.[A-Za-z0-9]{6}$)";

TEST_F(ExportRun, ARunThatEndsEarlyLeavesNoExportFileAndAnOldOneAsItWas) {
  ExampleRun run(dir_.path() / "a");
  std::ofstream(run / "run.nc") << "an earlier run";
  const std::string cut = answers_of(kRigorousAnswers).substr(0, 30);  // ends at the analysis menu
  EXPECT_EQ(run.run(cut, {"run.nc", "results"}), ExitStatus::RunFailed);
  EXPECT_EQ(run.file("run.nc"), "an earlier run");
  EXPECT_FALSE(fs::exists(run / "results"));
  EXPECT_EQ(run.files_named(kTemporary), std::vector<std::string>{});
}

TEST_F(ExportRun, AFileOrFolderInTheWayFailsTheRunNamingIt) {
  ExampleRun run(dir_.path() / "a");
  std::ofstream(run / "results") << "a file";
  EXPECT_EQ(run.run(kNoAnalysis, {"", "results"}), ExitStatus::RunFailed);
  EXPECT_NE(run.console().find(" *** CANNOT CREATE THE FOLDER results: A FILE OF THAT NAME IS IN THE WAY ***\n"),
            std::string::npos);
  EXPECT_EQ(run.file("results"), "a file");

  fs::create_directory(run / "run.nc");
  EXPECT_EQ(run.run(kNoAnalysis, {"run.nc", ""}), ExitStatus::RunFailed);
  EXPECT_NE(run.console().find(" *** CANNOT CREATE THE NETCDF FILE run.nc: A FOLDER OF THAT NAME IS IN THE WAY ***\n"),
            std::string::npos);
  EXPECT_TRUE(fs::is_empty(run / "run.nc"));

  EXPECT_EQ(run.run(kNoAnalysis, {"no/such/folder/run.nc", ""}), ExitStatus::RunFailed);
  EXPECT_NE(run.console().find(" *** CANNOT CREATE THE NETCDF FILE no/such/folder/run.nc: NO SUCH FILE OR DIRECTORY ***"),
            std::string::npos);
  EXPECT_EQ(run.files_named(kTemporary), std::vector<std::string>{});
}

// A file that cannot grow: a limit on the size of any file the process writes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    signal_ = std::signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit then fails with EFBIG
    const rlimit limit{bytes, previous_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, signal_);
  }

 private:
  rlimit previous_{};
  void (*signal_)(int) = nullptr;
};

// A small file system of its own, where one may be mounted.
class SmallDisk {
 public:
  explicit SmallDisk(const fs::path& at) : at_(at) {
    fs::create_directories(at_);
    mounted_ = ::mount("tmpfs", at_.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallDisk() {
    // Lazily: the library may still hold the abandoned file open.
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  fs::path at_;
  bool mounted_ = false;
};

void expect_earlier_files_as_they_were(const ExampleRun& run, const std::string& folder) {
  EXPECT_EQ(run.file(folder + "/run.nc"), "an earlier run");
  EXPECT_EQ(run.file(folder + "/results/sequences/sequence_01.csv"), "an earlier sequence");
  EXPECT_EQ(run.file(folder + "/results/manifest.json"), "an earlier manifest");
  EXPECT_FALSE(fs::exists(run / (folder + "/results/statistics.csv")));
  EXPECT_EQ(run.files_named(kTemporary), std::vector<std::string>{});
}

void leave_earlier_files(const ExampleRun& run, const std::string& folder) {
  fs::create_directories(run / (folder + "/results/sequences"));
  std::ofstream(run / (folder + "/run.nc")) << "an earlier run";
  std::ofstream(run / (folder + "/results/sequences/sequence_01.csv")) << "an earlier sequence";
  std::ofstream(run / (folder + "/results/manifest.json")) << "an earlier manifest";
}

void expect_failed_writing(ExampleRun& run, ExitStatus status, const std::string& message) {
  EXPECT_EQ(status, ExitStatus::RunFailed);
  EXPECT_NE(run.console().find(message), std::string::npos) << run.console().substr(run.console().size() - 300);
  EXPECT_EQ(run.console().find("There you go"), std::string::npos);
}

TEST_F(ExportRun, ACsvFileThatCannotGrowFailsTheRunAndLeavesTheEarlierFilesAsTheyWere) {
  ExampleRun run(dir_.path() / "a");
  leave_earlier_files(run, ".");
  ExitStatus status{};
  {
    const FileSizeLimit limit(16 * 1024);  // the reports of this run stay below it
    status = run.run(kNoAnalysis, {"", "./results"});
  }
  expect_failed_writing(run, status, " *** CANNOT WRITE THE CSV FILE ./results/");
  expect_earlier_files_as_they_were(run, ".");
}

TEST_F(ExportRun, AFullDiskFailsTheRunAndLeavesTheEarlierFilesAsTheyWere) {
  ExampleRun run(dir_.path() / "a");
  const SmallDisk disk(run / "small");
  if (!disk.mounted()) GTEST_SKIP() << "no file system can be mounted here";
  leave_earlier_files(run, "small");
  expect_failed_writing(run, run.run(kNoAnalysis, {"small/run.nc", ""}), " *** CANNOT WRITE THE NETCDF FILE small/run.nc: ");
  expect_failed_writing(run, run.run(kNoAnalysis, {"", "small/results"}),
                        " *** CANNOT WRITE THE CSV FILE small/results/sequences/sequence_0");
  expect_earlier_files_as_they_were(run, "small");
}

}  // namespace
}  // namespace flowplex
