#include "run/progress.hpp"

namespace flowplex {

ProgressLine::ProgressLine(std::ostream& terminal, Console& con, RunSink& sinks, bool exports)
    : terminal_(terminal), con_(con), sinks_(sinks), exports_(exports) {
  con_.before_each_write([this] { erase(); });
}

ProgressLine::~ProgressLine() {
  erase();
  con_.before_each_write({});
}

void ProgressLine::show(std::string text) {
  erase();
  text_ = std::move(text);
  draw();
}

// Drawn again after the console has written; only when it is not on the terminal.
void ProgressLine::draw() {
  if (drawn_ || text_.empty()) return;
  terminal_ << '\r' << text_ << std::flush;
  drawn_ = true;
}

void ProgressLine::erase() {
  if (!drawn_) return;
  terminal_ << '\r' << std::string(text_.size(), ' ') << '\r' << std::flush;
  drawn_ = false;
}

void ProgressLine::begin_generation(const RunDescription& run) {
  last_ = run.realizations.last;
  sinks_.begin_generation(run);
}

void ProgressLine::begin_sequence(int seq) {
  show(" GENERATING SEQUENCE " + std::to_string(seq) + " OF " + std::to_string(last_));
  sinks_.begin_sequence(seq);
}

void ProgressLine::sequence_made(int seq, const std::shared_ptr<const GeneratedSequence>& made) {
  sinks_.sequence_made(seq, made);
  draw();
}

void ProgressLine::begin_analyses(const std::vector<ChosenGauge>& chosen) {
  show("");
  sinks_.begin_analyses(chosen);
}

void ProgressLine::not_tested(int gauge) { sinks_.not_tested(gauge); }
void ProgressLine::statistics(const StatisticsResult& result) { sinks_.statistics(result); }
void ProgressLine::correlations(const CorrelationResult& result) { sinks_.correlations(result); }
void ProgressLine::risk(const SlotRisk& result) { sinks_.risk(result); }
void ProgressLine::cross_gauge(const CrossGaugeResult& result) { sinks_.cross_gauge(result); }

void ProgressLine::commit() {
  if (exports_) show(" WRITING THE EXPORT FILES");
  sinks_.commit();
  show("");
}

void ProgressLine::abandon() {
  show("");
  sinks_.abandon();
}

}  // namespace flowplex
