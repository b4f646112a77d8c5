#pragma once
// The shards of one stress test, made on many machines, combined into its whole surface.
#include <vector>

#include "stress/surface_netcdf.hpp"

namespace flowplex::stress {

// The figures of shards that share the input digest, the design of the surface (its
// scenarios and gauges among it) and together hold realizations 1 to N once each, in the
// order of the realizations: the same bits as one run of 1 to N. api::RequestError names
// the shard at fault and how.
Shard combined(const std::vector<std::string>& paths, std::vector<Shard> shards);

}  // namespace flowplex::stress
