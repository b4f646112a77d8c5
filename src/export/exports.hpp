#pragma once
// The run's results as data files: the generated flows as NetCDF, the result tables as
// CSV with a manifest of the run.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "export/digest.hpp"
#include "export/inputs.hpp"
#include "export/sink.hpp"
#include "report/console.hpp"

namespace flowplex {

// An output file under its final name, with its digest where it was formed as the file
// was written.
struct WrittenFile {
  std::string path;
  std::optional<FileDigest> digest;
};

// The output files made final so far, in order, for the manifest that is written last.
// An output adds its file when it has renamed it to its final name; a file added without
// its digest is read again for it.
class OutputLedger {
 public:
  void add(std::string path) { files_.push_back({std::move(path), std::nullopt}); }
  void add(std::string path, FileDigest digest) { files_.push_back({std::move(path), std::move(digest)}); }
  const std::vector<WrittenFile>& files() const { return files_; }

 private:
  std::vector<WrittenFile> files_;
};

// What the command line tells the writers beyond the run's description. Every sink of a
// run shares its ledger of outputs.
struct RunInfo {
  std::vector<std::string> command_line;  // the program's arguments as given
  std::string version;                    // the program's version
  const Console* console = nullptr;       // the dialogue, whose answers the manifest lists
  std::shared_ptr<OutputLedger> outputs = std::make_shared<OutputLedger>();
  int netcdf_deflate_level = 0;  // --netcdf-deflate of the NetCDF file written; 0: none
};

// Every generated monthly flow of every gauge, every realization made, in one NetCDF-4
// file whose realization axis holds the realization numbers; the flows uncompressed, or
// shuffled and deflated on the writer thread at the run's netcdf_deflate_level (1 to 9).
std::unique_ptr<RunSink> make_netcdf_sink(const std::string& path, const RunInfo& info);

// The generated flows and every result table as CSV in a folder, and the run's manifest.
std::unique_ptr<RunSink> make_csv_sink(const std::string& folder, const RunInfo& info);

}  // namespace flowplex
