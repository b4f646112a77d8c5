#include "flowplex/analyses.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <type_traits>

#include "library/historic_file.hpp"
#include "library/kept_flows.hpp"
#include "library/risk_analyses.hpp"
#include "parallel/in_order.hpp"
#include "report/input.hpp"
#include "stats_test/test1.hpp"

namespace flowplex::api {
namespace {

std::size_t values_per_realization(int years, int NGAUGE) {
  return static_cast<std::size_t>(years) * kMonths * static_cast<std::size_t>(NGAUGE);
}

void check_choice(const AnalysisRequest& request, int NGAUGE) {
  if (request.gauges.empty() || request.gauges.size() > static_cast<std::size_t>(kMaxSlots))
    throw RequestError("gauges: " + std::to_string(request.gauges.size()) + " chosen; the analyses take 1 to " +
                       std::to_string(kMaxSlots));
  for (const int g : request.gauges)
    if (g < 1 || g > NGAUGE)
      throw RequestError("gauges: " + std::to_string(g) + " is not a gauge of the river system (1 to " +
                         std::to_string(NGAUGE) + ")");
  if (request.threads < 1)
    throw RequestError("threads: " + std::to_string(request.threads) + " is not a whole number of 1 or more");
}

void check_flows(const EnsembleFlows& flows, int NGAUGE) {
  if (flows.years < 1 || flows.years > kMaxYears)
    throw RequestError("years: " + std::to_string(flows.years) + " is outside 1 to " + std::to_string(kMaxYears));
  if (flows.first < 1 || flows.count < 1)
    throw RequestError("realizations: " + std::to_string(flows.count) + " from " + std::to_string(flows.first) +
                       " is not a range of realizations");
  const std::size_t expected = static_cast<std::size_t>(flows.count) * values_per_realization(flows.years, NGAUGE);
  if (flows.flow.size() != expected)
    throw RequestError("flow: " + std::to_string(flows.flow.size()) + " values, where " + std::to_string(flows.count) +
                       " realizations of " + std::to_string(flows.years) + " years of " + std::to_string(NGAUGE) +
                       " gauges hold " + std::to_string(expected));
}

void check_tested(const EnsembleFlows& flows) {
  if (flows.first != 1 || flows.count < kSequences)
    throw RequestError("realizations: the analyses take realizations 1 to " + std::to_string(kSequences) +
                       " at least, and these begin at " + std::to_string(flows.first) + " and hold " +
                       std::to_string(flows.count));
}

std::span<const float> realization_of(const EnsembleFlows& flows, int seq, int NGAUGE) {
  const std::size_t per = values_per_realization(flows.years, NGAUGE);
  return flows.flow.subspan(static_cast<std::size_t>(seq - flows.first) * per, per);
}

// Gauge g's months of one realization of every gauge, in time order.
std::vector<float> gauge_months(std::span<const float> realization, int g, int NGAUGE) {
  std::vector<float> months(realization.size() / static_cast<std::size_t>(NGAUGE));
  for (std::size_t i = 0; i < months.size(); ++i) months[i] = realization[i * static_cast<std::size_t>(NGAUGE) + (g - 1)];
  return months;
}

// What the statistics test and the risk analyses' basis read beyond the river system:
// the chosen gauges, the kept flows of realizations 1 to 41 and the historical record.
// Large; made once per analysis.
struct TestedEnsemble {
  RunState RUN;
  FlowBlock FLOW;
  HistBlock HIST;
};

void choose(RunState& run, int years, const AnalysisRequest& request) {
  run.NYS = years;
  run.NSEL = static_cast<int>(request.gauges.size());
  for (int k = 1; k <= run.NSEL; ++k) run.IGLIST(k) = request.gauges[static_cast<std::size_t>(k - 1)];
}

void read_historical_records(const flowplex::RiverSystem& river, const AnalysisRequest& request, TestedEnsemble& e) {
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

// The bytes of block figures: this header, then each realization's figures of every
// slot analysed and its correlation of every pair of them. The figures are plain values
// (arrays of numbers), copied as they lie in memory.
struct BlockHeader {
  int first = 0, count = 0, slots = 0, pairs = 0;
  std::uint64_t basis = 0;  // the analysis' fingerprint: figures of another one do not combine
};
static_assert(std::is_trivially_copyable_v<RealizationFigures>);
static_assert(std::is_trivially_copyable_v<std::optional<float>>);

template <typename T>
void append(std::vector<std::byte>& bytes, const T* values, std::size_t n) {
  const auto* from = reinterpret_cast<const std::byte*>(values);
  bytes.insert(bytes.end(), from, from + n * sizeof(T));
}

template <typename T>
T value_at(const std::vector<std::byte>& bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// FNV-1a over the bytes of the values: the same in every process of the same build.
template <typename T>
std::uint64_t fingerprint(std::uint64_t hash, std::span<const T> values) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
  for (std::size_t i = 0; i < values.size_bytes(); ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
  return hash;
}

// What the figures of a block depend on beside its own flows: realizations 1 to 41 (and
// through them the river system, option, years and perturbation), the gauges and the
// historic files' type.
std::uint64_t basis_fingerprint(std::span<const float> tested, int years, const AnalysisRequest& request) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  hash = fingerprint(hash, tested);
  hash = fingerprint(hash, std::span<const int>(request.gauges));
  hash = fingerprint(hash, std::span<const char>(request.historic));
  return fingerprint(hash, std::span<const int>(&years, 1));
}

std::size_t realization_bytes(const BlockHeader& h) {
  return static_cast<std::size_t>(h.slots) * sizeof(RealizationFigures) +
         static_cast<std::size_t>(h.pairs) * sizeof(std::optional<float>);
}

}  // namespace

struct EnsembleAnalysis::Basis {
  RiverSystem system;  // kept open for the blocks
  int NGAUGE = 0;
  int years = 0;
  int threads = 1;
  std::uint64_t fingerprint = 0;
  std::vector<int> not_tested;
  std::vector<StatisticsResult> statistics;
  std::vector<SlotRiskAnalysis> analyses;  // of the tested slots, before any realization
  std::vector<SlotLabel> slots;
  std::vector<std::optional<float>> historical;  // the pairs' historical correlations

  BlockHeader header_of(const BlockFigures& block) const;
  std::size_t figures_at(std::size_t realization, std::size_t slot) const {
    return sizeof(BlockHeader) + realization * realization_bytes(shape()) + slot * sizeof(RealizationFigures);
  }
  std::size_t pairs_at(std::size_t realization) const { return figures_at(realization, slots.size()); }
  BlockHeader shape() const {
    return {0, 0, static_cast<int>(slots.size()), static_cast<int>(historical.size()), fingerprint};
  }
};

BlockHeader EnsembleAnalysis::Basis::header_of(const BlockFigures& block) const {
  if (block.bytes.size() < sizeof(BlockHeader)) throw RequestError("blocks: a block holds no figures");
  const auto h = value_at<BlockHeader>(block.bytes, 0);
  if (h.slots != shape().slots || h.pairs != shape().pairs || h.basis != fingerprint || h.first != block.first ||
      h.count != block.count ||
      block.bytes.size() != sizeof(BlockHeader) + static_cast<std::size_t>(h.count) * realization_bytes(h))
    throw RequestError("blocks: the block of realizations " + std::to_string(block.first) +
                       " on is not one of this analysis");
  return h;
}

EnsembleAnalysis::EnsembleAnalysis(const RiverSystem& system, const EnsembleFlows& tested,
                                   const AnalysisRequest& request)
    : basis_(std::make_unique<Basis>(Basis{system, 0, tested.years, request.threads, 0, {}, {}, {}, {}, {}})) {
  const flowplex::RiverSystem& river = system.blocks();
  Basis& b = *basis_;
  b.NGAUGE = river.PARM.NGAUGE;
  check_choice(request, b.NGAUGE);
  check_tested(tested);
  check_flows(tested, b.NGAUGE);
  b.fingerprint = basis_fingerprint(tested.flow.first(kSequences * values_per_realization(tested.years, b.NGAUGE)),
                                    tested.years, request);
  const auto e = std::make_unique<TestedEnsemble>();
  choose(e->RUN, tested.years, request);
  for (int seq = 1; seq <= kSequences; ++seq) keep_flows(e->RUN, realization_of(tested, seq, b.NGAUGE), b.NGAUGE, e->FLOW, seq);
  annual_totals(e->RUN, e->FLOW);
  read_historical_records(river, request, *e);
  const AnalysisInputs in(river, e->RUN, e->FLOW, e->HIST);
  for (int k = 1; k <= e->RUN.NSEL; ++k) {
    if (e->HIST.NYHIST(k) < 1) {
      b.not_tested.push_back(e->RUN.IGLIST(k));
      continue;
    }
    const StatisticsResult& test = b.statistics.emplace_back(test1(in, k, request.threads));
    b.analyses.push_back(slot_analysis(in, test));
    b.slots.push_back({k, test.gauge, test.name});
  }
  b.historical = historical_correlations(in, b.slots);
}

EnsembleAnalysis::~EnsembleAnalysis() = default;
EnsembleAnalysis::EnsembleAnalysis(EnsembleAnalysis&&) noexcept = default;
EnsembleAnalysis& EnsembleAnalysis::operator=(EnsembleAnalysis&&) noexcept = default;

BlockFigures EnsembleAnalysis::figures(const EnsembleFlows& block) const {
  const Basis& b = *basis_;
  check_flows(block, b.NGAUGE);
  if (block.years != b.years)
    throw RequestError("years: the block's realizations are of " + std::to_string(block.years) +
                       " years, the analysis' of " + std::to_string(b.years));
  BlockHeader header = b.shape();
  header.first = block.first;
  header.count = block.count;
  BlockFigures out{block.first, block.count, {}};
  out.bytes.reserve(sizeof(BlockHeader) + static_cast<std::size_t>(block.count) * realization_bytes(header));
  append(out.bytes, &header, 1);
  struct Figures {
    std::vector<RealizationFigures> slots;
    std::vector<std::optional<float>> pairs;
  };
  const auto figures_of = [&](int i) {
    const int r = block.first + i - 1;
    const std::span<const float> made = realization_of(block, r, b.NGAUGE);
    Figures f;
    std::vector<std::vector<float>> annual;
    for (std::size_t k = 0; k < b.slots.size(); ++k) {
      const std::vector<float> months = gauge_months(made, b.slots[k].gauge, b.NGAUGE);
      f.slots.push_back(realization_figures(b.analyses[k], r, months));
      annual.push_back(annual_flows(b.years, months));
    }
    f.pairs = CrossGaugeCorrelation::realization_pairs({annual.begin(), annual.end()});
    return f;
  };
  in_order(block.count, b.threads, figures_of, [&](int, Figures f) {
    append(out.bytes, f.slots.data(), f.slots.size());
    append(out.bytes, f.pairs.data(), f.pairs.size());
  });
  return out;
}

AnalysisResult EnsembleAnalysis::combine(std::vector<BlockFigures> blocks) const {
  const Basis& b = *basis_;
  std::sort(blocks.begin(), blocks.end(), [](const BlockFigures& x, const BlockFigures& y) { return x.first < y.first; });
  int next = 1;
  for (const BlockFigures& block : blocks) {
    b.header_of(block);
    if (block.first > next) throw RequestError("blocks: realization " + std::to_string(next) + " is in no block");
    if (block.first < next)
      throw RequestError("blocks: realization " + std::to_string(block.first) + " is in two blocks");
    next = block.first + block.count;
  }
  if (next - 1 < kSequences)
    throw RequestError("blocks: they hold realizations 1 to " + std::to_string(next - 1) + ", the analyses take 1 to " +
                       std::to_string(kSequences) + " at least");
  AnalysisResult result{b.not_tested, b.statistics, {}, {}};
  for (std::size_t k = 0; k < b.slots.size(); ++k) {
    SlotRiskAnalysis analysis = b.analyses[k];
    for (const BlockFigures& block : blocks)
      for (std::size_t r = 0; r < static_cast<std::size_t>(block.count); ++r)
        analysis.add(value_at<RealizationFigures>(block.bytes, b.figures_at(r, k)));
    result.risk.push_back(analysis.finish());
  }
  CrossGaugeCorrelation correlation(b.slots, b.historical);
  std::vector<std::optional<float>> pairs(b.historical.size());
  for (const BlockFigures& block : blocks)
    for (std::size_t r = 0; r < static_cast<std::size_t>(block.count); ++r) {
      for (std::size_t p = 0; p < pairs.size(); ++p)
        pairs[p] = value_at<std::optional<float>>(block.bytes, b.pairs_at(r) + p * sizeof(std::optional<float>));
      correlation.add_pairs(pairs);
    }
  result.cross_gauge = correlation.finish();
  return result;
}

AnalysisResult analyse(const RiverSystem& system, const EnsembleFlows& flows, const AnalysisRequest& request) {
  const EnsembleAnalysis analysis(system, flows, request);
  std::vector<BlockFigures> whole;
  whole.push_back(analysis.figures(flows));
  return analysis.combine(std::move(whole));
}

}  // namespace flowplex::api
