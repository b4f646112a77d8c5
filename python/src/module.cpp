// flowplex._core: the library's API for the Python package `flowplex`, which gives it
// its Python shape (flowplex/__init__.py). Nothing here generates or fits on its own:
// every call goes to include/flowplex/.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include "export/generation_layout.hpp"
#include "export/risk_layout.hpp"
#include "flowplex/flowplex.hpp"
#include "flowplex/perturbation.hpp"
#include "interruptible.hpp"
#include "stress_binding.hpp"
#include "library/options.hpp"
#include "store/limits.hpp"

namespace py = pybind11;

namespace flowplex::python {
namespace {

// The array the caller made for the values of one variable, as the library writes them.
template <typename T>
std::span<T> writable(py::array_t<T, py::array::c_style> array) {
  return {array.mutable_data(), static_cast<std::size_t>(array.size())};
}

// An attribute's value as netCDF readers hand it to Python: a list of one value as that
// value, numbers in the file's own types.
py::object attribute_value(const AttributeValue& value) {
  return std::visit(
      [](const auto& v) -> py::object {
        using Value = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<Value, std::string>) return py::str(v);
        else if constexpr (std::is_same_v<Value, int>) return py::module_::import("numpy").attr("int32")(v);
        else if constexpr (std::is_same_v<Value, std::vector<std::string>>) {
          if (v.size() == 1) return py::str(v.front());
          return py::cast(v);
        } else {
          py::array_t<typename Value::value_type> typed(static_cast<py::ssize_t>(v.size()));
          std::copy(v.begin(), v.end(), typed.mutable_data());
          if (v.size() == 1) return typed[py::int_(0)];
          return typed;
        }
      },
      value);
}

py::list attributes(const std::vector<Attribute>& list) {
  py::list out;
  for (const Attribute& a : list) out.append(py::make_tuple(a.name, attribute_value(a.value)));
  return out;
}

py::dict variable(const DatasetVariable& v) {
  py::dict d;
  d["name"] = v.name;
  d["dimensions"] = v.dimensions;
  d["attributes"] = attributes(v.attributes);
  d["fill_value"] = v.fill_value ? py::object(py::module_::import("numpy").attr("int32")(*v.fill_value)) : py::none();
  if (const auto* numbers = std::get_if<std::vector<int>>(&v.values)) d["values"] = py::array_t<int>(py::cast(*numbers));
  else if (const auto* texts = std::get_if<std::vector<std::string>>(&v.values)) d["values"] = *texts;
  else d["values"] = py::none();
  return d;
}

// The generation's description and dataset layout, exactly as the NetCDF writer has them.
py::dict layout(const api::RiverSystem& system, api::Option option, int years, int first, int last,
                const std::optional<api::Perturbation>& perturbation) {
  const flowplex::RiverSystem& river = system.blocks();
  const GenerationOption generation(api::generation_option(option));
  const RealizationRange range{first, last, !(first == 1 && last == kSequences)};
  const RunDescription run = describe_run(river, {generation, years, range, FLOWPLEX_VERSION, perturbation, false, {}},
                                          [&river, generation] { return inputs_read(river, generation); });
  const GenerationLayout l = generation_layout(run);
  py::dict out;
  py::list dimensions, variables;
  for (const Dimension& d : l.dimensions) dimensions.append(py::make_tuple(d.name, d.length));
  for (const DatasetVariable& v : l.variables) variables.append(variable(v));
  out["dimensions"] = dimensions;
  out["variables"] = variables;
  out["attributes"] = attributes(l.attributes);
  out["input_attributes"] = attributes(input_attributes(run.inputs->files()));
  return out;
}

// A generation request the command line would take, with the hook of its perturbation;
// RequestError, naming the argument, for one it would refuse.
struct CheckedRequest {
  api::GenerationRequest request;
  std::unique_ptr<YearHook> hook;
};

CheckedRequest checked_request(const api::RiverSystem& system, api::Option option, int years, int first, int last,
                               int threads, const std::optional<api::Perturbation>& perturbation) {
  CheckedRequest checked{{option, years, first, last, threads, {}, nullptr}, nullptr};
  api::check_request(checked.request);
  if (perturbation) checked.hook = api::perturbation_hook(system, option, *perturbation);
  checked.request.hook = checked.hook.get();
  return checked;
}

// Every realization first to last into the caller's arrays, on `threads` threads, with
// the GIL released and Ctrl-C stopping it. Returns each realization's console lines.
std::vector<std::string> generate_into(const api::RiverSystem& system, api::Option option, int years, int first,
                                       int last, int threads, const std::optional<api::Perturbation>& perturbation,
                                       py::array_t<float, py::array::c_style> flow,
                                       py::array_t<int, py::array::c_style> index_year,
                                       py::array_t<int, py::array::c_style> start_state) {
  const CheckedRequest checked = checked_request(system, option, years, first, last, threads, perturbation);
  const api::RealizationBuffer buffer{writable(flow), writable(index_year), writable(start_state)};
  return interruptible([&](std::stop_token stop) {
    api::GenerationRequest stoppable = checked.request;
    stoppable.stop = stop;
    return api::make_realizations(system, stoppable, buffer);
  });
}

py::tuple fit(const api::FitRequest& request) {
  std::ostringstream progress;
  api::RiverSystem system = interruptible([&](std::stop_token) { return api::fit(request, progress); });
  return py::make_tuple(system, progress.str());
}

// The library's faults as Python's: InputError (a ValueError) with the file and line,
// ValueError for a request outside the program's limits, FileNotFoundError for a
// missing folder.
void translate_faults(py::module_& m) {
  static py::exception<api::InputError> input_error(m, "InputError", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr fault) {
    try {
      if (fault) std::rethrow_exception(fault);
    } catch (const api::InputError& e) {
      py::object error = py::reinterpret_borrow<py::object>(input_error.ptr())(e.what());
      error.attr("file") = e.file();
      error.attr("line") = e.line();
      PyErr_SetObject(input_error.ptr(), error.ptr());
    } catch (const api::RequestError& e) {
      PyErr_SetString(PyExc_ValueError, e.what());
    } catch (const std::filesystem::filesystem_error& e) {
      const py::object error = py::module_::import("builtins").attr("FileNotFoundError")(
          static_cast<int>(ENOENT), e.code().message(), e.path1().string());
      PyErr_SetObject(PyExc_FileNotFoundError, error.ptr());
    }
  });
}

// Lazy ensembles and their risk analyses: what a worker process needs to make a block of
// realizations of a river system it loaded itself, and to analyse blocks apart.

// The digest of the input files a generation by the option reads, as the dataset's
// input_digest states it: a worker compares it with the client's before it generates.
std::string generation_digest(const api::RiverSystem& system, api::Option option) {
  return input_digest(inputs_read(system.blocks(), api::generation_option(option)));
}

// The flows of an array (realization, time, station) holding realizations first on.
api::EnsembleFlows ensemble_flows(const py::array_t<float, py::array::c_style>& flow, int first, int years) {
  if (flow.ndim() != 3) throw py::value_error("flow: the flows are not an array (realization, time, station)");
  return {first, static_cast<int>(flow.shape(0)), years, {flow.data(), static_cast<std::size_t>(flow.size())}};
}

api::AnalysisRequest analysis_request(std::vector<int> gauges, std::string historic, int threads) {
  return {std::move(gauges), std::move(historic), threads};
}

py::object risk_values(const RiskVariable& v) {
  return std::visit(
      [](const auto& values) -> py::object {
        using Value = typename std::decay_t<decltype(values)>::value_type;
        if constexpr (std::is_same_v<Value, std::string>) return py::cast(values);
        else {
          py::array_t<Value> typed(static_cast<py::ssize_t>(values.size()));
          std::copy(values.begin(), values.end(), typed.mutable_data());
          return typed;
        }
      },
      v.values);
}

// The risk variables as the NetCDF writer has them.
py::dict risk_dataset(const api::AnalysisResult& result) {
  const RiskLayout l = risk_layout(result.risk);
  py::dict out;
  py::list dimensions, variables;
  dimensions.append(py::make_tuple("realization", l.realizations));
  for (const Dimension& d : l.dimensions) dimensions.append(py::make_tuple(d.name, d.length));
  for (const RiskVariable& v : l.variables) {
    py::dict d;
    d["name"] = v.name;
    d["dimensions"] = v.dimensions;
    d["attributes"] = attributes(v.attributes);
    d["nan_fill"] = v.absent_as_nan;
    d["values"] = risk_values(v);
    variables.append(d);
  }
  out["dimensions"] = dimensions;
  out["variables"] = variables;
  out["attributes"] = attributes(l.attributes);
  out["not_tested"] = result.not_tested;
  return out;
}

py::tuple block_tuple(const api::BlockFigures& block) {
  return py::make_tuple(block.first, block.count,
                        py::bytes(reinterpret_cast<const char*>(block.bytes.data()), block.bytes.size()));
}

api::BlockFigures block_figures(const py::tuple& block) {
  const std::string bytes = block[2].cast<std::string>();
  api::BlockFigures figures{block[0].cast<int>(), block[1].cast<int>(), std::vector<std::byte>(bytes.size())};
  std::memcpy(figures.bytes.data(), bytes.data(), bytes.size());
  return figures;
}

void bind_ensembles(py::module_& m) {
  m.def(
      "check_generation",
      [](const api::RiverSystem& system, api::Option option, int years, int first, int last,
         const std::optional<api::Perturbation>& perturbation) {
        checked_request(system, option, years, first, last, 1, perturbation);
      },
      py::arg("system"), py::arg("option"), py::arg("years"), py::arg("first"), py::arg("last"),
      py::arg("perturbation"));
  m.def(
      "generation_digest",
      [](const api::RiverSystem& system, api::Option option) {
        return interruptible([&](std::stop_token) { return generation_digest(system, option); });
      },
      py::arg("system"), py::arg("option"));

  py::class_<api::EnsembleAnalysis>(m, "EnsembleAnalysis")
      .def(py::init([](const api::RiverSystem& system, const py::array_t<float, py::array::c_style>& tested, int years,
                       std::vector<int> gauges, std::string historic, int threads) {
             const api::EnsembleFlows flows = ensemble_flows(tested, 1, years);
             const api::AnalysisRequest request = analysis_request(std::move(gauges), std::move(historic), threads);
             return interruptible([&](std::stop_token) { return api::EnsembleAnalysis(system, flows, request); });
           }),
           py::arg("system"), py::arg("tested"), py::arg("years"), py::arg("gauges"), py::arg("historic"),
           py::arg("threads"))
      .def(
          "figures",
          [](const api::EnsembleAnalysis& analysis, const py::array_t<float, py::array::c_style>& block, int first,
             int years) {
            const api::EnsembleFlows flows = ensemble_flows(block, first, years);
            return block_tuple(interruptible([&](std::stop_token) { return analysis.figures(flows); }));
          },
          py::arg("block"), py::arg("first"), py::arg("years"))
      .def(
          "combine",
          [](const api::EnsembleAnalysis& analysis, const std::vector<py::tuple>& blocks) {
            std::vector<api::BlockFigures> figures;
            for (const py::tuple& block : blocks) figures.push_back(block_figures(block));
            return risk_dataset(
                interruptible([&](std::stop_token) { return analysis.combine(std::move(figures)); }));
          },
          py::arg("blocks"));
}

}  // namespace
}  // namespace flowplex::python

PYBIND11_MODULE(_core, m) {
  using namespace flowplex;
  using namespace flowplex::python;
  m.doc() = "The flowplex library, wrapped for the flowplex package.";
  m.attr("version") = FLOWPLEX_VERSION;
  m.attr("max_years") = api::kMaxYears;
  m.attr("max_realizations") = api::kMaxRealizations;
  translate_faults(m);

  py::enum_<api::Option>(m, "Option")
      .value("rigorous", api::Option::rigorous)
      .value("bootstrap", api::Option::bootstrap)
      .value("forecast", api::Option::forecast);

  py::class_<api::Gauge>(m, "Gauge")
      .def_readonly("number", &api::Gauge::number)
      .def_readonly("name", &api::Gauge::name)
      .def_readonly("stem", &api::Gauge::stem)
      .def_readonly("key_gauge", &api::Gauge::key_gauge)
      .def_readonly("first_year", &api::Gauge::first_year)
      .def_readonly("last_year", &api::Gauge::last_year);

  py::class_<api::RiverSystem>(m, "RiverSystem")
      .def_static(
          "open",
          [](const std::filesystem::path& folder, const std::string& parameters, int threads) {
            return interruptible([&](std::stop_token) { return api::RiverSystem::open(folder, parameters, threads); });
          },
          py::arg("folder"), py::arg("parameters"), py::arg("threads"))
      .def_property_readonly("folder", &api::RiverSystem::folder)
      .def_property_readonly("parameter_file", &api::RiverSystem::parameter_file)
      .def_property_readonly("title", &api::RiverSystem::title)
      .def_property_readonly("first_common_year", &api::RiverSystem::first_common_year)
      .def_property_readonly("last_common_year", &api::RiverSystem::last_common_year)
      .def_property_readonly("load_lines", &api::RiverSystem::load_lines)
      .def("gauges", &api::RiverSystem::gauges);

  py::class_<api::Finding>(m, "Finding")
      .def_readonly("file", &api::Finding::file)
      .def_readonly("line", &api::Finding::line)
      .def_readonly("message", &api::Finding::message);
  py::class_<api::CheckReport>(m, "CheckReport")
      .def_readonly("ok", &api::CheckReport::ok)
      .def_readonly("problems", &api::CheckReport::problems)
      .def_readonly("warnings", &api::CheckReport::warnings)
      .def_readonly("text", &api::CheckReport::text);
  m.def(
      "check",
      [](const api::RiverSystem& system, const std::string& historic) {
        return interruptible([&](std::stop_token) { return api::check(system, historic); });
      },
      py::arg("system"), py::arg("historic"));
  m.def(
      "check_folder",
      [](const std::filesystem::path& folder, const std::string& parameters, const std::string& historic) {
        return interruptible([&](std::stop_token) { return api::check(folder, parameters, historic); });
      },
      py::arg("folder"), py::arg("parameters"), py::arg("historic"));

  py::class_<api::GaugeFactors>(m, "GaugeFactors")
      .def(py::init<>())
      .def_readwrite("mean", &api::GaugeFactors::mean)
      .def_readwrite("cv", &api::GaugeFactors::cv)
      .def_readwrite("months", &api::GaugeFactors::months);
  py::class_<api::Perturbation>(m, "Perturbation")
      .def_static("from_text", &api::Perturbation::from_text, py::arg("text"))
      .def_static(
          "from_csv",
          [](const std::string& text, const std::string& name) {
            std::istringstream in(text);
            return api::Perturbation::from_csv(in, name);
          },
          py::arg("text"), py::arg("name"))
      .def_static("read_file", &api::Perturbation::read_file, py::arg("file"))
      .def_property_readonly("given", &api::Perturbation::given);

  m.def("layout", &layout, py::arg("system"), py::arg("option"), py::arg("years"), py::arg("first"), py::arg("last"),
        py::arg("perturbation"));
  m.def("generate_into", &generate_into, py::arg("system"), py::arg("option"), py::arg("years"), py::arg("first"),
        py::arg("last"), py::arg("threads"), py::arg("perturbation"), py::arg("flow"), py::arg("index_year"),
        py::arg("start_state"));

  py::class_<api::FitRequest>(m, "FitRequest")
      .def(py::init<>())
      .def_readwrite("records", &api::FitRequest::records)
      .def_readwrite("out", &api::FitRequest::out)
      .def_readwrite("scale", &api::FitRequest::scale)
      .def_readwrite("keys", &api::FitRequest::keys)
      .def_readwrite("title", &api::FitRequest::title)
      .def_readwrite("rainfall", &api::FitRequest::rainfall)
      .def_readwrite("orders", &api::FitRequest::orders);
  m.def("fit", &fit, py::arg("request"));
  add_stress(m);
  bind_ensembles(m);
}
