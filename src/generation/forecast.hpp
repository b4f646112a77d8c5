#pragma once
// The forecasting mode: a monthly autoregressive model of order 4 on standardised log
// flows, continuing the current water year from its last recorded month. Every month,
// recorded or generated, accounts for exactly 500 deviates of the stream.
#include <string>

#include "report/faults.hpp"
#include "store/generator_state.hpp"
#include "store/river_system.hpp"

namespace flowplex {

inline const std::string kForecastFile = "PARAMFOR.DAT";

// Reads the forecasting parameters and recorded flows of every gauge into FORE.
// A missing or malformed file or a zero monthly standard deviation ends the run; in a
// check a fault is noted and reading goes on with the next record.
void read_forecast_file(RiverSystem& river, const std::string& name, Faults& faults = Faults::ending());

// From the flows read: the first month to generate (MSTART, which it returns) and the
// lags from the four months before it (ZSTART). A recorded flow that is not positive
// where its logarithm is needed ends the run, as does (after the box of six lines) a
// current year with no month marked missing.
int set_forecast_start(RiverSystem& river);

// Reads kForecastFile from the river system's folder and sets the start every sequence
// makes from it, once before the first sequence.
void load_forecast_model(RiverSystem& river);

// Sequence start: takes the starting lags, copies the recorded months of the current
// year and generates the remaining months into QMONTH.
void forecast_start(const RiverSystem& river, GeneratorState& state);

// The next twelve generated months of every gauge into QMONTH.
void forecast_year(const RiverSystem& river, GeneratorState& state);

}  // namespace flowplex
