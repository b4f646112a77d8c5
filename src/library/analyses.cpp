#include "flowplex/analyses.hpp"

#include <memory>

#include "library/historic_file.hpp"
#include "library/kept_flows.hpp"
#include "library/risk_analyses.hpp"
#include "report/input.hpp"
#include "stats_test/test1.hpp"

namespace flowplex::api {
namespace {

std::size_t values_per_realization(const EnsembleFlows& flows, int NGAUGE) {
  return static_cast<std::size_t>(flows.years) * kMonths * static_cast<std::size_t>(NGAUGE);
}

void check_analysis_request(const EnsembleFlows& flows, const AnalysisRequest& request, int NGAUGE) {
  if (request.gauges.empty() || request.gauges.size() > static_cast<std::size_t>(kMaxSlots))
    throw RequestError("gauges: " + std::to_string(request.gauges.size()) + " chosen; the analyses take 1 to " +
                       std::to_string(kMaxSlots));
  for (const int g : request.gauges)
    if (g < 1 || g > NGAUGE)
      throw RequestError("gauges: " + std::to_string(g) + " is not a gauge of the river system (1 to " +
                         std::to_string(NGAUGE) + ")");
  if (flows.years < 1 || flows.years > kMaxYears)
    throw RequestError("years: " + std::to_string(flows.years) + " is outside 1 to " + std::to_string(kMaxYears));
  if (flows.first != 1 || flows.count < kSequences)
    throw RequestError("realizations: the analyses take realizations 1 to " + std::to_string(kSequences) +
                       " at least, and these begin at " + std::to_string(flows.first) + " and hold " +
                       std::to_string(flows.count));
  if (flows.flow.size() != static_cast<std::size_t>(flows.count) * values_per_realization(flows, NGAUGE))
    throw RequestError("flow: " + std::to_string(flows.flow.size()) + " values, where " + std::to_string(flows.count) +
                       " realizations of " + std::to_string(flows.years) + " years of " + std::to_string(NGAUGE) +
                       " gauges hold " +
                       std::to_string(static_cast<std::size_t>(flows.count) * values_per_realization(flows, NGAUGE)));
  if (request.threads < 1)
    throw RequestError("threads: " + std::to_string(request.threads) + " is not a whole number of 1 or more");
}

// The caller's realizations beyond the 41 that FLOW keeps, read from its own arrays.
class FlowsBeyond final : public RealizationsBeyond {
 public:
  FlowsBeyond(const EnsembleFlows& flows, const RunState& run, int NGAUGE)
      : flows_(flows), run_(run), NGAUGE_(NGAUGE), per_realization_(values_per_realization(flows, NGAUGE)) {}

  int last() const override { return flows_.first + flows_.count - 1; }
  void read(int seq, int k, std::vector<float>& months) const override {
    const std::span<const float> made = realization(seq);
    const int g = run_.IGLIST(k);
    months.resize(static_cast<std::size_t>(kMonths * run_.NYS));
    for (std::size_t i = 0; i < months.size(); ++i) months[i] = made[i * static_cast<std::size_t>(NGAUGE_) + (g - 1)];
  }
  std::span<const float> realization(int seq) const {
    return flows_.flow.subspan(static_cast<std::size_t>(seq - flows_.first) * per_realization_, per_realization_);
  }

 private:
  const EnsembleFlows& flows_;
  const RunState& run_;
  int NGAUGE_;
  std::size_t per_realization_;
};

// What the analyses read beyond the river system: the chosen gauges, the kept flows of
// realizations 1 to 41 and the historical record. Large; made once per call.
struct AnalysedEnsemble {
  RunState RUN;
  FlowBlock FLOW;
  HistBlock HIST;
};

void choose(RunState& run, const EnsembleFlows& flows, const AnalysisRequest& request) {
  run.NYS = flows.years;
  run.NSEL = static_cast<int>(request.gauges.size());
  for (int k = 1; k <= run.NSEL; ++k) run.IGLIST(k) = request.gauges[static_cast<std::size_t>(k - 1)];
}

void read_historical_records(const flowplex::RiverSystem& river, const AnalysisRequest& request, AnalysedEnsemble& e) {
  for (int k = 1; k <= e.RUN.NSEL; ++k) {
    const int g = e.RUN.IGLIST(k);
    const std::string file = historic_file_name(river.PARM.GNAME(g), request.historic);
    if (!file_exists(river.FOLDER, trimmed_name(file)))
      throw InputError("CANNOT FIND THE HISTORIC FILE " + trimmed_name(file) + " OF GAUGE " + std::to_string(g) + " (" +
                           trimmed_name(river.PARM.GNAME(g).view()) + ")",
                       trimmed_name(file));
    load_historic_record(river.FOLDER, file, e.HIST, k);
  }
}

}  // namespace

AnalysisResult analyse(const RiverSystem& system, const EnsembleFlows& flows, const AnalysisRequest& request) {
  const flowplex::RiverSystem& river = system.blocks();
  const int NGAUGE = river.PARM.NGAUGE;
  check_analysis_request(flows, request, NGAUGE);
  const auto e = std::make_unique<AnalysedEnsemble>();
  choose(e->RUN, flows, request);
  const FlowsBeyond beyond(flows, e->RUN, NGAUGE);
  for (int seq = 1; seq <= kSequences; ++seq) keep_flows(e->RUN, beyond.realization(seq), NGAUGE, e->FLOW, seq);
  annual_totals(e->RUN, e->FLOW);
  read_historical_records(river, request, *e);

  const AnalysisInputs in(river, e->RUN, e->FLOW, e->HIST);
  RiskAnalyses risk(flows.count > kSequences ? &beyond : nullptr, request.threads);
  AnalysisResult result;
  for (int k = 1; k <= e->RUN.NSEL; ++k) {
    if (e->HIST.NYHIST(k) < 1) {
      result.not_tested.push_back(e->RUN.IGLIST(k));
      continue;
    }
    result.statistics.push_back(test1(in, k, request.threads));
    if (std::optional<SlotRisk> slot = risk.slot_tested(in, result.statistics.back()))
      result.risk.push_back(std::move(*slot));
  }
  result.cross_gauge = risk.finish(in);
  return result;
}

}  // namespace flowplex::api
