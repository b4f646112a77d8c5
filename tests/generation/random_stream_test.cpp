#include "generation/random_stream.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace flowplex::rng {
namespace {

TEST(RandomStream, FirstStepsFromTheStartValues) {
  int ix = 26, iy = 162534, iz = 793;
  EXPECT_NEAR(whrand(ix, iy, iz), 0.0148298660, 1e-9);
  EXPECT_EQ(ix, 4446);
  EXPECT_EQ(iy, 12794);  // the start value above its modulus is brought into range
  EXPECT_EQ(iz, 13518);
  EXPECT_NEAR(whrand(ix, iy, iz), 0.5122535657, 1e-9);
  EXPECT_NEAR(whrand(ix, iy, iz), 0.4185549152, 1e-9);
  EXPECT_EQ(ix, 131);
  EXPECT_EQ(iy, 23880);
  EXPECT_EQ(iz, 18991);
}

TEST(RandomStream, StartDiscardsFiveThousandDeviates) {
  StdatBlock stream;
  start(stream);
  EXPECT_EQ(stream.NEWSEQ, 1);
  EXPECT_EQ(stream.IX, 9641);
  EXPECT_EQ(stream.IY, 13168);
  EXPECT_EQ(stream.IZ, 25976);
  int ix = stream.IX, iy = stream.IY, iz = stream.IZ;
  EXPECT_NEAR(whrand(ix, iy, iz), 0.8264959318, 1e-9);
  EXPECT_NEAR(anorm(stream), 0.9403273653, 1e-9);
  EXPECT_EQ(stream.IX, ix);  // the deviate took exactly one step
  EXPECT_EQ(stream.IY, iy);
  EXPECT_EQ(stream.IZ, iz);
}

// Around and across the moduli, where a slip in the modular powers would show.
TEST(RandomStream, JumpEqualsSteppingOneAtATime) {
  StdatBlock from;
  start(from);
  for (const long long steps : {0LL, 1LL, 2LL, 30268LL, 30306LL, 30322LL, 65536LL, 100001LL}) {
    StdatBlock jumped = from;
    jump(jumped, steps);
    int ix = from.IX, iy = from.IY, iz = from.IZ;
    for (long long i = 0; i < steps; ++i) whrand(ix, iy, iz);
    EXPECT_EQ(jumped.IX, ix) << steps;
    EXPECT_EQ(jumped.IY, iy) << steps;
    EXPECT_EQ(jumped.IZ, iz) << steps;
  }
}

TEST(NormalQuantile, CentreTailsAndSymmetry) {
  EXPECT_NE(xnorm(0.5), 0.0);
  EXPECT_NEAR(xnorm(0.5), -8.5e-8, 1e-8);
  EXPECT_NEAR(xnorm(0.975), 1.9603949, 1e-6);
  EXPECT_NEAR(xnorm(0.025), -1.9603949, 1e-6);
  for (double p : {0.001, 0.1, 0.3, 0.49}) EXPECT_NEAR(xnorm(p), -xnorm(1.0 - p), 1e-9) << p;
}

TEST(NormalQuantile, ProbabilitiesAtOrBeyondTheEndsStayFinite) {
  for (double p : {0.0, 1.0, -0.5, 1.5, std::nan("")}) EXPECT_TRUE(std::isfinite(xnorm(p))) << p;
  EXPECT_LT(xnorm(0.0), -7.0);
  EXPECT_GT(xnorm(1.0), 7.0);
  EXPECT_EQ(xnorm(0.0), -xnorm(1.0));
}

TEST(UpperTail, ExactValuesLimitsAndSymmetry) {
  EXPECT_EQ(qnormx(0.0), 0.5);
  EXPECT_EQ(qnormx(10.5), 0.0);
  EXPECT_EQ(qnormx(-10.5), 1.0);
  EXPECT_NEAR(qnormx(1.96), 0.0249978, 1e-7);
  EXPECT_NEAR(qnormx(-1.96), 0.9750022, 1e-7);
  for (double x : {0.01, 0.5, 2.0, 7.0, 10.0}) EXPECT_DOUBLE_EQ(qnormx(-x), 1.0 - qnormx(x)) << x;
}

}  // namespace
}  // namespace flowplex::rng
