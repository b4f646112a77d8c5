#include "html/page.hpp"

#include <optional>
#include <string_view>
#include <vector>

#include "export/atomic_file.hpp"
#include "export/inputs.hpp"
#include "export/perturbation_facts.hpp"
#include "export/river_system.hpp"
#include "html/markup.hpp"
#include "html/risk_section.hpp"
#include "html/sections.hpp"
#include "html/style.hpp"
#include "html/tables.hpp"
#include "report/input.hpp"

namespace flowplex {
namespace {

using html::escaped;

std::string run_facts(const RunDescription& run) {
  const CommonPeriod& common = run.common_period;
  const std::vector<std::pair<std::string_view, std::string>> facts{
      {"Parameter file", run.parameter_file},
      {"Generation", run.option.description()},
      {"Sequences", "41 of " + std::to_string(run.NYS) + " years"},
      {"Common period", std::to_string(common.first) + " to " + std::to_string(common.last) + " (" +
                            std::to_string(common.years) + " years)"},
  };
  std::string out = "<dl class=\"run\">";
  for (const auto& [name, value] : facts) out += "<dt>" + std::string(name) + "</dt><dd>" + escaped(value) + "</dd>";
  return out + "</dl>";
}

// The factors of a perturbed run, gauge by gauge; nothing for a run that is not.
std::string perturbation_facts(const RunDescription& run) {
  const std::optional<api::Perturbation>& perturbation = run.perturbation;
  if (!perturbation) return "";
  std::vector<std::vector<std::string>> rows;
  for (const GaugeLabel& g : run.gauges)
    rows.push_back({std::to_string(g.number), g.name, factors_in_words(perturbation->of(g.number))});
  return "<p class=\"note\"><b>Perturbed flows</b> (" + escaped(perturbation->given()) +
         "): every figure below is of the perturbed realizations, compared against today's record.</p>" +
         html::plain_table("The factors of the perturbation", {"Gauge", "Name", "Factors"}, rows, "perturbation");
}

// The program and the inputs that made the page: the same inputs give the same digest.
std::string provenance(const std::vector<InputFile>& inputs, const std::string& version) {
  const std::string digest = input_digest(inputs);
  return "<p class=\"note\">Written by flowplex " + escaped(version) +
         " \u00b7 input digest (SHA-256 of the input files read) <code>" + digest + "</code></p>";
}

std::string chosen_gauges(const std::vector<ChosenGauge>& chosen) {
  std::vector<std::vector<std::string>> rows;
  for (const ChosenGauge& r : chosen)
    rows.push_back({std::to_string(r.slot), std::to_string(r.gauge), r.gauge_name, r.historic_file,
                    std::to_string(r.years_read)});
  return html::plain_table("The chosen gauges", {"Slot", "Gauge", "Name", "Historic file", "Years read"}, rows,
                           "gauges");
}

constexpr std::string_view kReadingGuide =
    "<p class=\"note\">Flows, run sums and deficits are in the unit of the river system's series files; MAR is the "
    "mean annual runoff of the historical record. Each box summarises a statistic over the 41 generated sequences "
    "(box 25 % to 75 %, line at the median, whiskers 5 % to 95 %, circles at the minimum and maximum); the diamond "
    "is the historical value. A diamond well inside the box means the model reproduces that property. The tables "
    "under the charts give the numbers as the line-printer report prints them.</p>";

// The page's sections, made as the analyses hand over their results, and the file they
// go to when the run is complete.
class HtmlPage final : public RunSink {
 public:
  HtmlPage(const std::string& path, const RunInfo& info) : path_(path), outputs_(info.outputs) {}

  // The page's file is made before the sequences are, so that a path that cannot be
  // written ends the run before it spends its time.
  void begin_generation(const RunDescription& run) override {
    run_ = run;
    chosen_ = run.chosen;
    file_.emplace(path_, "HTML PAGE");
  }
  void begin_analyses(const std::vector<ChosenGauge>& chosen) override { chosen_ = chosen; }
  void statistics(const StatisticsResult& result) override {
    add({result.slot, result.name, "statistical properties", false}, html::statistics_section(result, next_id()));
  }
  void correlations(const CorrelationResult& result) override {
    add({result.slot, result.name, result.other_name.substr(0, result.other_name.find(' ')), true},
        html::correlation_section(result, next_id()));
  }
  // The risk section follows the statistics test it builds on; the contents list leaves
  // it to the validation summary, which links every one.
  bool takes_risk() const override { return true; }
  void risk(const SlotRisk& result) override {
    sections_ += html::risk_section(result);
    validations_.push_back({result.slot, result.gauge, result.name, result.validation});
  }
  void cross_gauge(const CrossGaugeResult& result) override { cross_gauge_ = html::cross_gauge_section(result); }
  void commit() override {
    file_->write(page());
    file_->make_final();
    outputs_->add(path_);  // the manifest, written after the page, lists it
  }
  void abandon() override { file_.reset(); }

 private:
  // A section as the contents list links to it: the analysed gauge, and the test or, for
  // a correlation page, the other gauge's stem.
  struct Entry {
    int slot;
    std::string gauge;
    std::string link;
    bool correlation;
  };

  int next_id() const { return static_cast<int>(entries_.size()) + 1; }
  void add(Entry entry, const std::string& section) {
    entries_.push_back(std::move(entry));
    sections_ += section;
  }

  // One line per gauge analysed in turn, with its sections as links: a run of fifteen
  // gauges has over two hundred correlation pages, and a line each would bury the rest.
  std::string contents() const {
    if (entries_.empty()) return "<p>No analysis was made in this run.</p>";
    std::string out = "<nav><h2>Contents</h2><ul>";
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      const Entry& e = entries_[i];
      const Entry* before = i > 0 ? &entries_[i - 1] : nullptr;
      const bool new_line = before == nullptr || before->slot != e.slot;
      if (new_line) out += (before ? "</li><li><b>" : "<li><b>") + escaped(e.gauge) + "</b>: ";
      if (!new_line) out += e.correlation && before->correlation ? ", " : "; ";
      if (e.correlation && (new_line || !before->correlation)) out += "rank correlations with ";
      out += "<a href=\"#s" + std::to_string(i + 1) + "\">" + escaped(e.link) + "</a>";
    }
    return out + "</li></ul></nav>\n";
  }

  std::string page() const {
    std::string title = run_.title;
    if (title.empty()) title = "River system";
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\"><title>" +
        escaped(title) + " \u2013 flowplex</title><style>" + std::string(html::kPageStyle) + std::string(html::kRiskStyle) +
        "</style></head><body>";
    out += "<header><h1>" + escaped(title) + "</h1>" + run_facts(run_) + perturbation_facts(run_) +
           chosen_gauges(chosen_) + provenance(run_.inputs->files(), run_.version) + std::string(kReadingGuide) +
           "</header>\n";
    out += html::validation_summary(validations_, run_.perturbation.has_value()) + cross_gauge_;
    out += contents() + "<main>" + sections_ + "</main></body></html>\n";
    return out;
  }

  std::string path_;
  std::optional<AtomicTextFile> file_;
  std::shared_ptr<OutputLedger> outputs_;
  RunDescription run_;
  std::vector<ChosenGauge> chosen_;  // their historic files unread in a run ended before its analyses
  std::vector<Entry> entries_;
  std::string sections_;
  std::vector<html::ValidationLine> validations_;
  std::string cross_gauge_;
};

}  // namespace

std::unique_ptr<RunSink> make_html_sink(const std::string& path, const RunInfo& info) {
  return std::make_unique<HtmlPage>(path, info);
}

}  // namespace flowplex
