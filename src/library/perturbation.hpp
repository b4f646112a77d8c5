#pragma once
// The perturbation of a loaded river system's realizations, for the command line's own
// generation loop and the library's requests alike.
#include <memory>

#include "flowplex/perturbation.hpp"
#include "store/option.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Gauge g's reference annual flows under the option (see api::reference_flows).
api::ReferenceFlows reference_flows(const RiverSystem& river, GenerationOption option, int g);

// The hook of the perturbation for the option (see api::perturbation_hook).
std::unique_ptr<YearHook> perturbation_hook(const RiverSystem& river, GenerationOption option,
                                            const api::Perturbation& perturbation);

}  // namespace flowplex
