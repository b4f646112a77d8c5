#include "run/run_request.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>
#include <utility>

#include "library/run_preparation.hpp"
#include "report/input.hpp"
#include "report/run_ended.hpp"
#include "run/dialogue.hpp"
#include "run/phases.hpp"
#include "run/run.hpp"

namespace flowplex {
namespace {

constexpr int kNextGauge = 4;

[[noreturn]] void refuse(const std::string& flag, const std::string& value, const std::string& why) {
  throw UsageError((value.empty() ? flag : flag + " " + value) + ": " + why);
}

std::vector<std::string> comma_list(const std::string& text) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
    items.push_back(text.substr(start, comma - start));
  items.push_back(text.substr(start));
  return items;
}

std::string lower_case(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The dialogue's answer for an option named by its word or by that answer.
int read_option(const std::string& value) {
  for (const OptionTexts& option : kOptionTexts)
    if (lower_case(value) == option.command || value == std::to_string(option.answer)) return option.answer;
  refuse("--option", value, "the option is rigorous, bootstrap or forecast (or 0, 1, 3)");
}

bool forecasting(int answer) { return GenerationOption::from_answer(answer).forecasting(); }

// Whole numbers from lo to hi, separated by commas.
std::vector<int> read_numbers(const std::string& flag, const std::string& value, int lo, int hi, const std::string& what) {
  std::vector<int> numbers;
  for (const std::string& item : comma_list(value)) {
    const auto n = parse_whole_number(item);
    if (!n || *n < lo || *n > hi)
      refuse(flag, value, "\"" + item + "\" is not " + what + " " + std::to_string(lo) + " to " + std::to_string(hi));
    numbers.push_back(*n);
  }
  return numbers;
}

// As in the dialogue: at most 15 gauges, a gauge may be chosen more than once.
std::vector<int> read_gauges(const std::string& value) {
  if (value == "none") return {};
  std::vector<int> gauges = read_numbers("--gauges", value, 1, kMaxGauges, "a gauge number");
  if (gauges.size() > kMaxSlots)
    refuse("--gauges", value, "at most " + std::to_string(kMaxSlots) + " gauges can be tested in one run");
  return gauges;
}

std::string read_parameter_file(const std::string& value) {
  if (const std::string why = parameter_file_fault(value); !why.empty()) refuse("--parameters", value, why);
  return value;
}

// One type for every chosen gauge, or one per chosen gauge.
std::vector<std::string> read_historic_types(const std::string& value, std::size_t slots) {
  const std::string given = value.empty() ? "HIS" : value;
  std::vector<std::string> types = comma_list(given);
  for (const std::string& type : types)
    if (const std::string why = historic_type_fault(type); !why.empty()) refuse("--historic", given, why);
  if (types.size() == 1) return std::vector<std::string>(slots, types.front());
  if (types.size() != slots)
    refuse("--historic", given, "one type for every gauge, or one for each of the " + std::to_string(slots) + " gauges");
  return types;
}

std::vector<int> read_analyses(const std::string& flag, const std::string& value) {
  if (value == "all") return {1, 2, 3};
  if (value == "none") return {};
  return read_numbers(flag, value, 1, 3, "an analysis");
}

// K=LIST: the analyses of slot K, in place of those of --analyses.
void read_slot_analyses(const std::string& value, std::vector<std::vector<int>>& analyses) {
  const auto equals = value.find('=');
  const auto slot = parse_whole_number(value.substr(0, equals));
  if (equals == std::string::npos || !slot || *slot < 1 || *slot > static_cast<int>(analyses.size()))
    refuse("--analyses-for", value, "K=LIST, K a chosen gauge's place 1 to " + std::to_string(analyses.size()));
  analyses[static_cast<std::size_t>(*slot - 1)] = read_analyses("--analyses-for", value.substr(equals + 1));
}

// The forecast dump ends the run before the historic files and the analyses.
void refuse_what_the_dump_leaves_out(const RunFlags& flags) {
  if (flags.option.empty() || !forecasting(read_option(flags.option)))
    refuse("--dump", "", "the forecast dump is made in forecasting mode only (--option forecast)");
  for (const auto& [flag, value] : {std::pair{"--historic", flags.historic}, std::pair{"--analyses", flags.analyses}})
    if (!value.empty()) refuse(flag, value, "a run with --dump ends after the dump, before the historic files and analyses");
  if (!flags.analyses_for.empty())
    refuse("--analyses-for", flags.analyses_for.front(), "a run with --dump ends after the dump, before the analyses");
}

void check_historic_files(const Store& s, const RunRequest& request) {
  for (std::size_t k = 0; k < request.gauges.size(); ++k) {
    const int g = request.gauges[k];
    const std::string file = trimmed_name(historic_file_name(s.RIVER.PARM.GNAME(g), request.historic_types[k]));
    if (!file_exists(file))
      end_run(" *** CANNOT FIND THE HISTORIC FILE " + file + " OF GAUGE " + std::to_string(g) + " (" +
              trimmed_name(s.RIVER.PARM.GNAME(g).view()) + ") ***");
  }
}

}  // namespace

void refuse_range_without_tests(const RealizationRange& range, const std::string& value, const RunFlags* flags) {
  if (range.holds_tested()) return;
  const std::string without = "a range without realizations 1 to " + std::to_string(kSequences) + " ";
  if (flags == nullptr || flags->gauges != "none")
    refuse("--realizations", value, without + "makes exports only: it needs `run` with --gauges none");
  const std::pair<std::string, bool> analysed[] = {{"--historic", !flags->historic.empty()},
                                                   {"--analyses", !flags->analyses.empty() && flags->analyses != "none"},
                                                   {"--analyses-for", !flags->analyses_for.empty()},
                                                   {"--dump", flags->dump}};
  for (const auto& [flag, given] : analysed)
    if (given) refuse("--realizations", value, without + "makes no analyses and no dump: leave out " + flag);
}

// The dialogue keeps the first 40 characters of the name: a longer one would be cut.
std::string parameter_file_fault(const std::string& path) {
  if (static_cast<int>(path.size()) <= Name::length()) return {};
  return "the parameter file's path has at most " + std::to_string(Name::length()) + " characters";
}

// The dialogue keeps three characters of the type.
std::string historic_type_fault(const std::string& type) {
  if (!type.empty() && type.size() <= 3 && type.find(' ') == std::string::npos) return {};
  return "\"" + type + "\" is not a historic file type of one to three characters";
}

RunRequest read_run_flags(const RunFlags& flags) {
  if (flags.dump) refuse_what_the_dump_leaves_out(flags);
  RunRequest r;
  r.years = flags.years;
  r.option = read_option(flags.option);
  r.gauges = read_gauges(flags.gauges);
  r.parameter_file = read_parameter_file(flags.parameters);
  r.dump = flags.dump;
  r.quiet = flags.quiet;
  if (r.dump) return r;
  r.historic_types = read_historic_types(flags.historic, r.gauges.size());
  r.analyses.assign(r.gauges.size(), read_analyses("--analyses", flags.analyses.empty() ? "all" : flags.analyses));
  for (const std::string& value : flags.analyses_for) read_slot_analyses(value, r.analyses);
  return r;
}

std::string dialogue_answers(const RunRequest& r) {
  std::string answers = std::to_string(r.years) + "\n" + std::to_string(r.option) + "\n";
  for (const int g : r.gauges) answers += std::to_string(g) + "\n";
  if (r.gauges.size() < kMaxSlots) answers += "0\n";  // the fifteenth gauge closes the list itself
  answers += r.parameter_file + "\n";
  if (forecasting(r.option)) answers += r.dump ? "Y\n" : "N\n";
  if (r.dump) return answers;
  for (const std::string& type : r.historic_types) answers += type + "\n";
  for (const std::vector<int>& choices : r.analyses) {
    for (const int choice : choices) answers += std::to_string(choice) + "\n";
    answers += std::to_string(kNextGauge) + "\n";
  }
  return answers;
}

void check_before_run(Store& s, Console& con, const RunRequest& request, int threads) {
  s.RIVER.PARM.PARMFILE.assign(request.parameter_file.empty() ? kDefaultParameterFile : request.parameter_file);
  prepare_river_system(s.RIVER, con, threads, request.gauges, GenerationOption::from_answer(request.option));
  if (!request.dump) check_historic_files(s, request);
}

}  // namespace flowplex
