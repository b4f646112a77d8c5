// One libFuzzer target; FLOWPLEX_FUZZ_INPUT names the function of fuzz_inputs.hpp it
// runs on every input.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_inputs.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  flowplex::fuzz::FLOWPLEX_FUZZ_INPUT({data, size});
  return 0;
}
