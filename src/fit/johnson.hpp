#pragma once
// The Johnson translation system, in the roles the generator reads its parameters:
// gamma and delta on the normal scale, lambda and xi on the scale of the flow.
//   SL x = gamma + delta * ln(q / lambda - xi)
//   SU x = gamma + delta * asinh((q - xi) / lambda)
//   SB x = gamma + delta * ln((q - xi) / (xi + lambda - q))
//   SN x = gamma + delta * q
#include <span>
#include <string>
#include <vector>

namespace flowplex::fit {

enum TransformType : int { kNoModel = 0, kSL = 1, kSU = 2, kSB = 3, kSN = 4 };

struct Transform {
  int type = kNoModel;
  double gamma = 0.0;
  double delta = 1.0;
  double lambda = 0.0;
  double xi = 0.0;
};

const char* type_name(int type);

// The normalised value of flow q; not a number where q lies outside the family's range.
double normalise(const Transform& t, double q);

// One family fitted by maximum likelihood; its AICc is not a number when the family
// cannot hold the flows or its likelihood has no maximum inside the range.
struct FamilyFit {
  Transform transform;
  double log_likelihood = 0.0;
  double aicc = 0.0;
};

struct TransformChoice {
  Transform transform;
  std::string why;                  // the reason for the family, for the fit report
  std::vector<FamilyFit> candidates;  // every family tried
};

// Fits every family that can hold the flows by maximum likelihood and keeps the one
// of lowest AICc. Flows at or below zero leave only SN and SU, whose ranges hold them.
// Needs at least three distinct flows.
TransformChoice fit_transform(std::span<const double> flows);

// Small-sample Akaike criterion of a fit of k parameters to n values.
double aicc(double log_likelihood, int k, int n);

}  // namespace flowplex::fit
