#include "flowplex/river_system.hpp"

#include <mutex>
#include <sstream>
#include <system_error>

#include "generation/forecast.hpp"
#include "generation/generator.hpp"
#include "library/faults.hpp"
#include "report/console.hpp"
#include "report/input.hpp"
#include "store/limits.hpp"

namespace flowplex::api {

struct RiverSystem::Loaded {
  std::filesystem::path folder;
  std::string parameters;
  std::string load_lines;
  std::unique_ptr<flowplex::RiverSystem> blocks;
  // The same blocks with the forecasting model, made the first time it is asked for.
  std::mutex forecasting_made;
  std::unique_ptr<flowplex::RiverSystem> with_forecasting;
};

RiverSystem::RiverSystem(std::shared_ptr<Loaded> loaded) : loaded_(std::move(loaded)) {}

RiverSystem RiverSystem::open(const std::filesystem::path& folder, const std::string& parameters, int threads) {
  std::ostringstream unshown;
  return open(folder, parameters, threads, unshown);
}

RiverSystem RiverSystem::open(const std::filesystem::path& folder, const std::string& parameters, int threads,
                              std::ostream& progress) {
  if (!std::filesystem::is_directory(folder))
    throw std::filesystem::filesystem_error("cannot open the river system's folder", folder,
                                            std::make_error_code(std::errc::no_such_file_or_directory));
  if (parameters.empty() || parameters.size() > static_cast<std::size_t>(Name::length()))
    throw RequestError("parameters: a file name of 1 to " + std::to_string(Name::length()) + " characters");
  if (threads < 1) throw RequestError("threads: a whole number of 1 or more");
  auto loaded = std::make_shared<Loaded>();
  loaded->folder = folder;
  loaded->parameters = parameters;
  loaded->blocks = std::make_unique<flowplex::RiverSystem>();
  flowplex::RiverSystem& blocks = *loaded->blocks;
  blocks.FOLDER = folder;
  blocks.PARM.PARMFILE.assign(parameters);
  std::istringstream no_answers;
  std::ostringstream lines;
  Console console(no_answers, lines);
  try {
    as_input_errors([&] { ensure_loaded(blocks, console, threads); });
  } catch (const InputError&) {
    progress << lines.str();
    throw;
  }
  loaded->load_lines = lines.str();
  progress << loaded->load_lines;
  return RiverSystem(std::move(loaded));
}

const std::filesystem::path& RiverSystem::folder() const { return loaded_->folder; }
const std::string& RiverSystem::parameter_file() const { return loaded_->parameters; }
const std::string& RiverSystem::load_lines() const { return loaded_->load_lines; }
std::string RiverSystem::title() const { return trimmed_name(loaded_->blocks->PARM.TITLE.view()); }
int RiverSystem::first_common_year() const { return loaded_->blocks->PARM.ISTART; }
int RiverSystem::last_common_year() const {
  return loaded_->blocks->PARM.ISTART + loaded_->blocks->PARM.NCOMMON - 1;
}

std::vector<Gauge> RiverSystem::gauges() const {
  const flowplex::RiverSystem& b = *loaded_->blocks;
  std::vector<Gauge> gauges;
  for (int g = 1; g <= b.PARM.NGAUGE; ++g) {
    Gauge gauge{g, trimmed_name(b.PARM.GNAME(g).view()), std::string(b.PARM.GNAME(g).first_word()), false,
                b.ANDATA.IYSTART(g), b.ANDATA.IYSTART(g) + b.ANDATA.NYEARS(g) - 1};
    for (int i = 1; i <= b.DSBASE.NKEY; ++i) gauge.key_gauge = gauge.key_gauge || b.DSBASE.KEYG(i) == g;
    gauges.push_back(std::move(gauge));
  }
  return gauges;
}

const flowplex::RiverSystem& RiverSystem::blocks() const { return *loaded_->blocks; }

const flowplex::RiverSystem& RiverSystem::forecasting() const {
  const std::lock_guard lock(loaded_->forecasting_made);
  if (!loaded_->with_forecasting) {
    auto with = std::make_unique<flowplex::RiverSystem>(*loaded_->blocks);
    as_input_errors([&] { load_forecast_model(*with); });
    loaded_->with_forecasting = std::move(with);
  }
  return *loaded_->with_forecasting;
}

}  // namespace flowplex::api
