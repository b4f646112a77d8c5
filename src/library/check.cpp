#include "library/check.hpp"

#include <algorithm>
#include <array>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "generation/forecast.hpp"
#include "generation/generator.hpp"
#include "generation/parameter_file.hpp"
#include "generation/series_file.hpp"
#include "report/faults.hpp"
#include "report/input.hpp"
#include "library/historic_file.hpp"

namespace flowplex {
namespace {

// The options of a run, in the order of kOptionTexts, which names them.
constexpr std::size_t kForecastingOption = 2;  // its place in kOptionTexts
static_assert(GenerationOption(kOptionTexts[kForecastingOption].IOPT).forecasting());
using OptionSet = std::array<bool, kOptionTexts.size()>;
constexpr OptionSet kEveryOption{true, true, true};
constexpr OptionSet kForecastingOnly{false, false, true};

// Where a finding lies: the file (named relative to the river system's folder) and line.
struct Where {
  std::string file;
  int line = 0;
};

std::vector<std::string> message_lines(const std::string& message) {
  std::vector<std::string> lines;
  std::istringstream in(message);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// What the check has found so far, and the options its problems stop.
class Findings {
 public:
  // A problem is listed once, however many options or gauges it stops.
  void problem(const std::string& message, const OptionSet& stops, std::vector<std::string> details = {},
               Where where = {}) {
    for (std::size_t i = 0; i < kOptionTexts.size(); ++i) can_run_[i] = can_run_[i] && !stops[i];
    if (!problems_seen_.insert(message).second) return;
    problems_.push_back(with_details(message, std::move(details), std::move(where)));
  }
  void warning(const std::string& message, std::vector<std::string> details = {}, Where where = {}) {
    warnings_.push_back(with_details(message, std::move(details), std::move(where)));
  }
  void stop(std::size_t option) { can_run_[option] = false; }

  const std::vector<CheckFinding>& problems() const { return problems_; }
  const std::vector<CheckFinding>& warnings() const { return warnings_; }
  const OptionSet& can_run() const { return can_run_; }

 private:
  static CheckFinding with_details(const std::string& message, std::vector<std::string> details, Where where) {
    CheckFinding f{message_lines(message), std::move(where.file), where.line};
    f.lines.insert(f.lines.end(), details.begin(), details.end());
    return f;
  }
  std::vector<CheckFinding> problems_;
  std::vector<CheckFinding> warnings_;
  std::set<std::string> problems_seen_;
  OptionSet can_run_ = kEveryOption;
};

// What a gauge's historic file gave, for the summary.
struct HistoricSummary {
  std::string file;
  bool found = false;
  HistoricRead read;
};

// The readers' progress lines go nowhere: the check shows only what it found.
class SilentConsole {
 public:
  Console& console() { return console_; }

 private:
  std::istringstream no_answers_;
  std::ostream nowhere_{nullptr};
  Console console_{no_answers_, nowhere_};
};

// The parameter file and every series file, by the run's load step. Every fault stops
// every option, since every run loads them all. Returns the gauges whose series files
// hold a fault, so that nothing that follows from it is counted again.
std::set<int> load_river_system(Store& s, Findings& found, const CheckRequest& request) {
  s.RIVER.PARM.PARMFILE.assign(request.parameter_file);
  Faults faults = Faults::noting();
  SilentConsole quiet;
  anread(s.RIVER, quiet.console(), faults);
  std::set<int> faulty;
  for (const Fault& f : faults.noted()) {
    found.problem(f.message, kEveryOption, {}, {f.file, f.line});
    if (f.gauge != 0) faulty.insert(f.gauge);
  }
  return faulty;
}

bool series_read(const Store& s) { return s.RIVER.PARM.NCOMMON > 0; }

// The incremental, ranked and rainfall files of gauge g that are missing: what its
// records lack when an option cannot generate it.
std::vector<std::string> missing_record_files(const Store& s, int g) {
  std::vector<std::string> missing;
  for (const int type : {kIncremental, kRanked, kRainfall})
    if (!file_exists(s.RIVER.FOLDER, series_file_name(s.RIVER, g, type)))
      missing.push_back("CANNOT FIND THE FILE " + series_file_name(s.RIVER, g, type));
  return missing;
}

// What keeps the rigorous option or the bootstrap from generating each gauge whose
// series files were read whole.
void generation_findings(const Store& s, Findings& found, const std::set<int>& faulty) {
  for (int g = 1; g <= s.RIVER.PARM.NGAUGE; ++g) {
    if (faulty.contains(g)) continue;
    for (std::size_t i = 0; i < kForecastingOption; ++i) {
      const auto why = generation_fault(s.RIVER, kOptionTexts[i].IOPT, g);
      if (!why) continue;
      OptionSet stops{};
      stops[i] = true;
      found.problem(*why, stops, missing_record_files(s, g));
    }
  }
}

// Rainfall, afforestation and irrigation: a run goes on without them.
void secondary_series_findings(const Store& s, Findings& found) {
  for (int g = 1; g <= s.RIVER.PARM.NGAUGE; ++g)
    for (int type = kRainfall; type <= kSeriesTypes; ++type)
      if (!file_exists(s.RIVER.FOLDER, series_file_name(s.RIVER, g, type)))
        found.warning(" *** CANNOT FIND THE FILE " + series_file_name(s.RIVER, g, type) + " - A RUN PROCEEDS WITHOUT IT ***",
                      {}, {series_file_name(s.RIVER, g, type)});
}

// Every gauge's historic file of the type, read as the run reads it (into slot 1).
std::vector<HistoricSummary> historic_findings(Store& s, Findings& found, const std::string& type) {
  std::vector<HistoricSummary> summaries;
  for (int g = 1; g <= s.RIVER.PARM.NGAUGE; ++g) {
    HistoricSummary h;
    h.file = trimmed_name(historic_file_name(s.RIVER.PARM.GNAME(g), type));
    h.found = file_exists(s.RIVER.FOLDER, h.file);
    if (!h.found) {
      found.warning(" *** CANNOT FIND THE HISTORIC FILE " + h.file + " ***", {}, {h.file});
    } else {
      Faults faults = Faults::noting();
      faults.carry_on([&] { h.read = read_historic_years(s.RIVER.FOLDER, h.file, s.HIST, 1); });
      for (const Fault& f : faults.noted()) found.warning(f.message, {}, {f.file, f.line});
      if (!faults.noted_any())
        for (const std::string& note : historic_read_notes(h.file, h.read)) found.warning(note, {}, {h.file, h.read.bad_line});
    }
    summaries.push_back(h);
  }
  return summaries;
}

// PARAMFOR.DAT: missing, forecasting cannot run; present, its faults are problems.
void forecast_findings(Store& s, Findings& found) {
  const bool present = file_exists(s.RIVER.FOLDER, kForecastFile);
  Faults faults = Faults::noting();
  faults.carry_on([&] { read_forecast_file(s.RIVER, kForecastFile, faults); });
  if (!faults.noted_any()) faults.carry_on([&] { set_forecast_start(s.RIVER); });
  for (const Fault& f : faults.noted()) {
    if (present)
      found.problem(f.message, kForecastingOnly, {}, {f.file, f.line});
    else
      found.warning(f.message, {"FORECASTING CANNOT RUN"}, {f.file, f.line});
  }
  if (!present) found.stop(kForecastingOption);
}

std::string without_leading_blanks(const std::string& line) {
  return line.substr(std::min(line.find_first_not_of(' '), line.size()));
}

// The first line of each finding after its label, the others below it, indented.
void show_findings(Console& con, std::string_view label, const std::vector<CheckFinding>& findings) {
  for (const CheckFinding& f : findings) {
    con.text(" " + std::string(label) + " " + without_leading_blanks(f.lines.front()));
    for (std::size_t i = 1; i < f.lines.size(); ++i) con.text("         " + without_leading_blanks(f.lines[i]));
  }
  if (!findings.empty()) con.text(" ");
}

const Layout kGaugeRow{R"(1X I5 2X A40 2X I4 "-" I4 I7 2X A3 2X A)"};
constexpr std::string_view kGaugeHeading =
    " GAUGE  NAME                                      RECORD     YEARS  KEY  HISTORIC FILE";

std::string historic_text(const HistoricSummary& h) {
  if (!h.found) return h.file + " MISSING";
  std::string text = h.file + " " + std::to_string(h.read.years) + " YEARS";
  if (h.read.bad_line != 0) text += ", STOPS AT LINE " + std::to_string(h.read.bad_line);
  return text;
}

bool is_key_gauge(const Store& s, int g) {
  for (int i = 1; i <= s.RIVER.DSBASE.NKEY; ++i)
    if (s.RIVER.DSBASE.KEYG(i) == g) return true;
  return false;
}

std::string key_gauges_text(const Store& s) {
  std::string text;
  for (int i = 1; i <= s.RIVER.DSBASE.NKEY; ++i) text += (text.empty() ? "" : " ") + std::to_string(s.RIVER.DSBASE.KEYG(i));
  return text.empty() ? "NONE" : text;
}

std::string common_period_text(const Store& s) {
  if (!series_read(s)) return "NOT KNOWN";
  return std::to_string(s.RIVER.PARM.ISTART) + " TO " + std::to_string(s.RIVER.PARM.ISTART + s.RIVER.PARM.NCOMMON - 1) + ", " +
         std::to_string(s.RIVER.PARM.NCOMMON) + " YEARS";
}

std::string options_text(const OptionSet& can_run) {
  std::string text;
  for (std::size_t i = 0; i < kOptionTexts.size(); ++i)
    if (can_run[i]) text += (text.empty() ? "" : ", ") + std::string(kOptionTexts[i].check_name);
  return text.empty() ? "NONE" : text;
}

void show_summary(const Store& s, Console& con, const Findings& found, const std::vector<HistoricSummary>& historic) {
  con.text(kGaugeHeading);
  for (int g = 1; g <= s.RIVER.PARM.NGAUGE; ++g) {
    const int first = s.RIVER.ANDATA.IYSTART(g);
    con.write(kGaugeRow, g, s.RIVER.PARM.GNAME(g), first, first + s.RIVER.ANDATA.NYEARS(g) - 1, s.RIVER.ANDATA.NYEARS(g),
              is_key_gauge(s, g) ? "YES" : "", historic_text(historic[static_cast<std::size_t>(g - 1)]));
  }
  con.text(" ", " COMMON PERIOD        : " + common_period_text(s), " KEY GAUGES           : " + key_gauges_text(s),
           " OPTIONS THAT CAN RUN : " + options_text(found.can_run()), " ");
}

std::string counted(std::size_t n, const std::string& what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "S");
}

}  // namespace

ExitStatus check_river_system(Store& s, Console& con, const CheckRequest& request, CheckFindings* findings) {
  Findings found;
  const std::set<int> faulty = load_river_system(s, found, request);
  if (series_read(s)) {
    generation_findings(s, found, faulty);
    secondary_series_findings(s, found);
  }
  const std::vector<HistoricSummary> historic = historic_findings(s, found, request.historic_type);
  if (s.RIVER.PARM.NGAUGE > 0) forecast_findings(s, found);

  con.text(" CHECK OF THE RIVER SYSTEM OF " + request.parameter_file + ", HISTORIC FILES OF TYPE " +
               request.historic_type,
           " ");
  show_findings(con, "PROBLEM", found.problems());
  show_findings(con, "WARNING", found.warnings());
  show_summary(s, con, found, historic);
  con.text(" " + counted(found.problems().size(), "PROBLEM") + ", " + counted(found.warnings().size(), "WARNING"));
  if (findings != nullptr) *findings = {found.problems(), found.warnings()};
  return found.problems().empty() ? ExitStatus::Success : ExitStatus::RunFailed;
}

}  // namespace flowplex
