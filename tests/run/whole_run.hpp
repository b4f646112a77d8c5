#pragma once
// Whole runs of the program on a copy of the example river system, in a scratch
// directory, with the answers given as one string and the console kept for checks.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "run/run.hpp"
#include "test_support.hpp"

namespace flowplex::testing {

class WholeRun : public ::testing::Test {
 protected:
  void SetUp() override {
    namespace fs = std::filesystem;
    for (const auto& f : fs::directory_iterator(fs::path(FLOWPLEX_SOURCE_DIR) / "examples"))
      fs::copy_file(f.path(), dir_.path() / f.path().filename());
  }
  ExitStatus run(const std::string& answers) {
    RunSink none;
    return run(answers, none, 1);
  }
  ExitStatus run(const std::string& answers, RunSink& sink, int threads, RealizationRange realizations = {}) {
    std::istringstream in(answers);
    Console con(in, out_);
    Channels ch;
    auto s = make_store();
    s->RUN.REALIZATIONS = realizations;
    return run_flowplex(*s, con, ch, sink, {}, threads);
  }
  bool said(const std::string& text) const { return out_.str().find(text) != std::string::npos; }

  ScratchDir dir_;
  std::ostringstream out_;
};

}  // namespace flowplex::testing
