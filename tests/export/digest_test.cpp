#include "export/digest.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "test_support.hpp"

namespace flowplex {
namespace {

using testing::run_failure;
using testing::ScratchDir;

TEST(Digest, KnownDigestsInMemoryPieceByPieceAndOfFiles) {
  ScratchDir dir;
  EXPECT_EQ(sha256_hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256_hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  Sha256 pieces;
  pieces.add("a");
  pieces.add("bc");
  EXPECT_EQ(pieces.final().sha256, sha256_hex("abc"));
  // A file larger than the block it is read in.
  const std::string large(200000, 'x');
  std::ofstream("large.txt", std::ios::binary) << large;
  const FileDigest d = digest_file("large.txt");
  EXPECT_EQ(d.size, large.size());
  EXPECT_EQ(d.sha256, sha256_hex(large));
  EXPECT_EQ(run_failure([] { digest_file("missing.txt"); }), " *** CANNOT READ THE FILE missing.txt TO DIGEST IT ***");
}

}  // namespace
}  // namespace flowplex
