#include "report/channel.hpp"

#include "report/run_ended.hpp"

namespace flowplex {

void Channel::open_new() { open_new(name_); }

void Channel::open_new(const std::string& name) {
  name_ = name;
  file_.close();
  file_.clear();
  file_.open(name_, std::ios::out | std::ios::trunc | std::ios::binary);
  if (!file_) end_run(" *** CANNOT CREATE THE REPORT FILE " + name_ + " ***");
}

void Channel::emit(std::string_view lines) {
  if (!file_.is_open()) throw std::logic_error("report file " + name_ + " written before it was opened");
  file_.write(lines.data(), static_cast<std::streamsize>(lines.size()));
  if (!file_) fail_write();
}

bool Channel::close_quietly() {
  if (!file_.is_open()) return true;
  file_.flush();
  const bool good = static_cast<bool>(file_);
  file_.close();
  return good && !file_.fail();
}

void Channel::close() {
  if (!close_quietly()) fail_write();
}

void Channel::fail_write() {
  file_.clear();
  file_.close();
  end_run(" *** CANNOT WRITE THE REPORT FILE " + name_ + " ***");
}

Channels::Channels()
    : c16_(16, "SEQPROBE.ANS"), c8_(8, "SEQPROBE.PIN"), c9_(9, "SEQPROBE.PN2"), c11_(11, "GAUGE.ANN"),
      c27_(27, "FORECAST.TXT") {}

Channel& Channels::unit(int number) {
  switch (number) {
    case 16: return c16_;
    case 8: return c8_;
    case 9: return c9_;
    case 11: return c11_;
    case 27: return c27_;
    default: throw std::logic_error("no report channel " + std::to_string(number));
  }
}

void Channels::open_reports() {
  for (Channel* c : {&c16_, &c8_, &c9_, &c11_}) c->open_new();
}

std::string Channels::close_all() {
  std::string failed;
  for (Channel* c : {&c16_, &c8_, &c11_, &c9_, &c27_})
    if (!c->close_quietly()) failed += (failed.empty() ? "" : " ") + c->name();
  return failed;
}

}  // namespace flowplex
