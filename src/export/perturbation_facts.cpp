#include "export/perturbation_facts.hpp"

#include <array>
#include <charconv>
#include <vector>

namespace flowplex {
namespace {

// The shortest text that reads back as the same double.
std::string number(double value) {
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
  return {text.data(), end};
}

std::string months_text(const api::GaugeFactors& f) {
  std::string text;
  for (const double m : *f.months) text += (text.empty() ? "" : ":") + number(m);
  return text;
}

nlohmann::ordered_json factors_json(const api::GaugeFactors& f) {
  nlohmann::ordered_json json{{"mean", f.mean}, {"cv", f.cv}};
  json["months"] = f.months ? nlohmann::ordered_json(*f.months) : nlohmann::ordered_json(nullptr);
  return json;
}

}  // namespace

std::string factors_in_words(const api::GaugeFactors& f) {
  std::string text = "mean \u00d7" + number(f.mean) + ", CV \u00d7" + number(f.cv);
  return f.months ? text + ", monthly factors " + months_text(f) : text;
}

nlohmann::ordered_json perturbation_json(const api::Perturbation& p) {
  nlohmann::ordered_json gauges = nlohmann::ordered_json::object();
  for (const auto& [g, factors] : p.named_gauges()) gauges[std::to_string(g)] = factors_json(factors);
  return {{"given", p.given()}, {"every_other_gauge", factors_json(p.every_other_gauge())}, {"gauges", gauges}};
}

std::vector<Attribute> perturbation_attributes(const api::Perturbation& p, int NGAUGE) {
  std::vector<double> mean, cv, months;
  for (int g = 1; g <= NGAUGE; ++g) {
    const api::GaugeFactors& f = p.of(g);
    mean.push_back(f.mean);
    cv.push_back(f.cv);
    for (int m = 0; m < api::kMonthsPerYear; ++m) months.push_back(f.months ? (*f.months)[static_cast<std::size_t>(m)] : 1.0);
  }
  return {{"perturbation", p.given()},
          {"perturbation_comment",
           "annual flows Q' = a*Q^b by station, meeting mean_factor times the mean and cv_factor times the "
           "coefficient of variation of the station's reference annual flows; monthly factors reshape each year's "
           "months, keeping its total; every realization keeps the draws and historical years of the unperturbed run"},
          {"perturbation_mean_factor", mean},
          {"perturbation_cv_factor", cv},
          {"perturbation_monthly_factors", months}};
}

}  // namespace flowplex
