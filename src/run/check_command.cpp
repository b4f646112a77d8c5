#include "run/check_command.hpp"

#include <sstream>
#include <string>

#include "run/run_request.hpp"

namespace flowplex {
namespace {

// The check takes a parameter file and a historic file type as the dialogue does.
CLI::Validator dialogue_takes(std::string (*fault)(const std::string&), const std::string& name) {
  return CLI::Validator([fault](std::string& value) { return fault(value); }, name);
}

}  // namespace

CLI::App* add_check_command(CLI::App& app, CheckRequest& request) {
  CLI::App* check = app.add_subcommand("check", "Check the river system in the working folder before a run");
  check->add_option("--parameters", request.parameter_file, "The parameter file")
      ->capture_default_str()
      ->type_name("FILE")
      ->check(dialogue_takes(parameter_file_fault, "FILE"));
  check->add_option("--historic", request.historic_type, "The type of every gauge's historic file")
      ->capture_default_str()
      ->type_name("TYPE")
      ->check(dialogue_takes(historic_type_fault, "TYPE"));
  return check;
}

ExitStatus check_command(const CheckRequest& request, std::ostream& out) {
  auto store = make_store();
  std::istringstream no_answers;
  Console console(no_answers, out);
  const ExitStatus status = check_river_system(*store, console, request);
  out.flush();
  return status;
}

}  // namespace flowplex
