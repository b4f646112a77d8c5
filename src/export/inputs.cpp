#include "export/inputs.hpp"

#include <algorithm>

#include "export/digest.hpp"
#include "generation/forecast.hpp"
#include "generation/series_file.hpp"
#include "report/input.hpp"

namespace flowplex {
namespace {

// The names of the files the run opened, in the order it opened them; a file opened
// again (a stem shared by two gauges, a gauge chosen twice) is named once.
std::vector<std::string> names_read(const Store& s) {
  std::vector<std::string> names;
  const auto note = [&](const std::string& name) {
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
  };
  note(trimmed_name(s.RIVER.PARM.PARMFILE.view()));
  for (int type = 1; type <= kSeriesTypes; ++type)
    for (int g = 1; g <= s.RIVER.PARM.NGAUGE; ++g)
      if (const std::string name = series_file_name(s.RIVER, g, type); file_exists(s.RIVER.FOLDER, name)) note(name);
  if (s.RUN.option().forecasting()) note(kForecastFile);
  // A slot whose historic file was never asked for (the run ended by the forecast dump)
  // still holds the store's zeros.
  for (int k = 1; k <= s.RUN.NSEL; ++k)
    if (s.HIST.HISTFILE(k).c[0] != '\0') note(trimmed_name(s.HIST.HISTFILE(k).view()));
  return names;
}

}  // namespace

std::vector<InputFile> inputs_read(const Store& s) {
  std::vector<InputFile> inputs;
  for (const std::string& name : names_read(s)) {
    FileDigest d = digest_file(in_folder(s.RIVER.FOLDER, name));
    inputs.push_back({name, d.size, std::move(d.sha256)});
  }
  return inputs;
}

nlohmann::ordered_json inputs_json(const std::vector<InputFile>& inputs) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const InputFile& f : inputs) list.push_back({{"path", f.path}, {"size", f.size}, {"sha256", f.sha256}});
  return list;
}

std::string input_digest(const std::vector<InputFile>& inputs) {
  return sha256_hex(inputs_json(inputs).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
}

}  // namespace flowplex
