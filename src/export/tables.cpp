#include "export/tables.hpp"

#include <string>

namespace flowplex {
namespace {

const std::vector<std::string> kSevenValues{"maximum", "p95", "p75", "p50", "p25", "p5", "minimum"};

std::vector<std::string> columns(std::vector<std::string> first, const std::vector<std::string>& then = {}) {
  first.insert(first.end(), then.begin(), then.end());
  return first;
}

const std::string& column_of(const std::vector<GaugeLabel>& gauges, int g) {
  return gauges[static_cast<std::size_t>(g - 1)].column;
}

CsvFile& gauge_fields(CsvFile& out, int slot, int g, const std::vector<GaugeLabel>& gauges) {
  return out.number(slot).number(g).text(column_of(gauges, g));
}

// Seven empty cells where the summary is not computed.
CsvFile& seven_values(CsvFile& out, const std::optional<SevenValues>& values) {
  for (std::size_t i = 0; i < kSevenValues.size(); ++i)
    out.number(values ? std::optional<float>((*values)[i]) : std::nullopt);
  return out;
}

// A curve of storages (float, or std::optional<float> where a level may not be computed).
template <typename Curve>
void storage_curve(CsvFile& out, const StatisticsResult& r, const std::vector<GaugeLabel>& gauges,
                   const std::string& curve, const Curve& storage) {
  for (std::size_t L = 0; L < storage.size(); ++L) {
    gauge_fields(out, r.slot, r.gauge, gauges).text(curve).number(r.yield[L]).number(storage[L]);
    out.end_row();
  }
}

}  // namespace

void write_statistics(CsvFile& out, const std::vector<StatisticsResult>& results, const std::vector<GaugeLabel>& gauges) {
  out.header(columns({"slot", "gauge", "stem", "statistic", "key", "historical"}, kSevenValues));
  for (const StatisticsResult& r : results)
    for (const SummaryRow& row : r.rows) {
      gauge_fields(out, r.slot, r.gauge, gauges).text(row.statistic);
      // The annual lines have no month, run length or release level.
      out.number(row.key == 0 ? std::nullopt : std::optional<int>(row.key)).number(row.historical);
      seven_values(out, row.summary).end_row();
    }
}

void write_gauge_parameters(CsvFile& out, const std::vector<StatisticsResult>& results,
                            const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "mean", "sd", "phi1", "phi2", "theta1", "theta2", "aicc", "anc", "zero_flows"});
  for (const StatisticsResult& r : results) {
    const ParameterValues& p = r.parameters;
    gauge_fields(out, r.slot, r.gauge, gauges).number(p.mean).number(p.sd);
    out.number(p.phi[0]).number(p.phi[1]).number(p.theta[0]).number(p.theta[1]);
    out.number(p.aicc).number(p.anc).number(p.zero_flows).end_row();
  }
}

void write_historical_moments(CsvFile& out, const std::vector<StatisticsResult>& results,
                              const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "mean", "sd", "cv", "skewness", "lag1", "years"});
  for (const StatisticsResult& r : results) {
    const HistoricalMoments& h = r.historical;
    gauge_fields(out, r.slot, r.gauge, gauges).number(h.mean).number(h.sd).number(h.cv);
    out.number(h.skewness).number(h.lag1).number(h.years).end_row();
  }
}

void write_simulation_summary(CsvFile& out, const std::vector<StatisticsResult>& results,
                              const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "statistic", "average", "std_dev", "skewness"});
  for (const StatisticsResult& r : results)
    for (const SimulationMoments& m : r.simulation) {
      gauge_fields(out, r.slot, r.gauge, gauges).text(m.statistic).number(m.average).number(m.std_dev).number(m.skewness);
      out.end_row();
    }
}

void write_storage_yield(CsvFile& out, const std::vector<StatisticsResult>& results,
                         const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "curve", "yield_percent", "storage_percent"});
  for (const StatisticsResult& r : results) {
    for (int seq = 1; seq <= kSequences; ++seq)
      storage_curve(out, r, gauges, std::to_string(seq), r.storage[static_cast<std::size_t>(seq - 1)]);
    storage_curve(out, r, gauges, "mean", r.mean_storage);
    storage_curve(out, r, gauges, "median", r.median_storage);
    storage_curve(out, r, gauges, "historical", r.historical_storage);
  }
}

void write_correlations(CsvFile& out, const std::vector<CorrelationResult>& results,
                        const std::vector<GaugeLabel>& gauges) {
  out.header(columns({"slot", "gauge", "stem", "other_slot", "other_gauge", "other_stem", "period", "historical", "mean"},
                     kSevenValues));
  for (const CorrelationResult& r : results)
    for (const CorrelationLine& line : r.lines) {
      gauge_fields(out, r.slot, r.gauge, gauges);
      gauge_fields(out, r.other_slot, r.other_gauge, gauges);
      if (line.period == 0)
        out.text("annual");
      else
        out.number(line.period);
      out.number(line.historical).number(line.mean);
      seven_values(out, line.summary).end_row();
    }
}

}  // namespace flowplex
