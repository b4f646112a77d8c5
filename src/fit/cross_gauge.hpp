#pragma once
// The cross-gauge model: the correlation of the gauges' innovations, repaired to the
// nearest positive definite correlation matrix where it is not, its factor CMAT1, and
// the matrices CMAT2 to CMAT5 that start a rigorous sequence in the stationary state.
#include <Eigen/Dense>
#include <vector>

#include "fit/annual_model.hpp"

namespace flowplex::fit {

// A correlation matrix held clear of singularity: its smallest eigenvalue at least this.
inline constexpr double kSmallestEigenvalue = 1.0e-4;

struct CorrelationRepair {
  Eigen::MatrixXd correlation;  // positive definite, unit diagonal
  double smallest_before = 0.0;
  double smallest_after = 0.0;
  bool repaired = false;
  int iterations = 0;
};

// The sample correlation matrix of the columns of `series` (one row per time step).
// A column without variation is uncorrelated with every other.
Eigen::MatrixXd sample_correlation(const Eigen::MatrixXd& series);

// The nearest correlation matrix whose eigenvalues are all at least kSmallestEigenvalue,
// by Higham's alternating projections with Dykstra's correction; unchanged when the
// matrix already is one.
CorrelationRepair nearest_correlation(const Eigen::MatrixXd& correlation);

struct CrossGaugeModel {
  CorrelationRepair innovations;
  std::vector<double> innovation_scale;  // s(g): ARMA output of unit variance
  Eigen::MatrixXd cmat1, cmat2, cmat3, cmat4, cmat5;
};

CrossGaugeModel fit_cross_gauge(const std::vector<GaugeAnnualModel>& gauges);

// The joint covariance of the lag state (y two years back, e two years back, y one
// year back, e one year back) that the sequence start of the rigorous option draws
// from the matrices, for checking them against the model.
Eigen::MatrixXd start_state_covariance(const CrossGaugeModel& m);
// The same from the model itself: the stationary covariance of that state.
Eigen::MatrixXd stationary_state_covariance(const std::vector<GaugeAnnualModel>& gauges, const CrossGaugeModel& m);

}  // namespace flowplex::fit
