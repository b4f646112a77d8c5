#pragma once
// What the generator changes while it makes one sequence: its random stream, the year
// just made, the nearest-year search and disaggregation state, the ARMA and the
// forecasting recursions. Each sequence being made owns one; two sequences share
// nothing but the river system they read.
#include "store/limits.hpp"

namespace flowplex {

// The random stream.
struct StdatBlock {
  int NEWSEQ = 0;  // 1: the next generator call starts a new sequence
  int IX = 0;
  int IY = 0;
  int IZ = 0;
  // IX, IY, IZ as the current sequence's start left them, as the console shows them; in
  // forecasting mode, which shows none, as they stood when the sequence started.
  Arr<int, 3> ISEQSTART;
};

// The generator's output for the year just made.
struct StoqBlock {
  Arr<double, kMaxGauges, kMonths> QMONTH;
  // The stored position of the historical year it was built from: the nearest year, or
  // the bootstrap's draw (0 in forecasting mode, which follows no historical year).
  int IYUSED = 0;
};

// State of the nearest-year search and the disaggregation, kept between calls.
struct IndicBlock {
  double W1 = 0.0, W2 = 0.0;
  int IN1 = 0, IN2 = 0;
  int IYSEL = 0;  // stored year chosen by the nearest-year search
  char CLASS = ' ';
  Arr<int, 2> INR;
  int IRANK = 0;
  int NEGMONTHS = 0;  // negative-month counter of the extended mode
};

// The annual model's recursion and the working values of the current year, by gauge
// unless said.
struct AnnualRecursion {
  Arr<double, kMaxGauges> YLAG1, ELAG1;
  Arr<double, kMaxGauges> YLAG2, ELAG2;
  Arr<double, kMaxGauges> YNEW;
  Arr<double, kMaxGauges> EVEC;  // innovations of the current year (or noise of the month)
  Arr<double, kDeviates> EPS;    // normal deviates of the current year or month
  Arr<double, kMonths> QMON;     // monthly flows of the gauge being disaggregated
  Arr<double, kMonths> RAINMON;  // its monthly rainfall (extended mode only)
  Arr<double, kMaxGauges> QANN;  // stochastic annual flow of the current year
};

// The forecasting mode's recursion.
struct ForecastRecursion {
  Arr<double, kMaxGauges, 4> ZLAG;  // 1 = most recent month
};

struct GeneratorState {
  StdatBlock STDAT;
  StoqBlock STOQ;
  IndicBlock INDIC;
  AnnualRecursion ANN;
  ForecastRecursion FORE;
};

}  // namespace flowplex
