#include "stress/surface_csv.hpp"

#include <filesystem>
#include <memory>

#include "export/csv_file.hpp"
#include "report/file_fault.hpp"
#include "report/interruption.hpp"

namespace flowplex::stress {
namespace {

namespace fs = std::filesystem;

// The tables being written and the folders made for them: those folders that are left
// empty, because a table or another output failed before the tables took their names, are
// removed with the last of the tables.
struct Tables {
  std::vector<fs::path> made;
  std::vector<std::unique_ptr<CsvFile>> files;
  Tables() = default;
  Tables(const Tables&) = delete;
  Tables& operator=(const Tables&) = delete;
  ~Tables() {
    files.clear();
    std::error_code error;
    for (auto f = made.rbegin(); f != made.rend(); ++f)
      if (fs::is_empty(*f, error)) fs::remove(*f, error);
  }
};

// Makes the folder and those above it that are missing, each registered for removal on
// interruption as it is made.
void make_folder(const fs::path& folder, std::vector<fs::path>& made) {
  std::error_code error;
  if (fs::is_directory(folder, error)) return;
  if (fs::exists(folder, error)) export_failed("CREATE", "FOLDER", folder.generic_string(), "A FILE OF THAT NAME IS IN THE WAY");
  if (folder.has_parent_path() && folder.parent_path() != folder) make_folder(folder.parent_path(), made);
  const int status = interruption::make_folder(folder.string());
  // Made a moment ago by someone else: it is not ours to remove.
  if (status == EEXIST && fs::is_directory(folder, error)) return;
  if (status != 0) export_failed("CREATE", "FOLDER", folder.generic_string(), system_reason(status));
  made.push_back(folder);
}

// The fields that name a scenario and a slot in every table.
CsvFile& cell_fields(CsvFile& out, const Design& d, std::size_t s, std::size_t k) {
  const ScenarioLabel& l = d.scenarios[s];
  out.text(l.name);
  if (l.mean_factor) out.number(*l.mean_factor).number(*l.cv_factor);
  else out.empty().empty();
  return out.number(d.slots[k].slot).number(d.slots[k].gauge).text(d.slots[k].name);
}

const std::vector<std::string> kCellHeader{"scenario", "mean_factor", "cv_factor", "slot", "gauge", "name"};

std::vector<std::string> with(std::vector<std::string> columns) {
  std::vector<std::string> header = kCellHeader;
  header.insert(header.end(), columns.begin(), columns.end());
  return header;
}

void write_storage(CsvFile& out, const Surface& s) {
  const Design& d = s.design;
  out.header(with({"yield_percent", "sustainable", "reliability_percent", "storage_percent_mar", "storage_volume"}));
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc)
    for (std::size_t k = 0; k < d.slots.size(); ++k)
      for (std::size_t y = 0; y < d.yields.size(); ++y)
        for (std::size_t r = 0; r < d.reliabilities.size(); ++r) {
          const std::optional<float> S = s.cells[sc][k].storage[y][r];
          cell_fields(out, d, sc, k).number(d.yields[y]).text(sustainable(d.scenarios[sc], k, d.yields[y]) ? "yes" : "not sustainable");
          out.number(d.reliabilities[r]).number(S);
          if (S) out.number(static_cast<double>(*S) / 100.0 * d.slots[k].MAR);
          else out.empty();
          out.end_row();
        }
}

void write_reliability(CsvFile& out, const Surface& s) {
  const Design& d = s.design;
  out.header(with({"yield_percent", "sustainable", "storage_percent_mar", "storage_volume", "reliability_percent"}));
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc)
    for (std::size_t k = 0; k < d.slots.size(); ++k)
      for (std::size_t y = 0; y < d.yields.size(); ++y)
        for (std::size_t i = 0; i < d.storages.size(); ++i) {
          cell_fields(out, d, sc, k).number(d.yields[y]).text(sustainable(d.scenarios[sc], k, d.yields[y]) ? "yes" : "not sustainable");
          out.number(d.storages[i]).number(d.storages[i] / 100.0 * d.slots[k].MAR);
          out.number(s.cells[sc][k].reliability[y][i]).end_row();
        }
}

void write_droughts(CsvFile& out, const Surface& s) {
  const Design& d = s.design;
  out.header(with({"statistic", "p50"}));
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc)
    for (std::size_t k = 0; k < d.slots.size(); ++k)
      for (std::size_t i = 0; i < kDroughtNames.size(); ++i)
        cell_fields(out, d, sc, k).text(kDroughtNames[i]).number(s.cells[sc][k].drought_median[i]).end_row();
}

void write_scenarios(CsvFile& out, const Surface& s) {
  const Design& d = s.design;
  out.header(with({"slot_mean_factor", "mar", "realizations"}));
  for (std::size_t sc = 0; sc < d.scenarios.size(); ++sc)
    for (std::size_t k = 0; k < d.slots.size(); ++k)
      cell_fields(out, d, sc, k).number(d.scenarios[sc].slot_mean[k]).number(d.slots[k].MAR).number(s.figures.count()).end_row();
}

}  // namespace

void write_csv(const std::string& folder, const Surface& surface, FinalNames& finals) {
  const fs::path root(folder);
  const auto tables = std::make_shared<Tables>();
  make_folder(root, tables->made);
  const auto table = [&](const char* name, void (*write)(CsvFile&, const Surface&)) {
    CsvFile& file = *tables->files.emplace_back(std::make_unique<CsvFile>((root / name).generic_string()));
    write(file, surface);
    file.close();
    finals.push_back([tables, &file] { file.make_final(); });
  };
  table("storage_at_reliability.csv", write_storage);
  table("reliability_of_storage.csv", write_reliability);
  table("droughts.csv", write_droughts);
  table("scenarios.csv", write_scenarios);
}

}  // namespace flowplex::stress
