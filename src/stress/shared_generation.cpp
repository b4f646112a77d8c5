#include "stress/shared_generation.hpp"

#include <exception>

#include "generation/disaggregation.hpp"
#include "library/realization_maker.hpp"
#include "parallel/in_order.hpp"
#include "report/run_ended.hpp"
#include "report/writer.hpp"
#include "risk/sequent_peak.hpp"

namespace flowplex::stress {
namespace {

// One generated year as the recording hook saw it, unperturbed.
struct RecordedYear {
  int selected_year = 0;
  std::vector<double> annual;                      // every gauge, gauge 1 first
  std::vector<Arr<double, kMonths>> months;        // each slot's gauge
};

// Keeps each year of the realization being made. The generator calls a hook from the
// thread that makes the realization, so each realization has its own recorder.
class YearRecorder final : public YearHook {
 public:
  explicit YearRecorder(const std::vector<GaugeInputs>& gauges) : gauges_(gauges) {}

  void annual_flows(std::span<double> annual, int selected_year) const override {
    RecordedYear& year = years_.emplace_back();
    year.selected_year = selected_year;
    year.annual.assign(annual.begin(), annual.end());
    year.months.resize(gauges_.size());
  }
  void months(int g, std::span<double> months) const override {
    RecordedYear& year = years_.back();
    for (std::size_t k = 0; k < gauges_.size(); ++k)
      if (gauges_[k].gauge == g)
        for (int m = 1; m <= kMonths; ++m) year.months[k](m) = months[static_cast<std::size_t>(m - 1)];
  }
  std::vector<RecordedYear>& years() const { return years_; }

 private:
  const std::vector<GaugeInputs>& gauges_;
  mutable std::vector<RecordedYear> years_;
};

// The months of the rigorous option: the scenario's annual flow split by the pattern of
// the year the nearest-year search chose, as the generator splits it.
void rigorous_months(const RiverSystem& river, const RecordedYear& year, int g, double annual,
                     Arr<double, kMonths>& months) {
  IndicBlock search;
  search.IYSEL = year.selected_year;
  Arr<double, kMonths> rainfall;
  HeldLines unused;
  int negative_months = 0;
  disagg(river, search, unused, g, annual, months, rainfall, Disaggregation::standard, negative_months);
}

// The months of the bootstrap: the drawn year's months follow the changed annual total
// by one multiplication, as the generator makes them follow it.
void bootstrap_months(const RecordedYear& year, std::size_t k, int g, double annual, Arr<double, kMonths>& months) {
  const double total = year.annual[static_cast<std::size_t>(g - 1)];
  const double scale = total == 0.0 ? 1.0 : annual / total;
  for (int m = 1; m <= kMonths; ++m) months(m) = year.months[k](m) * scale;
}

// Slot k's monthly flows in time order under the scenario's hook, rounded to the single
// precision the realizations are kept in.
std::vector<float> scenario_series(const SharedGeneration& in, const std::vector<RecordedYear>& years,
                                   const YearHook* hook, std::size_t k) {
  const int g = in.gauges[k].gauge;
  std::vector<float> series;
  series.reserve(years.size() * kMonths);
  std::vector<double> annual;
  Arr<double, kMonths> months;
  for (const RecordedYear& year : years) {
    if (hook == nullptr) {
      months = year.months[k];
    } else {
      annual = year.annual;
      hook->annual_flows(annual, year.selected_year);
      const double changed = annual[static_cast<std::size_t>(g - 1)];
      if (in.option.bootstrap())
        bootstrap_months(year, k, g, changed, months);
      else
        rigorous_months(in.river, year, g, changed, months);
      hook->months(g, months.all());
    }
    for (int m = 1; m <= kMonths; ++m) series.push_back(static_cast<float>(months(m)));
  }
  return series;
}

// The figures of one realization, scenario by scenario, slot by slot.
struct RealizationFigures {
  std::vector<float> storage;
  std::vector<DroughtFigures> droughts;
};

RealizationFigures figures_of(const SharedGeneration& in, const std::vector<RecordedYear>& years) {
  RealizationFigures f;
  for (const YearHook* hook : in.scenarios)
    for (std::size_t k = 0; k < in.gauges.size(); ++k) {
      const std::vector<float> series = scenario_series(in, years, hook, k);
      const StorageCurve curve = required_storages(in.years, series, in.gauges[k].MAR);
      for (const int y : in.yields) f.storage.push_back(curve[static_cast<std::size_t>(y / 5 - 1)]);
      f.droughts.push_back(drought_figures(in.years, series, in.gauges[k].thresholds));
    }
  return f;
}

// What making realization k left: its console lines and fault, and its figures.
struct Made {
  std::string console;
  std::exception_ptr fault;
  RealizationFigures figures;
};

Made made_with(RealizationMaker& maker, const YearRecorder& recorder, const SharedGeneration& in, int k) {
  recorder.years().clear();
  MadeRealization made = maker.make(k, false);
  Made out{std::move(made.console), made.fault, {}};
  if (!out.fault && k >= in.first) out.figures = figures_of(in, recorder.years());
  return out;
}

// Places realization r's figures (scenario, slot[, yield]) among all of them (scenario,
// realization, slot[, yield]).
void place(const SharedGeneration& in, Figures& all, int r, const RealizationFigures& f) {
  const std::size_t slots = in.gauges.size(), yields = in.yields.size();
  const std::size_t count = static_cast<std::size_t>(all.count()), at = static_cast<std::size_t>(r - all.first);
  for (std::size_t s = 0; s < in.scenarios.size(); ++s)
    for (std::size_t k = 0; k < slots; ++k) {
      const std::size_t cell = (s * count + at) * slots + k;
      all.droughts[cell] = f.droughts[s * slots + k];
      for (std::size_t y = 0; y < yields; ++y) all.required_storage[cell * yields + y] = f.storage[(s * slots + k) * yields + y];
    }
}

}  // namespace

Figures shared_figures(const SharedGeneration& in, Console& con) {
  Figures all{in.first, in.last, {}, {}};
  const std::size_t cells = in.scenarios.size() * static_cast<std::size_t>(all.count()) * in.gauges.size();
  all.droughts.resize(cells);
  all.required_storage.resize(cells * in.yields.size());
  const MakerSetup setup{in.option, in.years, nullptr, in.stop};
  // Realizations that carry the generator's state on from one to the next are made by one
  // maker in order from realization 1; those that stand alone each by a maker of its own.
  YearRecorder carried_recorder(in.gauges);
  RealizationMaker carried(in.river, {in.option, in.years, &carried_recorder, in.stop});
  const bool stand_alone = carried.stand_alone();
  const int before = carried.first_made(in.first) - 1;
  const auto make = [&](int made_number) {
    const int k = before + made_number;
    if (!stand_alone) return made_with(carried, carried_recorder, in, k);
    YearRecorder recorder(in.gauges);
    MakerSetup own = setup;
    own.hook = &recorder;
    RealizationMaker maker(in.river, own);
    return made_with(maker, recorder, in, k);
  };
  const auto deliver = [&](int made_number, Made made) {
    if (made.fault) {
      con.pass_on(made.console);
      std::rethrow_exception(made.fault);
    }
    const int k = before + made_number;
    if (k >= in.first) place(in, all, k, made.figures);
  };
  in_order(in.last - before, stand_alone ? in.threads : 1, make, deliver);
  return all;
}

}  // namespace flowplex::stress
