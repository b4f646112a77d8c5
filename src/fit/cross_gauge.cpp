#include "fit/cross_gauge.hpp"

#include <algorithm>
#include <cmath>

namespace flowplex::fit {
namespace {

constexpr int kMaxRepairIterations = 2000;
constexpr double kRepairTolerance = 1.0e-10;

using Eigen::MatrixXd;
using Eigen::VectorXd;

// The matrix with the eigenvalues of a symmetric one raised to at least `floor`.
MatrixXd eigenvalues_at_least(const MatrixXd& a, double floor) {
  const Eigen::SelfAdjointEigenSolver<MatrixXd> eig(a);
  const VectorXd values = eig.eigenvalues().cwiseMax(floor);
  return eig.eigenvectors() * values.asDiagonal() * eig.eigenvectors().transpose();
}

double smallest_eigenvalue(const MatrixXd& a) {
  return Eigen::SelfAdjointEigenSolver<MatrixXd>(a, Eigen::EigenvaluesOnly).eigenvalues().minCoeff();
}

// The symmetric square root of a covariance matrix; rounding below zero counts as zero.
MatrixXd square_root(const MatrixXd& a) {
  const Eigen::SelfAdjointEigenSolver<MatrixXd> eig(a);
  const VectorXd roots = eig.eigenvalues().cwiseMax(0.0).cwiseSqrt();
  return eig.eigenvectors() * roots.asDiagonal() * eig.eigenvectors().transpose();
}

// The pseudo-inverse of a covariance matrix: directions of (next to) no variance,
// such as the lag of a gauge without memory, carry no information and are left out.
MatrixXd pseudo_inverse(const MatrixXd& a) {
  const Eigen::SelfAdjointEigenSolver<MatrixXd> eig(a);
  const double cut = 1.0e-12 * std::max(1.0, eig.eigenvalues().cwiseAbs().maxCoeff());
  VectorXd inverse = eig.eigenvalues();
  for (Eigen::Index i = 0; i < inverse.size(); ++i) inverse(i) = inverse(i) > cut ? 1.0 / inverse(i) : 0.0;
  return eig.eigenvectors() * inverse.asDiagonal() * eig.eigenvectors().transpose();
}

// sum over k >= 0 of psi_i(k + a) psi_j(k + b).
double lagged_products(const std::vector<double>& pi, const std::vector<double>& pj, std::size_t a, std::size_t b) {
  double sum = 0.0;
  for (std::size_t k = 0; k + a < pi.size() && k + b < pj.size(); ++k) sum += pi[k + a] * pj[k + b];
  return sum;
}

// The element-wise product of the innovation covariance with a table of lagged
// products of the gauges' psi weights: the covariance of two sums of past innovations.
MatrixXd covariance_of_sums(const MatrixXd& sigma, const std::vector<std::vector<double>>& psi, std::size_t a, std::size_t b) {
  const Eigen::Index n = sigma.rows();
  MatrixXd c(n, n);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index j = 0; j < n; ++j)
      c(i, j) = sigma(i, j) * lagged_products(psi[static_cast<std::size_t>(i)], psi[static_cast<std::size_t>(j)], a, b);
  return c;
}

std::vector<std::vector<double>> psi_of(const std::vector<GaugeAnnualModel>& gauges) {
  std::vector<std::vector<double>> psi;
  for (const GaugeAnnualModel& g : gauges) psi.push_back(g.modelled() ? psi_weights(g.arma.model) : std::vector<double>{1.0});
  return psi;
}

// psi(1) of every gauge: the weight of last year's innovation in this year's value.
VectorXd first_weights(const std::vector<std::vector<double>>& psi) {
  VectorXd psi1(static_cast<Eigen::Index>(psi.size()));
  for (std::size_t g = 0; g < psi.size(); ++g) psi1(static_cast<Eigen::Index>(g)) = psi[g].size() > 1 ? psi[g][1] : 0.0;
  return psi1;
}

MatrixXd innovation_covariance(const CrossGaugeModel& m) {
  const VectorXd s = Eigen::Map<const VectorXd>(m.innovation_scale.data(), static_cast<Eigen::Index>(m.innovation_scale.size()));
  return s.asDiagonal() * m.innovations.correlation * s.asDiagonal();
}

MatrixXd innovation_series(const std::vector<GaugeAnnualModel>& gauges) {
  const auto years = static_cast<Eigen::Index>(gauges.front().arma.standardised.size());
  MatrixXd series(years, static_cast<Eigen::Index>(gauges.size()));
  for (std::size_t g = 0; g < gauges.size(); ++g)
    for (Eigen::Index t = 0; t < years; ++t)
      series(t, static_cast<Eigen::Index>(g)) = gauges[g].modelled() ? gauges[g].arma.standardised[static_cast<std::size_t>(t)] : 0.0;
  return series;
}

// The start matrices. With w = y - e (the part of y made of earlier innovations), the
// lag-two state is e2 ~ N(0, S) and w2 ~ N(0, S o W), independent; and
//   w1 = A w2 + diag(psi1) e2 + r,  A = Cov(w1, w2) Cov(w2)^+,
// with r independent of both. The generator forms y2 = e2 + CMAT3 eps and
// y1 = e1 + CMAT2 eps - CMAT4 y2 + CMAT5 e2, so CMAT3 = (S o W)^(1/2), CMAT4 = -A,
// CMAT5 = diag(psi1) - A and CMAT2 = Cov(r)^(1/2).
void start_matrices(CrossGaugeModel& m, const std::vector<std::vector<double>>& psi) {
  const MatrixXd sigma = innovation_covariance(m);
  const MatrixXd w2 = covariance_of_sums(sigma, psi, 1, 1);
  const MatrixXd w1_w2 = covariance_of_sums(sigma, psi, 2, 1);
  const VectorXd psi1 = first_weights(psi);
  const MatrixXd A = w1_w2 * pseudo_inverse(w2);
  const MatrixXd residual = w2 - A * w1_w2.transpose() - psi1.asDiagonal() * sigma * psi1.asDiagonal();
  m.cmat3 = square_root(w2);
  m.cmat4 = -A;
  m.cmat5 = MatrixXd(psi1.asDiagonal()) - A;
  m.cmat2 = square_root(0.5 * (residual + residual.transpose()));
}

}  // namespace

MatrixXd sample_correlation(const MatrixXd& series) {
  const MatrixXd centred = series.rowwise() - series.colwise().mean();
  const MatrixXd cov = centred.transpose() * centred;
  const Eigen::Index n = cov.rows();
  MatrixXd r = MatrixXd::Identity(n, n);
  for (Eigen::Index i = 0; i < n; ++i)
    for (Eigen::Index j = 0; j < n; ++j)
      if (i != j && cov(i, i) > 0.0 && cov(j, j) > 0.0) r(i, j) = cov(i, j) / std::sqrt(cov(i, i) * cov(j, j));
  return r;
}

CorrelationRepair nearest_correlation(const MatrixXd& correlation) {
  CorrelationRepair out;
  out.smallest_before = smallest_eigenvalue(correlation);
  out.correlation = correlation;
  if (out.smallest_before >= kSmallestEigenvalue) {
    out.smallest_after = out.smallest_before;
    return out;
  }
  out.repaired = true;
  MatrixXd Y = correlation;
  MatrixXd correction = MatrixXd::Zero(Y.rows(), Y.cols());
  for (out.iterations = 1; out.iterations <= kMaxRepairIterations; ++out.iterations) {
    const MatrixXd R = Y - correction;
    const MatrixXd X = eigenvalues_at_least(R, kSmallestEigenvalue);
    correction = X - R;
    Y = X;
    Y.diagonal().setOnes();
    if ((Y - X).norm() < kRepairTolerance * std::max(1.0, Y.norm())) break;
  }
  // A last projection keeps every eigenvalue at the floor; rescaling restores the diagonal.
  const MatrixXd X = eigenvalues_at_least(Y, kSmallestEigenvalue);
  const VectorXd d = X.diagonal().cwiseSqrt().cwiseInverse();
  out.correlation = d.asDiagonal() * X * d.asDiagonal();
  out.smallest_after = smallest_eigenvalue(out.correlation);
  return out;
}

CrossGaugeModel fit_cross_gauge(const std::vector<GaugeAnnualModel>& gauges) {
  CrossGaugeModel m;
  m.innovations = nearest_correlation(sample_correlation(innovation_series(gauges)));
  const std::vector<std::vector<double>> psi = psi_of(gauges);
  for (const auto& p : psi) {
    double sum = 0.0;
    for (const double v : p) sum += v * v;
    m.innovation_scale.push_back(1.0 / std::sqrt(sum));
  }
  const Eigen::LLT<MatrixXd> llt(innovation_covariance(m));
  m.cmat1 = llt.matrixL();
  start_matrices(m, psi);
  return m;
}

MatrixXd start_state_covariance(const CrossGaugeModel& m) {
  const Eigen::Index n = m.cmat1.rows();
  MatrixXd M = MatrixXd::Zero(4 * n, 4 * n);
  // rows: y2, e2, y1, e1; columns: the four draws of the sequence start.
  M.block(0, 0, n, n) = m.cmat1;
  M.block(0, n, n, n) = m.cmat3;
  M.block(n, 0, n, n) = m.cmat1;
  M.block(2 * n, 0, n, n) = (m.cmat5 - m.cmat4) * m.cmat1;
  M.block(2 * n, n, n, n) = -m.cmat4 * m.cmat3;
  M.block(2 * n, 2 * n, n, n) = m.cmat1;
  M.block(2 * n, 3 * n, n, n) = m.cmat2;
  M.block(3 * n, 2 * n, n, n) = m.cmat1;
  return M * M.transpose();
}

MatrixXd stationary_state_covariance(const std::vector<GaugeAnnualModel>& gauges, const CrossGaugeModel& m) {
  const std::vector<std::vector<double>> psi = psi_of(gauges);
  const MatrixXd sigma = innovation_covariance(m);
  const Eigen::Index n = sigma.rows();
  const MatrixXd g0 = covariance_of_sums(sigma, psi, 0, 0);
  const MatrixXd y1_y2 = covariance_of_sums(sigma, psi, 1, 0);
  const MatrixXd y1_e2 = first_weights(psi).asDiagonal() * sigma;
  MatrixXd C = MatrixXd::Zero(4 * n, 4 * n);
  C.block(0, 0, n, n) = g0;
  C.block(0, n, n, n) = sigma;
  C.block(n, 0, n, n) = sigma;
  C.block(n, n, n, n) = sigma;
  C.block(2 * n, 0, n, n) = y1_y2;
  C.block(0, 2 * n, n, n) = y1_y2.transpose();
  C.block(2 * n, n, n, n) = y1_e2;
  C.block(n, 2 * n, n, n) = y1_e2.transpose();
  C.block(2 * n, 2 * n, n, n) = g0;
  C.block(2 * n, 3 * n, n, n) = sigma;
  C.block(3 * n, 2 * n, n, n) = sigma;
  C.block(3 * n, 3 * n, n, n) = sigma;
  return C;
}

}  // namespace flowplex::fit
