#pragma once
// What many tests need: a scratch working directory, reading a whole file, counting what
// a text holds, and a step that must end the run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "report/run_ended.hpp"

namespace flowplex::testing {

// A temporary working directory for one test: created empty and named after the test,
// made the current directory while the test runs (reports and input files are looked
// for there), removed afterwards.
class ScratchDir {
 public:
  ScratchDir()
      : path_(std::filesystem::temp_directory_path() /
              ("flowplex_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->test_suite_name() + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name())),
        previous_(std::filesystem::current_path()) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::filesystem::current_path(previous_);
    std::filesystem::remove_all(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
};

inline std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// How many times `what` stands in `text`, the occurrences not overlapping.
inline int count(const std::string& text, const std::string& what) {
  int n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// Runs step, expecting it to end the run as failed; returns the run's message.
inline std::string run_failure(const std::function<void()>& step) {
  try {
    step();
  } catch (const RunEnded& e) {
    EXPECT_EQ(e.status(), ExitStatus::RunFailed);
    return e.message();
  }
  ADD_FAILURE() << "the run did not end";
  return {};
}

}  // namespace flowplex::testing
