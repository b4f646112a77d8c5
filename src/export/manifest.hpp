#pragma once
// The run's manifest: what ran, on what, with which answers, and what it wrote. It holds
// no clock time and no absolute path that the run was not given, so two runs of the same
// inputs and answers in two folders give the same bytes.
#include <array>
#include <string>
#include <vector>

#include "export/exports.hpp"
#include "export/inputs.hpp"
#include "export/run_description.hpp"

namespace flowplex {

using StartState = std::array<int, 3>;  // IX, IY, IZ

struct ManifestFacts {
  const RunInfo* program = nullptr;
  const RunDescription* run = nullptr;  // its realizations recorded when the command line asked for them
  std::vector<InputFile> inputs;
  std::vector<WrittenFile> outputs;  // every other output written, final names, in order
  std::vector<StartState> start_states;  // of each realization made, in order
};

// The manifest as JSON text, each output with its size and SHA-256.
std::string manifest_text(const ManifestFacts& facts);

}  // namespace flowplex
