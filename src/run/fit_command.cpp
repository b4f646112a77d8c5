#include "run/fit_command.hpp"

#include <iostream>
#include <memory>

#include "fit/fit.hpp"

namespace flowplex {

void add_fit_command(CLI::App& app, ExitStatus& status) {
  CLI::App* fit = app.add_subcommand("fit", "Fit a river system (parameter files and series files) to monthly gauge records");
  auto options = std::make_shared<fit::FitOptions>();
  fit->add_option("--records", options->records, "CSV of monthly records: year,month, then one column per gauge")
      ->required()
      ->check(CLI::ExistingFile);
  fit->add_option("--out", options->out, "Folder to write the river system into (new or empty)")->required();
  fit->add_option("--scale", options->scale, "Multiply every value by this (e.g. 0.001: acre-feet to thousand acre-feet)")
      ->check(CLI::PositiveNumber);
  fit->add_option("--keys", options->keys, "Key gauges, by number or stem, separated by commas");
  fit->add_option("--title", options->title, "Title of the parameter file");
  fit->add_option("--rainfall", options->rainfall, "CSV of monthly rainfall in the layout of the records")
      ->check(CLI::ExistingFile);
  fit->add_option("--orders", options->orders, "File of imposed ARMA orders, lines 'STEM P Q'")->check(CLI::ExistingFile);
  fit->callback([options, &status] { status = fit::run_fit(*options, std::cout); });
}

}  // namespace flowplex
