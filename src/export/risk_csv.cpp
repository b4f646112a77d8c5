#include "export/risk_csv.hpp"

#include "risk/validation.hpp"

namespace flowplex {
namespace {

// A slot as every table names it: its number, its gauge's number and column name.
CsvFile& slot_fields(CsvFile& out, int slot, int g, const std::vector<GaugeLabel>& gauges) {
  return out.number(slot).number(g).text(gauges[static_cast<std::size_t>(g - 1)].column);
}

CsvFile& band_fields(CsvFile& out, const Band& band) { return out.number(band.p5).number(band.p50).number(band.p95); }

// A table of one kind of band rows of every slot: the row's key (written by key), the
// historical value and the band.
template <typename Key>
void write_band_table(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges,
                      const std::string& key_column, std::vector<BandRow> SlotRisk::*rows, Key key) {
  out.header({"slot", "gauge", "stem", key_column, "historical", "p5", "p50", "p95"});
  for (const SlotRisk& r : risks)
    for (const BandRow& row : r.*rows) {
      key(slot_fields(out, r.slot, r.gauge, gauges), row);
      band_fields(out.number(row.historical), row.band).end_row();
    }
}

}  // namespace

void write_reliability(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "yield_percent", "historical", "r50", "r80", "r90", "r95", "r98", "r99"});
  for (const SlotRisk& r : risks)
    for (const ReliabilityRow& row : r.reliability) {
      slot_fields(out, r.slot, r.gauge, gauges).number(row.yield).number(row.historical);
      for (const auto& storage : row.storage) out.number(storage);
      out.end_row();
    }
}

void write_droughts(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  write_band_table(out, risks, gauges, "statistic", &SlotRisk::drought_rows,
                   [](CsvFile& o, const BandRow& row) { o.text(row.series); });
}

void write_flow_duration(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  write_band_table(out, risks, gauges, "exceedance_percent", &SlotRisk::flow_duration,
                   [](CsvFile& o, const BandRow& row) { o.number(row.key); });
}

void write_autocorrelation(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "series", "lag", "historical", "bound", "p5", "p50", "p95"});
  for (const SlotRisk& r : risks)
    for (const BandRow& row : r.persistence) {
      slot_fields(out, r.slot, r.gauge, gauges).text(row.series).number(row.key).number(row.historical);
      band_fields(out.number(row.bound), row.band).end_row();
    }
}

void write_validation_summary(CsvFile& out, const std::vector<SlotRisk>& risks,
                              const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "inside", "total", "share_percent"});
  for (const SlotRisk& r : risks) {
    const Validation& v = r.validation;
    slot_fields(out, r.slot, r.gauge, gauges).number(v.inside).number(v.total).number(share_percent(v)).end_row();
  }
}

void write_cross_correlation(CsvFile& out, const CrossGaugeResult& result, const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "other_slot", "other_gauge", "other_stem", "historical", "generated_mean"});
  for (const CrossGaugePair& p : result.pairs) {
    slot_fields(out, p.slot, p.gauge, gauges);
    slot_fields(out, p.other_slot, p.other_gauge, gauges).number(p.historical).number(p.generated_mean).end_row();
  }
}

}  // namespace flowplex
