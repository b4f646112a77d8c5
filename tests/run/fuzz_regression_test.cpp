// Inputs that once made a reader fail under the fuzzer, replayed through the same
// harness functions the fuzz targets run: each must now end cleanly.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_inputs.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputEndsCleanly) {
  const fs::path folder = fs::path(FLOWPLEX_SOURCE_DIR) / "tests" / "fuzz_regressions";
  int replayed = 0;
  for (const fs::directory_entry& target_folder : fs::directory_iterator(folder)) {
    const fuzz::Target target = fuzz::target_named(target_folder.path().filename().string());
    ASSERT_NE(target, nullptr) << "no fuzz target named " << target_folder.path().filename();
    for (const fs::directory_entry& input : fs::directory_iterator(target_folder)) {
      const std::string text = testing::read_file(input.path());
      const std::vector<std::uint8_t> bytes(text.begin(), text.end());
      testing::ScratchDir scratch;
      EXPECT_NO_THROW(target(bytes)) << input.path();
      ++replayed;
    }
  }
  EXPECT_GT(replayed, 0);
}

}  // namespace
}  // namespace flowplex
