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

std::string figure_label(const FigureLabel& label) {
  std::string text(label.statistic);
  if (label.key != 0) text += ":" + std::to_string(label.key);
  return text;
}

std::string outside_list(const Validation& v) {
  std::string list;
  for (const FigureLabel& label : v.outside) list += (list.empty() ? "" : " ") + figure_label(label);
  return list;
}

void write_reliability(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  std::vector<std::string> header{"slot", "gauge", "stem", "yield_percent", "historical"};
  for (const int p : kReliabilities)
    for (const char* side : {"", "_lower", "_upper"}) header.push_back("r" + std::to_string(p) + side);
  out.header(header);
  for (const SlotRisk& r : risks)
    for (const ReliabilityRow& row : r.reliability) {
      slot_fields(out, r.slot, r.gauge, gauges).number(row.yield).number(row.historical);
      for (std::size_t i = 0; i < kReliabilities.size(); ++i)
        out.number(row.storage[i]).number(row.lower[i]).number(row.upper[i]);
      out.end_row();
    }
}

void write_validation_figures(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "figure", "historical", "p5", "p50", "p95", "inside"});
  for (const SlotRisk& r : risks) {
    for (const BandRow& row : r.figure_rows) {
      band_fields(slot_fields(out, r.slot, r.gauge, gauges).text(row.series).number(row.historical), row.band);
      if (row.historical && row.band.p5 && row.band.p95)
        out.number(*row.band.p5 <= *row.historical && *row.historical <= *row.band.p95 ? 1 : 0);
      else
        out.empty();
      out.end_row();
    }
    // The Anis-Lloyd expectation beside the Hurst exponent: at the record's length and,
    // as the median, at the realizations'.
    slot_fields(out, r.slot, r.gauge, gauges).text("hurst_anis_lloyd").number(r.hurst_expected_historical).empty();
    out.number(r.hurst_expected).empty().empty().end_row();
  }
}

void write_monthly_tests(CsvFile& out, const std::vector<SlotRisk>& risks, const std::vector<GaugeLabel>& gauges) {
  out.header({"slot", "gauge", "stem", "month", "test", "rejected_share"});
  for (const SlotRisk& r : risks)
    for (std::size_t m = 0; m < kMonths; ++m)
      for (std::size_t t = 0; t < kMonthlyTestCount; ++t)
        slot_fields(out, r.slot, r.gauge, gauges)
            .number(static_cast<int>(m + 1))
            .text(kMonthlyTests[t])
            .number(r.rejected[t][m])
            .end_row();
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
  std::vector<std::string> header{"slot", "gauge", "stem", "inside", "total", "share_percent"};
  for (const std::string_view kind : kFigureKinds)
    for (const char* count : {"_inside", "_total"}) header.push_back(std::string(kind) + count);
  header.emplace_back("outside");
  out.header(header);
  for (const SlotRisk& r : risks) {
    const Validation& v = r.validation;
    slot_fields(out, r.slot, r.gauge, gauges).number(v.inside).number(v.total).number(share_percent(v));
    for (const KindCount& c : v.kinds) out.number(c.inside).number(c.total);
    out.text(outside_list(v)).end_row();
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
