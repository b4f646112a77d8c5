#pragma once
// Reading a written river system back with the program's own readers, to make sure it
// holds what was fitted to within the rounding of its layouts.
#include <filesystem>

#include "fit/river_system.hpp"

namespace flowplex::fit {

// Ends the run, naming the first field that does not read back, when the system in
// `folder` is not the one fitted.
void verify_written_system(const std::filesystem::path& folder, const RiverSystem& system);

}  // namespace flowplex::fit
