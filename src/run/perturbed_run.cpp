#include "run/perturbed_run.hpp"

#include "library/perturbation.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

const std::string kPerturbFlag = "--perturb";
const std::string kPerturbationFlag = "--perturbation";

template <typename Read>
void read_flag(std::optional<PerturbationFlag>& perturbation, const std::string& flag, const std::string& value,
               Read read) {
  try {
    perturbation = PerturbationFlag{flag, value, read(value)};
  } catch (const api::RequestError& e) {
    throw CLI::ValidationError(flag + " " + value, e.what());
  }
}

}  // namespace

void add_perturbation_options(CLI::App& app, std::optional<PerturbationFlag>& perturbation) {
  CLI::Option* text = app.add_option_function<std::string>(
                             kPerturbFlag,
                             [&perturbation](const std::string& value) {
                               read_flag(perturbation, kPerturbFlag, value, api::Perturbation::from_text);
                             },
                             "Perturb every gauge's generated flows for a climate stress test: annual mean times M, "
                             "coefficient of variation times C, and optionally the months shifted by twelve factors "
                             "(October first); each realization keeps its draws and historical years")
                             ->type_name("mean=M,cv=C[,months=F1:...:F12]");
  CLI::Option* file = app.add_option_function<std::string>(
                             kPerturbationFlag,
                             [&perturbation](const std::string& value) {
                               read_flag(perturbation, kPerturbationFlag, value,
                                         [](const std::string& path) { return api::Perturbation::read_file(path); });
                             },
                             "The factors of --perturb by gauge, from a CSV with the header gauge,mean,cv,months "
                             "(* for every gauge not named; months empty or F1:...:F12)")
                             ->type_name("FILE");
  text->excludes(file);
}

std::unique_ptr<YearHook> run_perturbation(const RiverSystem& river, GenerationOption option,
                                           const std::optional<PerturbationFlag>& perturbation) {
  if (!perturbation) return nullptr;
  try {
    return perturbation_hook(river, option, perturbation->factors);
  } catch (const api::RequestError& e) {
    throw RunEnded(" *** " + perturbation->flag + " " + perturbation->value + ": " + e.what() + " ***",
                   ExitStatus::Usage);
  }
}

void show_perturbation(Console& con, const std::optional<PerturbationFlag>& perturbation) {
  if (perturbation) con.text(" PERTURBED FLOWS: " + perturbation->factors.given());
}

}  // namespace flowplex
