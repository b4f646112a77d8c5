#include "stress/scenarios.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "report/input.hpp"

namespace flowplex::stress {
namespace {

using api::RequestError;

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

template <typename Number>
std::optional<Number> parsed(const std::string& text) {
  Number value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

double finite_number(const std::string& text, const std::string& what) {
  const std::optional<double> value = parsed<double>(trimmed(text));
  if (!value || !std::isfinite(*value)) throw RequestError(what + " \"" + text + "\" is not a number");
  return *value;
}

// Decimal places of the number as written: the digits after its point, and as many more
// as a negative exponent shifts it by (5e-2 has two).
int decimals_of(const std::string& text) {
  const auto point = text.find('.');
  const auto exponent = text.find_first_of("eE");
  const auto digits_end = std::min(exponent, text.size());
  const int digits = point == std::string::npos || point > digits_end ? 0 : static_cast<int>(digits_end - point - 1);
  const int shift =
      exponent == std::string::npos ? 0 : std::clamp(parsed<int>(text.substr(exponent + 1)).value_or(0), -999, 999);
  return std::max(0, digits - shift);
}

// The double nearest the decimal of `value` rounded to `decimals` places: what the
// factor reads as when typed, so that a grid's 1.1 is --perturb's 1.1.
double as_decimal(double value, int decimals) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
  return error == std::errc() ? *parsed<double>(std::string(text, end)) : value;
}

Scenario grid_point(double mean, double cv) {
  const std::string name = "mean=" + factor_text(mean) + ",cv=" + factor_text(cv);
  return {name, api::Perturbation::from_text(name), mean, cv};
}

// The same text as a perturbation file's rows, each at its own line of the scenarios
// file (the lines between left blank), so that a fault is named by the file's line.
struct ScenarioRows {
  std::string name;
  std::string text = "gauge,mean,cv,months\n";
  int lines = 1;
  void add(int line, const std::string& row) {
    for (; lines < line - 1; ++lines) text += '\n';
    text += row + '\n';
    ++lines;
  }
};

void refuse_header(const std::string& line, const std::string& header, const std::string& name) {
  std::string given = trimmed(line);
  if (given.starts_with("\xEF\xBB\xBF")) given.erase(0, 3);  // a spreadsheet's byte-order mark
  if (given != header) throw RequestError(name + " line 1: the header " + header + " is missing");
}

std::ifstream opened(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RequestError("cannot read the file " + file.string());
  return in;
}

}  // namespace

std::string factor_text(double value) {
  char text[64];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : std::to_string(value);
}

std::vector<double> grid_axis(const std::string& text) {
  const std::vector<std::string> parts = split_at(text, ':');
  if (parts.size() != 3) throw RequestError("the axis is FROM:TO:STEP");
  const double from = finite_number(parts[0], "FROM");
  const double to = finite_number(parts[1], "TO");
  const double step = finite_number(parts[2], "STEP");
  if (!(step > 0.0)) throw RequestError("the step is above 0");
  if (to < from) throw RequestError("TO comes before FROM");
  if (!(from > 0.0)) throw RequestError("a factor is above 0");
  const double steps = std::round((to - from) / step);
  if (steps >= kMostScenarios) throw RequestError("more than " + std::to_string(kMostScenarios) + " values");
  const int decimals = std::max(decimals_of(trimmed(parts[0])), decimals_of(trimmed(parts[2])));
  std::vector<double> values;
  for (int i = 0; i <= static_cast<int>(steps); ++i) values.push_back(as_decimal(from + i * step, decimals));
  return values;
}

ScenarioSet grid_scenarios(const std::vector<double>& mean, const std::vector<double>& cv) {
  if (mean.size() * cv.size() > static_cast<std::size_t>(kMostScenarios))
    throw RequestError("the grid holds " + std::to_string(mean.size() * cv.size()) + " scenarios, more than " +
                       std::to_string(kMostScenarios));
  ScenarioSet set{{}, true};
  for (const double m : mean)
    for (const double c : cv) set.scenarios.push_back(grid_point(m, c));
  const bool has_baseline = std::find(mean.begin(), mean.end(), 1.0) != mean.end() &&
                            std::find(cv.begin(), cv.end(), 1.0) != cv.end();
  if (!has_baseline) set.scenarios.push_back(grid_point(1.0, 1.0));
  return set;
}

ScenarioSet read_scenarios(const std::filesystem::path& file) {
  std::ifstream in = opened(file);
  return read_scenarios(in, file.string());
}

ScenarioSet read_scenarios(std::istream& in, const std::string& name) {
  std::string line;
  std::getline(in, line);
  refuse_header(line, "scenario,gauge,mean,cv,months", name);
  std::vector<ScenarioRows> rows;
  for (int number = 2; std::getline(in, line); ++number) {
    if (trimmed(line).empty()) continue;
    const auto comma = line.find(',');
    const std::string scenario = trimmed(line.substr(0, comma));
    if (comma == std::string::npos || scenario.empty())
      throw RequestError(name + " line " + std::to_string(number) + ": a row begins with its scenario's name");
    auto group = std::find_if(rows.begin(), rows.end(), [&](const ScenarioRows& r) { return r.name == scenario; });
    if (group == rows.end()) group = rows.insert(rows.end(), ScenarioRows{scenario});
    group->add(number, line.substr(comma + 1));
  }
  if (rows.empty()) throw RequestError(name + ": no scenario is given");
  if (rows.size() > static_cast<std::size_t>(kMostScenarios))
    throw RequestError(name + ": more than " + std::to_string(kMostScenarios) + " scenarios");
  ScenarioSet set;
  for (const ScenarioRows& r : rows) {
    std::istringstream text(r.text);
    set.scenarios.push_back({r.name, api::Perturbation::from_csv(text, name), std::nullopt, std::nullopt});
  }
  if (std::none_of(set.scenarios.begin(), set.scenarios.end(), [](const Scenario& s) { return s.factors.identity(); }))
    set.scenarios.push_back({"baseline", api::Perturbation::from_text("mean=1,cv=1"), std::nullopt, std::nullopt});
  return set;
}

std::vector<Projection> read_projections(const std::filesystem::path& file) {
  std::ifstream in = opened(file);
  return read_projections(in, file.string());
}

std::vector<Projection> read_projections(std::istream& in, const std::string& name) {
  std::string line;
  std::getline(in, line);
  refuse_header(line, "label,mean,cv", name);
  std::vector<Projection> projections;
  for (int number = 2; std::getline(in, line); ++number) {
    if (trimmed(line).empty()) continue;
    const std::vector<std::string> fields = split_at(line, ',');
    try {
      if (fields.size() != 3 || trimmed(fields[0]).empty()) throw RequestError("a row holds three fields, label,mean,cv");
      const double mean = finite_number(fields[1], "the mean factor");
      const double cv = finite_number(fields[2], "the variability factor");
      if (!(mean > 0.0) || !(cv > 0.0)) throw RequestError("the factors are above 0");
      projections.push_back({trimmed(fields[0]), mean, cv});
    } catch (const RequestError& e) {
      throw RequestError(name + " line " + std::to_string(number) + ": " + e.what());
    }
  }
  return projections;
}

std::vector<int> read_yields(const std::string& text) {
  std::vector<int> yields;
  for (const std::string& item : split_at(text, ',')) {
    const std::optional<int> y = parsed<int>(trimmed(item));
    if (!y || *y < 5 || *y > 100 || *y % 5 != 0)
      throw RequestError("\"" + item + "\" is not a yield level: 5, 10, ..., 100 % of MAR");
    yields.push_back(*y);
  }
  return yields;
}

std::vector<int> read_reliabilities(const std::string& text) {
  std::vector<int> reliabilities;
  for (const std::string& item : split_at(text, ',')) {
    const std::optional<int> r = parsed<int>(trimmed(item));
    if (!r || *r < 1 || *r > 99) throw RequestError("\"" + item + "\" is not a reliability, a whole % from 1 to 99");
    reliabilities.push_back(*r);
  }
  return reliabilities;
}

std::vector<double> read_storages(const std::string& text) {
  std::vector<double> storages;
  for (const std::string& item : split_at(text, ',')) {
    const std::optional<double> s = parsed<double>(trimmed(item));
    if (!s || !std::isfinite(*s) || !(*s > 0.0))
      throw RequestError("\"" + item + "\" is not a storage: a number of % of MAR above 0");
    storages.push_back(*s);
  }
  return storages;
}

}  // namespace flowplex::stress
