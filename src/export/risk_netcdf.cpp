#include "export/risk_netcdf.hpp"

#include <limits>

namespace flowplex {
namespace {

std::vector<int> one_to(int n, int step = 1) {
  std::vector<int> values;
  for (int i = 1; i <= n; ++i) values.push_back(i * step);
  return values;
}

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

void put(NetcdfFile& nc, int var, const std::size_t* start, const std::size_t* count, const float* v) {
  nc.check(nc_put_vara_float(nc.id(), var, start, count, v));
}
void put(NetcdfFile& nc, int var, const std::size_t* start, const std::size_t* count, const int* v) {
  nc.check(nc_put_vara_int(nc.id(), var, start, count, v));
}

// A per-realization figure of every slot: the realizations the analyses held, counted from
// the first along the realization axis, and never more values than were formed.
template <typename T>
void put_by_realization(NetcdfFile& nc, int var, const std::vector<T>& values, std::size_t slots, std::size_t per_slot) {
  const std::size_t start[] = {0, 0, 0};
  const std::size_t count[] = {values.size() / (slots * per_slot), slots, per_slot};
  put(nc, var, start, count, values.data());
}

constexpr float kAbsent = std::numeric_limits<float>::quiet_NaN();

float or_absent(std::optional<float> v) { return v.value_or(kAbsent); }

// A float variable whose absent values are NaN, as xarray reads them.
int figure_variable(NetcdfFile& nc, const std::string& name, std::initializer_list<int> dims, const std::string& long_name) {
  const int var = nc.variable(name.c_str(), NC_FLOAT, dims);
  nc.check(nc_def_var_fill(nc.id(), var, 0, &kAbsent));
  nc.text(var, "long_name", long_name);
  nc.text(var, "coordinates", "slot_gauge");
  return var;
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

}  // namespace

RiskVariables::RiskVariables(NetcdfFile& nc, const std::vector<SlotRisk>& risks) {
  if (risks.empty()) return;
  int realization = 0;
  nc.check(nc_inq_dimid(nc.id(), "realization", &realization));
  const int slot = nc.dimension("slot", risks.size());
  const int month = nc.dimension("month", kMonths);
  const int level = nc.dimension("yield_level", kYieldLevels);

  slot_ = nc.variable("slot", NC_INT, {slot});
  nc.text(slot_, "long_name", "slot: the gauge's place in the list of chosen gauges, for the slots analysed");
  slot_gauge_ = nc.variable("slot_gauge", NC_INT, {slot});
  nc.text(slot_gauge_, "long_name", "gauge number of the slot: the gauge's order in the parameter file");
  mar_ = nc.variable("mar", NC_FLOAT, {slot});
  nc.text(mar_, "long_name", "mean annual runoff the storages are measured in, as the statistics test ends with it");
  nc.text(mar_, "comment", "in the unit of the river system's series files");
  month_ = nc.variable("month", NC_INT, {month});
  nc.text(month_, "long_name", "month of the hydrological year (1 = October, 12 = September)");
  drought_threshold_ = nc.variable("drought_threshold", NC_FLOAT, {slot, month});
  nc.text(drought_threshold_, "long_name",
          "historical Q80 of the month: a month whose flow is below it is in drought");
  yield_level_ = nc.variable("yield_level", NC_INT, {level});
  nc.text(yield_level_, "long_name", "yield drawn from the reservoir");
  nc.text(yield_level_, "units", "percent of mar");

  required_storage_ = nc.variable("required_storage", NC_FLOAT, {realization, slot, level});
  nc.text(required_storage_, "long_name", "storage needed to supply the yield throughout the realization (sequent peak)");
  nc.text(required_storage_, "units", "percent of mar");
  nc.text(required_storage_, "coordinates", "slot_gauge mar");
  events_ = nc.variable("drought_events_per_century", NC_FLOAT, {realization, slot});
  nc.text(events_, "long_name", "droughts (runs of months below drought_threshold) per 100 years");
  longest_ = nc.variable("longest_drought", NC_INT, {realization, slot});
  nc.text(longest_, "long_name", "longest drought");
  nc.text(longest_, "units", "months");
  largest_deficit_ = nc.variable("largest_deficit", NC_FLOAT, {realization, slot});
  nc.text(largest_deficit_, "long_name", "largest deficit of a drought: the sum of drought_threshold less the flow");
  nc.text(largest_deficit_, "comment", "in the unit of the river system's series files");
  for (const int var : {events_, longest_, largest_deficit_}) nc.text(var, "coordinates", "slot_gauge");
  for (std::size_t i = 0; i < kFigureNames.size(); ++i) {
    const std::string name(kFigureNames[i]);
    figures_[i] = figure_variable(nc, name, {realization, slot}, kFigureLongNames[i]);
    historical_figures_[i] = figure_variable(nc, "historical_" + name, {slot}, kFigureLongNames[i] + ", historical record");
  }
  hurst_expected_ = figure_variable(nc, "hurst_expected", {slot},
                                    "Anis-Lloyd expected Hurst exponent of independent values at the realizations' length");
  historical_hurst_expected_ = figure_variable(nc, "historical_hurst_expected", {slot},
                                               "Anis-Lloyd expected Hurst exponent of independent values at the record's length");
  const int test = nc.dimension("monthly_test", kMonthlyTestCount);
  monthly_test_ = nc.variable("monthly_test", NC_STRING, {test});
  nc.text(monthly_test_, "long_name", "two-sample test of each realization's monthly flows against the record's");
  rejected_share_ = figure_variable(nc, "rejected_share", {slot, test, month},
                                    "share of the realizations whose test rejects at p < 0.05");
  // The thresholds vary by month, which the figures do not: xarray keeps them as a
  // coordinate from the file's own list, as it writes such coordinates itself.
  nc.text(NC_GLOBAL, "coordinates", "drought_threshold");
}

void RiskVariables::write(NetcdfFile& nc, const std::vector<SlotRisk>& risks) const {
  if (risks.empty()) return;
  std::vector<int> slots, gauges;
  std::vector<float> mars, thresholds, storages;
  for (const SlotRisk& r : risks) {
    slots.push_back(r.slot);
    gauges.push_back(r.gauge);
    mars.push_back(r.MAR);
    thresholds.insert(thresholds.end(), r.drought_threshold.begin(), r.drought_threshold.end());
  }
  const int id = nc.id();
  nc.check(nc_put_var_int(id, slot_, slots.data()));
  nc.check(nc_put_var_int(id, slot_gauge_, gauges.data()));
  nc.check(nc_put_var_float(id, mar_, mars.data()));
  nc.check(nc_put_var_int(id, month_, one_to(kMonths).data()));
  nc.check(nc_put_var_float(id, drought_threshold_, thresholds.data()));
  nc.check(nc_put_var_int(id, yield_level_, one_to(kYieldLevels, 5).data()));
  const auto storage = by_realization<float>(risks, [](std::vector<float>& v, const SlotRisk& risk, std::size_t r) {
    v.insert(v.end(), risk.storage[r].begin(), risk.storage[r].end());
  });
  put_by_realization(nc, required_storage_, storage, risks.size(), kYieldLevels);
  const auto events = by_realization<float>(
      risks, [](std::vector<float>& v, const SlotRisk& risk, std::size_t r) { v.push_back(risk.droughts[r].events_per_century); });
  put_by_realization(nc, events_, events, risks.size(), 1);
  const auto longest = by_realization<int>(
      risks, [](std::vector<int>& v, const SlotRisk& risk, std::size_t r) { v.push_back(risk.droughts[r].longest); });
  put_by_realization(nc, longest_, longest, risks.size(), 1);
  const auto deficit = by_realization<float>(
      risks, [](std::vector<float>& v, const SlotRisk& risk, std::size_t r) { v.push_back(risk.droughts[r].largest_deficit); });
  put_by_realization(nc, largest_deficit_, deficit, risks.size(), 1);
  for (std::size_t i = 0; i < kFigureNames.size(); ++i) {
    const auto values = by_realization<float>(
        risks, [i](std::vector<float>& v, const SlotRisk& risk, std::size_t r) { v.push_back(or_absent(risk.figures[r][i])); });
    put_by_realization(nc, figures_[i], values, risks.size(), 1);
    std::vector<float> historical;
    for (const SlotRisk& r : risks) historical.push_back(or_absent(r.historical_figures[i]));
    nc.check(nc_put_var_float(id, historical_figures_[i], historical.data()));
  }
  std::vector<float> expected, historical_expected, shares;
  for (const SlotRisk& r : risks) {
    expected.push_back(or_absent(r.hurst_expected));
    historical_expected.push_back(or_absent(r.hurst_expected_historical));
    for (const auto& test : r.rejected) shares.insert(shares.end(), test.begin(), test.end());
  }
  nc.check(nc_put_var_float(id, hurst_expected_, expected.data()));
  nc.check(nc_put_var_float(id, historical_hurst_expected_, historical_expected.data()));
  nc.put_strings(monthly_test_, {std::string(kMonthlyTests[0]), std::string(kMonthlyTests[1])});
  nc.check(nc_put_var_float(id, rejected_share_, shares.data()));
}

}  // namespace flowplex
