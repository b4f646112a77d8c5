#include "run/fit_command.hpp"

#include <iostream>
#include <memory>

#include "flowplex/errors.hpp"
#include "flowplex/fit.hpp"

namespace flowplex {
namespace {

// Fits and writes the system through the library; a refusal is written to the console as
// the program's message.
ExitStatus fit_river_system(const api::FitRequest& request) {
  try {
    api::fit(request, std::cout);
    return ExitStatus::Success;
  } catch (const api::InputError& e) {
    std::cout << e.what() << "\n";
    return ExitStatus::RunFailed;
  }
}

}  // namespace

void add_fit_command(CLI::App& app, ExitStatus& status) {
  CLI::App* fit = app.add_subcommand("fit", "Fit a river system (parameter files and series files) to monthly gauge records");
  auto request = std::make_shared<api::FitRequest>();
  fit->add_option("--records", request->records, "CSV of monthly records: year,month, then one column per gauge")
      ->required()
      ->check(CLI::ExistingFile);
  fit->add_option("--out", request->out, "Folder to write the river system into (new or empty)")->required();
  fit->add_option("--scale", request->scale, "Multiply every value by this (e.g. 0.001: acre-feet to thousand acre-feet)")
      ->check(CLI::PositiveNumber);
  fit->add_option("--keys", request->keys, "Key gauges, by number or stem, separated by commas");
  fit->add_option("--title", request->title, "Title of the parameter file");
  fit->add_option("--rainfall", request->rainfall, "CSV of monthly rainfall in the layout of the records")
      ->check(CLI::ExistingFile);
  fit->add_option("--orders", request->orders, "File of imposed ARMA orders, lines 'STEM P Q'")->check(CLI::ExistingFile);
  fit->callback([request, &status] { status = fit_river_system(*request); });
}

}  // namespace flowplex
