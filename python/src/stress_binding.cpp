#include "stress_binding.hpp"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <sstream>
#include <string>
#include <vector>

#include "flowplex/stress.hpp"
#include "interruptible.hpp"
#include "report/interruption.hpp"
#include "stress/surface_netcdf.hpp"

namespace py = pybind11;

namespace flowplex::python {
namespace {

// A value read by the command line's own reader of the flag; what it refuses is a
// ValueError naming the argument.
template <typename Read>
auto read_argument(const std::string& argument, Read read) {
  try {
    return read();
  } catch (const api::RequestError& e) {
    throw api::RequestError(argument + ": " + e.what());
  }
}

// The climates: a grid of two "FROM:TO:STEP" axes, or a scenarios table's CSV text.
api::ScenarioSet climates(const std::string& mean, const std::string& cv, const std::optional<std::string>& scenarios,
                          const std::string& scenarios_name) {
  if (scenarios) {
    std::istringstream text(*scenarios);
    return read_argument("scenarios", [&] { return api::read_scenarios(text, scenarios_name); });
  }
  const std::vector<double> m = read_argument("mean", [&] { return api::grid_axis(mean); });
  const std::vector<double> c = read_argument("cv", [&] { return api::grid_axis(cv); });
  return read_argument("mean and cv", [&] { return api::grid_scenarios(m, c); });
}

struct Arguments {
  int years;
  api::Option option;
  std::vector<int> gauges;
  int first, last;
  std::string mean, cv;
  std::optional<std::string> scenarios;
  std::string scenarios_name;
  std::string yields, reliabilities;
  std::optional<std::string> storages;
  std::optional<std::string> projections;
  std::string projections_name;
  std::vector<std::string> historic;
  int threads;
};

api::StressRequest request_of(const Arguments& a) {
  api::StressRequest r;
  r.years = a.years;
  r.option = a.option;
  r.gauges = a.gauges;
  r.first = a.first;
  r.last = a.last;
  r.scenarios = climates(a.mean, a.cv, a.scenarios, a.scenarios_name);
  r.yields = read_argument("yields", [&] { return api::read_yields(a.yields); });
  r.reliabilities = read_argument("reliabilities", [&] { return api::read_reliabilities(a.reliabilities); });
  if (a.storages) r.storages = read_argument("storage", [&] { return api::read_storages(*a.storages); });
  if (a.projections) {
    std::istringstream text(*a.projections);
    r.projections = read_argument("projections", [&] { return api::read_projections(text, a.projections_name); });
  }
  r.historic = a.historic;
  r.threads = a.threads;
  api::check_request(r);
  return r;
}

// The surface of the request, with the GIL released and Ctrl-C stopping it; the
// console lines the command line would show are dropped, as generate's are.
api::StressSurface surface(const api::RiverSystem& system, const Arguments& arguments) {
  const api::StressRequest request = request_of(arguments);
  return interruptible([&](std::stop_token stop) {
    api::StressRequest stoppable = request;
    stoppable.stop = stop;
    std::ostringstream console;
    return api::stress(system, stoppable, console);
  });
}

py::object values_of(const stress::SurfaceValues& values) {
  return std::visit(
      [](const auto& v) -> py::object {
        using Value = typename std::decay_t<decltype(v)>::value_type;
        if constexpr (std::is_same_v<Value, std::string>) return py::cast(v);
        else {
          py::array_t<Value> array(static_cast<py::ssize_t>(v.size()));
          std::copy(v.begin(), v.end(), array.mutable_data());
          return array;
        }
      },
      values);
}

// The dataset of the surface as its NetCDF file holds it: global attributes, dimensions,
// and each variable's dimensions, attributes, values and whether it has NaN as its fill.
py::dict layout(const api::StressSurface& s) {
  const stress::SurfaceLayout l = stress::surface_layout(s);
  py::list attributes, dimensions, variables;
  const py::object int32 = py::module_::import("numpy").attr("int32");
  for (const auto& [name, value] : l.attributes) {
    if (const auto* text = std::get_if<std::string>(&value)) attributes.append(py::make_tuple(name, *text));
    else attributes.append(py::make_tuple(name, int32(std::get<int>(value))));
  }
  for (const stress::SurfacePart& part : l.parts) {
    for (const auto& [name, length] : part.dimensions) dimensions.append(py::make_tuple(name, length));
    for (const stress::SurfaceVariable& v : part.variables) {
      py::dict d;
      py::list notes;
      notes.append(py::make_tuple("long_name", v.long_name));
      if (!v.units.empty()) notes.append(py::make_tuple("units", v.units));
      for (const auto& [name, text] : v.notes) notes.append(py::make_tuple(name, text));
      d["name"] = v.name;
      d["dimensions"] = v.dimensions;
      d["attributes"] = notes;
      d["nan_fill"] = std::holds_alternative<std::vector<float>>(v.values);
      d["values"] = values_of(v.values);
      variables.append(d);
    }
  }
  py::dict out;
  out["attributes"] = attributes;
  out["dimensions"] = dimensions;
  out["variables"] = variables;
  return out;
}

// A shard's NetCDF file, as `flowplex stress --realizations A-B --netcdf` writes it.
void write_shard(const api::StressSurface& s, const std::string& path) {
  stress::FinalNames finals;
  stress::write_netcdf(path, s, finals);
  const auto renaming = interruption::hold_for_final_names();
  for (const auto& make_final : finals) make_final();
}

// The shards' files joined as `flowplex stress --combine` joins them.
api::StressSurface combined(const std::vector<std::string>& paths) {
  std::vector<api::StressSurface> shards;
  for (const std::string& path : paths) {
    stress::Shard shard = stress::read_shard(path);
    shards.push_back({std::move(shard.design), std::move(shard.figures), {}});
  }
  return api::combine(paths, std::move(shards));
}

}  // namespace

void add_stress(py::module_& m) {
  py::class_<api::StressSurface>(m, "StressSurface");
  m.def(
      "stress",
      [](const api::RiverSystem& system, int years, api::Option option, std::vector<int> gauges, int first, int last,
         std::string mean, std::string cv, std::optional<std::string> scenarios, std::string scenarios_name,
         std::string yields, std::string reliabilities, std::optional<std::string> storages,
         std::optional<std::string> projections, std::string projections_name, std::vector<std::string> historic,
         int threads) {
        return surface(system, {years, option, std::move(gauges), first, last, std::move(mean), std::move(cv),
                                std::move(scenarios), std::move(scenarios_name), std::move(yields),
                                std::move(reliabilities), std::move(storages), std::move(projections),
                                std::move(projections_name), std::move(historic), threads});
      },
      py::arg("system"), py::arg("years"), py::arg("option"), py::arg("gauges"), py::arg("first"), py::arg("last"),
      py::arg("mean"), py::arg("cv"), py::arg("scenarios"), py::arg("scenarios_name"), py::arg("yields"),
      py::arg("reliabilities"), py::arg("storages"), py::arg("projections"), py::arg("projections_name"),
      py::arg("historic"), py::arg("threads"));
  m.def("surface_layout", &layout, py::arg("surface"));
  m.def("write_stress_shard", &write_shard, py::arg("surface"), py::arg("path"));
  m.def("combine_stress_shards", &combined, py::arg("paths"));
}

}  // namespace flowplex::python
