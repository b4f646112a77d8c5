#include "export/background.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

namespace flowplex {
namespace {

TEST(BackgroundWriter, JobsRunInTheOrderPosted) {
  std::vector<int> done;
  BackgroundWriter writer(1);
  for (int i = 0; i < 50; ++i) writer.post([&done, i] { done.push_back(i); });
  writer.finish();
  ASSERT_EQ(done.size(), 50U);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
}

// A failed job is reported once the jobs are finished; the jobs after it are dropped.
TEST(BackgroundWriter, TheFirstFailureIsRethrownByFinishAndLaterJobsAreDropped) {
  std::atomic<int> ran = 0;
  BackgroundWriter writer(1);
  writer.post([&] { ++ran; });
  writer.post([] { throw std::runtime_error("disk full"); });
  for (int i = 0; i < 10; ++i) writer.post([&] { ++ran; });
  try {
    writer.finish();
    ADD_FAILURE() << "the failure was not reported";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "disk full");
  }
  EXPECT_EQ(ran, 1);
}

TEST(BackgroundWriter, AnAbandonedWriterStopsWithoutRunningWhatWaits) {
  std::atomic<int> ran = 0;
  {
    BackgroundWriter writer(4);
    for (int i = 0; i < 4; ++i) writer.post([&] { ++ran; });
  }
  EXPECT_LE(ran, 4);
}

}  // namespace
}  // namespace flowplex
