#include "generation/transforms.hpp"

#include <gtest/gtest.h>

#include "store/store.hpp"

#include <cmath>
#include <limits>

#include "report/run_ended.hpp"

namespace flowplex {
namespace {

double flow(double x, int type, double p1, double p2, double p3, double p4, int expected_err = 0) {
  int err = -7;
  const double q = ajv(x, type, p1, p2, p3, p4, err);
  EXPECT_EQ(err, expected_err);
  return q;
}

TEST(InverseTransform, FamiliesAtTheirReferencePoints) {
  EXPECT_EQ(flow(1.25, 4, 0.0, 1.0, 0, 0), 1.25);
  EXPECT_DOUBLE_EQ(flow(1.3, 1, 0.5, 2.0, 1.0, 0.0), std::exp(0.4));
  EXPECT_DOUBLE_EQ(flow(0.7, 2, 0.7, 1.5, 10.0, 5.0), 5.0);
  EXPECT_DOUBLE_EQ(flow(0.7, 3, 0.7, 1.5, 10.0, 5.0), 10.0);
  EXPECT_NEAR(flow(60.0, 3, 0.0, 1.0, 10.0, 5.0), 15.0, 1e-12);
  EXPECT_NEAR(flow(-60.0, 3, 0.0, 1.0, 10.0, 5.0), 5.0, 1e-12);
}

TEST(InverseTransform, NegativeFlowsAreReflectedAndShrunk) {
  EXPECT_DOUBLE_EQ(flow(-2.0, 4, 0.0, 1.0, 0, 0), 0.2);
  EXPECT_NEAR(flow(-1.0, 2, 0.0, 1.0, 10.0, 5.0), 0.6752011936, 1e-9);
  EXPECT_NEAR(flow(0.0, 1, 0.0, 1.0, 2.0, -3.0), 0.4, 1e-15);
}

TEST(InverseTransform, ErrorsGiveZeroFlow) {
  EXPECT_EQ(flow(1.0, 5, 0, 1, 1, 0, kTransformUnknownType), 0.0);
  EXPECT_EQ(flow(1.0, -1, 0, 1, 1, 0, kTransformUnknownType), 0.0);
  EXPECT_EQ(flow(1.0, 0, 0, 1, 1, 0, kTransformUnknownType), 0.0);
  EXPECT_EQ(flow(1.0, 1, 0, 0.0, 1, 0, kTransformZeroScale), 0.0);
  EXPECT_EQ(flow(800.0, 1, 0, 1, 1, 0, kTransformNotFinite), 0.0);
  EXPECT_EQ(flow(-800.0, 2, 0, 1, 1, 0, kTransformNotFinite), 0.0);
  EXPECT_EQ(flow(std::nan(""), 4, 0, 1, 1, 0, kTransformNotFinite), 0.0);
}

class NearestYear : public ::testing::Test {
 protected:
  void SetUp() override {
    s.PARM.NCOMMON = 4;
    s.DSBASE.NKEY = 2;
    s.DSBASE.KEYG(1) = 3;
    s.DSBASE.KEYG(2) = 7;
    const double gauge3[] = {10, 20, 30, 40};
    const double gauge7[] = {1, 2, 3, 4};
    for (int n = 1; n <= 4; ++n) {
      s.qrec(1).QA(n, 3) = gauge3[n - 1];
      s.qrec(1).QA(n, 7) = gauge7[n - 1];
      s.qrec(1).QA(n, 5) = 1000.0 * n;  // not a key gauge: must not count
    }
  }
  int search(double q3, double q7) {
    Q(3) = q3;
    Q(7) = q7;
    mindq(s, in, Q);
    return in.IYSEL;
  }
  std::unique_ptr<RiverSystem> store = std::make_unique<RiverSystem>();
  RiverSystem& s = *store;
  IndicBlock in;
  Arr<double, kMaxGauges> Q;
};

TEST_F(NearestYear, SmallestSumOfSquaresOverKeyGauges) {
  Q(5) = 4000.0;
  EXPECT_EQ(search(21.0, 2.5), 2);
  EXPECT_EQ(search(-100.0, 0.0), 1);
}

TEST_F(NearestYear, EqualDistancesGoToTheLaterYear) {
  EXPECT_EQ(search(25.0, 2.5), 3);
  s.DSBASE.NKEY = 0;
  EXPECT_EQ(search(0.0, 0.0), 4);
}

TEST_F(NearestYear, AlwaysYieldsAStoredYear) {
  EXPECT_EQ(search(1e9, 0.0), 4);  // every distance beyond 1.0E15: the nearest is still taken
  EXPECT_EQ(search(-1e9, 0.0), 1);
  EXPECT_EQ(search(std::nan(""), 0.0), 4);
  EXPECT_EQ(search(std::numeric_limits<double>::infinity(), 0.0), 4);
  s.PARM.NCOMMON = 0;
  EXPECT_THROW(search(1.0, 1.0), RunEnded);
}

}  // namespace
}  // namespace flowplex
