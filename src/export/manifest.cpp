#include "export/manifest.hpp"

#include "export/digest.hpp"
#include "export/perturbation_facts.hpp"

namespace flowplex {
namespace {

using Json = nlohmann::ordered_json;

Json outputs_json(const std::vector<WrittenFile>& outputs) {
  Json list = Json::array();
  for (const WrittenFile& file : outputs) {
    const FileDigest d = file.digest ? *file.digest : digest_file(file.path);
    list.push_back({{"path", file.path}, {"size", d.size}, {"sha256", d.sha256}});
  }
  return list;
}

}  // namespace

std::string manifest_text(const ManifestFacts& facts) {
  const RunInfo& program = *facts.program;
  const RunDescription& run = *facts.run;
  Json manifest;
  manifest["program"] = "flowplex";
  manifest["version"] = run.version;
  manifest["command_line"] = program.command_line;
  manifest["answers"] = program.console != nullptr ? program.console->answers() : std::vector<std::string>{};
  manifest["inputs"] = inputs_json(facts.inputs);
  manifest["input_digest"] = input_digest(facts.inputs);
  manifest["outputs"] = outputs_json(facts.outputs);
  if (program.netcdf_deflate_level > 0) manifest["netcdf_deflate_level"] = program.netcdf_deflate_level;
  Json states = Json::array();
  for (const StartState& state : facts.start_states) states.push_back(state);
  manifest["start_states"] = std::move(states);
  if (run.realizations.given)
    manifest["realizations"] = {{"first", run.realizations.first}, {"last", run.realizations.last}};
  if (run.perturbation) manifest["perturbation"] = perturbation_json(*run.perturbation);
  // Bytes that are not UTF-8 (a name typed in another encoding) become U+FFFD.
  return manifest.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace flowplex
