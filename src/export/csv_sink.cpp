// The CSV folder: the generated flows sequence by sequence, the index years and annual
// flows, the result tables, and the run's manifest, written last.
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <memory>
#include <vector>

#include "export/atomic_file.hpp"
#include "export/background.hpp"
#include "export/csv_file.hpp"
#include "export/exports.hpp"
#include "export/manifest.hpp"
#include "export/risk_csv.hpp"
#include "export/sequence.hpp"
#include "export/tables.hpp"
#include "report/channel.hpp"
#include "report/interruption.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kSequencesWaiting = 1;
constexpr int kReports[] = {16, 8, 9, 11};  // SEQPROBE.ANS, .PIN, .PN2, GAUGE.ANN: every run writes them
constexpr int kForecastDump = 27;                    // FORECAST.TXT

// sequence_01.csv to sequence_41.csv: two digits, so that the names sort in order; seven
// (the width of the largest ensemble) once a run's realizations pass 99, so that the
// files of every range of one ensemble sort together.
std::string sequence_file_name(int seq, int last) {
  const std::size_t width = last <= 99 ? 2 : 7;
  std::string number = std::to_string(seq);
  return "sequence_" + std::string(width - std::min(width, number.size()), '0') + number + ".csv";
}

// The folders of the export, made where missing; those made are removed again when the
// run ends early and leaves them empty.
class Folders {
 public:
  void make(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) return;
    if (fs::exists(folder, error)) fail(folder, "A FILE OF THAT NAME IS IN THE WAY");
    make(folder.has_parent_path() && folder.parent_path() != folder ? folder.parent_path() : fs::path("."));
    // Made and registered for removal on interruption in one step.
    if (const int made = interruption::make_folder(folder.string()); made != 0) {
      // Made a moment ago by someone else: it is not ours to remove.
      if (made == EEXIST && fs::is_directory(folder, error)) return;
      fail(folder, system_reason(made));
    }
    made_.push_back(folder);
  }
  void remove_empty() {
    std::error_code error;
    for (auto f = made_.rbegin(); f != made_.rend(); ++f)
      if (fs::is_empty(*f, error)) fs::remove(*f, error);
    made_.clear();
  }

 private:
  [[noreturn]] static void fail(const fs::path& folder, std::string_view reason) {
    export_failed("CREATE", "FOLDER", folder.generic_string(), reason);
  }
  std::vector<fs::path> made_;
};

class CsvSink final : public RunSink {
 public:
  CsvSink(std::string folder, RunInfo info) : folder_(std::move(folder)), info_(std::move(info)) {}

  void begin_generation(const RunDescription& run) override {
    run_ = run;
    folders_.make(folder_ / "sequences");
    gauges_ = run.gauges;
    sequence_header_ = with_gauge_columns({"year", "month"});
    annual_flows_ = table("annual_flows.csv");
    annual_flows_->header(with_gauge_columns({"sequence", "year"}));
    index_years_ = table("index_years.csv");
    index_years_->header({"sequence", "year", "index_year"});
    writer_ = std::make_unique<BackgroundWriter>(kSequencesWaiting);
  }
  bool takes_sequences() const override { return true; }
  // Each realization's file is closed as soon as it is written and waits under its
  // temporary name, holding no descriptor, until the run ends.
  void sequence_made(int seq, const std::shared_ptr<const GeneratedSequence>& sequence) override {
    start_states_.push_back(sequence->start_state);
    const std::string name = sequence_file_name(seq, run_.realizations.last);
    sequences_.push_back(std::make_unique<CsvFile>(path_of("sequences/" + name)));
    writer_->post([this, file = sequences_.back().get(), sequence] { write_sequence(*file, *sequence); });
  }
  void begin_analyses(const std::vector<ChosenGauge>& /*chosen*/) override { analysed_ = true; }
  void statistics(const StatisticsResult& result) override { statistics_.push_back(result); }
  void correlations(const CorrelationResult& result) override { correlations_.push_back(result); }
  bool takes_risk() const override { return true; }
  void risk(const SlotRisk& result) override { risks_.push_back(result); }
  void cross_gauge(const CrossGaugeResult& result) override { cross_gauge_ = result; }

  void commit() override {
    writer_->finish();
    std::vector<std::unique_ptr<CsvFile>> files = std::move(sequences_);
    files.push_back(std::move(index_years_));
    files.push_back(std::move(annual_flows_));
    files.push_back(written(write_gauge_parameters, "gauge_parameters.csv", statistics_));
    files.push_back(written(write_historical_moments, "historical_moments.csv", statistics_));
    files.push_back(written(write_statistics, "statistics.csv", statistics_));
    files.push_back(written(write_simulation_summary, "simulation_summary.csv", statistics_));
    files.push_back(written(write_storage_yield, "storage_yield.csv", statistics_));
    files.push_back(written(write_correlations, "correlations.csv", correlations_));
    files.push_back(written(write_reliability, "reliability.csv", risks_));
    files.push_back(written(write_droughts, "droughts.csv", risks_));
    files.push_back(written(write_flow_duration, "flow_duration.csv", risks_));
    files.push_back(written(write_autocorrelation, "autocorrelation.csv", risks_));
    files.push_back(written(write_cross_correlation, "cross_correlation.csv", cross_gauge_));
    files.push_back(written(write_validation_figures, "validation_figures.csv", risks_));
    files.push_back(written(write_monthly_tests, "monthly_tests.csv", risks_));
    files.push_back(written(write_validation_summary, "validation_summary.csv", risks_));
    for (auto& file : files) info_.outputs->add(file->path(), file->make_final());
    write_manifest();
  }

  void abandon() override {
    writer_.reset();
    sequences_.clear();
    index_years_.reset();
    annual_flows_.reset();
    folders_.remove_empty();
  }

 private:
  std::vector<std::string> with_gauge_columns(std::vector<std::string> columns) const {
    for (const GaugeLabel& g : gauges_) columns.push_back(g.column);
    return columns;
  }
  std::string path_of(const std::string& name) const { return (folder_ / name).generic_string(); }
  std::unique_ptr<CsvFile> table(const std::string& name) const { return std::make_unique<CsvFile>(path_of(name)); }

  template <typename Write, typename Results>
  std::unique_ptr<CsvFile> written(Write write, const std::string& name, const Results& results) const {
    auto file = table(name);
    write(*file, results, gauges_);
    file->close();
    return file;
  }

  // On the writer thread: the sequence's own file, and its rows of the two tables that
  // run over all sequences, which only this thread writes while the generation goes on.
  void write_sequence(CsvFile& file, const GeneratedSequence& q) {
    file.header(sequence_header_);
    for (int y = 1; y <= q.NYS; ++y)
      for (int m = 1; m <= kMonths; ++m) {
        file.number(y).number(m);
        for (int g = 1; g <= q.NGAUGE; ++g) file.number(q.at(g, m, y));
        file.end_row();
      }
    file.close();
    for (int y = 1; y <= q.NYS; ++y) {
      annual_flows_->number(q.number).number(y);
      for (int g = 1; g <= q.NGAUGE; ++g) annual_flows_->number(q.annual(g, y));
      annual_flows_->end_row();
      index_years_->number(q.number).number(y).number(q.index_year[static_cast<std::size_t>(y - 1)]);
      index_years_->end_row();
    }
  }

  // The reports the run wrote: the forecast dump ends a run before its analyses.
  std::vector<std::string> reports() const {
    Channels channels;
    std::vector<std::string> names;
    if (!run_.writes_reports) return names;
    for (const int unit : kReports) names.push_back(channels.unit(unit).name());
    if (run_.option.forecasting() && !analysed_) names.push_back(channels.unit(kForecastDump).name());
    return names;
  }

  void write_manifest() {
    ManifestFacts facts{&info_, &run_, run_.inputs->files(), {}, start_states_};
    for (std::string& report : reports()) facts.outputs.push_back({std::move(report), std::nullopt});
    const auto& others = info_.outputs->files();
    facts.outputs.insert(facts.outputs.end(), others.begin(), others.end());
    AtomicTextFile manifest(path_of("manifest.json"), "MANIFEST");
    manifest.write(manifest_text(facts));
    manifest.make_final();
  }

  fs::path folder_;
  RunInfo info_;
  RunDescription run_;
  Folders folders_;
  std::vector<GaugeLabel> gauges_;
  std::vector<std::string> sequence_header_;
  std::unique_ptr<CsvFile> annual_flows_, index_years_;
  std::vector<std::unique_ptr<CsvFile>> sequences_;
  std::unique_ptr<BackgroundWriter> writer_;
  std::vector<StartState> start_states_;  // of the realizations in order
  std::vector<StatisticsResult> statistics_;
  std::vector<CorrelationResult> correlations_;
  std::vector<SlotRisk> risks_;
  CrossGaugeResult cross_gauge_;
  bool analysed_ = false;
};

}  // namespace

std::unique_ptr<RunSink> make_csv_sink(const std::string& folder, const RunInfo& info) {
  return std::make_unique<CsvSink>(folder, info);
}

}  // namespace flowplex
