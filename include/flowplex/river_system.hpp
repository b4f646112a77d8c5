#pragma once
// A river system opened from its folder: the parameter file, every gauge's series files,
// the end-member regressions and key gauges, read once and from then on only read. Any
// number of threads may generate from one RiverSystem at once.
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "flowplex/errors.hpp"

namespace flowplex {
struct RiverSystem;  // the loaded blocks, as the generator reads them
}

namespace flowplex::api {

// One gauge of the parameter file.
struct Gauge {
  int number = 0;        // its order in the parameter file, 1 to NGAUGE
  std::string name;      // as the parameter file gives it, trailing blanks taken off
  std::string stem;      // the first word of the name: its files are STEM.INC, STEM.RNK, ...
  bool key_gauge = false;  // one of the gauges the nearest-year search compares
  int first_year = 0;    // its record period, as the parameter file gives it
  int last_year = 0;
};

class RiverSystem {
 public:
  // Reads the parameter file `parameters` (a name relative to `folder`) and the series
  // files it names from `folder`, on up to `threads` threads. The process's working
  // folder is left as it is. A folder that does not exist throws
  // std::filesystem::filesystem_error; a faulty system throws InputError with the
  // program's message.
  static RiverSystem open(const std::filesystem::path& folder, const std::string& parameters = "PARMSET.DAT",
                          int threads = 1);
  // The same, writing the loading's console lines to `progress` too, those of a loading
  // that fails among them, as the command line shows them.
  static RiverSystem open(const std::filesystem::path& folder, const std::string& parameters, int threads,
                          std::ostream& progress);

  const std::filesystem::path& folder() const;
  const std::string& parameter_file() const;  // as given, relative to the folder
  std::string title() const;                  // the parameter file's second line
  std::vector<Gauge> gauges() const;
  int first_common_year() const;  // the common period of the records
  int last_common_year() const;
  // The console lines the loading wrote (the files read, their first and last years).
  const std::string& load_lines() const;

  // The loaded blocks, read by the library's own routines. The forecasting model, read
  // from PARAMFOR.DAT in the folder the first time forecasting is asked for, comes with
  // forecasting(); its faults (InputError) end only forecasting requests.
  const flowplex::RiverSystem& blocks() const;
  const flowplex::RiverSystem& forecasting() const;

 private:
  struct Loaded;
  explicit RiverSystem(std::shared_ptr<Loaded> loaded);
  std::shared_ptr<Loaded> loaded_;
};

}  // namespace flowplex::api
