#include "export/risk_layout.hpp"

#include <array>
#include <limits>
#include <optional>

#include "store/limits.hpp"

namespace flowplex {
namespace {

std::vector<int> one_to(int n, int step = 1) {
  std::vector<int> values;
  for (int i = 1; i <= n; ++i) values.push_back(i * step);
  return values;
}

constexpr float kAbsent = std::numeric_limits<float>::quiet_NaN();

float or_absent(std::optional<float> v) { return v.value_or(kAbsent); }

// One value per (realization, slot), realization first: how the per-realization
// figures are laid out.
template <typename T, typename Of>
std::vector<T> by_realization(const std::vector<SlotRisk>& risks, Of of) {
  std::vector<T> values;
  const std::size_t realizations = risks.front().droughts.size();
  for (std::size_t r = 0; r < realizations; ++r)
    for (const SlotRisk& risk : risks) of(values, risk, r);
  return values;
}

// One value per slot.
template <typename T, typename Of>
std::vector<T> by_slot(const std::vector<SlotRisk>& risks, Of of) {
  std::vector<T> values;
  for (const SlotRisk& risk : risks) of(values, risk);
  return values;
}

template <typename Values>
RiskVariable variable(std::string name, ValueType type, std::vector<std::string> dimensions,
                      std::vector<Attribute> attributes, Values values) {
  return {std::move(name), type, std::move(dimensions), std::move(attributes), false, std::move(values)};
}

// A float figure whose absent values are NaN, as xarray reads them.
RiskVariable figure(std::string name, std::vector<std::string> dimensions, std::string long_name,
                    std::vector<float> values) {
  RiskVariable v = variable(std::move(name), ValueType::float32, std::move(dimensions),
                            {{"long_name", std::move(long_name)}, {"coordinates", "slot_gauge"}}, std::move(values));
  v.absent_as_nan = true;
  return v;
}

const std::array<std::string, kFigureNames.size()> kFigureLongNames{
    "Hurst exponent of the annual flows by rescaled range (blocks of 8, 16, ... years)",
    "share of the annual flows' variance at frequencies up to 0.1 cycles a year (periodogram)",
    "L-CV of the annual flows (l2 / l1, unbiased probability-weighted moments)",
    "L-skewness of the annual flows (l3 / l2)",
    "L-kurtosis of the annual flows (l4 / l2)",
    "SSI-12 droughts (runs of months below -1) per 100 years",
    "mean duration of an SSI-12 drought (months)",
    "mean severity of an SSI-12 drought (sum of -SSI over its months)",
};

void add_slots(std::vector<RiskVariable>& v, const std::vector<SlotRisk>& risks) {
  v.push_back(variable("slot", ValueType::int32, {"slot"},
                       {{"long_name", "slot: the gauge's place in the list of chosen gauges, for the slots analysed"}},
                       by_slot<int>(risks, [](std::vector<int>& s, const SlotRisk& r) { s.push_back(r.slot); })));
  v.push_back(variable("slot_gauge", ValueType::int32, {"slot"},
                       {{"long_name", "gauge number of the slot: the gauge's order in the parameter file"}},
                       by_slot<int>(risks, [](std::vector<int>& s, const SlotRisk& r) { s.push_back(r.gauge); })));
  v.push_back(variable("mar", ValueType::float32, {"slot"},
                       {{"long_name", "mean annual runoff the storages are measured in, as the statistics test ends with it"},
                        {"comment", "in the unit of the river system's series files"}},
                       by_slot<float>(risks, [](std::vector<float>& s, const SlotRisk& r) { s.push_back(r.MAR); })));
  v.push_back(variable("month", ValueType::int32, {"month"},
                       {{"long_name", "month of the hydrological year (1 = October, 12 = September)"}}, one_to(kMonths)));
  v.push_back(variable("drought_threshold", ValueType::float32, {"slot", "month"},
                       {{"long_name", "historical Q80 of the month: a month whose flow is below it is in drought"}},
                       by_slot<float>(risks, [](std::vector<float>& s, const SlotRisk& r) {
                         s.insert(s.end(), r.drought_threshold.begin(), r.drought_threshold.end());
                       })));
  v.push_back(variable("yield_level", ValueType::int32, {"yield_level"},
                       {{"long_name", "yield drawn from the reservoir"}, {"units", "percent of mar"}},
                       one_to(kYieldLevels, 5)));
}

void add_storages_and_droughts(std::vector<RiskVariable>& v, const std::vector<SlotRisk>& risks) {
  v.push_back(variable(
      "required_storage", ValueType::float32, {"realization", "slot", "yield_level"},
      {{"long_name", "storage needed to supply the yield throughout the realization (sequent peak)"},
       {"units", "percent of mar"},
       {"coordinates", "slot_gauge mar"}},
      by_realization<float>(risks, [](std::vector<float>& s, const SlotRisk& risk, std::size_t r) {
        s.insert(s.end(), risk.storage[r].begin(), risk.storage[r].end());
      })));
  v.push_back(variable(
      "drought_events_per_century", ValueType::float32, {"realization", "slot"},
      {{"long_name", "droughts (runs of months below drought_threshold) per 100 years"}, {"coordinates", "slot_gauge"}},
      by_realization<float>(risks, [](std::vector<float>& s, const SlotRisk& risk, std::size_t r) {
        s.push_back(risk.droughts[r].events_per_century);
      })));
  v.push_back(variable(
      "longest_drought", ValueType::int32, {"realization", "slot"},
      {{"long_name", "longest drought"}, {"units", "months"}, {"coordinates", "slot_gauge"}},
      by_realization<int>(risks, [](std::vector<int>& s, const SlotRisk& risk, std::size_t r) {
        s.push_back(risk.droughts[r].longest);
      })));
  v.push_back(variable(
      "largest_deficit", ValueType::float32, {"realization", "slot"},
      {{"long_name", "largest deficit of a drought: the sum of drought_threshold less the flow"},
       {"comment", "in the unit of the river system's series files"},
       {"coordinates", "slot_gauge"}},
      by_realization<float>(risks, [](std::vector<float>& s, const SlotRisk& risk, std::size_t r) {
        s.push_back(risk.droughts[r].largest_deficit);
      })));
}

void add_validation_figures(std::vector<RiskVariable>& v, const std::vector<SlotRisk>& risks) {
  for (std::size_t i = 0; i < kFigureNames.size(); ++i) {
    const std::string name(kFigureNames[i]);
    v.push_back(figure(name, {"realization", "slot"}, kFigureLongNames[i],
                       by_realization<float>(risks, [i](std::vector<float>& s, const SlotRisk& risk, std::size_t r) {
                         s.push_back(or_absent(risk.figures[r][i]));
                       })));
    v.push_back(figure("historical_" + name, {"slot"}, kFigureLongNames[i] + ", historical record",
                       by_slot<float>(risks, [i](std::vector<float>& s, const SlotRisk& r) {
                         s.push_back(or_absent(r.historical_figures[i]));
                       })));
  }
  v.push_back(figure("hurst_expected", {"slot"},
                     "Anis-Lloyd expected Hurst exponent of independent values at the realizations' length",
                     by_slot<float>(risks, [](std::vector<float>& s, const SlotRisk& r) { s.push_back(or_absent(r.hurst_expected)); })));
  v.push_back(figure("historical_hurst_expected", {"slot"},
                     "Anis-Lloyd expected Hurst exponent of independent values at the record's length",
                     by_slot<float>(risks, [](std::vector<float>& s, const SlotRisk& r) {
                       s.push_back(or_absent(r.hurst_expected_historical));
                     })));
}

void add_monthly_tests(std::vector<RiskVariable>& v, const std::vector<SlotRisk>& risks) {
  v.push_back(variable("monthly_test", ValueType::text, {"monthly_test"},
                       {{"long_name", "two-sample test of each realization's monthly flows against the record's"}},
                       std::vector<std::string>(kMonthlyTests.begin(), kMonthlyTests.end())));
  v.push_back(figure("rejected_share", {"slot", "monthly_test", "month"},
                     "share of the realizations whose test rejects at p < 0.05",
                     by_slot<float>(risks, [](std::vector<float>& s, const SlotRisk& r) {
                       for (const auto& test : r.rejected) s.insert(s.end(), test.begin(), test.end());
                     })));
}

}  // namespace

RiskLayout risk_layout(const std::vector<SlotRisk>& risks) {
  RiskLayout layout;
  if (risks.empty()) return layout;
  layout.dimensions = {{"slot", risks.size()},
                       {"month", static_cast<std::size_t>(kMonths)},
                       {"yield_level", static_cast<std::size_t>(kYieldLevels)},
                       {"monthly_test", kMonthlyTestCount}};
  layout.realizations = risks.front().droughts.size();
  add_slots(layout.variables, risks);
  add_storages_and_droughts(layout.variables, risks);
  add_validation_figures(layout.variables, risks);
  add_monthly_tests(layout.variables, risks);
  // The thresholds vary by month, which the figures do not: xarray keeps them as a
  // coordinate from the file's own list, as it writes such coordinates itself.
  layout.attributes = {{"coordinates", "drought_threshold"}};
  return layout;
}

}  // namespace flowplex
