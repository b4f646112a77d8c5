// The factors of a perturbation as a user gives them: the text of --perturb, or a CSV of
// factors by gauge.
#include <charconv>
#include <cmath>
#include <fstream>
#include <sstream>

#include "flowplex/perturbation.hpp"
#include "report/input.hpp"

namespace flowplex::api {
namespace {

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
}

// A factor: a finite number above zero.
double factor(const std::string& text, const std::string& what) {
  double value = 0.0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value))
    throw RequestError(what + " \"" + text + "\" is not a number");
  if (value <= 0.0) throw RequestError(what + " " + text + " is not above 0");
  return value;
}

std::array<double, kMonthsPerYear> monthly_factors(const std::string& text) {
  const std::vector<std::string> items = split_at(text, ':');
  if (items.size() != kMonthsPerYear)
    throw RequestError("the monthly factors are twelve positive numbers joined by ':' (October first), not \"" +
                       text + "\"");
  std::array<double, kMonthsPerYear> months{};
  for (std::size_t m = 0; m < months.size(); ++m) months[m] = factor(trimmed(items[m]), "the monthly factor");
  return months;
}

// One "key=value" of the --perturb text into the factors; each key at most once.
void read_setting(const std::string& setting, GaugeFactors& f, std::vector<std::string>& seen) {
  const auto equals = setting.find('=');
  const std::string key = trimmed(setting.substr(0, equals));
  if (equals == std::string::npos || (key != "mean" && key != "cv" && key != "months"))
    throw RequestError("\"" + setting + "\" is not mean=M, cv=C or months=F1:...:F12");
  if (std::find(seen.begin(), seen.end(), key) != seen.end()) throw RequestError(key + " is given twice");
  seen.push_back(key);
  const std::string value = trimmed(setting.substr(equals + 1));
  if (key == "mean") f.mean = factor(value, "the mean factor");
  if (key == "cv") f.cv = factor(value, "the variability factor");
  if (key == "months") f.months = monthly_factors(value);
}

// The gauge column of a row: a gauge number from 1, or "*".
std::optional<int> row_gauge(const std::string& text) {
  if (text == "*") return std::nullopt;
  int gauge = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, gauge);
  if (text.empty() || error != std::errc() || stop != end || gauge < 1)
    throw RequestError("the gauge \"" + text + "\" is neither a gauge number nor *");
  return gauge;
}

void read_row(const std::string& line, Perturbation& p, bool& every_given) {
  const std::vector<std::string> fields = split_at(line, ',');
  if (fields.size() != 4) throw RequestError("a row holds four fields, gauge,mean,cv,months");
  const std::optional<int> gauge = row_gauge(trimmed(fields[0]));
  GaugeFactors f;
  f.mean = factor(trimmed(fields[1]), "the mean factor");
  f.cv = factor(trimmed(fields[2]), "the variability factor");
  if (const std::string months = trimmed(fields[3]); !months.empty()) f.months = monthly_factors(months);
  if (!gauge) {
    if (every_given) throw RequestError("* is given twice");
    every_given = true;
    p.set_every_other_gauge(f);
    return;
  }
  if (p.named_gauges().contains(*gauge)) throw RequestError("gauge " + std::to_string(*gauge) + " is given twice");
  p.set(*gauge, f);
}

}  // namespace

Perturbation::Perturbation(GaugeFactors every_gauge, std::string given)
    : every_(std::move(every_gauge)), given_(std::move(given)) {}

Perturbation Perturbation::from_text(std::string_view text) {
  GaugeFactors f;
  std::vector<std::string> seen;
  for (const std::string& setting : split_at(text, ',')) read_setting(setting, f, seen);
  return Perturbation(f, std::string(text));
}

Perturbation Perturbation::from_csv(std::istream& in, const std::string& name) {
  std::string line;
  std::getline(in, line);
  std::string header = trimmed(line);
  if (header.starts_with("\xEF\xBB\xBF")) header.erase(0, 3);  // a spreadsheet's byte-order mark
  if (header != "gauge,mean,cv,months") throw RequestError(name + " line 1: the header gauge,mean,cv,months is missing");
  Perturbation p(GaugeFactors{}, "FACTORS OF " + name);
  bool every_given = false;
  for (int number = 2; std::getline(in, line); ++number) {
    if (trimmed(line).empty()) continue;
    try {
      read_row(line, p, every_given);
    } catch (const RequestError& e) {
      throw RequestError(name + " line " + std::to_string(number) + ": " + e.what());
    }
  }
  return p;
}

Perturbation Perturbation::read_file(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw RequestError("cannot read the file " + file.string());
  return from_csv(in, file.string());
}

void Perturbation::set_every_other_gauge(const GaugeFactors& factors) { every_ = factors; }

void Perturbation::set(int gauge, const GaugeFactors& factors) { named_[gauge] = factors; }

const GaugeFactors& Perturbation::of(int gauge) const {
  const auto named = named_.find(gauge);
  return named == named_.end() ? every_ : named->second;
}

bool Perturbation::identity() const {
  return every_.identity() &&
         std::all_of(named_.begin(), named_.end(), [](const auto& gauge) { return gauge.second.identity(); });
}

}  // namespace flowplex::api
