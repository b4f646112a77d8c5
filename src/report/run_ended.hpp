#pragma once
// How a run ends: the exit status of the program and the exception that carries a
// run-ending message up to the run control.
#include <exception>
#include <string>

namespace flowplex {

enum class ExitStatus : int {
  Success = 0,    // the run did what was asked
  RunFailed = 1,  // the run could not do what was asked (bad input, failed write, ...)
  Usage = 2,      // the program was started wrongly
};

inline int to_int(ExitStatus status) { return static_cast<int>(status); }

// Thrown where the run must end; caught once by the run control, which flushes and
// closes every report file, writes the message to the console and returns the status.
// The message may hold several lines separated by '\n'; each is written as it stands.
// A fault found in an input file also names the file and, where it lies on one, the line.
class RunEnded : public std::exception {
 public:
  RunEnded(std::string message, ExitStatus status, std::string file = {}, int line = 0)
      : message_(std::move(message)), status_(status), file_(std::move(file)), line_(line) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const { return message_; }
  ExitStatus status() const { return status_; }
  const std::string& file() const { return file_; }
  int line() const { return line_; }

 private:
  std::string message_;
  ExitStatus status_;
  std::string file_;
  int line_;
};

// Ends the run as failed with the given console message (several lines allowed).
[[noreturn]] inline void end_run(std::string message) {
  throw RunEnded(std::move(message), ExitStatus::RunFailed);
}

}  // namespace flowplex
