#pragma once
// The generator's option for each approach of the public API.
#include "flowplex/generation.hpp"
#include "store/option.hpp"

namespace flowplex::api {

GenerationOption generation_option(Option option);

}  // namespace flowplex::api
