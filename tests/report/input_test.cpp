#include "report/input.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "report/run_ended.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

// Writes the text to a file in the test's scratch directory.
std::string write_file(const std::string& text) {
  std::ofstream("input.txt", std::ios::binary) << text;
  return "input.txt";
}

TEST(FreeGroups, RunOverLinesWithBlanksTabsCommasAndCrlf) {
  testing::ScratchDir dir;
  LineReader in(write_file("3\r\n 1.5,\t2\r\n\r\n -4E1 rest ignored\r\nnext 7\n"), "TEST FILE");
  int n = 0;
  double a = 0, b = 0, c = 0;
  read_group(in, "THE GROUP", {&n, &a, &b, &c});
  EXPECT_EQ(n, 3);
  EXPECT_EQ(a, 1.5);
  EXPECT_EQ(b, 2.0);
  EXPECT_EQ(c, -40.0);
  EXPECT_EQ(in.need("TEXT"), "next 7");
}

TEST(FreeGroups, BadValuesAndEarlyEndNameFileAndLine) {
  testing::ScratchDir dir;
  LineReader in(write_file("1 x\n"), "TEST FILE");
  int a = 0, b = 0;
  try {
    read_group(in, "TWO COUNTS", {&a, &b});
    FAIL();
  } catch (const RunEnded& e) {
    EXPECT_NE(e.message().find("LINE 1: TWO COUNTS: \"x\" IS NOT A WHOLE NUMBER"), std::string::npos);
    EXPECT_EQ(e.status(), ExitStatus::RunFailed);
  }
  LineReader short_file(write_file("1\n"), "TEST FILE");
  EXPECT_THROW(read_group(short_file, "TWO COUNTS", {&a, &b}), RunEnded);
  EXPECT_THROW(LineReader("/nonexistent/file", "PARAMETER FILE"), RunEnded);
}

}  // namespace
}  // namespace flowplex
