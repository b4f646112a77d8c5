#pragma once
// SHA-256 digests, as lower-case hexadecimal text, of bytes in memory and of files.
#include <cstdint>
#include <string>
#include <string_view>

namespace flowplex {

std::string sha256_hex(std::string_view bytes);

// The digest and size of a file's bytes, read in blocks. A file that cannot be read
// ends the run naming it.
struct FileDigest {
  std::uintmax_t size = 0;
  std::string sha256;
};
FileDigest digest_file(const std::string& path);

}  // namespace flowplex
