// The registry of what an interruption removes: each thing is made and registered in one
// step, and what cannot be made is not registered (the removal itself, by the watcher at a
// signal, is tested by tests/run/interrupted_run.py and interrupt_soak.py).
#include "report/interruption.hpp"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace flowplex {
namespace {

namespace fs = std::filesystem;

class Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "interruption_test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(Registry, MakesAFolderOnceAndSaysWhatStandsInTheWay) {
  const std::string folder = (dir_ / "results").string();
  EXPECT_EQ(interruption::make_folder(folder), 0);
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(interruption::make_folder(folder), EEXIST);
  EXPECT_EQ(interruption::make_folder((dir_ / "missing" / "results").string()), ENOENT);
}

TEST_F(Registry, MakesTemporaryFilesAndFoldersByTheirPatterns) {
  std::string file = (dir_ / ".run.nc.XXXXXX").string();
  const int fd = interruption::make_temporary(file.data());
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_TRUE(fs::is_regular_file(file));
  interruption::drop_temporary(file);

  std::string folder = (dir_ / ".system.partial-XXXXXX").string();
  ASSERT_TRUE(interruption::make_temporary_folder(folder.data()));
  EXPECT_TRUE(fs::is_directory(folder));
  EXPECT_EQ(folder.find("XXXXXX"), std::string::npos);
  interruption::drop_temporary(folder);

  std::string nowhere = (dir_ / "missing" / ".x.XXXXXX").string();
  EXPECT_FALSE(interruption::make_temporary_folder(nowhere.data()));
}

TEST_F(Registry, CreatesByNameUnderTheLock) {
  bool ran = false;
  interruption::create_by_name([&] { ran = true; });
  EXPECT_TRUE(ran);
  // The lock is free again: what follows can register.
  EXPECT_EQ(interruption::make_folder((dir_ / "after").string()), 0);
}

}  // namespace
}  // namespace flowplex
