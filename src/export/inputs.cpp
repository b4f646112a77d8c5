#include "export/inputs.hpp"

#include <algorithm>

#include "export/digest.hpp"
#include "generation/forecast.hpp"
#include "generation/series_file.hpp"
#include "report/input.hpp"

namespace flowplex {
namespace {

// The names of the files a run opened, in the order it opened them; a file opened again
// (a stem shared by two gauges, a gauge chosen twice) is named once.
class NamesRead {
 public:
  void note(const std::string& name) {
    if (!name.empty() && std::find(names_.begin(), names_.end(), name) == names_.end()) names_.push_back(name);
  }
  // The parameter file, the series files found, the forecasting parameters when forecasting.
  void generation(const RiverSystem& river, GenerationOption option) {
    note(trimmed_name(river.PARM.PARMFILE.view()));
    for (int type = 1; type <= kSeriesTypes; ++type)
      for (int g = 1; g <= river.PARM.NGAUGE; ++g)
        if (const std::string name = series_file_name(river, g, type); file_exists(river.FOLDER, name)) note(name);
    if (option.forecasting()) note(kForecastFile);
  }
  std::vector<InputFile> digested(const RiverSystem& river) const {
    std::vector<InputFile> inputs;
    for (const std::string& name : names_) {
      FileDigest d = digest_file(in_folder(river.FOLDER, name));
      inputs.push_back({name, d.size, std::move(d.sha256)});
    }
    return inputs;
  }

 private:
  std::vector<std::string> names_;
};

}  // namespace

std::vector<InputFile> inputs_read(const Store& s) {
  NamesRead names;
  names.generation(s.RIVER, s.RUN.option());
  // A slot whose historic file was never asked for (the run ended by the forecast dump)
  // still holds the store's zeros.
  for (int k = 1; k <= s.RUN.NSEL; ++k)
    if (s.HIST.HISTFILE(k).c[0] != '\0') names.note(trimmed_name(s.HIST.HISTFILE(k).view()));
  return names.digested(s.RIVER);
}

std::vector<InputFile> inputs_read(const RiverSystem& river, GenerationOption option,
                                   const std::vector<std::string>& historic_files) {
  NamesRead names;
  names.generation(river, option);
  for (const std::string& file : historic_files) names.note(file);
  return names.digested(river);
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
