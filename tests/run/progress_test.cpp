#include "run/progress.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace flowplex {
namespace {

// Counts what reaches the run's sinks through the progress line.
class CountingSink : public RunSink {
 public:
  void begin_sequence(int) override { ++events; }
  void sequence_made(int, const std::shared_ptr<const GeneratedSequence>&) override { ++events; }
  bool takes_sequences() const override { return true; }
  void commit() override { ++events; }
  void abandon() override { ++events; }
  int events = 0;
};

// The line is drawn in place, steps aside before every console line and comes back
// with the next sequence; every event still reaches the sinks.
TEST(ProgressLine, StepsAsideForTheConsoleAndPassesEveryEventOn) {
  RunDescription run;
  run.realizations = {1, 41, false};
  std::istringstream in;
  std::ostringstream console_out, terminal;
  Console con(in, console_out);
  CountingSink sinks;
  {
    ProgressLine progress(terminal, con, sinks, true);
    const auto erased = [](const std::string& line) { return "\r" + std::string(line.size(), ' ') + "\r"; };
    const std::string line = " GENERATING SEQUENCE 7 OF 41";
    progress.begin_generation(run);
    progress.begin_sequence(7);
    EXPECT_EQ(terminal.str(), "\r" + line);
    con.free("SEQ NO.", 7);
    EXPECT_EQ(terminal.str(), "\r" + line + erased(line));
    progress.sequence_made(7, nullptr);
    EXPECT_EQ(terminal.str(), "\r" + line + erased(line) + "\r" + line);
    EXPECT_TRUE(progress.takes_sequences());  // as the sinks behind it do
    terminal.str("");
    progress.commit();
    const std::string writing = " WRITING THE EXPORT FILES";
    EXPECT_EQ(terminal.str(), erased(line) + "\r" + writing + erased(writing));
    progress.abandon();
  }
  EXPECT_EQ(sinks.events, 4);
  con.free("AFTER");  // the line is gone: the console writes on its own
  EXPECT_EQ(console_out.str(), " SEQ NO.          7\n AFTER\n");
}

}  // namespace
}  // namespace flowplex
