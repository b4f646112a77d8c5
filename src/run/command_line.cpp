#include "run/command_line.hpp"

#include <cerrno>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <thread>

#include "html/page.hpp"
#include "report/console.hpp"

namespace flowplex {
namespace {
const std::string kThreadsFlag = "--threads";
const std::string kRealizationsFlag = "--realizations";
const std::string kDeflateFlag = "--netcdf-deflate";
}  // namespace

void add_output_options(CLI::App& app, OutputOptions& options) {
  CLI::Option* netcdf =
      app.add_option("--netcdf", options.netcdf, "Write every generated monthly flow of every gauge to a NetCDF-4 file")
          ->type_name("FILE");
  // Checked when the whole command line is read, before any command does its work.
  app.add_option_function<std::string>(
         kDeflateFlag,
         [&options, netcdf](const std::string& value) {
           const auto level = parse_whole_number(value);
           if (!level || *level < 1 || *level > 9)
             throw CLI::ValidationError(kDeflateFlag + " " + value, "the level is a whole number from 1 to 9");
           if (netcdf->count() == 0 || options.netcdf.empty())
             throw CLI::ValidationError(kDeflateFlag + " " + value, "it compresses the flows of --netcdf FILE, which is not given");
           options.netcdf_deflate = *level;
         },
         "Shuffle and deflate the flows of the --netcdf file at this level (1 fastest to 9 smallest); "
         "uncompressed without it. Generated flows shrink little (level 1 keeps about 82 % of their size) "
         "and the run takes several times as long")
      ->type_name("LEVEL");
  app.add_option("--csv", options.csv, "Write the generated flows, the result tables and a manifest as CSV")
      ->type_name("DIR");
  app.add_option("--html", options.html, "Write the report as one self-contained HTML page with charts")
      ->type_name("FILE");
}

RealizationRange read_realizations(const std::string& value) {
  const std::string limit = std::to_string(kMaxRealizations);
  const auto refuse = [&](const std::string& why) { throw CLI::ValidationError(kRealizationsFlag + " " + value, why); };
  const auto dash = value.find('-', 1);  // not a leading minus sign
  const auto first = parse_whole_number(value.substr(0, dash));
  const auto last = dash == std::string::npos ? first : parse_whole_number(value.substr(dash + 1));
  if (!first || !last) refuse("N or A-B is needed, whole numbers from 1 to " + limit);
  if (dash == std::string::npos) {
    if (*first < 1 || *first > kMaxRealizations) refuse("the number of realizations is 1 to " + limit);
    return {1, *first, true};
  }
  if (*first < 1) refuse("the first realization is 1 or more");
  if (*last > kMaxRealizations) refuse("the last realization is at most " + limit);
  if (*last < *first) refuse("the last realization comes before the first");
  return {*first, *last, true};
}

void add_realizations_option(CLI::App& app, RealizationRange& range, std::string& typed) {
  app.add_option_function<std::string>(
         kRealizationsFlag,
         [&range, &typed](const std::string& value) {
           range = read_realizations(value);
           typed = value;
         },
         "Make N realizations (1 to N), or realizations A to B only: the sequences of the one random stream, "
         "realization k the same whatever the range or the threads. The reports describe 1 to 41; a range without "
         "them makes exports only (run --gauges none)")
      ->type_name("N|A-B");
}

int default_threads() { return std::max(1U, std::thread::hardware_concurrency()); }

void add_threads_option(CLI::App& app, int& threads) {
  app.add_option("--threads", threads,
                 "Threads that read the series files and make the sequences side by side (default: as many as the "
                 "machine offers; 1: one after another). The outputs are the same whatever N is")
      ->type_name("N")
      ->check(CLI::Validator(
          [](const std::string& value) -> std::string {
            const auto n = parse_whole_number(value);
            return n && *n >= 1 ? "" : "a whole number of 1 or more is needed, not " + value;
          },
          "N >= 1"));
}

std::vector<std::string> recorded_command_line(const std::vector<std::string>& arguments) {
  std::vector<std::string> kept;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == kThreadsFlag) {
      ++i;  // and its value
      continue;
    }
    if (!arguments[i].starts_with(kThreadsFlag + "=")) kept.push_back(arguments[i]);
  }
  return kept;
}

RunSinks output_sinks(const OutputOptions& options, const RunInfo& given) {
  RunInfo info = given;  // shares the ledgers
  info.netcdf_deflate_level = options.netcdf.empty() ? 0 : options.netcdf_deflate;
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
