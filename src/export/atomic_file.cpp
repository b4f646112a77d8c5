#include "export/atomic_file.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "report/interruption.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

namespace fs = std::filesystem;

// The permissions a file created in the ordinary way would get: mkstemp makes its file
// private to the owner, which the finished output must not stay.
mode_t ordinary_permissions() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(0);
    ::umask(m);
    return m;
  }();
  return static_cast<mode_t>(0666 & ~mask);
}

// The hidden name pattern beside the final file: "<folder>/.<name>.XXXXXX".
std::string temporary_pattern(const std::string& path) {
  const fs::path p(path);
  return (p.parent_path() / ("." + p.filename().string() + ".XXXXXX")).string();
}

}  // namespace

TemporaryFile::TemporaryFile(std::string path, std::string what) : path_(std::move(path)), what_(std::move(what)) {
  std::error_code error;
  if (fs::is_directory(path_, error)) fail("CREATE", "A FOLDER OF THAT NAME IS IN THE WAY");
  std::string pattern = temporary_pattern(path_);
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = interruption::make_temporary(name.data());
  if (fd < 0) fail("CREATE", system_reason(errno));
  temporary_ = name.data();
  if (::fchmod(fd, ordinary_permissions()) != 0) {
    // The destructor does not run for a file that was never made whole: it goes here.
    const int error = errno;
    ::close(fd);
    ::unlink(temporary_.c_str());
    interruption::drop_temporary(temporary_);
    fail("CREATE", system_reason(error));
  }
  descriptor_ = fd;
}

TemporaryFile::~TemporaryFile() {
  if (descriptor_ >= 0) ::close(descriptor_);
  if (final_ || temporary_.empty()) return;
  ::unlink(temporary_.c_str());
  interruption::drop_temporary(temporary_);
}

int TemporaryFile::take_descriptor() {
  const int fd = descriptor_;
  descriptor_ = -1;
  return fd;
}

int TemporaryFile::create_by_name(const std::function<int(const char*)>& create) const {
  int result = 0;
  interruption::create_by_name([&] { result = create(temporary_.c_str()); });
  return result;
}

void TemporaryFile::make_final() {
  std::error_code error;
  if (fs::is_directory(path_, error)) fail("WRITE", "A FOLDER OF THAT NAME IS IN THE WAY");
  if (::rename(temporary_.c_str(), path_.c_str()) != 0) fail("WRITE", system_reason(errno));
  final_ = true;
  interruption::drop_temporary(temporary_);
}

void TemporaryFile::fail(std::string_view doing, std::string_view reason) const {
  export_failed(doing, what_, path_, reason);
}

AtomicTextFile::AtomicTextFile(std::string path, std::string what) : file_(std::move(path), std::move(what)) {
  // Through the descriptor the file was made with: never opened again by name.
  const int fd = file_.take_descriptor();
  stream_ = ::fdopen(fd, "wb");
  if (stream_ == nullptr) {
    const int error = errno;
    ::close(fd);
    file_.fail("CREATE", system_reason(error));
  }
  static constexpr std::size_t kBlock = 1 << 20;
  std::setvbuf(stream_, nullptr, _IOFBF, kBlock);
}

AtomicTextFile::~AtomicTextFile() {
  if (stream_ != nullptr) std::fclose(stream_);
}

void AtomicTextFile::write(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stream_) != bytes.size()) file_.fail("WRITE", system_reason(errno));
  digest_.add(bytes);
}

void AtomicTextFile::close() {
  if (stream_ == nullptr) return;
  const bool flushed = std::fflush(stream_) == 0;
  const int flush_error = errno;
  const bool closed = std::fclose(stream_) == 0;
  const int close_error = errno;
  stream_ = nullptr;
  if (!flushed) file_.fail("WRITE", system_reason(flush_error));
  if (!closed) file_.fail("WRITE", system_reason(close_error));
}

FileDigest AtomicTextFile::make_final() {
  close();
  file_.make_final();
  return digest_.final();
}

}  // namespace flowplex
