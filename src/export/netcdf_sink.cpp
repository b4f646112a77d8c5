#include <netcdf.h>

#include <array>
#include <optional>
#include <vector>

#include "export/atomic_file.hpp"
#include "export/background.hpp"
#include "export/digest.hpp"
#include "export/exports.hpp"
#include "export/flow_chunks.hpp"
#include "export/inputs.hpp"
#include "export/netcdf_file.hpp"
#include "export/perturbation_facts.hpp"
#include "export/risk_netcdf.hpp"
#include "export/river_system.hpp"
#include "export/sequence.hpp"
#include "report/input.hpp"

namespace flowplex {
namespace {

constexpr std::size_t kSequencesWaiting = 1;

// The identifiers of the file's variables.
struct Variables {
  int flow = 0, index_year = 0, start_state = 0;
  int realization = 0, time = 0, year = 0, stochastic_year = 0, hydrological_month = 0;
  int gauge_number = 0, gauge_name = 0, file_stem = 0, key_gauge = 0;
};

std::vector<int> counting(int first, int count, int step = 1) {
  std::vector<int> values(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) values[static_cast<std::size_t>(i)] = first + i * step;
  return values;
}

class NetcdfSink final : public RunSink {
 public:
  NetcdfSink(std::string path, RunInfo info)
      : path_(std::move(path)), info_(std::move(info)), deflate_level_(info_.netcdf_deflate_level) {}

  void begin_generation(const Store& s) override {
    file_ = std::make_unique<TemporaryFile>(path_, "NETCDF FILE");
    nc_ = std::make_unique<NetcdfFile>(*file_);
    define(s);
    check(nc_enddef(nc_->id()));
    write_coordinates(s);
    writer_ = std::make_unique<BackgroundWriter>(kSequencesWaiting);
  }
  bool takes_sequences() const override { return true; }
  void sequence_made(const Store& /*s*/, int /*seq*/, const std::shared_ptr<const GeneratedSequence>& made) override {
    writer_->post([this, made] { write_sequence(*made); });
  }
  bool takes_risk() const override { return true; }
  void risk(const SlotRisk& result) override { risks_.push_back(result); }
  void commit(const Store& s) override {
    writer_->finish();
    if (not_finite_) file_->fail("WRITE", *not_finite_);
    check(nc_redef(nc_->id()));
    describe_inputs(info_.inputs->files(s));
    const RiskVariables risk(*nc_, risks_);
    check(nc_enddef(nc_->id()));
    risk.write(*nc_, risks_);
    nc_->close();
    file_->make_final();
    info_.outputs->add(path_);
  }
  void abandon() override {
    writer_.reset();
    nc_.reset();
    file_.reset();
  }

 private:
  void check(int status) const { nc_->check(status); }

  // The file's dimensions.
  struct Dimensions {
    int realization = 0, time = 0, station = 0, year = 0, state = 0;
  };

  void define(const Store& s) {
    NetcdfFile& nc = *nc_;
    const Dimensions d{nc.dimension("realization", static_cast<std::size_t>(s.RUN.REALIZATIONS.count())),
                       nc.dimension("time", static_cast<std::size_t>(kMonths * s.RUN.NYS)),
                       nc.dimension("station", static_cast<std::size_t>(s.RIVER.PARM.NGAUGE)),
                       nc.dimension("year", static_cast<std::size_t>(s.RUN.NYS)), nc.dimension("generator_state", 3)};
    define_axes(d);
    define_stations(d);
    define_flow(s, d);
    define_sequence_facts(s, d);
    describe_run(s);
  }

  void define_axes(const Dimensions& d) {
    NetcdfFile& nc = *nc_;
    v_.realization = nc.variable("realization", NC_INT, {d.realization});
    nc.text(v_.realization, "standard_name", "realization");
    nc.text(v_.realization, "long_name", "stochastic sequence");

    v_.time = nc.variable("time", NC_INT, {d.time});
    nc.text(v_.time, "standard_name", "time");
    nc.text(v_.time, "long_name", "start of the month of the stochastic year");
    nc.text(v_.time, "units", "days since 0001-10-01");
    nc.text(v_.time, "calendar", "360_day");
    nc.text(v_.time, "axis", "T");
    nc.text(v_.time, "comment",
            "stochastic year 1 starts in October of year 1; the months are those of a hydrological year, "
            "not dates of a real calendar");

    v_.year = nc.variable("year", NC_INT, {d.year});
    nc.text(v_.year, "long_name", "stochastic year");
    v_.stochastic_year = nc.variable("stochastic_year", NC_INT, {d.time});
    nc.text(v_.stochastic_year, "long_name", "stochastic year of the month");
    v_.hydrological_month = nc.variable("hydrological_month", NC_INT, {d.time});
    nc.text(v_.hydrological_month, "long_name", "month of the hydrological year (1 = October, 12 = September)");
  }

  void define_stations(const Dimensions& d) {
    NetcdfFile& nc = *nc_;
    v_.gauge_number = nc.variable("gauge_number", NC_INT, {d.station});
    nc.text(v_.gauge_number, "long_name", "gauge number: the gauge's order in the parameter file");
    v_.gauge_name = nc.variable("gauge_name", NC_STRING, {d.station});
    nc.text(v_.gauge_name, "long_name", "gauge name");
    v_.file_stem = nc.variable("file_stem", NC_STRING, {d.station});
    nc.text(v_.file_stem, "long_name", "stem of the gauge's series file names");
    v_.key_gauge = nc.variable("key_gauge", NC_INT, {d.station});
    nc.text(v_.key_gauge, "long_name", "key gauge of the nearest-year search (1) or not (0)");
    const std::array<int, 2> flags{0, 1};
    check(nc_put_att_int(nc.id(), v_.key_gauge, "flag_values", NC_INT, flags.size(), flags.data()));
    nc.text(v_.key_gauge, "flag_meanings", "not_key key");
  }

  void define_sequence_facts(const Store& s, const Dimensions& d) {
    NetcdfFile& nc = *nc_;
    v_.index_year = nc.variable("index_year", NC_INT, {d.realization, d.year});
    // Only the forecasting mode leaves years without one; elsewhere no value is missing
    // and readers keep the years whole numbers.
    if (s.RUN.option().forecasting()) check(nc_def_var_fill(nc.id(), v_.index_year, NC_FILL, &kNoIndexYear));
    nc.text(v_.index_year, "long_name",
            "calendar year of the historical record whose months the generated year was built from");
    v_.start_state = nc.variable("start_state", NC_INT, {d.realization, d.state});
    nc.text(v_.start_state, "long_name", "random generator state (IX, IY, IZ) at the start of the sequence");
  }

  void define_flow(const Store& s, const Dimensions& d) {
    NetcdfFile& nc = *nc_;
    v_.flow = nc.variable("flow", NC_FLOAT, {d.realization, d.time, d.station});
    const auto gauges = static_cast<std::size_t>(s.RIVER.PARM.NGAUGE);
    const FlowChunkShape shape = flow_chunk_shape(static_cast<std::size_t>(s.RUN.REALIZATIONS.count()),
                                                  static_cast<std::size_t>(kMonths * s.RUN.NYS), gauges);
    const std::array<std::size_t, 3> chunk{shape.realizations, shape.months, shape.stations};
    check(nc_def_var_chunking(nc.id(), v_.flow, NC_CHUNKED, chunk.data()));
    // Uncompressed unless asked: generated flows are noise in their low bits, so that
    // deflate keeps more than 80 % of their size at many times the cost of making them.
    if (deflate_level_ > 0) check(nc_def_var_deflate(nc.id(), v_.flow, 1, 1, deflate_level_));
    row_ = std::make_unique<FlowChunkRow>(shape, gauges);
    chunk_realizations_ = shape.realizations;
    realizations_ = static_cast<std::size_t>(s.RUN.REALIZATIONS.count());
    // Every value is written, and each chunk is written whole, once: no fill, and no
    // cache that would hold a chunk back (or compress it) after its one write.
    check(nc_def_var_fill(nc.id(), v_.flow, NC_NOFILL, nullptr));
    check(nc_set_var_chunk_cache(nc.id(), v_.flow, 0, 0, 0.0F));
    nc.text(v_.flow, "long_name", "generated monthly streamflow");
    nc.text(v_.flow, "comment", "in the unit of the river system's series files");
    // Everything along the stations and the months is a coordinate, so that files of
    // several ranges of realizations combine along the realizations alone.
    nc.text(v_.flow, "coordinates", "gauge_number gauge_name file_stem key_gauge stochastic_year hydrological_month");
  }

  void describe_run(const Store& s) {
    NetcdfFile& nc = *nc_;
    const std::string parameter_file = trimmed_name(s.RIVER.PARM.PARMFILE.view());
    nc.text(NC_GLOBAL, "Conventions", "CF-1.8");
    nc.text(NC_GLOBAL, "title", river_system_title(s));
    nc.text(NC_GLOBAL, "source", "flowplex " + info_.version);
    nc.text(NC_GLOBAL, "generation_option", s.RUN.option().short_name());
    nc.integer(NC_GLOBAL, "generation_option_code", s.RUN.IOPT);
    nc.integer(NC_GLOBAL, "NYS", s.RUN.NYS);
    nc.integer(NC_GLOBAL, "common_period_first_year", s.RIVER.PARM.ISTART);
    nc.integer(NC_GLOBAL, "common_period_last_year", s.RIVER.PARM.ISTART + s.RIVER.PARM.NCOMMON - 1);
    nc.text(NC_GLOBAL, "parameter_file", parameter_file);
    nc.text(NC_GLOBAL, "parameter_file_sha256", digest_file(parameter_file).sha256);
    nc.text(NC_GLOBAL, "program_version", info_.version);
    if (deflate_level_ > 0) nc.integer(NC_GLOBAL, "flow_deflate_level", deflate_level_);
    if (const RealizationRange& range = s.RUN.REALIZATIONS; range.given) {
      nc.integer(NC_GLOBAL, "first_realization", range.first);
      nc.integer(NC_GLOBAL, "last_realization", range.last);
    }
    if (info_.perturbation) describe_perturbation(nc, *info_.perturbation, s.RIVER.PARM.NGAUGE);
  }

  void describe_inputs(const std::vector<InputFile>& inputs) {
    std::vector<std::string> paths, digests;
    std::vector<unsigned long long> sizes;
    for (const InputFile& f : inputs) {
      paths.push_back(f.path);
      sizes.push_back(f.size);
      digests.push_back(f.sha256);
    }
    NetcdfFile& nc = *nc_;
    nc.strings(NC_GLOBAL, "input_files", paths);
    check(nc_put_att_ulonglong(nc.id(), NC_GLOBAL, "input_sizes", NC_UINT64, sizes.size(), sizes.data()));
    nc.strings(NC_GLOBAL, "input_sha256", digests);
    nc.text(NC_GLOBAL, "input_digest", input_digest(inputs));
  }

  void write_coordinates(const Store& s) {
    NetcdfFile& nc = *nc_;
    const int NYS = s.RUN.NYS;
    const int months = kMonths * NYS;
    const RealizationRange& range = s.RUN.REALIZATIONS;
    check(nc_put_var_int(nc.id(), v_.realization, counting(range.first, range.count()).data()));
    first_realization_ = range.first;
    check(nc_put_var_int(nc.id(), v_.time, counting(0, months, 30).data()));
    check(nc_put_var_int(nc.id(), v_.year, counting(1, NYS).data()));
    std::vector<int> year_of(static_cast<std::size_t>(months)), month_of(static_cast<std::size_t>(months));
    for (int i = 0; i < months; ++i) {
      year_of[static_cast<std::size_t>(i)] = i / kMonths + 1;
      month_of[static_cast<std::size_t>(i)] = i % kMonths + 1;
    }
    check(nc_put_var_int(nc.id(), v_.stochastic_year, year_of.data()));
    check(nc_put_var_int(nc.id(), v_.hydrological_month, month_of.data()));

    std::vector<int> numbers, keys;
    std::vector<std::string> names, stems;
    for (const GaugeLabel& g : gauge_labels(s)) {
      numbers.push_back(g.number);
      keys.push_back(g.key ? 1 : 0);
      names.push_back(g.name);
      stems.push_back(g.stem);
    }
    check(nc_put_var_int(nc.id(), v_.gauge_number, numbers.data()));
    check(nc_put_var_int(nc.id(), v_.key_gauge, keys.data()));
    nc.put_strings(v_.gauge_name, names);
    nc.put_strings(v_.file_stem, stems);
  }

  // On the writer thread; the main thread makes no call into the library meanwhile.
  void write_sequence(const GeneratedSequence& q) {
    if (auto where = q.first_not_finite()) {
      if (!not_finite_) not_finite_ = *where;
      return;
    }
    const int id = nc_->id();
    const std::size_t r = static_cast<std::size_t>(q.number - first_realization_);
    place_in_row(r, q);
    std::vector<int> index(q.index_year.size());
    for (std::size_t y = 0; y < index.size(); ++y) index[y] = q.index_year[y].value_or(kNoIndexYear);
    const std::array<std::size_t, 2> row{r, 0}, years{1, index.size()}, three{1, 3};
    check(nc_put_vara_int(id, v_.index_year, row.data(), years.data(), index.data()));
    check(nc_put_vara_int(id, v_.start_state, row.data(), three.data(), q.start_state.data()));
  }

  // Realization r (0-based in the file) into its chunk row; a complete row is written
  // chunk by chunk, each chunk whole, and the row starts afresh.
  void place_in_row(std::size_t r, const GeneratedSequence& q) {
    FlowChunkRow& row = *row_;
    const std::size_t per_row = chunk_realizations_;
    const std::size_t first = r - r % per_row;
    if (r == first) row.begin(std::min(per_row, realizations_ - first));
    row.place(r - first, q.flow.data());
    if (r + 1 != first + row.count()) return;
    const std::size_t months = static_cast<std::size_t>(kMonths * q.NYS);
    for (std::size_t b = 0; b < row.blocks(); ++b) {
      const std::array<std::size_t, 3> start{first, 0, row.first_station(b)}, count{row.count(), months, row.stations(b)};
      check(nc_put_vara_float(nc_->id(), v_.flow, start.data(), count.data(), row.chunk(b)));
    }
  }

  static constexpr int kNoIndexYear = NC_FILL_INT;

  std::string path_;
  RunInfo info_;
  int deflate_level_ = 0;  // 0: the flows uncompressed
  std::unique_ptr<TemporaryFile> file_;
  std::unique_ptr<NetcdfFile> nc_;
  std::unique_ptr<BackgroundWriter> writer_;
  std::unique_ptr<FlowChunkRow> row_;  // the chunk row being gathered, on the writer thread
  std::size_t chunk_realizations_ = 1, realizations_ = 0;
  Variables v_;
  int first_realization_ = 1;
  std::optional<std::string> not_finite_;  // set on the writer thread, read after it finished
  std::vector<SlotRisk> risks_;
};

}  // namespace

std::unique_ptr<RunSink> make_netcdf_sink(const std::string& path, const RunInfo& info) {
  return std::make_unique<NetcdfSink>(path, info);
}

}  // namespace flowplex
