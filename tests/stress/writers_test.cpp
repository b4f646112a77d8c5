#include <gtest/gtest.h>
#include <netcdf.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "flowplex/errors.hpp"
#include "stress/combine.hpp"
#include "stress/small_surface.hpp"
#include "stress/surface_csv.hpp"
#include "stress/surface_netcdf.hpp"
#include "stress/surface_page.hpp"
#include "test_support.hpp"

namespace flowplex::stress {
namespace {

namespace fs = std::filesystem;
using flowplex::testing::count;
using flowplex::testing::read_file;
using flowplex::testing::run_failure;
using flowplex::testing::ScratchDir;
using testing::same_bits;
using testing::small_design;
using testing::tagged_figures;
using Texts = std::vector<std::string>;

// What stands in the folder and below it, sorted.
Texts listing(const fs::path& folder) {
  Texts names;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) names.push_back(fs::relative(entry.path(), folder).generic_string());
  std::sort(names.begin(), names.end());
  return names;
}

void make_final(FinalNames& finals) {
  for (const auto& f : finals) f();
  finals.clear();
}

// A variable as the netCDF library reads it: "name=length" of each dimension, and its
// numbers (none for text); no dimension at all where the file lacks it.
struct Variable {
  Texts dimensions;
  std::vector<double> values;
};

Variable variable(const std::string& path, const char* name) {
  Variable v;
  int id = 0, var = 0, n = 0, dims[NC_MAX_VAR_DIMS];
  nc_type type = NC_NAT;
  EXPECT_EQ(nc_open(path.c_str(), NC_NOWRITE, &id), NC_NOERR) << path;
  if (nc_inq_varid(id, name, &var) == NC_NOERR && nc_inq_var(id, var, nullptr, &type, &n, dims, nullptr) == NC_NOERR) {
    std::size_t size = 1;
    for (int i = 0; i < n; ++i) {
      char dim[NC_MAX_NAME + 1];
      std::size_t length = 0;
      nc_inq_dim(id, dims[i], dim, &length);
      v.dimensions.push_back(std::string(dim) + "=" + std::to_string(length));
      size *= length;
    }
    if (type != NC_STRING) {
      v.values.resize(size);
      EXPECT_EQ(nc_get_var_double(id, var, v.values.data()), NC_NOERR) << name;
    }
  }
  nc_close(id);
  return v;
}

class StressWriters : public ::testing::Test {
 protected:
  ScratchDir dir_;
  const Design design_ = small_design();
  const Surface whole_ = surface_of(design_, tagged_figures(design_, 1, 10));
};

// ---- the NetCDF file ---------------------------------------------------------------------

TEST_F(StressWriters, NetcdfFileReadsBackAsItsDesignAndFigures) {
  FinalNames finals;
  write_netcdf("surface.nc", whole_, finals);
  // Named scenarios keep no grid factors; without storages the storage axis is empty.
  Design named = design_;
  named.grid = false;
  for (ScenarioLabel& l : named.scenarios) l.mean_factor = l.cv_factor = std::nullopt;
  named.storages.clear();
  named.projections.clear();
  write_netcdf("named.nc", surface_of(named, tagged_figures(named, 1, 4)), finals);
  make_final(finals);
  const Shard back = read_shard("surface.nc");
  EXPECT_EQ(back.design, design_);
  EXPECT_EQ(back.figures.first, 1);
  EXPECT_EQ(back.figures.last, 10);
  EXPECT_TRUE(same_bits(back.figures.required_storage, whole_.figures.required_storage));
  EXPECT_EQ(back.figures.droughts, whole_.figures.droughts);
  EXPECT_EQ(read_shard("named.nc").design, named);
  EXPECT_TRUE(variable("named.nc", "mean_factor").dimensions.empty());
}

TEST_F(StressWriters, NetcdfFileHoldsTheTablesUnderTheirDimensions) {
  FinalNames finals;
  write_netcdf("surface.nc", whole_, finals);
  make_final(finals);
  const auto dimensions = [](const char* name) { return variable("surface.nc", name).dimensions; };
  EXPECT_EQ(dimensions("scenario_name"), Texts{"scenario=3"});
  EXPECT_EQ(dimensions("mean_factor"), Texts{"scenario=3"});
  EXPECT_EQ(dimensions("cv_factor"), Texts{"scenario=3"});
  EXPECT_EQ(dimensions("slot_mean_factor"), (Texts{"scenario=3", "slot=2"}));
  EXPECT_EQ(dimensions("reliability_of_storage"), (Texts{"scenario=3", "slot=2", "yield_level=3", "storage=2"}));
  EXPECT_EQ(dimensions("required_storage"), (Texts{"scenario=3", "realization=10", "slot=2", "yield_level=3"}));
  for (const char* median : {"median_events_per_century", "median_mean_duration", "median_longest_duration", "median_largest_deficit"})
    EXPECT_EQ(dimensions(median), (Texts{"scenario=3", "slot=2"})) << median;
  // Slot 2 fails in one of ten realizations: at 95 % no storage suffices, NaN.
  const Variable at = variable("surface.nc", "storage_at_reliability");
  EXPECT_EQ(at.dimensions, (Texts{"scenario=3", "slot=2", "yield_level=3", "reliability=2"}));
  EXPECT_EQ(std::vector<double>(at.values.begin(), at.values.begin() + 7), (std::vector<double>{9, 10, 109, 110, 209, 210, 10.5}));
  EXPECT_TRUE(std::isnan(at.values[7]));
  // 55 % MAR at a mean factor of 0.55 is not sustainable, nor 100 % at 0.55 or 1.
  const Variable flags = variable("surface.nc", "sustainable");
  EXPECT_EQ(flags.dimensions, (Texts{"scenario=3", "slot=2", "yield_level=3"}));
  EXPECT_EQ(flags.values, (std::vector<double>{1, 0, 0, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 0}));
}

TEST_F(StressWriters, ShardFilesHoldFiguresAloneAndCombineIntoTheWhole) {
  FinalNames finals;
  write_netcdf("a.nc", Surface{design_, tagged_figures(design_, 6, 10), {}}, finals);
  write_netcdf("b.nc", Surface{design_, tagged_figures(design_, 1, 5), {}}, finals);
  make_final(finals);
  EXPECT_TRUE(variable("a.nc", "storage_at_reliability").dimensions.empty());
  EXPECT_EQ(variable("a.nc", "realization").values, (std::vector<double>{6, 7, 8, 9, 10}));
  const Shard whole = combined({"a.nc", "b.nc"}, {read_shard("a.nc"), read_shard("b.nc")});
  EXPECT_TRUE(same_bits(whole.figures.required_storage, whole_.figures.required_storage));
  EXPECT_EQ(whole.figures.droughts, whole_.figures.droughts);
}

TEST_F(StressWriters, AFileThatIsNoStressTestIsRefusedByName) {
  std::ofstream("table.csv") << "a,b\n1,2\n";
  int id = 0;
  ASSERT_EQ(nc_create("other.nc", NC_NETCDF4, &id), NC_NOERR);
  nc_close(id);
  for (const auto& [file, why] : {std::pair{"table.csv", "it cannot be read as a NetCDF file"},
                                  std::pair{"other.nc", "it is not the NetCDF file of a stress test"}}) {
    try {
      read_shard(file);
      ADD_FAILURE() << file << " was read";
    } catch (const api::RequestError& e) {
      EXPECT_EQ(std::string(e.what()), std::string(file) + ": " + why);
    }
  }
}

// ---- the CSV tables ----------------------------------------------------------------------

Texts lines_of(const std::string& file) {
  Texts lines;
  std::istringstream in(read_file(file));
  for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find('\r')));
  return lines;
}

TEST_F(StressWriters, CsvTablesHoldARowPerCellWithTheirHeaders) {
  FinalNames finals;
  write_csv("tables", whole_, finals);
  make_final(finals);
  EXPECT_EQ(listing("tables"), (Texts{"droughts.csv", "reliability_of_storage.csv", "scenarios.csv", "storage_at_reliability.csv"}));
  const Texts storage = lines_of("tables/storage_at_reliability.csv");
  ASSERT_EQ(storage.size(), 1U + 3 * 2 * 3 * 2);
  EXPECT_EQ(storage[0],
            "scenario,mean_factor,cv_factor,slot,gauge,name,yield_percent,sustainable,reliability_percent,"
            "storage_percent_mar,storage_volume");
  EXPECT_EQ(storage[1], "\"mean=0.55,cv=1\",0.55,1,1,2,UPPER,50,yes,90,9,18");
  EXPECT_EQ(storage[3].rfind("\"mean=0.55,cv=1\",0.55,1,1,2,UPPER,55,not sustainable,90,109,", 0), 0U) << storage[3];
  EXPECT_EQ(storage[8], "\"mean=0.55,cv=1\",0.55,1,2,5,LOWER DAM,50,yes,95,,");
  const Texts reliability = lines_of("tables/reliability_of_storage.csv");
  ASSERT_EQ(reliability.size(), 1U + 3 * 2 * 3 * 2);
  EXPECT_EQ(reliability[1], "\"mean=0.55,cv=1\",0.55,1,1,2,UPPER,50,yes,4.5,9,40");
  EXPECT_EQ(reliability[2], "\"mean=0.55,cv=1\",0.55,1,1,2,UPPER,50,yes,5,10,50");
  EXPECT_EQ(lines_of("tables/droughts.csv").size(), 1U + 3 * 2 * 4);
  EXPECT_EQ(lines_of("tables/scenarios.csv").at(5), "\"mean=1,cv=1\",1,1,1,2,UPPER,1,200,10");
}

// ---- nothing left behind -------------------------------------------------------------------

TEST_F(StressWriters, OutputsTakeTheirNamesTogetherOrLeaveNothing) {
  {
    FinalNames finals;
    write_netcdf("surface.nc", whole_, finals);
    write_csv("out/tables", whole_, finals);
    write_page("surface.html", whole_, finals);
    EXPECT_FALSE(fs::exists("surface.nc") || fs::exists("out/tables/scenarios.csv") || fs::exists("surface.html"));
  }
  // Never made final: the temporary files are gone, and the folders made for them.
  EXPECT_EQ(listing(dir_.path()), Texts{});
  // The page fails after the file and the tables are written: none of them stays.
  fs::create_directory("taken.html");
  const std::string message = run_failure([&] {
    FinalNames finals;
    write_netcdf("surface.nc", whole_, finals);
    write_csv("out/tables", whole_, finals);
    write_page("taken.html", whole_, finals);
  });
  EXPECT_NE(message.find("taken.html"), std::string::npos) << message;
  std::ofstream("tables") << "in the way";
  EXPECT_NE(run_failure([&] {
              FinalNames finals;
              write_csv("tables", whole_, finals);
            }).find("A FILE OF THAT NAME IS IN THE WAY"),
            std::string::npos);
  EXPECT_EQ(listing(dir_.path()), (Texts{"tables", "taken.html"}));
}

// ---- the page ------------------------------------------------------------------------------

TEST_F(StressWriters, PageMapsTheGridAndRingsTheBaselineAddedOffIt) {
  // A 2 x 2 grid around (1, 1) that misses it.
  Design d = small_design();
  d.scenarios = {{"mean=0.95,cv=0.9", 0.95, 0.9, {0.95, 0.95}}, {"mean=0.95,cv=1.1", 0.95, 1.1, {0.95, 0.95}},
                 {"mean=1.05,cv=0.9", 1.05, 0.9, {1.05, 1.05}}, {"mean=1.05,cv=1.1", 1.05, 1.1, {1.05, 1.05}},
                 {"mean=1,cv=1", 1.0, 1.0, {1.0, 1.0}}};
  d.yields = {50, 100};
  FinalNames finals;
  write_page("page.html", surface_of(d, tagged_figures(d, 1, 10)), finals);
  make_final(finals);
  const std::string page = read_file("page.html");
  // 2 slots x 2 yields: four maps of four cells, each ringing today's climate.
  EXPECT_EQ(count(page, "<title>mean "), 16);
  EXPECT_EQ(count(page, "<title>mean 1, cv 1"), 0);
  EXPECT_EQ(count(page, "<circle class=\"bl\""), 4);
  // 100 % MAR is beyond the mean factor 0.95: two cells of each slot's map.
  EXPECT_EQ(count(page, ">n/s</text>"), 4);
  // Slot 2 fails in a tenth of the futures: at 95 % none suffices where sustainable.
  EXPECT_EQ(count(page, ">none</text>"), 6);
  EXPECT_EQ(page.find("nan"), std::string::npos);
}

}  // namespace
}  // namespace flowplex::stress
