#pragma once
// The command line: the global options, the output options and the sinks they ask for.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "export/exports.hpp"
#include "export/sink.hpp"
#include "store/realizations.hpp"

namespace flowplex {

// The files a run writes beyond its reports; an empty path asks for none.
struct OutputOptions {
  std::string netcdf{};
  std::string csv{};
  std::string html{};
  int netcdf_deflate = 0;  // --netcdf-deflate LEVEL (1 to 9); 0: the flows uncompressed
};

// Registers --netcdf, --netcdf-deflate, --csv and --html on a command. A level of
// --netcdf-deflate other than 1 to 9, or the flag without --netcdf, is a usage error.
void add_output_options(CLI::App& app, OutputOptions& options);

// Registers --realizations N (realizations 1 to N) or A-B (realizations A to B), with
// 1 <= A <= B <= 1,000,000; anything else is a usage error naming the flag and value.
// `typed` keeps the value as given, for messages.
void add_realizations_option(CLI::App& app, RealizationRange& range, std::string& typed);

// The range that --realizations VALUE asks for; a CLI::ValidationError when it is none.
RealizationRange read_realizations(const std::string& value);

// The threads a run uses unless told: as many as the machine offers.
int default_threads();

// Registers --threads N on a command: a whole number of 1 or more.
void add_threads_option(CLI::App& app, int& threads);

// The arguments a run records of itself: as given, less --threads, which changes no
// result, so that the same run on any number of threads records the same.
std::vector<std::string> recorded_command_line(const std::vector<std::string>& arguments);

// The sinks the output options ask for, in the order they are made final: the manifest
// of the CSV folder lists every other output, so it comes last.
RunSinks output_sinks(const OutputOptions& options, const RunInfo& info);

// Changes to the working folder given by -C before anything is read or written; a
// folder that cannot be entered is a usage error (CLI::ValidationError).
void enter_working_folder(const std::string& folder);

}  // namespace flowplex
