#pragma once
// SHA-256 digests, as lower-case hexadecimal text, of bytes in memory and of files.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace flowplex {

std::string sha256_hex(std::string_view bytes);

struct FileDigest {
  std::uintmax_t size = 0;
  std::string sha256;
};

// A digest formed piece by piece, as a file is written.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void add(std::string_view bytes);
  // The digest of everything added and its length; the digest cannot be added to after.
  FileDigest final();

 private:
  struct Context;
  std::unique_ptr<Context> context_;
  std::uintmax_t size_ = 0;
};

// The digest and size of a file's bytes, read in blocks. A file that cannot be read
// ends the run naming it.
FileDigest digest_file(const std::string& path);

}  // namespace flowplex
