#pragma once
// How the months of a year are formed from its annual flows.

namespace flowplex {

// The standard fragments, or the extended mode, which also forms the monthly rainfall
// and nets afforestation and irrigation off the flows (the bootstrap nets them off the
// drawn year's months).
enum class Disaggregation { standard = 1, extended = 2 };

}  // namespace flowplex
