#include "export/csv_file.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>

#include "test_support.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::run_failure;
using testing::ScratchDir;

std::vector<std::string> hidden_files() {
  std::vector<std::string> names;
  for (const auto& f : fs::recursive_directory_iterator("."))
    if (f.path().filename().string().front() == '.') names.push_back(f.path().string());
  return names;
}

TEST(CsvFile, FieldsFollowRfc4180) {
  ScratchDir dir;
  CsvFile csv("table.csv");
  csv.header({"stem", "name", "value"});
  csv.text("KLIP01").text("KLIPRIVIER, \"AT\" WELGEDACHT").number(1.5F).end_row();
  csv.text("line\nend").empty().number(std::optional<float>()).end_row();
  csv.number(std::optional<int>(7)).number(-3).number(-0.0F).end_row();
  csv.make_final();
  EXPECT_EQ(read_file("table.csv"),
            "stem,name,value\r\n"
            "KLIP01,\"KLIPRIVIER, \"\"AT\"\" WELGEDACHT\",1.5\r\n"
            "\"line\nend\",,\r\n"
            "7,-3,-0\r\n");
}

// Every finite float32 is written as the shortest text that reads back as the same bits.
TEST(CsvFile, NumbersAreTheShortestTextThatReadsBackAsTheSameFloat) {
  ScratchDir dir;
  std::vector<float> values{0.1F, 1.0F / 3.0F, 16777216.0F, 3.4028235e38F, 1.17549435e-38F, 1e-45F, 25.8F, 1e20F};
  std::mt19937 bits(15);
  while (values.size() < 20000) {
    const float v = std::bit_cast<float>(static_cast<std::uint32_t>(bits()));
    if (std::isfinite(v)) values.push_back(v);
  }
  {
    CsvFile csv("numbers.csv");
    for (const float v : values) csv.number(v).end_row();
    csv.make_final();
  }
  const std::string text = read_file("numbers.csv");
  EXPECT_EQ(text.substr(0, 42), "0.1\r\n0.33333334\r\n16777216\r\n3.4028235e+38\r\n");
  std::istringstream lines(text);
  std::string line;
  for (const float v : values) {
    ASSERT_TRUE(std::getline(lines, line));
    line.pop_back();  // the CR
    float back = 0.0F;
    std::from_chars(line.data(), line.data() + line.size(), back);
    ASSERT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(v)) << line;
    // Never longer than the nine significant digits that always suffice.
    char nine[64];
    std::snprintf(nine, sizeof nine, "%.9g", static_cast<double>(v));
    EXPECT_LE(line.size(), std::strlen(nine)) << line;
  }
}

TEST(CsvFile, ANumberThatIsNotFiniteEndsTheRunAndLeavesNoFile) {
  ScratchDir dir;
  std::ofstream("table.csv") << "an earlier table";
  {
    CsvFile csv("table.csv");
    csv.header({"value"});
    csv.number(2.0F).end_row();
    EXPECT_EQ(run_failure([&] { csv.number(std::numeric_limits<float>::quiet_NaN()); }),
              " *** CANNOT WRITE THE CSV FILE table.csv: LINE 3 WOULD HOLD A NUMBER THAT IS NOT FINITE ***");
    EXPECT_EQ(run_failure([&] { csv.number(std::numeric_limits<float>::infinity()); }).substr(0, 40),
              " *** CANNOT WRITE THE CSV FILE table.csv");
  }
  EXPECT_EQ(read_file("table.csv"), "an earlier table");
  EXPECT_EQ(hidden_files(), std::vector<std::string>{});
}

// The file appears under its final name whole, with the permissions of an ordinary file,
// and replaces an earlier one only then.
TEST(CsvFile, TheFileTakesItsNameOnlyWhenComplete) {
  ScratchDir dir;
  std::ofstream("table.csv") << "an earlier table";
  CsvFile csv("table.csv");
  for (int i = 0; i < 200000; ++i) csv.number(i).end_row();
  EXPECT_EQ(read_file("table.csv"), "an earlier table");
  EXPECT_EQ(hidden_files().size(), 1U);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  const FileDigest digest = csv.make_final();
  EXPECT_EQ(hidden_files(), std::vector<std::string>{});
  EXPECT_EQ(fs::file_size("table.csv"), digest.size);
  EXPECT_EQ(read_file("table.csv").substr(0, 9), "0\r\n1\r\n2\r\n");
  struct stat st {};
  ::stat("table.csv", &st);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

TEST(CsvFile, AFolderThatIsMissingOrInTheWayEndsTheRunNamingTheFile) {
  ScratchDir dir;
  EXPECT_EQ(run_failure([] { CsvFile("no/such/table.csv"); }),
            " *** CANNOT CREATE THE CSV FILE no/such/table.csv: NO SUCH FILE OR DIRECTORY ***");
  fs::create_directory("table.csv");
  EXPECT_EQ(run_failure([] { CsvFile("table.csv"); }),
            " *** CANNOT CREATE THE CSV FILE table.csv: A FOLDER OF THAT NAME IS IN THE WAY ***");
  // A folder put in the way while the file was being written.
  CsvFile late("late.csv");
  fs::create_directory("late.csv");
  EXPECT_EQ(run_failure([&] { late.make_final(); }),
            " *** CANNOT WRITE THE CSV FILE late.csv: A FOLDER OF THAT NAME IS IN THE WAY ***");
}

}  // namespace
}  // namespace flowplex
