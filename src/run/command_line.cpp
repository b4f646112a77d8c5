#include "run/command_line.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "html/page.hpp"

namespace flowplex {

void add_output_options(CLI::App& app, OutputOptions& options) {
  app.add_option("--netcdf", options.netcdf, "Write every generated monthly flow of every gauge to a NetCDF-4 file")
      ->type_name("FILE");
  app.add_option("--csv", options.csv, "Write the generated flows, the result tables and a manifest as CSV")
      ->type_name("DIR");
  app.add_option("--html", options.html, "Write the report as one self-contained HTML page with charts")
      ->type_name("FILE");
}

RunSinks output_sinks(const OutputOptions& options, const RunInfo& info) {
  RunSinks sinks;
  if (!options.netcdf.empty()) sinks.add(make_netcdf_sink(options.netcdf, info));
  if (!options.html.empty()) sinks.add(make_html_sink(options.html, info));
  if (!options.csv.empty()) sinks.add(make_csv_sink(options.csv, info));
  return sinks;
}

void enter_working_folder(const std::string& folder) {
  std::error_code error;
  std::filesystem::current_path(folder, error);
  if (error) throw CLI::ValidationError("--directory", "cannot enter the folder " + folder + ": " + error.message());
}

}  // namespace flowplex
