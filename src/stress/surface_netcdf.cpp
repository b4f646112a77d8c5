#include "stress/surface_netcdf.hpp"

#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

#include "export/netcdf_file.hpp"
#include "flowplex/errors.hpp"

namespace flowplex::stress {
namespace {

constexpr float kAbsent = std::numeric_limits<float>::quiet_NaN();
constexpr double kNoFactor = std::numeric_limits<double>::quiet_NaN();
const char* const kConvention = "flowplex stress surface 1";

struct Dimensions {
  int scenario, slot, yield, reliability, storage, realization;
};

int defined(NetcdfFile& nc, const char* name, nc_type type, std::initializer_list<int> dims, const std::string& long_name,
            const std::string& units = {}) {
  const int var = nc.variable(name, type, dims);
  nc.text(var, "long_name", long_name);
  if (!units.empty()) nc.text(var, "units", units);
  if (type == NC_FLOAT) nc.check(nc_def_var_fill(nc.id(), var, 0, &kAbsent));
  return var;
}

template <typename Value, typename Of>
std::vector<Value> gathered(std::size_t n, Of of) {
  std::vector<Value> values;
  values.reserve(n);
  for (std::size_t i = 0; i < n; ++i) values.push_back(of(i));
  return values;
}

// The tables, in the order (scenario, slot, yield, column).
template <typename Value, typename Of>
std::vector<Value> table(const Surface& s, std::size_t columns, Of of) {
  std::vector<Value> values;
  for (const auto& row : s.cells)
    for (const SlotSurface& cell : row)
      for (std::size_t y = 0; y < s.design.yields.size(); ++y)
        for (std::size_t c = 0; c < columns; ++c) values.push_back(of(cell, y, c));
  return values;
}

class Writer {
 public:
  Writer(NetcdfFile& nc, const Surface& s) : nc_(nc), s_(s) {}

  void write() {
    const Design& d = s_.design;
    nc_.text(NC_GLOBAL, "title", "storage-yield-reliability response surface over perturbed climates");
    nc_.text(NC_GLOBAL, "flowplex_stress", kConvention);
    nc_.text(NC_GLOBAL, "input_digest", d.input_digest);
    nc_.text(NC_GLOBAL, "option", d.option);
    nc_.integer(NC_GLOBAL, "years", d.years);
    nc_.integer(NC_GLOBAL, "grid", d.grid ? 1 : 0);
    nc_.text(NC_GLOBAL, "reliability_meaning",
             "share of the N-year realizations that, starting with the reservoir full, never fail to supply the yield");
    const Dimensions dim{nc_.dimension("scenario", d.scenarios.size()), nc_.dimension("slot", d.slots.size()),
                         nc_.dimension("yield_level", d.yields.size()),
                         nc_.dimension("reliability", d.reliabilities.size()),
                         nc_.dimension("storage", d.storages.size()),
                         nc_.dimension("realization", static_cast<std::size_t>(s_.figures.count()))};
    // A shard's realizations give no quantiles of their own: they are formed when the
    // shards combine.
    const bool whole = !s_.cells.empty();
    define(dim);
    if (whole) define_tables(dim);
    if (!d.projections.empty()) define_projections();
    nc_.check(nc_enddef(nc_.id()));
    put_design();
    if (whole) put_tables();
    put_figures();
    if (!d.projections.empty()) put_projections();
  }

 private:
  void define(const Dimensions& d) {
    scenario_ = defined(nc_, "scenario_name", NC_STRING, {d.scenario}, "name of the climate scenario");
    if (s_.design.grid) {
      mean_ = defined(nc_, "mean_factor", NC_DOUBLE, {d.scenario}, "factor on the mean annual flow of every gauge");
      cv_ = defined(nc_, "cv_factor", NC_DOUBLE, {d.scenario}, "factor on the coefficient of variation of the annual flows");
    }
    slot_mean_ = defined(nc_, "slot_mean_factor", NC_DOUBLE, {d.scenario, d.slot}, "factor on the slot's mean annual flow");
    slot_ = defined(nc_, "slot", NC_INT, {d.slot}, "the gauge's place in the list of chosen gauges");
    gauge_ = defined(nc_, "slot_gauge", NC_INT, {d.slot}, "gauge number of the slot: its order in the parameter file");
    name_ = defined(nc_, "slot_name", NC_STRING, {d.slot}, "gauge name");
    mar_ = defined(nc_, "mar", NC_FLOAT, {d.slot}, "historical mean annual runoff: the unit of yields and storages");
    nc_.text(mar_, "comment", "in the unit of the river system's series files");
    yield_ = defined(nc_, "yield_level", NC_INT, {d.yield}, "yield drawn from the reservoir", "percent of mar");
    reliability_ = defined(nc_, "reliability", NC_INT, {d.reliability}, "share of the realizations supplied", "percent");
    storage_ = defined(nc_, "storage", NC_DOUBLE, {d.storage}, "reservoir storage", "percent of mar");
    volume_ = defined(nc_, "storage_volume", NC_DOUBLE, {d.slot, d.storage}, "reservoir storage in flow units");
    realization_ = defined(nc_, "realization", NC_INT, {d.realization}, "realization number");
    required_ = defined(nc_, "required_storage", NC_FLOAT, {d.scenario, d.realization, d.slot, d.yield},
                        "storage needed to supply the yield throughout the realization (sequent peak)", "percent of mar");
    events_ = defined(nc_, "drought_events_per_century", NC_FLOAT, {d.scenario, d.realization, d.slot},
                      "droughts (runs of months below the historical Q80 of the month) per 100 years");
    duration_ = defined(nc_, "mean_drought_duration", NC_FLOAT, {d.scenario, d.realization, d.slot},
                        "mean duration of a drought", "months");
    longest_ = defined(nc_, "longest_drought", NC_INT, {d.scenario, d.realization, d.slot}, "longest drought", "months");
    deficit_ = defined(nc_, "largest_deficit", NC_FLOAT, {d.scenario, d.realization, d.slot},
                       "largest deficit of a drought, in flow units");
  }
  void define_tables(const Dimensions& d) {
    at_reliability_ = defined(nc_, "storage_at_reliability", NC_FLOAT, {d.scenario, d.slot, d.yield, d.reliability},
                              "storage that supplies the yield in that share of the realizations (NaN: none does)",
                              "percent of mar");
    of_storage_ = defined(nc_, "reliability_of_storage", NC_DOUBLE, {d.scenario, d.slot, d.yield, d.storage},
                          "share of the realizations whose required storage is at most the storage", "percent");
    sustainable_ = defined(nc_, "sustainable", NC_BYTE, {d.scenario, d.slot, d.yield},
                           "0 where the yield is at or above the scenario's mean annual flow: not sustainable");
    nc_.text(sustainable_, "flag_meanings", "not_sustainable sustainable");
    for (std::size_t i = 0; i < kDroughtNames.size(); ++i)
      median_[i] = defined(nc_, ("median_" + std::string(kDroughtNames[i])).c_str(), NC_FLOAT, {d.scenario, d.slot},
                           "50 % value over the realizations of the drought figure " + std::string(kDroughtNames[i]));
  }
  void define_projections() {
    const int p = nc_.dimension("projection", s_.design.projections.size());
    projection_label_ = defined(nc_, "projection_label", NC_STRING, {p}, "climate projection");
    projection_mean_ = defined(nc_, "projection_mean_factor", NC_DOUBLE, {p}, "the projection's mean factor");
    projection_cv_ = defined(nc_, "projection_cv_factor", NC_DOUBLE, {p}, "the projection's variability factor");
  }

  void put_design() {
    const Design& d = s_.design;
    const auto& sc = d.scenarios;
    nc_.put_strings(scenario_, gathered<std::string>(sc.size(), [&](std::size_t i) { return sc[i].name; }));
    if (d.grid) {
      put(mean_, gathered<double>(sc.size(), [&](std::size_t i) { return sc[i].mean_factor.value_or(kNoFactor); }));
      put(cv_, gathered<double>(sc.size(), [&](std::size_t i) { return sc[i].cv_factor.value_or(kNoFactor); }));
    }
    std::vector<double> slot_mean;
    for (const ScenarioLabel& l : sc) slot_mean.insert(slot_mean.end(), l.slot_mean.begin(), l.slot_mean.end());
    put(slot_mean_, slot_mean);
    const auto& sl = d.slots;
    put(slot_, gathered<int>(sl.size(), [&](std::size_t i) { return sl[i].slot; }));
    put(gauge_, gathered<int>(sl.size(), [&](std::size_t i) { return sl[i].gauge; }));
    nc_.put_strings(name_, gathered<std::string>(sl.size(), [&](std::size_t i) { return sl[i].name; }));
    put(mar_, gathered<float>(sl.size(), [&](std::size_t i) { return sl[i].MAR; }));
    put(yield_, d.yields);
    put(reliability_, d.reliabilities);
    put(storage_, d.storages);
    std::vector<double> volume;
    for (const Slot& slot : sl)
      for (const double S : d.storages) volume.push_back(S / 100.0 * slot.MAR);
    put(volume_, volume);
    std::vector<int> numbers(static_cast<std::size_t>(s_.figures.count()));
    std::iota(numbers.begin(), numbers.end(), s_.figures.first);
    put(realization_, numbers);
  }
  void put_tables() {
    const Design& d = s_.design;
    put(at_reliability_, table<float>(s_, d.reliabilities.size(), [](const SlotSurface& c, std::size_t y, std::size_t r) {
          return c.storage[y][r].value_or(kAbsent);
        }));
    put(of_storage_, table<double>(s_, d.storages.size(), [](const SlotSurface& c, std::size_t y, std::size_t S) {
          return c.reliability[y][S];
        }));
    std::vector<signed char> flags;
    for (const ScenarioLabel& l : d.scenarios)
      for (std::size_t k = 0; k < d.slots.size(); ++k)
        for (const int y : d.yields) flags.push_back(sustainable(l, k, y) ? 1 : 0);
    nc_.check(nc_put_var_schar(nc_.id(), sustainable_, flags.data()));
    for (std::size_t i = 0; i < kDroughtNames.size(); ++i) {
      std::vector<float> medians;
      for (const auto& row : s_.cells)
        for (const SlotSurface& cell : row) medians.push_back(cell.drought_median[i].value_or(kAbsent));
      put(median_[i], medians);
    }
  }
  void put_figures() {
    const auto& dr = s_.figures.droughts;
    put(required_, s_.figures.required_storage);
    put(events_, gathered<float>(dr.size(), [&](std::size_t i) { return dr[i].events_per_century; }));
    put(duration_, gathered<float>(dr.size(), [&](std::size_t i) { return dr[i].mean_duration; }));
    put(longest_, gathered<int>(dr.size(), [&](std::size_t i) { return dr[i].longest; }));
    put(deficit_, gathered<float>(dr.size(), [&](std::size_t i) { return dr[i].largest_deficit; }));
  }
  void put_projections() {
    const auto& p = s_.design.projections;
    nc_.put_strings(projection_label_, gathered<std::string>(p.size(), [&](std::size_t i) { return p[i].label; }));
    put(projection_mean_, gathered<double>(p.size(), [&](std::size_t i) { return p[i].mean; }));
    put(projection_cv_, gathered<double>(p.size(), [&](std::size_t i) { return p[i].cv; }));
  }

  void put(int var, const std::vector<int>& v) { nc_.check(nc_put_var_int(nc_.id(), var, v.data())); }
  void put(int var, const std::vector<float>& v) { nc_.check(nc_put_var_float(nc_.id(), var, v.data())); }
  void put(int var, const std::vector<double>& v) { nc_.check(nc_put_var_double(nc_.id(), var, v.data())); }

  NetcdfFile& nc_;
  const Surface& s_;
  int scenario_ = 0, mean_ = 0, cv_ = 0, slot_mean_ = 0, slot_ = 0, gauge_ = 0, name_ = 0, mar_ = 0, yield_ = 0;
  int reliability_ = 0, storage_ = 0, volume_ = 0, realization_ = 0, at_reliability_ = 0, of_storage_ = 0;
  int sustainable_ = 0, required_ = 0, events_ = 0, duration_ = 0, longest_ = 0, deficit_ = 0;
  std::array<int, kDroughtNames.size()> median_{};
  int projection_label_ = 0, projection_mean_ = 0, projection_cv_ = 0;
};

// Reads a stress test's file; any fault is a RequestError naming the file.
class Reader {
 public:
  explicit Reader(std::string path) : path_(std::move(path)), open_(path_) {
    id_ = open_.id;
    if (id_ < 0) fault("it cannot be read as a NetCDF file");
    int type = 0;
    if (nc_inq_atttype(id_, NC_GLOBAL, "flowplex_stress", &type) != NC_NOERR || text_attribute("flowplex_stress") != kConvention)
      fault("it is not the NetCDF file of a stress test");
  }

  Shard read() {
    Shard s;
    Design& d = s.design;
    d.input_digest = text_attribute("input_digest");
    d.option = text_attribute("option");
    d.years = int_attribute("years");
    d.grid = int_attribute("grid") != 0;
    const std::size_t scenarios = length("scenario"), slots = length("slot");
    const std::vector<std::string> names = strings("scenario_name", scenarios);
    const std::vector<double> slot_mean = values<double>("slot_mean_factor", scenarios * slots);
    const std::vector<double> mean = d.grid ? values<double>("mean_factor", scenarios) : std::vector<double>{};
    const std::vector<double> cv = d.grid ? values<double>("cv_factor", scenarios) : std::vector<double>{};
    for (std::size_t i = 0; i < scenarios; ++i)
      d.scenarios.push_back({names[i], d.grid ? std::optional(mean[i]) : std::nullopt,
                             d.grid ? std::optional(cv[i]) : std::nullopt,
                             {slot_mean.begin() + static_cast<long>(i * slots),
                              slot_mean.begin() + static_cast<long>((i + 1) * slots)}});
    const std::vector<int> slot = values<int>("slot", slots), gauge = values<int>("slot_gauge", slots);
    const std::vector<std::string> slot_name = strings("slot_name", slots);
    const std::vector<float> mar = values<float>("mar", slots);
    for (std::size_t k = 0; k < slots; ++k) d.slots.push_back({slot[k], gauge[k], slot_name[k], mar[k]});
    d.yields = values<int>("yield_level", length("yield_level"));
    d.reliabilities = values<int>("reliability", length("reliability"));
    d.storages = values<double>("storage", length("storage"));
    read_projections(d);
    read_figures(s.figures, scenarios * slots);
    return s;
  }

 private:
  void read_projections(Design& d) {
    int dim = 0;
    if (nc_inq_dimid(id_, "projection", &dim) != NC_NOERR) return;
    const std::size_t n = length("projection");
    const std::vector<std::string> label = strings("projection_label", n);
    const std::vector<double> mean = values<double>("projection_mean_factor", n), cv = values<double>("projection_cv_factor", n);
    for (std::size_t i = 0; i < n; ++i) d.projections.push_back({label[i], mean[i], cv[i]});
  }
  void read_figures(Figures& f, std::size_t cells_per_realization) {
    const std::size_t count = length("realization");
    const std::vector<int> numbers = values<int>("realization", count);
    if (count == 0) fault("it holds no realization");
    for (std::size_t i = 1; i < count; ++i)
      if (numbers[i] != numbers[i - 1] + 1) fault("its realizations are not a range A-B");
    f.first = numbers.front();
    f.last = numbers.back();
    const std::size_t cells = cells_per_realization * count;
    f.required_storage = values<float>("required_storage", cells * length("yield_level"));
    const std::vector<float> events = values<float>("drought_events_per_century", cells);
    const std::vector<float> duration = values<float>("mean_drought_duration", cells);
    const std::vector<int> longest = values<int>("longest_drought", cells);
    const std::vector<float> deficit = values<float>("largest_deficit", cells);
    for (std::size_t i = 0; i < cells; ++i) f.droughts.push_back({events[i], duration[i], longest[i], deficit[i]});
  }

  [[noreturn]] void fault(const std::string& why) const { throw api::RequestError(path_ + ": " + why); }
  int variable(const char* name) const {
    int var = 0;
    if (nc_inq_varid(id_, name, &var) != NC_NOERR) fault(std::string("it holds no variable ") + name);
    return var;
  }
  std::size_t length(const char* name) const {
    int dim = 0;
    std::size_t n = 0;
    if (nc_inq_dimid(id_, name, &dim) != NC_NOERR || nc_inq_dimlen(id_, dim, &n) != NC_NOERR)
      fault(std::string("it holds no dimension ") + name);
    return n;
  }
  std::string text_attribute(const char* name) const {
    std::size_t n = 0;
    if (nc_inq_attlen(id_, NC_GLOBAL, name, &n) != NC_NOERR) fault(std::string("it holds no attribute ") + name);
    std::string text(n, '\0');
    if (nc_get_att_text(id_, NC_GLOBAL, name, text.data()) != NC_NOERR) fault(std::string("its attribute ") + name + " cannot be read");
    return text;
  }
  int int_attribute(const char* name) const {
    int value = 0;
    if (nc_get_att_int(id_, NC_GLOBAL, name, &value) != NC_NOERR) fault(std::string("it holds no attribute ") + name);
    return value;
  }
  template <typename Value>
  std::vector<Value> values(const char* name, std::size_t n) const {
    std::vector<Value> v(n);
    const int var = variable(name);
    int status = NC_NOERR;
    if constexpr (std::is_same_v<Value, int>) status = nc_get_var_int(id_, var, v.data());
    if constexpr (std::is_same_v<Value, float>) status = nc_get_var_float(id_, var, v.data());
    if constexpr (std::is_same_v<Value, double>) status = nc_get_var_double(id_, var, v.data());
    if (status != NC_NOERR) fault(std::string("its variable ") + name + " cannot be read");
    return v;
  }
  std::vector<std::string> strings(const char* name, std::size_t n) const {
    std::vector<char*> c(n, nullptr);
    if (nc_get_var_string(id_, variable(name), c.data()) != NC_NOERR) fault(std::string("its variable ") + name + " cannot be read");
    std::vector<std::string> out;
    for (char* s : c) out.emplace_back(s != nullptr ? s : "");
    nc_free_string(n, c.data());
    return out;
  }

  // The file open for reading, closed however the reading ends.
  struct OpenFile {
    int id = -1;
    explicit OpenFile(const std::string& path) {
      if (nc_open(path.c_str(), NC_NOWRITE, &id) != NC_NOERR) id = -1;
    }
    ~OpenFile() {
      if (id >= 0) nc_close(id);
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
  };

  std::string path_;
  OpenFile open_;
  int id_ = -1;
};

}  // namespace

void write_netcdf(const std::string& path, const Surface& surface, FinalNames& finals) {
  auto file = std::make_shared<TemporaryFile>(path, "NETCDF FILE");
  {
    NetcdfFile nc(*file);
    Writer(nc, surface).write();
    nc.close();
  }
  finals.push_back([file] { file->make_final(); });
}

Shard read_shard(const std::string& path) { return Reader(path).read(); }

}  // namespace flowplex::stress
