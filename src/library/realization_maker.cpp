#include "library/realization_maker.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "generation/generator.hpp"
#include "generation/random_stream.hpp"
#include "parallel/in_order.hpp"
#include "report/writer.hpp"

namespace flowplex {
namespace {

// Writes each year of a realization into its arrays as it is made.
class YearWriter {
 public:
  YearWriter(const RiverSystem& river, const RealizationView& into) : river_(river), into_(into) {}

  void year_made(const GeneratorState& state, int y) const {
    const int n = river_.PARM.NGAUGE;
    float* row = into_.flow.data() + static_cast<std::size_t>((y - 1) * kMonths) * n;
    for (int m = 1; m <= kMonths; ++m, row += n)
      for (int g = 1; g <= n; ++g) row[g - 1] = static_cast<float>(state.STOQ.QMONTH(g, m));
    // A year built from no historical year (the forecasting mode) has no index year.
    into_.index_year[static_cast<std::size_t>(y - 1)] =
        state.STOQ.IYUSED != 0 ? river_.PARM.ISTART + state.STOQ.IYUSED - 1 : api::kNoIndexYear;
  }
  void finish(const GeneratorState& state) const {
    for (int i = 1; i <= 3; ++i) into_.start_state[static_cast<std::size_t>(i - 1)] = state.STDAT.ISEQSTART(i);
  }

 private:
  const RiverSystem& river_;
  const RealizationView& into_;
};

// Realization k, year by year, from the generator state as it stands.
void make_years(const RiverSystem& river, const MakerSetup& setup, GeneratorState& state, LineWriter& con,
                const YearWriter* writer) {
  state.STDAT.NEWSEQ = 1;
  for (int y = 1; y <= setup.years; ++y) {
    anskom(river, state, con, setup.option, Disaggregation::standard, setup.hook);
    if (writer != nullptr) writer->year_made(state, y);
  }
  // Every realization accounts for the same years of random draws, whatever the years
  // asked for.
  if (setup.years < kYearsDrawnPerSequence) run_off(river, state, con, setup.option, kYearsDrawnPerSequence - setup.years);
  if (writer != nullptr) writer->finish(state);
}

// Flows of its own for realization k, and the view that fills them.
struct OwnFlows {
  std::shared_ptr<api::Realization> realization;
  std::vector<int> index_year;
  RealizationView view;
};

OwnFlows own_flows(const RiverSystem& river, int years, int k) {
  OwnFlows own;
  own.realization = std::make_shared<api::Realization>();
  api::Realization& r = *own.realization;
  r.number = k;
  r.NGAUGE = river.PARM.NGAUGE;
  r.NYS = years;
  r.flow.resize(static_cast<std::size_t>(kMonths) * years * r.NGAUGE);
  own.index_year.resize(static_cast<std::size_t>(years));
  own.view = {r.flow, own.index_year, r.start_state};
  return own;
}

void settle_index_years(OwnFlows& own) {
  api::Realization& r = *own.realization;
  r.index_year.reserve(own.index_year.size());
  for (const int year : own.index_year)
    r.index_year.push_back(year == api::kNoIndexYear ? std::nullopt : std::optional<int>(year));
}

}  // namespace

RealizationMaker::RealizationMaker(const RiverSystem& river, MakerSetup setup)
    : river_(river), setup_(std::move(setup)), stand_alone_(sequences_stand_alone(river, setup_.option.IOPT())) {
  rng::start(startup_);
  if (!stand_alone_)
    carried_ = std::make_unique<GeneratorState>(state_at_sequence_start(startup_, setup_.option.IOPT(), 1));
}

MadeRealization RealizationMaker::make(int k, bool keep, const std::optional<RealizationView>& into) {
  MadeRealization made;
  HeldLines con;
  try {
    if (setup_.stop.stop_requested()) throw api::Stopped();
    std::unique_ptr<GeneratorState> fresh;
    if (stand_alone_) fresh = std::make_unique<GeneratorState>(state_at_sequence_start(startup_, setup_.option.IOPT(), k));
    GeneratorState& state = stand_alone_ ? *fresh : *carried_;
    std::optional<OwnFlows> own;
    if (!into && keep) own = own_flows(river_, setup_.years, k);
    const std::optional<YearWriter> writer =
        into ? std::optional<YearWriter>(std::in_place, river_, *into)
             : own ? std::optional<YearWriter>(std::in_place, river_, own->view) : std::nullopt;
    make_years(river_, setup_, state, con, writer ? &*writer : nullptr);
    if (own) {
      settle_index_years(*own);
      made.flows = std::move(own->realization);
    }
  } catch (...) {
    made.fault = std::current_exception();
  }
  made.console = con.take();
  return made;
}

void make_in_order(RealizationMaker& maker, int first, int last, int threads, const std::function<bool(int)>& keep,
                   const std::function<std::optional<RealizationView>(int)>& into,
                   const std::function<void(int, MadeRealization&&)>& deliver) {
  const int before = maker.first_made(first) - 1;
  // Realizations before the range are made only to carry the state on: nothing is kept.
  const auto make = [&](int made_number) {
    const int k = before + made_number;
    const bool in_range = k >= first;
    return maker.make(k, in_range && keep(k), in_range && into ? into(k) : std::nullopt);
  };
  in_order(last - before, maker.stand_alone() ? threads : 1, make,
           [&](int made_number, MadeRealization made) { deliver(before + made_number, std::move(made)); });
}

}  // namespace flowplex
