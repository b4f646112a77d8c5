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
  auto s = make_store();
  start(*s);
  EXPECT_EQ(s->STDAT.NEWSEQ, 1);
  EXPECT_EQ(s->STDAT.IX, 9641);
  EXPECT_EQ(s->STDAT.IY, 13168);
  EXPECT_EQ(s->STDAT.IZ, 25976);
  Store& shared = *s;
  int ix = shared.STDAT.IX, iy = shared.STDAT.IY, iz = shared.STDAT.IZ;
  EXPECT_NEAR(whrand(ix, iy, iz), 0.8264959318, 1e-9);
  EXPECT_NEAR(anorm(shared), 0.9403273653, 1e-9);
  EXPECT_EQ(shared.STDAT.IX, ix);  // the deviate took exactly one step
  EXPECT_EQ(shared.STDAT.IY, iy);
  EXPECT_EQ(shared.STDAT.IZ, iz);
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
