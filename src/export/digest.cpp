#include "export/digest.hpp"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>

#include "report/run_ended.hpp"

namespace flowplex {
namespace {

using Context = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Context new_context() {
  Context ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) end_run(" *** CANNOT START A SHA-256 DIGEST ***");
  return ctx;
}

void add(EVP_MD_CTX* ctx, const char* bytes, std::size_t count) {
  if (EVP_DigestUpdate(ctx, bytes, count) != 1) end_run(" *** CANNOT FORM A SHA-256 DIGEST ***");
}

std::string hex_of_final(EVP_MD_CTX* ctx) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> md{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx, md.data(), &length) != 1) end_run(" *** CANNOT FORM A SHA-256 DIGEST ***");
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(2 * length);
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[md[i] >> 4];
    hex += kHex[md[i] & 0xF];
  }
  return hex;
}

}  // namespace

std::string sha256_hex(std::string_view bytes) {
  Context ctx = new_context();
  add(ctx.get(), bytes.data(), bytes.size());
  return hex_of_final(ctx.get());
}

FileDigest digest_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) end_run(" *** CANNOT READ THE FILE " + path + " TO DIGEST IT ***");
  Context ctx = new_context();
  FileDigest d;
  std::array<char, 1 << 16> block{};
  while (in) {
    in.read(block.data(), block.size());
    const auto got = static_cast<std::size_t>(in.gcount());
    add(ctx.get(), block.data(), got);
    d.size += got;
  }
  if (in.bad()) end_run(" *** CANNOT READ THE FILE " + path + " TO DIGEST IT ***");
  d.sha256 = hex_of_final(ctx.get());
  return d;
}

}  // namespace flowplex
