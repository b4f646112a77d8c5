#pragma once
// The inverse marginal transforms of the annual model (the four Johnson families) and
// the search for the historical year nearest to a stochastic year at the key gauges.
#include "store/generator_state.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Error codes that ajv sets in IERR.
inline constexpr int kTransformDone = 0;
inline constexpr int kTransformUnknownType = 1;   // ITYPE not 1 to 4
inline constexpr int kTransformZeroScale = 2;     // P2 = 0: the normal scale is undefined
inline constexpr int kTransformNotFinite = 3;     // the flow overflowed (or a parameter is not finite)

// The flow whose normalised value is X under transform ITYPE (1 SL, 2 SU, 3 SB, 4 SN)
// with parameters gamma P1, delta P2, lambda P3, xi P4. A negative flow comes back
// reflected and shrunk tenfold. On any error IERR is set and the flow is 0.
double ajv(double X, int ITYPE, double P1, double P2, double P3, double P4, int& IERR);

// Sets in.IYSEL to the stored year (1 to NCOMMON) whose annual incremental flows at
// the key gauges lie nearest, in the sum of squares, to Q; among equal sums the latest.
// When no distance is within 1.0E15 the nearest finite one is taken, and when none is
// finite the latest year. Ends the run when no year is stored.
void mindq(const RiverSystem& river, IndicBlock& in, const Arr<double, kMaxGauges>& Q);

}  // namespace flowplex
