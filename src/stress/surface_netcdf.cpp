#include "stress/surface_netcdf.hpp"

#include <cmath>
#include <limits>
#include <map>
#include <variant>
#include <memory>
#include <numeric>

#include "export/netcdf_file.hpp"
#include "flowplex/errors.hpp"

namespace flowplex::stress {
namespace {

constexpr float kAbsent = std::numeric_limits<float>::quiet_NaN();
constexpr double kNoFactor = std::numeric_limits<double>::quiet_NaN();
const char* const kConvention = "flowplex stress surface 1";

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

SurfaceVariable variable(std::string name, std::vector<std::string> dimensions, std::string long_name, SurfaceValues values,
                         std::string units = {}) {
  return {std::move(name), std::move(dimensions), std::move(long_name), std::move(units), {}, std::move(values), false};
}

void add_scenarios(std::vector<SurfaceVariable>& v, const Design& d) {
  const auto& sc = d.scenarios;
  v.push_back(variable("scenario_name", {"scenario"}, "name of the climate scenario",
                       gathered<std::string>(sc.size(), [&](std::size_t i) { return sc[i].name; })));
  if (d.grid) {
    v.push_back(variable("mean_factor", {"scenario"}, "factor on the mean annual flow of every gauge",
                         gathered<double>(sc.size(), [&](std::size_t i) { return sc[i].mean_factor.value_or(kNoFactor); })));
    v.push_back(variable("cv_factor", {"scenario"}, "factor on the coefficient of variation of the annual flows",
                         gathered<double>(sc.size(), [&](std::size_t i) { return sc[i].cv_factor.value_or(kNoFactor); })));
  }
  std::vector<double> slot_mean;
  for (const ScenarioLabel& l : sc) slot_mean.insert(slot_mean.end(), l.slot_mean.begin(), l.slot_mean.end());
  v.push_back(variable("slot_mean_factor", {"scenario", "slot"}, "factor on the slot's mean annual flow", slot_mean));
}

void add_slots_and_levels(std::vector<SurfaceVariable>& v, const Surface& s) {
  const Design& d = s.design;
  const auto& sl = d.slots;
  v.push_back(variable("slot", {"slot"}, "the gauge's place in the list of chosen gauges",
                       gathered<int>(sl.size(), [&](std::size_t i) { return sl[i].slot; })));
  v.push_back(variable("slot_gauge", {"slot"}, "gauge number of the slot: its order in the parameter file",
                       gathered<int>(sl.size(), [&](std::size_t i) { return sl[i].gauge; })));
  v.push_back(variable("slot_name", {"slot"}, "gauge name",
                       gathered<std::string>(sl.size(), [&](std::size_t i) { return sl[i].name; })));
  v.push_back(variable("mar", {"slot"}, "historical mean annual runoff: the unit of yields and storages",
                       gathered<float>(sl.size(), [&](std::size_t i) { return sl[i].MAR; })));
  v.back().notes.push_back({"comment", "in the unit of the river system's series files"});
  v.push_back(variable("yield_level", {"yield_level"}, "yield drawn from the reservoir", d.yields, "percent of mar"));
  v.push_back(variable("reliability", {"reliability"}, "share of the realizations supplied", d.reliabilities, "percent"));
  v.push_back(variable("storage", {"storage"}, "reservoir storage", d.storages, "percent of mar"));
  std::vector<double> volume;
  for (const Slot& slot : sl)
    for (const double S : d.storages) volume.push_back(S / 100.0 * slot.MAR);
  v.push_back(variable("storage_volume", {"slot", "storage"}, "reservoir storage in flow units", volume));
  std::vector<int> numbers(static_cast<std::size_t>(s.figures.count()));
  std::iota(numbers.begin(), numbers.end(), s.figures.first);
  v.push_back(variable("realization", {"realization"}, "realization number", numbers));
}

void add_figures(std::vector<SurfaceVariable>& v, const Figures& f) {
  const auto& dr = f.droughts;
  const std::vector<std::string> cell{"scenario", "realization", "slot"};
  const auto figure = [&v](SurfaceVariable var) {
    var.per_realization = true;
    v.push_back(std::move(var));
  };
  figure(variable("required_storage", {"scenario", "realization", "slot", "yield_level"},
                       "storage needed to supply the yield throughout the realization (sequent peak)", f.required_storage,
                       "percent of mar"));
  figure(variable("drought_events_per_century", cell,
                       "droughts (runs of months below the historical Q80 of the month) per 100 years",
                       gathered<float>(dr.size(), [&](std::size_t i) { return dr[i].events_per_century; })));
  figure(variable("mean_drought_duration", cell, "mean duration of a drought",
                       gathered<float>(dr.size(), [&](std::size_t i) { return dr[i].mean_duration; }), "months"));
  figure(variable("longest_drought", cell, "longest drought",
                       gathered<int>(dr.size(), [&](std::size_t i) { return dr[i].longest; }), "months"));
  figure(variable("largest_deficit", cell, "largest deficit of a drought, in flow units",
                       gathered<float>(dr.size(), [&](std::size_t i) { return dr[i].largest_deficit; })));
}

void add_tables(std::vector<SurfaceVariable>& v, const Surface& s) {
  const Design& d = s.design;
  v.push_back(variable("storage_at_reliability", {"scenario", "slot", "yield_level", "reliability"},
                       "storage that supplies the yield in that share of the realizations (NaN: none does)",
                       table<float>(s, d.reliabilities.size(),
                                    [](const SlotSurface& c, std::size_t y, std::size_t r) { return c.storage[y][r].value_or(kAbsent); }),
                       "percent of mar"));
  v.push_back(variable("reliability_of_storage", {"scenario", "slot", "yield_level", "storage"},
                       "share of the realizations whose required storage is at most the storage",
                       table<double>(s, d.storages.size(), [](const SlotSurface& c, std::size_t y, std::size_t S) { return c.reliability[y][S]; }),
                       "percent"));
  std::vector<signed char> flags;
  for (const ScenarioLabel& l : d.scenarios)
    for (std::size_t k = 0; k < d.slots.size(); ++k)
      for (const int y : d.yields) flags.push_back(sustainable(l, k, y) ? 1 : 0);
  v.push_back(variable("sustainable", {"scenario", "slot", "yield_level"},
                       "0 where the yield is at or above the scenario's mean annual flow: not sustainable", flags));
  v.back().notes.push_back({"flag_meanings", "not_sustainable sustainable"});
  for (std::size_t i = 0; i < kDroughtNames.size(); ++i) {
    std::vector<float> medians;
    for (const auto& row : s.cells)
      for (const SlotSurface& cell : row) medians.push_back(cell.drought_median[i].value_or(kAbsent));
    v.push_back(variable("median_" + std::string(kDroughtNames[i]), {"scenario", "slot"},
                         "50 % value over the realizations of the drought figure " + std::string(kDroughtNames[i]), medians));
  }
}

void add_projections(std::vector<SurfaceVariable>& v, const std::vector<Projection>& p) {
  v.push_back(variable("projection_label", {"projection"}, "climate projection",
                       gathered<std::string>(p.size(), [&](std::size_t i) { return p[i].label; })));
  v.push_back(variable("projection_mean_factor", {"projection"}, "the projection's mean factor",
                       gathered<double>(p.size(), [&](std::size_t i) { return p[i].mean; })));
  v.push_back(variable("projection_cv_factor", {"projection"}, "the projection's variability factor",
                       gathered<double>(p.size(), [&](std::size_t i) { return p[i].cv; })));
}

nc_type type_of(const SurfaceValues& values) {
  constexpr std::array<nc_type, std::variant_size_v<SurfaceValues>> types{NC_INT, NC_FLOAT, NC_DOUBLE, NC_BYTE, NC_STRING};
  return types[values.index()];
}

int defined(NetcdfFile& nc, const std::vector<int>& dimension_ids, const SurfaceVariable& v) {
  int var = 0;
  nc.check(nc_def_var(nc.id(), v.name.c_str(), type_of(v.values), static_cast<int>(dimension_ids.size()),
                      dimension_ids.data(), &var));
  nc.text(var, "long_name", v.long_name);
  if (!v.units.empty()) nc.text(var, "units", v.units);
  if (std::holds_alternative<std::vector<float>>(v.values)) nc.check(nc_def_var_fill(nc.id(), var, 0, &kAbsent));
  for (const auto& [name, text] : v.notes) nc.text(var, name.c_str(), text);
  return var;
}

void put(NetcdfFile& nc, int var, const SurfaceValues& values) {
  std::visit(
      [&](const auto& v) {
        using Value = typename std::decay_t<decltype(v)>::value_type;
        if constexpr (std::is_same_v<Value, int>) nc.check(nc_put_var_int(nc.id(), var, v.data()));
        if constexpr (std::is_same_v<Value, float>) nc.check(nc_put_var_float(nc.id(), var, v.data()));
        if constexpr (std::is_same_v<Value, double>) nc.check(nc_put_var_double(nc.id(), var, v.data()));
        if constexpr (std::is_same_v<Value, signed char>) nc.check(nc_put_var_schar(nc.id(), var, v.data()));
        if constexpr (std::is_same_v<Value, std::string>) nc.put_strings(var, v);
      },
      values);
}

void write(NetcdfFile& nc, const SurfaceLayout& layout) {
  for (const auto& [name, value] : layout.attributes) {
    if (const auto* text = std::get_if<std::string>(&value)) nc.text(NC_GLOBAL, name.c_str(), *text);
    else nc.integer(NC_GLOBAL, name.c_str(), std::get<int>(value));
  }
  std::map<std::string, int> dimension;
  std::vector<std::vector<int>> vars;
  for (const SurfacePart& part : layout.parts) {
    for (const auto& [name, length] : part.dimensions) dimension[name] = nc.dimension(name.c_str(), length);
    std::vector<int>& ids = vars.emplace_back();
    for (const SurfaceVariable& v : part.variables) {
      std::vector<int> dims;
      for (const std::string& d : v.dimensions) dims.push_back(dimension.at(d));
      ids.push_back(defined(nc, dims, v));
    }
  }
  nc.check(nc_enddef(nc.id()));
  // Each part's per-realization figures, the bulk of the file, are written after its
  // other variables, which keeps the file's layout as it has always been.
  for (std::size_t p = 0; p < layout.parts.size(); ++p)
    for (const bool figures : {false, true})
      for (std::size_t i = 0; i < vars[p].size(); ++i)
        if (layout.parts[p].variables[i].per_realization == figures) put(nc, vars[p][i], layout.parts[p].variables[i].values);
}

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

SurfaceLayout surface_layout(const Surface& s) {
  const Design& d = s.design;
  SurfaceLayout l;
  l.attributes = {{"title", "storage-yield-reliability response surface over perturbed climates"},
                  {"flowplex_stress", kConvention},
                  {"input_digest", d.input_digest},
                  {"option", d.option},
                  {"years", d.years},
                  {"grid", d.grid ? 1 : 0},
                  {"reliability_meaning", "share of the N-year realizations that, starting with the reservoir full, "
                                          "never fail to supply the yield"}};
  SurfacePart& surface = l.parts.emplace_back();
  surface.dimensions = {{"scenario", d.scenarios.size()}, {"slot", d.slots.size()},
                        {"yield_level", d.yields.size()}, {"reliability", d.reliabilities.size()},
                        {"storage", d.storages.size()},   {"realization", static_cast<std::size_t>(s.figures.count())}};
  add_scenarios(surface.variables, d);
  add_slots_and_levels(surface.variables, s);
  add_figures(surface.variables, s.figures);
  // A shard's realizations give no quantiles of their own: they are formed when the
  // shards combine.
  if (!s.cells.empty()) add_tables(surface.variables, s);
  if (!d.projections.empty()) {
    SurfacePart& projections = l.parts.emplace_back();
    projections.dimensions = {{"projection", d.projections.size()}};
    add_projections(projections.variables, d.projections);
  }
  return l;
}

void write_netcdf(const std::string& path, const Surface& surface, FinalNames& finals) {
  auto file = std::make_shared<TemporaryFile>(path, "NETCDF FILE");
  {
    NetcdfFile nc(*file);
    write(nc, surface_layout(surface));
    nc.close();
  }
  finals.push_back([file] { file->make_final(); });
}

Shard read_shard(const std::string& path) { return Reader(path).read(); }

}  // namespace flowplex::stress
