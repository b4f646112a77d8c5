#include "export/digest.hpp"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>

#include "report/run_ended.hpp"

namespace flowplex {
namespace {

using Digest = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

Digest new_context() {
  Digest ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) end_run(" *** CANNOT START A SHA-256 DIGEST ***");
  return ctx;
}

void add_bytes(EVP_MD_CTX* ctx, const char* bytes, std::size_t count) {
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

struct Sha256::Context {
  Digest digest = new_context();
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {}
Sha256::~Sha256() = default;

void Sha256::add(std::string_view bytes) {
  add_bytes(context_->digest.get(), bytes.data(), bytes.size());
  size_ += bytes.size();
}

FileDigest Sha256::final() { return {size_, hex_of_final(context_->digest.get())}; }

std::string sha256_hex(std::string_view bytes) {
  Sha256 digest;
  digest.add(bytes);
  return digest.final().sha256;
}

FileDigest digest_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) end_run(" *** CANNOT READ THE FILE " + path + " TO DIGEST IT ***");
  Sha256 digest;
  std::array<char, 1 << 16> block{};
  while (in) {
    in.read(block.data(), block.size());
    digest.add(std::string_view(block.data(), static_cast<std::size_t>(in.gcount())));
  }
  if (in.bad()) end_run(" *** CANNOT READ THE FILE " + path + " TO DIGEST IT ***");
  return digest.final();
}

}  // namespace flowplex
