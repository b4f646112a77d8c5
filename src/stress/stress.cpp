// The library's stress test (flowplex/stress.hpp): the river system's chosen gauges and
// their historical records made ready as the command line's run makes them, then one
// generation shared by every scenario.
#include "flowplex/stress.hpp"

#include <istream>
#include <memory>
#include <sstream>

#include "export/inputs.hpp"
#include "generation/parameter_file.hpp"
#include "library/faults.hpp"
#include "library/historic_file.hpp"
#include "library/options.hpp"
#include "library/perturbation.hpp"
#include "library/run_preparation.hpp"
#include "report/input.hpp"
#include "risk/slot_risk.hpp"
#include "stats_test/moments.hpp"
#include "stats_test/storage_yield.hpp"
#include "store/limits.hpp"
#include "stress/combine.hpp"
#include "stress/shared_generation.hpp"

namespace flowplex::api {
namespace {

template <typename Value, typename Text>
std::string joined(const std::vector<Value>& values, Text text) {
  std::string list;
  for (const Value& v : values) list += (list.empty() ? "" : ",") + text(v);
  return list;
}

// The list as the command line's flag would give it, read by the flag's own reader: a
// value it refuses is refused in the same words.
template <typename Value, typename Text, typename Read>
void read_as_flag(const std::string& field, const std::vector<Value>& values, Text text, Read read) {
  try {
    read(joined(values, text));
  } catch (const RequestError& e) {
    throw RequestError(field + ": " + e.what());
  }
}

void check_gauges(const std::vector<int>& gauges) {
  if (gauges.empty() || gauges.size() > static_cast<std::size_t>(kMaxSlots))
    throw RequestError("gauges: " + std::to_string(gauges.size()) + " chosen; a stress test analyses 1 to " +
                       std::to_string(kMaxSlots));
  for (const int g : gauges)
    if (g < 1) throw RequestError("gauges: " + std::to_string(g) + " is not a gauge number (1 or more)");
}

void check_historic(const std::vector<std::string>& types, std::size_t slots) {
  if (types.size() != 1 && types.size() != slots)
    throw RequestError("historic: " + std::to_string(types.size()) + " types; one for every gauge, or one for each of the " +
                       std::to_string(slots) + " gauges");
  for (const std::string& type : types)
    if (type.empty() || type.size() > 3 || type.find(' ') != std::string::npos)
      throw RequestError("historic: \"" + type + "\" is not a historic file type of one to three characters");
}

const std::string& historic_type(const StressRequest& r, std::size_t slot) {
  return r.historic.size() == 1 ? r.historic.front() : r.historic[slot];
}

// The historic file of each slot (as historic_file_name gives it), every one found before
// any is read, as the run looks for them.
std::vector<std::string> historic_files(const flowplex::RiverSystem& river, const StressRequest& r) {
  std::vector<std::string> files;
  for (std::size_t k = 0; k < r.gauges.size(); ++k) {
    const int g = r.gauges[k];
    files.push_back(historic_file_name(river.PARM.GNAME(g), historic_type(r, k)));
    const std::string file = trimmed_name(files.back());
    if (!file_exists(river.FOLDER, file))
      throw InputError(" *** CANNOT FIND THE HISTORIC FILE " + file + " OF GAUGE " + std::to_string(g) + " (" +
                           trimmed_name(river.PARM.GNAME(g).view()) + ") ***",
                       file);
  }
  return files;
}

// The historical record of slot k in HISTM, the console's notes of a file that stopped
// short; a file that gives no year leaves no MAR to measure yields in.
void read_historic(const flowplex::RiverSystem& river, Console& con, HistBlock& hist, int k, int g,
                   const std::string& file) {
  const HistoricRead read = load_historic_record(river.FOLDER, file, hist, k);
  for (const std::string& note : historic_read_notes(trimmed_name(file), read)) con.free(note);
  if (read.years < 1)
    end_run(" *** GAUGE " + std::to_string(g) + ": ITS HISTORIC FILE " + trimmed_name(file) +
            " GAVE NO YEAR, SO IT HAS NO MEAN ANNUAL FLOW TO MEASURE YIELDS IN ***");
}

// Slot k's MAR as the statistics test measures its storages in, and its drought thresholds.
stress::GaugeInputs gauge_inputs(const HistBlock& hist, int k, int g) {
  const int years = hist.NYHIST(k);
  std::vector<float> months;
  for (int y = 1; y <= years; ++y)
    for (int m = 1; m <= kMonths; ++m) months.push_back(hist.HISTM(y, m, k));
  const std::vector<float> annual = annual_flows(years, months);
  float MAR = 0.0F, sd = 0.0F, skew = 0.0F;
  momen3(annual, years, MAR, sd, skew);
  if (mar_replaced(MAR))
    end_run(" *** GAUGE " + std::to_string(g) + ": ITS HISTORICAL MEAN ANNUAL FLOW IS TOO SMALL TO MEASURE YIELDS IN ***");
  return {g, MAR, drought_thresholds(years, months)};
}

// The scenario's factors of the chosen gauges alone: the others' flows are not analysed,
// so their transforms need not be fitted.
Perturbation of_chosen_gauges(const Perturbation& factors, const std::vector<int>& gauges) {
  Perturbation chosen(GaugeFactors{}, factors.given());
  for (const auto& [g, f] : factors.named_gauges()) chosen.set(g, GaugeFactors{});
  for (const int g : gauges) chosen.set(g, factors.of(g));
  return chosen;
}

struct ScenarioHooks {
  std::vector<std::unique_ptr<YearHook>> owned;
  std::vector<const YearHook*> hooks;
  std::vector<stress::ScenarioLabel> labels;
};

ScenarioHooks scenario_hooks(const flowplex::RiverSystem& river, GenerationOption option, const StressRequest& r) {
  ScenarioHooks out;
  for (const Scenario& scenario : r.scenarios.scenarios) {
    const Perturbation chosen = of_chosen_gauges(scenario.factors, r.gauges);
    try {
      out.owned.push_back(perturbation_hook(river, option, chosen));
    } catch (const RequestError& e) {
      throw RequestError("scenario " + scenario.name + ": " + e.what());
    }
    out.hooks.push_back(out.owned.back().get());
    std::vector<double> slot_mean;
    for (const int g : r.gauges) slot_mean.push_back(chosen.of(g).mean);
    out.labels.push_back({scenario.name, scenario.mean_factor, scenario.cv_factor, slot_mean});
  }
  return out;
}

stress::Design design_of(const StressRequest& r, std::string input_digest, std::vector<stress::ScenarioLabel> labels) {
  stress::Design d;
  d.input_digest = std::move(input_digest);
  d.option = std::string(option_name(r.option));
  d.years = r.years;
  d.grid = r.scenarios.grid;
  d.scenarios = std::move(labels);
  d.yields = r.yields;
  d.reliabilities = r.reliabilities;
  d.storages = r.storages;
  d.projections = r.projections;
  return d;
}

}  // namespace

void check_request(const StressRequest& r) {
  check_request(GenerationRequest{r.option, r.years, r.first, r.last, r.threads, {}, nullptr});
  if (r.option == Option::forecast)
    throw RequestError("option: a stress test perturbs the rigorous or the bootstrap generation, not the forecasting mode");
  check_gauges(r.gauges);
  if (r.scenarios.scenarios.empty()) throw RequestError("scenarios: none is given");
  if (r.scenarios.scenarios.size() > static_cast<std::size_t>(kMostScenarios) + 1)  // the baseline may be added
    throw RequestError("scenarios: " + std::to_string(r.scenarios.scenarios.size()) + ", more than " +
                       std::to_string(kMostScenarios));
  const auto whole = [](int v) { return std::to_string(v); };
  read_as_flag("yields", r.yields, whole, stress::read_yields);
  read_as_flag("reliabilities", r.reliabilities, whole, stress::read_reliabilities);
  if (!r.storages.empty()) read_as_flag("storages", r.storages, stress::factor_text, stress::read_storages);
  check_historic(r.historic, r.gauges.size());
}

StressSurface stress(const RiverSystem& system, const StressRequest& r, std::ostream& console) {
  check_request(r);
  const flowplex::RiverSystem& river = system.blocks();
  const GenerationOption option(generation_option(r.option));
  const std::vector<std::string> files = as_input_errors([&] {
    check_gauges_in_parameter_file(river, r.gauges);
    check_for_generation(river, option.IOPT());
    return historic_files(river, r);
  });
  ScenarioHooks hooks = scenario_hooks(river, option, r);
  std::istringstream no_answers;
  Console con(no_answers, console);
  stress::SharedGeneration g{river, option, r.years, {}, hooks.hooks, r.yields, r.first, r.last, r.threads, r.stop};
  const auto hist = std::make_unique<HistBlock>();
  std::vector<stress::Slot> slots;
  std::vector<std::string> read;
  as_input_errors([&] {
    for (int k = 1; k <= static_cast<int>(r.gauges.size()); ++k) {
      const int gauge = r.gauges[static_cast<std::size_t>(k - 1)];
      read_historic(river, con, *hist, k, gauge, files[static_cast<std::size_t>(k - 1)]);
      g.gauges.push_back(gauge_inputs(*hist, k, gauge));
      slots.push_back({k, gauge, trimmed_name(river.PARM.GNAME(gauge).view()), g.gauges.back().MAR});
      read.push_back(trimmed_name(files[static_cast<std::size_t>(k - 1)]));
    }
  });
  stress::Design design = design_of(r, input_digest(inputs_read(river, option, read)), std::move(hooks.labels));
  design.slots = std::move(slots);
  stress::Figures figures = as_input_errors([&] { return stress::shared_figures(g, con); });
  if (figures.first != 1) return {std::move(design), std::move(figures), {}};
  return stress::surface_of(std::move(design), std::move(figures));
}

StressSurface combine(const std::vector<std::string>& names, std::vector<StressSurface> shards) {
  std::vector<stress::Shard> parts;
  for (StressSurface& s : shards) parts.push_back({std::move(s.design), std::move(s.figures)});
  stress::Shard whole = stress::combined(names, std::move(parts));
  return stress::surface_of(std::move(whole.design), std::move(whole.figures));
}

}  // namespace flowplex::api
