#include "library/risk_analyses.hpp"

#include <algorithm>

#include "correlation_test/monthly_correlation.hpp"
#include "parallel/in_order.hpp"

namespace flowplex {
namespace {

// The months of slot k's historic file in time order.
std::vector<float> historical_months(const AnalysisInputs& s, int k) {
  std::vector<float> months;
  for (int y = 1; y <= s.HIST.NYHIST(k); ++y)
    for (int m = 1; m <= kMonths; ++m) months.push_back(s.HIST.HISTM(y, m, k));
  return months;
}

// The historical correlation of the annual flows of two slots, over the years both
// records hold, aligned by their record periods as the monthly correlation test aligns them.
std::optional<float> historical_correlation(const AnalysisInputs& s, const SlotLabel& a, const SlotLabel& b) {
  const HistoricalPeriod p = historical_period(s, a.slot, b.slot, a.gauge, b.gauge);
  const std::size_t years = static_cast<std::size_t>(std::max(p.NPAIR, 0));
  if (years < 2) return std::nullopt;
  return pearson(s.HIST.HISTYR.span(static_cast<int>(years), p.o1 + 1, a.slot),
                 s.HIST.HISTYR.span(static_cast<int>(years), p.o2 + 1, b.slot));
}

}  // namespace

SlotRiskAnalysis slot_analysis(const AnalysisInputs& s, const StatisticsResult& test) {
  return SlotRiskAnalysis(test, historical_months(s, test.slot));
}

RealizationFigures realization_figures(const SlotRiskAnalysis& analysis, int r, std::span<const float> months) {
  return r <= kSequences ? analysis.tested_realization(r, months) : analysis.realization(months);
}

std::vector<std::optional<float>> historical_correlations(const AnalysisInputs& s, const std::vector<SlotLabel>& slots) {
  std::vector<std::optional<float>> historical;
  for (std::size_t i = 0; i < slots.size(); ++i)
    for (std::size_t j = i + 1; j < slots.size(); ++j) historical.push_back(historical_correlation(s, slots[i], slots[j]));
  return historical;
}

std::optional<SlotRisk> RiskAnalyses::slot_tested(const AnalysisInputs& s, const StatisticsResult& test) {
  const int k = test.slot;
  if (std::any_of(slots_.begin(), slots_.end(), [&](const SlotLabel& l) { return l.slot == k; })) return std::nullopt;
  slots_.push_back({k, test.gauge, test.name});
  SlotRiskAnalysis analysis = slot_analysis(s, test);
  const auto figures_of = [&](int r) {
    std::vector<float> buffer;
    return realization_figures(analysis, r, months_of(s, r, k, buffer));
  };
  in_order(last_realization(), threads_, figures_of, [&](int, RealizationFigures f) { analysis.add(std::move(f)); });
  return analysis.finish();
}

CrossGaugeResult RiskAnalyses::finish(const AnalysisInputs& s) const {
  CrossGaugeCorrelation correlation(slots_, historical_correlations(s, slots_));
  // Each slot's annual totals are summed from its months as FLOWYR's are, so every
  // realization, kept in FLOW or in the scratch file, takes the same path.
  std::vector<float> buffer;
  std::vector<std::vector<float>> annual(slots_.size());
  std::vector<std::span<const float>> series(slots_.size());
  for (int r = 1; r <= last_realization(); ++r) {
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      annual[i] = annual_flows(s.RUN.NYS, months_of(s, r, slots_[i].slot, buffer));
      series[i] = annual[i];
    }
    correlation.add_realization(series);
  }
  return correlation.finish();
}

int RiskAnalyses::last_realization() const { return beyond_flow_ != nullptr ? beyond_flow_->last() : kSequences; }

std::span<const float> RiskAnalyses::months_of(const AnalysisInputs& s, int r, int k, std::vector<float>& buffer) const {
  if (r <= kSequences) return s.FLOW.FLOW.span(kMonths * s.RUN.NYS, 1, 1, r, k);
  beyond_flow_->read(r, k, buffer);
  return buffer;
}

}  // namespace flowplex
