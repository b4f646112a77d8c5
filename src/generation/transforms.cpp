#include "generation/transforms.hpp"

#include <cmath>
#include <limits>

#include "report/run_ended.hpp"

namespace flowplex {
namespace {

double inverse_of_type(double b, int ITYPE, double P3, double P4) {
  switch (ITYPE) {
    case 1:  // SL
      return P3 * (std::exp(b) + P4);
    case 2:  // SU
      return P3 * (std::exp(b) - 1.0 / std::exp(b)) / 2.0 + P4;
    case 3: {  // SB, with the tanh formed from exp(-|b|) so it cannot overflow
      const double f = std::exp(-std::fabs(b));
      const double T = std::copysign((1.0 - f) / (1.0 + f), b);
      return 0.5 * P3 * (T + 1.0) + P4;
    }
    default:  // SN
      return b;
  }
}

double key_distance(const Store& s, const Arr<double, kMaxGauges>& Q, int n) {
  const SeriesBlock& inc = s.qrec(1);
  double d = 0.0;
  for (int k = 1; k <= s.DSBASE.NKEY; ++k) {
    const int g = s.DSBASE.KEYG(k);
    const double diff = Q(g) - inc.QA(n, g);
    d = d + diff * diff;
  }
  return d;
}

// The latest year whose distance does not exceed the running best, starting from
// `best`; 0 when none does (NaN distances never qualify).
int nearest_year(const Store& s, const Arr<double, kMaxGauges>& Q, double best) {
  int chosen = 0;
  for (int n = 1; n <= s.PARM.NCOMMON; ++n) {
    const double d = key_distance(s, Q, n);
    if (d <= best) {
      chosen = n;
      best = d;
    }
  }
  return chosen;
}

}  // namespace

double ajv(double X, int ITYPE, double P1, double P2, double P3, double P4, int& IERR) {
  if (ITYPE < 1 || ITYPE > 4) {
    IERR = kTransformUnknownType;
    return 0.0;
  }
  if (P2 == 0.0) {
    IERR = kTransformZeroScale;
    return 0.0;
  }
  const double b = (X - P1) / P2;
  const double q = inverse_of_type(b, ITYPE, P3, P4);
  if (!std::isfinite(q)) {
    IERR = kTransformNotFinite;
    return 0.0;
  }
  IERR = kTransformDone;
  if (q < 0.0) return 0.1 * std::fabs(q);
  return q;
}

void mindq(Store& s, const Arr<double, kMaxGauges>& Q) {
  if (s.PARM.NCOMMON < 1) end_run(" NO HISTORICAL YEARS STORED: THE NEAREST YEAR CANNOT BE FOUND");
  int year = nearest_year(s, Q, static_cast<double>(1.0E15f));
  if (year == 0) year = nearest_year(s, Q, std::numeric_limits<double>::infinity());
  if (year == 0) year = s.PARM.NCOMMON;
  s.INDIC.IYSEL = year;
}

}  // namespace flowplex
