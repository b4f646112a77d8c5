#pragma once
// The surface as a NetCDF-4 file: its tables by scenario, slot, yield level and
// reliability or storage, and every realization's figures, so that the files of shards
// combine into the whole surface. Read back, a file gives its design and figures.
#include <string>

#include "stress/surface.hpp"

namespace flowplex::stress {

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
