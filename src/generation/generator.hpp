#pragma once
// The stochastic generator: one call makes one year of monthly flows for every gauge
// of the parameter file into the sequence's STOQ.QMONTH, or runs its stream on by whole
// years. It reads the river system and changes only the generator state it is given.
#include <span>

#include "flowplex/year_hook.hpp"
#include "report/console.hpp"
#include "store/disaggregation_mode.hpp"
#include "store/generator_state.hpp"
#include "store/store.hpp"

namespace flowplex {

// Deviates one generated year (or month of the forecasting mode) accounts for.
inline constexpr int kYearDeviates = kDeviates;
// Warm-up years of the rigorous sequence start.
inline constexpr int kWarmUpYears = 200;
// Years of draws every sequence accounts for, whatever the years asked for: the
// generation loop runs each sequence on to this many with a run-off call.
inline constexpr int kYearsDrawnPerSequence = 201;

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

// The annual flow of modelled gauge g whose ARMA output (the standardised normalised
// value before its scaling by the gauge's mean and deviation) is y: the compression of
// the upper tail, the zero-flow share and the inverse transform, as each year meets them.
double annual_flow_of_arma_value(const RiverSystem& river, int g, double y);

// Fills EPS(1..count) with fresh deviates of the sequence's stream.
void draw_deviates(GeneratorState& state, int count);

// Loads the parameter file and the series once per run (river.loaded), the series
// files on up to `threads` threads.
void ensure_loaded(RiverSystem& river, Console& con, int threads = 1);

// One generated year of every gauge into state.STOQ.QMONTH; with NEWSEQ = 1 the sequence
// starts first. Sequences differ only by their place in the stream. The river system
// must be loaded (and, for the forecasting mode, its forecasting model read). The hook,
// when given, acts between the year's annual flows and its months (rigorous and
// bootstrap years).
void anskom(const RiverSystem& river, GeneratorState& state, LineWriter& con, GenerationOption option,
            Disaggregation mode = Disaggregation::standard, const YearHook* hook = nullptr);

// Runs the sequence's stream on by `years` whole years of the option without making them
// (starting the sequence first when NEWSEQ = 1), so that every sequence accounts for the
// same draws whatever the years asked for.
void run_off(const RiverSystem& river, GeneratorState& state, LineWriter& con, GenerationOption option, int years);

// The deviates one sequence of the option draws, its start and its run-off included.
long long deviates_per_sequence(int IOPT);

// Whether every sequence of the option depends on the river system and its place in the
// stream alone. Options without a sequence start (any IOPT but 0 to 3) carry the lags of
// the sequence before; so do the rigorous years where a key gauge has no annual model,
// since the nearest-year search reads that gauge's annual flow of the year before.
bool sequences_stand_alone(const RiverSystem& river, int IOPT);

// A fresh generator state whose stream stands where sequence seq of the option starts,
// computed directly from the stream as the start-up left it.
GeneratorState state_at_sequence_start(const StdatBlock& startup, int IOPT, int seq);

}  // namespace flowplex
