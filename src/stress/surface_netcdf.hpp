#pragma once
// The surface as a NetCDF-4 file: its tables by scenario, slot, yield level and
// reliability or storage, and every realization's figures, so that the files of shards
// combine into the whole surface. Read back, a file gives its design and figures.
#include <cstddef>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "stress/surface.hpp"

namespace flowplex::stress {

// The file's dataset as the file holds it: the writer writes it, and the Python module
// builds its dataset from it, so that the two name, describe and hold the same.
// A variable's values in the file's types: int, float (NaN its fill value: an absent
// figure), double, byte and string.
using SurfaceValues = std::variant<std::vector<int>, std::vector<float>, std::vector<double>, std::vector<signed char>,
                                   std::vector<std::string>>;

struct SurfaceVariable {
  std::string name;
  std::vector<std::string> dimensions;
  std::string long_name;
  std::string units;  // empty: none
  std::vector<std::pair<std::string, std::string>> notes;  // further text attributes, in the file's order
  SurfaceValues values;
  bool per_realization = false;  // a figure of each realization under each scenario
};

// Dimensions and the variables defined after them: the surface, then the projections.
struct SurfacePart {
  std::vector<std::pair<std::string, std::size_t>> dimensions;
  std::vector<SurfaceVariable> variables;  // in the order the file defines and writes them
};

struct SurfaceLayout {
  std::vector<std::pair<std::string, std::variant<std::string, int>>> attributes;  // global
  std::vector<SurfacePart> parts;
};

SurfaceLayout surface_layout(const Surface& surface);

// Written under a temporary name, renamed by its entry in finals; a failure ends the run.
// A shard (figures not from realization 1) holds the figures alone.
void write_netcdf(const std::string& path, const Surface& surface, FinalNames& finals);

struct Shard {
  Design design;
  Figures figures;
};

// The design and figures of a stress test's file; api::RequestError when it is not one.
Shard read_shard(const std::string& path);

}  // namespace flowplex::stress
