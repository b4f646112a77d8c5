#include <sstream>
#include <system_error>

#include "fit/fit.hpp"
#include "flowplex/check.hpp"
#include "flowplex/fit.hpp"
#include "library/check.hpp"
#include "library/faults.hpp"

namespace flowplex::api {
namespace {

Finding finding(const CheckFinding& f) {
  std::string message;
  for (const std::string& line : f.lines) message += (message.empty() ? "" : "\n") + line;
  return {f.file, f.line, message};
}

std::vector<Finding> findings(const std::vector<CheckFinding>& found) {
  std::vector<Finding> out;
  for (const CheckFinding& f : found) out.push_back(finding(f));
  return out;
}

}  // namespace

CheckReport check(const std::filesystem::path& folder, const std::string& parameters, const std::string& historic_type) {
  if (!std::filesystem::is_directory(folder))
    throw std::filesystem::filesystem_error("cannot open the river system's folder", folder,
                                            std::make_error_code(std::errc::no_such_file_or_directory));
  auto store = make_store();
  store->RIVER.FOLDER = folder;
  std::istringstream no_answers;
  std::ostringstream text;
  Console console(no_answers, text);
  CheckFindings found;
  const ExitStatus status = check_river_system(*store, console, {parameters, historic_type}, &found);
  return {status == ExitStatus::Success, findings(found.problems), findings(found.warnings), text.str()};
}

CheckReport check(const RiverSystem& system, const std::string& historic_type) {
  return check(system.folder(), system.parameter_file(), historic_type);
}

RiverSystem fit(const FitRequest& request, std::ostream& progress) {
  const fit::FitOptions options{request.records.string(), request.out.string(), request.scale, request.keys,
                                request.title, request.rainfall.string(), request.orders.string()};
  as_input_errors([&] { fit::fit_and_write(options, progress); });
  return RiverSystem::open(request.out);
}

}  // namespace flowplex::api
