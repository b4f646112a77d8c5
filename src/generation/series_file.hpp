#pragma once
// Historical monthly series of the gauges: incremental streamflow, ranked streamflow,
// rainfall, afforestation and irrigation, restricted to the common period.
#include <string>

#include "report/console.hpp"
#include "report/faults.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Series file types, in the order the load step reads them.
inline constexpr int kIncremental = 1;
inline constexpr int kRanked = 2;
inline constexpr int kRainfall = 3;

// Reads the series file of type `type` (1 .INC to 5 .IRR) of every gauge into block:
// the years of the common period, in file order, from position 1 up. A missing file
// is reported and skipped; a file that ends early or holds an unreadable field, that
// repeats a year of the common period, or (incremental, ranked, rainfall) lacks one,
// ends the run; in a check the fault is noted against the gauge and reading goes on
// with the next gauge. Sets NREC of every gauge whose file was found and read. The
// gauges' files are read on up to `threads` threads; the console lines and faults come
// in gauge order all the same.
void readin(RiverSystem& s, LineWriter& con, SeriesBlock& block, int type, Faults& faults = Faults::ending(),
            int threads = 1);

// The name of gauge g's series file of the type: the gauge name's first word and the
// type's extension.
std::string series_file_name(const RiverSystem& s, int g, int type);

// The calendar year of stored position p of gauge k: the rainfall record's year, or,
// where the gauge has no rainfall record, the incremental record's year of the same
// position (the two agree when both files are complete).
int stored_year(const RiverSystem& s, int p, int k);

}  // namespace flowplex
