#include "fit/fit.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "fit/fit_report.hpp"
#include "fit/system_files.hpp"
#include "fit/verify.hpp"
#include "report/interruption.hpp"

namespace flowplex::fit {
namespace {

namespace fs = std::filesystem;

// An output folder may be new or empty; anything else would mix two systems.
void refuse_occupied_folder(const std::string& out) {
  std::error_code error;
  const fs::file_status status = fs::status(out, error);
  if (!fs::exists(status)) return;
  if (!fs::is_directory(status)) end_run(" *** THE OUTPUT FOLDER " + out + " IS AN EXISTING FILE ***");
  if (!fs::is_empty(out, error)) end_run(" *** THE OUTPUT FOLDER " + out + " EXISTS AND IS NOT EMPTY ***");
}

// A new folder beside `out`, removed again unless it is kept by renaming.
class PartFolder {
 public:
  explicit PartFolder(const fs::path& out) {
    const fs::path target = fs::absolute(out).lexically_normal();
    const fs::path parent = target.has_filename() ? target.parent_path() : target.parent_path().parent_path();
    const std::string name = (target.has_filename() ? target.filename() : target.parent_path().filename()).string();
    std::string pattern = (parent / ("." + name + ".partial-XXXXXX")).string();
    // Made and registered for removal on interruption in one step.
    if (!interruption::make_temporary_folder(pattern.data()))
      end_run(" *** CANNOT MAKE A FOLDER BESIDE " + out.string() + " TO WRITE THE RIVER SYSTEM IN ***");
    path_ = pattern;
  }
  ~PartFolder() {
    std::error_code ignored;
    if (!kept_) fs::remove_all(path_, ignored);
    interruption::drop_temporary(path_.string());
  }
  PartFolder(const PartFolder&) = delete;
  PartFolder& operator=(const PartFolder&) = delete;

  const fs::path& path() const { return path_; }
  void rename_to(const std::string& out) {
    refuse_occupied_folder(out);
    std::error_code error;
    const auto renaming = interruption::hold_for_final_names();
    fs::rename(path_, out, error);
    if (error) end_run(" *** CANNOT RENAME THE FINISHED FOLDER TO " + out + ": " + error.message() + " ***");
    kept_ = true;
  }

 private:
  fs::path path_;
  bool kept_ = false;
};

void write_file(const fs::path& folder, const SystemFile& file) {
  const fs::path path = folder / file.name;
  std::ofstream out;
  // In the registered part folder: made where an interruption cannot have removed it first.
  interruption::create_by_name([&] { out.open(path, std::ios::binary); });
  out << file.text;
  out.close();
  if (!out) end_run(" *** CANNOT WRITE THE FILE " + path.string() + " ***");
}

std::string default_title(const FitOptions& options) {
  return "RIVER SYSTEM FITTED FROM " + fs::path(options.records).filename().string();
}

}  // namespace

RiverSystem fit_from_options(const FitOptions& options) {
  Records records = read_records(options.records, options.scale);
  std::optional<Records> rainfall;
  if (!options.rainfall.empty()) rainfall = read_matching_records(options.rainfall, options.scale, records);
  FitSettings settings;
  settings.title = options.title.empty() ? default_title(options) : options.title;
  settings.keys = options.keys;
  if (!options.orders.empty()) settings.orders = read_orders(options.orders, records);
  return fit_river_system(std::move(records), std::move(rainfall), settings);
}

void write_river_system(const RiverSystem& system, const FitOptions& options) {
  std::vector<SystemFile> files = system_files(system);
  files.push_back(text_report(system, {options.records, options.scale}));
  files.push_back(table_report(system));
  PartFolder part(options.out);
  for (const SystemFile& file : files) write_file(part.path(), file);
  verify_written_system(part.path(), system);
  part.rename_to(options.out);
}

void fit_and_write(const FitOptions& options, std::ostream& console) {
  refuse_occupied_folder(options.out);
  const RiverSystem system = fit_from_options(options);
  write_river_system(system, options);
  const Records& r = system.records;
  console << " FITTED " << r.gauge_count() << " GAUGES OVER THE HYDROLOGICAL YEARS " << r.first_year << " TO "
          << r.first_year + r.years - 1 << " INTO " << options.out << "\n"
          << " FIT REPORT: " << (fs::path(options.out) / "fit_report.txt").string() << "\n";
}

}  // namespace flowplex::fit
