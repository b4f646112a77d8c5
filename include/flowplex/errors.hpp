#pragma once
// The faults the library reports. Each carries the program's own message, as the command
// line writes it, and where the fault lies in an input file, the file (named relative to
// the river system's folder) and the line.
#include <stdexcept>
#include <string>

namespace flowplex::api {

// A river system, or a file a request reads, that cannot be used as it stands: the
// parameter file, a series file, a historic file, the forecasting parameters, records.
class InputError : public std::runtime_error {
 public:
  explicit InputError(const std::string& message, std::string file = {}, int line = 0)
      : std::runtime_error(message), file_(std::move(file)), line_(line) {}
  // The file the fault lies in (empty where no one file is at fault) and its line (0: none).
  const std::string& file() const { return file_; }
  int line() const { return line_; }

 private:
  std::string file_;
  int line_;
};

// A request outside what the program takes (years outside 1 to 200, an unknown option, an
// empty range), named with the command line's limit.
class RequestError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// A long request stopped through its stop token before it was done.
class Stopped : public std::runtime_error {
 public:
  Stopped() : std::runtime_error("stopped before every realization was made") {}
};

}  // namespace flowplex::api
