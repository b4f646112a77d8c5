#pragma once
// flowplex as a library: open a river system and check it, make realization k or a range
// of realizations, analyse generated flows against the historical record, fit a river
// system to gauge records, make the storage-yield-reliability surface of a climate stress
// test (stress.hpp, built in the flowplex_stress library). Value types and functions in
// flowplex::api, no global state; faults are exceptions that carry the program's own
// messages (errors.hpp).
#include "flowplex/analyses.hpp"
#include "flowplex/check.hpp"
#include "flowplex/errors.hpp"
#include "flowplex/fit.hpp"
#include "flowplex/generation.hpp"
#include "flowplex/river_system.hpp"
#include "flowplex/stress.hpp"
#include "flowplex/year_hook.hpp"
