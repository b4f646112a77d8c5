// The floor of a generation run: drawing, one by one with anorm, as many normal deviates
// as the run draws (41 sequences of 202,500 by default), and nothing else. The sum of the
// deviates is printed so that the loop cannot be left out.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "generation/random_stream.hpp"
#include "store/generator_state.hpp"

int main(int argc, char** argv) {
  const long draws = argc > 1 ? std::atol(argv[1]) : 41L * 202500L;
  if (draws < 1) {
    std::fprintf(stderr, "usage: flowplex_floor [DRAWS]\n");
    return 2;
  }
  flowplex::StdatBlock stream;
  flowplex::rng::start(stream);
  const auto begin = std::chrono::steady_clock::now();
  double sum = 0.0;
  for (long i = 0; i < draws; ++i) sum += flowplex::rng::anorm(stream);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - begin;
  std::printf("%ld deviates in %.4f s (sum %.6f)\n", draws, elapsed.count(), sum);
  return 0;
}
