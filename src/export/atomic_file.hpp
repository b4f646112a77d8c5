#pragma once
// Files that appear whole or not at all: each is written under a temporary name in its
// own folder and renamed to its final name only when complete, so that a reader never
// finds half a file and a file already under the final name stays as it was until the
// new one replaces it.
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "export/digest.hpp"
#include "report/file_fault.hpp"

namespace flowplex {

// A temporary file beside `path`, removed again unless it was made final.
class TemporaryFile {
 public:
  // `what` names the kind of file in messages ("NETCDF FILE", "CSV FILE"). A folder that
  // does not let the file be made, or a folder standing under the final name, ends the run.
  // The file is made open: its descriptor is kept until take_descriptor() or the end.
  TemporaryFile(std::string path, std::string what);
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& path() const { return path_; }
  const std::string& temporary() const { return temporary_; }
  const std::string& what() const { return what_; }

  // The open descriptor of the temporary file, now the caller's to close (-1 once taken).
  // Writing through it, rather than opening the file again by name, means that an
  // interruption which removed the file cannot have it made again.
  int take_descriptor();
  // For a library that can only make its file by name (nc_create): create(temporary()) runs
  // under the lock of interruption::create_by_name, and its result is returned.
  int create_by_name(const std::function<int(const char*)>& create) const;

  // The complete file takes its final name; ends the run when it cannot.
  void make_final();
  // Ends the run naming the final file and what failed.
  [[noreturn]] void fail(std::string_view doing, std::string_view reason) const;

 private:
  std::string path_;
  std::string what_;
  std::string temporary_;
  int descriptor_ = -1;
  bool final_ = false;
};

// A text file written through a temporary file, in large blocks, digested as it is written.
class AtomicTextFile {
 public:
  AtomicTextFile(std::string path, std::string what);
  ~AtomicTextFile();
  AtomicTextFile(const AtomicTextFile&) = delete;
  AtomicTextFile& operator=(const AtomicTextFile&) = delete;

  const std::string& path() const { return file_.path(); }
  // A failed write ends the run naming the file.
  void write(std::string_view bytes);
  // Flushes and closes the temporary file; ends the run when either fails.
  void close();
  // Closes the file if still open and renames it; ends the run when any of it fails.
  // Returns the size and digest of what was written.
  FileDigest make_final();

 private:
  TemporaryFile file_;
  std::FILE* stream_ = nullptr;
  Sha256 digest_;
};

}  // namespace flowplex
