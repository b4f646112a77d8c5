#pragma once
// One generated sequence of every gauge as the exports write it: the library's realization.
#include "flowplex/generation.hpp"

namespace flowplex {

using GeneratedSequence = api::Realization;

}  // namespace flowplex
