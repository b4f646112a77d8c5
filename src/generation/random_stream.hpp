#pragma once
// The single random stream of the system: a Wichmann-Hill combination of three
// multiplicative congruential generators whose state is a StdatBlock, the normal
// quantile that turns its uniforms into deviates, and the upper-tail probability
// used to carry zero-flow gauges through the normal scale.
#include "store/generator_state.hpp"

namespace flowplex::rng {

// One generator step on the given state; returns a uniform in [0, 1).
double whrand(int& IX, int& IY, int& IZ);

// One step of the stream.
double random(StdatBlock& stream);

// Standard normal quantile of P (rational approximation). P outside (0, 1), or not a
// number, is held to the finest tail probability the stream can produce, so the
// result is always finite.
double xnorm(double P);

// One standard normal deviate from the stream: exactly one step.
double anorm(StdatBlock& stream);

// Probability that a standard normal variable exceeds X (polynomial approximation).
double qnormx(double X);

// Seeds the stream, flags a new sequence and discards the first 5000 deviates.
void start(StdatBlock& stream);

// Advances the stream by `steps` steps at once: each component is multiplied by its
// multiplier raised to `steps`, modulo its modulus. The state must be within the moduli,
// as every state after the first step is.
void jump(StdatBlock& stream, long long steps);

}  // namespace flowplex::rng
