#include "export/generation_layout.hpp"

#include "export/perturbation_facts.hpp"
#include "flowplex/generation.hpp"
#include "store/limits.hpp"

namespace flowplex {
namespace {

std::vector<int> counting(int first, int count, int step = 1) {
  std::vector<int> values(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) values[static_cast<std::size_t>(i)] = first + i * step;
  return values;
}

// Each month's stochastic year, or its month of the hydrological year.
std::vector<int> of_each_month(int NYS, bool year) {
  std::vector<int> values(static_cast<std::size_t>(kMonths * NYS));
  for (std::size_t i = 0; i < values.size(); ++i)
    values[i] = static_cast<int>(year ? i / kMonths : i % kMonths) + 1;
  return values;
}

template <typename Value, typename Field>
std::vector<Value> of_each_gauge(const std::vector<GaugeLabel>& gauges, Field field) {
  std::vector<Value> values;
  for (const GaugeLabel& g : gauges) values.push_back(static_cast<Value>(field(g)));
  return values;
}

DatasetVariable long_named(std::string name, ValueType type, std::vector<std::string> dimensions,
                           std::string long_name) {
  return {std::move(name), type, std::move(dimensions), {{"long_name", std::move(long_name)}}, std::nullopt, {}};
}

void add_axes(std::vector<DatasetVariable>& v, const RunDescription& run) {
  DatasetVariable realization = long_named("realization", ValueType::int32, {"realization"}, "stochastic sequence");
  realization.attributes.insert(realization.attributes.begin(), {"standard_name", "realization"});
  realization.values = counting(run.realizations.first, run.realizations.count());
  v.push_back(std::move(realization));

  DatasetVariable time =
      long_named("time", ValueType::int32, {"time"}, "start of the month of the stochastic year");
  time.attributes.insert(time.attributes.begin(), {"standard_name", "time"});
  time.attributes.push_back({"units", "days since 0001-10-01"});
  time.attributes.push_back({"calendar", "360_day"});
  time.attributes.push_back({"axis", "T"});
  time.attributes.push_back({"comment",
                             "stochastic year 1 starts in October of year 1; the months are those of a hydrological "
                             "year, not dates of a real calendar"});
  time.values = counting(0, kMonths * run.NYS, 30);
  v.push_back(std::move(time));

  DatasetVariable year = long_named("year", ValueType::int32, {"year"}, "stochastic year");
  year.values = counting(1, run.NYS);
  v.push_back(std::move(year));
  DatasetVariable stochastic_year =
      long_named("stochastic_year", ValueType::int32, {"time"}, "stochastic year of the month");
  stochastic_year.values = of_each_month(run.NYS, true);
  v.push_back(std::move(stochastic_year));
  DatasetVariable month = long_named("hydrological_month", ValueType::int32, {"time"},
                                     "month of the hydrological year (1 = October, 12 = September)");
  month.values = of_each_month(run.NYS, false);
  v.push_back(std::move(month));
}

void add_stations(std::vector<DatasetVariable>& v, const std::vector<GaugeLabel>& gauges) {
  DatasetVariable number = long_named("gauge_number", ValueType::int32, {"station"},
                                      "gauge number: the gauge's order in the parameter file");
  number.values = of_each_gauge<int>(gauges, [](const GaugeLabel& g) { return g.number; });
  v.push_back(std::move(number));
  DatasetVariable name = long_named("gauge_name", ValueType::text, {"station"}, "gauge name");
  name.values = of_each_gauge<std::string>(gauges, [](const GaugeLabel& g) { return g.name; });
  v.push_back(std::move(name));
  DatasetVariable stem =
      long_named("file_stem", ValueType::text, {"station"}, "stem of the gauge's series file names");
  stem.values = of_each_gauge<std::string>(gauges, [](const GaugeLabel& g) { return g.stem; });
  v.push_back(std::move(stem));
  DatasetVariable key = long_named("key_gauge", ValueType::int32, {"station"},
                                   "key gauge of the nearest-year search (1) or not (0)");
  key.attributes.push_back({"flag_values", std::vector<int>{0, 1}});
  key.attributes.push_back({"flag_meanings", "not_key key"});
  key.values = of_each_gauge<int>(gauges, [](const GaugeLabel& g) { return g.key ? 1 : 0; });
  v.push_back(std::move(key));
}

void add_generated(std::vector<DatasetVariable>& v, const RunDescription& run) {
  DatasetVariable flow =
      long_named("flow", ValueType::float32, {"realization", "time", "station"}, "generated monthly streamflow");
  flow.attributes.push_back({"comment", "in the unit of the river system's series files"});
  // Everything along the stations and the months is a coordinate, so that files of
  // several ranges of realizations combine along the realizations alone.
  flow.attributes.push_back(
      {"coordinates", "gauge_number gauge_name file_stem key_gauge stochastic_year hydrological_month"});
  v.push_back(std::move(flow));

  DatasetVariable index_year =
      long_named("index_year", ValueType::int32, {"realization", "year"},
                 "calendar year of the historical record whose months the generated year was built from");
  // Only the forecasting mode leaves years without one; elsewhere no value is missing
  // and readers keep the years whole numbers.
  if (run.option.forecasting()) index_year.fill_value = api::kNoIndexYear;
  v.push_back(std::move(index_year));
  v.push_back(long_named("start_state", ValueType::int32, {"realization", "generator_state"},
                         "random generator state (IX, IY, IZ) at the start of the sequence"));
}

std::vector<Attribute> run_attributes(const RunDescription& run, int flow_deflate_level) {
  std::vector<Attribute> a{
      {"Conventions", "CF-1.8"},
      {"title", run.title},
      {"source", "flowplex " + run.version},
      {"generation_option", run.option.short_name()},
      {"generation_option_code", run.option.IOPT()},
      {"NYS", run.NYS},
      {"common_period_first_year", run.common_period.first},
      {"common_period_last_year", run.common_period.first + run.common_period.years - 1},
      {"parameter_file", run.parameter_file},
      {"parameter_file_sha256", run.parameter_sha256},
      {"program_version", run.version},
  };
  if (flow_deflate_level > 0) a.push_back({"flow_deflate_level", flow_deflate_level});
  if (run.realizations.given) {
    a.push_back({"first_realization", run.realizations.first});
    a.push_back({"last_realization", run.realizations.last});
  }
  if (run.perturbation) {
    std::vector<Attribute> factors = perturbation_attributes(*run.perturbation, static_cast<int>(run.gauges.size()));
    a.insert(a.end(), factors.begin(), factors.end());
  }
  return a;
}

}  // namespace

GenerationLayout generation_layout(const RunDescription& run, int flow_deflate_level) {
  GenerationLayout layout;
  layout.dimensions = {{"realization", static_cast<std::size_t>(run.realizations.count())},
                       {"time", static_cast<std::size_t>(kMonths * run.NYS)},
                       {"station", run.gauges.size()},
                       {"year", static_cast<std::size_t>(run.NYS)},
                       {"generator_state", 3}};
  add_axes(layout.variables, run);
  add_stations(layout.variables, run.gauges);
  add_generated(layout.variables, run);
  layout.attributes = run_attributes(run, flow_deflate_level);
  return layout;
}

std::vector<Attribute> input_attributes(const std::vector<InputFile>& inputs) {
  std::vector<std::string> paths, digests;
  std::vector<unsigned long long> sizes;
  for (const InputFile& f : inputs) {
    paths.push_back(f.path);
    sizes.push_back(f.size);
    digests.push_back(f.sha256);
  }
  return {{"input_files", paths}, {"input_sizes", sizes}, {"input_sha256", digests}, {"input_digest", input_digest(inputs)}};
}

}  // namespace flowplex
