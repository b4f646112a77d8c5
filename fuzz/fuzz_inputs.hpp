#pragma once
// What each fuzz target does with one input, shared by the fuzz targets and the
// regression test that replays the inputs that once made a reader fail. Every function
// writes the bytes to a file in the current directory, calls one reader on it and
// returns; a run ended by the reader (RunEnded) is the normal outcome of a bad input.
// Anything else (another exception, a crash, a sanitizer report) is a fault.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace flowplex::fuzz {

using Input = std::span<const std::uint8_t>;

// The first byte picks what is read from the rest: lines by one of a few fixed-field
// layouts, free-form groups of whole numbers and reals, single fields, or (parsed only)
// a layout notation.
void layout_input(Input data);
// The bytes are the parameter file; the folder holds no series files.
void parameter_file_input(Input data);
// The first byte picks the series type (.INC to .IRR); the rest is the file of the one
// gauge of a fixed record period.
void series_file_input(Input data);
// The bytes are the historic file of slot 1.
void historic_file_input(Input data);
// The bytes are "PARAMFOR.DAT" of a system of five gauges.
void forecast_file_input(Input data);

// The target of the given name ("layout", "parameter_file", "series_file",
// "historic_file", "forecast_file"), or nothing.
using Target = void (*)(Input);
Target target_named(std::string_view name);

}  // namespace flowplex::fuzz
