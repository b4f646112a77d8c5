#pragma once
// The single random stream of the system: a Wichmann-Hill combination of three
// multiplicative congruential generators whose state lives in STDAT, the normal
// quantile that turns its uniforms into deviates, and the upper-tail probability
// used to carry zero-flow gauges through the normal scale.
#include "store/store.hpp"

namespace flowplex::rng {

// One generator step on the given state; returns a uniform in [0, 1).
double whrand(int& IX, int& IY, int& IZ);

// One step of the shared stream (STDAT).
double random(Store& s);

// Standard normal quantile of P (rational approximation). P outside (0, 1), or not a
// number, is held to the finest tail probability the stream can produce, so the
// result is always finite.
double xnorm(double P);

// One standard normal deviate from the shared stream: exactly one step.
double anorm(Store& s);

// Probability that a standard normal variable exceeds X (polynomial approximation).
double qnormx(double X);

// Seeds the shared stream, flags a new sequence and discards the first 5000 deviates.
void start(Store& s);

}  // namespace flowplex::rng
