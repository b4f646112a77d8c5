#include "risk/validation.hpp"

namespace flowplex {
namespace {

constexpr std::size_t kSummary95 = 1;
constexpr std::size_t kSummary5 = 5;

void count(Validation& v, const FigureLabel& label, float historical, float low, float high) {
  KindCount& kind = v.kinds[static_cast<std::size_t>(label.kind)];
  ++v.total;
  ++kind.total;
  if (low <= historical && historical <= high) {
    ++v.inside;
    ++kind.inside;
  } else {
    v.outside.push_back(label);
  }
}

FigureKind kind_of_summary(std::string_view statistic) {
  if (statistic == "annual_mean" || statistic == "annual_sd" || statistic == "monthly_mean" || statistic == "monthly_sd")
    return FigureKind::moments;
  return FigureKind::droughts;  // run sums and the deficit lines
}

FigureKind kind_of_figure(std::string_view figure) {
  if (figure == "hurst" || figure == "low_frequency_share") return FigureKind::persistence;
  if (figure.starts_with("l_")) return FigureKind::distribution;
  return FigureKind::droughts;
}

// The statistic of a persistence row as the summary names it.
std::string_view persistence_statistic(std::string_view series) {
  return series == "monthly" ? "monthly_autocorrelation" : "annual_autocorrelation";
}

template <typename Label>
void count_rows(Validation& v, const std::vector<BandRow>& rows, Label label) {
  for (const BandRow& row : rows)
    if (row.historical && row.band.p5 && row.band.p95) count(v, label(row), *row.historical, *row.band.p5, *row.band.p95);
}

}  // namespace

Validation validation_of(const StatisticsResult& test, const SlotRisk& risk) {
  Validation v;
  // A run sum over more months than the record or the sequences hold is not computed.
  for (const SummaryRow& row : test.rows)
    if (row.historical && row.summary)
      count(v, {kind_of_summary(row.statistic), row.statistic, row.key}, *row.historical, (*row.summary)[kSummary5],
            (*row.summary)[kSummary95]);
  count_rows(v, risk.drought_rows, [](const BandRow& r) { return FigureLabel{FigureKind::droughts, r.series, 0}; });
  count_rows(v, risk.flow_duration,
             [](const BandRow& r) { return FigureLabel{FigureKind::flow_duration, r.series, r.key}; });
  count_rows(v, risk.persistence, [](const BandRow& r) {
    return FigureLabel{FigureKind::persistence, persistence_statistic(r.series), r.key};
  });
  count_rows(v, risk.figure_rows, [](const BandRow& r) { return FigureLabel{kind_of_figure(r.series), r.series, 0}; });
  return v;
}

std::optional<float> share_percent(const Validation& v) { return share_percent(KindCount{v.inside, v.total}); }

std::optional<float> share_percent(const KindCount& c) {
  if (c.total == 0) return std::nullopt;
  return static_cast<float>(100.0 * c.inside / c.total);
}

}  // namespace flowplex
