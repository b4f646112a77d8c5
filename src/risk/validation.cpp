#include "risk/validation.hpp"

namespace flowplex {
namespace {

constexpr std::size_t kSummary95 = 1;
constexpr std::size_t kSummary5 = 5;

void count(Validation& v, float historical, float low, float high) {
  ++v.total;
  if (low <= historical && historical <= high) ++v.inside;
}

void count_rows(Validation& v, const std::vector<BandRow>& rows) {
  for (const BandRow& row : rows)
    if (row.historical && row.band.p5 && row.band.p95) count(v, *row.historical, *row.band.p5, *row.band.p95);
}

}  // namespace

Validation validation_of(const StatisticsResult& test, const SlotRisk& risk) {
  Validation v;
  // A run sum over more months than the record or the sequences hold is not computed.
  for (const SummaryRow& row : test.rows)
    if (row.historical && row.summary)
      count(v, *row.historical, (*row.summary)[kSummary5], (*row.summary)[kSummary95]);
  count_rows(v, risk.drought_rows);
  count_rows(v, risk.flow_duration);
  count_rows(v, risk.persistence);
  return v;
}

std::optional<float> share_percent(const Validation& v) {
  if (v.total == 0) return std::nullopt;
  return static_cast<float>(100.0 * v.inside / v.total);
}

}  // namespace flowplex
