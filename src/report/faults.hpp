#pragma once
// What a reader does with a fault in its input. A run ends at the first fault, with the
// fault's own message, as it always has. A check of a river system notes every fault
// and lets the reader go on where it can: at the next record of the same file, at the
// next gauge, at the next file.
#include <functional>
#include <string>
#include <vector>

namespace flowplex {

// A fault noted by a check: the message the run would have ended with, and the gauge
// whose file it was found in (0 where no gauge's file was being read).
struct Fault {
  std::string message;
  int gauge = 0;
  std::string file;  // the file it was found in, where known, and the line (0: none)
  int line = 0;
};

class Faults {
 public:
  // The policy of every run: the first fault ends it.
  static Faults& ending();
  // A policy that notes every fault, for a check.
  static Faults noting() { return Faults(true); }

  // Runs step. A fault in it (a RunEnded) ends the run; when faults are noted, it is
  // noted instead, against the gauge, and false is returned.
  bool carry_on(const std::function<void()>& step, int gauge = 0);

  bool noted_any() const { return !noted_.empty(); }
  const std::vector<Fault>& noted() const { return noted_; }

 private:
  explicit Faults(bool noting) : noting_(noting) {}
  bool noting_;
  std::vector<Fault> noted_;
};

}  // namespace flowplex
