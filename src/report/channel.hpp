#pragma once
// Report files bound to their channel numbers. A failed open or write ends the run
// with a message naming the file; nothing is ignored.
#include <fstream>
#include <string>
#include <string_view>

#include "report/writer.hpp"

namespace flowplex {

class Channel : public LineWriter {
 public:
  Channel(int number, std::string name) : number_(number), name_(std::move(name)) {}
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;

  // Opens the channel on its file, created or rewritten (or on another name).
  void open_new();
  void open_new(const std::string& name);
  // Flushes and closes; a failed flush ends the run. Closing a closed channel does nothing.
  void close();
  // Flushes and closes without ending the run; false when the file could not be written.
  bool close_quietly();

  bool is_open() const { return file_.is_open(); }
  int number() const { return number_; }
  const std::string& name() const { return name_; }

 protected:
  void emit(std::string_view lines) override;

 private:
  [[noreturn]] void fail_write();
  int number_;
  std::string name_;
  std::ofstream file_;
};

// The report channels of a run, by number: 16 "SEQPROBE.ANS", 8 "SEQPROBE.PIN",
// 9 "SEQPROBE.PN2", 11 "GAUGE.ANN", 27 "FORECAST.TXT".
class Channels {
 public:
  Channels();
  Channel& unit(int number);
  // Opens 16, 8, 9 and 11, created or rewritten.
  void open_reports();
  // Flushes and closes every open channel; returns the names of the files that could
  // not be written (empty when all were). Used at every end of a run, normal or not.
  std::string close_all();

 private:
  Channel c16_, c8_, c9_, c11_, c27_;
};

}  // namespace flowplex
