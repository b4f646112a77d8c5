#include <netcdf.h>

#include <array>
#include <map>
#include <optional>
#include <vector>

#include "export/atomic_file.hpp"
#include "export/background.hpp"
#include "export/digest.hpp"
#include "export/exports.hpp"
#include "export/flow_chunks.hpp"
#include "export/generation_layout.hpp"
#include "export/inputs.hpp"
#include "export/netcdf_file.hpp"
#include "export/risk_netcdf.hpp"
#include "export/sequence.hpp"

namespace flowplex {
namespace {

constexpr std::size_t kSequencesWaiting = 1;
// Readers take the netCDF library's own fill value of integers as missing.
static_assert(api::kNoIndexYear == NC_FILL_INT);

class NetcdfSink final : public RunSink {
 public:
  NetcdfSink(std::string path, const RunInfo& info)
      : path_(std::move(path)), outputs_(info.outputs), deflate_level_(info.netcdf_deflate_level) {}

  void begin_generation(const RunDescription& run) override {
    inputs_ = run.inputs;
    file_ = std::make_unique<TemporaryFile>(path_, "NETCDF FILE");
    nc_ = std::make_unique<NetcdfFile>(*file_);
    const GenerationLayout layout = generation_layout(run, deflate_level_);
    define(layout, run);
    check(nc_enddef(nc_->id()));
    write_coordinates(layout);
    first_realization_ = run.realizations.first;
    writer_ = std::make_unique<BackgroundWriter>(kSequencesWaiting);
  }
  bool takes_sequences() const override { return true; }
  void sequence_made(int /*seq*/, const std::shared_ptr<const GeneratedSequence>& made) override {
    writer_->post([this, made] { write_sequence(*made); });
  }
  bool takes_risk() const override { return true; }
  void risk(const SlotRisk& result) override { risks_.push_back(result); }
  void commit() override {
    writer_->finish();
    if (not_finite_) file_->fail("WRITE", *not_finite_);
    check(nc_redef(nc_->id()));
    put_attributes(*nc_, NC_GLOBAL, input_attributes(inputs_->files()));
    const RiskVariables risk(*nc_, risks_);
    check(nc_enddef(nc_->id()));
    risk.write(*nc_);
    nc_->close();
    file_->make_final();
    outputs_->add(path_);
  }
  void abandon() override {
    writer_.reset();
    nc_.reset();
    file_.reset();
  }

 private:
  void check(int status) const { nc_->check(status); }

  void define(const GenerationLayout& layout, const RunDescription& run) {
    NetcdfFile& nc = *nc_;
    std::map<std::string, int> dimensions;
    for (const Dimension& d : layout.dimensions) dimensions[d.name] = nc.dimension(d.name.c_str(), d.length);
    for (const DatasetVariable& v : layout.variables) {
      std::vector<int> dims;
      for (const std::string& d : v.dimensions) dims.push_back(dimensions.at(d));
      int id = 0;
      check(nc_def_var(nc.id(), v.name.c_str(), file_type(v.type), static_cast<int>(dims.size()), dims.data(), &id));
      variables_[v.name] = id;
      if (v.name == "flow") encode_flow(id, run);
      if (v.fill_value) check(nc_def_var_fill(nc.id(), id, NC_FILL, &*v.fill_value));
      put_attributes(nc, id, v.attributes);
    }
    put_attributes(nc, NC_GLOBAL, layout.attributes);
  }

  // The flows' chunks, deflation and caching: how the file holds them, not what it holds.
  void encode_flow(int flow, const RunDescription& run) {
    NetcdfFile& nc = *nc_;
    const auto gauges = run.gauges.size();
    realizations_ = static_cast<std::size_t>(run.realizations.count());
    const FlowChunkShape shape = flow_chunk_shape(realizations_, static_cast<std::size_t>(kMonths * run.NYS), gauges);
    const std::array<std::size_t, 3> chunk{shape.realizations, shape.months, shape.stations};
    check(nc_def_var_chunking(nc.id(), flow, NC_CHUNKED, chunk.data()));
    // Uncompressed unless asked: generated flows are noise in their low bits, so that
    // deflate keeps more than 80 % of their size at many times the cost of making them.
    if (deflate_level_ > 0) check(nc_def_var_deflate(nc.id(), flow, 1, 1, deflate_level_));
    row_ = std::make_unique<FlowChunkRow>(shape, gauges);
    chunk_realizations_ = shape.realizations;
    // Every value is written, and each chunk is written whole, once: no fill, and no
    // cache that would hold a chunk back (or compress it) after its one write.
    check(nc_def_var_fill(nc.id(), flow, NC_NOFILL, nullptr));
    check(nc_set_var_chunk_cache(nc.id(), flow, 0, 0, 0.0F));
  }

  // The numbers first, then the texts, as the file has always been written.
  void write_coordinates(const GenerationLayout& layout) {
    NetcdfFile& nc = *nc_;
    for (const DatasetVariable& v : layout.variables)
      if (const auto* numbers = std::get_if<std::vector<int>>(&v.values))
        check(nc_put_var_int(nc.id(), variables_.at(v.name), numbers->data()));
    for (const DatasetVariable& v : layout.variables)
      if (const auto* texts = std::get_if<std::vector<std::string>>(&v.values)) nc.put_strings(variables_.at(v.name), *texts);
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
    for (std::size_t y = 0; y < index.size(); ++y) index[y] = q.index_year[y].value_or(api::kNoIndexYear);
    const std::array<std::size_t, 2> row{r, 0}, years{1, index.size()}, three{1, 3};
    check(nc_put_vara_int(id, variables_.at("index_year"), row.data(), years.data(), index.data()));
    check(nc_put_vara_int(id, variables_.at("start_state"), row.data(), three.data(), q.start_state.data()));
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
      check(nc_put_vara_float(nc_->id(), variables_.at("flow"), start.data(), count.data(), row.chunk(b)));
    }
  }

  std::string path_;
  std::shared_ptr<OutputLedger> outputs_;
  std::shared_ptr<InputLedger> inputs_;
  int deflate_level_ = 0;  // 0: the flows uncompressed
  std::unique_ptr<TemporaryFile> file_;
  std::unique_ptr<NetcdfFile> nc_;
  std::unique_ptr<BackgroundWriter> writer_;
  std::unique_ptr<FlowChunkRow> row_;  // the chunk row being gathered, on the writer thread
  std::size_t chunk_realizations_ = 1, realizations_ = 0;
  std::map<std::string, int> variables_;  // the file's identifiers of the layout's variables
  int first_realization_ = 1;
  std::optional<std::string> not_finite_;  // set on the writer thread, read after it finished
  std::vector<SlotRisk> risks_;
};

}  // namespace

std::unique_ptr<RunSink> make_netcdf_sink(const std::string& path, const RunInfo& info) {
  return std::make_unique<NetcdfSink>(path, info);
}

}  // namespace flowplex
