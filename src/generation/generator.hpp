#pragma once
// The stochastic generator: one call makes one year of monthly flows for every gauge
// of the parameter file into STOQ.QMONTH, or runs the stream on by whole years.
#include <span>

#include "report/console.hpp"
#include "store/store.hpp"

namespace flowplex {

// Deviates one generated year (or month of the forecasting mode) accounts for.
inline constexpr int kYearDeviates = kDeviates;
// Warm-up years of the rigorous sequence start.
inline constexpr int kWarmUpYears = 200;

using Matrix = Arr<double, kMaxGauges, kMaxGauges>;
using ColumnTops = Arr<int, kMaxGauges>;

// top(j): the first row g of column j of M(1..n, 1..n) that is not zero, n + 1 for a
// column of zeros.
void find_column_tops(const Matrix& M, int n, ColumnTops& top);

// out(g) = sum over j = 1..n of M(g, j) * v(j) for g = 1..n. The rows are formed side
// by side, column after column, so every row's sum keeps its order over j. Column j
// starts at row top(j) (a top of 0 means row 1): the zeros above it are left out,
// which changes no sum, since a sum begun at +0 never becomes -0 and adding a zero
// product of finite factors to anything else leaves it as it is.
void correlate(const Matrix& M, const ColumnTops& top, std::span<const double> v, int n,
               Arr<double, kMaxGauges>& out);

// Fills EPS(1..count) with fresh deviates of the shared stream.
void draw_deviates(Store& s, int count);

// Loads the parameter file and the series once per run (s.loaded).
void ensure_loaded(Store& s, Console& con);

// One generator call. With NEWSEQ = 1 the sequence starts first. NCOUNT 1 makes a year;
// NCOUNT <= 0 advances the stream by -NCOUNT years and leaves NCOUNT positive.
// ISEQ does not affect the flows: sequences differ only by their place in the stream.
void anskom(Store& s, Console& con, int& ISEQ, int& IOPT, int& NCOUNT);

}  // namespace flowplex
