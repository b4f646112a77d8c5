#include "export/exports.hpp"

namespace flowplex {

std::unique_ptr<RunSink> make_netcdf_sink(const std::string& /*path*/, const RunInfo& /*info*/) {
  return std::make_unique<RunSink>();
}

std::unique_ptr<RunSink> make_csv_sink(const std::string& /*folder*/, const RunInfo& /*info*/) {
  return std::make_unique<RunSink>();
}

}  // namespace flowplex
