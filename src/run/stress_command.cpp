#include "run/stress_command.hpp"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "report/interruption.hpp"
#include "run/dialogue.hpp"
#include "stress/surface_csv.hpp"
#include "stress/surface_netcdf.hpp"
#include "stress/surface_page.hpp"

namespace flowplex {
namespace {

using api::RequestError;

[[noreturn]] void refuse(const std::string& flag, const std::string& value, const std::string& why) {
  throw UsageError((value.empty() ? flag : flag + " " + value) + ": " + why);
}

// A value read by `read`, a RequestError in it a usage error naming the flag and value.
template <typename Read>
auto read_flag(const std::string& flag, const std::string& value, Read read) {
  try {
    return read(value);
  } catch (const RequestError& e) {
    refuse(flag, value, e.what());
  }
}

api::ScenarioSet read_climates(const StressFlags& f, std::string& climate_flag) {
  if (!f.scenarios.empty()) {
    if (!f.mean.empty() || !f.cv.empty()) refuse("--scenarios", f.scenarios, "a scenarios file takes the place of --mean and --cv");
    climate_flag = "--scenarios " + f.scenarios;
    return read_flag("--scenarios", f.scenarios, [](const std::string& v) { return api::read_scenarios(v); });
  }
  if (f.mean.empty() || f.cv.empty()) refuse("--mean", f.mean, "a grid needs both --mean and --cv FROM:TO:STEP, or --scenarios FILE");
  const std::vector<double> mean = read_flag("--mean", f.mean, api::grid_axis);
  const std::vector<double> cv = read_flag("--cv", f.cv, api::grid_axis);
  climate_flag = "--mean " + f.mean + " --cv " + f.cv;
  return read_flag("--mean", f.mean + " --cv " + f.cv, [&](const std::string&) { return api::grid_scenarios(mean, cv); });
}

// --combine takes the whole design from its shards: no flag of the generation.
void refuse_generation_flags_with_combine(const StressFlags& f, const Invocation& invocation) {
  const std::pair<std::string, std::string> given[] = {
      {"--years", f.years != 0 ? std::to_string(f.years) : ""}, {"--option", f.option}, {"--gauges", f.gauges},
      {"--mean", f.mean}, {"--cv", f.cv}, {"--scenarios", f.scenarios}, {"--yields", f.yields},
      {"--reliabilities", f.reliabilities}, {"--storage", f.storages}, {"--projections", f.projections},
      {"--historic", f.historic}, {"--parameters", f.parameters}, {"--realizations", invocation.realizations_value}};
  for (const auto& [flag, value] : given)
    if (!value.empty()) refuse(flag, value, "--combine takes the whole stress test from its shards");
}

RunRequest read_generation_flags(const StressFlags& f) {
  if (f.years == 0) refuse("--years", "", "the years of each realization are needed");
  if (f.option.empty()) refuse("--option", "", "rigorous or bootstrap is needed");
  if (f.gauges.empty() || f.gauges == "none") refuse("--gauges", f.gauges, "a stress test analyses gauges: give their numbers");
  RunFlags run;
  run.years = f.years;
  run.option = f.option;
  run.gauges = f.gauges;
  run.parameters = f.parameters;
  run.historic = f.historic;
  run.analyses = "1";
  RunRequest request = read_run_flags(run);
  if (GenerationOption::from_answer(request.option).forecasting())
    refuse("--option", f.option, "a stress test perturbs the rigorous or the bootstrap generation, not the forecasting mode");
  return request;
}

void refuse_program_flags(const Invocation& invocation) {
  if (invocation.perturbation)
    refuse(invocation.perturbation->flag, invocation.perturbation->value, "a stress test takes its factors from its scenarios");
  if (invocation.outputs.netcdf_deflate != 0) refuse("--netcdf-deflate", "", "a stress test's NetCDF file is not deflated");
}

// ---- the stress test -------------------------------------------------------------------

api::StressRequest library_request(const StressRequest& r, const Invocation& invocation) {
  api::StressRequest request;
  request.years = r.run.years;
  request.option = GenerationOption::from_answer(r.run.option).bootstrap() ? api::Option::bootstrap : api::Option::rigorous;
  request.gauges = r.run.gauges;
  request.first = invocation.realizations.first;
  request.last = invocation.realizations.last;
  request.scenarios = r.scenarios;
  request.yields = r.yields;
  request.reliabilities = r.reliabilities;
  request.storages = r.storages;
  request.projections = r.projections;
  request.historic = r.run.historic_types;
  request.threads = invocation.threads;
  return request;
}

// The river system of the working folder, its loading shown on the console as a run shows
// it. The checked flags leave the library one fault of the request to find, a scenario the
// river system cannot be perturbed by: a usage error naming the flag that gave it.
stress::Surface generated_surface(const StressRequest& r, const Invocation& invocation, std::ostream& out) {
  const std::string parameters = r.run.parameter_file.empty() ? std::string(kDefaultParameterFile) : r.run.parameter_file;
  const api::RiverSystem system = api::RiverSystem::open(".", parameters, invocation.threads, out);
  try {
    return api::stress(system, library_request(r, invocation), out);
  } catch (const RequestError& e) {
    throw RunEnded(" *** " + r.climate_flag + ": " + e.what() + " ***", ExitStatus::Usage);
  }
}

void write_outputs(const OutputOptions& outputs, const stress::Surface& surface) {
  stress::FinalNames finals;
  if (!outputs.netcdf.empty()) stress::write_netcdf(outputs.netcdf, surface, finals);
  if (!outputs.csv.empty()) stress::write_csv(outputs.csv, surface, finals);
  if (!outputs.html.empty()) stress::write_page(outputs.html, surface, finals);
  const auto renaming = interruption::hold_for_final_names();
  for (const auto& make_final : finals) make_final();
}

// The console's summary: each slot and yield's storage at the highest reliability asked
// for, under today's climate and the most demanding scenario.
std::string storage_text(std::optional<float> storage) {
  if (!storage) return "NONE SUFFICES";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", static_cast<double>(*storage));
  return text;
}

void show_summary(Console& con, const stress::Surface& surface) {
  const stress::Design& d = surface.design;
  con.free(" STRESS TEST: " + std::to_string(d.scenarios.size()) + " SCENARIOS, REALIZATIONS " +
           std::to_string(surface.figures.first) + " TO " + std::to_string(surface.figures.last));
  if (surface.cells.empty()) return;
  const std::size_t r = static_cast<std::size_t>(
      std::max_element(d.reliabilities.begin(), d.reliabilities.end()) - d.reliabilities.begin());
  const auto baseline = std::find_if(d.scenarios.begin(), d.scenarios.end(), [](const stress::ScenarioLabel& l) {
    return std::all_of(l.slot_mean.begin(), l.slot_mean.end(), [](double m) { return m == 1.0; }) &&
           (!l.cv_factor || *l.cv_factor == 1.0);
  });
  const std::size_t today = static_cast<std::size_t>(baseline - d.scenarios.begin());
  for (std::size_t k = 0; k < d.slots.size(); ++k)
    for (std::size_t y = 0; y < d.yields.size(); ++y) {
      std::size_t worst = today;
      for (std::size_t s = 0; s < d.scenarios.size(); ++s) {
        const auto S = surface.cells[s][k].storage[y][r], W = surface.cells[worst][k].storage[y][r];
        if (W && (!S || *S > *W)) worst = s;
      }
      con.free(" GAUGE " + std::to_string(d.slots[k].gauge) + ", YIELD " + std::to_string(d.yields[y]) + " % MAR, " +
               std::to_string(d.reliabilities[r]) + " % RELIABLE: STORAGE " +
               (today < d.scenarios.size() ? storage_text(surface.cells[today][k].storage[y][r]) : "?") +
               " % MAR TODAY, " + storage_text(surface.cells[worst][k].storage[y][r]) + " UNDER " + d.scenarios[worst].name);
    }
}

stress::Surface combined_surface(const StressRequest& r) {
  std::vector<stress::Surface> shards;
  for (const std::string& path : r.combine) {
    stress::Shard shard = read_flag("--combine", path, [](const std::string& p) { return stress::read_shard(p); });
    shards.push_back({std::move(shard.design), std::move(shard.figures), {}});
  }
  return read_flag("--combine", r.combine.front(),
                   [&](const std::string&) { return api::combine(r.combine, std::move(shards)); });
}

}  // namespace

CLI::App* add_stress_command(CLI::App& app, StressFlags& f) {
  CLI::App* stress = app.add_subcommand(
      "stress", "The storage-yield-reliability surface of the chosen gauges over a grid of perturbed climates or "
                "named scenarios, all from one generation (the program's --realizations, --threads and outputs follow)");
  stress->add_option("--years", f.years, "Stochastic years per realization, 1 to 200")->type_name("N")->check(CLI::Range(1, kMaxYears));
  stress->add_option("--option", f.option, "rigorous or bootstrap (or 0, 1)")->type_name("NAME");
  stress->add_option("--gauges", f.gauges, "Gauge numbers to analyse, e.g. 1,5,7 (at most 15)")->type_name("LIST");
  stress->add_option("--mean", f.mean, "The grid's factors on the mean annual flow, FROM + i*STEP up to TO")->type_name("FROM:TO:STEP");
  stress->add_option("--cv", f.cv, "The grid's factors on the coefficient of variation of the annual flows")->type_name("FROM:TO:STEP");
  stress->add_option("--scenarios", f.scenarios, "Named scenarios instead of a grid: a CSV with the header scenario,gauge,mean,cv,months")
      ->type_name("FILE");
  stress->add_option("--yields", f.yields, "Yields in % of the historical MAR, among 5, 10, ..., 100 (default 30,50,70)")->type_name("LIST");
  stress->add_option("--reliabilities", f.reliabilities, "Reliabilities in %, 1 to 99 (default 90,95,98)")->type_name("LIST");
  stress->add_option("--storage", f.storages, "Reservoir storages in % of the historical MAR whose reliability to report")->type_name("LIST");
  stress->add_option("--projections", f.projections, "Climate projections to place on the map: a CSV with the header label,mean,cv")
      ->type_name("FILE");
  stress->add_option("--historic", f.historic, "Historic file type of every gauge, or TYPE,TYPE,... one per gauge (default HIS)")
      ->type_name("TYPE");
  stress->add_option("--parameters", f.parameters, "The parameter file (default PARMSET.DAT)")->type_name("FILE");
  stress->add_option("--combine", f.combine, "Combine the NetCDF files of shards (--realizations A-B) into the whole surface")
      ->type_name("SHARD.nc...");
  stress->fallthrough();
  return stress;
}

StressRequest read_stress_flags(const StressFlags& f, const Invocation& invocation) {
  refuse_program_flags(invocation);
  StressRequest r;
  if (!f.combine.empty()) {
    refuse_generation_flags_with_combine(f, invocation);
    r.combine = f.combine;
    return r;
  }
  r.run = read_generation_flags(f);
  r.scenarios = read_climates(f, r.climate_flag);
  r.yields = read_flag("--yields", f.yields.empty() ? "30,50,70" : f.yields, api::read_yields);
  r.reliabilities = read_flag("--reliabilities", f.reliabilities.empty() ? "90,95,98" : f.reliabilities, api::read_reliabilities);
  if (!f.storages.empty()) r.storages = read_flag("--storage", f.storages, api::read_storages);
  if (!f.projections.empty())
    r.projections = read_flag("--projections", f.projections, [](const std::string& v) { return api::read_projections(v); });
  if (invocation.realizations.first != 1)
    for (const auto& [flag, value] : {std::pair{"--csv", invocation.outputs.csv}, std::pair{"--html", invocation.outputs.html}})
      if (!value.empty())
        refuse("--realizations", invocation.realizations_value,
               std::string("a shard's figures are combined with stress --combine; ") + flag + " needs realizations from 1");
  return r;
}

ExitStatus stress_command(const StressRequest& r, const Invocation& invocation, std::ostream& out) {
  std::istringstream no_answers;
  Console con(no_answers, out, Shown::AllButQuestions);
  try {
    const stress::Surface surface = r.combine.empty() ? generated_surface(r, invocation, out) : combined_surface(r);
    write_outputs(invocation.outputs, surface);
    show_summary(con, surface);
    return ExitStatus::Success;
  } catch (const UsageError& e) {
    out.flush();
    std::cerr << "flowplex: " << e.what() << " (flowplex --help lists the options)\n";
    return ExitStatus::Usage;
  } catch (const RunEnded& e) {
    con.failure(e.message());
    return e.status();
  } catch (const api::InputError& e) {
    con.failure(e.what());
    return ExitStatus::RunFailed;
  }
}

}  // namespace flowplex
