#pragma once
// The generation dataset as the NetCDF file holds it: its dimensions, its variables with
// their attributes, the coordinates' values and the global attributes that describe the
// run. The NetCDF writer writes it and the Python module builds its dataset from it, so
// that the two hold the same dataset; the generated values (flow, index_year,
// start_state) are written as the realizations are made.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "export/inputs.hpp"
#include "export/run_description.hpp"

namespace flowplex {

// An attribute's value as the file types it: text, one integer, or a list of integers,
// doubles, strings or unsigned 64-bit integers.
using AttributeValue = std::variant<std::string, int, std::vector<int>, std::vector<double>, std::vector<std::string>,
                                    std::vector<unsigned long long>>;

struct Attribute {
  std::string name;
  AttributeValue value;
};

struct Dimension {
  std::string name;
  std::size_t length = 0;
};

enum class ValueType { int32, float32, text };

struct DatasetVariable {
  std::string name;
  ValueType type = ValueType::int32;
  std::vector<std::string> dimensions;
  std::vector<Attribute> attributes;
  // The value that stands for a missing one, for a variable that may lack some.
  std::optional<int> fill_value;
  // A coordinate's values; none for the generated values.
  std::variant<std::monostate, std::vector<int>, std::vector<std::string>> values;
};

struct GenerationLayout {
  std::vector<Dimension> dimensions;
  std::vector<DatasetVariable> variables;  // in the order the file defines them
  std::vector<Attribute> attributes;       // global
};

// The layout of a run's generated flows. flow_deflate_level: the level the file's flows
// are deflated at (0: none), which the file states.
GenerationLayout generation_layout(const RunDescription& run, int flow_deflate_level = 0);

// The global attributes of the input files read: their names, sizes and digests, and the
// digest of the list.
std::vector<Attribute> input_attributes(const std::vector<InputFile>& inputs);

}  // namespace flowplex
