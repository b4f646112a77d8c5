#pragma once
// The forecasting mode: a monthly autoregressive model of order 4 on standardised log
// flows, continuing the current water year from its last recorded month. Every month,
// recorded or generated, accounts for exactly 500 deviates of the stream.
#include <string>

#include "store/store.hpp"

namespace flowplex {

inline const std::string kForecastFile = "PARAMFOR.DAT";

// Reads the forecasting parameters and recorded flows of every gauge into FORE.
// A missing or malformed file, a recorded flow that is not positive where its
// logarithm is needed or a zero monthly standard deviation ends the run.
void read_forecast_file(Store& s, const std::string& name);

// Sequence start: reads kForecastFile from the current directory, copies the recorded
// months of the current year, sets the lags and generates the remaining months into
// QMONTH. Ends the run, after the box of six lines, when no month is marked missing.
void forecast_start(Store& s);

// The next twelve generated months of every gauge into QMONTH.
void forecast_year(Store& s);

}  // namespace flowplex
