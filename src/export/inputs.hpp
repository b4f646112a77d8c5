#pragma once
// The input files a run read, as its manifest lists them, and the single digest that
// stands for all of them in the files that cannot hold the whole list.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "store/store.hpp"

namespace flowplex {

struct InputFile {
  std::string path;  // as the run opened it: relative to the working folder unless typed otherwise
  std::uintmax_t size = 0;
  std::string sha256;
};

// Every input file the run has read so far, each once, in the order they were first
// read: the parameter file; the series files of every gauge that were found (type by
// type, gauge by gauge); the forecasting parameters in forecasting mode; the historic
// file of each chosen gauge. Each file is read again to be measured and digested.
std::vector<InputFile> inputs_read(const Store& s);

// The same list of a generation alone, which reads no historic file, or of one that read
// the historic files named (relative to the river system's folder) in slot order.
std::vector<InputFile> inputs_read(const RiverSystem& river, GenerationOption option,
                                   const std::vector<std::string>& historic_files = {});

// The list as the manifest holds it: [{"path": ..., "size": ..., "sha256": ...}, ...].
nlohmann::ordered_json inputs_json(const std::vector<InputFile>& inputs);

// The SHA-256 of the list's compact JSON text, as the manifest writes its strings.
std::string input_digest(const std::vector<InputFile>& inputs);

// The run's input files, read and digested once however many outputs list them: the
// first output to make its files final asks for them, when every input has been read,
// and the others are given the same list.
class InputLedger {
 public:
  using Read = std::function<std::vector<InputFile>()>;
  explicit InputLedger(Read read) : read_(std::move(read)) {}

  const std::vector<InputFile>& files() {
    if (!files_) files_ = read_();
    return *files_;
  }

 private:
  Read read_;
  std::optional<std::vector<InputFile>> files_;
};

}  // namespace flowplex
