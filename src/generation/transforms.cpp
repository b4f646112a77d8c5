#include "generation/transforms.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <span>

#include "generation/vector_clones.hpp"
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

// The distance of every stored year n = 1..NCOMMON from the key gauges' flows Q: the
// sum over keys, in key order, of the squared differences. The years are summed side by
// side, key after key, so each year's sum keeps its order.
FLOWPLEX_VECTOR_CLONES void key_distances(const RiverSystem& s, const Arr<double, kMaxGauges>& Q, std::span<double> d) {
  const SeriesBlock& inc = s.qrec(1);
  std::fill(d.begin(), d.end(), 0.0);
  for (int k = 1; k <= s.DSBASE.NKEY; ++k) {
    const int g = s.DSBASE.KEYG(k);
    const double q = Q(g);
    const auto annual = inc.QA.span(static_cast<int>(d.size()), 1, g);
    for (std::size_t n = 0; n < d.size(); ++n) {
      const double diff = q - annual[n];
      d[n] = d[n] + diff * diff;
    }
  }
}

// The latest year whose distance does not exceed the running best, starting from
// `best`; 0 when none does (NaN distances never qualify).
int nearest_year(std::span<const double> d, double best) {
  int chosen = 0;
  for (std::size_t n = 0; n < d.size(); ++n) {
    if (d[n] <= best) {
      chosen = static_cast<int>(n) + 1;
      best = d[n];
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

void mindq(const RiverSystem& s, IndicBlock& in, const Arr<double, kMaxGauges>& Q) {
  if (s.PARM.NCOMMON < 1) end_run(" NO HISTORICAL YEARS STORED: THE NEAREST YEAR CANNOT BE FOUND");
  std::array<double, kMaxYears> distance;
  const auto d = std::span(distance).first(static_cast<std::size_t>(std::min(s.PARM.NCOMMON, kMaxYears)));
  key_distances(s, Q, d);
  int year = nearest_year(d, static_cast<double>(1.0E15f));
  if (year == 0) year = nearest_year(d, std::numeric_limits<double>::infinity());
  if (year == 0) year = s.PARM.NCOMMON;
  in.IYSEL = year;
}

}  // namespace flowplex
