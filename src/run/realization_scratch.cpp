#include "run/realization_scratch.hpp"

#include <sys/types.h>
#include <unistd.h>

#include <cerrno>

#include "report/file_fault.hpp"
#include "report/interruption.hpp"

namespace flowplex {

bool RealizationScratch::needed(const RunState& run) {
  return run.NSEL > 0 && run.REALIZATIONS.holds_tested() && run.REALIZATIONS.last > kSequences;
}

RealizationScratch::RealizationScratch(const RunState& run)
    : NSEL_(run.NSEL), NYS_(run.NYS), IGLIST_(run.IGLIST.span(run.NSEL, 1).begin(), run.IGLIST.span(run.NSEL, 1).end()) {
  std::string pattern = "./.realizations.XXXXXX";
  const int fd = interruption::make_temporary(pattern.data());
  if (fd < 0) export_failed("MAKE", "SCRATCH FILE", pattern, system_reason(errno));
  path_ = pattern;
  file_ = ::fdopen(fd, "w+b");
  if (file_ == nullptr) {
    // The destructor does not run for a file that never opened: it goes here.
    const int error = errno;
    ::close(fd);
    ::unlink(path_.c_str());
    interruption::drop_temporary(path_);
    failed("OPEN", error);
  }
  block_.resize(static_cast<std::size_t>(block_floats()));
}

RealizationScratch::~RealizationScratch() {
  if (file_ != nullptr) std::fclose(file_);
  ::unlink(path_.c_str());
  interruption::drop_temporary(path_);
}

long RealizationScratch::block_floats() const { return static_cast<long>(NSEL_) * NYS_ * kMonths; }

void RealizationScratch::failed(const char* doing, int error) const {
  export_failed(doing, "SCRATCH FILE", path_, system_reason(error));
}

void RealizationScratch::add(int seq, const GeneratedSequence& made) {
  std::size_t i = 0;
  for (const int g : IGLIST_)
    for (int y = 1; y <= NYS_; ++y)
      for (int m = 1; m <= kMonths; ++m) block_[i++] = made.at(g, m, y);
  if (std::fwrite(block_.data(), sizeof(float), block_.size(), file_) != block_.size()) failed("WRITE", errno);
  last_ = seq;
}

void RealizationScratch::finish_writing() {
  if (std::fflush(file_) != 0) failed("WRITE", errno);
}

void RealizationScratch::read(int seq, int k, std::vector<float>& months) const {
  const long series = static_cast<long>(NYS_) * kMonths;
  const off_t at = (static_cast<off_t>(seq - kSequences - 1) * block_floats() + (k - 1) * series) *
                   static_cast<off_t>(sizeof(float));
  months.resize(static_cast<std::size_t>(series));
  const auto bytes = static_cast<ssize_t>(months.size() * sizeof(float));
  const ssize_t got = ::pread(::fileno(file_), months.data(), static_cast<std::size_t>(bytes), at);
  if (got != bytes) failed("READ", got < 0 ? errno : EIO);
}

}  // namespace flowplex
